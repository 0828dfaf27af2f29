// The framework's modes, windows, message loop and the rules that end a run.
#include "app/saver_app_win32.h"

#include "app/input_state.h"
#include "platform/win32_procs.h"
#include "platform/gfx/d3d9_library.h"

namespace skyloom {
namespace {

constexpr char kWindowClass[] = "SkyloomSaverClass";
constexpr int kIconId = 101;
constexpr UINT kPreviewTimer = 1;
constexpr UINT kSpiScreenSaverRunning = 97;  // SPI_SETSCREENSAVERRUNNING
constexpr WPARAM kSuspendQuery = 4;          // PBT_APMQUERYSUSPEND

SaverApp* gApp = nullptr;

}  // namespace

SaverApp::SaverApp() { gApp = this; }

SaverApp::~SaverApp() {
  if (d3d_) d3d_->Release();
  if (passwordDll_) FreeLibrary(passwordDll_);
  if (gApp == this) gApp = nullptr;
}

LRESULT CALLBACK SaverApp::windowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return gApp ? gApp->handleMessage(window, message, wparam, lparam) : DefWindowProcA(window, message, wparam, lparam);
}

HRESULT SaverApp::create(HINSTANCE instance) {
  instance_ = instance;
  const SaverCommand cmd = parseCommandLine(GetCommandLineA());
  mode_ = cmd.mode;
  parent_ = reinterpret_cast<HWND>(cmd.parent);
  rules_ = InputRules(mode_);
  listMonitors();

  if (mode_ == SaverMode::Preview || mode_ == SaverMode::Full || mode_ == SaverMode::Test) {
    const HRESULT hr = createSaverWindows();
    if (FAILED(hr)) {
      enterErrorMode(hr);
      return S_OK;
    }
    if (mode_ == SaverMode::Preview) waitForPreviewStart();
  }
  // The devices are listed in every mode: the settings dialog's Display Settings shows them.
  d3d_ = createDirect3D9(31);
  if (!d3d_) {
    enterErrorMode(kSaverNoDirect3D);
    return S_OK;
  }
  HRESULT listed = addSoftwareRasterizer();
  if (SUCCEEDED(listed)) listed = listDevices();
  if (FAILED(listed)) {
    enterErrorMode(listed);
    return S_OK;
  }
  if (!anyDeviceListed()) {
    enterErrorMode(kSaverNoDevice);
    return S_OK;
  }
  loadScreenSettings();
  return S_OK;
}

bool SaverApp::anyDeviceListed() const {
  for (const auto& d : devices_) {
    if (d->hasHal || d->hasSoftware) return true;
  }
  return false;
}

// Preview windows are shown by the control panel a moment after it starts us; wait for the
// 500 ms timer before drawing, as the panel expects.
void SaverApp::waitForPreviewStart() {
  previewStartWait_ = true;
  PostMessageA(mainWindow_, WM_USER, 0, 0);
  MSG msg;
  while (previewStartWait_) {
    const BOOL got = GetMessageA(&msg, mainWindow_, 0, 0);
    if (got == 0 || got == -1) {
      PostQuitMessage(0);
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

HRESULT SaverApp::createSaverWindows() {
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kIconId));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kWindowClass;
  RegisterClassA(&wc);

  if (mode_ == SaverMode::Preview) {
    RECT rc{};
    GetClientRect(parent_, &rc);
    mainWindow_ = CreateWindowExA(0, kWindowClass, title_.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, rc.right - rc.left,
                                  rc.bottom - rc.top, parent_, nullptr, instance_, nullptr);
    if (!mainWindow_) return E_FAIL;
    if (!monitors_.empty()) monitors_[0].window = mainWindow_;
    return S_OK;
  }
  if (mode_ == SaverMode::Full) {
    for (MonitorInfo& m : monitors_) {
      if (!m.monitor) continue;  // not on the desktop
      const RECT& r = m.screenRect;
      m.window = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, title_.c_str(), WS_POPUP | WS_VISIBLE, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, mainWindow_, nullptr, instance_, nullptr);
      if (!m.window) return E_FAIL;
      if (!mainWindow_) mainWindow_ = m.window;
    }
    return mainWindow_ ? S_OK : E_FAIL;
  }
  // Test: an ordinary window, shown maximised.
  RECT rc{50, 50, 650, 450};
  const DWORD style = WS_OVERLAPPEDWINDOW;
  AdjustWindowRect(&rc, style, FALSE);
  mainWindow_ = CreateWindowExA(0, kWindowClass, title_.c_str(), style, rc.left, rc.top, rc.right - rc.left,
                                rc.bottom - rc.top, nullptr, nullptr, instance_, nullptr);
  if (!mainWindow_) return E_FAIL;
  for (MonitorInfo& m : monitors_) m.window = mainWindow_;
  ShowWindow(mainWindow_, SW_SHOWMAXIMIZED);
  return S_OK;
}

int SaverApp::run() {
  switch (mode_) {
    case SaverMode::Config:
      openSettings();
      break;
    case SaverMode::PasswordChange: {
      // Windows 9x only; elsewhere the library or its export is missing and nothing happens.
      if (HMODULE mpr = LoadLibraryA("MPR.DLL")) {
        using ChangePassword = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
        if (auto change = procAddress<ChangePassword>(mpr, "PwdChangePasswordA")) {
          change("SCRSAVE", parent_, 0, nullptr);
        }
        FreeLibrary(mpr);
      }
      break;
    }
    default: {
      const HRESULT hr = runSaver();
      if (FAILED(hr)) showError(hr);
    }
  }
  devices_.clear();
  if (d3d_) {
    d3d_->Release();
    d3d_ = nullptr;
  }
  return 0;
}

HRESULT SaverApp::runSaver() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&version);
#pragma GCC diagnostic pop
  isWin9x_ = version.dwPlatformId == 1;  // VER_PLATFORM_WIN32_WINDOWS
  if (mode_ == SaverMode::Full && isWin9x_) loadPasswordCheck();

  if (!errorMode_) {
    const HRESULT prepared = prepareSceneOnce();
    if (FAILED(prepared)) return prepared;
    const HRESULT started = startRendering();
    if (FAILED(started)) enterErrorMode(started);
  }
  if (errorMode_ && !anySaverWindow()) {
    // Nowhere to show the error box: a preview whose parent is not a window (or went away
    // before the child was made) ends quietly, as the control panel expects; other modes
    // say why in a message box.
    stopSaver();
    return mode_ == SaverMode::Preview ? S_OK : errorCode_;
  }
  if (mode_ == SaverMode::Full) SystemParametersInfoA(kSpiScreenSaverRunning, 1, nullptr, 0);

  MSG msg{};
  while (msg.message != WM_QUIT) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else if (errorMode_) {
      moveErrorBox();
      Sleep(10);
    } else {
      drawAllUnits();
    }
  }
  return S_OK;
}

bool SaverApp::anySaverWindow() const {
  if (mainWindow_ && IsWindow(mainWindow_)) return true;
  for (const MonitorInfo& m : monitors_) {
    if (m.window && IsWindow(m.window)) return true;
  }
  return false;
}

void SaverApp::loadPasswordCheck() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD value = 0, size = sizeof value, type = 0;
  const bool use = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                    &size) == ERROR_SUCCESS && type == REG_DWORD && value != 0;
  RegCloseKey(key);
  if (!use) return;
  passwordDll_ = LoadLibraryA("PASSWORD.CPL");
  if (passwordDll_) {
    verifyPassword_ = procAddress<BOOL(WINAPI*)(HWND)>(passwordDll_, "VerifyScreenSavePwd");
  }
}

void SaverApp::handleEndInput() {
  if (!rules_.endRequestActs(passwordDialogOpen_)) return;
  if (mode_ == SaverMode::Full && isWin9x_ && verifyPassword_ && !checkPassword()) return;
  stopSaver();
}

// The devices go while the system's password dialog is up; a wrong or cancelled password
// brings them back and the saver goes on.
bool SaverApp::checkPassword() {
  stopRendering();
  for (MonitorInfo& m : monitors_) {
    if (m.window) ShowWindow(m.window, SW_RESTORE);
  }
  if (cursorHidden_) ShowCursor(TRUE);  // the password dialog needs the pointer
  cursorHidden_ = false;
  passwordDialogOpen_ = true;
  const BOOL ok = verifyPassword_(mainWindow_);
  passwordDialogOpen_ = false;
  if (ok) return true;
  ShowCursor(FALSE);
  cursorHidden_ = true;
  rules_.resetMouseMoves();
  recreateDevicesAfterPassword();
  return false;
}

void SaverApp::recreateDevicesAfterPassword() {
  if (!d3d_) d3d_ = createDirect3D9(31);
  const HRESULT hr = d3d_ ? startRendering() : kSaverNoDirect3D;
  if (FAILED(hr)) enterErrorMode(hr);
}

void SaverApp::stopSaver() {
  if (stopped_) return;
  stopped_ = true;
  if (mode_ == SaverMode::Full) SystemParametersInfoA(kSpiScreenSaverRunning, 0, nullptr, 0);
  stopRendering();
  finalRelease();
  if (passwordDll_) {
    FreeLibrary(passwordDll_);
    passwordDll_ = nullptr;
    verifyPassword_ = nullptr;
  }
  PostQuitMessage(0);
}

void SaverApp::enterErrorMode(HRESULT code) {
  errorMode_ = true;
  errorCode_ = code;
  errorText_[0] = '\0';
}

LRESULT SaverApp::handleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return frameworkHandling(window, message, wparam, lparam, false);
}

// interactive: the scene's rule that F1 turns a full-screen run into an interactive program.
LRESULT SaverApp::frameworkHandling(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool interactive) {
  InputState& input = inputState();
  switch (message) {
    case WM_DESTROY:
      stopSaver();
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      // Outside preview this paints the error box, or black where there is none: monitors
      // left black must stay so when uncovered.
      if (errorMode_ || mode_ != SaverMode::Preview) {
        paintErrorBox(window, dc);
      } else {
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      }
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      if (!passwordDialogOpen_ && windowHasUnit(window)) return 1;
      break;
    case WM_ACTIVATEAPP:
      if (wparam == FALSE && rules_.deactivated()) handleEndInput();
      break;
    case WM_SETCURSOR:
      if (mode_ == SaverMode::Full && !passwordDialogOpen_) {
        if (!cursorHidden_) ShowCursor(FALSE);  // once: the display count is not run down further
        cursorHidden_ = true;
        SetCursor(nullptr);
        return 1;
      }
      break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      input.idleSeconds = 0;
      const bool ends = message == WM_KEYDOWN ? rules_.keyDown(static_cast<int>(wparam)) : rules_.buttonDown();
      // Without the scene's rule every key but the first F1 ends a full-screen run too.
      if (ends || (!interactive && mode_ != SaverMode::Test)) handleEndInput();
      break;
    }
    case WM_SYSCOMMAND:
      if (mode_ == SaverMode::Full &&
          (wparam == SC_NEXTWINDOW || wparam == SC_PREVWINDOW || wparam == SC_CLOSE)) {
        return 0;
      }
      if (wparam == SC_SCREENSAVE) return 0;
      break;
    case WM_TIMER:
      previewStartWait_ = false;
      KillTimer(window, kPreviewTimer);
      break;
    case WM_MOUSEMOVE: {
      input.idleSeconds = 0;
      const int x = static_cast<short>(LOWORD(lparam)), y = static_cast<short>(HIWORD(lparam));
      input.lastMouseX = x;
      input.lastMouseY = y;
      if (rules_.mouseMove(x, y)) handleEndInput();
      break;
    }
    case WM_POWERBROADCAST:
      if (wparam == kSuspendQuery && rules_.suspendQuery(verifyPassword_ != nullptr)) handleEndInput();
      break;
    case WM_USER:
      SetTimer(window, kPreviewTimer, 500, nullptr);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace skyloom
