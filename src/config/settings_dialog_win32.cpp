#include "config/settings_dialog_win32.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "config/builtin_config.h"
#include "config/settings_dialog_ids.h"
#include "config/settings_root.h"
#include "platform/registry/registry_win32.h"

namespace skyloom {
namespace {

constexpr const char* kSettingsCaption = "Skyloom 0.9";

// The settings every section dialog edits: the program's, or, in a process that has none yet,
// settings made and loaded here.
SettingsRoot& dialogSettings() {
  if (SettingsRoot* root = SettingsRoot::instance()) return *root;
  SettingsRoot& root = SettingsRoot::createInstance();
  Win32Registry registry;
  root.load(registry, builtInConfig());
  return root;
}

INT_PTR CALLBACK generalDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return dialogSettings().general().dialogProc(dialog, message, wparam, lparam);
}

INT_PTR CALLBACK aircraftDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return dialogSettings().aircraft().dialogProc(dialog, message, wparam, lparam);
}

INT_PTR CALLBACK musicDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return dialogSettings().music().dialogProc(dialog, message, wparam, lparam);
}

INT_PTR openSection(HWND owner, int resource, DLGPROC procedure) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), owner, procedure, 0);
}

INT_PTR CALLBACK settingsDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      SetWindowTextA(dialog, kSettingsCaption);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_OPEN_GENERAL:
          openSection(dialog, IDD_GENERAL, generalDialog);
          return TRUE;
        case IDC_OPEN_AIRCRAFT:
          openSection(dialog, IDD_AIRCRAFT, aircraftDialog);
          return TRUE;
        case IDC_OPEN_MUSIC:
          openSection(dialog, IDD_MUSIC, musicDialog);
          return TRUE;
        case IDC_OPEN_DISPLAY: {
          const auto* openDisplay =
              reinterpret_cast<const std::function<void(HWND)>*>(GetWindowLongPtrA(dialog, DWLP_USER));
          if (openDisplay && *openDisplay) (*openDisplay)(dialog);
          return TRUE;
        }
        case IDOK:
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

// OK that could not write "config.ini" must not look like success.
void reportSaveFailure(HWND owner, const SettingsRoot& settings) {
  std::string text = "The settings could not be saved: \"";
  text += kConfigFile;
  text += "\" cannot be written in ";
  text += settings.startDirectory().empty() ? std::string("the program's folder") : settings.startDirectory();
  text += ".";
  MessageBoxA(owner, text.c_str(), kSettingsCaption, MB_OK | MB_ICONERROR);
}

}  // namespace

INT_PTR openSettingsDialog(HWND parent, Registry& registry, ScreenValuesWriter* screens,
                           std::function<void(HWND)> openDisplay) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  SettingsRoot& settings = dialogSettings();
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS), parent,
                                         settingsDialog, reinterpret_cast<LPARAM>(&openDisplay));
  if (result == 1 && failed(settings.save(registry, screens))) reportSaveFailure(parent, settings);
  return result;
}

}  // namespace skyloom
