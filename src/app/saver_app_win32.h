#pragma once
// The screen-saver framework: modes, saver windows, monitors, Direct3D devices, the message
// loop, the frame and the error box. It knows nothing of the scene; SceneApp plugs the scene
// into its hooks. The virtual operations keep their historical order.

#include <windows.h>
#include <d3d9.h>

#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/device_recovery.h"
#include "app/display_modes.h"
#include "app/error_box.h"
#include "app/input_rules.h"
#include "app/monitor_choices.h"
#include "platform/gfx/d3d9_device.h"

namespace skyloom {

#include "app/saver_errors.h"
constexpr int kMaxMonitors = 9;
constexpr int kErrorTextSize = 400;

struct MonitorInfo {
  char description[128] = {};
  char monitorName[128] = {};
  HMONITOR monitor = nullptr;
  RECT screenRect{};
  int deviceInfo = -1;
  HWND window = nullptr;
  ErrorBox box;
};

struct DeviceType {
  D3DDEVTYPE type = D3DDEVTYPE_HAL;
  D3DCAPS9 caps{};
  bool canDoWindowed = false;
  std::vector<DisplayMode> modes;
  int currentMode = -1;
};

struct DeviceInfo {
  UINT adapter = 0;
  int monitor = -1;
  D3DADAPTER_IDENTIFIER9 identifier{};
  D3DDISPLAYMODE desktop{};
  std::vector<DeviceType> types;
  bool hasHal = false;       // a hardware device with usable modes
  bool hasSoftware = false;
  bool halPresent = false;   // the device type exists, usable or not
  bool softwarePresent = false;
  ScreenChoice choice;  // the per-screen settings
  int currentType = 0;
  HWND window = nullptr;
};

// The recovery state (restored, failed resets) of unit i is recovery_[i]; its presentation
// parameters live in renderDevice, which resets with them.
struct RenderUnit {
  int deviceInfo = -1;
  int monitor = -1;
  D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
  DWORD behaviour = 0;
  IDirect3DDevice9* device = nullptr;
  std::unique_ptr<D3D9Device> renderDevice;  // the scene's view of device
  bool initialised = false;
};

class SaverApp {
 public:
  SaverApp();

  virtual HRESULT create(HINSTANCE instance);
  virtual int run();
  virtual void openSettings() {}
  virtual void loadScreenSettings() {}
  virtual void paintErrorBox(HWND window, HDC dc);
  virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  virtual void describeDevice() {}
  virtual void countFrameRate() {}
  virtual bool errorText(HRESULT code, char* buffer, int size);
  virtual void selectUnit(int) {}
  virtual HRESULT addSoftwareRasterizer() { return S_OK; }
  virtual HRESULT acceptDevice(const D3DCAPS9&, DWORD, D3DFORMAT) { return S_OK; }
  virtual HRESULT acceptMode(IDirect3DDevice9*) { return S_OK; }
  virtual HRESULT prepareSceneOnce() { return S_OK; }
  virtual HRESULT createDeviceResources() { return S_OK; }
  virtual HRESULT acquireVideoResources() { return S_OK; }
  virtual HRESULT advanceFrame() { return S_OK; }
  virtual HRESULT render() { return S_OK; }
  virtual HRESULT dropVideoResources() { return S_OK; }
  virtual HRESULT destroyDeviceResources() { return S_OK; }
  virtual HRESULT finalRelease() { return S_OK; }
  virtual ~SaverApp();

  // The "Display Settings" dialog for the monitor that shows the scene; answers IDOK or IDCANCEL.
  INT_PTR openDisplayDialog(HWND parent);

  // Message box on the main window with the code's text; returns the code.
  HRESULT showError(HRESULT code);
  SaverMode mode() const { return mode_; }

 protected:
  // The framework's handling of messages that end a run, paint, and so on.
  LRESULT frameworkHandling(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool interactive);
  void handleEndInput();
  void stopSaver();
  void enterErrorMode(HRESULT code);
  HRESULT resetUnitForResize();

  // Monitors and devices.
  bool anyDeviceListed() const;
  bool anySaverWindow() const;
  void listMonitors();
  HRESULT listDevices();
  HRESULT startRendering();
  void drawAllUnits();
  void moveErrorBox();
  void stopRendering();
  void bindRenderUnit(int i);
  // Whether window shows a render unit's picture (and so needs no background erase).
  bool windowHasUnit(HWND window) const;
  MonitorChoices monitorChoices() const;
  void applyMonitorChoices(const MonitorChoices& choices);

  IDirect3DDevice9* device() const { return device_; }
  RenderDevice* renderDevice() const { return currentUnit_ >= 0 ? units_[currentUnit_].renderDevice.get() : nullptr; }
  const D3DSURFACE_DESC& backBuffer() const { return backBufferDesc_; }
  HWND mainWindow() const { return mainWindow_; }
  HINSTANCE instance() const { return instance_; }
  HWND parentWindow() const { return parent_; }
  InputRules& rules() { return rules_; }
  bool windowed() const { return mode_ != SaverMode::Full; }

  std::string title_ = "Screen Saver";

 private:
  // The frame and the device recovery call the application's hooks through this.
  class Hooks final : public FrameHooks {
   public:
    explicit Hooks(SaverApp& app) : app_(app) {}
    void bindUnit(int unit) override { app_.bindRenderUnit(unit); }
    void advanceFrame() override { app_.advanceFrame(); }
    void render() override { app_.render(); }
    HResult acquireVideoResources() override { return app_.acquireVideoResources(); }
    void dropVideoResources() override { app_.dropVideoResources(); }
    void beforeReset(int unit) override { app_.rereadDesktopMode(unit); }

   private:
    SaverApp& app_;
  };
  void rereadDesktopMode(int unit);

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HRESULT createSaverWindows();
  void waitForPreviewStart();
  HRESULT runSaver();
  void loadPasswordCheck();
  bool checkPassword();
  HRESULT initialiseDeviceType(DeviceInfo& info, D3DDEVTYPE type);
  DWORD behaviourFor(const D3DCAPS9& caps, D3DFORMAT format);
  D3DFORMAT depthFormatFor(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT backBuffer);
  HRESULT createFullscreenUnit(int deviceInfo);
  HRESULT createWindowedUnit(int deviceInfo);
  HRESULT initialiseUnits();
  void recreateDevicesAfterPassword();
  RECT errorArea(const MonitorInfo& m) const;
  static INT_PTR CALLBACK displayDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  int displayMonitor() const;
  void fillDisplayDialog(HWND dialog);
  INT_PTR displayCommand(HWND dialog, WORD control, WORD notification);

  SaverMode mode_ = SaverMode::Config;
  HWND parent_ = nullptr;
  HWND mainWindow_ = nullptr;
  HINSTANCE instance_ = nullptr;
  bool previewStartWait_ = false;
  bool isWin9x_ = false;
  bool allScreensSame_ = false;
  HMODULE passwordDll_ = nullptr;
  BOOL(WINAPI* verifyPassword_)(HWND) = nullptr;
  bool passwordDialogOpen_ = false;
  InputRules rules_{SaverMode::Config};
  bool errorMode_ = false;
  HRESULT errorCode_ = S_OK;
  char errorText_[kErrorTextSize] = {};
  bool stopped_ = false;

  std::vector<MonitorInfo> monitors_;
  std::vector<std::unique_ptr<DeviceInfo>> devices_;
  std::vector<RenderUnit> units_;
  std::vector<UnitDevice> recovery_;  // one per unit
  Hooks hooks_{*this};
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  int currentUnit_ = -1;
  D3DSURFACE_DESC backBufferDesc_{};
  RECT clientRect_{};
  RECT saverRect_{};  // full screen: the union of the units' monitors
  bool cursorHidden_ = false;
  DWORD lastErrorTick_ = 0;
  SIZE lastClientSize_{};
};

}  // namespace skyloom
