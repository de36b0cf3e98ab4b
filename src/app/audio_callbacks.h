// The two callbacks the host calls with each block of the stream, and the
// follow step. OutputCallback fills an output block from the track (the
// playback range, wrapping to its start while looping, silence while
// recording) and moves the play cursor; InputCallback stores each input block
// of a recording in the chunk list and draws it on the live display.
//
// Both run on the host's delivery thread (OutputCallback also on the UI thread
// while the stream is primed). They never wait: viewMutex is only tried, and
// everything they ask of the window is queued. They reach the application
// through the context installed with setAudioContext, because the host hands
// them no pointer of ours.
#pragma once

#include <cstdint>

#include "app/app_context.h"

namespace app {

// The context the callbacks work on; nullptr makes both do nothing but
// silence the output. Set before the stream is opened, cleared after it is
// closed.
void setAudioContext(AppContext* ctx);

// The host's callbacks: `block` holds two planar channels of
// bytesPerChannel / 2 frames each; `user` is not used.
std::int32_t OutputCallback(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t user);
std::int32_t InputCallback(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t user);

// Advances the play cursor by one block, scrolls the view to keep it visible,
// draws it, and posts Stop when a playback that does not loop has ended.
void FollowCursor(AppContext& ctx);

}  // namespace app
