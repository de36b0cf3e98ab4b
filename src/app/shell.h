// Shell: everything the application needs from the window system, in the
// application's own words. The Qt front end implements it for the desktop; the
// tests use a headless Shell that records every call and answers dialogs from
// a script.
//
// Threads. Unless a method says otherwise it is called on the UI thread.
// Methods marked "any thread" may come from the host's delivery thread or a
// worker; they never wait for the UI thread (they queue and return), because
// the UI thread itself waits for the audio path and for viewMutex. Only the
// methods marked "blocking, workers only" wait for the UI thread, and only a
// worker that holds no lock may call them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/geometry.h"
#include "view/window_surface.h"

namespace app {

using state::Rect;

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

enum class MessageIcon { Exclamation, Error, Question, Information };
enum class MessageButtons { Ok, OkCancel };
enum class MessageResult { Ok = 1, Cancel = 2 };

// What the Tuning dialog's OK hands to the tuning: the checked notes (index 0
// "A" to 11 "Ab"), the pitch shift in semitones and Grace in milliseconds.
struct TuningChoice {
  bool noteEnabled[12] = {};
  int pitchShift = 0;
  double grace = 40.0;
};

class Shell : public view::WindowSurface {
 public:
  // --- message boxes ---
  // Modal message box; `owned` places it over the main window. On the UI
  // thread only; workers use messageBoxFromWorker.
  virtual MessageResult messageBox(std::string_view text, std::string_view caption,
                                   MessageIcon icon, MessageButtons buttons, bool owned) = 0;
  // The same, shown by the UI thread on behalf of a worker (blocking, workers only).
  virtual MessageResult messageBoxFromWorker(std::string_view text, std::string_view caption,
                                             MessageIcon icon, MessageButtons buttons) = 0;

  // --- transport buttons (control ids 200..206) ---
  virtual void enableButton(int id, bool enabled) = 0;
  virtual void setButtonText(int id, std::string_view text) = 0;
  virtual void focusButton(int id) = 0;

  // --- the horizontal scroll bar ---
  // The scroll state lives in AppState; the scroll bar mirrors it. Range is
  // 0..max, `page` columns per page. Any thread (the follow step scrolls).
  virtual void setScrollBar(int max, int page, int pos) = 0;
  virtual void enableScrollBar(bool enabled) = 0;
  virtual void focusScrollBar() = 0;

  // --- menu item 32773 "&Undo Tuning": enable or grey, and redraw the menu bar ---
  virtual void enableUndoTuning(bool enabled) = 0;
  // --- menu item "View > Pitch curve": tick or untick ---
  // A front end without the item leaves this as it is.
  virtual void checkPitchCurve(bool /*checked*/) {}

  // --- window geometry ---
  virtual Size desktopSize() = 0;
  virtual Size clientSize() = 0;
  virtual Size outerSize() = 0;
  // Positions a child control (a transport button by id, or the scroll bar by
  // SCROLL_BAR_ID) at a client rectangle.
  virtual void placeControl(int id, const Rect& rect) = 0;
  // Sizing limits of the outer window; an empty max means unlimited. A fixed
  // size (recording, busy) passes the same size for both.
  virtual void setSizeLimits(Size minimum, std::optional<Size> maximum) = 0;

  // --- text on the window (the note readout) ---
  virtual Size measureText(std::string_view text) = 0;
  // Draws one line of text on the window (not into the image) in `area`, with an
  // opaque background; colours are 0x00RRGGBB. Removed when `area` is invalidated.
  virtual void drawText(std::string_view text, const Rect& area, std::uint32_t textColour,
                        std::uint32_t backgroundColour) = 0;

  // --- dialogs (UI thread, modal) ---
  virtual void showAbout() = 0;
  // The device dialog lists `names` with the first one selected. Returns the
  // chosen index on OK (-1 when the list is empty), nothing on Cancel.
  virtual std::optional<int> runDeviceDialog(const std::vector<std::string>& names) = 0;
  // File dialogs: the chosen path, or nothing when cancelled.
  virtual std::optional<std::string> openFileDialog() = 0;
  virtual std::optional<std::string> saveFileDialog(std::string_view defaultName) = 0;
  // The save dialog shown on behalf of the record finishing thread (blocking,
  // workers only).
  virtual std::optional<std::string> saveFileDialogFromWorker(std::string_view defaultName) = 0;
  // Runs the Tuning dialog; on OK it disables its buttons, calls onOk with the
  // user's choice (the tuning runs inside), and ends with 1; Cancel ends with
  // 2. `onLeft` places the dialog at the right side of the window.
  virtual int runTuningDialog(bool onLeft,
                              const std::function<void(const TuningChoice&)>& onOk) = 0;

  // --- messages to the main window (any thread, queued) ---
  // A click of a transport button (BN_CLICKED of `id`), as the audio path's Stop.
  virtual void postCommand(int id) = 0;
  // The driver asked for a reset: the window answers with its restart advice.
  virtual void postDriverReset() = 0;

  // --- the window's life ---
  // Destroys the main window (which runs the teardown) and ends the event loop.
  virtual void destroyWindow() = 0;
};

}  // namespace app
