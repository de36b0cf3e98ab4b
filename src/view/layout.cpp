#include "view/layout.h"

namespace view {

Layout computeLayout(int clientWidth, int clientHeight) {
  Layout g;
  const int l = 0, t = 0, r = clientWidth, b = clientHeight;
  g.client = {l, t, r, b};
  g.frame = {l + FRAME_INSET, t + FRAME_INSET, r - FRAME_INSET, b - FRAME_BOTTOM_SPACE};
  g.innerBox = {l + INNER_INSET, t + INNER_INSET, r - INNER_INSET, b - INNER_BOTTOM_SPACE};
  g.half = ((b - INNER_BOTTOM_SPACE) - (t + INNER_INSET)) / 2;
  g.paneA = {l + PANE_INSET, t + PANE_INSET, r - PANE_INSET, t + INNER_INSET + g.half - PANE_GAP};
  g.paneB = {l + PANE_INSET, b - INNER_BOTTOM_SPACE - g.half + PANE_GAP, r - PANE_INSET,
             b - INNER_BOTTOM_SPACE - 1};
  g.divider = {l + INNER_INSET, g.paneA.bottom, r - INNER_INSET, g.paneB.top};
  g.cursorStripA = {g.paneA.left, g.paneA.top, g.paneA.left + 2, g.paneA.bottom};
  g.cursorStripB = {g.paneB.left, g.paneB.top, g.paneB.left + 2, g.paneB.bottom};
  g.scrollBar = {g.frame.left, g.frame.bottom, g.frame.right, g.frame.bottom + SCROLL_BAR_HEIGHT};
  const int firstButton = (r - BUTTON_ROW_WIDTH) / 2 + 1;
  for (int i = 0; i < BUTTON_COUNT; ++i) {
    const int x = firstButton + BUTTON_WIDTH * i;
    const int y = b - BUTTON_ROW_FROM_BOTTOM;
    g.buttons[i] = {x, y, x + BUTTON_WIDTH, y + BUTTON_HEIGHT};
  }
  g.progressCentreX = (g.frame.left + g.frame.right) / 2;
  g.progressCentreY = (g.divider.top + g.divider.bottom) / 2;
  const int cx = g.progressCentreX, cy = g.progressCentreY;
  g.progressBox = {cx - PROGRESS_BOX_WIDTH / 2, cy - PROGRESS_BOX_HEIGHT / 2,
                   cx + PROGRESS_BOX_WIDTH / 2, cy + PROGRESS_BOX_HEIGHT / 2};
  g.progressBar = {g.progressBox.left + PROGRESS_BAR_INSET, g.progressBox.top + PROGRESS_BAR_INSET,
                   g.progressBox.right - PROGRESS_BAR_INSET,
                   g.progressBox.bottom - PROGRESS_BAR_INSET};
  return g;
}

void paintChrome(Image& image, const Layout& g) {
  const int w = image.width(), h = image.height();
  const Rect& f = g.frame;
  // Margins around the frame.
  image.fill({0, 0, w, f.top}, COLOUR_MARGIN);
  image.fill({0, f.bottom, w, h}, COLOUR_MARGIN);
  image.fill({0, f.top, f.left, f.bottom}, COLOUR_MARGIN);
  image.fill({f.right, f.top, w, f.bottom}, COLOUR_MARGIN);

  // The bands between the frame and the panes, inside the frame's outline.
  const int insideLeft = f.left + 1, insideRight = f.right - 1;
  const int insideTop = f.top + 1, insideBottom = f.bottom - 1;
  image.fill({insideLeft, insideTop, insideRight, g.paneA.top}, COLOUR_FRAME);
  image.fill({insideLeft, insideTop, g.paneA.left, insideBottom}, COLOUR_FRAME);
  image.fill({g.paneA.right + 1, insideTop, insideRight, insideBottom}, COLOUR_FRAME);
  image.fill({insideLeft, g.paneB.bottom + 1, insideRight, insideBottom}, COLOUR_FRAME);

  image.outline(f, COLOUR_BLACK);
  image.outline(g.innerBox, COLOUR_BLACK);
  image.fill(g.divider, COLOUR_FRAME);
  image.fill({g.paneA.left - 1, g.paneA.bottom, g.paneA.right + 1, g.paneA.bottom + 1},
             COLOUR_BLACK);
  image.fill({g.paneB.left - 1, g.paneB.top - 1, g.paneB.right + 1, g.paneB.top}, COLOUR_BLACK);
  image.fill(g.paneA, COLOUR_PANE);
  image.fill(g.paneB, COLOUR_PANE);
}

}  // namespace view
