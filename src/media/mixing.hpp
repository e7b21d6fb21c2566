// The mixer's last step, after it has added up the channels: what the media
// layer does to every buffer before the sound device plays it.
#pragma once

#include <chrono>

namespace media::detail {

// Sets the channels' volume and the limiter that makes it up, and the mute;
// called once the mixer is open.
void start_mixing();
// Buffers, and sample frames, the mixer has mixed since it opened.
long buffers_mixed();
long frames_mixed();
// Waits until the mixer has mixed `frames` sample frames in all; false when
// `timeout` passed first.
bool wait_for_frames_mixed(long frames, std::chrono::milliseconds timeout);

}  // namespace media::detail
