// Scrolling the track view in whole columns. The scroll state (scrollPos,
// scrollMax, scrollPage) lives in AppState; these operations clamp a new
// position themselves, as the scroll bar would, and the scroll bar mirrors
// the record. Where audio may run the caller holds viewMutex.
#pragma once

#include "app/app_context.h"

namespace app {

// Clamps `pos` to 0..scrollMax, stores it and mirrors the record on the bar.
void setScrollPosition(AppContext& ctx, long long pos);
// An empty range, position 0, and the bar disabled (no track).
void resetScrollBar(AppContext& ctx);

// Moves the view `columns` columns (negative: left) and redraws the panes.
void scrollBy(AppContext& ctx, int columns);
// Moves to `pos` and redraws, only when it differs from the current position.
void scrollTo(AppContext& ctx, int pos);
// The scroll bar's thumb was dragged to `trackPos`.
void thumbTrack(AppContext& ctx, int trackPos);
// Brings the selection's start into view unless the whole selection is in
// view or the view shows the whole track. True when it scrolled.
bool showSelectionStart(AppContext& ctx);

}  // namespace app
