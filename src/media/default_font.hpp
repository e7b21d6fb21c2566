// The default font, embedded in the program when it is built, so that every
// text appears even on a machine with no fonts installed.
#pragma once

#include <cstddef>

namespace media::detail {
const unsigned char* default_font_data();
std::size_t default_font_size();
}  // namespace media::detail
