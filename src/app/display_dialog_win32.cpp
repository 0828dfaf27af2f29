// The "Display Settings" dialog: per monitor, hardware on or off, shown or left black, and the
// full-screen mode. OK keeps the choices in memory; the settings dialog's OK stores them.
#include <windows.h>

#include "app/display_dialog.h"
#include "app/resource.h"
#include "app/saver_app_win32.h"

namespace skyloom {
namespace {

struct DialogState {
  SaverApp* app;
  MonitorChoices backup;
};

// The type the dialog lists, by the same rule for filling the list and for reading it back.
const DeviceType* displayedType(const DeviceInfo& info) {
  std::vector<bool> hardware;
  for (const DeviceType& t : info.types) hardware.push_back(t.type == D3DDEVTYPE_HAL);
  const int i = displayedTypeIndex(hardware, info.choice.disableHardware);
  return i < 0 ? nullptr : &info.types[static_cast<std::size_t>(i)];
}

}  // namespace

int SaverApp::displayMonitor() const {
  for (int i = 0; i < static_cast<int>(monitors_.size()); ++i) {
    if (monitors_[i].deviceInfo >= 0) return i;
  }
  return -1;
}

void SaverApp::fillDisplayDialog(HWND dialog) {
  const int monitor = displayMonitor();
  if (monitor < 0) return;
  DeviceInfo& info = *devices_[monitors_[monitor].deviceInfo];
  SetDlgItemTextA(dialog, IDC_ADAPTER_NAME, info.identifier.Description);
  const DeviceType* type = displayedType(info);
  const UINT rendering = info.choice.leaveBlack || !type ? IDS_RENDERING_NONE
                         : type->type == D3DDEVTYPE_HAL ? IDS_RENDERING_HAL
                                                        : IDS_RENDERING_SW;
  char text[512];
  LoadStringA(instance_, rendering, text, sizeof text);
  SetDlgItemTextA(dialog, IDC_RENDERING_DESC, text);
  CheckDlgButton(dialog, IDC_DISABLE_HARDWARE, info.choice.disableHardware ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, IDC_DISABLE_HARDWARE), info.hasHal);
  CheckRadioButton(dialog, IDC_RENDER_SCENE, IDC_LEAVE_BLACK, info.choice.leaveBlack ? IDC_LEAVE_BLACK : IDC_RENDER_SCENE);
  EnableWindow(GetDlgItem(dialog, IDC_MODE_LIST), !info.choice.leaveBlack);
  EnableWindow(GetDlgItem(dialog, IDC_MODE_LABEL), !info.choice.leaveBlack);

  HWND combo = GetDlgItem(dialog, IDC_MODE_LIST);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Automatic"));
  SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), -1);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
  if (!type) return;
  for (int i = 0; i < static_cast<int>(type->modes.size()); ++i) {
    const DisplayMode& m = type->modes[i];
    item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(modeLabel(m).c_str()));
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
    if (m.width == info.choice.width && m.height == info.choice.height &&
        static_cast<int>(m.format) == info.choice.format) {
      SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
  }
}

INT_PTR SaverApp::displayCommand(HWND dialog, WORD control, WORD notification) {
  const int monitor = displayMonitor();
  if (monitor < 0) return FALSE;
  DeviceInfo& info = *devices_[monitors_[monitor].deviceInfo];
  switch (control) {
    case IDC_DISABLE_HARDWARE:
      info.choice.disableHardware = IsDlgButtonChecked(dialog, IDC_DISABLE_HARDWARE) == BST_CHECKED;
      fillDisplayDialog(dialog);
      return TRUE;
    case IDC_RENDER_SCENE:
    case IDC_LEAVE_BLACK:
      info.choice.leaveBlack = control == IDC_LEAVE_BLACK;
      fillDisplayDialog(dialog);
      return TRUE;
    case IDC_MODE_LIST: {
      if (notification != CBN_SELCHANGE) return FALSE;
      HWND combo = GetDlgItem(dialog, IDC_MODE_LIST);
      const LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
      const LRESULT data = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
      const DeviceType* type = displayedType(info);
      storeListedMode(type ? type->modes : std::vector<DisplayMode>{}, sel == CB_ERR ? -1 : data, info.choice);
      return TRUE;
    }
    case IDC_DISPLAY_HELP: {
      auto state = [](bool present, bool usable) {
        return usable ? DeviceState::Usable : present ? DeviceState::Unusable : DeviceState::Absent;
      };
      const UINT id = displayHelpTextId(state(info.halPresent, info.hasHal), info.choice.disableHardware,
                                        state(info.softwarePresent, info.hasSoftware));
      char text[1024];
      LoadStringA(instance_, id, text, sizeof text);
      MessageBoxA(dialog, text, info.identifier.Description, MB_ICONINFORMATION | MB_OK);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK SaverApp::displayDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      reinterpret_cast<DialogState*>(lparam)->app->fillDisplayDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      if (!state) return FALSE;
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        if (LOWORD(wparam) == IDCANCEL) state->app->applyMonitorChoices(state->backup);
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      return state->app->displayCommand(dialog, LOWORD(wparam), HIWORD(wparam));
    default:
      return FALSE;
  }
}

INT_PTR SaverApp::openDisplayDialog(HWND parent) {
  DialogState state{this, monitorChoices()};
  return DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_DISPLAY_SETTINGS), parent, displayDialogProc,
                         reinterpret_cast<LPARAM>(&state));
}

}  // namespace skyloom
