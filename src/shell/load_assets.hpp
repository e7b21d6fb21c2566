// Loading the pictures and sounds from their unpacked files.
#pragma once

#include <future>
#include <span>
#include <vector>

#include "assets.hpp"
#include "media/sound.hpp"
#include "shell/asset_files.hpp"

namespace molvane {

// Start-up's loading. The asset table is unpacked into files at once; the
// music is then decoded on a thread of its own (it needs no SDL) while SDL
// starts and the pictures, fonts and other sounds load. Every file is loaded
// and deleted before the window opens.
class AssetLoading {
public:
    // Unpacks the files and starts decoding the music.
    explicit AssetLoading(std::span<const assets::Entry> table);
    AssetLoading(const AssetLoading&) = delete;
    AssetLoading& operator=(const AssetLoading&) = delete;
    // Waits for the music's decoding; the files go with `files_`.
    ~AssetLoading();

    // The window icon, then the title, then the other pictures.
    void load_pictures();
    // Loads the sounds in their order (the mixer must be open), throwing the
    // error of the first faulty one, stores them, and deletes every file.
    void finish();

private:
    UnpackedAssets files_;
    std::future<std::vector<media::DecodedMp3>> music_;  // in the sounds' order
};

}  // namespace molvane
