// The main window's client area: shows the off-screen image, carries what is
// drawn straight onto the window (play cursor, live recording, note readout)
// until its area is invalidated, and hands the mouse to the window's logic.
// Children: the scroll bar and the transport buttons, placed by the layout.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <mutex>

#include "app/shell.h"

namespace app {
class MainWindow;
}

namespace ui {

// The pixels of the off-screen image: 0x00RRGGBB, rows top-down, no padding.
struct ImageRef {
  const std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
};

class ClientArea : public QWidget {
 public:
  // `image` is asked for the off-screen image while `viewMutex` is held.
  ClientArea(std::timed_mutex& viewMutex, std::function<ImageRef()> image, QWidget* parent);

  // Events go to `window` from now on; nullptr stops them (after teardown).
  void attach(app::MainWindow* window) { window_ = window; }

  // --- drawing on the window (UI thread) ---
  // Marks `area` for repainting from the image; drawings inside it disappear.
  void invalidateArea(const QRect& area);
  // Repaints what is marked now, as a window update does.
  void updateNow();
  void fillOnWindow(const QRect& area, std::uint32_t colour);
  void textOnWindow(const QString& text, const QRect& area, std::uint32_t textColour,
                    std::uint32_t backgroundColour);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ensureOverlay();
  void paintImage(QPainter& painter, const QRegion& region);

  std::timed_mutex& viewMutex_;
  std::function<ImageRef()> image_;
  app::MainWindow* window_ = nullptr;

  // What is drawn on the window: transparent where the image shows through.
  QImage overlay_;
  QRegion overlayUsed_;
  QRegion pending_;  // invalidated, not yet repainted
  QRegion retry_;    // painted while viewMutex was held: painted again shortly
  bool retryScheduled_ = false;

  // Left button: a press that may start a selection drag waits for the
  // pointer to leave the drag distance; then the mouse is captured.
  bool dragPending_ = false;
  bool captured_ = false;
  QPoint pressPos_;
};

}  // namespace ui
