#include "aircraft_paint.h"

#include <algorithm>
#include <cmath>

#include "aircraft_lod.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

namespace {

constexpr int kSuper = 2;  // samples per texel side: the livery's edges are anti-aliased
constexpr float kNeutral = 128.0f;

struct Glyph {
  char c;
  std::uint8_t rows[7];  // top row first, bit 4 the leftmost column
};

constexpr Glyph kGlyphs[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};

const Glyph* findGlyph(char c) {
  for (const Glyph& g : kGlyphs) {
    if (g.c == c) return &g;
  }
  return nullptr;
}

constexpr float kAdvance = 6.0f;  // grid columns per letter: five and a gap

float wrap01(float b) { return b - std::floor(b); }

void paintRegion(const AircraftDesign& design, const AtlasRegion& region, Picture& picture) {
  const Part& part = design.parts[region.part];
  const bool facesOut = facesOutAsSampled(samplePart(part, {12, 12}));
  const bool ring = part.surface->closedAround();
  const float du = 1.0f / static_cast<float>(std::max(region.w - 1, 1));
  const float dv = 1.0f / static_cast<float>(std::max(region.h - 1, 1));
  for (int j = -kAtlasMargin; j < region.h + kAtlasMargin; ++j) {
    for (int i = -kAtlasMargin; i < region.w + kAtlasMargin; ++i) {
      Colour sum;
      const float ac = std::clamp(i * du, 0.0f, 1.0f);
      const float bc = ring ? wrap01(j * dv) : std::clamp(j * dv, 0.0f, 1.0f);
      const Vec3 n = partNormal(part, ac, bc, facesOut);
      for (int sy = 0; sy < kSuper; ++sy) {
        for (int sx = 0; sx < kSuper; ++sx) {
          const float a = std::clamp((i + (sx + 0.5f) / kSuper - 0.5f) * du, 0.0f, 1.0f);
          const float bRaw = (j + (sy + 0.5f) / kSuper - 0.5f) * dv;
          const float b = ring ? wrap01(bRaw) : std::clamp(bRaw, 0.0f, 1.0f);
          PaintPoint pt;
          pt.p = partPoint(part, a, b);
          pt.n = n;
          pt.local = part.surface->local(a, b);
          pt.role = part.role;
          pt.tag = part.tag;
          const Colour c = design.livery(pt);
          sum.r += c.r;
          sum.g += c.g;
          sum.b += c.b;
        }
      }
      constexpr float k = 255.0f / (kSuper * kSuper);
      picture.set(region.x + i, region.y + j, sum.r * k, sum.g * k, sum.b * k);
    }
  }
}

}  // namespace

Picture paintLivery(const AircraftDesign& design, const Atlas& atlas) {
  Picture picture(atlas.width, atlas.height, 3);
  std::fill(picture.data.begin(), picture.data.end(), kNeutral);
  for (const AtlasRegion& region : atlas.regions) paintRegion(design, region, picture);
  return picture;
}

Vec3 partNormal(const Part& part, float a, float b, bool facesOut) {
  constexpr float kStep = 1e-3f;
  const bool ring = part.surface->closedAround();
  for (float nudge : {0.0f, 0.01f, 0.03f}) {
    const float ac = std::clamp(a, nudge, 1.0f - nudge);
    const float a0 = std::max(ac - kStep, 0.0f), a1 = std::min(ac + kStep, 1.0f);
    const float b0 = ring ? b - kStep : std::max(b - kStep, 0.0f);
    const float b1 = ring ? b + kStep : std::min(b + kStep, 1.0f);
    const Vec3 along = partPoint(part, a1, b) - partPoint(part, a0, b);
    const Vec3 around = partPoint(part, ac, b1) - partPoint(part, ac, b0);
    const Vec3 n = cross(along, around);
    if (length(n) > 1e-12f) return normalize(facesOut ? n : -n);
  }
  return {0, 1, 0};
}

float seam(float coord, float pitch, float width, float offset) {
  float f = std::fmod(coord - offset, pitch);
  if (f < 0) f += pitch;
  return f < width ? 1.0f : 0.0f;
}

float wear(const Vec3& p, float scale, std::uint32_t seed) {
  const float x = p.x / scale, y = p.y / scale, z = p.z / scale;
  const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  const auto corner = [&](int dx, int dy, int dz) {
    return hashUnit(static_cast<std::uint32_t>(static_cast<int>(fx) + dx), static_cast<std::uint32_t>(static_cast<int>(fy) + dy),
                    static_cast<std::uint32_t>(static_cast<int>(fz) + dz), seed);
  };
  const float tx = smoothstep(0, 1, x - fx), ty = smoothstep(0, 1, y - fy), tz = smoothstep(0, 1, z - fz);
  const float x00 = mix(corner(0, 0, 0), corner(1, 0, 0), tx), x10 = mix(corner(0, 1, 0), corner(1, 1, 0), tx);
  const float x01 = mix(corner(0, 0, 1), corner(1, 0, 1), tx), x11 = mix(corner(0, 1, 1), corner(1, 1, 1), tx);
  return mix(mix(x00, x10, ty), mix(x01, x11, ty), tz);
}

int roundelRing(float d, float radius, float f0, float f1) {
  if (d > radius) return -1;
  if (d <= radius * f0) return 0;
  if (d <= radius * f1) return 1;
  return 2;
}

float textWidth(std::string_view text, float height) {
  if (text.empty()) return 0.0f;
  return (kAdvance * static_cast<float>(text.size()) - 1.0f) * height / 7.0f;
}

bool textCovers(std::string_view text, float x0, float y0, float height, float x, float y) {
  const float unit = height / 7.0f;
  const float gx = (x - x0) / unit;
  const float gy = (y - y0) / unit;
  if (gx < 0 || gy < 0 || gy >= 7.0f) return false;
  const std::size_t letter = static_cast<std::size_t>(gx / kAdvance);
  if (letter >= text.size()) return false;
  const float cx = gx - kAdvance * static_cast<float>(letter);
  if (cx >= 5.0f) return false;
  const Glyph* g = findGlyph(text[letter]);
  if (g == nullptr) return false;
  const int row = 6 - static_cast<int>(gy);  // rows are stored from the top
  const int col = static_cast<int>(cx);
  return (g->rows[row] >> (4 - col) & 1) != 0;
}

Colour glassColour(const PaintPoint& pt, float framePitch) {
  const Colour deep = rgb(44, 56, 72);
  const Colour sky = rgb(150, 172, 196);
  Colour c = blend(deep, sky, 0.7f * smoothstep(0.1f, 1.0f, pt.n.y));
  // a soft diagonal glint, the same on both sides
  const float glint = std::abs(std::fmod(pt.p.x * 0.8f + pt.p.y * 1.6f + 100.0f, 2.0f) - 1.0f);
  c = blend(c, rgb(200, 215, 230), 0.35f * smoothstep(0.85f, 0.97f, glint));
  if (framePitch > 0 && seam(pt.p.x, framePitch, 0.05f) > 0) c = rgb(70, 72, 78);
  return c;
}

}  // namespace skyloom::assetgen
