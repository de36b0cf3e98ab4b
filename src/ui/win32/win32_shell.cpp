#include "win32_shell.h"

#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "app/app_constants.h"
#include "app/main_window.h"
#include "app/view_lock.h"
#include "dialogs.h"
#include "file_dialogs.h"
#include "resource_ids.h"
#include "view/track_view.h"
#include "win32_text.h"

namespace ui {

namespace {

// The menu's items are the application's commands.
static_assert(IDM_OPEN == app::CMD_OPEN && IDM_SAVE_AS == app::CMD_SAVE_AS &&
              IDM_UNDO_TUNING == app::CMD_UNDO_TUNING && IDM_PITCH_CURVE == app::CMD_PITCH_CURVE &&
              IDM_ABOUT == app::CMD_ABOUT && IDM_EXIT == app::CMD_EXIT &&
              IDM_SELECT_DEVICE == app::CMD_SELECT_DEVICE);

// Messages of the window's own: the queued work from other threads, and the
// host's request to reset the driver (posted by the host as 0x800A).
constexpr UINT WM_APP_RUN_QUEUED = WM_APP + 1;
constexpr UINT WM_APP_DRIVER_RESET = WM_APP + 10;

constexpr DWORD WINDOW_STYLE = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// Extended styles of the scroll bar and the buttons as the window has always
// made them.
constexpr DWORD SCROLL_BAR_EX_STYLE = 2;
constexpr DWORD BUTTON_EX_STYLE = 8;
constexpr DWORD SCROLL_BAR_STYLE = WS_CHILD | WS_VISIBLE;
constexpr DWORD BUTTON_STYLE = WS_CHILD | WS_TABSTOP;
// Buffers the title and the class name are loaded into.
constexpr int NAME_CHARS = 100;

// A repaint that found viewMutex held is tried again after this.
constexpr UINT_PTR PAINT_RETRY_TIMER = 1;
constexpr UINT PAINT_RETRY_MS = 5;
// How often a worker waiting for the window checks that the window still exists.
constexpr auto WORKER_WAIT_STEP = std::chrono::milliseconds(50);

// The play cursor's pen is 2 pixels wide, centred on its column.
constexpr int CURSOR_WIDTH = 2;

std::wstring loadString(HINSTANCE instance, UINT id) {
  wchar_t buffer[NAME_CHARS] = {};
  LoadStringW(instance, id, buffer, NAME_CHARS);
  return buffer;
}

COLORREF colourRef(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

RECT toRECT(const app::Rect& r) {
  return RECT{r.left, r.top, r.right, r.bottom};
}

UINT iconStyle(app::MessageIcon icon) {
  switch (icon) {
    case app::MessageIcon::Exclamation:
      return MB_ICONEXCLAMATION;
    case app::MessageIcon::Error:
      return MB_ICONERROR;
    case app::MessageIcon::Question:
      return MB_ICONQUESTION;
    case app::MessageIcon::Information:
      return MB_ICONINFORMATION;
  }
  return 0;
}

app::ButtonKey buttonKeyOf(WPARAM key) {
  switch (key) {
    case VK_TAB:
      return app::ButtonKey::Tab;
    case VK_RIGHT:
      return app::ButtonKey::Right;
    case VK_LEFT:
      return app::ButtonKey::Left;
    default:
      return app::ButtonKey::Other;
  }
}

app::ScrollRequest scrollRequestOf(WORD code) {
  switch (code) {
    case SB_LINELEFT:
      return app::ScrollRequest::LineLeft;
    case SB_LINERIGHT:
      return app::ScrollRequest::LineRight;
    case SB_PAGELEFT:
      return app::ScrollRequest::PageLeft;
    case SB_PAGERIGHT:
      return app::ScrollRequest::PageRight;
    case SB_THUMBTRACK:
      return app::ScrollRequest::ThumbTrack;
    default:
      return app::ScrollRequest::Other;
  }
}

void addToRect(RECT& sum, const RECT& more) {
  if (IsRectEmpty(&sum)) {
    sum = more;
  } else {
    UnionRect(&sum, &sum, &more);
  }
}

}  // namespace

bool Win32Shell::registerClass(HINSTANCE instance) {
  static const std::wstring className = loadString(instance, IDS_CLASS_NAME);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LARGE));
  wc.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the standard arrow
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszMenuName = MAKEINTRESOURCEW(IDM_MAIN);
  wc.lpszClassName = className.c_str();
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

Win32Shell::Win32Shell(state::AppState& app, HINSTANCE instance)
    : app_(app), instance_(instance), uiThread_(GetCurrentThreadId()) {
  main_ = std::make_unique<app::MainWindow>(app_, *this);
  textFont_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

Win32Shell::~Win32Shell() {
  // A window still open (a test ending) is torn down in order all the same.
  if (window_ != nullptr && !destroyed_) DestroyWindow(window_);
}

bool Win32Shell::start(int showCommand) {
  const app::WindowPlacement place = app::MainWindow::initialPlacement(desktopSize());
  const std::wstring title = loadString(instance_, IDS_TITLE);
  const std::wstring className = loadString(instance_, IDS_CLASS_NAME);
  // The class's menu; the window procedure learns `this` at WM_NCCREATE.
  window_ = CreateWindowExW(0, className.c_str(), title.c_str(), WINDOW_STYLE, place.x, place.y,
                            place.width, place.height, nullptr, nullptr, instance_, this);
  if (window_ == nullptr) return false;
  created_ = true;
  if (!main_->onCreate()) {
    created_ = false;
    DestroyWindow(window_);
    return false;
  }
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  return true;
}

HWND Win32Shell::control(int id) const {
  if (id == view::SCROLL_BAR_ID) return scroll_;
  const int index = id - view::BUTTON_ID_FIRST;
  if (index < 0 || index >= view::BUTTON_COUNT) return nullptr;
  return buttons_[index];
}

void Win32Shell::createControls() {
  scroll_ = CreateWindowExW(SCROLL_BAR_EX_STYLE, L"ScrollBar", L"", SCROLL_BAR_STYLE | SBS_HORZ, 0,
                            0, 0, view::SCROLL_BAR_HEIGHT, window_, nullptr, instance_, nullptr);
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  SetScrollInfo(scroll_, SB_CTL, &info, TRUE);
  EnableWindow(scroll_, FALSE);
  for (int i = 0; i < view::BUTTON_COUNT; ++i) {
    const DWORD style = BUTTON_STYLE | (i == 0 ? WS_GROUP : 0);
    buttons_[i] =
        CreateWindowExW(BUTTON_EX_STYLE, L"BUTTON", wide(view::BUTTON_TEXTS[i]).c_str(), style, 0,
                        0, view::BUTTON_WIDTH, view::BUTTON_HEIGHT, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(view::BUTTON_ID_FIRST + i)),
                        instance_, nullptr);
    SendMessageW(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(textFont_), FALSE);
    ShowWindow(buttons_[i], SW_SHOWNORMAL);
  }
  // Every button gets the key handler; the class's own procedure (taken from
  // the first) handles what the handler leaves.
  buttonClassProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(buttons_[0], GWLP_WNDPROC));
  for (HWND b : buttons_)
    SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Shell::buttonProc));
}

// --- the window procedure ---

LRESULT CALLBACK Win32Shell::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* shell = static_cast<Win32Shell*>(create->lpCreateParams);
    shell->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(shell));
  }
  auto* shell = reinterpret_cast<Win32Shell*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (shell == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return shell->onMessage(message, wParam, lParam);
}

LRESULT Win32Shell::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool live = created_ && !destroyed_;
  switch (message) {
    case WM_CREATE:
      createControls();
      queue_.attach(window_, WM_APP_RUN_QUEUED);
      return 0;
    case WM_DESTROY:
      teardown();
      return 0;
    case WM_SIZE:
      if (live && (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED))
        main_->onSize(app::Size{LOWORD(lParam), HIWORD(lParam)});
      return 0;
    case WM_SETFOCUS:
      return 0;
    case WM_PAINT:
      paint();
      return 0;
    case WM_TIMER:
      if (wParam == PAINT_RETRY_TIMER) {
        KillTimer(window_, PAINT_RETRY_TIMER);
        InvalidateRect(window_, &paintRetry_, FALSE);
        paintRetry_ = RECT{};
      }
      return 0;
    case WM_CLOSE:
      if (live) main_->onClose();
      return 0;
    case WM_GETMINMAXINFO:
      onMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_CHAR:
      if (live && wParam < 0x80) main_->onChar(static_cast<char>(wParam));
      return 0;
    case WM_HSCROLL:
      if (live) onHScroll(wParam);
      return 0;
    case WM_MOUSEMOVE:
      if (live) main_->onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      if (live) onLeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == window_) ReleaseCapture();
      if (live) main_->onLeftButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_RBUTTONDOWN:
      if (live) main_->onRightButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_COMMAND:
      // Menu items and accelerators (codes 0 and 1) and the buttons' clicks
      // (BN_CLICKED, 0); other notifications are not commands.
      if (live && HIWORD(wParam) <= 1) main_->onCommand(LOWORD(wParam));
      return 0;
    case WM_APP_DRIVER_RESET:
      if (live) main_->onDriverReset();
      return 0;
    case WM_APP_RUN_QUEUED:
      queue_.runPending();
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void Win32Shell::onMinMaxInfo(MINMAXINFO& info) const {
  info.ptMinTrackSize.x = std::max<LONG>(info.ptMinTrackSize.x, minOuter_.width);
  info.ptMinTrackSize.y = std::max<LONG>(info.ptMinTrackSize.y, minOuter_.height);
  if (maxOuter_) {
    // Recording or busy: the window keeps its size.
    info.ptMaxSize = POINT{maxOuter_->width, maxOuter_->height};
    info.ptMaxTrackSize = info.ptMaxSize;
  }
}

void Win32Shell::onHScroll(WPARAM wParam) {
  const app::ScrollRequest request = scrollRequestOf(LOWORD(wParam));
  int trackPos = 0;
  if (request == app::ScrollRequest::ThumbTrack) {
    // The 32-bit track position, not the 16 bits of the message.
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(scroll_, SB_CTL, &info);
    trackPos = info.nTrackPos;
  }
  main_->onHScroll(request, trackPos);
}

void Win32Shell::onLeftButtonDown(int x, int y) {
  if (!main_->onLeftButtonDown(x, y)) return;
  POINT at{x, y};
  ClientToScreen(window_, &at);
  if (DragDetect(window_, at)) {
    SetCapture(window_);
    main_->onDragDetected();
  }
}

void Win32Shell::paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(window_, &ps);
  // The UI thread never waits for viewMutex (the follow step or a re-layout
  // may hold it): a held lock means "paint this part again shortly", and the
  // old picture stays meanwhile. When this thread holds it itself (a zoom
  // updating the window), the image is its own to read.
  const bool ours = app::ViewLock::heldByThisThread();
  std::optional<app::ViewLock> lock;
  if (!ours && created_ && !destroyed_) lock.emplace(app::ViewLock::tryTake(app_.viewMutex));
  if (ours || (lock && *lock)) {
    const view::Image& image = main_->trackView().image;
    if (image.valid()) dib_.paint(dc, ps.rcPaint, image.data(), image.width(), image.height());
    // Beyond the image (before the first layout, or while a resize waits for
    // its re-layout) the window shows its class background.
    const int w = image.valid() ? image.width() : 0;
    const int h = image.valid() ? image.height() : 0;
    const HBRUSH background = GetSysColorBrush(COLOR_WINDOW);
    if (ps.rcPaint.right > w) {
      const RECT right{std::max<LONG>(ps.rcPaint.left, w), ps.rcPaint.top, ps.rcPaint.right,
                       ps.rcPaint.bottom};
      FillRect(dc, &right, background);
    }
    if (ps.rcPaint.bottom > h) {
      const RECT below{ps.rcPaint.left, std::max<LONG>(ps.rcPaint.top, h), ps.rcPaint.right,
                       ps.rcPaint.bottom};
      FillRect(dc, &below, background);
    }
  } else if (lock) {
    addToRect(paintRetry_, ps.rcPaint);
    SetTimer(window_, PAINT_RETRY_TIMER, PAINT_RETRY_MS, nullptr);
  }
  EndPaint(window_, &ps);
}

void Win32Shell::teardown() {
  destroyed_ = true;
  queue_.detach();
  KillTimer(window_, PAINT_RETRY_TIMER);
  if (GetCapture() == window_) ReleaseCapture();
  if (created_) main_->onDestroy();
  dib_.free();
  if (quitOnDestroy_) PostQuitMessage(0);
}

// --- the transport buttons' key handler ---

LRESULT CALLBACK Win32Shell::buttonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* shell = reinterpret_cast<Win32Shell*>(GetWindowLongPtrW(GetParent(button), GWLP_USERDATA));
  return shell->onButtonMessage(button, message, wParam, lParam);
}

LRESULT Win32Shell::onButtonMessage(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  if (created_ && !destroyed_) {
    const int index = GetDlgCtrlID(button) - view::BUTTON_ID_FIRST;
    if (message == WM_KEYDOWN) {
      // Tab and the arrows move the focus along the row; the key still goes on.
      const app::ButtonKey key = buttonKeyOf(wParam);
      if (key != app::ButtonKey::Other) main_->onButtonKey(index, key, 0);
    } else if (message == WM_CHAR) {
      if (wParam == VK_RETURN) {
        main_->onButtonKey(index, app::ButtonKey::Enter, '\r');
        return 0;
      }
      if (wParam < 0x80 &&
          main_->onButtonKey(index, app::ButtonKey::Other, static_cast<char>(wParam)))
        return 0;
    }
  }
  return CallWindowProcW(buttonClassProc_, button, message, wParam, lParam);
}

// --- threads ---

bool Win32Shell::onUiThreadNow() const {
  return GetCurrentThreadId() == uiThread_;
}

template <class Work>
void Win32Shell::onUiThread(Work&& work) {
  if (onUiThreadNow()) {
    work();
  } else {
    queue_.post(std::forward<Work>(work));
  }
}

template <class Result, class Work>
Result Win32Shell::blockingOnUiThread(Work&& work, Result fallback) {
  if (onUiThreadNow()) return work();
  struct Call {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<Result> result;
  };
  auto call = std::make_shared<Call>();
  queue_.post([call, work = std::forward<Work>(work)]() mutable {
    Result r = work();
    const std::lock_guard<std::mutex> lock(call->mutex);
    call->result = std::move(r);
    call->finished = true;
    call->done.notify_all();
  });
  // A window that goes away first drops the call: the worker is released
  // with the fallback.
  std::unique_lock<std::mutex> lock(call->mutex);
  while (!call->finished && !destroyed_) call->done.wait_for(lock, WORKER_WAIT_STEP);
  return call->finished ? std::move(*call->result) : fallback;
}

// --- message boxes ---

app::MessageResult Win32Shell::messageBox(std::string_view text, std::string_view caption,
                                          app::MessageIcon icon, app::MessageButtons buttons,
                                          bool owned) {
  const UINT type =
      iconStyle(icon) | (buttons == app::MessageButtons::OkCancel ? MB_OKCANCEL : MB_OK);
  const int answer = MessageBoxW(owned && !destroyed_ ? window_ : nullptr, wide(text).c_str(),
                                 wide(caption).c_str(), type);
  return answer == IDCANCEL ? app::MessageResult::Cancel : app::MessageResult::Ok;
}

app::MessageResult Win32Shell::messageBoxFromWorker(std::string_view text, std::string_view caption,
                                                    app::MessageIcon icon,
                                                    app::MessageButtons buttons) {
  // The views die with the worker's call; the UI thread gets copies.
  return blockingOnUiThread([this, t = std::string(text), c = std::string(caption), icon,
                             buttons] { return messageBox(t, c, icon, buttons, true); },
                            app::MessageResult::Cancel);
}

// --- transport buttons ---

void Win32Shell::enableButton(int id, bool enabled) {
  onUiThread([this, id, enabled] {
    if (HWND b = control(id)) EnableWindow(b, enabled ? TRUE : FALSE);
  });
}

void Win32Shell::setButtonText(int id, std::string_view text) {
  onUiThread([this, id, t = wide(text)] {
    if (HWND b = control(id)) SetWindowTextW(b, t.c_str());
  });
}

void Win32Shell::focusButton(int id) {
  onUiThread([this, id] {
    if (HWND b = control(id)) SetFocus(b);
  });
}

// --- scroll bar ---

void Win32Shell::setScrollBar(int max, int page, int pos) {
  // From the follow step too: SetScrollInfo on another thread's control waits
  // for that thread, so it always runs on the window's thread.
  onUiThread([this, max, page, pos] {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    // The bar's last position is nMax - nPage + 1: the application's max.
    info.nPage = static_cast<UINT>(std::max(0, page));
    info.nMax = std::max(0, max) + std::max(1, page) - 1;
    info.nPos = std::clamp(pos, 0, std::max(0, max));
    SetScrollInfo(scroll_, SB_CTL, &info, TRUE);
  });
}

void Win32Shell::enableScrollBar(bool enabled) {
  onUiThread([this, enabled] { EnableWindow(scroll_, enabled ? TRUE : FALSE); });
}

void Win32Shell::focusScrollBar() {
  onUiThread([this] { SetFocus(scroll_); });
}

// --- menu ---

void Win32Shell::enableUndoTuning(bool enabled) {
  onUiThread([this, enabled] {
    EnableMenuItem(GetMenu(window_), IDM_UNDO_TUNING,
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(window_);
  });
}

void Win32Shell::checkPitchCurve(bool checked) {
  onUiThread([this, checked] {
    CheckMenuItem(GetMenu(window_), IDM_PITCH_CURVE,
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  });
}

// --- geometry (the rectangles are read without messages: any thread) ---

app::Size Win32Shell::desktopSize() {
  RECT r{};
  GetClientRect(GetDesktopWindow(), &r);
  return app::Size{r.right - r.left, r.bottom - r.top};
}

app::Size Win32Shell::clientSize() {
  RECT r{};
  if (window_ != nullptr) GetClientRect(window_, &r);
  return app::Size{r.right - r.left, r.bottom - r.top};
}

app::Size Win32Shell::outerSize() {
  RECT r{};
  if (window_ != nullptr) GetWindowRect(window_, &r);
  return app::Size{r.right - r.left, r.bottom - r.top};
}

void Win32Shell::placeControl(int id, const app::Rect& rect) {
  onUiThread([this, id, rect] {
    if (HWND c = control(id))
      SetWindowPos(c, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  });
}

void Win32Shell::setSizeLimits(app::Size minimum, std::optional<app::Size> maximum) {
  // Read by WM_GETMINMAXINFO when the user next sizes the window.
  onUiThread([this, minimum, maximum] {
    minOuter_ = minimum;
    maxOuter_ = maximum;
  });
}

// --- text and drawings on the window ---

app::Size Win32Shell::measureText(std::string_view text) {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, textFont_);
  const std::wstring t = wide(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return app::Size{size.cx, size.cy};
}

void Win32Shell::drawText(std::string_view text, const app::Rect& area, std::uint32_t textColour,
                          std::uint32_t backgroundColour) {
  onUiThread([this, t = wide(text), area, textColour, backgroundColour] {
    const HDC dc = GetDC(window_);
    const HGDIOBJ old = SelectObject(dc, textFont_);
    SetTextColor(dc, colourRef(textColour));
    SetBkColor(dc, colourRef(backgroundColour));
    const RECT r = toRECT(area);
    ExtTextOutW(dc, r.left, r.top, ETO_OPAQUE | ETO_CLIPPED, &r, t.c_str(),
                static_cast<UINT>(t.size()), nullptr);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
  });
}

void Win32Shell::fillOnWindow(const RECT& area, std::uint32_t colour) {
  const HDC dc = GetDC(window_);
  SetDCBrushColor(dc, colourRef(colour));
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  ReleaseDC(window_, dc);
}

void Win32Shell::invalidate(const app::Rect& area) {
  onUiThread([this, area] {
    const RECT r = toRECT(area);
    InvalidateRect(window_, &r, FALSE);
  });
}

void Win32Shell::updateWindow() {
  onUiThread([this] { UpdateWindow(window_); });
}

void Win32Shell::drawCursorLine(int x, int top, int bottom) {
  // The 2-pixel pen centred on column x covers x - 1 and x: the strip the
  // track view repaints to erase it.
  onUiThread([this, x, top, bottom] {
    fillOnWindow(RECT{x - CURSOR_WIDTH / 2, top, x - CURSOR_WIDTH / 2 + CURSOR_WIDTH, bottom},
                 view::COLOUR_BLACK);
  });
}

void Win32Shell::drawLiveLine(int x, int top, int bottom) {
  onUiThread([this, x, top, bottom] {
    fillOnWindow(RECT{x, top, x + 1, bottom}, view::COLOUR_WAVE);
  });
}

void Win32Shell::drawLivePoint(int x, int y) {
  onUiThread([this, x, y] { fillOnWindow(RECT{x, y, x + 1, y + 1}, view::COLOUR_WAVE); });
}

// --- dialogs ---

void Win32Shell::showAbout() {
  runAboutDialog(instance_, window_);
}

std::optional<int> Win32Shell::runDeviceDialog(const std::vector<std::string>& names) {
  return ui::runDeviceDialog(instance_, window_, names);
}

std::optional<std::string> Win32Shell::openFileDialog() {
  return runOpenDialog(window_);
}

std::optional<std::string> Win32Shell::saveFileDialog(std::string_view defaultName) {
  return runSaveDialog(window_, defaultName);
}

std::optional<std::string> Win32Shell::saveFileDialogFromWorker(std::string_view defaultName) {
  return blockingOnUiThread(
      [this, name = std::string(defaultName)] { return saveFileDialog(name); },
      std::optional<std::string>{});
}

int Win32Shell::runTuningDialog(bool onLeft,
                                const std::function<void(const app::TuningChoice&)>& onOk) {
  return ui::runTuningDialog(instance_, window_, onLeft, onOk);
}

// --- messages to the window (any thread) ---

void Win32Shell::openFile(const std::string& path) {
  if (created_ && !destroyed_) main_->openFile(path);
}

void Win32Shell::postCommand(int id) {
  // As a click of the control: BN_CLICKED with the control's window.
  if (destroyed_ || window_ == nullptr) return;
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(control(id)));
}

void Win32Shell::postDriverReset() {
  if (destroyed_ || window_ == nullptr) return;
  PostMessageW(window_, WM_APP_DRIVER_RESET, 0, 0);
}

void Win32Shell::destroyWindow() {
  if (window_ != nullptr && !destroyed_) DestroyWindow(window_);
}

}  // namespace ui
