#include "aircraft_atlas.h"

#include <algorithm>
#include <cmath>

namespace skyloom::assetgen {

namespace {

constexpr int kMinSide = 4;

// Texels per metre relative to the fuselage: what the eye looks at gets more.
float emphasis(Role role) {
  switch (role) {
    case Role::Fuselage: return 1.25f;
    case Role::Fin: return 1.2f;
    case Role::Wing:
    case Role::Tailplane:
    case Role::Boom:
    case Role::Nacelle:
    case Role::Float: return 1.0f;
    case Role::Canopy: return 0.7f;
    case Role::Spinner:
    case Role::Nozzle:
    case Role::Intake: return 0.8f;
    default: return 0.5f;
  }
}

struct Item {
  int part;
  float w, h;  // metres × emphasis
};

// Shelves from the top, tallest first; false when they run past the bottom.
bool pack(const std::vector<Item>& items, float scale, int width, int height, std::vector<AtlasRegion>& out) {
  out.clear();
  int x = 0, y = 0, shelf = 0;
  for (const Item& it : items) {
    const int w = std::clamp(static_cast<int>(std::lround(it.w * scale)), kMinSide, width - 2 * kAtlasMargin);
    const int h = std::clamp(static_cast<int>(std::lround(it.h * scale)), kMinSide, height - 2 * kAtlasMargin);
    const int outerW = w + 2 * kAtlasMargin;
    const int outerH = h + 2 * kAtlasMargin;
    if (x + outerW > width) {
      x = 0;
      y += shelf;
      shelf = 0;
    }
    if (y + outerH > height) return false;
    out.push_back({it.part, x + kAtlasMargin, y + kAtlasMargin, w, h});
    x += outerW;
    shelf = std::max(shelf, outerH);
  }
  return true;
}

}  // namespace

Atlas layoutAtlas(const std::vector<Part>& parts, int width, int height) {
  std::vector<Item> items;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].sharesWith >= 0) continue;
    const Vec2 e = parts[i].surface->extent();
    const float k = emphasis(parts[i].role);
    items.push_back({static_cast<int>(i), std::max(e.x, 0.01f) * k, std::max(e.y, 0.01f) * k});
  }
  std::stable_sort(items.begin(), items.end(), [](const Item& p, const Item& q) { return p.h > q.h; });

  Atlas atlas;
  atlas.width = width;
  atlas.height = height;
  float lo = 0.01f, hi = 1000.0f;
  std::vector<AtlasRegion> regions;
  pack(items, lo, width, height, atlas.regions);
  for (int step = 0; step < 40; ++step) {
    const float mid = std::sqrt(lo * hi);
    if (pack(items, mid, width, height, regions)) {
      lo = mid;
      atlas.regions = regions;
    } else {
      hi = mid;
    }
  }
  std::sort(atlas.regions.begin(), atlas.regions.end(),
            [](const AtlasRegion& p, const AtlasRegion& q) { return p.part < q.part; });

  atlas.rects.assign(parts.size(), UvRect{});
  for (const AtlasRegion& r : atlas.regions) {
    // Texel centres: a = 0 and a = 1 sit on the first and last texel of the rectangle.
    atlas.rects[r.part] = {(r.x + 0.5f) / width, (r.y + 0.5f) / height, (r.x + r.w - 0.5f) / width,
                           (r.y + r.h - 0.5f) / height};
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].sharesWith >= 0) atlas.rects[i] = atlas.rects[parts[i].sharesWith];
  }
  return atlas;
}

}  // namespace skyloom::assetgen
