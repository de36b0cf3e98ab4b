// The Qt front end's own resources: the menu's texts, the dialogs' texts and
// the colours and pen widths of what is drawn straight onto the window.
#pragma once

#include <cstdint>

#include "view/view_constants.h"

namespace ui {

struct MenuItemText {
  const char* text;
  int command;  // 0 for a separator
};

inline constexpr const char* MENU_FILE = "&File";
inline constexpr const char* MENU_VIEW = "&View";
inline constexpr const char* MENU_HELP = "&Help";
inline constexpr const char* MENU_DEVICES = "&ASIO devices";
inline constexpr const char* ITEM_OPEN = "&Open";
inline constexpr const char* ITEM_SAVE_AS = "&Save as...";
inline constexpr const char* ITEM_UNDO_TUNING = "&Undo Tuning";
inline constexpr const char* ITEM_EXIT = "E&xit";
// The window takes the key P itself (as U for undo); the text only names it.
inline constexpr const char* ITEM_PITCH_CURVE = "&Pitch curve\tP";
inline constexpr const char* ITEM_ABOUT = "&About ...";
inline constexpr const char* ITEM_SELECT_DEVICE = "Select &device";

// Both accelerators give the About command.
inline constexpr const char* ACCEL_ABOUT_1 = "Alt+?";
inline constexpr const char* ACCEL_ABOUT_2 = "Alt+/";

// What is drawn on the window over the off-screen image: the play cursor's
// pen (2 pixels, black) and the live recording's pen (the waveform's colour).
inline constexpr std::uint32_t CURSOR_COLOUR = view::COLOUR_BLACK;
inline constexpr int CURSOR_WIDTH = 2;
inline constexpr std::uint32_t LIVE_COLOUR = view::COLOUR_WAVE;

// The focused transport button: a plain frame in a strong colour, so the
// button the Enter key acts on is seen at a glance.
inline constexpr const char* FOCUS_MARK_STYLE =
    "QPushButton:focus { border: 2px solid #1E5AA8; border-radius: 3px;"
    " background-color: #E4EDFA; }";
inline constexpr std::uint32_t FOCUS_MARK_COLOUR = 0x1E5AA8;

// The device dialog.
inline constexpr const char* DEVICE_DIALOG_CAPTION = "Select ASIO Device...";

// The file dialogs.
inline constexpr const char* OPEN_DIALOG_TITLE = "Load track...";
inline constexpr const char* OPEN_DIALOG_FILTER = "Audio types (*.mp3 *.wav);;All types (*)";
inline constexpr const char* SAVE_DIALOG_FILTER = "PCM audio (*.wav)";

// The tuning dialog.
inline constexpr const char* TUNING_DIALOG_CAPTION = "Tuning...";

// Object names the tests find the widgets by.
inline constexpr const char* CLIENT_AREA_NAME = "clientArea";
inline constexpr const char* SCROLL_BAR_NAME = "scrollBar";
inline constexpr const char* ABOUT_TEXT_NAME = "aboutText";

}  // namespace ui
