#include "client_area.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <optional>

#include "app/main_window.h"
#include "app/view_lock.h"
#include "ui_constants.h"

namespace ui {

namespace {

// How long a repaint that found viewMutex held waits before it tries again.
constexpr int PAINT_RETRY_MS = 5;

QColor colourOf(std::uint32_t rgb) {
  return QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

ClientArea::ClientArea(std::timed_mutex& viewMutex, std::function<ImageRef()> image,
                       QWidget* parent)
    : QWidget(parent), viewMutex_(viewMutex), image_(std::move(image)) {
  setObjectName(CLIENT_AREA_NAME);
  // Every pixel comes from the image or the drawings, so nothing is erased
  // first; a repaint that cannot read the image keeps the old picture.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
}

void ClientArea::ensureOverlay() {
  if (overlay_.size() != size()) {
    overlay_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    overlay_.fill(Qt::transparent);
    overlayUsed_ = QRegion();
  }
}

void ClientArea::invalidateArea(const QRect& area) {
  QRect r = area.intersected(rect());
  if (r.isEmpty()) return;
  if (overlayUsed_.intersects(r)) {
    QPainter p(&overlay_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(r, Qt::transparent);
    overlayUsed_ -= r;
  }
  pending_ += r;
  update(r);
}

void ClientArea::updateNow() {
  if (pending_.isEmpty()) return;
  QRegion region = pending_;
  pending_ = QRegion();
  repaint(region);
}

void ClientArea::fillOnWindow(const QRect& area, std::uint32_t colour) {
  QRect r = area.intersected(rect());
  if (r.isEmpty()) return;
  ensureOverlay();
  {
    QPainter p(&overlay_);
    p.fillRect(r, colourOf(colour));
  }
  overlayUsed_ += r;
  update(r);
}

void ClientArea::textOnWindow(const QString& text, const QRect& area, std::uint32_t textColour,
                              std::uint32_t backgroundColour) {
  QRect r = area.intersected(rect());
  if (r.isEmpty()) return;
  ensureOverlay();
  {
    QPainter p(&overlay_);
    p.setFont(font());
    p.fillRect(r, colourOf(backgroundColour));
    p.setPen(colourOf(textColour));
    p.setClipRect(r);
    p.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  }
  overlayUsed_ += r;
  update(r);
}

void ClientArea::paintImage(QPainter& painter, const QRegion& region) {
  const ImageRef image = image_ ? image_() : ImageRef{};
  QRegion outside = region;
  if (image.pixels != nullptr && image.width > 0 && image.height > 0) {
    const QImage view(reinterpret_cast<const uchar*>(image.pixels), image.width, image.height,
                      image.width * 4, QImage::Format_RGB32);
    const QRect bounds(0, 0, image.width, image.height);
    for (const QRect& r : region) {
      const QRect inside = r.intersected(bounds);
      if (!inside.isEmpty()) painter.drawImage(inside.topLeft(), view, inside);
    }
    outside -= bounds;
  }
  // Beyond the image (before the first layout, or while a resize waits for
  // its re-layout) the window shows its class background.
  for (const QRect& r : outside) painter.fillRect(r, palette().window());
}

void ClientArea::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRegion region = event->region();
  {
    // The UI thread never waits for viewMutex: the follow step or a re-layout
    // may hold it. A held lock means "paint this part again shortly"; the old
    // picture stays meanwhile. When this thread holds it itself (a zoom
    // updating the window), the image is ours to read.
    const bool ours = app::ViewLock::heldByThisThread();
    std::optional<app::ViewLock> lock;
    if (!ours) lock.emplace(app::ViewLock::tryTake(viewMutex_));
    if (ours || static_cast<bool>(*lock)) {
      paintImage(painter, region);
    } else {
      retry_ += region;
      if (!retryScheduled_) {
        retryScheduled_ = true;
        QTimer::singleShot(PAINT_RETRY_MS, this, [this] {
          retryScheduled_ = false;
          QRegion again = retry_;
          retry_ = QRegion();
          update(again);
        });
      }
    }
  }
  const QRegion drawn = region & overlayUsed_;
  for (const QRect& r : drawn) painter.drawImage(r.topLeft(), overlay_, r);
}

void ClientArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A new size repaints the whole window, which removes every drawing.
  overlay_ = QImage();
  overlayUsed_ = QRegion();
  ensureOverlay();
  if (window_ != nullptr && !window()->isMinimized()) {
    window_->onSize(app::Size{width(), height()});
  }
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
  if (window_ == nullptr) return;
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    dragPending_ = window_->onLeftButtonDown(pos.x(), pos.y());
    pressPos_ = pos;
  } else if (event->button() == Qt::RightButton) {
    window_->onRightButtonDown(pos.x(), pos.y());
  }
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
  if (window_ == nullptr) return;
  const QPoint pos = event->position().toPoint();
  if (dragPending_ && (event->buttons() & Qt::LeftButton) &&
      (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
    dragPending_ = false;
    grabMouse();
    captured_ = true;
    window_->onDragDetected();
  }
  window_->onMouseMove(pos.x(), pos.y());
}

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragPending_ = false;
  if (captured_) {
    releaseMouse();
    captured_ = false;
  }
  if (window_ == nullptr) return;
  const QPoint pos = event->position().toPoint();
  window_->onLeftButtonUp(pos.x(), pos.y());
}

}  // namespace ui
