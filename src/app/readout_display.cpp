#include "app/readout_display.h"

namespace app {

Rect readoutArea(Size textSize, int anchorX, int anchorY, const Rect& paneA) {
  const int w = textSize.width + (textSize.width & 1);
  const int h = textSize.height + (textSize.height & 1);
  Rect area{anchorX - w / 2, anchorY - h / 2, anchorX + w / 2, anchorY + h / 2};
  if (area.left < paneA.left) {
    area.left = paneA.left;
    area.right = area.left + w;
  }
  if (area.right >= paneA.right) {
    area.right = paneA.right - 1;
    area.left = area.right - w;
  }
  return area;
}

void DrawReadout(AppContext& ctx, std::string_view text, int anchorX, int anchorY) {
  const Rect& paneA = ctx.paneA();
  state::ReadoutArea& shown = ctx.app.readout[anchorY < paneA.bottom ? 0 : 1];
  shown.rect = readoutArea(ctx.shell.measureText(text), anchorX, anchorY, paneA);
  shown.shown = true;
  ctx.shell.drawText(text, shown.rect, READOUT_TEXT_COLOUR, READOUT_BACKGROUND_COLOUR);
}

}  // namespace app
