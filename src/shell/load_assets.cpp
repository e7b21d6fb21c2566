#include "shell/load_assets.hpp"

#include <array>
#include <stdexcept>
#include <string_view>
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
constexpr std::array<SoundAsset, AssetLoading::kSoundCount> kSounds{{
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

// Tells the helper that start-up ended before the mixer opened. Made without
// allocating: start-up may have ended for want of memory.
class StartUpStopped : public std::exception {
public:
    const char* what() const noexcept override { return "start-up stopped"; }
};

constexpr bool is_mp3(std::string_view name) { return name.ends_with(".mp3"); }

// Where the sounds made from WAV files stand in kSounds.
struct WaveSounds {
    std::array<std::size_t, kSounds.size()> index{};
    std::size_t count = 0;
};

constexpr WaveSounds kWaveSounds = [] {
    WaveSounds waves;
    for (std::size_t i = 0; i < kSounds.size(); ++i)
        if (!is_mp3(kSounds[i].name)) waves.index[waves.count++] = i;
    return waves;
}();

}  // namespace

AssetLoading::AssetLoading(std::span<const assets::Entry> table)
    : unpacked_future_(unpacked_.get_future().share()),
      mixer_open_future_(mixer_open_.get_future()),
      task_([this, table] { helper_work(table); }),
      helper_(task_.get_future()) {
    thread_.emplace("molvane-loading", [this] { task_(); });
}

AssetLoading::~AssetLoading() {
    next_wave_.store(kWaveSounds.count);  // no sound is left to take
    if (!helper_.valid()) return;
    if (!mixer_told_) mixer_open_.set_exception(std::make_exception_ptr(StartUpStopped()));
    helper_.wait();
}

// The helper thread.
void AssetLoading::helper_work(std::span<const assets::Entry> table) {
    try {
        files_.emplace(table);
    } catch (...) {
        unpacked_.set_exception(std::current_exception());
        throw;
    }
    unpacked_.set_value();

    // The music is decoded while the main thread still starts SDL.
    std::vector<std::pair<std::size_t, media::DecodedMp3>> music;
    for (std::size_t i = 0; i < kSounds.size(); ++i)
        if (is_mp3(kSounds[i].name)) music.emplace_back(i, media::decode_mp3(files_->path(kSounds[i].name)));

    mixer_open_future_.get();
    for (auto& [i, decoded] : music) {
        try {
            sounds_[i] = media::Sound(files_->path(kSounds[i].name), std::move(decoded));
        } catch (...) {
            failures_[i] = std::current_exception();
        }
    }
    load_wave_sounds();
}

void AssetLoading::load_wave_sounds() {
    for (std::size_t taken = next_wave_++; taken < kWaveSounds.count; taken = next_wave_++) {
        std::size_t i = kWaveSounds.index[taken];
        try {
            sounds_[i] = media::Sound(files_->path(kSounds[i].name));
        } catch (...) {
            failures_[i] = std::current_exception();
        }
    }
}

const UnpackedAssets& AssetLoading::files() {
    unpacked_future_.get();
    return *files_;
}

void AssetLoading::mixer_opened() {
    mixer_told_ = true;
    mixer_open_.set_value();
}

void AssetLoading::load_pictures() {
    auto picture = [&](const char* name) { return media::image::load(files().path(name)); };

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
    load_wave_sounds();
    helper_.get();
    for (const std::exception_ptr& failure : failures_)
        if (failure) std::rethrow_exception(failure);
    for (std::size_t i = 0; i < kSounds.size(); ++i) *kSounds[i].sound = std::move(*sounds_[i]);
    files_->remove();
}

}  // namespace molvane
