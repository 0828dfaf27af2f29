// The installer program: one executable that installs the product it carries (the default),
// asks whether to uninstall and relaunches itself from the temporary folder ("/uninstall"),
// uninstalls from that copy ("/uninstallsecond"), or builds a new installer ("/pack"). A
// full-screen backdrop stands behind a chain of modal dialogs; the long work runs on a worker
// thread that reports through the progress channel.

// windows.h first: the other system headers build on it.
#include <windows.h>
//
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "installer/install_parameters.h"
#include "installer/installation.h"
#include "installer/installer_command_line.h"
#include "installer/installer_resource.h"
#include "installer/pack_building.h"
#include "installer/progress_channel.h"
#include "installer/shell_services_win32.h"
#include "installer/uninstallation.h"
#include "platform/registry/registry_win32.h"
#include "resources/executable_path.h"
#include "resources/pack.h"

namespace skyloom {
namespace {

constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT_PTR kFinishTimer = 2;
constexpr UINT kProgressTickMs = 20;
constexpr DWORD kFinishDelayMs = 5000;
constexpr const char* kBackdropClass = "SkyloomSetupBackdrop";

// Everything the dialogs and the worker share; the dialogs fill the choices before the worker
// starts, and the worker only reads them.
struct Installer {
  InstallerMode mode = InstallerMode::Install;
  std::string executable;
  Pack pack{Pack::Flavour::Installer};
  InstallParameters parameters;
  InstallChoices choices;
  Win32Registry registry;
  WindowsShellServices shell;
  ProgressChannel progress;
  HWND backdrop = nullptr;
};

Installer* installer = nullptr;

std::string windowText(HWND window, int id) {
  char text[kInstallerTextLimit + 1] = {};
  GetDlgItemTextA(window, id, text, sizeof text);
  return text;
}

// ---- the backdrop

LRESULT CALLBACK backdropProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wparam, lparam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  // Light blue at the top fading to black at the bottom, a row at a time.
  for (int i = 0; i < h; ++i) {
    const int rg = 55 - 55 * i / h, b = 255 - 255 * i / h;
    HBRUSH brush = CreateSolidBrush(RGB(rg, rg, b));
    RECT row{0, i, w, i + 1};
    FillRect(dc, &row, brush);
    DeleteObject(brush);
  }
  HFONT font = CreateFontA(h / 10, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  const std::string name = installer ? installer->parameters.displayName() : std::string();
  TextOutA(dc, w / 80, h / 100, name.c_str(), static_cast<int>(name.size()));
  SelectObject(dc, old);
  DeleteObject(font);
  EndPaint(window, &paint);
  return 0;
}

HWND createBackdrop(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = backdropProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(IDI_INSTALLER));
  wc.lpszClassName = kBackdropClass;
  RegisterClassA(&wc);
  // Untitled: the dialogs over it carry the display name, and only they.
  HWND window =
      CreateWindowExA(0, kBackdropClass, "", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                      GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
  if (window) {
    ShowWindow(window, SW_SHOWMAXIMIZED);
    UpdateWindow(window);
  }
  return window;
}

void setCaption(HWND dialog) { SetWindowTextA(dialog, installer->parameters.displayName().c_str()); }

// ---- the confirmation

INT_PTR CALLBACK confirmProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      setCaption(dialog);
      SetDlgItemTextA(dialog, IDC_CONFIRM_TEXT, reinterpret_cast<const char*>(lparam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(dialog, LOWORD(wparam));
      return TRUE;
    default:
      return FALSE;
  }
}

bool confirm(const char* pattern) {
  char text[2 * kInstallerTextLimit + 64];
  std::snprintf(text, sizeof text, pattern, installer->parameters.displayName().c_str());
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFIRM), installer->backdrop, confirmProc,
                         reinterpret_cast<LPARAM>(text)) == IDOK;
}

// ---- the licence and the options

INT_PTR CALLBACK licenceProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      setCaption(dialog);
      FileData licence;
      if (installer->pack.read("license.txt", licence) != kPackNotFound) {
        SetDlgItemTextA(dialog, IDC_LICENCE_TEXT, licence.bytes.get());
      }
      // The text is read from its start, not handed over selected: the focus goes to "I agree".
      SetFocus(GetDlgItem(dialog, IDC_AGREE));
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_AGREE:
          EnableWindow(GetDlgItem(dialog, IDC_NEXT), IsDlgButtonChecked(dialog, IDC_AGREE) == BST_CHECKED);
          return TRUE;
        case IDC_NEXT:
        case IDCANCEL:
          EndDialog(dialog, LOWORD(wparam));
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void browse(HWND dialog) {
  char chosen[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = dialog;
  info.pszDisplayName = chosen;
  info.lpszTitle = "select directory";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST item = SHBrowseForFolderA(&info);
  if (!item) return;
  if (SHGetPathFromIDListA(item, chosen)) SetDlgItemTextA(dialog, IDC_DIRECTORY, chosen);
  CoTaskMemFree(item);
}

INT_PTR CALLBACK optionsProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  const InstallParameters& p = installer->parameters;
  switch (message) {
    case WM_INITDIALOG: {
      setCaption(dialog);
      const std::string heading = "Install " + p.title.value_or("") + " " + p.versionText;
      SetDlgItemTextA(dialog, IDC_OPTIONS_TITLE, heading.c_str());
      SendDlgItemMessageA(dialog, IDC_DIRECTORY, EM_LIMITTEXT, kInstallerTextLimit, 0);
      SetDlgItemTextA(dialog, IDC_DIRECTORY, defaultInstallDirectory(installer->registry, *p.title).c_str());
      CheckDlgButton(dialog, IDC_DESKTOP, BST_CHECKED);
      CheckDlgButton(dialog, IDC_STARTMENU, BST_CHECKED);
      CheckDlgButton(dialog, IDC_SETSAVER, BST_CHECKED);
      if (!p.screenSaver) ShowWindow(GetDlgItem(dialog, IDC_SETSAVER), SW_HIDE);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_BROWSE:
          browse(dialog);
          return TRUE;
        case IDC_INSTALL: {
          InstallChoices& c = installer->choices;
          c.installDirectory = windowText(dialog, IDC_DIRECTORY);
          c.desktop = IsDlgButtonChecked(dialog, IDC_DESKTOP) == BST_CHECKED;
          c.startMenu = IsDlgButtonChecked(dialog, IDC_STARTMENU) == BST_CHECKED;
          if (p.screenSaver) c.setScreenSaver = IsDlgButtonChecked(dialog, IDC_SETSAVER) == BST_CHECKED;
          EndDialog(dialog, IDC_INSTALL);
          return TRUE;
        }
        case IDC_BACK:
        case IDCANCEL:
          EndDialog(dialog, LOWORD(wparam));
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

// ---- the progress

void runWorker() {
  Installer& in = *installer;
  auto sink = [&in](float f) { in.progress.publish(f); };
  if (in.mode == InstallerMode::Install) {
    InstallEnvironment environment{in.pack, in.executable, in.registry, in.shell};
    runInstallation(in.parameters, in.choices, environment, sink);
  } else {
    runUninstallation(in.parameters.parameterText, in.parameters.title.value_or(""), in.registry, sink);
  }
}

struct ProgressState {
  std::thread worker;
  bool finishing = false;
};

INT_PTR CALLBACK progressProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<ProgressState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      setCaption(dialog);
      SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
      ShowWindow(GetDlgItem(dialog, IDC_FINISH), SW_HIDE);
      reinterpret_cast<ProgressState*>(lparam)->worker = std::thread(runWorker);
      SetTimer(dialog, kProgressTimer, kProgressTickMs, nullptr);
      return TRUE;
    case WM_TIMER: {
      if (wparam == kFinishTimer) {
        KillTimer(dialog, kFinishTimer);
        ShowWindow(GetDlgItem(dialog, IDC_FINISH), SW_SHOW);
        SetFocus(GetDlgItem(dialog, IDC_FINISH));
        return TRUE;
      }
      if (!state || state->finishing) return TRUE;
      const int v = installer->progress.read();
      const int shown = v < 100 ? v : 100;
      SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, shown < 0 ? 0 : shown, 0);
      char text[64];
      std::snprintf(text, sizeof text,
                    installer->mode == InstallerMode::Install ? "Install progress %d%%" : "Uninstall progress %d%%",
                    shown);
      SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, text);
      if (v >= ProgressChannel::kFinishedValue) {
        // The worker has finished: a moment to read the end, then "Finish".
        state->finishing = true;
        KillTimer(dialog, kProgressTimer);
        if (state->worker.joinable()) state->worker.join();
        SetTimer(dialog, kFinishTimer, kFinishDelayMs, nullptr);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_FINISH && state && state->finishing) EndDialog(dialog, IDOK);
      return TRUE;
    default:
      return FALSE;
  }
}

void showProgress() {
  ProgressState state;
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), installer->backdrop, progressProc,
                  reinterpret_cast<LPARAM>(&state));
  if (state.worker.joinable()) state.worker.join();
}

// ---- the modes

void installFlow() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (;;) {
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_LICENCE), installer->backdrop, licenceProc, 0) != IDC_NEXT) {
      return;
    }
    const INT_PTR choice =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_OPTIONS), installer->backdrop, optionsProc, 0);
    if (choice == IDC_BACK) continue;
    if (choice == IDC_INSTALL) showProgress();
    return;
  }
}

// The first stage: a copy in the temporary folder does the work, so that the uninstaller in
// the install directory can be removed with it.
void relaunchForUninstall() {
  const std::optional<std::string> copy = copyForRelaunch(installer->executable, installer->shell.windowsDirectory());
  if (!copy) return;
  Sleep(1000);
  const std::string folder = copy->substr(0, copy->find_last_of('\\'));
  ShellExecuteA(nullptr, "open", copy->c_str(), "/uninstallsecond", folder.c_str(), SW_SHOWNORMAL);
}

// The batch deletes the copy as soon as it has ended, then itself; it is started idle and held
// back until this program has raised its own priority to end first.
void removeSelf() {
  const std::string temp = installer->shell.temporaryFolder();
  if (temp.empty()) return;
  const std::string batch = removalBatchPath(temp);
  const std::string text = removalBatchText(installer->executable, batch);
  HANDLE file =
      CreateFileA(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != text.size()) return;
  std::string command = "cmd.exe /c \"" + batch + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | IDLE_PRIORITY_CLASS, nullptr,
                      temp.c_str(), &startup, &process)) {
    return;
  }
  SetThreadPriority(process.hThread, THREAD_PRIORITY_IDLE);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace skyloom

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace skyloom;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  auto state = std::make_unique<Installer>();
  installer = state.get();
  state->executable = executablePath();
  state->pack.open(nullptr);
  state->parameters = readInstallParameters(state->pack);
  state->mode = installerMode(GetCommandLineA());

  if (state->mode == InstallerMode::UninstallRequest) {
    if (confirm("Uninstall %s")) relaunchForUninstall();
  } else {
    state->backdrop = createBackdrop(instance);
    if (state->mode == InstallerMode::Pack) {
      if (confirm("Pack %s")) {
        const std::string& exe = state->executable;
        buildInstallerPack(exe.substr(0, exe.find_last_of('\\')), exe, "test.exe");
      }
    } else if (state->mode == InstallerMode::Install) {
      if (state->parameters.title && isUsableTitle(*state->parameters.title)) installFlow();
    } else if (confirm("Do you really want to uninstall %s ?")) {
      showProgress();
      if (state->backdrop) DestroyWindow(state->backdrop);
      state->backdrop = nullptr;
      removeSelf();
    }
    if (state->backdrop) DestroyWindow(state->backdrop);
  }
  state->pack.close();
  installer = nullptr;
  return 0;
}
