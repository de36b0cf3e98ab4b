// The Windows window through the messages the system sends it: its child
// controls where the layout put them (the layout's formulas: the view's test;
// the same rectangles in the Qt window: scripts/test-windows) at the smallest
// window and larger ones, its size limits, the transport buttons' key
// handler, the quit question, and the pitch curve's menu item and key.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <string>

#include "app/main_window.h"
#include "state/app_state.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_shell.h"
#include "view/pitch_overlay.h"
#include "view/track_view.h"
#include "win32_test_helpers.h"

namespace {

using namespace win32test;
using state::Rect;

Rect childRect(HWND parent, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return Rect{r.left, r.top, r.right, r.bottom};
}

void pump() {
  pumpUntil([] { return false; }, std::chrono::milliseconds(50));
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_ = openWindow(app_);
    ASSERT_TRUE(shell_);
    window_ = shell_->window();
    pump();
  }
  void TearDown() override {
    shell_.reset();
    pump();
  }
  HWND button(int index) const { return shell_->control(200 + index); }

  state::AppState app_;
  std::unique_ptr<ui::Win32Shell> shell_;
  HWND window_ = nullptr;
};

TEST_F(Win32Window, ControlsSitWhereTheLayoutPutsThemAtEverySize) {
  const struct { int width, height; } sizes[] = {{682, 384}, {904, 520}, {1800, 752}};
  // What was measured, for scripts/test-windows to hold against the Qt
  // window at the same client sizes: "W H name left top right bottom".
  std::ofstream measured(besideTest("win32-layout.txt"));
  const auto note = [&measured](const RECT& client, const char* name, const Rect& r) {
    measured << client.right << ' ' << client.bottom << ' ' << name << ' ' << r.left << ' ' << r.top
             << ' ' << r.right << ' ' << r.bottom << '\n';
  };
  for (const auto& size : sizes) {
    SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
    SetWindowPos(window_, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    RECT outer{}, client{};
    GetWindowRect(window_, &outer);
    GetClientRect(window_, &client);
    ASSERT_EQ(outer.right - outer.left, size.width);
    ASSERT_EQ(outer.bottom - outer.top, size.height);
    const view::TrackView& view = shell_->mainWindow().trackView();
    EXPECT_EQ(view.image.width(), client.right);
    EXPECT_EQ(view.image.height(), client.bottom);
    EXPECT_EQ(app_.layoutWidth, size.width);
    EXPECT_EQ(app_.layoutHeight, size.height);
    note(client, "paneA", view.geometry.paneA);
    note(client, "paneB", view.geometry.paneB);
    const Rect bar = childRect(window_, shell_->control(view::SCROLL_BAR_ID));
    note(client, "scrollBar", bar);
    EXPECT_EQ(bar, view.geometry.scrollBar);
    for (int i = 0; i < 7; ++i) {
      const HWND button = shell_->control(200 + i);
      const Rect r = childRect(window_, button);
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
  const auto limits = [this] {
    MINMAXINFO info{};
    SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
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

TEST_F(Win32Window, TabAndArrowsWalkTheButtonRowAndWrap) {
  const struct {
    int from;
    WPARAM key;
    int to;
  } moves[] = {{0, VK_TAB, 1},   {6, VK_TAB, 0},  {3, VK_RIGHT, 4},
               {6, VK_RIGHT, 0}, {4, VK_LEFT, 3}, {0, VK_LEFT, 6}};
  for (const auto& m : moves) {
    app_.focusIndex = static_cast<std::int16_t>(m.from);
    SetFocus(button(m.from));
    SendMessageW(button(m.from), WM_KEYDOWN, m.key, 0);
    EXPECT_EQ(app_.focusIndex, m.to) << m.from << " key " << m.key;
    EXPECT_EQ(GetFocus(), button(m.to)) << m.from << " key " << m.key;
  }
}

TEST_F(Win32Window, EnterActsLikeAClickAndClosingAsksFirst) {
  DialogAnswerer answer;
  // Enter on the focused Play button, with no track: Play's own refusal.
  answer.expect(L"Play button pressed", [](HWND box) { press(box, IDOK); });
  app_.focusIndex = 0;
  SendMessageW(button(0), WM_CHAR, VK_RETURN, 0);
  // The close box asks; Cancel keeps the window, OK closes it.
  answer.expect(L"Cantora", [](HWND box) { press(box, IDCANCEL); });
  SendMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_FALSE(shell_->destroyed());
  answer.expect(L"Cantora", [](HWND box) { press(box, IDOK); });
  SendMessageW(window_, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_TRUE(pumpUntil([&] { return shell_->destroyed(); }));
  EXPECT_FALSE(IsWindow(window_));
  const std::vector<std::wstring> seen = answer.answered();
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"Play button pressed", L"Cantora", L"Cantora"}));
}

TEST_F(Win32Window, PitchCurveFromTheMenuAndKeyIsTickedAndDrawnOverTheToneOnly) {
  // Mono: a second of silence, two of a steady A4 (with harmonics), one of silence.
  TempFolder folder;
  const std::filesystem::path wav = folder.path() / L"tone.wav";
  std::vector<std::int16_t> samples(4 * 44100, 0);
  for (std::size_t i = 44100; i < 3 * 44100; ++i) {
    double v = 0.0;
    for (int k = 1; k <= 4; ++k) v += std::sin(2 * std::numbers::pi * 440.0 * k * i / 44100.0) / k;
    samples[i] = static_cast<std::int16_t>(6000 * v);
  }
  ASSERT_TRUE(writeWav(wav, samples, 1));
  shell_->openFile(reinterpret_cast<const char*>(wav.u8string().c_str()));
  ASSERT_TRUE(
      pumpUntil([&] { return app_.hasTrack() && app_.mode == state::TransportMode::Idle; }));

  // The item sits where the Qt window has it: the second menu, "View".
  const HMENU menu = GetMenu(window_);
  wchar_t text[32] = {};
  GetMenuStringW(menu, 1, text, 32, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&View");
  EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 1), 0), static_cast<UINT>(IDM_PITCH_CURVE));
  const auto ticked = [&] {
    return (GetMenuState(menu, IDM_PITCH_CURVE, MF_BYCOMMAND) & MF_CHECKED) != 0;
  };
  const view::TrackView& view = shell_->mainWindow().trackView();
  const auto screen = [&] {
    pumpUntil([] { return false; }, std::chrono::milliseconds(300));
    return grabClient(window_);
  };
  const int width = view.image.width();
  const state::Rect pane = view.geometry.paneA;
  const std::vector<std::uint32_t> plain = screen();
  EXPECT_FALSE(ticked());

  SendMessageW(window_, WM_COMMAND, IDM_PITCH_CURVE, 0);
  EXPECT_TRUE(ticked());
  ASSERT_TRUE(pumpUntil([&] {
    const std::lock_guard<std::mutex> hold(app_.pitch.lock);
    return app_.mode == state::TransportMode::Idle &&
           !app_.pitch.needsAnalysis(app_.frameCount, app_.channels);
  }));
  const std::vector<std::uint32_t> curve = screen();
  // Over the tone: the curve's colour in every column, on one row band. In the
  // silences: only background turned to grid or names, the waveform untouched.
  int top = pane.bottom, bottom = pane.top;
  for (int x = pane.left; x < pane.right; ++x) {
    const double share = double(x - pane.left) / pane.width();
    const bool tone = share > 0.3 && share < 0.7;
    const bool silent = (share > 0.02 && share < 0.2) || share > 0.8;
    int curveRows = 0, changedWave = 0;
    for (int y = pane.top; y < pane.bottom; ++y) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      if (curve[i] == view::COLOUR_PITCH) {
        ++curveRows;
        if (tone) top = std::min(top, y), bottom = std::max(bottom, y);
      }
      changedWave += curve[i] != plain[i] && plain[i] != view::COLOUR_PANE;
    }
    EXPECT_TRUE(!tone || curveRows > 0) << "column " << x;
    EXPECT_TRUE(!silent || curveRows + changedWave == 0) << "column " << x;
  }
  EXPECT_LE(bottom - top, 4) << "a steady tone's curve is level";

  // The key P hides it again: the plain waveform comes back.
  SendMessageW(window_, WM_CHAR, 'p', 0);
  EXPECT_FALSE(ticked());
  const std::vector<std::uint32_t> hidden = screen();
  int differing = 0;
  for (int y = pane.top; y < pane.bottom; ++y)
    for (int x = pane.left; x < pane.right; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      differing += hidden[i] != plain[i] && !view.cursorStripA.contains(x, y);
    }
  EXPECT_EQ(differing, 0);
}

}  // namespace
