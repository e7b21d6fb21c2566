// The insides of pictures, sounds and fonts belong to the media layer: the
// game and its tests hold them only as the handles they are. Checked as the
// test program compiles.
#include "media/font.hpp"
#include "media/sound.hpp"
#include "media/surface.hpp"

namespace {

template <class T>
concept ShowsItsInsides = requires(const T& handle) {
    handle.impl();
}
|| requires { typename T::Impl; };

static_assert(!ShowsItsInsides<media::Surface>);
static_assert(!ShowsItsInsides<media::Sound>);
static_assert(!ShowsItsInsides<media::Font>);

}  // namespace
