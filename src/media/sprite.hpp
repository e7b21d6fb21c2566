// Sprites and groups of sprites: things drawn from their `image` at `rect`.
#pragma once

#include <memory>
#include <vector>

#include "media/geometry.hpp"
#include "media/surface.hpp"

namespace media {

class Sprite {
public:
    Sprite() = default;
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;
    virtual ~Sprite() = default;

    Surface image;
    Rect rect;
};

// Sprites in the order they were added. The group owns its members; they
// live as long as the group.
template <class T>
class Group {
public:
    T& add(std::unique_ptr<T> sprite) {
        order_.push_back(sprite.get());
        owned_.push_back(std::move(sprite));
        return *order_.back();
    }

    // Steps every member once, in order.
    void update() {
        for (T* member : order_) member->update();
    }

    // Draws every member's image at the corner of its rect.
    void draw(Surface& surface) const {
        for (const T* member : order_) surface.blit(member->image, {double(member->rect.x), double(member->rect.y)});
    }

    std::size_t size() const { return order_.size(); }
    // Removes and destroys every member.
    void clear() {
        order_.clear();
        owned_.clear();
    }
    T& operator[](std::size_t index) const { return *order_[index]; }

    // Walks the members in order as plain pointers: `for (T* m : group)`.
    auto begin() const { return order_.begin(); }
    auto end() const { return order_.end(); }

private:
    std::vector<std::unique_ptr<T>> owned_;
    std::vector<T*> order_;
};

}  // namespace media
