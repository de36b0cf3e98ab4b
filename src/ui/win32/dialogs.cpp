#include "dialogs.h"

#include <commctrl.h>  // after windows.h (through dialogs.h)

#include "app/app_constants.h"
#include "platform/win32/utf16_text.h"
#include "resource_ids.h"
#include "win32_text.h"

namespace ui {

namespace {

constexpr int SHIFT_STEPS = 24;  // -12..+12 semitones, -12 at the top
constexpr int SHIFT_ZERO = 12;
constexpr int GRACE_STEPS = 25;  // 0..250 ms in steps of 10
constexpr int GRACE_START = 4;
constexpr double GRACE_STEP_MS = 10.0;
constexpr int NOTE_COUNT = 12;
// Pixels between the dialog and the side of the main window's client area.
constexpr int DIALOG_MARGIN = 8;

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextW(dialog, IDC_ABOUT_TEXT, wide(app::ABOUT_TEXT).c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

struct DeviceDialogData {
  const std::vector<std::string>* names;
  int chosen = -1;
};

INT_PTR CALLBACK deviceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* data = reinterpret_cast<DeviceDialogData*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      data = reinterpret_cast<DeviceDialogData*>(lParam);
      const HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
      for (const std::string& name : *data->names)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(driverName(name).c_str()));
      SendMessageW(list, CB_SETCURSEL, 0, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        const LRESULT index = SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, CB_GETCURSEL, 0, 0);
        data->chosen = index == CB_ERR ? -1 : static_cast<int>(index);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

struct TuningDialogData {
  bool onLeft;
  const std::function<void(const app::TuningChoice&)>* onOk;
};

void placeTuningDialog(HWND dialog, HWND owner, bool onLeft) {
  // The system placed the dialog at the client area's top-left corner; move it
  // to the side away from the readout, keeping its top.
  RECT box{};
  GetWindowRect(dialog, &box);
  int x = box.left + DIALOG_MARGIN;
  if (onLeft) {
    RECT client{};
    GetClientRect(owner, &client);
    x = box.left + (client.right - client.left) - (box.right - box.left) - DIALOG_MARGIN;
  }
  SetWindowPos(dialog, nullptr, x, box.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

app::TuningChoice readChoice(HWND dialog) {
  app::TuningChoice choice;
  for (int i = 0; i < NOTE_COUNT; ++i)
    choice.noteEnabled[i] = IsDlgButtonChecked(dialog, IDC_NOTE_FIRST + i) == BST_CHECKED;
  const auto position = [dialog](int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
  };
  choice.pitchShift = position(IDC_PITCH_SHIFT) - SHIFT_ZERO;
  choice.grace = position(IDC_GRACE) * GRACE_STEP_MS;
  return choice;
}

INT_PTR CALLBACK tuningProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const auto* data = reinterpret_cast<const TuningDialogData*>(lParam);
      placeTuningDialog(dialog, GetParent(dialog), data->onLeft);
      SendDlgItemMessageW(dialog, IDC_PITCH_SHIFT, TBM_SETRANGE, FALSE, MAKELPARAM(0, SHIFT_STEPS));
      SendDlgItemMessageW(dialog, IDC_PITCH_SHIFT, TBM_SETPOS, TRUE, SHIFT_ZERO);
      SendDlgItemMessageW(dialog, IDC_GRACE, TBM_SETRANGE, FALSE, MAKELPARAM(0, GRACE_STEPS));
      SendDlgItemMessageW(dialog, IDC_GRACE, TBM_SETPOS, TRUE, GRACE_START);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        const auto* data =
            reinterpret_cast<const TuningDialogData*>(GetWindowLongPtrW(dialog, DWLP_USER));
        // The dialog stays open and inert while the tuning runs.
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
        (*data->onOk)(readChoice(dialog));
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 2);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void runAboutDialog(HINSTANCE instance, HWND owner) {
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, aboutProc, 0);
}

std::optional<int> runDeviceDialog(HINSTANCE instance, HWND owner,
                                   const std::vector<std::string>& names) {
  DeviceDialogData data{&names};
  const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_DEVICE), owner, deviceProc,
                                         reinterpret_cast<LPARAM>(&data));
  if (result != IDOK) return std::nullopt;
  return data.chosen;
}

int runTuningDialog(HINSTANCE instance, HWND owner, bool onLeft,
                    const std::function<void(const app::TuningChoice&)>& onOk) {
  TuningDialogData data{onLeft, &onOk};
  const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_TUNING), owner, tuningProc,
                                         reinterpret_cast<LPARAM>(&data));
  return result == 1 ? 1 : 2;
}

}  // namespace ui
