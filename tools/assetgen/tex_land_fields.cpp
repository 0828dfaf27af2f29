// Farmland: a patchwork of fields in rows. Field edges are laid out on the wrapped picture, so
// the patchwork continues across every edge; hedgerows and tracks separate the fields.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tex_land_paint.h"

namespace skyloom::assetgen {

namespace {

constexpr std::uint32_t kSeed = 701;
// The rows start this far down, so the picture's wrap runs through fields rather than along
// a field edge.
constexpr int kRowShift = 37;

enum Crop : int { kWheat, kYoungCrop, kPasture, kPloughed, kFallow, kRapeseed, kCropCount };

struct Field {
  int x0, width;     // columns, x0 may run past the right edge and wraps
  Crop crop;
  bool furrowsAcross;
  float tone;        // per-field brightness
  int splitY;        // rows below this belong to a second strip of the field (row height: none)
  Crop lowerCrop;
};

struct Row {
  int y0, height;
  std::vector<Field> fields;
};

Rgb cropColour(Crop crop) {
  switch (crop) {
    case kWheat: return {190, 172, 110};
    case kYoungCrop: return {112, 140, 62};
    case kPasture: return {118, 142, 68};
    case kPloughed: return {126, 104, 80};
    case kFallow: return {150, 142, 100};
    case kRapeseed: return {178, 174, 84};
    default: break;
  }
  return {124, 150, 70};
}

// Splits `total` into parts between lo and hi that add up to it exactly.
std::vector<int> splitSpan(Rng& rng, int total, int lo, int hi) {
  std::vector<int> parts;
  int left = total;
  while (left > 0) {
    int part = lo + rng.below(hi - lo + 1);
    if (left - part < lo) part = left;  // the last part takes the remainder
    parts.push_back(part);
    left -= part;
  }
  return parts;
}

std::vector<Row> layoutFields() {
  Rng rng(kSeed);
  std::vector<Row> rows;
  int y = 0;
  for (int height : splitSpan(rng, kLandSide, 56, 120)) {
    Row row{y, height, {}};
    int x = rng.below(kLandSide);  // rows are shifted so field edges do not line up
    for (int width : splitSpan(rng, kLandSide, 40, 140)) {
      Field f{x, width, static_cast<Crop>(rng.below(kCropCount)), rng.below(2) == 0, rng.range(0.86f, 1.08f),
              height, kPasture};
      // Some fields are two strips, which breaks up the rows.
      if (rng.below(5) < 2) {
        f.splitY = height / 4 + rng.below(height / 2);
        f.lowerCrop = static_cast<Crop>(rng.below(kCropCount));
      }
      row.fields.push_back(f);
      x += width;
    }
    rows.push_back(row);
    y += height;
  }
  return rows;
}

const Field& fieldAt(const Row& row, int x, int& localX) {
  for (const Field& f : row.fields) {
    const int dx = ((x - f.x0) % kLandSide + kLandSide) % kLandSide;
    if (dx < f.width) {
      localX = dx;
      return f;
    }
  }
  localX = 0;
  return row.fields.front();
}

Rgb fieldTexel(const Field& f, int lx, int ly, int height, float fx, float fy, int x, int y) {
  const bool lower = ly >= f.splitY;
  Rgb c = scale(cropColour(lower ? f.lowerCrop : f.crop), lower ? 2.0f - f.tone : f.tone);
  const int stripTop = lower ? f.splitY : 0;
  // Drill rows and furrows: a few texels apart, along or across the row.
  const int along = f.furrowsAcross ? ly : lx;
  const Crop crop = lower ? f.lowerCrop : f.crop;
  const float stripes = (crop == kPloughed ? 0.10f : (crop == kPasture ? 0.0f : 0.05f));
  float k = 1.0f + stripes * (along % 3 == 0 ? -1.0f : 0.5f);
  k *= 1.0f + 0.10f * fbm(fx, fy, 32, 4, 0.5f, kSeed + 1) + 0.06f * grain(x, y, kSeed + 2);
  // Hedgerows: dark bushy strips along the left and top edges of each field.
  const int edge = std::min(lx, ly - stripTop);
  const float bush = fbm(fx, fy, 128, 2, 0.5f, kSeed + 3);
  if (edge < 2 || (edge < 4 && bush > 0.2f)) {
    c = Rgb{56, 80, 40};
    k = 0.8f + 0.3f * bush;
  } else if (ly >= height - 1) {
    c = Rgb{168, 156, 128};  // a track along the bottom of the row
  }
  return scale(c, k);
}

}  // namespace

Picture makeFieldsTexture() {
  const std::vector<Row> rows = layoutFields();
  Picture p(kLandSide, kLandSide, 3);
  const float inv = 1.0f / static_cast<float>(kLandSide);
  for (const Row& row : rows) {
    for (int ly = 0; ly < row.height; ++ly) {
      const int y = (row.y0 + ly + kRowShift) % kLandSide;
      for (int x = 0; x < kLandSide; ++x) {
        int lx = 0;
        const Field& f = fieldAt(row, x, lx);
        const Rgb c = fieldTexel(f, lx, ly, row.height, static_cast<float>(x) * inv, static_cast<float>(y) * inv, x, y);
        p.set(x, y, c.r, c.g, c.b);
      }
    }
  }
  return p;
}

}  // namespace skyloom::assetgen
