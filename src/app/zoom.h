// The zoom: a power of two frames per column, or the fit zoom at which the
// whole track fills the pane. A zoom step halves or doubles framesPerPixel and
// keeps the view's centre where it was; a refit follows a new pane width.
// The caller holds viewMutex.
#pragma once

#include "app/app_context.h"

namespace app {

enum class ZoomDirection { In, Out };

// One step in or out. False, changing and drawing nothing, without a track,
// when zooming out at the fit zoom or zooming in at one frame per column.
bool zoomStep(AppContext& ctx, ZoomDirection direction);

// Recomputes the fit zoom for the current pane width (after a re-layout),
// lowers the zoom to it when it was coarser, and redraws the whole view.
void refitZoom(AppContext& ctx);

}  // namespace app
