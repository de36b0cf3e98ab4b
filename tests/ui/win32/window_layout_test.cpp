// The Windows window's child controls sit where the layout put them (its
// formulas: the view's layout test; the same rectangles in the Qt window:
// scripts/test-windows), at the smallest window and at larger ones, and the
// window cannot be dragged smaller than its minimum or resized while busy.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "app/main_window.h"
#include "state/app_state.h"
#include "ui/win32/win32_shell.h"
#include "view/track_view.h"
#include "win32_test_helpers.h"

namespace {

using state::Rect;

Rect childRect(HWND parent, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return Rect{r.left, r.top, r.right, r.bottom};
}

void pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_ = win32test::openWindow(app_);
    ASSERT_TRUE(shell_);
    pump();
  }
  void TearDown() override {
    shell_.reset();
    pump();
  }
  state::AppState app_;
  std::unique_ptr<ui::Win32Shell> shell_;
};

TEST_F(Win32Window, ControlsSitWhereTheLayoutPutsThemAtEverySize) {
  const struct { int width, height; } sizes[] = {{682, 384}, {904, 520}, {1800, 752}};
  // What was measured, for scripts/test-windows to hold against the Qt
  // window at the same client sizes: "W H name left top right bottom".
  std::ofstream measured(win32test::besideTest("win32-layout.txt"));
  const auto note = [&measured](const RECT& client, const char* name, const Rect& r) {
    measured << client.right << ' ' << client.bottom << ' ' << name << ' ' << r.left << ' ' << r.top
             << ' ' << r.right << ' ' << r.bottom << '\n';
  };
  for (const auto& size : sizes) {
    SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
    const HWND window = shell_->window();
    SetWindowPos(window, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    ASSERT_EQ(outer.right - outer.left, size.width);
    ASSERT_EQ(outer.bottom - outer.top, size.height);
    const view::TrackView& view = shell_->mainWindow().trackView();
    EXPECT_EQ(view.image.width(), client.right);
    EXPECT_EQ(view.image.height(), client.bottom);
    EXPECT_EQ(app_.layoutWidth, size.width);
    EXPECT_EQ(app_.layoutHeight, size.height);
    note(client, "paneA", view.geometry.paneA);
    note(client, "paneB", view.geometry.paneB);
    note(client, "scrollBar", childRect(window, shell_->control(view::SCROLL_BAR_ID)));
    EXPECT_EQ(childRect(window, shell_->control(view::SCROLL_BAR_ID)), view.geometry.scrollBar);
    for (int i = 0; i < 7; ++i) {
      const HWND button = shell_->control(200 + i);
      const Rect r = childRect(window, button);
      EXPECT_EQ(r, view.geometry.buttons[i]) << "button " << 200 + i;
      note(client, ("button" + std::to_string(200 + i)).c_str(), r);
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
          << "button " << 200 + i << " leaves the client area";
      EXPECT_TRUE(IsWindowVisible(button));
      EXPECT_EQ(GetDlgCtrlID(button), 200 + i);
    }
  }
}

TEST_F(Win32Window, TrackingLimitsAreTheMinimumOrTheFrozenLayoutSize) {
  const HWND window = shell_->window();
  const auto limits = [window] {
    MINMAXINFO info{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info;
  };
  MINMAXINFO idle = limits();
  EXPECT_GE(idle.ptMinTrackSize.x, 682);
  EXPECT_GE(idle.ptMinTrackSize.y, 384);

  // Busy (a worker or a tuning): the window keeps the size it has.
  app_.mode = state::TransportMode::Busy;
  shell_->mainWindow().refreshSizeLimits();
  MINMAXINFO busy = limits();
  EXPECT_EQ(busy.ptMinTrackSize.x, app_.layoutWidth);
  EXPECT_EQ(busy.ptMaxTrackSize.x, app_.layoutWidth);
  EXPECT_EQ(busy.ptMaxTrackSize.y, app_.layoutHeight);
  EXPECT_EQ(busy.ptMaxSize.y, app_.layoutHeight);
  app_.mode = state::TransportMode::Idle;
  shell_->mainWindow().refreshSizeLimits();
}

}  // namespace
