// The horizontal scroll bar under the waveform. Its arrows, page areas, thumb
// and keys become the application's scroll requests; it also keeps the arrows
// working when there is nothing to scroll (the whole track fits the pane),
// because with a selection they move the selection's end.
#pragma once

#include <QScrollBar>

namespace ui {

class ScrollBar : public QScrollBar {
 public:
  explicit ScrollBar(QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace ui
