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

// The music, loaded in kSounds' order up to the first file that fails: no
// later file could be the one named.
struct LoadedMusic {
    std::vector<media::Sound> sounds;
    std::exception_ptr fault;  // why the next one did not load
};

// The asset table unpacked into files and loaded from them. The music loads
// on a thread of its own once the mixer is open, while the fonts and the
// other sounds load, which shortens start-up.
class AssetLoading {
public:
    explicit AssetLoading(std::span<const assets::Entry> table) : files_(table) {}
    AssetLoading(const AssetLoading&) = delete;
    AssetLoading& operator=(const AssetLoading&) = delete;
    ~AssetLoading() {
        mixer_open_ = {};  // the thread, if still waiting, told that start-up failed
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

    // The music's thread starts before the sound device's: short of memory,
    // start-up stops here with one line, not after saying it plays without
    // sound. It loads the music as soon as the mixer is open.
    void start_music_thread() {
        std::vector<std::string> paths;
        for (const SoundAsset& sound : kSounds)
            if (is_mp3(sound.name)) paths.push_back(files_.path(sound.name));
        auto load = [paths = std::move(paths), mixer_open = mixer_open_.get_future()]() mutable {
            LoadedMusic music;
            try {
                mixer_open.get();  // a broken promise: start-up failed, nothing to load
                for (const std::string& path : paths) music.sounds.emplace_back(path);
            } catch (...) {
                music.fault = std::current_exception();
            }
            return music;
        };
        try {
#ifdef __EMSCRIPTEN__
            music_ = std::async(std::launch::deferred, std::move(load));  // a page has one thread: loaded at the end
#else
            music_ = std::async(std::launch::async, [load = std::move(load)]() mutable {
                LoadedMusic music = load();
                media::sound_thread_done();
                return music;
            });
#endif
        } catch (const std::system_error& error) {
            throw std::runtime_error("cannot start the thread that loads the music: " + error.code().message());
        }
    }

    void mixer_opened() { mixer_open_.set_value(); }

    // The other sounds, then every file deleted. Whichever fails first, here
    // or on the music's thread, the first faulty one in kSounds is named.
    void finish() {
        std::array<media::Sound, kSounds.size()> sounds;
        std::size_t first_faulty = kSounds.size();
        std::exception_ptr fault;
        auto faulty = [&](std::size_t i, std::exception_ptr why) {
            if (i < first_faulty) {
                first_faulty = i;
                fault = std::move(why);
            }
        };
        for (std::size_t i = 0; i < kSounds.size(); ++i) {
            if (is_mp3(kSounds[i].name)) continue;
            try {
                sounds[i] = media::Sound(files_.path(kSounds[i].name));
            } catch (...) {
                faulty(i, std::current_exception());
            }
        }
        LoadedMusic music = music_.get();
        for (std::size_t i = 0, next = 0; i < kSounds.size(); ++i) {
            if (!is_mp3(kSounds[i].name)) continue;
            if (next == music.sounds.size()) {
                faulty(i, music.fault);
                break;
            }
            sounds[i] = std::move(music.sounds[next++]);
        }
        if (fault) std::rethrow_exception(fault);
        for (std::size_t i = 0; i < kSounds.size(); ++i) *kSounds[i].sound = std::move(sounds[i]);
        files_.remove();
    }

private:
    UnpackedAssets files_;
    std::promise<void> mixer_open_;
    std::future<LoadedMusic> music_;
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
        needing_memory("out of memory while starting to load the music", [&] { loading->start_music_thread(); });
        needing_memory("out of memory while opening the sound device", [] { media::start_sound(); });
        loading->mixer_opened();
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
