#include "app/display_modes.h"

#include <algorithm>

namespace skyloom {

bool is16BitFormat(Format f) {
  switch (f) {
    case Format::R5G6B5:
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
    case Format::A4R4G4B4:
    case Format::X4R4G4B4:
      return true;
    default:
      return false;
  }
}

int bitDepth(Format f) {
  const auto v = static_cast<std::uint32_t>(f);
  return (v >= 20 && v <= 22) ? 32 : 16;
}

std::vector<DisplayMode> usableModes(const std::vector<DisplayMode>& enumerated) {
  std::vector<DisplayMode> out;
  for (const DisplayMode& m : enumerated) {
    if (m.width < kMinModeWidth || m.height < kMinModeHeight) continue;
    const bool seen = std::any_of(out.begin(), out.end(),
                                  [&](const DisplayMode& o) { return o.sameSize(m) && o.format == m.format; });
    if (seen) continue;
    if (out.size() >= kMaxModes) break;
    out.push_back(m);
  }
  std::stable_sort(out.begin(), out.end(), [](const DisplayMode& a, const DisplayMode& b) {
    if (a.width != b.width) return a.width < b.width;
    if (a.height != b.height) return a.height < b.height;
    return static_cast<std::uint32_t>(a.format) > static_cast<std::uint32_t>(b.format);
  });
  return out;
}

std::vector<Format> adapterFormats(Format desktop, const std::vector<DisplayMode>& modes) {
  std::vector<Format> formats{desktop};
  for (const DisplayMode& m : modes) {
    if (formats.size() >= kMaxAdapterFormats) break;
    if (std::find(formats.begin(), formats.end(), m.format) == formats.end()) formats.push_back(m.format);
  }
  return formats;
}

int initialModeIndex(const std::vector<DisplayMode>& modes) {
  int last = -1;
  for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
    if (modes[i].width != 640 || modes[i].height != 480) continue;
    if (is16BitFormat(modes[i].format)) return i;
    last = i;
  }
  return last;
}

namespace {

int configuredMode(const std::vector<DisplayMode>& modes, const ModeRequest& r) {
  for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
    const DisplayMode& m = modes[i];
    if (m.width == r.width && m.height == r.height && m.format == r.format) return i;
  }
  return -1;
}

// The lowest height other than 400, a 16-bit format winning at equal heights.
int lowestSoftwareMode(const std::vector<DisplayMode>& modes) {
  int best = -1;
  for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
    const DisplayMode& m = modes[i];
    if (m.height == 400) continue;
    if (best < 0 || m.height < modes[best].height ||
        (m.height == modes[best].height && is16BitFormat(m.format) && !is16BitFormat(modes[best].format))) {
      best = i;
    }
  }
  return best;
}

int desktopSizedMode(const std::vector<DisplayMode>& modes, const ModeRequest& r) {
  int first = -1;
  for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
    const DisplayMode& m = modes[i];
    if (m.width != r.desktopWidth || m.height != r.desktopHeight) continue;
    if (m.format == Format::X8R8G8B8 || m.format == Format::A8R8G8B8) return i;
    if (first < 0) first = i;
  }
  return first;
}

int largestMode(const std::vector<DisplayMode>& modes) {
  int best = -1;
  for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
    const DisplayMode& m = modes[i];
    if (best < 0 || m.width > modes[best].width || m.height > modes[best].height ||
        (m.sameSize(modes[best]) && bitDepth(m.format) > bitDepth(modes[best].format))) {
      best = i;
    }
  }
  return best;
}

}  // namespace

int chooseFullscreenMode(const std::vector<DisplayMode>& modes, DeviceKind kind, const ModeRequest& request) {
  if (request.width != 0) {
    const int configured = configuredMode(modes, request);
    if (configured >= 0) return configured;  // a mode no longer listed falls through to automatic
  }
  const int automatic = kind == DeviceKind::Software ? lowestSoftwareMode(modes) : desktopSizedMode(modes, request);
  return automatic >= 0 ? automatic : largestMode(modes);
}

int nextLowerMode(const std::vector<DisplayMode>& modes, int current) {
  if (current < 0 || current >= static_cast<int>(modes.size())) return -1;
  const DisplayMode& cur = modes[current];
  if (bitDepth(cur.format) == 32) {
    for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
      if (modes[i].sameSize(cur) && is16BitFormat(modes[i].format)) return i;
    }
  }
  const long long curPixels = static_cast<long long>(cur.width) * cur.height;
  int best = -1;
  long long bestPixels = -1;
  for (int i = 0; i < static_cast<int>(modes.size()); ++i) {
    const long long p = static_cast<long long>(modes[i].width) * modes[i].height;
    if (p >= curPixels) continue;
    if (p > bestPixels || (p == bestPixels && bitDepth(modes[i].format) > bitDepth(modes[best].format))) {
      best = i;
      bestPixels = p;
    }
  }
  return best;
}

Format chooseDepthFormat(int minDepthBits, int minStencilBits, const std::function<bool(Format)>& usable) {
  struct Candidate {
    Format format;
    int depth, stencil;
  };
  static constexpr Candidate kCandidates[] = {
      {Format::D16, 16, 0},   {Format::D15S1, 15, 1},   {Format::D24X8, 24, 0},
      {Format::D24S8, 24, 8}, {Format::D24X4S4, 24, 4}, {Format::D32, 32, 0},
  };
  for (const Candidate& c : kCandidates) {
    const bool enough = minDepthBits <= c.depth && minStencilBits <= c.stencil;
    if (enough && usable(c.format)) return c.format;
  }
  return Format::Unknown;
}

std::uint32_t chooseBehaviour(bool hardwareTnL, bool pureCapable, const std::function<bool(std::uint32_t)>& accept) {
  std::vector<std::uint32_t> tries;
  if (hardwareTnL) {
    if (pureCapable) tries.push_back(Behaviour::Pure | Behaviour::Hardware);
    tries.push_back(Behaviour::Hardware);
    tries.push_back(Behaviour::Mixed);
  }
  tries.push_back(Behaviour::Software);
  for (std::uint32_t b : tries) {
    if (accept(b)) return b;
  }
  return 0;
}

bool sceneAcceptsBehaviour(std::uint32_t behaviour, std::uint32_t vertexShaderVersion) {
  constexpr std::uint32_t kShaders11 = 0xFFFE0101;
  const bool mixed = behaviour & Behaviour::Mixed;
  if (!mixed && !(behaviour & Behaviour::Software)) return false;
  if ((mixed || (behaviour & Behaviour::Hardware)) && vertexShaderVersion < kShaders11) return false;
  return true;
}

int bestAdapter(const std::vector<AdapterSummary>& adapters, const std::vector<int>& monitorOrder) {
  const int count = static_cast<int>(adapters.size());
  std::vector<int> order;
  std::vector<bool> placed(adapters.size(), false);
  for (int a : monitorOrder) {
    if (a >= 0 && a < count && !placed[a]) {
      order.push_back(a);
      placed[a] = true;
    }
  }
  for (int a = 0; a < count; ++a) {
    if (!placed[a]) order.push_back(a);
  }
  int lastSoftware = -1;
  for (int a : order) {
    if (adapters[a].hasHal) return a;
    if (adapters[a].hasSoftware) lastSoftware = a;
  }
  return lastSoftware;
}

}  // namespace skyloom
