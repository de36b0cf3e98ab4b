// The main window for the allocation sweeps, over the headless Shell with
// the Shell's own allocations left out of the count: it stands in for the
// window system, whose memory is not the program's to fail.
#pragma once

#include <chrono>
#include <functional>

#include "app/main_window.h"
#include "failing_allocator.h"
#include "support/headless_shell.h"

namespace faulttest {

class UncountedShell : public testsupport::HeadlessShell {
  using Base = testsupport::HeadlessShell;

 public:
#define CANTORA_UNCOUNTED(result, name, params, args) \
  result name params override {                       \
    Uncounted uncounted;                              \
    return Base::name args;                           \
  }
  CANTORA_UNCOUNTED(app::MessageResult, messageBox,
                    (std::string_view t, std::string_view c, app::MessageIcon i,
                     app::MessageButtons b, bool o),
                    (t, c, i, b, o))
  CANTORA_UNCOUNTED(app::MessageResult, messageBoxFromWorker,
                    (std::string_view t, std::string_view c, app::MessageIcon i,
                     app::MessageButtons b),
                    (t, c, i, b))
  CANTORA_UNCOUNTED(void, enableButton, (int id, bool on), (id, on))
  CANTORA_UNCOUNTED(void, setButtonText, (int id, std::string_view t), (id, t))
  CANTORA_UNCOUNTED(void, focusButton, (int id), (id))
  CANTORA_UNCOUNTED(void, setScrollBar, (int max, int page, int pos), (max, page, pos))
  CANTORA_UNCOUNTED(void, enableScrollBar, (bool on), (on))
  CANTORA_UNCOUNTED(void, focusScrollBar, (), ())
  CANTORA_UNCOUNTED(void, enableUndoTuning, (bool on), (on))
  CANTORA_UNCOUNTED(void, checkPitchCurve, (bool on), (on))
  CANTORA_UNCOUNTED(app::Size, desktopSize, (), ())
  CANTORA_UNCOUNTED(app::Size, clientSize, (), ())
  CANTORA_UNCOUNTED(app::Size, outerSize, (), ())
  CANTORA_UNCOUNTED(void, placeControl, (int id, const app::Rect& r), (id, r))
  CANTORA_UNCOUNTED(void, setSizeLimits, (app::Size min, std::optional<app::Size> max), (min, max))
  CANTORA_UNCOUNTED(app::Size, measureText, (std::string_view t), (t))
  CANTORA_UNCOUNTED(void, drawText,
                    (std::string_view t, const app::Rect& r, std::uint32_t f, std::uint32_t b),
                    (t, r, f, b))
  CANTORA_UNCOUNTED(void, showAbout, (), ())
  CANTORA_UNCOUNTED(std::optional<int>, runDeviceDialog, (const std::vector<std::string>& n), (n))
  CANTORA_UNCOUNTED(std::optional<std::string>, openFileDialog, (), ())
  CANTORA_UNCOUNTED(std::optional<std::string>, saveFileDialog, (std::string_view n), (n))
  CANTORA_UNCOUNTED(std::optional<std::string>, saveFileDialogFromWorker, (std::string_view n), (n))
  CANTORA_UNCOUNTED(int, runTuningDialog,
                    (bool left, const std::function<void(const app::TuningChoice&)>& ok),
                    (left, ok))
  CANTORA_UNCOUNTED(void, postCommand, (int id), (id))
  CANTORA_UNCOUNTED(void, postDriverReset, (), ())
  CANTORA_UNCOUNTED(void, destroyWindow, (), ())
  CANTORA_UNCOUNTED(void, invalidate, (const app::Rect& r), (r))
  CANTORA_UNCOUNTED(void, updateWindow, (), ())
  CANTORA_UNCOUNTED(void, drawCursorLine, (int x, int t, int b), (x, t, b))
  CANTORA_UNCOUNTED(void, drawLiveLine, (int x, int t, int b), (x, t, b))
  CANTORA_UNCOUNTED(void, drawLivePoint, (int x, int y), (x, y))
#undef CANTORA_UNCOUNTED
};

struct SweptWindow {
  state::AppState app;
  UncountedShell shell;
  app::MainWindow window{app, shell};

  SweptWindow() {
    shell.setClientSize({800, 400});
    window.setSettleWait([](std::chrono::milliseconds) {});
    window.onCreate();
  }

  // Hands posted commands to the window, as the message loop does, until
  // `done` held and nothing more was posted, or `limit` passed.
  void runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
      const bool finished = done();
      std::optional<int> id;
      {
        Uncounted uncounted;
        id = shell.takePosted(std::chrono::milliseconds(1));
      }
      if (id)
        window.onCommand(*id);
      else if (finished)
        return;
    }
  }
};

}  // namespace faulttest
