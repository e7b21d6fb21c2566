// Fonts and rendered texts.
#pragma once

#include <memory>
#include <string>

#include "media/geometry.hpp"
#include "media/surface.hpp"

namespace media {

// The room a text has: the largest width and height it may take.
struct Room {
    int width;
    int height;
};

class Font {
public:
    Font() = default;
    // The text, antialiased when `antialias` is set, on a transparent surface.
    Surface render(const std::string& text, bool antialias, Color colour) const;
    // The same, when it fits in `room`; otherwise the text at the largest
    // size of this font's face that fits.
    Surface render_within(const std::string& text, bool antialias, Color colour, Room room) const;

    // The family that was actually opened: the requested one, or the
    // embedded default font's.
    const std::string& family() const;

    // The open face; a complete type only inside the media layer.
    struct Impl;
    explicit Font(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

private:
    std::shared_ptr<Impl> impl_;
};

namespace font {
// An installed font family by name. A family counts as installed when
// fontconfig's best match carries that family name; otherwise the default
// font (embedded in the program) is used at the same size.
Font SysFont(const std::string& family, int size, bool bold);
}  // namespace font

}  // namespace media
