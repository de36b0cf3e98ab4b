#include "view/pitch_overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "view/column_mapping.h"
#include "view/small_font.h"
#include "view/view_constants.h"

namespace view {

namespace {

constexpr int SEMITONES_A4_FROM_C0 = 57;
constexpr int NOTE_NAMES_COUNT = 108;  // C0..B8
constexpr int SEMITONES_C_ABOVE_A = 3;
constexpr int NOTE_NAME_INSET = 2;  // columns between the pane's edge and a name

bool isBackground(std::uint32_t pixel) {
  return pixel == COLOUR_PANE || pixel == COLOUR_PANE_SELECTED;
}

bool isBackgroundOrLine(std::uint32_t pixel) {
  return isBackground(pixel) || pixel == COLOUR_SEMITONE || pixel == COLOUR_SEMITONE_ALLOWED;
}

int pitchClass(int semitone) {
  return ((semitone % state::PITCH_NOTE_CLASSES) + state::PITCH_NOTE_CLASSES) %
         state::PITCH_NOTE_CLASSES;
}

// The curve's pitch within the frames [a, b) of one column: every voiced
// point centred there when the column holds points, else the line between
// the two points around the column's middle when both are voiced.
struct ColumnPitch {
  bool voiced = false;
  float lowest = 0.0f;
  float highest = 0.0f;
  float last = 0.0f;
};

ColumnPitch pitchInColumn(const CurveView& curve, double a, double b) {
  ColumnPitch p;
  if (curve.count == 0) return p;
  const double hop = curve.hopFrames;
  const long long first = curve.firstHop;
  const long long end = first + static_cast<long long>(curve.count);
  const auto at = [&](long long k) -> const state::PitchPoint& {
    return curve.points[static_cast<std::size_t>(k - first)];
  };
  const long long low = static_cast<long long>(std::ceil(a / hop));
  const long long high = static_cast<long long>(std::ceil(b / hop));  // exclusive
  if (low < high) {
    for (long long k = std::max(low, first); k < std::min(high, end); ++k) {
      const state::PitchPoint& point = at(k);
      if (!point.voiced) continue;
      if (!p.voiced) p.lowest = p.highest = point.semitones;
      p.voiced = true;
      p.lowest = std::min(p.lowest, point.semitones);
      p.highest = std::max(p.highest, point.semitones);
      p.last = point.semitones;
    }
    return p;
  }
  const double middle = (a + b) / 2.0 / hop;
  const long long k0 = static_cast<long long>(std::floor(middle));
  if (k0 < first || k0 + 1 >= end || !at(k0).voiced || !at(k0 + 1).voiced) return p;
  const double t = middle - static_cast<double>(k0);
  const float v =
      static_cast<float>(at(k0).semitones + t * (at(k0 + 1).semitones - at(k0).semitones));
  p.voiced = true;
  p.lowest = p.highest = p.last = v;
  return p;
}

template <typename Visit>
void forEachColumn(const Rect& pane, const ColumnFrameSpan& span, Visit visit) {
  for (int x = pane.left; x < pane.right; ++x) {
    const double a = span.firstFrame + (x - pane.left) * span.framesPerColumn;
    visit(x, a, a + span.framesPerColumn);
  }
}

// The curve's line in `colour`, or with `widen` one row above and below it,
// which drawn first in a dark colour keeps the line visible over the waveform.
void drawCurve(Image& image, const Rect& pane, const ColumnFrameSpan& span, const CurveView& curve,
               const NoteScale& scale, std::uint32_t colour, int widen = 0) {
  bool joined = false;
  int previousRow = 0;
  forEachColumn(pane, span, [&](int x, double a, double b) {
    const ColumnPitch p = pitchInColumn(curve, a, b);
    if (!p.voiced) {
      joined = false;
      return;
    }
    int top = scale.row(p.highest);
    int bottom = scale.row(p.lowest);
    // Reach the last column's row, so a steep stretch stays one line.
    if (joined && previousRow < top - 1) top = previousRow + 1;
    if (joined && previousRow > bottom + 1) bottom = previousRow - 1;
    image.columnRun(x, std::max(top - widen, pane.top), std::min(bottom + widen, pane.bottom - 1),
                    colour);
    previousRow = scale.row(p.last);
    joined = true;
  });
}

void drawGrid(Image& image, const Rect& pane, const NoteScale& scale,
              const std::array<bool, state::PITCH_NOTE_CLASSES>& allowed) {
  const float spacing = scale.rowsPerSemitone();
  const int step =
      spacing >= NOTE_NAME_MIN_SPACING
          ? 1
          : static_cast<int>(std::ceil(NOTE_NAME_MIN_SPACING / std::max(spacing, 0.01f)));
  std::array<char, 8> name{};
  for (int s = static_cast<int>(std::ceil(scale.low));
       s <= static_cast<int>(std::floor(scale.high)); ++s) {
    const int row = scale.row(static_cast<float>(s));
    if (row < pane.top || row >= pane.bottom || row < 0 || row >= image.height()) continue;
    const bool isAllowed = allowed[static_cast<std::size_t>(pitchClass(s))];
    const std::uint32_t line = isAllowed ? COLOUR_SEMITONE_ALLOWED : COLOUR_SEMITONE;
    std::uint32_t* pixels = image.row(row);
    for (int x = std::max(pane.left, 0); x < std::min(pane.right, image.width()); ++x)
      if (isBackground(pixels[x])) pixels[x] = line;
    if (pitchClass(s - SEMITONES_C_ABOVE_A) % step != 0 && step > 1) continue;
    // A name the pane's edge would cut is left out.
    if (row - GLYPH_HEIGHT / 2 < pane.top || row + GLYPH_HEIGHT / 2 >= pane.bottom) continue;
    drawSmallText(image, pane, pane.left + NOTE_NAME_INSET, row - GLYPH_HEIGHT / 2,
                  sharpNoteName(s, name), isAllowed ? COLOUR_NOTE_NAME_ALLOWED : COLOUR_NOTE_NAME,
                  &isBackgroundOrLine);
  }
}

}  // namespace

int NoteScale::row(float semitones) const {
  if (high <= low) return top;
  const double share = (static_cast<double>(high) - semitones) / (static_cast<double>(high) - low);
  return top + static_cast<int>(std::lround(share * (bottom - 1 - top)));
}

float NoteScale::rowsPerSemitone() const {
  return high > low ? static_cast<float>((bottom - 1 - top) / (static_cast<double>(high) - low))
                    : 0.0f;
}

NoteScale noteScaleFor(const Rect& pane, float lowest, float highest) {
  float low = std::floor(lowest) - 1.0f;
  float high = std::ceil(highest) + 1.0f;
  if (high - low < NOTE_SCALE_MIN_SPAN) {
    const float grow = std::ceil((NOTE_SCALE_MIN_SPAN - (high - low)) / 2.0f);
    low -= grow;
    high += grow;
  }
  return {low, high, pane.top, pane.bottom};
}

ColumnFrameSpan viewColumnSpan(const state::AppState& app, const Rect& pane) {
  const double first =
      static_cast<double>(app.scrollPos > 0 ? app.scrollPos : 0) * app.framesPerPixel;
  ColumnFrameSpan span{first, static_cast<double>(app.framesPerPixel)};
  if (atFitZoom(app) && pane.width() > 0 && app.frameCount > first)
    span.framesPerColumn = (app.frameCount - first) / pane.width();
  return span;
}

void drawPitchOverlay(Image& image, const Rect& pane, const ColumnFrameSpan& span,
                      const PitchOverlay& overlay) {
  if (!image.valid() || pane.empty() || span.framesPerColumn <= 0.0) return;
  bool any = false;
  float lowest = 0.0f, highest = 0.0f;
  for (const CurveView* curve : {&overlay.current, &overlay.before}) {
    forEachColumn(pane, span, [&](int, double a, double b) {
      const ColumnPitch p = pitchInColumn(*curve, a, b);
      if (!p.voiced) return;
      lowest = any ? std::min(lowest, p.lowest) : p.lowest;
      highest = any ? std::max(highest, p.highest) : p.highest;
      any = true;
    });
  }
  if (!any) return;
  const NoteScale scale = noteScaleFor(pane, lowest, highest);
  drawGrid(image, pane, scale, overlay.allowed);
  drawCurve(image, pane, span, overlay.before, scale, COLOUR_PITCH_EDGE, 1);
  drawCurve(image, pane, span, overlay.current, scale, COLOUR_PITCH_EDGE, 1);
  drawCurve(image, pane, span, overlay.before, scale, COLOUR_PITCH_BEFORE);
  drawCurve(image, pane, span, overlay.current, scale, COLOUR_PITCH);
}

void drawPitchCurves(TrackView& view, const state::AppState& app) {
  const state::PitchCurves& curves = app.pitch;
  if (!curves.shown || !app.samples || app.frameCount == 0) return;
  const std::lock_guard<std::mutex> hold(curves.lock);
  if (curves.frames != app.frameCount) return;
  const ColumnFrameSpan span = viewColumnSpan(app, view.geometry.paneA);
  const int panes = app.stereo && curves.channels == 2 ? 2 : 1;
  for (int c = 0; c < panes; ++c) {
    PitchOverlay overlay;
    overlay.current = {curves.current[c].data(), curves.current[c].size(), 0,
                       state::PITCH_HOP_FRAMES};
    overlay.before = {curves.before[c].points.data(), curves.before[c].points.size(),
                      curves.before[c].firstHop, state::PITCH_HOP_FRAMES};
    overlay.allowed = curves.allowed;
    drawPitchOverlay(view.image, c == 0 ? view.geometry.paneA : view.geometry.paneB, span, overlay);
  }
}

std::string_view sharpNoteName(int semitone, std::array<char, 8>& buffer) {
  static constexpr const char* NAMES[state::PITCH_NOTE_CLASSES] = {
      "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  const int index = semitone + SEMITONES_A4_FROM_C0;
  if (index < 0 || index >= NOTE_NAMES_COUNT) return {};
  const int n =
      std::snprintf(buffer.data(), buffer.size(), "%s%d", NAMES[index % state::PITCH_NOTE_CLASSES],
                    index / state::PITCH_NOTE_CLASSES);
  return {buffer.data(), static_cast<std::size_t>(std::max(n, 0))};
}

}  // namespace view
