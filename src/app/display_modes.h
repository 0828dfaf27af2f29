#pragma once
// The decisions of device and mode choice, over plain lists so they can be tested without an
// adapter: which enumerated modes are usable, which mode a full-screen unit takes and what it
// falls back to, the depth-buffer format, the vertex-processing behaviour and the best adapter.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gfx/d3d_constants.h"

namespace skyloom {

struct DisplayMode {
  int width = 0;
  int height = 0;
  Format format = Format::Unknown;
  std::uint32_t behaviour = 0;              // creation flags chosen for the format
  Format depthFormat = Format::Unknown;

  bool sameSize(const DisplayMode& o) const { return width == o.width && height == o.height; }
};

enum class DeviceKind : int { Hal = 1, Ref = 2, Software = 3 };

// Vertex-processing creation flags.
struct Behaviour {
  enum : std::uint32_t { Software = 0x20, Hardware = 0x40, Mixed = 0x80, Pure = 0x10, Multithreaded = 0x4 };
};

constexpr int kMinModeWidth = 640;
constexpr int kMinModeHeight = 400;
constexpr std::size_t kMaxModes = 99;
constexpr std::size_t kMaxAdapterFormats = 19;

bool is16BitFormat(Format f);
// 32 for the 8-bit-per-channel formats, else 16.
int bitDepth(Format f);

// Modes of at least 640 × 400, without duplicates (refresh rates are ignored), at most 99, by
// width, then height ascending, then format value descending.
std::vector<DisplayMode> usableModes(const std::vector<DisplayMode>& enumerated);
// The formats the modes use, in order of first appearance after the desktop's, at most 19.
std::vector<Format> adapterFormats(Format desktop, const std::vector<DisplayMode>& modes);

// The mode a device starts on: the last 640 × 480 mode, or the first 640 × 480 mode with a
// 16-bit format when there is one; -1 without a 640 × 480 mode.
int initialModeIndex(const std::vector<DisplayMode>& modes);

struct ModeRequest {
  int width = 0, height = 0;              // configured size; 0: automatic
  Format format = Format::Unknown;
  int desktopWidth = 0, desktopHeight = 0;
};

// The full-screen mode: the configured one when still listed, else by device kind (software:
// the lowest height but 400, 16-bit preferred; others: the desktop size, 32-bit preferred),
// else the largest. -1 when there are no modes.
int chooseFullscreenMode(const std::vector<DisplayMode>& modes, DeviceKind kind, const ModeRequest& request);
// What to try after current failed: the same size in 16 bits when current is 32-bit, else the
// largest pixel count below current (32-bit preferred at equal counts); -1 when none is left.
int nextLowerMode(const std::vector<DisplayMode>& modes, int current);

// The first depth-stencil format with enough depth and stencil bits that usable accepts;
// Format::Unknown when none.
Format chooseDepthFormat(int minDepthBits, int minStencilBits, const std::function<bool(Format)>& usable);

// With hardware transform and lighting: pure hardware (when the device can be pure), hardware,
// mixed, software; without: software only. The first that accept takes, or 0.
std::uint32_t chooseBehaviour(bool hardwareTnL, bool pureCapable, const std::function<bool(std::uint32_t)>& accept);
// The scene's rule: mixed or software vertex processing only, and vertex shaders 1.1 or better
// for mixed.
bool sceneAcceptsBehaviour(std::uint32_t behaviour, std::uint32_t vertexShaderVersion);

struct AdapterSummary {
  bool hasHal = false;
  bool hasSoftware = false;
};
// The first adapter with a hardware device, else the last with a software one, else -1, taking
// the adapters in monitor order: monitorOrder lists each monitor's adapter index (-1 for none);
// adapters that drive no monitor follow in their own order.
int bestAdapter(const std::vector<AdapterSummary>& adapters, const std::vector<int>& monitorOrder = {});

}  // namespace skyloom
