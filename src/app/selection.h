// Selecting a region with the mouse (with auto-scroll when the drag passes a
// pane edge) and moving its end with the scroll bar's arrows. A completed
// selection is never shorter than one block unless the track is.
#pragma once

#include "app/app_context.h"

namespace app {

// Button down at column x after CanAct(Select) and the hit test: the anchor
// and the current column are x.
void beginSelection(AppContext& ctx, int x);
// The drag reached client column x.
void extendSelection(AppContext& ctx, int x);
// Button up with a selection: orders its ends, grows it to at least one
// block, highlights all its columns and gives the scroll bar the focus.
void completeSelection(AppContext& ctx);

enum class SelectionEndMove { Left, Right };
// Moves selEnd by one column (the scroll bar's arrows with a selection).
void moveSelectionEnd(AppContext& ctx, SelectionEndMove direction);

}  // namespace app
