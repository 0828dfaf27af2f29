// "button.jpg": sixteen 64 × 64 icons, pale symbols on dark rounded tiles. The symbols are
// built from a few shapes in cell coordinates (x right, y up, both -1 .. 1) and sampled 4 × 4
// per texel for smooth edges.
#include <algorithm>
#include <cmath>

#include "tex_makers.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

namespace {

constexpr int kCells = 4;
constexpr int kCell = kButtonSide / kCells;
constexpr int kSuper = 4;
constexpr float kPi = 3.14159265f;

bool box(float x, float y, float x0, float y0, float x1, float y1) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }

// Inside the triangle (a, b, c), whichever way round it is given.
bool triangle(float x, float y, float ax, float ay, float bx, float by, float cx, float cy) {
  const float d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by);
  const float d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy);
  const float d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay);
  const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
  const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
  return !(negative && positive);
}

// Within half a width of the segment (a, b).
bool stroke(float x, float y, float ax, float ay, float bx, float by, float halfWidth) {
  const float vx = bx - ax;
  const float vy = by - ay;
  const float t = clamp01(((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy));
  const float dx = x - (ax + t * vx);
  const float dy = y - (ay + t * vy);
  return dx * dx + dy * dy <= halfWidth * halfWidth;
}

// Within the ring between r0 and r1, between the angles a0 and a1 (radians, counter-clockwise).
bool arc(float x, float y, float r0, float r1, float a0, float a1) {
  const float r = std::sqrt(x * x + y * y);
  if (r < r0 || r > r1) return false;
  float a = std::atan2(y, x);
  if (a < a0) a += 2.0f * kPi;
  return a >= a0 && a <= a1;
}

bool speaker(float x, float y) {
  return box(x, y, -0.62f, -0.18f, -0.38f, 0.18f) || triangle(x, y, -0.42f, 0.0f, -0.05f, 0.45f, -0.05f, -0.45f) ||
         box(x, y, -0.42f, -0.18f, -0.05f, 0.18f);
}

bool icon(int index, float x, float y) {
  switch (index) {
    case 0:  // previous
      return box(x, y, -0.55f, -0.4f, -0.45f, 0.4f) || triangle(x, y, -0.45f, 0, 0.05f, 0.4f, 0.05f, -0.4f) ||
             triangle(x, y, 0.05f, 0, 0.55f, 0.4f, 0.55f, -0.4f);
    case 1:  // play
      return triangle(x, y, -0.35f, 0.45f, -0.35f, -0.45f, 0.5f, 0.0f);
    case 2:  // pause
      return box(x, y, -0.38f, -0.42f, -0.12f, 0.42f) || box(x, y, 0.12f, -0.42f, 0.38f, 0.42f);
    case 3:  // stop
      return box(x, y, -0.38f, -0.38f, 0.38f, 0.38f);
    case 4:  // next
      return triangle(x, y, -0.55f, 0.4f, -0.55f, -0.4f, -0.05f, 0) ||
             triangle(x, y, -0.05f, 0.4f, -0.05f, -0.4f, 0.45f, 0) || box(x, y, 0.45f, -0.4f, 0.55f, 0.4f);
    case 5:  // open: eject
      return triangle(x, y, -0.45f, -0.05f, 0.45f, -0.05f, 0.0f, 0.45f) || box(x, y, -0.45f, -0.42f, 0.45f, -0.22f);
    case 6:  // repeat
      return arc(x, y, 0.3f, 0.45f, -0.6f, 4.2f) || triangle(x, y, 0.22f, -0.1f, 0.58f, -0.1f, 0.40f, -0.42f);
    case 7:  // shuffle
      return stroke(x, y, -0.55f, 0.35f, 0.3f, -0.35f, 0.08f) || stroke(x, y, -0.55f, -0.35f, 0.3f, 0.35f, 0.08f) ||
             triangle(x, y, 0.25f, 0.55f, 0.25f, 0.15f, 0.6f, 0.35f) ||
             triangle(x, y, 0.25f, -0.55f, 0.25f, -0.15f, 0.6f, -0.35f);
    case 8:  // volume
      return speaker(x, y) || arc(x, y, 0.15f, 0.25f, -0.8f, 0.8f) || arc(x, y, 0.38f, 0.48f, -0.8f, 0.8f);
    case 9:  // mute
      return speaker(x, y) || stroke(x, y, 0.15f, 0.25f, 0.55f, -0.25f, 0.07f) ||
             stroke(x, y, 0.15f, -0.25f, 0.55f, 0.25f, 0.07f);
    case 10:  // playlist
      return box(x, y, -0.55f, 0.28f, 0.2f, 0.4f) || box(x, y, -0.55f, 0.02f, 0.2f, 0.14f) ||
             box(x, y, -0.55f, -0.24f, 0.2f, -0.12f) || triangle(x, y, 0.3f, -0.05f, 0.3f, -0.45f, 0.6f, -0.25f);
    case 11:  // help
      return arc(x, y - 0.15f, 0.17f, 0.33f, -1.4f, 3.3f) || box(x, y, -0.08f, -0.22f, 0.08f, 0.0f) ||
             x * x + (y + 0.42f) * (y + 0.42f) < 0.1f * 0.1f;
    case 12:  // close
      return stroke(x, y, -0.4f, -0.4f, 0.4f, 0.4f, 0.1f) || stroke(x, y, -0.4f, 0.4f, 0.4f, -0.4f, 0.1f);
    case 13:  // up
      return triangle(x, y, -0.45f, -0.3f, 0.45f, -0.3f, 0.0f, 0.4f);
    case 14:  // down
      return triangle(x, y, -0.45f, 0.3f, 0.45f, 0.3f, 0.0f, -0.4f);
    default: {  // settings: a cog
      const float r = std::sqrt(x * x + y * y);
      const float a = std::atan2(y, x);
      const float outer = std::cos(8.0f * a) > 0.0f ? 0.5f : 0.38f;
      return r >= 0.16f && r <= outer;
    }
  }
}

void paintIcon(Picture& p, int index) {
  const int x0 = (index % kCells) * kCell;
  const int y0 = (index / kCells) * kCell;
  for (int py = 0; py < kCell; ++py) {
    for (int px = 0; px < kCell; ++px) {
      int inside = 0;
      for (int j = 0; j < kSuper; ++j) {
        for (int i = 0; i < kSuper; ++i) {
          const float x = ((px + (i + 0.5f) / kSuper) / kCell) * 2.0f - 1.0f;
          const float y = 1.0f - ((py + (j + 0.5f) / kSuper) / kCell) * 2.0f;
          inside += icon(index, x, y);
        }
      }
      const float cover = static_cast<float>(inside) / (kSuper * kSuper);
      // Tile: a dark blue-grey gradient with a lighter rim at the top and darker at the bottom.
      const float t = static_cast<float>(py) / (kCell - 1);
      float r = mix(64, 22, t), g = mix(78, 28, t), b = mix(104, 40, t);
      const int edge = std::min(std::min(px, py), std::min(kCell - 1 - px, kCell - 1 - py));
      if (edge < 2) {
        const float k = py < kCell / 2 ? 1.5f : 0.6f;
        r *= k;
        g *= k;
        b *= k;
      }
      // Symbol: near white with a faint cool gradient.
      const float sr = mix(240, 196, t), sg = mix(246, 214, t), sb = 255.0f;
      p.set(x0 + px, y0 + py, mix(r, sr, cover), mix(g, sg, cover), mix(b, sb, cover));
    }
  }
}

}  // namespace

Picture makeButtonAtlas() {
  Picture p(kButtonSide, kButtonSide, 3);
  for (int i = 0; i < kButtonIcons; ++i) paintIcon(p, i);
  return p;
}

}  // namespace skyloom::assetgen
