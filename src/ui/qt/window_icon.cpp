#include "window_icon.h"

#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <numbers>

#include "view/view_constants.h"

namespace ui {

namespace {

QColor colourOf(std::uint32_t rgb) {
  return QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// One size of the icon: the pane's background with a framed edge, and a sung
// note's waveform swelling and fading across it, half of it selected.
QPixmap drawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(colourOf(view::COLOUR_FRAME));
  QPainter p(&pixmap);
  const int edge = std::max(1, size / 16);
  const QRect pane(edge, edge, size - 2 * edge, size - 2 * edge);
  p.fillRect(pane, colourOf(view::COLOUR_PANE));
  p.fillRect(QRect(pane.center().x(), pane.top(), pane.width() / 2 + 1, pane.height()),
             colourOf(view::COLOUR_PANE_SELECTED));
  const double middle = pane.center().y() + 0.5;
  for (int x = pane.left(); x <= pane.right(); ++x) {
    const double t = static_cast<double>(x - pane.left()) / pane.width();
    const double swell = std::sin(std::numbers::pi * t);
    const double wave = std::abs(std::sin(2 * std::numbers::pi * 3.5 * t)) * 0.4 + 0.6;
    const int half = static_cast<int>(swell * wave * pane.height() * 0.42);
    const bool selected = x >= pane.center().x();
    p.setPen(colourOf(selected ? view::COLOUR_WAVE_SELECTED : view::COLOUR_WAVE));
    p.drawLine(x, static_cast<int>(middle) - half, x, static_cast<int>(middle) + half);
  }
  return pixmap;
}

}  // namespace

QIcon makeWindowIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(drawIcon(size));
  return icon;
}

}  // namespace ui
