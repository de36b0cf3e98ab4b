// The identifiers of the Windows program's resources and of the controls in
// its dialogs, shared by the resource script and the code. Plain #defines:
// the resource compiler reads this file too.
#pragma once

// Strings: the window's title and its class name.
#define IDS_TITLE 104
#define IDS_CLASS_NAME 110

// Icons of the window class.
#define IDI_LARGE 108
#define IDI_SMALL 109

// Menu 110 and accelerator table 110.
#define IDM_MAIN 110
#define IDA_MAIN 110

#define IDM_OPEN 32771
#define IDM_SAVE_AS 32772
#define IDM_UNDO_TUNING 32773
// View > Pitch curve (the key P is the window's own, not an accelerator).
#define IDM_PITCH_CURVE 32774
#define IDM_ABOUT 105
#define IDM_EXIT 106
#define IDM_SELECT_DEVICE 107

// Dialogs.
#define IDD_DEVICE 101
#define IDD_TUNING 103
#define IDD_ABOUT 104

// The device dialog's list of drivers.
#define IDC_DEVICE_LIST 111
// The Tuning dialog: check boxes "A" (112) to "Ab" (123), the pitch shift
// and Grace trackbars.
#define IDC_NOTE_FIRST 112
#define IDC_NOTE_A 112
#define IDC_NOTE_BB 113
#define IDC_NOTE_B 114
#define IDC_NOTE_C 115
#define IDC_NOTE_DB 116
#define IDC_NOTE_D 117
#define IDC_NOTE_EB 118
#define IDC_NOTE_E 119
#define IDC_NOTE_F 120
#define IDC_NOTE_GB 121
#define IDC_NOTE_G 122
#define IDC_NOTE_AB 123
#define IDC_PITCH_SHIFT 124
#define IDC_GRACE 129
// The About box's text, filled with the version when it opens.
#define IDC_ABOUT_TEXT 1000
