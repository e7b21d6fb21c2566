// Loading the pictures and sounds from their unpacked files, on two threads.
#pragma once

#include <future>
#include <optional>
#include <span>
#include <vector>

#include "assets.hpp"
#include "media/sound.hpp"
#include "media/thread.hpp"
#include "shell/asset_files.hpp"

namespace molvane {

// Start-up's loading. A helper thread unpacks the asset table into files,
// decodes the music (which needs no SDL) and, once the mixer is open, loads
// the sounds; meanwhile the main thread starts SDL and loads the pictures.
// Every file is loaded and deleted before the window opens.
class AssetLoading {
public:
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
    // Waits for the helper, throws its error if it failed, stores the sounds
    // and deletes every file.
    void finish();

private:
    std::vector<media::Sound> load_sounds(std::span<const assets::Entry> table);

    std::optional<UnpackedAssets> files_;
    std::promise<void> unpacked_;
    std::shared_future<void> unpacked_future_;
    std::promise<void> mixer_open_;
    std::future<void> mixer_open_future_;  // the helper's end
    bool mixer_told_ = false;
    std::packaged_task<std::vector<media::Sound>()> task_;
    std::future<std::vector<media::Sound>> helper_;
    std::optional<media::Thread> thread_;  // last: waited for first
};

}  // namespace molvane
