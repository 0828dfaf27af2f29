// The framework's monitors, adapters, render units, frame and error box.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/saver_app_win32.h"
#include "platform/win32_procs.h"

namespace skyloom {
namespace {

constexpr DWORD kMirroringDriver = 0x8;   // DISPLAY_DEVICE_MIRRORING_DRIVER
constexpr DWORD kAttachedToDesktop = 0x1; // DISPLAY_DEVICE_ATTACHED_TO_DESKTOP
constexpr DWORD kPrimaryDevice = 0x4;     // DISPLAY_DEVICE_PRIMARY_DEVICE

// The monitor functions, taken from USER32 at run time: all of them or none.
struct MonitorApi {
  using EnumDevices = BOOL(WINAPI*)(LPCSTR, DWORD, PDISPLAY_DEVICEA, DWORD);
  using FromRect = HMONITOR(WINAPI*)(LPCRECT, DWORD);
  using GetInfo = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
  EnumDevices enumDevices = nullptr;
  FromRect fromRect = nullptr;
  GetInfo getInfo = nullptr;

  static const MonitorApi& get() {
    static const MonitorApi api = [] {
      MonitorApi a;
      HMODULE user = GetModuleHandleA("USER32");
      if (!user) return a;
      const char* names[] = {"GetSystemMetrics", "MonitorFromWindow", "MonitorFromRect", "MonitorFromPoint",
                             "EnumDisplayMonitors", "GetMonitorInfoA", "EnumDisplayDevicesA"};
      for (const char* n : names) {
        if (!GetProcAddress(user, n)) return a;
      }
      a.enumDevices = procAddress<EnumDevices>(user, "EnumDisplayDevicesA");
      a.fromRect = procAddress<FromRect>(user, "MonitorFromRect");
      a.getInfo = procAddress<GetInfo>(user, "GetMonitorInfoA");
      return a;
    }();
    return api;
  }
  bool available() const { return enumDevices != nullptr; }
};

D3DFORMAT toD3D(Format f) { return static_cast<D3DFORMAT>(static_cast<std::uint32_t>(f)); }
Format fromD3D(D3DFORMAT f) { return static_cast<Format>(static_cast<std::uint32_t>(f)); }

}  // namespace

void SaverApp::listMonitors() {
  monitors_.clear();
  const MonitorApi& api = MonitorApi::get();
  if (!api.available()) {
    MonitorInfo m;
    std::strcpy(m.description, "DISPLAY");
    m.screenRect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    m.monitor = reinterpret_cast<HMONITOR>(1);  // the one screen there is
    monitors_.push_back(m);
    return;
  }
  DISPLAY_DEVICEA adapter{};
  adapter.cb = sizeof adapter;
  for (DWORD i = 0; monitors_.size() < kMaxMonitors && api.enumDevices(nullptr, i, &adapter, 0); ++i) {
    if (adapter.StateFlags & kMirroringDriver) continue;
    MonitorInfo m;
    std::snprintf(m.description, sizeof m.description, "%s", adapter.DeviceString);
    DISPLAY_DEVICEA monitor{};
    monitor.cb = sizeof monitor;
    if (api.enumDevices(adapter.DeviceName, 0, &monitor, 0)) {
      std::snprintf(m.monitorName, sizeof m.monitorName, "%s", monitor.DeviceString);
    }
    if (adapter.StateFlags & kAttachedToDesktop) {
      DEVMODEA dm{};
      dm.dmSize = sizeof dm;
      if (EnumDisplaySettingsA(adapter.DeviceName, ENUM_CURRENT_SETTINGS, &dm)) {
        const bool primary = adapter.StateFlags & kPrimaryDevice;
        const LONG x = primary ? 0 : dm.dmPosition.x, y = primary ? 0 : dm.dmPosition.y;
        m.screenRect = {x, y, x + static_cast<LONG>(dm.dmPelsWidth), y + static_cast<LONG>(dm.dmPelsHeight)};
        m.monitor = api.fromRect(&m.screenRect, MONITOR_DEFAULTTONULL);
      }
    }
    monitors_.push_back(m);
    adapter = {};
    adapter.cb = sizeof adapter;
  }
  if (monitors_.empty()) {
    MonitorInfo m;
    std::strcpy(m.description, "DISPLAY");
    m.screenRect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    m.monitor = api.fromRect(&m.screenRect, MONITOR_DEFAULTTOPRIMARY);
    monitors_.push_back(m);
  }
}

DWORD SaverApp::behaviourFor(const D3DCAPS9& caps, D3DFORMAT format) {
  const bool tnl = caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  const bool pure = caps.DevCaps & D3DDEVCAPS_PUREDEVICE;
  return chooseBehaviour(tnl, pure, [&](std::uint32_t b) { return SUCCEEDED(acceptDevice(caps, b, format)); });
}

D3DFORMAT SaverApp::depthFormatFor(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT backBuffer) {
  const Format f = chooseDepthFormat(16, 0, [&](Format depth) {
    return SUCCEEDED(d3d_->CheckDeviceFormat(adapter, type, adapterFormat, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                             toD3D(depth))) &&
           SUCCEEDED(d3d_->CheckDepthStencilMatch(adapter, type, adapterFormat, backBuffer, toD3D(depth)));
  });
  return toD3D(f);
}

HRESULT SaverApp::initialiseDeviceType(DeviceInfo& info, D3DDEVTYPE type) {
  DeviceType t;
  t.type = type;
  if (FAILED(d3d_->GetDeviceCaps(info.adapter, type, &t.caps))) return E_FAIL;
  (type == D3DDEVTYPE_HAL ? info.halPresent : info.softwarePresent) = true;
  // Every mode of the adapter, then those whose format this device type can run full-screen.
  std::vector<DisplayMode> raw;
  for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5}) {
    const UINT count = d3d_->GetAdapterModeCount(info.adapter, f);
    for (UINT i = 0; i < count; ++i) {
      D3DDISPLAYMODE dm{};
      if (SUCCEEDED(d3d_->EnumAdapterModes(info.adapter, f, i, &dm))) {
        raw.push_back({static_cast<int>(dm.Width), static_cast<int>(dm.Height), fromD3D(dm.Format)});
      }
    }
  }
  const std::vector<DisplayMode> modes = usableModes(raw);
  for (Format f : adapterFormats(fromD3D(info.desktop.Format), modes)) {
    if (FAILED(d3d_->CheckDeviceType(info.adapter, type, toD3D(f), toD3D(f), FALSE))) continue;
    const DWORD behaviour = behaviourFor(t.caps, toD3D(f));
    const D3DFORMAT depth = depthFormatFor(info.adapter, type, toD3D(f), toD3D(f));
    if (!behaviour || depth == D3DFMT_UNKNOWN) continue;
    for (const DisplayMode& m : modes) {
      if (m.format != f) continue;
      DisplayMode usable = m;
      usable.behaviour = behaviour;
      usable.depthFormat = fromD3D(depth);
      t.modes.push_back(usable);
    }
  }
  t.modes = usableModes(t.modes);  // back into width, height, format order
  if (t.modes.empty()) return E_FAIL;
  t.currentMode = std::max(0, initialModeIndex(t.modes));
  t.canDoWindowed = SUCCEEDED(d3d_->CheckDeviceType(info.adapter, type, info.desktop.Format, info.desktop.Format, TRUE));
  if (type == D3DDEVTYPE_HAL) info.hasHal = true;
  if (type == D3DDEVTYPE_SW) info.hasSoftware = true;
  info.types.push_back(std::move(t));
  return S_OK;
}

HRESULT SaverApp::listDevices() {
  const UINT adapters = d3d_->GetAdapterCount();
  for (UINT a = 0; a < adapters; ++a) {
    auto info = std::make_unique<DeviceInfo>();
    info->adapter = a;
    d3d_->GetAdapterIdentifier(a, 0, &info->identifier);
    d3d_->GetAdapterDisplayMode(a, &info->desktop);
    const HMONITOR hm = d3d_->GetAdapterMonitor(a);
    for (int m = 0; m < static_cast<int>(monitors_.size()); ++m) {
      // Without the monitor functions there is one screen, driven by the first adapter.
      const bool onlyScreen = monitors_.size() == 1 && monitors_[0].deviceInfo < 0;
      if (monitors_[m].monitor == hm || onlyScreen) {
        info->monitor = m;
        monitors_[m].deviceInfo = static_cast<int>(devices_.size());
        break;
      }
    }
    std::memcpy(info->choice.adapterId.data(), &info->identifier.DeviceIdentifier, 16);
    initialiseDeviceType(*info, D3DDEVTYPE_HAL);
    initialiseDeviceType(*info, D3DDEVTYPE_SW);
    devices_.push_back(std::move(info));
  }
  return S_OK;
}

MonitorChoices SaverApp::monitorChoices() const {
  MonitorChoices c;
  c.allScreensSame = allScreensSame_;
  for (const MonitorInfo& m : monitors_) {
    c.hasAdapter.push_back(m.deviceInfo >= 0);
    c.screens.push_back(m.deviceInfo >= 0 ? devices_[m.deviceInfo]->choice : ScreenChoice{});
  }
  return c;
}

void SaverApp::applyMonitorChoices(const MonitorChoices& c) {
  allScreensSame_ = c.allScreensSame;
  for (std::size_t i = 0; i < monitors_.size() && i < c.screens.size(); ++i) {
    if (monitors_[i].deviceInfo >= 0) devices_[monitors_[i].deviceInfo]->choice = c.screens[i];
  }
}

HRESULT SaverApp::createFullscreenUnit(int deviceIndex) {
  DeviceInfo& info = *devices_[deviceIndex];
  // Hardware unless switched off for this monitor, else the software device.
  int typeIndex = -1;
  for (int i = 0; i < static_cast<int>(info.types.size()) && typeIndex < 0; ++i) {
    if (info.types[i].type == D3DDEVTYPE_HAL && !info.choice.disableHardware) typeIndex = i;
  }
  for (int i = 0; i < static_cast<int>(info.types.size()) && typeIndex < 0; ++i) {
    if (info.types[i].type == D3DDEVTYPE_SW) typeIndex = i;
  }
  if (typeIndex < 0) return kSaverNoDeviceType;
  DeviceType& type = info.types[typeIndex];
  const ModeRequest request{info.choice.width, info.choice.height, static_cast<Format>(info.choice.format),
                            static_cast<int>(info.desktop.Width), static_cast<int>(info.desktop.Height)};
  const DeviceKind kind = type.type == D3DDEVTYPE_SW ? DeviceKind::Software : DeviceKind::Hal;
  HWND window = monitors_[info.monitor].window;
  HRESULT hr = E_FAIL;
  for (int m = chooseFullscreenMode(type.modes, kind, request); m >= 0; m = nextLowerMode(type.modes, m)) {
    const DisplayMode& mode = type.modes[m];
    RenderUnit unit;
    unit.deviceInfo = deviceIndex;
    unit.monitor = info.monitor;
    unit.deviceType = type.type;
    unit.behaviour = mode.behaviour;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = static_cast<UINT>(mode.width);
    pp.BackBufferHeight = static_cast<UINT>(mode.height);
    pp.BackBufferFormat = toD3D(mode.format);
    pp.BackBufferCount = 2;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = FALSE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = toD3D(mode.depthFormat);
    pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    hr = d3d_->CreateDevice(info.adapter, type.type, mainWindow_, unit.behaviour, &pp, &unit.device);
    if (SUCCEEDED(hr) && FAILED(hr = acceptMode(unit.device))) {
      unit.device->Release();
      unit.device = nullptr;
    }
    if (SUCCEEDED(hr)) {
      type.currentMode = m;
      info.currentType = typeIndex;
      unit.renderDevice = std::make_unique<D3D9Device>(unit.device, pp);
      units_.push_back(std::move(unit));
      return S_OK;
    }
  }
  return FAILED(hr) ? hr : E_FAIL;
}

HRESULT SaverApp::createWindowedUnit(int deviceIndex) {
  DeviceInfo& info = *devices_[deviceIndex];
  int typeIndex = -1;
  for (int i = 0; i < static_cast<int>(info.types.size()) && typeIndex < 0; ++i) {
    const DeviceType& t = info.types[i];
    if (t.type == D3DDEVTYPE_HAL && t.canDoWindowed && !info.choice.disableHardware) typeIndex = i;
  }
  for (int i = 0; i < static_cast<int>(info.types.size()) && typeIndex < 0; ++i) {
    if (info.types[i].type == D3DDEVTYPE_SW && info.types[i].canDoWindowed) typeIndex = i;
  }
  if (typeIndex < 0) return kSaverNoDeviceType;
  const DeviceType& type = info.types[typeIndex];
  RenderUnit unit;
  unit.deviceInfo = deviceIndex;
  unit.monitor = info.monitor;
  unit.deviceType = type.type;
  D3DFORMAT backBuffer = D3DFMT_UNKNOWN, depth = D3DFMT_UNKNOWN;
  for (D3DFORMAT f : {info.desktop.Format, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_R5G6B5}) {
    if (FAILED(d3d_->CheckDeviceType(info.adapter, type.type, info.desktop.Format, f, TRUE))) continue;
    unit.behaviour = behaviourFor(type.caps, f);
    depth = depthFormatFor(info.adapter, type.type, info.desktop.Format, f);
    if (unit.behaviour && depth != D3DFMT_UNKNOWN) {
      backBuffer = f;
      break;
    }
  }
  if (backBuffer == D3DFMT_UNKNOWN) return E_FAIL;
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferFormat = backBuffer;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = mainWindow_;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = depth;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  const HRESULT hr = d3d_->CreateDevice(info.adapter, type.type, mainWindow_, unit.behaviour, &pp, &unit.device);
  if (FAILED(hr)) return hr;
  info.currentType = typeIndex;
  unit.renderDevice = std::make_unique<D3D9Device>(unit.device, pp);
  units_.push_back(std::move(unit));
  return S_OK;
}

HRESULT SaverApp::startRendering() {
  std::vector<AdapterSummary> summary;
  std::vector<int> monitorOrder;
  for (const auto& d : devices_) summary.push_back({d->hasHal, d->hasSoftware});
  for (const MonitorInfo& m : monitors_) monitorOrder.push_back(m.deviceInfo);
  const int best = bestAdapter(summary, monitorOrder);
  if (mode_ == SaverMode::Full) {
    if (best < 0) return kSaverNoDevice;
    for (int i = 0; i < static_cast<int>(devices_.size()); ++i) devices_[i]->choice.leaveBlack = i != best;
    for (int i = 0; i < static_cast<int>(devices_.size()); ++i) {
      DeviceInfo& d = *devices_[i];
      if (d.monitor < 0 || d.choice.leaveBlack || d.types.empty()) continue;
      if (d.choice.disableHardware && !d.hasSoftware) continue;
      if (FAILED(createFullscreenUnit(i))) return kSaverUnitFailed;
    }
  } else {
    if (best < 0) return kSaverUnitFailed;
    if (FAILED(createWindowedUnit(best))) return mode_ == SaverMode::Preview ? kSaverPreviewFailed : kSaverUnitFailed;
  }
  recovery_.assign(units_.size(), UnitDevice{});
  for (std::size_t i = 0; i < units_.size(); ++i) recovery_[i].device = units_[i].renderDevice.get();

  const MonitorApi& api = MonitorApi::get();
  for (MonitorInfo& m : monitors_) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (api.available() && m.monitor && api.getInfo(m.monitor, &mi)) m.screenRect = mi.rcMonitor;
  }
  saverRect_ = {};
  if (mode_ == SaverMode::Full) {
    for (const RenderUnit& u : units_) {
      if (u.monitor >= 0) UnionRect(&saverRect_, &saverRect_, &monitors_[u.monitor].screenRect);
    }
  }
  return initialiseUnits();
}

HRESULT SaverApp::initialiseUnits() {
  for (int i = 0; i < static_cast<int>(units_.size()); ++i) {
    bindRenderUnit(i);
    if (FAILED(createDeviceResources())) return kSaverDeviceObjects;
    units_[i].initialised = true;
    if (FAILED(acquireVideoResources())) return kSaverDeviceObjects;
    recovery_[i].restored = true;
  }
  rules_.resetMouseMoves();
  if (mainWindow_) {
    RECT rc{};
    GetClientRect(mainWindow_, &rc);
    lastClientSize_ = {rc.right - rc.left, rc.bottom - rc.top};
  }
  return S_OK;
}

void SaverApp::bindRenderUnit(int i) {
  currentUnit_ = i;
  RenderUnit& unit = units_[i];
  device_ = unit.device;
  if (mode_ == SaverMode::Full && unit.monitor >= 0) {
    clientRect_ = monitors_[unit.monitor].screenRect;
  } else if (mainWindow_) {
    GetClientRect(mainWindow_, &clientRect_);
  }
  IDirect3DSurface9* back = nullptr;
  if (device_ && SUCCEEDED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) {
    back->GetDesc(&backBufferDesc_);
    back->Release();
  }
  selectUnit(i);
}

bool SaverApp::windowHasUnit(HWND window) const {
  for (const RenderUnit& u : units_) {
    if (u.renderDevice && u.renderDevice->presentParameters().hDeviceWindow == window) return true;
  }
  return false;
}

void SaverApp::drawAllUnits() {
  const FrameResult result = drawFrame(recovery_, hooks_);
  if (failed(result.error)) enterErrorMode(result.error);
}

// A windowed device is reset in the desktop's current format: the user may have changed the
// colour depth while it was lost.
void SaverApp::rereadDesktopMode(int unit) {
  if (mode_ == SaverMode::Full || unit < 0 || unit >= static_cast<int>(units_.size())) return;
  RenderUnit& u = units_[unit];
  DeviceInfo& info = *devices_[u.deviceInfo];
  D3DDISPLAYMODE desktop{};
  if (FAILED(d3d_->GetAdapterDisplayMode(info.adapter, &desktop))) return;
  info.desktop = desktop;
  D3DPRESENT_PARAMETERS& pp = u.renderDevice->presentParameters();
  if (pp.BackBufferFormat != desktop.Format &&
      SUCCEEDED(d3d_->CheckDeviceType(info.adapter, u.deviceType, desktop.Format, desktop.Format, TRUE)) &&
      SUCCEEDED(d3d_->CheckDepthStencilMatch(info.adapter, u.deviceType, desktop.Format, desktop.Format,
                                             pp.AutoDepthStencilFormat))) {
    pp.BackBufferFormat = desktop.Format;
  }
}

// A windowed run whose client area changed size gets a device of the new size.
HRESULT SaverApp::resetUnitForResize() {
  if (mode_ == SaverMode::Full || units_.empty() || !mainWindow_) return S_OK;
  RECT rc{};
  GetClientRect(mainWindow_, &rc);
  const SIZE size{rc.right - rc.left, rc.bottom - rc.top};
  if (size.cx == lastClientSize_.cx && size.cy == lastClientSize_.cy) return S_OK;
  if (size.cx <= 0 || size.cy <= 0) return S_OK;  // minimised: keep the old device
  lastClientSize_ = size;
  D3DPRESENT_PARAMETERS& pp = units_[0].renderDevice->presentParameters();
  pp.BackBufferWidth = static_cast<UINT>(size.cx);
  pp.BackBufferHeight = static_cast<UINT>(size.cy);
  const HRESULT hr = resetForResize(recovery_[0], 0, hooks_);
  if (FAILED(hr)) enterErrorMode(hr);
  // For the measurements of long runs: a reset must give back what it took.
  char text[128];
  std::snprintf(text, sizeof text, "Skyloom: device reset for %ldx%ld, %ld textures live (%.1f MB)\n", size.cx,
                size.cy, D3D9Texture::liveCount(), static_cast<double>(D3D9Texture::liveBytes()) / (1 << 20));
  OutputDebugStringA(text);
  return hr;
}

void SaverApp::stopRendering() {
  for (int i = 0; i < static_cast<int>(units_.size()); ++i) {
    bindRenderUnit(i);
    RenderUnit& unit = units_[i];
    if (recovery_[i].restored) dropVideoResources();
    if (unit.initialised) destroyDeviceResources();
    recovery_[i].restored = unit.initialised = false;
    unit.renderDevice.reset();
    if (unit.device) unit.device->Release();
    unit.device = nullptr;
  }
  units_.clear();
  recovery_.clear();
  currentUnit_ = -1;
  device_ = nullptr;
}

RECT SaverApp::errorArea(const MonitorInfo& m) const {
  RECT area{};
  if (mode_ == SaverMode::Full) {
    area = m.screenRect;
    POINT origin{area.left, area.top};
    ScreenToClient(m.window, &origin);
    OffsetRect(&area, origin.x - area.left, origin.y - area.top);
  } else {
    GetClientRect(m.window, &area);
  }
  return area;
}

void SaverApp::moveErrorBox() {
  if (!units_.empty()) stopRendering();
  const DWORD now = timeGetTime();
  const float dt = lastErrorTick_ ? static_cast<float>(now - lastErrorTick_) * 0.001f : 0.0f;
  lastErrorTick_ = now;
  if (!errorText_[0]) errorText(errorCode_, errorText_, kErrorTextSize);
  const bool preview = mode_ == SaverMode::Preview;
  for (MonitorInfo& m : monitors_) {
    if (!m.window) continue;
    const RECT area = errorArea(m);
    const bool first = m.box.w == 0.0f;
    const RECT before{static_cast<LONG>(m.box.x), static_cast<LONG>(m.box.y), static_cast<LONG>(m.box.x + m.box.w) + 1,
                      static_cast<LONG>(m.box.y + m.box.h) + 1};
    const bool moved = stepErrorBox(m.box, static_cast<float>(area.right - area.left),
                                    static_cast<float>(area.bottom - area.top), preview, dt);
    if (!moved) continue;
    if (first) {
      InvalidateRect(m.window, nullptr, FALSE);
    } else {
      const RECT after{static_cast<LONG>(m.box.x), static_cast<LONG>(m.box.y),
                       static_cast<LONG>(m.box.x + m.box.w) + 1, static_cast<LONG>(m.box.y + m.box.h) + 1};
      RECT a = before, b = after;
      OffsetRect(&a, area.left, area.top);
      OffsetRect(&b, area.left, area.top);
      InvalidateRect(m.window, &a, FALSE);
      InvalidateRect(m.window, &b, FALSE);
    }
    UpdateWindow(m.window);
  }
}

void SaverApp::paintErrorBox(HWND window, HDC dc) {
  const MonitorInfo* monitor = nullptr;
  for (const MonitorInfo& m : monitors_) {
    if (m.window == window) {
      monitor = &m;
      break;
    }
  }
  if (!monitor) return;
  const RECT area = errorArea(*monitor);
  RECT box{area.left + static_cast<LONG>(monitor->box.x), area.top + static_cast<LONG>(monitor->box.y), 0, 0};
  box.right = box.left + static_cast<LONG>(monitor->box.w);
  box.bottom = box.top + static_cast<LONG>(monitor->box.h);
  if (monitor->box.w > 0) {
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT text = box;
    InflateRect(&text, -10, -10);
    RECT measure = text;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, errorText_, -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    const LONG offset = ((text.bottom - text.top) - (measure.bottom - measure.top)) / 2;
    text.top += std::max<LONG>(0, offset);
    DrawTextA(dc, errorText_, -1, &text, DT_WORDBREAK | DT_CENTER);
    SelectObject(dc, oldFont);
    ExcludeClipRect(dc, box.left, box.top, box.right, box.bottom);
  }
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

bool SaverApp::errorText(HRESULT code, char* buffer, int size) {
  const SaverErrorText& entry = saverErrorText(code);
  if (size > 0 && LoadStringA(instance_, entry.stringId, buffer, size) == 0) {
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", entry.text);
  }
  return entry.stringId != kGenericErrorTextId;
}

HRESULT SaverApp::showError(HRESULT code) {
  char text[kErrorTextSize];
  errorText(code, text, kErrorTextSize);
  MessageBoxA(mainWindow_, text, title_.c_str(), MB_ICONERROR | MB_OK);
  return code;
}

}  // namespace skyloom
