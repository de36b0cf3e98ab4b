// Stop while the follow step scrolls, zoom and resize while the loop plays:
// round after round on a fast virtual device. The window's thread waits for
// the audio path (Stop joins it) and the audio path never waits for the
// window's thread, so no round may hang (a hang: the test's timeout).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "app/app_constants.h"
#include "app/main_window.h"
#include "state/app_state.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_shell.h"
#include "win32_test_helpers.h"

namespace {

using state::TransportMode;
using namespace win32test;

// Rounds of the run; CANTORA_STRESS_ROUNDS changes it.
constexpr int DEFAULT_ROUNDS = 1000;
// Zoom steps in before the rounds: a page is then a few blocks long.
constexpr int CLOSE_IN_STEPS = 6;

TEST(Win32Stress, StopZoomAndResizeDuringPlaybackNeverHang) {
  const char* asked = std::getenv("CANTORA_STRESS_ROUNDS");
  const int rounds = asked != nullptr ? std::atoi(asked) : DEFAULT_ROUNDS;
  TempFolder folder;
  const VirtualDeviceSettings settings(
      {{L"pacing", L"fast"}, {L"speed", L"16"}, {L"buffersize", L"256"}, {L"input", L"silence"}});
  const std::filesystem::path wav = folder.path() / L"phrase.wav";
  ASSERT_TRUE(writePhrase(wav));

  static state::AppState app;
  const std::unique_ptr<ui::Win32Shell> opened = openWindow(app);
  ASSERT_TRUE(opened);
  ui::Win32Shell& shell = *opened;
  const HWND window = shell.window();
  // No pause after each button: more rounds in the same time.
  shell.mainWindow().setSettleWait([](std::chrono::milliseconds) {});
  DialogAnswerer answer;
  answer.expect(L"Select ASIO Device...", [](HWND dialog) { press(dialog, IDOK); });
  PostMessageW(window, WM_COMMAND, IDM_SELECT_DEVICE, 0);
  ASSERT_TRUE(pumpUntil([&] { return answer.idle() && app.streamReady; }));
  shell.openFile(reinterpret_cast<const char*>(wav.u8string().c_str()));
  ASSERT_TRUE(pumpUntil([&] { return app.hasTrack() && app.mode == TransportMode::Idle; }));

  const auto click = [window](int id) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  };
  // Close in, so that the follow step scrolls the view within a round.
  for (int i = 0; i < CLOSE_IN_STEPS; ++i) click(app::CMD_ZOOM_IN);
  const SIZE sizes[] = {{904, 520}, {1100, 640}, {800, 460}};
  int scrolled = 0;
  for (int round = 0; round < rounds; ++round) {
    click(app::CMD_LOOP);
    ASSERT_EQ(app.mode, TransportMode::Looping) << "round " << round;
    // Let the follow step run a varying while, zooming and resizing under it.
    pumpUntil([] { return false; }, std::chrono::milliseconds(round % 7));
    if (round % 3 == 0) click(round % 2 == 0 ? app::CMD_ZOOM_IN : view::ID_ZOOM_OUT);
    if (round % 5 == 0) {
      const SIZE s = sizes[(round / 5) % 3];
      SetWindowPos(window, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);
    }
    pumpUntil([] { return false; }, std::chrono::milliseconds(round % 4));
    scrolled += app.scrollPos > 0;
    click(app::CMD_STOP);
    ASSERT_TRUE(pumpUntil([&] { return app.mode == TransportMode::Idle; })) << "round " << round;
  }
  EXPECT_TRUE(answer.answered().size() == 1) << "no message box came up";
  // Under load a round may end before the follow step turns a page; what
  // matters is that Stop met a scrolling view in a good many rounds.
  EXPECT_GT(scrolled, rounds / 20) << "the follow step scrolled in many rounds";
  shell.destroyWindow();
}

}  // namespace
