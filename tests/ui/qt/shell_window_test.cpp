// The main window as the user meets it: placement, the controls at their
// rectangles, the menu, the About box, the buttons' keys, the mouse, the
// scroll bar, the size limits and closing.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <thread>

#include "app/app_constants.h"
#include "app/main_window.h"
#include "qt_test_helpers.h"
#include "ui/qt/client_area.h"
#include "ui/qt/ui_constants.h"
#include "view/column_mapping.h"
#include "view/layout.h"
#include "view/view_constants.h"

namespace qttest {
namespace {

using state::TransportMode;

QRect toQRect(const state::Rect& r) {
  return QRect(r.left, r.top, r.width(), r.height());
}

using WindowStart = WindowTest;

// At the placement for the desktop, then after resizes: the buttons and the
// scroll bar sit at the layout's rectangles (the same widgets moved), wholly
// inside the window under the menu bar, and the image is the client area's.
TEST_F(WindowStart, ControlsSitAtTheLayoutRectanglesInsideTheWindowAtEverySize) {
  EXPECT_EQ(window->windowTitle(), QString("Cantora"));
  // 1920 x 1080 gives an outer window of 1800 x 752 at (60, 60).
  EXPECT_EQ(window->frameGeometry(), QRect(60, 60, 1800, 752));
  EXPECT_EQ(QSize(app.layoutWidth, app.layoutHeight), QSize(1800, 752)) << "the layout size";
  // The peak arrays of the loads are sized for the panes the window opened with.
  EXPECT_EQ(app.initialPaneWidth, window->clientArea()->width() - 34);
  const int menuBottom = window->menuBar()->geometry().bottom();
  std::vector<QPushButton*> first;
  for (const QSize size : {QSize(0, 0), QSize(1000, 600), QSize(600, 300), QSize(1500, 900)}) {
    if (!size.isEmpty()) {
      window->resize(size);
      QApplication::processEvents();
    }
    SCOPED_TRACE(testing::Message() << window->width() << " x " << window->height());
    ui::ClientArea* client = window->clientArea();
    EXPECT_EQ(client->geometry().top(), menuBottom + 1) << "the client area starts under the menu";
    EXPECT_EQ(view().image.width(), client->width());
    EXPECT_EQ(view().image.height(), client->height());
    const view::Layout layout = view::computeLayout(client->width(), client->height());
    for (int i = 0; i < view::BUTTON_COUNT; ++i) {
      QPushButton* b = window->button(view::BUTTON_ID_FIRST + i);
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(b->text(), QString(view::BUTTON_TEXTS[i]));
      EXPECT_EQ(b->property("controlId").toInt(), view::BUTTON_ID_FIRST + i);
      EXPECT_TRUE(b->parentWidget() == client && b->isVisible());
      EXPECT_EQ(b->geometry(), toQRect(layout.buttons[i])) << "button " << i;
      if (first.size() == static_cast<std::size_t>(i)) first.push_back(b);
      EXPECT_EQ(b, first[i]) << "the same buttons move, none is made anew";
      const QRect shown(b->mapTo(window.get(), QPoint(0, 0)), b->size());
      EXPECT_TRUE(window->rect().contains(shown)) << "button " << i << " at y " << shown.top();
    }
    EXPECT_EQ(window->scrollBar()->geometry(), toQRect(layout.scrollBar));
    // A worker re-laying the window out reads the sizes without the UI thread.
    app::Size clientSeen, outerSeen;
    std::thread([&] {
      clientSeen = window->clientSize();
      outerSeen = window->outerSize();
    }).join();
    EXPECT_EQ(clientSeen, (app::Size{client->width(), client->height()}));
    EXPECT_EQ(outerSeen,
              (app::Size{window->frameGeometry().width(), window->frameGeometry().height()}));
  }
  // Without a track the scroll bar is empty and disabled.
  EXPECT_FALSE(window->scrollBar()->isEnabled());
  EXPECT_EQ(window->scrollBar()->maximum(), 0);
}

TEST_F(WindowStart, TheFocusedButtonCarriesAVisibleMark) {
  activate();
  auto markPixels = [](QPushButton* b) {
    const QImage image = b->grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += rgb(image, x, y) == ui::FOCUS_MARK_COLOUR;
    return n;
  };
  QPushButton* play = window->button(view::ID_PLAY);
  QPushButton* stop = window->button(view::ID_STOP);
  window->focusButton(view::ID_STOP);
  QApplication::processEvents();
  ASSERT_TRUE(stop->hasFocus());
  EXPECT_GT(markPixels(stop), 2 * stop->width()) << "a frame around the focused button";
  EXPECT_EQ(markPixels(play), 0);
  window->focusButton(view::ID_PLAY);
  QApplication::processEvents();
  EXPECT_GT(markPixels(play), 2 * play->width());
  EXPECT_EQ(markPixels(stop), 0) << "the mark moves with the focus";
}

TEST_F(WindowStart, SizeLimitsApplyToTheOuterWindowAndFreezeWhileRecording) {
  const QSize frame = window->frameGeometry().size() - window->size();
  EXPECT_EQ(window->minimumSize() + frame, QSize(app::MIN_WINDOW_WIDTH, app::MIN_WINDOW_HEIGHT));
  EXPECT_EQ(window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  window->resize(300, 200);
  QApplication::processEvents();
  EXPECT_EQ(window->frameGeometry().size(), QSize(app::MIN_WINDOW_WIDTH, app::MIN_WINDOW_HEIGHT));

  app.mode = TransportMode::Recording;
  window->mainWindow().refreshSizeLimits();
  const QSize layout(app.layoutWidth, app.layoutHeight);
  EXPECT_EQ(window->minimumSize() + frame, layout);
  EXPECT_EQ(window->maximumSize() + frame, layout);
  window->resize(1200, 700);
  QApplication::processEvents();
  EXPECT_EQ(window->frameGeometry().size(), layout);
  app.mode = TransportMode::Idle;
  window->mainWindow().refreshSizeLimits();
  EXPECT_EQ(window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

using Menu = WindowTest;

TEST_F(Menu, HasTheItemsWithTheirCommandsAndUndoGreyed) {
  const QList<QAction*> popups = window->menuBar()->actions();
  ASSERT_EQ(popups.size(), 4);
  EXPECT_EQ(popups[0]->text(), QString("&File"));
  EXPECT_EQ(popups[1]->text(), QString("&View"));
  EXPECT_EQ(popups[2]->text(), QString("&Help"));
  EXPECT_EQ(popups[3]->text(), QString("&ASIO devices"));
  auto items = [&](int popup) {
    std::vector<std::pair<QString, int>> out;
    for (QAction* a : popups[popup]->menu()->actions())
      out.emplace_back(a->text(), a->data().toInt());
    return out;
  };
  using Items = std::vector<std::pair<QString, int>>;
  EXPECT_EQ(
      items(0),
      (Items{{"&Open", 32771}, {"&Save as...", 32772}, {"&Undo Tuning", 32773}, {"E&xit", 106}}));
  EXPECT_EQ(items(1), (Items{{"&Pitch curve\tP", 32774}}));
  EXPECT_EQ(items(2), (Items{{"&About ...", 105}}));
  EXPECT_EQ(items(3), (Items{{"Select &device", 107}}));
  EXPECT_FALSE(window->menuAction(app::CMD_UNDO_TUNING)->isEnabled());
  for (int command :
       {app::CMD_OPEN, app::CMD_SAVE_AS, app::CMD_EXIT, app::CMD_ABOUT, app::CMD_SELECT_DEVICE}) {
    EXPECT_TRUE(window->menuAction(command)->isEnabled()) << command;
  }
  window->enableUndoTuning(true);
  EXPECT_TRUE(window->menuAction(app::CMD_UNDO_TUNING)->isEnabled());
  // The pitch curve's item is ticked while the curve is shown, from the menu
  // or the key P.
  QAction* pitch = window->menuAction(app::CMD_PITCH_CURVE);
  pitch->trigger();
  EXPECT_TRUE(pitch->isChecked());
  EXPECT_TRUE(app.pitch.shown);
  window->mainWindow().onChar('p');
  QApplication::processEvents();
  EXPECT_FALSE(pitch->isChecked());
  EXPECT_FALSE(app.pitch.shown);
}

TEST_F(Menu, AboutComesFromTheMenuAndBothAccelerators) {
  const std::function<void()> openings[] = {
      [&] { window->menuAction(app::CMD_ABOUT)->trigger(); },
      // The accelerators work in the active window (the box just closed was it).
      [&] {
        activate();
        QTest::keyClick(window.get(), Qt::Key_Question, Qt::AltModifier);
      },
      [&] {
        activate();
        QTest::keyClick(window.get(), Qt::Key_Slash, Qt::AltModifier);
      }};
  for (const auto& open : openings) {
    QString caption, text, buttons;
    answerNextModal([&](QWidget* dialog) {
      caption = dialog->windowTitle();
      if (auto* label = dialog->findChild<QLabel*>("aboutText")) text = label->text();
      auto* box = dialog->findChild<QDialogButtonBox*>();
      const QList<QAbstractButton*> list = box ? box->buttons() : QList<QAbstractButton*>{};
      for (QAbstractButton* b : list) buttons += b->text().remove('&') + ";";
      if (list.size() == 1)
        list[0]->click();
      else
        dialog->close();
    });
    open();
    EXPECT_EQ(caption, QString("About Cantora"));
    EXPECT_EQ(text, QString("Cantora, Version 1.06"));
    EXPECT_EQ(buttons, QString("OK;"));
  }
}

TEST_F(Menu, ClosingAsksAndOnlyOkTearsDown) {
  placeTrack(20000);
  BoxSeen asked;
  answerNextMessageBox(asked, QMessageBox::Cancel);
  window->close();
  ASSERT_TRUE(asked.seen);
  EXPECT_EQ(asked.text, QString("Wan'na quit?"));
  EXPECT_EQ(asked.caption, QString("Cantora"));
  EXPECT_EQ(asked.icon, QMessageBox::Question);
  EXPECT_EQ(asked.buttons, QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_TRUE(asked.owned);
  EXPECT_FALSE(window->destroyed());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(app.hasTrack());

  BoxSeen again;
  answerNextMessageBox(again, QMessageBox::Ok);
  window->menuAction(app::CMD_EXIT)->trigger();
  ASSERT_TRUE(again.seen);
  EXPECT_TRUE(window->destroyed());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(app.hasTrack()) << "the teardown frees the track";
  EXPECT_FALSE(view().image.valid());
  // Painting after the teardown has nothing to read and must not touch it.
  window->clientArea()->repaint();
}

using ButtonKeys = WindowTest;

TEST_F(ButtonKeys, TabAndArrowsWalkTheRowAndWrap) {
  activate();
  window->focusButton(view::ID_PLAY);
  ASSERT_EQ(QApplication::focusWidget(), window->button(view::ID_PLAY));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
  ASSERT_EQ(QApplication::focusWidget(), window->button(view::ID_ZOOM_OUT));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), window->button(view::ID_PLAY))
      << "Tab from Zoom out returns to Play";
  for (int step = 1; step <= view::BUTTON_COUNT; ++step) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(),
              window->button(view::BUTTON_ID_FIRST + step % view::BUTTON_COUNT))
        << "exactly one step per key";
  }
}

TEST_F(ButtonKeys, EnterOrReturnOnTheFocusedButtonActsLikeItsClick) {
  // Each message box takes the activation; the keys need it back.
  activate();
  window->focusButton(view::ID_PLAY);
  BoxSeen play, loop;
  answerNextMessageBox(play, QMessageBox::Ok);
  QTest::keyClick(window->button(view::ID_PLAY), Qt::Key_Return);
  ASSERT_TRUE(play.seen);
  EXPECT_EQ(play.text, QString("No audio data to play!"));
  EXPECT_EQ(play.caption, QString("Play button pressed"));
  EXPECT_EQ(play.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

  activate();
  QTest::keyClick(window->button(view::ID_PLAY), Qt::Key_Right);
  ASSERT_EQ(QApplication::focusWidget(), window->button(view::ID_LOOP));
  answerNextMessageBox(loop, QMessageBox::Ok);
  QTest::keyClick(window->button(view::ID_LOOP), Qt::Key_Enter);
  ASSERT_TRUE(loop.seen);
  EXPECT_EQ(loop.caption, QString("Loop button pressed"));
}

TEST_F(ButtonKeys, UUndoesTheTuningFromTheWindowOrAButtonNotFromTheScrollBar) {
  placeTrack(20000);
  activate();
  auto keepUndo = [&] {
    app.undo.samples.reset(new std::int16_t[100]);
    std::fill_n(app.undo.samples.get(), 100, std::int16_t{777});
    app.undo.startFrame = 1000;
    app.undo.frameCount = 100;
    app.undo.channel = 1;
    app.undo.stereo = true;
    window->enableUndoTuning(true);
  };
  auto undone = [&] { return app.samples[2 * 1050] == 777 && !app.undo.holdsSamples(); };

  keepUndo();
  window->focusScrollBar();
  QTest::keyClick(window->scrollBar(), Qt::Key_U);
  EXPECT_FALSE(undone()) << "the scroll bar's keys are not the window's";

  QApplication::focusWidget()->clearFocus();  // the window itself has the keyboard
  QTest::keyClick(window.get(), Qt::Key_U);
  EXPECT_TRUE(undone());
  EXPECT_FALSE(window->menuAction(app::CMD_UNDO_TUNING)->isEnabled());

  std::fill_n(app.samples.get(), 2 * 20000, std::int16_t{0});
  keepUndo();
  window->focusButton(view::ID_STOP);
  QTest::keyClick(window->button(view::ID_STOP), 'u');
  EXPECT_TRUE(undone());
}

using Mouse = WindowTest;

TEST_F(Mouse, ADragSelectsWithCaptureAndAClickDoesNot) {
  placeTrack(100000);
  activate();
  ui::ClientArea* client = window->clientArea();
  const state::Rect pane = view().geometry.paneA;
  const int y = (pane.top + pane.bottom) / 2;
  const QPoint from(pane.left + 200, y);

  // Within the drag distance: a click, no selection, no capture.
  mouse(client, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  mouse(client, QEvent::MouseMove, from + QPoint(1, 0), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  mouse(client, QEvent::MouseButtonRelease, from + QPoint(1, 0), Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(app.selActive);

  mouse(client, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  const QPoint beyond = from + QPoint(QApplication::startDragDistance() + 1, 0);
  mouse(client, QEvent::MouseMove, beyond, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(QWidget::mouseGrabber(), client) << "the drag captures the mouse";
  EXPECT_TRUE(app.dragging);
  const QPoint to(pane.left + 600, y);
  mouse(client, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  mouse(client, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_FALSE(app.dragging);
  ASSERT_TRUE(app.selActive);
  EXPECT_EQ(app.selStart, view::columnToFrame(app, pane, from.x()));
  EXPECT_EQ(app.selEnd, view::columnToFrame(app, pane, to.x()));
  EXPECT_EQ(QApplication::focusWidget(), window->scrollBar());

  const QImage shown = grabClient();
  EXPECT_EQ(mismatches(shown), 0);
  EXPECT_EQ(rgb(shown, from.x() + 10, pane.top + 1), view::COLOUR_PANE_SELECTED);
  EXPECT_EQ(rgb(shown, to.x() + 10, pane.top + 1), view::COLOUR_PANE);

  // A right click outside the panes changes nothing.
  const std::uint32_t start = app.selStart, end = app.selEnd;
  mouse(client, QEvent::MouseButtonPress, QPoint(3, 3), Qt::RightButton, Qt::RightButton);
  EXPECT_EQ(app.mode.load(), TransportMode::Idle);
  EXPECT_TRUE(app.selActive);
  EXPECT_EQ(app.selStart, start);
  EXPECT_EQ(app.selEnd, end);
}

using ScrollBar = WindowTest;

TEST_F(ScrollBar, ItsActionsAreTheApplicationsScrollRequests) {
  placeTrack(200000);
  window->button(view::ID_ZOOM_IN)->click();
  window->button(view::ID_ZOOM_IN)->click();
  ASSERT_GT(app.scrollMax, 2 * app.scrollPage);
  QScrollBar* bar = window->scrollBar();
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_EQ(bar->maximum(), app.scrollMax);
  EXPECT_EQ(bar->pageStep(), app.scrollPage);

  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(app.scrollPos, app.scrollPage);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(app.scrollPos, app.scrollPage + app::SCROLL_ARROW_COLUMNS)
      << "an arrow scrolls 8 columns, whatever the bar's own step";
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(app.scrollPos, 0);
  bar->setSliderPosition(123);  // the thumb dragged there
  EXPECT_EQ(app.scrollPos, 123);
  EXPECT_EQ(bar->value(), 123);
  EXPECT_EQ(mismatches(grabClient()), 0);

  // While playing the bar refuses: it snaps back to where the view is.
  app.mode = TransportMode::Playing;
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  bar->setSliderPosition(400);
  EXPECT_EQ(app.scrollPos, 123);
  EXPECT_EQ(bar->value(), 123);
  EXPECT_EQ(bar->sliderPosition(), 123);
  app.mode = TransportMode::Idle;
}

TEST_F(ScrollBar, WithASelectionTheArrowsMoveItsEnd) {
  placeTrack(100000);
  ui::ClientArea* client = window->clientArea();
  const state::Rect pane = view().geometry.paneA;
  const int y = pane.top + 5;
  drag(client, QPoint(pane.left + 100, y), QPoint(pane.left + 300, y));
  ASSERT_TRUE(app.selActive);
  const std::uint32_t end = app.selEnd;
  const std::int32_t pos = app.scrollPos;
  window->scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(app.selEnd, view::columnToFrame(app, pane, pane.left + 301));
  EXPECT_GT(app.selEnd, end);
  EXPECT_EQ(app.scrollPos, pos);
  const QImage shown = grabClient();
  EXPECT_EQ(rgb(shown, pane.left + 301, pane.top + 1), view::COLOUR_PANE_SELECTED);
  EXPECT_EQ(rgb(shown, pane.left + 302, pane.top + 1), view::COLOUR_PANE);

  // The selection gave the scroll bar the focus: its arrow keys move the end too.
  activate();
  ASSERT_EQ(QApplication::focusWidget(), window->scrollBar());
  QTest::keyClick(window->scrollBar(), Qt::Key_Left);
  QTest::keyClick(window->scrollBar(), Qt::Key_Left);
  EXPECT_EQ(app.selEnd, view::columnToFrame(app, pane, pane.left + 299));
  EXPECT_EQ(app.scrollPos, pos);
  // A character on the focused scroll bar is not the window's.
  QTest::keyClick(window->scrollBar(), Qt::Key_X);
  EXPECT_EQ(app.selEnd, view::columnToFrame(app, pane, pane.left + 299));
  // The whole track fits, so the bar has no range; its arrows still count.
  ASSERT_EQ(window->scrollBar()->maximum(), 0);
  QScrollBar* bar = window->scrollBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
  EXPECT_EQ(app.selEnd, view::columnToFrame(app, pane, pane.left + 300));
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(2, bar->height() / 2));
  EXPECT_EQ(app.selEnd, view::columnToFrame(app, pane, pane.left + 299));
}

}  // namespace
}  // namespace qttest
