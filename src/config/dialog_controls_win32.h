#pragma once
// What the settings dialogs do with their controls: trackbars with their value beside them,
// numbers in edit fields, the list boxes of settings lists and their buttons.

#include <windows.h>

#include <string>
#include <vector>

#include "config/file_list.h"

namespace skyloom {

struct TrackbarSetup {
  int lowest, highest, page, line, ticks;
};

// Sets the trackbar's range, steps and ticks and its value, and shows the value in the static
// numbered IDC_VALUE_OFFSET above it.
void setTrackbar(HWND dialog, int control, const TrackbarSetup& setup, int value);
int trackbarValue(HWND dialog, int control);
// After WM_HSCROLL from a trackbar: its value shown beside it again.
void showTrackbarValue(HWND dialog, HWND trackbar);

// Edit fields with a number: at most 8 characters, read and clamped as the settings allow.
void setNumberField(HWND dialog, int control, int value);
int numberField(HWND dialog, int control, int lowest, int highest);

// A list box showing a settings list, one "%3d  %s" line per entry.
void fillListBox(HWND list, const std::vector<std::string>& items);
// The selected indexes of a multi-selection list box (at most 256), and selecting some.
std::vector<int> listSelection(HWND list);
void selectListItems(HWND list, const std::vector<int>& indexes);

// The list buttons (Top, Up, Down, Bottom, Remove, Remove all) on a list and the list box that
// shows it; false for any other control. The list box shows the result with the moved entries
// still selected.
bool listButton(int control, HWND listBox, FileList& list);

// Enables or disables a dialog's control.
void enableControl(HWND dialog, int control, bool enabled);

}  // namespace skyloom
