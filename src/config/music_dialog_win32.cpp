// The "Mp3 list" dialog: the music files and directories, which of them a run plays and how.
// The list buttons act on one of the two lists, chosen with the two "Edit" check boxes; the
// choice lasts as long as the process.
#include <windows.h>
// After windows.h, which they need.
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "config/dialog_controls_win32.h"
#include "config/dialog_values.h"
#include "config/music_settings.h"
#include "config/settings_dialog_ids.h"

namespace skyloom {
namespace {

enum EditedList { kEditFiles = 0, kEditDirectories = 1 };
int editedList = kEditFiles;
std::string lastFolder;  // where the folder browser starts

constexpr int kMaximumFilesHighest = 9999;
constexpr DWORD kOpenFileBufferBytes = 33280;

void showEditedList(HWND dialog) {
  CheckDlgButton(dialog, IDC_EDIT_FILES, editedList == kEditFiles ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_EDIT_DIRECTORIES, editedList == kEditDirectories ? BST_CHECKED : BST_UNCHECKED);
  enableControl(dialog, IDC_FILES, editedList == kEditFiles);
  enableControl(dialog, IDC_DIRECTORIES, editedList == kEditDirectories);
}

// "Add Files": the system's open dialog, several files at once.
void addFiles(HWND dialog, FileList& files) {
  std::vector<char> buffer(kOpenFileBufferBytes, '\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = "Picture Files (.mp3, .mp4)\0*.mp3;*.mp4\0";
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = kOpenFileBufferBytes;
  ofn.lpstrTitle = "Open Pictue File";
  ofn.lpstrDefExt = "MP*";
  // The program's folder stays the current one: the other dialogs scan it by relative paths.
  ofn.Flags =
      OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&ofn)) return;  // cancelled, or more names than the buffer holds
  const std::vector<std::string> chosen = chosenFiles(buffer);
  for (const std::string& path : chosen) files.add(path);
  HWND list = GetDlgItem(dialog, IDC_FILES);
  fillListBox(list, files.items());
  SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(files.count() > 0 ? files.count() - 1 : 0), 0);
}

int CALLBACK browseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

// "Add Directory": the system's folder browser, starting where it was left.
void addDirectory(HWND dialog, FileList& directories, const std::vector<int>& keepSelected) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOA info{};
  char name[MAX_PATH] = {};
  info.hwndOwner = dialog;
  info.pszDisplayName = name;
  info.lpszTitle = "select directory";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = browseCallback;
  // Before any folder was chosen in this run, the last one of the list.
  const std::string start = !lastFolder.empty()       ? lastFolder
                            : directories.count() > 0 ? directories.item(directories.count() - 1)
                                                      : std::string();
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info)) {
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path) && path[0]) {
      lastFolder = path;
      directories.add(path);
      HWND list = GetDlgItem(dialog, IDC_DIRECTORIES);
      fillListBox(list, directories.items());
      selectListItems(list, keepSelected);
      SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(directories.count() - 1), 0);
    }
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

void fillPlayModes(HWND dialog, int stored) {
  HWND combo = GetDlgItem(dialog, IDC_PLAY_MODE);
  for (std::size_t i = 0; i < kPlayModeTexts.size(); ++i) {
    const LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kPlayModeTexts[i]));
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
    if (static_cast<int>(i) == stored) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
  }
}

}  // namespace

std::intptr_t MusicSettings::dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t) {
  HWND dialog = static_cast<HWND>(window);
  MusicRecord& r = record_;
  switch (message) {
    case WM_INITDIALOG:
      CheckDlgButton(dialog, IDC_PICTURE_SHOW, r.enabled ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(dialog, IDC_SHOW_PLAY_BUTTONS, r.showPlayButtons ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(dialog, IDC_RANDOMISE, r.randomiseOrder ? BST_CHECKED : BST_UNCHECKED);
      setNumberField(dialog, IDC_MAXIMUM_FILES, r.maximumFiles);
      fillPlayModes(dialog, r.playMode);
      fillListBox(GetDlgItem(dialog, IDC_DIRECTORIES), directories_.items());
      selectListItems(GetDlgItem(dialog, IDC_DIRECTORIES), storedDirectorySelection(r));
      SendDlgItemMessageA(dialog, IDC_DIRECTORIES, LB_SETTOPINDEX, 0, 0);
      fillListBox(GetDlgItem(dialog, IDC_FILES), files_.items());
      showEditedList(dialog);
      return TRUE;
    case WM_COMMAND: {
      const int control = LOWORD(wparam);
      switch (control) {
        case IDC_EDIT_FILES:
        case IDC_EDIT_DIRECTORIES:
          editedList = control == IDC_EDIT_FILES ? kEditFiles : kEditDirectories;
          showEditedList(dialog);
          return TRUE;
        case IDC_ADD_FILES:
          addFiles(dialog, files_);
          return TRUE;
        case IDC_ADD_DIRECTORY:
          addDirectory(dialog, directories_, listSelection(GetDlgItem(dialog, IDC_DIRECTORIES)));
          return TRUE;
        case IDC_MUSIC_OK: {
          r.enabled = IsDlgButtonChecked(dialog, IDC_PICTURE_SHOW) == BST_CHECKED ? 1 : 0;
          r.showPlayButtons = IsDlgButtonChecked(dialog, IDC_SHOW_PLAY_BUTTONS) == BST_CHECKED ? 1 : 0;
          r.randomiseOrder = IsDlgButtonChecked(dialog, IDC_RANDOMISE) == BST_CHECKED ? 1 : 0;
          r.maximumFiles = numberField(dialog, IDC_MAXIMUM_FILES, 1, kMaximumFilesHighest);
          const LRESULT mode = SendDlgItemMessageA(dialog, IDC_PLAY_MODE, CB_GETCURSEL, 0, 0);
          if (mode != CB_ERR) {
            r.playMode = static_cast<int>(
                SendDlgItemMessageA(dialog, IDC_PLAY_MODE, CB_GETITEMDATA, static_cast<WPARAM>(mode), 0));
          }
          storeDirectorySelection(r, listSelection(GetDlgItem(dialog, IDC_DIRECTORIES)));
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        default: {
          const bool files = editedList == kEditFiles;
          return listButton(control, GetDlgItem(dialog, files ? IDC_FILES : IDC_DIRECTORIES),
                            files ? files_ : directories_)
                     ? TRUE
                     : FALSE;
        }
      }
    }
    default:
      return FALSE;
  }
}

}  // namespace skyloom
