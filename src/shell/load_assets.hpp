// Loading the pictures and sounds from their unpacked files.
#pragma once

#include "shell/asset_files.hpp"

namespace molvane {

// The window icon, then the title, then the other pictures and the sounds.
void load_assets(const UnpackedAssets& files);

}  // namespace molvane
