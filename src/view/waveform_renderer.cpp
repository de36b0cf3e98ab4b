#include "view/waveform_renderer.h"

#include <algorithm>
#include <cstdlib>

#include "view/column_mapping.h"
#include "view/pane_background.h"
#include "view/peaks.h"
#include "view/pitch_overlay.h"
#include "view/view_constants.h"
#include "view/wave_painter.h"

namespace view {

ColumnFrames::ColumnFrames(std::uint64_t frames, std::uint64_t whole,
                           std::uint64_t fractionNumerator, std::uint64_t fractionDenominator)
    : left_(frames),
      whole_(whole),
      numerator_(fractionNumerator),
      denominator_(fractionDenominator == 0 ? 1 : fractionDenominator) {}

std::uint64_t ColumnFrames::next(bool& last) {
  last = false;
  if (done_) return 0;
  std::uint64_t count = whole_;
  if (!first_) {
    accumulator_ += numerator_;
    if (accumulator_ >= denominator_) {
      accumulator_ -= denominator_;
      ++count;
    }
  }
  first_ = false;
  if (left_ < count) {
    count = left_;
    last = true;
    done_ = true;
  }
  if (count == 0) {
    done_ = true;
    return 0;
  }
  left_ -= count;
  return count;
}

namespace {

struct RenderContext {
  TrackView& view;
  const state::AppState& app;
  int channelsDrawn;  // 2 when pane B shows the second channel
  int centre[2];
  double scale;

  ColumnCanvas canvas() const {
    ColumnCanvas c{view.image};
    if (view.selShown) {
      c.bandFirst = view.selStartCol;
      c.bandLast = view.selEndCol;
    }
    return c;
  }
  std::int16_t sample(std::uint64_t frame, int channel) const {
    return app.samples[frame * app.channels + static_cast<std::uint64_t>(channel)];
  }
};

void renderFramePerColumn(const RenderContext& rc, std::uint64_t first, std::uint64_t n) {
  const Rect& pane = rc.view.geometry.paneA;
  const ColumnCanvas canvas = rc.canvas();
  int previousRow[2] = {0, 0};
  int x = pane.left;
  for (std::uint64_t i = 0; i < n && x < pane.right; ++i, ++x) {
    for (int ch = 0; ch < rc.channelsDrawn; ++ch) {
      const int row = rc.centre[ch] - rowsAbove(rc.sample(first + i, ch), rc.scale);
      canvas.point(x, row);
      if (i > 0 && std::abs(row - previousRow[ch]) > 1)
        paintJoin(canvas, x - 1, previousRow[ch], row);
      previousRow[ch] = row;
    }
  }
}

// The column's maximum and minimum per channel from the peak array: `groups`
// groups from `firstGroup`.
void peaksFromArray(const state::AppState& app, std::uint64_t firstGroup, std::uint64_t groups,
                    bool direct, int max[2], int min[2]) {
  const std::int16_t* values = app.peaks.get() + firstGroup * app.channels * 2;
  if (app.channels == 2) {
    StereoPeak p;
    if (direct) {
      p = {values[0], values[2], values[1], values[3]};
    } else {
      p = peakStereo(values, static_cast<std::uint32_t>(groups * 2));
    }
    max[0] = p.max1, min[0] = p.min1, max[1] = p.max2, min[1] = p.min2;
  } else {
    MonoPeak p = direct ? MonoPeak{values[0], values[1]}
                        : peakMono(values, static_cast<std::uint32_t>(groups * 2));
    max[0] = p.max, min[0] = p.min;
  }
}

void peaksFromSamples(const state::AppState& app, std::uint64_t first, std::uint64_t count,
                      int max[2], int min[2]) {
  const std::int16_t* frames = app.samples.get() + first * app.channels;
  if (app.channels == 2) {
    const StereoPeak p = peakStereo(frames, static_cast<std::uint32_t>(count));
    max[0] = p.max1, min[0] = p.min1, max[1] = p.max2, min[1] = p.min2;
  } else {
    const MonoPeak p = peakMono(frames, static_cast<std::uint32_t>(count));
    max[0] = p.max, min[0] = p.min;
  }
}

// The fit zoom's columns start anywhere inside a peak group: the column's
// maximum and minimum come from the whole groups inside it and from the
// samples of the part groups at its two edges, which gives the same values as
// a scan of all its samples. (A mono group of one frame stores 0 and 0, so
// mono takes groups only when they hold two frames or more.)
void peaksFromGroupsAndEdges(const state::AppState& app, std::uint64_t first, std::uint64_t count,
                             std::uint64_t perPeak, int max[2], int min[2]) {
  const std::uint64_t end = first + count;
  const std::uint64_t firstGroup = (first + perPeak - 1) / perPeak;
  // Only whole groups: the track's last one may be short.
  const std::uint64_t endGroup = std::min(end, std::uint64_t{app.frameCount}) / perPeak;
  if (endGroup <= firstGroup || (app.channels == 1 && (perPeak < 2 || count < 2))) {
    peaksFromSamples(app, first, count, max, min);
    return;
  }
  const std::uint64_t c = app.channels;
  const std::int16_t* head = app.samples.get() + first * c;
  const std::uint64_t headFrames = firstGroup * perPeak - first;
  const std::int16_t* tail = app.samples.get() + endGroup * perPeak * c;
  const std::uint64_t tailFrames = end - endGroup * perPeak;
  const std::int16_t* groups = app.peaks.get() + firstGroup * c * 2;
  const std::uint64_t groupCount = endGroup - firstGroup;
  if (c == 2) {
    // A stereo group is max1, max2, min1, min2: two frames of a peak scan.
    StereoPeak p = widenStereo(StereoPeak{}, head, headFrames);
    p = widenStereo(p, groups, groupCount * 2);
    p = widenStereo(p, tail, tailFrames);
    max[0] = p.max1, min[0] = p.min1, max[1] = p.max2, min[1] = p.min2;
  } else {
    MonoPeak p = widenMono(MonoPeak{}, head, headFrames);
    p = widenMono(p, groups, groupCount * 2);
    p = widenMono(p, tail, tailFrames);
    max[0] = p.max, min[0] = p.min;
  }
}

void renderBars(const RenderContext& rc, std::uint64_t first, std::uint64_t n) {
  const state::AppState& app = rc.app;
  const Rect& pane = rc.view.geometry.paneA;
  const std::uint64_t w = static_cast<std::uint64_t>(pane.width());
  const bool fit = atFitZoom(app);
  const std::uint64_t whole = fit ? n / w : app.framesPerPixel;
  ColumnFrames columns(n, whole, fit ? n % w : 0, fit ? w : 1);

  const std::uint64_t perPeak = app.framesPerPeak == 0 ? 1 : app.framesPerPeak;
  const bool usePeaks = app.peaks && whole >= perPeak;
  const std::uint64_t groupCount = (app.frameCount + perPeak - 1) / perPeak;
  const bool direct = app.framesPerPixel == perPeak;

  const ColumnCanvas canvas = rc.canvas();
  BarTrace trace[2];
  for (int ch = 0; ch < 2; ++ch) trace[ch].previousRow = rc.centre[ch];
  int previousX = pane.left;
  std::uint64_t pos = first;
  for (int x = pane.left;; ++x) {
    bool last = false;
    const std::uint64_t count = columns.next(last);
    if (count == 0) break;
    int max[2] = {0, 0}, min[2] = {0, 0};
    if (usePeaks && fit) {
      peaksFromGroupsAndEdges(app, pos, count, perPeak, max, min);
    } else if (usePeaks) {
      // A column at the track's end reads only the groups its frames reach.
      const std::uint64_t firstGroup = pos / perPeak;
      if (firstGroup >= groupCount) break;
      std::uint64_t groups = (count + perPeak - 1) / perPeak;
      if (groups > groupCount - firstGroup) groups = groupCount - firstGroup;
      peaksFromArray(app, firstGroup, groups, direct && groups == 1, max, min);
    } else {
      peaksFromSamples(app, pos, count, max, min);
    }
    for (int ch = 0; ch < rc.channelsDrawn; ++ch)
      paintBarColumn(canvas, x, previousX, rc.centre[ch], rc.scale, max[ch], min[ch],
                     rc.sample(pos + count - 1, ch), trace[ch]);
    previousX = x;
    pos += count;
    // The pane's last column keeps its background.
    if (last || x >= pane.right - 2) break;
  }
}

}  // namespace

void renderTrack(TrackView& view, const state::AppState& app) {
  if (!app.samples || app.frameCount == 0 || !view.image.valid()) return;
  if (app.channels != 1 && app.channels != 2) return;
  const Layout& g = view.geometry;
  const int h = g.paneA.height();
  if (g.paneA.width() <= 0 || h <= 0) return;

  const bool stereo = app.stereo && app.channels == 2;
  RenderContext rc{
      view, app, stereo ? 2 : 1, {g.paneA.top + h / 2, g.paneB.top + h / 2}, verticalScale(h)};
  view.image.fill({g.paneA.left, rc.centre[0], g.paneA.right, rc.centre[0] + 1}, COLOUR_BLACK);
  if (stereo)
    view.image.fill({g.paneB.left, rc.centre[1], g.paneB.right, rc.centre[1] + 1}, COLOUR_BLACK);

  const std::uint64_t first =
      static_cast<std::uint64_t>(app.scrollPos > 0 ? app.scrollPos : 0) * app.framesPerPixel;
  if (first >= app.frameCount) return;
  const std::uint64_t n = app.frameCount - first;
  if (app.framesPerPixel < 2)
    renderFramePerColumn(rc, first, n);
  else
    renderBars(rc, first, n);
  drawPitchCurves(view, app);
}

void redrawPanes(TrackView& view, const state::AppState& app, WindowSurface& surface) {
  paintBackgrounds(view, app, app.stereo);
  renderTrack(view, app);
  invalidatePanes(view, surface, app.stereo);
}

}  // namespace view
