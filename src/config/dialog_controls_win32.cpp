#include "config/dialog_controls_win32.h"

#include <commctrl.h>

#include <cstdio>

#include "config/dialog_values.h"
#include "config/settings_dialog_ids.h"

namespace skyloom {
namespace {

// The list boxes scroll sideways over this many pixels at 96 dots per inch, more at larger
// text sizes.
constexpr int kListExtent = 500;

int windowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpi) {
    if (const UINT dpi = getDpi(window)) return static_cast<int>(dpi);
  }
  HDC dc = GetDC(window);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc) ReleaseDC(window, dc);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

void setTrackbar(HWND dialog, int control, const TrackbarSetup& setup, int value) {
  HWND bar = GetDlgItem(dialog, control);
  SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(setup.lowest, setup.highest));
  SendMessageA(bar, TBM_SETPAGESIZE, 0, setup.page);
  SendMessageA(bar, TBM_SETLINESIZE, 0, setup.line);
  SendMessageA(bar, TBM_SETTICFREQ, static_cast<WPARAM>(setup.ticks), 0);
  SendMessageA(bar, TBM_SETPOS, TRUE, value);
  showTrackbarValue(dialog, bar);
}

int trackbarValue(HWND dialog, int control) {
  return static_cast<int>(SendDlgItemMessageA(dialog, control, TBM_GETPOS, 0, 0));
}

void showTrackbarValue(HWND dialog, HWND trackbar) {
  const int control = GetDlgCtrlID(trackbar);
  SetDlgItemInt(dialog, control + IDC_VALUE_OFFSET, static_cast<UINT>(trackbarValue(dialog, control)), TRUE);
}

void setNumberField(HWND dialog, int control, int value) {
  SendDlgItemMessageA(dialog, control, EM_LIMITTEXT, 8, 0);
  SetDlgItemInt(dialog, control, static_cast<UINT>(value), TRUE);
}

int numberField(HWND dialog, int control, int lowest, int highest) {
  char text[9] = {};
  GetDlgItemTextA(dialog, control, text, sizeof text);
  return fieldNumber(text, lowest, highest);
}

void fillListBox(HWND list, const std::vector<std::string>& items) {
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string line = listEntryText(static_cast<int>(i) + 1, items[i]);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(MulDiv(kListExtent, windowDpi(list), 96)), 0);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

std::vector<int> listSelection(HWND list) {
  std::vector<int> selection(kMaxListSelection);
  const LRESULT n = SendMessageA(list, LB_GETSELITEMS, selection.size(), reinterpret_cast<LPARAM>(selection.data()));
  selection.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return selection;
}

void selectListItems(HWND list, const std::vector<int>& indexes) {
  SendMessageA(list, LB_SETSEL, FALSE, -1);
  for (int i : indexes) SendMessageA(list, LB_SETSEL, TRUE, i);
  if (!indexes.empty()) SendMessageA(list, LB_SETCARETINDEX, static_cast<WPARAM>(indexes.front()), FALSE);
}

bool listButton(int control, HWND listBox, FileList& list) {
  const std::vector<int> selection = listSelection(listBox);
  std::vector<int> selected;
  switch (control) {
    case IDC_LIST_TOP:
      selected = moveSelectedToTop(list, selection);
      break;
    case IDC_LIST_UP:
      selected = moveSelectedUp(list, selection);
      break;
    case IDC_LIST_DOWN:
      selected = moveSelectedDown(list, selection);
      break;
    case IDC_LIST_BOTTOM:
      selected = moveSelectedToBottom(list, selection);
      break;
    case IDC_LIST_REMOVE:
      removeSelected(list, selection);
      break;
    case IDC_LIST_REMOVE_ALL:
      list.clear();
      break;
    default:
      return false;
  }
  const LRESULT top = SendMessageA(listBox, LB_GETTOPINDEX, 0, 0);
  fillListBox(listBox, list.items());
  SendMessageA(listBox, LB_SETTOPINDEX, static_cast<WPARAM>(top > 0 ? top : 0), 0);
  selectListItems(listBox, selected);
  return true;
}

void enableControl(HWND dialog, int control, bool enabled) { EnableWindow(GetDlgItem(dialog, control), enabled); }

}  // namespace skyloom
