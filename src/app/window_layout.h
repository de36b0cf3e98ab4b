// Laying the main window's client area out: the off-screen image, the panes
// and the child controls at their places; and the re-layout worker the follow
// step starts when the window was resized while audio ran.
#pragma once

#include "app/app_context.h"

namespace app {

// Lays out a client area of `client` size and places the scroll bar and the
// transport buttons. False, keeping the previous layout, when the off-screen
// image cannot be created. The caller holds viewMutex where audio may run.
bool layOutWindow(AppContext& ctx, Size client);

// Starts RelayoutThread, detached: when the window's outer size no longer
// matches the layout it lays the window out again and re-fits the zoom, if it
// gets viewMutex without waiting. Any thread; returns at once.
void startRelayoutThread(AppContext& ctx);

// True when the window's outer size differs from the size of the last layout.
bool layoutOutdated(AppContext& ctx);

// Waits until every re-layout worker has ended (teardown; they never wait for
// the UI thread, so this cannot hang).
void waitForRelayouts(AppContext& ctx);

}  // namespace app
