// The game's one source of chance.
#pragma once

#include <cstdint>

namespace molvane {

// A whole number from `low` to `high`, both included, uniformly drawn.
int random_int(int low, int high);

// Replays the same sequence of draws; only tests and replays call this, the
// game itself draws from a generator seeded by the system.
void seed_random(std::uint32_t seed);

}  // namespace molvane
