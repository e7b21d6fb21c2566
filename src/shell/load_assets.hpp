// Loading the pictures and sounds from their unpacked files, on two threads.
#pragma once

#include <array>
#include <atomic>
#include <exception>
#include <future>
#include <optional>
#include <span>

#include "assets.hpp"
#include "media/sound.hpp"
#include "media/thread.hpp"
#include "shell/asset_files.hpp"

namespace molvane {

// Start-up's loading. A helper thread unpacks the asset table into files and
// decodes the music (which needs no SDL) while the main thread starts SDL and
// loads the pictures and fonts. Once the mixer is open the sounds go to it
// from both threads, each taking the next one not yet taken, so neither waits
// for the other while sounds are left. Every file is loaded and deleted
// before the window opens.
class AssetLoading {
public:
    static constexpr std::size_t kSoundCount = 15;  // the sounds start-up loads

    // Starts the helper.
    explicit AssetLoading(std::span<const assets::Entry> table);
    AssetLoading(const AssetLoading&) = delete;
    AssetLoading& operator=(const AssetLoading&) = delete;
    // When start-up failed: stops the helper, waits for it and deletes what
    // it left on disk.
    ~AssetLoading();

    // Waits until every file is written; throws the helper's error when
    // unpacking failed.
    const UnpackedAssets& files();
    // Tells the helper the mixer is open (media::start_sound): it may load
    // the sounds now.
    void mixer_opened();
    // The window icon, then the title, then the other pictures.
    void load_pictures();
    // Loads sounds beside the helper until none is left, waits for it,
    // throws the error of the first faulty sound in load order, stores the
    // sounds and deletes every file.
    void finish();

private:
    void helper_work(std::span<const assets::Entry> table);
    // Loads the sounds decoded from WAV files, one at a time, while any is
    // left that no thread has taken yet.
    void load_wave_sounds();

    std::optional<UnpackedAssets> files_;
    std::promise<void> unpacked_;
    std::shared_future<void> unpacked_future_;
    std::promise<void> mixer_open_;
    std::future<void> mixer_open_future_;  // the helper's end
    bool mixer_told_ = false;
    // One slot per sound, in load order; each is written by the one thread
    // that took the sound, and read once the helper has ended.
    std::array<std::optional<media::Sound>, kSoundCount> sounds_;
    std::array<std::exception_ptr, kSoundCount> failures_;
    std::atomic<std::size_t> next_wave_{0};  // into the WAV sounds, in load order
    std::packaged_task<void()> task_;
    std::future<void> helper_;
    std::optional<media::Thread> thread_;  // last: waited for first
};

}  // namespace molvane
