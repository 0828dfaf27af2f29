// icongen OUT: draws the program's icon (a swept-wing aircraft climbing over a sky that fades to a
// hazy horizon and green hills) and writes it to OUT as a Windows .ico with 16, 32, 48 and 256
// pixel images, 32-bit with alpha. Every size is drawn from the same vector shapes, supersampled,
// so the small sizes stay crisp instead of being scaled down from the large one.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/file.h"

namespace {

struct Colour {
  float r, g, b;
};

Colour mix(Colour a, Colour b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Point {
  float x, y;
};

// Icon space: x to the right, y downwards, the icon covers [0, 1] on both axes.
constexpr float kCornerRadius = 0.16f;
constexpr float kHorizon = 0.70f;
constexpr float kPlaneHeading = 0.70f;  // radians clockwise from straight up: climbing to the right

// What changes with the pixel size: at 16 px the aircraft is drawn larger with a thinner edge and
// the fine detail (contrail, field strips) is left out, since it would only blur the silhouette.
struct Style {
  Point planeCentre;
  float planeScale;
  float outlineWidth;  // icon units
  bool detail;
};

Style styleFor(int size) {
  if (size <= 16) return {{0.54f, 0.42f}, 0.80f, 0.6f / 16.0f, false};
  // About one pixel of dark edge at 32 px, proportionally thinner at the larger sizes.
  return {{0.57f, 0.38f}, 0.60f, std::max(0.9f / static_cast<float>(size), 0.012f), true};
}

// Right half of the aircraft seen from below, nose up, in its own units (about -0.5..0.5); the
// left half is the mirror image. Swept wings and tailplanes keep it readable at 16 pixels.
constexpr std::array<Point, 12> kPlaneHalf = {{
    {0.000f, 0.52f},   // nose
    {0.035f, 0.44f},
    {0.052f, 0.30f},
    {0.052f, 0.12f},   // wing root, leading edge
    {0.470f, -0.17f},  // wing tip
    {0.470f, -0.25f},
    {0.052f, -0.08f},  // wing root, trailing edge
    {0.046f, -0.30f},
    {0.190f, -0.42f},  // tailplane tip
    {0.190f, -0.48f},
    {0.030f, -0.45f},
    {0.000f, -0.47f},  // tail
}};

std::vector<Point> planeOutline() {
  std::vector<Point> outline(kPlaneHalf.begin(), kPlaneHalf.end());
  for (std::size_t i = kPlaneHalf.size() - 2; i >= 1; --i) {
    outline.push_back({-kPlaneHalf[i].x, kPlaneHalf[i].y});
  }
  return outline;
}

bool insidePolygon(const std::vector<Point>& poly, Point p) {
  bool inside = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point a = poly[i];
    const Point b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

float distanceToSegment(Point p, Point a, Point b) {
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
  return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// Negative inside, positive outside, in the polygon's units.
float signedDistance(const std::vector<Point>& poly, Point p) {
  float d = 1e9f;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    d = std::min(d, distanceToSegment(p, poly[j], poly[i]));
  }
  return insidePolygon(poly, p) ? -d : d;
}

// Icon space to the aircraft's own space (undo the placement, the heading and the scale).
Point toPlaneSpace(Point p, const Style& style) {
  const float x = (p.x - style.planeCentre.x) / style.planeScale;
  const float y = (p.y - style.planeCentre.y) / style.planeScale;
  const float c = std::cos(kPlaneHeading), s = std::sin(kPlaneHeading);
  // Rotate back by the heading, then flip y so that the nose (+y) points up the icon.
  return {c * x + s * y, s * x - c * y};
}

Colour sky(Point p) {
  const Colour zenith{18, 50, 125}, middle{58, 126, 206}, horizon{200, 222, 238};
  const float t = p.y / kHorizon;
  Colour c = t < 0.55f ? mix(zenith, middle, t / 0.55f) : mix(middle, horizon, (t - 0.55f) / 0.45f);
  // Warm light low on the left, where the sun has just set.
  const float dx = p.x - 0.12f, dy = p.y - kHorizon;
  const float glow = 0.55f * std::exp(-(dx * dx * 6.0f + dy * dy * 40.0f));
  return mix(c, Colour{255, 205, 140}, glow);
}

float farRidge(float x) { return kHorizon - 0.035f - 0.03f * std::sin(x * 9.0f + 1.0f) - 0.012f * std::sin(x * 23.0f); }
float nearRidge(float x) { return kHorizon + 0.07f - 0.05f * std::sin(x * 5.0f + 2.4f) - 0.015f * std::sin(x * 14.0f + 0.5f); }

Colour landscape(Point p, Colour above, const Style& style) {
  if (p.y >= nearRidge(p.x)) {
    const float depth = (p.y - nearRidge(p.x)) / 0.25f;
    Colour c = mix(Colour{88, 138, 70}, Colour{34, 76, 40}, depth);
    // Field strips that follow the slope, visible only in the larger sizes.
    const float band = std::sin((p.y * 55.0f) + std::sin(p.x * 7.0f) * 2.0f);
    return mix(c, Colour{112, 150, 70}, style.detail && band > 0.6f ? 0.35f : 0.0f);
  }
  if (p.y >= farRidge(p.x)) return mix(Colour{92, 124, 158}, above, 0.25f);
  return above;
}

// The contrail: a soft white streak behind the aircraft that widens and fades with distance.
Colour contrail(Point p, Colour below, const Style& style) {
  if (!style.detail) return below;
  const float c = std::cos(kPlaneHeading), s = std::sin(kPlaneHeading);
  const Point back{-s, c};  // opposite to the direction of flight, in icon space
  const Point tail{style.planeCentre.x + back.x * 0.45f * style.planeScale,
                   style.planeCentre.y + back.y * 0.45f * style.planeScale};
  const float along = (p.x - tail.x) * back.x + (p.y - tail.y) * back.y;
  if (along < 0.0f) return below;
  const float across = std::fabs((p.x - tail.x) * back.y - (p.y - tail.y) * back.x);
  const float width = 0.012f + along * 0.05f;
  if (across > width) return below;
  const float fade = std::clamp(1.0f - along / 0.55f, 0.0f, 1.0f);
  return mix(below, Colour{250, 252, 255}, 0.7f * fade * (1.0f - across / width));
}

Colour plane(Point p, Colour below, const std::vector<Point>& outline, const Style& style) {
  const Point q = toPlaneSpace(p, style);
  const float d = signedDistance(outline, q) * style.planeScale;
  if (d > style.outlineWidth) return below;
  if (d > 0.0f) return mix(below, Colour{10, 24, 54}, 0.85f);
  // Lit from the right: the left half a shade darker gives the body some form.
  return q.x >= 0.0f ? Colour{250, 251, 253} : Colour{206, 216, 230};
}

bool insideRoundedSquare(Point p) {
  const float cx = std::clamp(p.x, kCornerRadius, 1.0f - kCornerRadius);
  const float cy = std::clamp(p.y, kCornerRadius, 1.0f - kCornerRadius);
  return std::hypot(p.x - cx, p.y - cy) <= kCornerRadius;
}

// One image: size × size straight-alpha BGRA pixels, top row first.
std::vector<std::uint8_t> drawIcon(int size) {
  const std::vector<Point> outline = planeOutline();
  const int samples = size <= 16 ? 12 : size <= 48 ? 8 : 4;  // per axis
  const Style style = styleFor(size);
  std::vector<std::uint8_t> bgra(static_cast<std::size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      float r = 0, g = 0, b = 0, covered = 0;
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          const Point p{(px + (sx + 0.5f) / samples) / size, (py + (sy + 0.5f) / samples) / size};
          if (!insideRoundedSquare(p)) continue;
          const Colour c = plane(p, contrail(p, landscape(p, sky(p), style), style), outline, style);
          r += c.r, g += c.g, b += c.b, covered += 1;
        }
      }
      std::uint8_t* out = &bgra[(static_cast<std::size_t>(py) * size + px) * 4];
      if (covered > 0) {
        out[0] = static_cast<std::uint8_t>(std::lround(b / covered));
        out[1] = static_cast<std::uint8_t>(std::lround(g / covered));
        out[2] = static_cast<std::uint8_t>(std::lround(r / covered));
      }
      out[3] = static_cast<std::uint8_t>(std::lround(255.0f * covered / (samples * samples)));
    }
  }
  return bgra;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// An icon image as stored in .ico and RT_ICON: a BITMAPINFOHEADER of double height (colour plus
// mask), the colour rows bottom-up, then the 1-bit AND mask (rows padded to 32 bits), which the
// 32-bit alpha makes redundant but older readers still use.
std::vector<std::uint8_t> encodeDib(int size, const std::vector<std::uint8_t>& bgra) {
  const std::size_t maskStride = ((static_cast<std::size_t>(size) + 31) / 32) * 4;
  std::vector<std::uint8_t> dib;
  put32(dib, 40);
  put32(dib, static_cast<std::uint32_t>(size));
  put32(dib, static_cast<std::uint32_t>(size * 2));
  put16(dib, 1);   // planes
  put16(dib, 32);  // bits per pixel
  put32(dib, 0);   // BI_RGB
  put32(dib, static_cast<std::uint32_t>(bgra.size() + maskStride * size));
  for (int i = 0; i < 4; ++i) put32(dib, 0);
  for (int y = size - 1; y >= 0; --y) {
    const auto row = bgra.begin() + static_cast<std::ptrdiff_t>(y) * size * 4;
    dib.insert(dib.end(), row, row + size * 4);
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> mask(maskStride, 0);
    for (int x = 0; x < size; ++x) {
      if (bgra[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0) mask[x / 8] |= 0x80 >> (x % 8);
    }
    dib.insert(dib.end(), mask.begin(), mask.end());
  }
  return dib;
}

std::vector<std::uint8_t> buildIco(const std::vector<int>& sizes) {
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes) images.push_back(encodeDib(size, drawIcon(size)));
  std::vector<std::uint8_t> ico;
  put16(ico, 0);
  put16(ico, 1);  // type: icon
  put16(ico, static_cast<unsigned>(sizes.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    ico.push_back(static_cast<std::uint8_t>(sizes[i] & 0xFF));  // 256 is written as 0
    ico.push_back(static_cast<std::uint8_t>(sizes[i] & 0xFF));
    ico.push_back(0);  // palette entries
    ico.push_back(0);
    put16(ico, 1);   // planes
    put16(ico, 32);  // bits per pixel
    put32(ico, static_cast<std::uint32_t>(images[i].size()));
    put32(ico, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) ico.insert(ico.end(), image.begin(), image.end());
  return ico;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: icongen OUT.ico\n", stderr);
    return 2;
  }
  const std::vector<std::uint8_t> ico = buildIco({16, 32, 48, 256});
  if (!skyloom::writeFileReplacing(argv[1], ico.data(), ico.size())) {
    std::fprintf(stderr, "icongen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
