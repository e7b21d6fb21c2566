// One hole of the board and whatever shows in it, with its state machine.
#pragma once

#include <string>

#include "media/geometry.hpp"
#include "media/sprite.hpp"

namespace molvane {

class Rabbit : public media::Sprite {
public:
    explicit Rabbit(media::Pos pos);

    // One frame: pick, pop up, hide, get away or stop crying; then draw.
    void update();
    // The player struck inside the rectangle: a rabbit that is up cries, and a
    // heart rabbit gives a life back.
    void hit();
    // Back to an empty hole at the start of a level, drawn at once.
    void clear();

    media::Pos pos;
    int count = 0;      // frames left in the current phase
    std::string state;  // "empty", "pose", "heart", "cry" or "cool"
    int lock = 0;       // 0: pick a new picture on the next update
};

// How long a phase lasts at the current level, in frames.
int phase_length();
// How long a rabbit cries or gloats, in frames.
int reaction_length();
// How many empty holes stand against one rabbit in a pick at this level.
int empty_weight(int level);

}  // namespace molvane
