#include "shell/start_up.hpp"

#include <array>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <future>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "media/display.hpp"
#include "media/event.hpp"
#include "media/platform.hpp"
#include "media/x_connection.hpp"
#include "screens/screens.hpp"
#include "shell/asset_files.hpp"
#include "shell/close_game.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace molvane {

namespace {

// Running out of memory, said with what the game was doing; the text is made
// without allocating, as there may be nothing left to allocate.
class OutOfMemory : public std::exception {
public:
    explicit OutOfMemory(const char* doing) : doing_(doing) {}
    const char* what() const noexcept override { return doing_; }

private:
    const char* doing_;
};

// Runs `step`, turning a std::bad_alloc into an OutOfMemory saying `doing`.
template <class Step>
decltype(auto) needing_memory(const char* doing, Step&& step) {
    try {
        return std::forward<Step>(step)();
    } catch (const std::bad_alloc&) {
        throw OutOfMemory(doing);
    }
}

// No stop signal ends the game while it lives: start-up has files on disk.
// SIGINT and SIGTERM then become SDL's close request.
struct HeldSignals {
    HeldSignals() { media::platform::hold_stop_signals(); }
    ~HeldSignals() { media::platform::release_stop_signals(); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;
};

struct SoundAsset {
    media::Sound* sound;
    const char* name;
};

// In their loading order: of two faulty files, the first here is named.
constexpr std::array<SoundAsset, 15> kSounds{{
    {&START, "sound_start.wav"},
    {&MAIN, "sound_main.mp3"},
    {&POP, "sound_pop.wav"},
    {&COOL, "sound_cool.wav"},
    {&HIT, "sound_hit.wav"},
    {&HURT, "sound_hurt.wav"},
    {&ADD_LIFE, "sound_addlife.mp3"},
    {&GAME_OVER, "sound_end.wav"},
    {&NEXT, "sound_ding.wav"},
    {&PAUSE, "sound_wait.wav"},
    {&UNPAUSE, "sound_biu.wav"},
    {&VICTORY, "sound_victory.wav"},
    {&SPACE, "sound_space.wav"},
    {&RETRY, "sound_retry.wav"},
    {&DANGER, "sound_danger.wav"},
}};

constexpr bool is_mp3(std::string_view name) { return name.ends_with(".mp3"); }

// The asset table unpacked into files and loaded from them. The music
// decodes on a thread of its own (it needs no SDL) while the sound device
// opens and the fonts and other sounds load, which shortens start-up.
class AssetLoading {
public:
    explicit AssetLoading(std::span<const assets::Entry> table) : files_(table) {}
    AssetLoading(const AssetLoading&) = delete;
    AssetLoading& operator=(const AssetLoading&) = delete;
    ~AssetLoading() {
        if (music_.valid()) music_.wait();
    }

    // The window icon, then the title, then the other pictures.
    void load_pictures() {
        auto picture = [&](const char* name) { return media::image::load(files_.path(name)); };
        WINDOW_ICON = picture("image_icon.jpg");
        media::display::set_caption(WINDOW_TITLE);
        RABBIT_EMPTY = picture("image_empty.jpg");
        RABBIT_POSE = picture("image_pose.jpg");
        RABBIT_CRY = picture("image_cry.jpg");
        RABBIT_COOL = picture("image_cool.jpg");
        RABBIT_HEART = picture("image_heart.jpg");
        MOUSE_READY = picture("image_ready.png");
        MOUSE_HIT = picture("image_hit.png");
        LIFE_PIC = picture("image_life.png");
        START_PIC = picture("image_start.jpg");
        END_PIC = picture("image_end.jpg");
        WIN_PIC = picture("image_win.jpg");
    }

    void start_decoding_music() {
        std::vector<std::string> paths;
        for (const SoundAsset& sound : kSounds)
            if (is_mp3(sound.name)) paths.push_back(files_.path(sound.name));
        auto decode = [paths = std::move(paths)] {
            std::vector<media::DecodedMp3> music;
            for (const std::string& path : paths) music.push_back(media::decode_mp3(path));
            return music;
        };
        try {
#ifdef __EMSCRIPTEN__
            music_ = std::async(std::launch::deferred, std::move(decode));  // a page has one thread: decoded at the end
#else
            music_ = std::async(std::launch::async, std::move(decode));
#endif
        } catch (const std::system_error& error) {
            throw std::runtime_error("cannot start the thread that decodes the music: " + error.code().message());
        }
    }

    // The sounds (the mixer must be open), then every file deleted. The WAV
    // files load while the music may still decode; whichever fails first,
    // the first faulty one in kSounds is named.
    void finish() {
        std::array<media::Sound, kSounds.size()> sounds;
        std::size_t first_faulty = kSounds.size();
        std::exception_ptr fault;
        auto load = [&](std::size_t i, auto make) {
            try {
                sounds[i] = make(files_.path(kSounds[i].name));
            } catch (...) {
                if (i < first_faulty) {
                    first_faulty = i;
                    fault = std::current_exception();
                }
            }
        };
        for (std::size_t i = 0; i < kSounds.size(); ++i)
            if (!is_mp3(kSounds[i].name)) load(i, [](const std::string& path) { return media::Sound(path); });
        std::vector<media::DecodedMp3> music = music_.get();
        for (std::size_t i = 0, next_mp3 = 0; i < kSounds.size(); ++i)
            if (is_mp3(kSounds[i].name))
                load(i, [&](const std::string& path) { return media::Sound(path, std::move(music[next_mp3++])); });
        if (fault) std::rethrow_exception(fault);
        for (std::size_t i = 0; i < kSounds.size(); ++i) *kSounds[i].sound = std::move(sounds[i]);
        files_.remove();
    }

private:
    UnpackedAssets files_;
    std::future<std::vector<media::DecodedMp3>> music_;  // in kSounds' order
};

// The window, the game's objects and the screen table, once every file is
// loaded and deleted.
void open_window() {
    COUNT_BOARD = media::Surface(COUNT_BOARD_SIZE.width, COUNT_BOARD_SIZE.height);
    init_game();
    media::display::set_icon(WINDOW_ICON);
    SCREEN = media::display::set_mode(WINDOW_SIZE.width, WINDOW_SIZE.height);
    media::mouse::set_visible(false);
    for (media::Pos pos : POS_LIST) rabbit_list.add(std::make_unique<Rabbit>(pos));
    bat.emplace();
    CLOCK = media::Clock();
    DIC = {{"start", game_start}, {"main", game_main}, {"end", game_over}, {"win", you_win}};
}

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

void run_screen() {
    auto screen = DIC.find(STATE);
    if (screen == DIC.end()) throw std::logic_error("no screen for the state \"" + STATE + "\"");
    screen->second();
}

void screen_loop() {
    for (;;) run_screen();
}

int run(std::span<const assets::Entry> table) {
    media::platform::make_process_safe();
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
