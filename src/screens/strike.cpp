#include "screens/strike.hpp"

namespace molvane {

bool is_strike(const media::Event& event) {
    if (event.type != media::EventType::MOUSEBUTTONDOWN) return false;
    return event.button == media::BUTTON_LEFT || media::mouse::get_pressed()[0];
}

}  // namespace molvane
