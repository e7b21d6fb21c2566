// Pictures in the window's own pixel format. A JPEG decodes to 24-bit RGB,
// which SDL converts pixel by pixel at every draw onto the 32-bit window;
// converted once, drawing it is a plain copy, of exactly the same colours.
// Pictures with alpha (the PNGs) stay as decoded: SDL blends RGBA bytes and
// ARGB words with different rounding, and what is shown must not change.
#include <algorithm>

#include "media/internal.hpp"

namespace media::detail {

namespace {

void convert(SurfaceImpl& picture, const SDL_PixelFormat& window) {
    SDL_Surface* loaded = picture.surface;
    if (SDL_ISPIXELFORMAT_ALPHA(loaded->format->format) || loaded->format->format == window.format) return;
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, window.format, 0);
    if (!converted) fail("cannot convert the picture " + picture.label, SDL_GetError());
    SDL_FreeSurface(loaded);
    picture.surface = converted;
    picture.stamp = new_stamp();
}

}  // namespace

void adopt_picture(const std::shared_ptr<SurfaceImpl>& picture) {
    auto& m = media();
    if (m.screen.valid()) {
        convert(*picture, *impl(m.screen).surface->format);
        return;
    }
    std::erase_if(m.pictures, [](const std::weak_ptr<SurfaceImpl>& p) { return p.expired(); });
    m.pictures.push_back(picture);
}

void convert_pictures() {
    auto& m = media();
    for (const auto& weak : m.pictures)
        if (auto picture = weak.lock()) convert(*picture, *impl(m.screen).surface->format);
    m.pictures.clear();
}

}  // namespace media::detail
