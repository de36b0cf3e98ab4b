// The transport buttons' key handler and the quit question of the Windows
// window, through the messages the system sends for them.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/main_window.h"
#include "state/app_state.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_shell.h"
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

}  // namespace
