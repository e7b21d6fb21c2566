// Loading the pictures and sounds from their unpacked files.
#pragma once

#include <future>
#include <span>
#include <vector>

#include "assets.hpp"
#include "media/sound.hpp"
#include "shell/asset_files.hpp"

namespace molvane {

// Start-up's loading. The asset table is unpacked into files at once. Once
// the pictures are loaded, the music is decoded on a thread of its own (it
// needs no SDL) while the sound device opens and the fonts and the other
// sounds load. Every file is loaded and deleted before the window opens.
class AssetLoading {
public:
    // Unpacks the files.
    explicit AssetLoading(std::span<const assets::Entry> table);
    AssetLoading(const AssetLoading&) = delete;
    AssetLoading& operator=(const AssetLoading&) = delete;
    // Waits for the music's decoding, if begun; the files go with `files_`.
    ~AssetLoading();

    // The window icon, then the title, then the other pictures.
    void load_pictures();
    // Starts decoding the music on a thread of its own.
    void start_decoding_music();
    // Loads the sounds (the mixer must be open), throwing the error of the
    // first faulty one in their order, stores them, and deletes every file.
    void finish();

private:
    UnpackedAssets files_;
    std::future<std::vector<media::DecodedMp3>> music_;  // in the sounds' order
};

}  // namespace molvane
