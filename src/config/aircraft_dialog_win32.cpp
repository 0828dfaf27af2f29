// The "Aircraft" dialog: the aircraft to fly, picked from those found in "aircraft\", in the
// order the formations take them; trails and their length.
#include <windows.h>

#include <algorithm>

#include "config/aircraft_settings.h"
#include "config/dialog_controls_win32.h"
#include "config/dialog_values.h"
#include "config/settings_dialog_ids.h"

namespace skyloom {
namespace {

constexpr TrackbarSetup kTrailBar{1, 100, 10, 1, 10};

// "Add": the selected available aircraft join the end of the chosen ones, which then show their
// end; a full list says so with the system's beep.
void addSelected(HWND dialog, AircraftSettings& settings) {
  const std::vector<int> selection = listSelection(GetDlgItem(dialog, IDC_AVAILABLE));
  const int added = addChosen(settings.chosen(), settings.chosen().scanList(), selection);
  if (added < static_cast<int>(selection.size())) MessageBeep(MB_OK);
  HWND chosen = GetDlgItem(dialog, IDC_ADDED);
  fillListBox(chosen, settings.chosen().items());
  SendMessageA(chosen, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0, settings.chosen().count() - 1)), 0);
}

}  // namespace

std::intptr_t AircraftSettings::dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                                           std::intptr_t lparam) {
  HWND dialog = static_cast<HWND>(window);
  switch (message) {
    case WM_INITDIALOG:
      CheckDlgButton(dialog, IDC_TRAIL, record_.trailsOn ? BST_CHECKED : BST_UNCHECKED);
      setTrackbar(dialog, IDC_TRAIL_LENGTH, kTrailBar, record_.trailLength);
      rescan();  // what "aircraft\" holds now
      fillListBox(GetDlgItem(dialog, IDC_AVAILABLE), chosen_.scanList());
      fillListBox(GetDlgItem(dialog, IDC_ADDED), chosen_.items());
      return TRUE;
    case WM_HSCROLL:
      if (lparam) showTrackbarValue(dialog, reinterpret_cast<HWND>(lparam));
      return TRUE;
    case WM_COMMAND: {
      const int control = LOWORD(wparam);
      const int notification = HIWORD(wparam);
      switch (control) {
        case IDC_ADD:
          addSelected(dialog, *this);
          return TRUE;
        case IDC_AVAILABLE:
          if (notification == LBN_DBLCLK) addSelected(dialog, *this);
          return TRUE;
        case IDOK:
          record_.trailsOn = IsDlgButtonChecked(dialog, IDC_TRAIL) == BST_CHECKED ? 1 : 0;
          record_.trailLength = trackbarValue(dialog, IDC_TRAIL_LENGTH);
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        default:
          return listButton(control, GetDlgItem(dialog, IDC_ADDED), chosen_) ? TRUE : FALSE;
      }
    }
    default:
      return FALSE;
  }
}

}  // namespace skyloom
