// Pictures, and the frame the game draws on.
#pragma once

#include <memory>
#include <string>

#include "media/geometry.hpp"

namespace media {

// A picture. Copies share the same pixels, as the game passes pictures around
// by name: the rabbit's `image` and RABBIT_POSE are the same picture.
class Surface {
public:
    Surface() = default;
    // A new off-screen surface of the given size, all black.
    Surface(int width, int height);

    // Draws `source` unscaled with its top-left corner at `pos`.
    void blit(const Surface& source, Pos pos);

    int get_width() const;
    int get_height() const;
    // A rectangle of the surface's size at (0, 0).
    Rect get_rect() const;
    // The colour of one pixel.
    Color get_at(int x, int y) const;
    // What the picture is, for traces: a file name, "text:..." or "surface WxH".
    const std::string& label() const;

    bool valid() const { return impl_ != nullptr; }
    friend bool operator==(const Surface& a, const Surface& b) { return a.impl_ == b.impl_; }

    // The pixels; a complete type only inside the media layer.
    struct Impl;
    explicit Surface(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}
    Impl& impl() const;

private:
    std::shared_ptr<Impl> impl_;
};

namespace image {
// Loads a JPEG or PNG picture from a file.
Surface load(const std::string& path);
}  // namespace image

}  // namespace media
