// The transport buttons' key handler, the quit question and the pitch curve's
// menu item and key of the Windows window, through the messages the system
// sends for them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/main_window.h"
#include "state/app_state.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_shell.h"
#include "view/pitch_overlay.h"
#include "view/track_view.h"
#include "win32_test_helpers.h"

namespace {

using namespace win32test;

class Win32Input : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_ = openWindow(app_);
    ASSERT_TRUE(shell_);
    window_ = shell_->window();
    pumpUntil([] { return false; }, std::chrono::milliseconds(50));
  }
  void TearDown() override { shell_.reset(); }
  HWND button(int index) const { return shell_->control(200 + index); }

  state::AppState app_;
  std::unique_ptr<ui::Win32Shell> shell_;
  HWND window_ = nullptr;
};

TEST_F(Win32Input, TabAndArrowsWalkTheButtonRowAndWrap) {
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

TEST_F(Win32Input, EnterActsLikeAClickAndClosingAsksFirst) {
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

TEST_F(Win32Input, PitchCurveFromTheMenuAndKeyIsTickedAndDrawnOverTheToneOnly) {
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
    RECT r{};
    GetClientRect(window_, &r);
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return grabScreen(r);
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
    for (int x = pane.left; x < pane.right; ++x)
      differing +=
          !view.cursorStripA.contains(x, y) && hidden[static_cast<std::size_t>(y) * width + x] !=
                                                   plain[static_cast<std::size_t>(y) * width + x];
  EXPECT_EQ(differing, 0);
}

}  // namespace
