#include "shell/start_up.hpp"

#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "media/display.hpp"
#include "media/event.hpp"
#include "media/x_connection.hpp"
#include "screens/screens.hpp"
#include "shell/close_game.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"
#include "shell/load_assets.hpp"
#include "shell/process_safety.hpp"

namespace molvane {

namespace {

// Running out of memory, said with what the game was doing. The text is
// made without allocating: there may be nothing left to allocate.
class OutOfMemory : public std::exception {
public:
    explicit OutOfMemory(const char* doing) : doing_(doing) {}
    const char* what() const noexcept override { return doing_; }

private:
    const char* doing_;
};

// Runs `step`; a std::bad_alloc from it becomes an OutOfMemory that says
// "out of memory while ..." with the given text.
template <class Step>
decltype(auto) needing_memory(const char* doing, Step&& step) {
    try {
        return std::forward<Step>(step)();
    } catch (const std::bad_alloc&) {
        throw OutOfMemory(doing);
    }
}

void open_window();

}  // namespace

void init_game() {
    MOUSE_STATE = 0;
    HEART = 3;
    LEVEL = 0;
    STATE = "start";
}

void start_up(std::span<const assets::Entry> table) {
    media::watch_x_connection();
    {
        // No signal may end the game while the files are on disk: they wait
        // until the files are gone.
        HeldSignals held;
        // The table is unpacked first: a faulty one is named, whatever SDL
        // would say. SDL starts and the pictures load before the music's
        // thread does: stderr is set aside meanwhile, and no other thread
        // may write then.
        std::optional<AssetLoading> loading;
        needing_memory("out of memory while unpacking the assets", [&] { loading.emplace(table); });
        needing_memory("out of memory while starting the video system", [] { media::start_video(); });
        needing_memory("out of memory while loading the pictures", [&] { loading->load_pictures(); });
        needing_memory("out of memory while starting to decode the music", [&] { loading->start_decoding_music(); });
        needing_memory("out of memory while opening the sound device", [] { media::start_sound(); });
        needing_memory("out of memory while loading the fonts", [] {
            FONT_LEVEL = media::font::SysFont(FONT_LEVEL_SPEC.family, FONT_LEVEL_SPEC.size, FONT_LEVEL_SPEC.bold);
            FONT_TIMER = media::font::SysFont(FONT_TIMER_SPEC.family, FONT_TIMER_SPEC.size, FONT_TIMER_SPEC.bold);
            FONT_READY = media::font::SysFont(FONT_READY_SPEC.family, FONT_READY_SPEC.size, FONT_READY_SPEC.bold);
        });
        needing_memory("out of memory while loading the sounds", [&] { loading->finish(); });
    }
    needing_memory("out of memory while opening the window", [] { open_window(); });
}

namespace {

// The window, the game's objects and the screen table, once every file is
// loaded and deleted.
void open_window() {
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

}  // namespace

void run_screen() {
    auto screen = DIC.find(STATE);
    if (screen == DIC.end()) throw std::logic_error("no screen for the state \"" + STATE + "\"");
    screen->second();
}

void screen_loop() {
    for (;;) run_screen();
}

int run(std::span<const assets::Entry> table) {
    make_process_safe();
    try {
        start_up(table);
        needing_memory("out of memory while playing", [] { screen_loop(); });
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "molvane: out of memory\n");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "molvane: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "molvane: an unknown error ended the game\n");
    }
    shut_down();
    return 1;
}

int run() { return run(assets::DATA); }

}  // namespace molvane
