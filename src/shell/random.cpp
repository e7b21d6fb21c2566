#include "shell/random.hpp"

#include <random>

namespace molvane {

namespace {
std::mt19937& generator() {
    static std::mt19937 engine{std::random_device{}()};
    return engine;
}
}  // namespace

int random_int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(generator()); }

void seed_random(std::uint32_t seed) { generator().seed(seed); }

}  // namespace molvane
