// "building.jpg": two roofs above two walls, each a 128 × 128 quarter whose pattern repeats
// across its width (tile, slate, window and brick spacings all divide 128).
#include <cmath>

#include "tex_makers.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

namespace {

constexpr int kQuarter = kBuildingSide / 2;
constexpr int kStorey = kQuarter / 2;

struct Colour {
  float r, g, b;
};

void put(Picture& p, int x, int y, Colour c, float k) { p.set(x, y, c.r * k, c.g * k, c.b * k); }

float texelGrain(int x, int y, std::uint32_t seed) {
  return hashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 0, seed) - 0.5f;
}

// Overlapping rows of roof tiles: each tile is lit at its top and shadowed where the next row
// overlaps it; rows are offset by half a tile.
void paintRoof(Picture& p, int x0, Colour base, int tileW, int tileH, std::uint32_t seed) {
  for (int y = 0; y < kQuarter; ++y) {
    const int row = y / tileH;
    const int ty = y % tileH;
    for (int x = 0; x < kQuarter; ++x) {
      const int shifted = x + (row & 1) * tileW / 2;
      const int column = (shifted / tileW) % (kQuarter / tileW);
      const int tx = shifted % tileW;
      const float tone = 0.85f + 0.25f * hashUnit(static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(row), 1, seed);
      float k = tone * (1.05f - 0.35f * static_cast<float>(ty) / tileH);
      if (ty == tileH - 1 || tx == 0) k *= 0.55f;  // gaps between tiles
      k *= 1.0f + 0.12f * texelGrain(x, y, seed + 1);
      put(p, x0 + x, y, base, k);
    }
  }
}

// One window: frame, glazing bars and dark glass with a sky reflection toward its top.
bool window(int wx, int wy, int w, int h, Colour& c, float& k) {
  if (wx < 0 || wy < 0 || wx >= w || wy >= h) return false;
  const bool frame = wx < 2 || wy < 2 || wx >= w - 2 || wy >= h - 2 || wx == w / 2 || wy == h / 2;
  if (frame) {
    c = {232, 230, 222};
    k = 1.0f;
  } else {
    c = {52, 66, 86};
    k = 0.8f + 0.7f * (1.0f - static_cast<float>(wy) / h) * (wy < h / 2 ? 1.0f : 0.5f);
  }
  return true;
}

Colour plaster(int x, int y, int localY, float& k) {
  k = 1.0f + 0.05f * fbm(x / 128.0f, y / 128.0f, 8, 4, 0.5f, 1103) + 0.05f * texelGrain(x, y, 1104);
  if (localY >= kQuarter - 8) return {150, 140, 124};  // plinth
  if (localY < 4) k *= 0.6f;                          // shadow under the eaves
  return {226, 214, 186};
}

Colour brick(int x, int y, int localY, float& k) {
  constexpr int kBrickW = 16;
  constexpr int kBrickH = 6;
  const int row = localY / kBrickH;
  const int shifted = x + (row & 1) * kBrickW / 2;
  const bool mortar = localY % kBrickH == kBrickH - 1 || shifted % kBrickW == 0;
  if (mortar) {
    k = 1.0f + 0.1f * texelGrain(x, y, 1201);
    return {170, 162, 150};
  }
  const int column = (shifted / kBrickW) % (kQuarter / kBrickW);
  k = 0.82f + 0.3f * hashUnit(static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(row), 2, 1202) +
      0.08f * texelGrain(x, y, 1203);
  if (localY < 4) k *= 0.6f;
  return {150, 72, 52};
}

// A wall quarter: two storeys with two windows each; the ground floor of the plastered house
// has a door instead of its second window.
void paintWall(Picture& p, int x0, bool bricks) {
  constexpr int kWindowW = 24;
  constexpr int kWindowH = 30;
  for (int ly = 0; ly < kQuarter; ++ly) {
    const int y = kQuarter + ly;
    const int storey = ly / kStorey;
    const int sy = ly % kStorey;
    for (int x = 0; x < kQuarter; ++x) {
      float k = 1.0f;
      Colour c = bricks ? brick(x, y, ly, k) : plaster(x, y, ly, k);
      const int slot = x / (kQuarter / 2);
      const int wx = x % (kQuarter / 2) - (kQuarter / 4 - kWindowW / 2);
      const bool door = !bricks && storey == 1 && slot == 1;
      if (door) {
        const int dy = sy - (kStorey - 8 - 44);
        if (wx >= 0 && wx < kWindowW && dy >= 0 && dy < 44) {
          c = {96, 64, 44};
          k = (wx < 2 || wx >= kWindowW - 2 || dy < 2) ? 0.7f : 1.0f - 0.1f * ((wx / 6) & 1);
        }
      } else {
        Colour wc{};
        float wk = 1.0f;
        if (window(wx, sy - 16, kWindowW, kWindowH, wc, wk)) {
          c = wc;
          k = wk;
        } else if (bricks && wx >= -2 && wx < kWindowW + 2 && sy >= 12 && sy < 16) {
          c = {190, 182, 166};  // stone lintel
          k = 1.0f;
        }
      }
      put(p, x0 + x, y, c, k);
    }
  }
}

}  // namespace

Picture makeBuilding() {
  Picture p(kBuildingSide, kBuildingSide, 3);
  paintRoof(p, 0, {176, 78, 52}, 16, 8, 1001);
  paintRoof(p, kQuarter, {92, 98, 110}, 8, 6, 1002);
  paintWall(p, 0, false);
  paintWall(p, kQuarter, true);
  return p;
}

}  // namespace skyloom::assetgen
