// The "General" dialog: terrain quality, view angle, clouds, trees, sound, the terrain and its
// sea level, and the five colours.
#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <array>

#include "config/dialog_controls_win32.h"
#include "config/dialog_values.h"
#include "config/general_settings.h"
#include "config/settings_dialog_ids.h"

namespace skyloom {
namespace {

constexpr TrackbarSetup kQualityBar{1, 3, 1, 1, 1};
constexpr TrackbarSetup kViewAngleBar{60, 120, 10, 1, 10};
constexpr TrackbarSetup kCloudBar{1, 500, 50, 1, 50};
constexpr TrackbarSetup kTreeBar{1, 200, 20, 1, 20};
constexpr int kSeaLevelHighest = 9999;

// The colour a colour button edits.
std::uint32_t* colourOf(GeneralRecord& r, int control) {
  switch (control) {
    case IDC_SKY_COLOUR:
      return &r.skyColour;
    case IDC_FOG1_COLOUR:
      return &r.fogColour1;
    case IDC_FOG2_COLOUR:
      return &r.fogColour2;
    case IDC_CLOUD_COLOUR:
      return &r.cloudColour;
    case IDC_LIGHT_COLOUR:
      return &r.lightColour;
    default:
      return nullptr;
  }
}

// The system's colour chooser, fully open, starting at the stored colour; OK stores the choice
// at once (a later Cancel of the dialog keeps it).
void chooseColour(HWND dialog, std::uint32_t& stored) {
  std::array<COLORREF, 16> custom;
  custom.fill(RGB(255, 255, 255));
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = dialog;
  cc.rgbResult = chooserFromColour(stored);
  cc.lpCustColors = custom.data();
  cc.Flags = CC_FULLOPEN | CC_RGBINIT;
  const bool chosen = ChooseColorA(&cc) != FALSE;
  stored = chosenColour(stored, chosen, cc.rgbResult);
}

// A colour's swatch beside its button.
void drawSwatch(const DRAWITEMSTRUCT& item, std::uint32_t colour) {
  HBRUSH fill = CreateSolidBrush(chooserFromColour(colour));
  FillRect(item.hDC, &item.rcItem, fill);
  DeleteObject(fill);
  FrameRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNSHADOW));
}

void fillTerrainCombo(HWND dialog, GeneralSettings& settings) {
  HWND combo = GetDlgItem(dialog, IDC_TERRAIN);
  settings.terrainList().scan("tem\\", "*.*", true);
  const std::vector<std::string>& names = settings.terrainList().scanList();
  for (std::size_t i = 0; i < names.size(); ++i) {
    const LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i].c_str()));
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
  }
  // Exact matches in a combo box ignore case.
  const std::string current = settings.terrainName();
  const LRESULT found =
      SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(current.c_str()));
  if (found != CB_ERR) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

void readTerrainCombo(HWND dialog, GeneralSettings& settings) {
  HWND combo = GetDlgItem(dialog, IDC_TERRAIN);
  const LRESULT item = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (item == CB_ERR) return;
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
  if (length < 0) return;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  settings.setTerrainName(text);
}

}  // namespace

std::intptr_t GeneralSettings::dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                                          std::intptr_t lparam) {
  HWND dialog = static_cast<HWND>(window);
  GeneralRecord& r = record_;
  switch (message) {
    case WM_INITDIALOG:
      setTrackbar(dialog, IDC_TERRAIN_QUALITY, kQualityBar, r.terrainQuality);
      setTrackbar(dialog, IDC_VIEW_ANGLE, kViewAngleBar, r.viewAngle);
      setTrackbar(dialog, IDC_CLOUD_AMOUNT, kCloudBar, r.cloudAmount);
      setTrackbar(dialog, IDC_TREE_AMOUNT, kTreeBar, r.treeAmount);
      CheckDlgButton(dialog, IDC_SOUND, r.soundOn ? BST_CHECKED : BST_UNCHECKED);
      setNumberField(dialog, IDC_SEA_LEVEL, r.seaLevel);
      fillTerrainCombo(dialog, *this);
      return TRUE;
    case WM_HSCROLL:
      if (lparam) showTrackbarValue(dialog, reinterpret_cast<HWND>(lparam));
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      const std::uint32_t* colour = colourOf(r, static_cast<int>(item->CtlID) - IDC_SWATCH_OFFSET);
      if (!colour) return FALSE;
      drawSwatch(*item, *colour);
      return TRUE;
    }
    case WM_COMMAND: {
      const int control = LOWORD(wparam);
      if (std::uint32_t* colour = colourOf(r, control)) {
        chooseColour(dialog, *colour);
        InvalidateRect(GetDlgItem(dialog, control + IDC_SWATCH_OFFSET), nullptr, FALSE);
        return TRUE;
      }
      if (control == IDOK) {
        r.terrainQuality = trackbarValue(dialog, IDC_TERRAIN_QUALITY);
        r.viewAngle = trackbarValue(dialog, IDC_VIEW_ANGLE);
        r.cloudAmount = trackbarValue(dialog, IDC_CLOUD_AMOUNT);
        r.treeAmount = trackbarValue(dialog, IDC_TREE_AMOUNT);
        r.soundOn = IsDlgButtonChecked(dialog, IDC_SOUND) == BST_CHECKED ? 1 : 0;
        r.seaLevel = numberField(dialog, IDC_SEA_LEVEL, 0, kSeaLevelHighest);
        readTerrainCombo(dialog, *this);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (control == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace skyloom
