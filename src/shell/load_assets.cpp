#include "shell/load_assets.hpp"

#include <array>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "media/display.hpp"
#include "shell/constants.hpp"
#include "shell/game_state.hpp"

namespace molvane {

namespace {

struct SoundAsset {
    media::Sound* sound;
    const char* name;
};

// In the order they are loaded: with two faulty files, the first one named
// here is the one reported.
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

}  // namespace

AssetLoading::AssetLoading(std::span<const assets::Entry> table) : files_(table) {}

void AssetLoading::start_decoding_music() {
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
        music_ = std::async(std::launch::deferred, std::move(decode));  // a page has one thread: decoded in finish()
#else
        music_ = std::async(std::launch::async, std::move(decode));
#endif
    } catch (const std::system_error& error) {
        throw std::runtime_error(std::string("cannot start the thread that decodes the music: ") +
                                 error.code().message());
    }
}

AssetLoading::~AssetLoading() {
    if (music_.valid()) music_.wait();
}

void AssetLoading::load_pictures() {
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

void AssetLoading::finish() {
    // The sounds from WAV files load while the music may still be decoding,
    // the music after them. Whatever fails first in time, the faulty sound
    // named is the first in kSounds.
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

}  // namespace molvane
