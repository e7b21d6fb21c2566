#include "shell/close_game.hpp"

#include <cstdlib>

#include "media/display.hpp"

namespace molvane {

void close_game() {
    media::quit();
    std::exit(0);
}

}  // namespace molvane
