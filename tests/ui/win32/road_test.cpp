// The whole road in the Windows window under Wine, driven by messages as a
// user's clicks and keys arrive: the virtual device chosen in its dialog, a
// WAV opened through the Open dialog, a selection dragged, the readout and
// the Tuning dialog from a right click in pane B, Save as under a name without
// a dot, the selection played to the device's capture, Undo Tuning by key and
// a recording. The files are checked against the tuning run on its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <thread>

#include "app/app_constants.h"
#include "app/main_window.h"
#include "app/readout_display.h"
#include "audiofile/track_loader.h"
#include "host/hostkit_testing.h"
#include "state/app_state.h"
#include "tuning/tune_selection.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_shell.h"
#include "view/track_view.h"
#include "win32_test_helpers.h"

namespace {

using state::TransportMode;
using namespace win32test;

LPARAM at(int x, int y) {
  return MAKELPARAM(x, y);
}

// Moves the mouse to client point (x, y) of `window`, with `buttons` events.
void mouseAt(HWND window, int x, int y, DWORD buttons) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = buttons;
  if (buttons != 0) SendInput(1, &input, sizeof(input));
  std::this_thread::sleep_for(std::chrono::milliseconds(15));
}

// Pixels of `colour` on the window (not the image) inside `area`.
int pixelsOnWindow(HWND window, const state::Rect& area, std::uint32_t colour) {
  const COLORREF wanted = RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
  const HDC dc = GetDC(window);
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) count += GetPixel(dc, x, y) == wanted;
  ReleaseDC(window, dc);
  return count;
}

TEST(Win32Road, DeviceOpenSelectTuneUndoSavePlayAndRecord) {
  TempFolder folder;
  const std::filesystem::path capture = folder.path() / L"played.wav";
  const VirtualDeviceSettings settings({{L"pacing", L"fast"},
                                        {L"speed", L"8"},
                                        {L"sampletype", L"16"},
                                        {L"input", L"silence"},
                                        {L"capture", capture.wstring()}});
  const std::filesystem::path wav = folder.path() / L"phräse.wav";
  ASSERT_TRUE(writePhrase(wav));

  static state::AppState app;
  const std::unique_ptr<ui::Win32Shell> opened = openWindow(app);
  ASSERT_TRUE(opened);
  ui::Win32Shell& shell = *opened;
  const HWND window = shell.window();
  DialogAnswerer answer;
  const auto command = [window](int id) { PostMessageW(window, WM_COMMAND, id, 0); };

  // The device dialog lists the registered virtual device.
  LRESULT listed = 0;
  answer.expect(L"Select ASIO Device...", [&](HWND dialog) {
    listed =
        SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(L"Virtual Audio Device"));
    SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, CB_SETCURSEL, listed, 0);
    press(dialog, IDOK);
  });
  command(IDM_SELECT_DEVICE);
  ASSERT_TRUE(pumpUntil([&] { return answer.idle() && app.streamReady; }));
  EXPECT_GE(listed, 0);

  answer.expect(L"Load track...", [&](HWND dialog) { chooseFile(dialog, wav.wstring()); });
  command(IDM_OPEN);
  ASSERT_TRUE(pumpUntil([&] { return app.hasTrack() && app.mode == TransportMode::Idle; }));
  ASSERT_TRUE(app.stereo);
  // The window shows the off-screen image as it is, but for the play cursor
  // at the start, drawn on the window only, and the child controls.
  pumpUntil([] { return false; }, std::chrono::milliseconds(200));
  {
    const view::TrackView& view = shell.mainWindow().trackView();
    const std::vector<std::uint32_t> shown = grabClient(window, "win32-window.png");
    const auto covered = [&](int x, int y) {
      if (view.cursorStripA.contains(x, y) || view.cursorStripB.contains(x, y) ||
          view.geometry.scrollBar.contains(x, y))
        return true;
      for (const state::Rect& b : view.geometry.buttons)
        if (b.contains(x, y)) return true;
      return false;
    };
    int mismatches = 0;
    for (int yy = 0; yy < view.image.height(); ++yy)
      for (int xx = 0; xx < view.image.width(); ++xx)
        if (!covered(xx, yy))
          mismatches += shown[static_cast<std::size_t>(yy) * view.image.width() + xx] !=
                        view.image.pixel(xx, yy);
    EXPECT_EQ(mismatches, 0);
  }
  const std::vector<std::int16_t> original(app.samples.get(),
                                           app.samples.get() + 2 * app.frameCount);

  // A drag over the middle of pane A, as the mouse makes it (the system's
  // drag detection reads the mouse itself).
  const view::Layout& g = shell.mainWindow().trackView().geometry;
  const int y = (g.paneA.top + g.paneA.bottom) / 2;
  const int from = g.paneA.left + g.paneA.width() * 3 / 10;
  const int to = g.paneA.left + g.paneA.width() * 6 / 10;
  SetForegroundWindow(window);
  // From a second thread: the press runs the drag detection on this one,
  // which waits for the moves.
  std::thread hand([&] {
    mouseAt(window, from, y, 0);
    mouseAt(window, from, y, MOUSEEVENTF_LEFTDOWN);
    for (int x = from; x <= to; x += 20) mouseAt(window, x, y, 0);
    mouseAt(window, to, y, MOUSEEVENTF_LEFTUP);
  });
  const bool dragged = pumpUntil([&] { return app.selActive && !app.dragging; });
  hand.join();
  ASSERT_TRUE(dragged);
  const tuning::TrackRegion region{app.selStart, app.selEnd, 2};
  ASSERT_GT(region.selEnd - region.selStart, 44100);

  // The same tuning run on its own, over a copy of the track.
  tuning::EngineParams params;
  params.noteEnabled[0] = params.noteEnabled[7] = true;  // A and E
  params.grace = 40.0f;
  std::vector<std::int16_t> expected = original;
  ASSERT_EQ(tuning::TuneSelection(params, {expected.data(), 2, app.frameCount}, region).status,
            tuning::TuneStatus::Tuned);
  ASSERT_NE(expected, original);

  // A right click in pane B: the readout is on the window while the Tuning
  // dialog is open; A and E checked, OK.
  int readoutPixels = 0;
  answer.expect(L"Tuning...", [&](HWND dialog) {
    readoutPixels = pixelsOnWindow(window, app.readout[1].rect, app::READOUT_TEXT_COLOUR);
    RECT both{}, box{};
    GetWindowRect(window, &both);
    GetWindowRect(dialog, &box);
    UnionRect(&both, &both, &box);
    writePng(besideTest("win32-tuning.png"), grabScreen(both), both.right - both.left,
             both.bottom - both.top);
    SendDlgItemMessageW(dialog, IDC_NOTE_A, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageW(dialog, IDC_NOTE_E, BM_SETCHECK, BST_CHECKED, 0);
    press(dialog, IDOK);
  });
  PostMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, at((from + to) / 2, g.paneB.top + 20));
  ASSERT_TRUE(pumpUntil([&] { return answer.idle() && app.mode == TransportMode::Idle; }));
  const auto track = [&] {
    return std::vector<std::int16_t>(app.samples.get(), app.samples.get() + 2 * app.frameCount);
  };
  EXPECT_GT(readoutPixels, 0) << "the readout's text in pane B";
  EXPECT_EQ(track(), expected);
  const HMENU menu = GetMenu(window);
  EXPECT_EQ(GetMenuState(menu, IDM_UNDO_TUNING, MF_BYCOMMAND) & MF_GRAYED, 0u);

  // Save as "saved" (no dot): "saved.wav" holds the selection, both channels.
  answer.expect(L"Save As",
                [&](HWND dialog) { chooseFile(dialog, (folder.path() / L"saved").wstring()); });
  command(IDM_SAVE_AS);
  const std::filesystem::path saved = folder.path() / L"saved.wav";
  ASSERT_TRUE(pumpUntil([&] {
    return answer.idle() && app.mode == TransportMode::Idle && std::filesystem::exists(saved);
  }));
  audiofile::LoadedTrack reread;
  ASSERT_EQ(audiofile::loadTrack(reinterpret_cast<const char*>(saved.u8string().c_str()), reread),
            audiofile::LoadStatus::Loaded);
  const std::size_t selected = static_cast<std::size_t>(region.selEnd - region.selStart);
  ASSERT_GE(reread.frameCount, selected);
  EXPECT_TRUE(std::equal(expected.begin() + 2 * region.selStart,
                         expected.begin() + 2 * region.selEnd, reread.samples.get()));

  // Play the selection to the device's capture; "u" on the window undoes;
  // then record a moment.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(app::CMD_PLAY, BN_CLICKED), 0);
  ASSERT_TRUE(pumpUntil([&] { return app.mode == TransportMode::Playing; }));
  ASSERT_TRUE(pumpUntil([&] { return app.mode == TransportMode::Idle; }));
  PostMessageW(window, WM_CHAR, 'u', 0);
  ASSERT_TRUE(pumpUntil([&] { return track() == original; }));
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(app::CMD_RECORD, BN_CLICKED), 0);
  ASSERT_TRUE(pumpUntil([&] { return app.mode == TransportMode::Recording; }));
  pumpUntil([] { return false; }, std::chrono::milliseconds(300));
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(app::CMD_STOP, BN_CLICKED), 0);
  ASSERT_TRUE(pumpUntil([&] { return app.mode == TransportMode::Idle && app.hasTrack(); }));
  EXPECT_TRUE(app.stereo);
  EXPECT_TRUE(std::all_of(app.samples.get(), app.samples.get() + 2 * app.frameCount,
                          [](std::int16_t s) { return s == 0; }))
      << "the device's silent inputs";

  shell.destroyWindow();  // closes the device, which completes the capture
  host::resetHostForTesting();
  audiofile::LoadedTrack heard;
  ASSERT_EQ(audiofile::loadTrack(reinterpret_cast<const char*>(capture.u8string().c_str()), heard),
            audiofile::LoadStatus::Loaded);
  bool found = false;
  for (std::uint32_t start = 0; !found && start + selected <= heard.frameCount; ++start)
    found = std::equal(expected.begin() + 2 * region.selStart, expected.begin() + 2 * region.selEnd,
                       heard.samples.get() + 2 * start);
  EXPECT_TRUE(found) << "the tuned selection was played";
}

}  // namespace
