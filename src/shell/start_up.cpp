#include "shell/start_up.hpp"

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "media/display.hpp"
#include "media/event.hpp"
#include "screens/screens.hpp"
#include "shell/big_pages.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "shell/load_assets.hpp"

namespace molvane {

void init_game() {
    MOUSE_STATE = 0;
    HEART = 3;
    LEVEL = 0;
    STATE = "start";
}

void start_up(std::span<const assets::Entry> table) {
    use_big_pages();
    {
        // While SDL starts here, a helper unpacks the assets and decodes the
        // music; then the pictures and fonts load here, and the sounds on
        // both threads. See AssetLoading.
        AssetLoading loading(table);
        try {
            media::start_video();
        } catch (...) {
            loading.files();  // a faulty asset table is reported first, as it always was
            throw;
        }
        loading.files();
        media::start_sound();
        loading.mixer_opened();
        loading.load_pictures();
        FONT_LEVEL = media::font::SysFont(FONT_LEVEL_SPEC.family, FONT_LEVEL_SPEC.size, FONT_LEVEL_SPEC.bold);
        FONT_TIMER = media::font::SysFont(FONT_TIMER_SPEC.family, FONT_TIMER_SPEC.size, FONT_TIMER_SPEC.bold);
        FONT_READY = media::font::SysFont(FONT_READY_SPEC.family, FONT_READY_SPEC.size, FONT_READY_SPEC.bold);
        loading.finish();
    }
    COUNT_BOARD = media::Surface(COUNT_BOARD_SIZE.width, COUNT_BOARD_SIZE.height);

    STATE = "start";
    MOUSE_STATE = 0;
    LEVEL = 0;
    HEART = 3;
    init_game();

    media::display::set_icon(WINDOW_ICON);
    SCREEN = media::display::set_mode(WINDOW_SIZE.width, WINDOW_SIZE.height);
    media::mouse::set_visible(false);

    for (media::Pos pos : POS_LIST) rabbit_list.add(std::make_unique<Rabbit>(pos));
    bat.emplace();
    CLOCK = media::Clock();

    DIC = {
        {"start", game_start},
        {"main", game_main},
        {"end", game_over},
        {"win", you_win},
    };
}

void run_screen() {
    auto screen = DIC.find(STATE);
    if (screen == DIC.end()) throw std::logic_error("no screen for the state \"" + STATE + "\"");
    screen->second();
}

void screen_loop() {
    for (;;) run_screen();
}

int run(std::span<const assets::Entry> table) {
    try {
        start_up(table);
        screen_loop();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "molvane: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "molvane: an unknown error ended the game\n");
    }
    media::quit();
    return 1;
}

int run() { return run(assets::DATA); }

}  // namespace molvane
