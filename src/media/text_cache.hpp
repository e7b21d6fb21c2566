// Texts a font has rendered, kept while they are still asked for: the HUD
// shows the same level and lives every frame, and rendering a text costs more
// than drawing it.
#pragma once

#include <cstddef>
#include <list>
#include <optional>
#include <string>

#include "media/geometry.hpp"
#include "media/surface.hpp"

namespace media::detail {

class TextCache {
public:
    explicit TextCache(std::size_t capacity) : capacity_(capacity) {}

    // The text rendered earlier with the same settings, now the most recent.
    std::optional<Surface> find(const std::string& text, bool antialias, Color colour);
    // Keeps a rendered text, forgetting the least recently used beyond the
    // capacity.
    void keep(const std::string& text, bool antialias, Color colour, const Surface& rendered);

    std::size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }

private:
    struct Entry {
        std::string text;
        bool antialias = false;
        Color colour;
        Surface rendered;
    };
    std::size_t capacity_;
    std::list<Entry> entries_;  // most recently used first
};

}  // namespace media::detail
