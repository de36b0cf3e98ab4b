// The pitch curve drawn over a waveform pane: a line on a note scale, faint
// lines at the semitones of the range in view (the notes the last tuning
// allowed in their own colour), the note names at the pane's left edge, and
// the tuned region's curve from before the tuning, faint, beside the new one.
//
// The grid and the names are drawn only over background pixels, so the
// waveform underneath stays as rendered; only the curve itself covers it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "state/app_state.h"
#include "state/pitch_curve.h"
#include "view/image.h"
#include "view/small_font.h"
#include "view/track_view.h"

namespace view {

inline constexpr std::uint32_t COLOUR_PITCH = 0xFF9020;         // the curve
inline constexpr std::uint32_t COLOUR_PITCH_BEFORE = 0xB4A898;  // before the tuning
inline constexpr std::uint32_t COLOUR_PITCH_EDGE = 0x202020;    // along both curves
inline constexpr std::uint32_t COLOUR_SEMITONE = 0x145858;      // semitone lines
inline constexpr std::uint32_t COLOUR_SEMITONE_ALLOWED = 0x407838;
inline constexpr std::uint32_t COLOUR_NOTE_NAME = 0x70A8A8;
inline constexpr std::uint32_t COLOUR_NOTE_NAME_ALLOWED = 0xB0E070;
// The scale shows at least this many semitones, and one more above and below
// the highest and lowest pitch in view.
inline constexpr float NOTE_SCALE_MIN_SPAN = 6.0f;
// Rows between labelled semitones at least, so the names never touch.
inline constexpr int NOTE_NAME_MIN_SPACING = 9;

// Rows of a pane for pitches in semitones above A4: `high` at `top`, `low` at
// `bottom` - 1.
struct NoteScale {
  float low = 0.0f;
  float high = 0.0f;
  int top = 0;
  int bottom = 0;
  int row(float semitones) const;
  float rowsPerSemitone() const;
};

// The scale of `pane` for voiced pitches from `lowest` to `highest`.
NoteScale noteScaleFor(const Rect& pane, float lowest, float highest);

// Which frames the pane's columns show: column x starts at frame
// firstFrame + (x - pane.left) * framesPerColumn.
struct ColumnFrameSpan {
  double firstFrame = 0.0;
  double framesPerColumn = 1.0;
};

// One curve: points[i] is centred on frame (firstHop + i) * hopFrames.
struct CurveView {
  const state::PitchPoint* points = nullptr;
  std::size_t count = 0;
  std::uint32_t firstHop = 0;
  std::uint32_t hopFrames = state::PITCH_HOP_FRAMES;
};

struct PitchOverlay {
  CurveView current;
  CurveView before;  // count 0: none
  std::array<bool, state::PITCH_NOTE_CLASSES> allowed{};
};

// Draws the overlay over the pane's columns. Nothing when no voiced point of
// either curve is in view.
void drawPitchOverlay(Image& image, const Rect& pane, const ColumnFrameSpan& span,
                      const PitchOverlay& overlay);

// The columns of the view in `app` (its zoom and scroll position) for a pane.
ColumnFrameSpan viewColumnSpan(const state::AppState& app, const Rect& pane);

// Draws app.pitch over pane A (and pane B when stereo) when it is shown.
// Takes app.pitch.lock for the drawing.
void drawPitchCurves(TrackView& view, const state::AppState& app);

// The note's name for `semitone` above A4 with the sharp spelling ("A4",
// "C#5"); empty outside C0..B8.
std::string_view sharpNoteName(int semitone, std::array<char, 8>& buffer);

}  // namespace view
