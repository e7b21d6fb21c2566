#include "sprites/rabbit.hpp"

#include "shell/game_state.hpp"
#include "shell/random.hpp"

namespace molvane {

int phase_length() { return random_int(60 - 2 * LEVEL, 150 - 6 * LEVEL); }

int reaction_length() { return random_int(30, 75); }

int empty_weight(int level) { return (9 - level) / 2 + 1; }

Rabbit::Rabbit(media::Pos where) {
    image = RABBIT_EMPTY;
    rect = RABBIT_EMPTY.get_rect();
    rect.x = static_cast<int>(where.x);
    rect.y = static_cast<int>(where.y);
    pos = where;
    count = random_int(60 - 3 * LEVEL, 150 - 6 * LEVEL);
    state = "empty";
    lock = 0;
}

void Rabbit::update() {
    if (state != "cry") {
        if (lock == 0) {
            // k empty holes and one rabbit to pick from; then a 1 in 100 heart.
            int k = empty_weight(LEVEL);
            image = random_int(0, k) < k ? RABBIT_EMPTY : RABBIT_POSE;
            if (random_int(1, 100) == 55) image = RABBIT_HEART;
            if (image == RABBIT_EMPTY) state = "empty";
            if (image == RABBIT_POSE) {
                POP.play();
                state = "pose";
            }
            if (image == RABBIT_HEART) {
                POP.play();
                state = "heart";
            }
            lock = 1;
        }
        if (count == 0) {
            if (state == "pose") {
                // Got away unhit: it gloats, and the player loses a life.
                state = "cool";
                image = RABBIT_COOL;
                count = reaction_length();
                lock = 1;
                COOL.play();
                HEART = HEART - 1;
                if (HEART == 0) DANGER.play();
            } else {
                lock = 0;
                count = phase_length();
            }
        }
        count = count - 1;
    }
    if (state == "cry") {
        if (count == 0) {
            // The crying picture stays up through the next phase.
            count = phase_length();
            state = "empty";
        }
        count = count - 1;
    }
    SCREEN.blit(image, pos);
}

void Rabbit::hit() {
    if (state != "pose" && state != "heart") return;
    bool heart = state == "heart";
    HURT.play();
    state = "cry";
    image = RABBIT_CRY;
    count = reaction_length();
    if (heart && HEART < 5) {
        HEART = HEART + 1;
        ADD_LIFE.play();
    }
}

void Rabbit::clear() {
    image = RABBIT_EMPTY;
    count = phase_length();
    state = "empty";
    lock = 0;
    SCREEN.blit(image, pos);
}

}  // namespace molvane
