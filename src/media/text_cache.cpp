#include "media/text_cache.hpp"

namespace media::detail {

std::optional<Surface> TextCache::find(const std::string& text, bool antialias, Color colour) {
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
        if (entry->text != text || entry->antialias != antialias || entry->colour != colour) continue;
        entries_.splice(entries_.begin(), entries_, entry);
        return entries_.front().rendered;
    }
    return std::nullopt;
}

void TextCache::keep(const std::string& text, bool antialias, Color colour, const Surface& rendered) {
    entries_.push_front({text, antialias, colour, rendered});
    if (entries_.size() > capacity_) entries_.pop_back();
}

}  // namespace media::detail
