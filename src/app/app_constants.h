// The application's named constants: menu command ids, the window's title and
// size rules, and every message box text and caption the main window and the
// transport show.
#pragma once

#include "platform/version.h"
#include "view/view_constants.h"

namespace app {

// Menu 110 and its accelerators.
inline constexpr int CMD_OPEN = 32771;
inline constexpr int CMD_SAVE_AS = 32772;
inline constexpr int CMD_UNDO_TUNING = 32773;
inline constexpr int CMD_ABOUT = 105;
inline constexpr int CMD_EXIT = 106;
inline constexpr int CMD_SELECT_DEVICE = 107;
// "View > Pitch curve" (also the key P): shows or hides the pitch curve.
inline constexpr int CMD_PITCH_CURVE = 32774;
// The transport buttons' clicks, as commands to the main window.
inline constexpr int CMD_PLAY = view::ID_PLAY;
inline constexpr int CMD_LOOP = view::ID_LOOP;
inline constexpr int CMD_RECORD = view::ID_RECORD;
inline constexpr int CMD_STOP = view::ID_STOP;
inline constexpr int CMD_ZOOM_IN = view::ID_ZOOM_IN;
// Posted by a worker thread as its last step (mode is back to Idle): the
// window may be resized again. No menu item or button has this id.
inline constexpr int CMD_WORKER_ENDED = 0x7F01;

inline constexpr const char* WINDOW_TITLE = "Cantora";
inline constexpr const char* WINDOW_CLASS = "CANTORA";
inline constexpr const char* ABOUT_CAPTION = "About Cantora";
inline constexpr const char* ABOUT_TEXT = "Cantora, Version " CANTORA_VERSION;

// Start-up size: the desktop less these margins, rounded up past a multiple of 8.
inline constexpr int DESKTOP_WIDTH_MARGIN = 128;
inline constexpr int DESKTOP_HEIGHT_MARGIN = 64;
inline constexpr int WINDOW_SIZE_STEP = 8;
// The smallest outer size the user can drag the window to.
inline constexpr int MIN_WINDOW_WIDTH = 682;
inline constexpr int MIN_WINDOW_HEIGHT = 384;

// Scroll steps in columns.
inline constexpr int SCROLL_ARROW_COLUMNS = 8;

// Zoom buttons: how long they wait for viewMutex, and the pause after a button.
inline constexpr int ZOOM_LOCK_WAIT_MS = 10;
inline constexpr int BUTTON_SETTLE_MS = 50;

// --- messages and captions ---
inline constexpr const char* MSG_QUIT = "Wan'na quit?";
inline constexpr const char* CAPTION_QUIT = "Cantora";

inline constexpr const char* MSG_DRIVER_RESET =
    "Please exit the application and restart it for change to take effect.";
inline constexpr const char* CAPTION_DRIVER_RESET = "Sample rate change request...";

inline constexpr const char* MSG_DEVICE_ALREADY_SELECTED = "You already selected an ASIO device!";
inline constexpr const char* CAPTION_DEVICES = "ASIO Devices...";

inline constexpr const char* MSG_NO_AUDIO = "No audio data to play!";
inline constexpr const char* MSG_SELECT_DEVICE_FIRST = "You need to select an ASIO device first!";
inline constexpr const char* CAPTION_PLAY = "Play button pressed";
inline constexpr const char* CAPTION_LOOP = "Loop button pressed";
inline constexpr const char* CAPTION_RECORD = "Record button pressed";

inline constexpr const char* MSG_NO_ZOOM_WHILE_RECORDING =
    "Zooming is not currently supported for record modes!";
inline constexpr const char* CAPTION_ZOOM = "Zoom request";

inline constexpr const char* MSG_STOP_FIRST = "You need to click the stop button first!";
inline constexpr const char* MSG_WAIT_FOR_OPERATION = "Wait until the current operation completes!";
inline constexpr const char* CAPTION_OPEN = "File open request";
inline constexpr const char* CAPTION_SAVE_AS = "File save as request";
inline constexpr const char* CAPTION_QUIT_REQUEST = "Quit request";

inline constexpr const char* MSG_UNHANDLED = "Unhandled case!";
inline constexpr const char* CAPTION_CAN_ACT = "CanAct function";

// "%d" is the control id.
inline constexpr const char* MSG_BUTTON_PRESSED = "You pressed Control ID#%d";
inline constexpr const char* CAPTION_BUTTON_PRESSED = "Button Pressed";

// The files: the save dialog's first name, the extension given to a name
// without any dot, and what the workers report (a failed load's texts are
// the track import's own, audiofile::loadStatusMessage).
inline constexpr const char* DEFAULT_SAVE_NAME = "Out.wav";
inline constexpr const char* SAVE_EXTENSION = ".wav";
inline constexpr const char* MSG_CANNOT_CREATE = "Could not create file!";
// A write that failed part way: the saved file stays as it was before.
inline constexpr const char* MSG_CANNOT_WRITE = "Could not write file!";
// A recording spooled to a file whose writing failed part way: the file
// keeps what was written.
inline constexpr const char* MSG_RECORDING_INCOMPLETE = "Could not write the whole recording!";
inline constexpr const char* MSG_RECORDING_OUT_OF_MEMORY = "Out of memory!";
inline constexpr const char* CAPTION_CREATE_ERROR = "File create error";

inline constexpr const char* PAUSE_TEXT = "Pause";
inline constexpr const char* RESUME_TEXT = "Resume";

}  // namespace app
