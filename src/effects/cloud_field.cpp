#include "effects/cloud_field.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/state_block.h"
#include "resources/texture.h"

namespace skyloom {

namespace {

// Winds grow with height: a cloud's drift factor follows its altitude, so the layers of the sky
// slide over each other (5 to 12 units a second between 4000 and 9500).
constexpr float kSpeedPerAltitude = 0.125f;
constexpr float kHighestSpeedAltitude = 20000.0f;

// Every cloud far off sinks towards the horizon: drawing height = altitude × kSinkScale /
// (distance + kSinkDistance), 1 at kSinkFrom so the sinking starts without a jump.
constexpr float kSinkScale = 160000.0f;
constexpr float kSinkDistance = 150000.0f;
constexpr float kDistanceBias = 0.1f;  // keeps the facing direction defined right under a cloud

// The thin rims of a cloud picture are a little grey, its dense cores white, so a cloud keeps
// some modelling when it is tinted by the cloud colour.
constexpr std::uint32_t kRimShade = 176;

// Flat square (0-3) drawn with both windings so it shows from above and below; the facing quad
// (4-7) is wound to face the camera, since it always turns towards it.
constexpr std::array<std::uint16_t, CloudField::kIndexCount> kIndices = {
    0, 1, 2, 2, 1, 3, 0, 2, 1, 2, 3, 1,  // flat, both sides
    4, 5, 6, 6, 5, 7,                    // facing
};
constexpr std::uint32_t kFacingFirstIndex = 12;
constexpr std::uint32_t kFacingFirstVertex = 4;

float smoothRamp(float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

float frameSeconds(float dt) {
  if (!(dt > 0.0f)) return 0.0f;  // NaN and time running backwards move nothing
  return std::min(dt, CloudField::kMaxFrameSeconds);
}

bool layoutValid(int cellsX, int cellsZ, float cellSize) {
  if (cellsX < 1 || cellsX > CloudGrid::kMaxCellsPerSide || cellsZ < 1 || cellsZ > CloudGrid::kMaxCellsPerSide) {
    return false;
  }
  return std::isfinite(cellSize) && cellSize > 0.0f && std::isfinite(cellSize * static_cast<float>(cellsX)) &&
         std::isfinite(cellSize * static_cast<float>(cellsZ));
}

// Brightness of a picture pixel (rows counted from the top), whatever the picture's kind.
std::uint32_t brightness(const Image& image, std::uint32_t x, std::uint32_t y) {
  const std::uint32_t row = image.kind == kImageBgra ? image.height - 1 - y : y;
  const std::uint8_t* p = image.pixels.get() + (std::size_t{row} * image.width + x) * image.bytesPerPixel();
  return std::max({p[0], p[1], p[2]});
}

// The copy of a cell that lies in the window starting at `start` (unwrapped cells): how many
// periods it is away from the cell itself.
double periodsToWindow(int cell, double start, int cells) {
  return std::ceil((start - static_cast<double>(cell)) / static_cast<double>(cells));
}

int wrappedCell(double unwrapped, int cells) {
  double c = std::fmod(unwrapped, static_cast<double>(cells));
  if (c < 0) c += cells;
  return std::clamp(static_cast<int>(c), 0, cells - 1);
}

}  // namespace

CloudField::CloudField(int cellsX, int cellsZ, float cellSize, int count, std::uint32_t colour, CrtRandom& random,
                       std::size_t maxBlocks)
    : colour_(colour),
      capacity_(layoutValid(cellsX, cellsZ, cellSize) ? kMaxClouds : 0),
      grid_(layoutValid(cellsX, cellsZ, cellSize) ? cellsX : 0, cellsZ, capacity_, maxBlocks),
      indices_(kIndices) {
  if (grid_.valid()) {
    cellsX_ = cellsX;
    cellsZ_ = cellsZ;
    cellSize_ = cellSize;
    periodX_ = cellSize * static_cast<float>(cellsX);
    periodZ_ = cellSize * static_cast<float>(cellsZ);
  }
  clouds_.reserve(static_cast<std::size_t>(capacity_));
  found_.reserve(static_cast<std::size_t>(capacity_));
  batchTime_.assign(static_cast<std::size_t>((capacity_ + kBatchSize - 1) / kBatchSize), 0.0f);
  const int placed = std::min(std::max(count, 0), capacity_);
  for (int i = 0; i < placed; ++i) {
    const float x = periodX_ * static_cast<float>(random.next()) / static_cast<float>(kRandomMax);
    const float y = kLowestCloud + kAltitudePerRandom * static_cast<float>(random.next());
    const float z = -periodZ_ * static_cast<float>(random.next()) / static_cast<float>(kRandomMax);
    add(x, y, z);
  }
  variant_ = random.next() % kTextureSlots;
}

CloudField::~CloudField() = default;

// ---- positions ---------------------------------------------------------------------------------

// Into [0, periodX). A value that rounds up to the period is the period's start.
float CloudField::wrapX(double x) const {
  double r = std::fmod(x, static_cast<double>(periodX_));
  if (r < 0) r += periodX_;
  const auto f = static_cast<float>(r);
  return f >= periodX_ ? 0.0f : f;
}

// Into (−periodZ, 0].
float CloudField::wrapZ(double z) const {
  double r = std::fmod(-z, static_cast<double>(periodZ_));
  if (r < 0) r += periodZ_;
  const auto f = static_cast<float>(r);
  return f >= periodZ_ || f == 0.0f ? 0.0f : -f;
}

int CloudField::columnOf(float x) const {
  return std::clamp(static_cast<int>(std::floor(static_cast<double>(x) / cellSize_)), 0, cellsX_ - 1);
}

int CloudField::rowOf(float z) const {
  return std::clamp(static_cast<int>(std::floor(-static_cast<double>(z) / cellSize_)), 0, cellsZ_ - 1);
}

bool CloudField::add(float x, float y, float z) {
  if (!validLayout() || clouds_.size() >= static_cast<std::size_t>(capacity_)) return false;
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return false;
  Cloud c;
  c.x = wrapX(x);
  c.y = y;
  c.z = wrapZ(z);
  c.cellX = columnOf(c.x);
  c.cellZ = rowOf(c.z);
  c.speed = kSpeedPerAltitude * std::clamp(y, 0.0f, kHighestSpeedAltitude);
  clouds_.push_back(c);
  grid_.insert(static_cast<int>(clouds_.size()), c.cellX, c.cellZ);  // refused: drifts unseen until listed
  return true;
}

// Moves a cloud along the wind (+x and +z alike) by seconds of drift time. A listed cloud whose
// new cell cannot be had keeps its old place, so the grid never loses it; an unlisted one moves
// on and is listed as soon as its cell can be had.
void CloudField::drift(int index, float seconds) {
  Cloud& c = clouds_[static_cast<std::size_t>(index)];
  const double d = static_cast<double>(seconds) * c.speed * kDriftScale;
  if (!(d > 0.0)) return;
  const float x = wrapX(c.x + d);
  const float z = wrapZ(c.z + d);
  const int column = columnOf(x), row = rowOf(z);
  const int id = index + 1;
  if (grid_.contains(id)) {
    if (!grid_.move(id, column, row)) return;
  } else {
    grid_.insert(id, column, row);
  }
  c.x = x;
  c.z = z;
  c.cellX = column;
  c.cellZ = row;
}

// ---- the frame ---------------------------------------------------------------------------------

// The clouds of the window around the camera into found_. The window's first column and row are
// handed back unwrapped, which places every cloud's drawn copy.
void CloudField::collectWindow(float cameraX, float cameraZ, double& startColumn, double& startRow) {
  found_.clear();
  const int wx = std::min(kWindowCells, cellsX_), wz = std::min(kWindowCells, cellsZ_);
  startColumn = std::floor(static_cast<double>(cameraX) / cellSize_) - wx / 2;
  startRow = std::floor(-static_cast<double>(cameraZ) / cellSize_) - wz / 2;
  const int c0 = wrappedCell(startColumn, cellsX_), r0 = wrappedCell(startRow, cellsZ_);
  // Up to two column ranges and two row ranges: the part before the world's edge and the part
  // wrapped round to its start.
  const int columns[2][2] = {{c0, std::min(c0 + wx, cellsX_) - 1}, {0, c0 + wx - cellsX_ - 1}};
  const int rows[2][2] = {{r0, std::min(r0 + wz, cellsZ_) - 1}, {0, r0 + wz - cellsZ_ - 1}};
  for (const auto& cr : columns) {
    for (const auto& rr : rows) {
      if (cr[1] >= cr[0] && rr[1] >= rr[0]) grid_.collect(CellRect{cr[0], rr[0], cr[1], rr[1]}, found_);
    }
  }
}

void CloudField::render(RenderDevice& device, float cameraX, float cameraZ, float dt) {
  drawnCount_ = 0;
  const float seconds = frameSeconds(dt);
  if (validLayout() && std::isfinite(cameraX) && std::isfinite(cameraZ)) {
    double startColumn = 0, startRow = 0;
    collectWindow(cameraX, cameraZ, startColumn, startRow);
    Texture* texture = textures_[static_cast<std::size_t>(variant_)].get();
    StateBlock states(device);
    if (texture) {
      states.render(RenderState::ZWriteEnable, 0)
          .render(RenderState::Lighting, 0)
          .render(RenderState::FogEnable, 1)
          .render(RenderState::AlphaBlendEnable, 1)
          .render(RenderState::SrcBlend, Blend::SrcAlpha)
          .render(RenderState::DestBlend, Blend::InvSrcAlpha)
          .stage(0, TextureStageState::ColorOp, TextureOp::Modulate)
          .stage(0, TextureStageState::ColorArg1, TextureArg::Texture)
          .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse)
          .stage(0, TextureStageState::AlphaOp, TextureOp::Modulate)
          .stage(0, TextureStageState::AlphaArg1, TextureArg::Texture)
          .stage(0, TextureStageState::AlphaArg2, TextureArg::Diffuse)
          .sampler(0, SamplerState::AddressU, TextureAddress::Clamp)
          .sampler(0, SamplerState::AddressV, TextureAddress::Clamp)
          .sampler(0, SamplerState::MipFilter, TextureFilter::Linear);
      device.setTexture(0, texture);
      device.setFvf(kCloudFvf);
    }
    for (const std::int32_t id : found_) {
      const int index = id - 1;
      drift(index, seconds * kDriftSpeed);
      Cloud& c = clouds_[static_cast<std::size_t>(index)];
      c.drawn = true;
      ++drawnCount_;
      if (!texture) continue;
      // The drift may have carried the cloud over the world's edge: its copy is placed anew.
      const double px = c.x + periodsToWindow(c.cellX, startColumn, cellsX_) * periodX_;
      const double pz = c.z - periodsToWindow(c.cellZ, startRow, cellsZ_) * periodZ_;
      drawCloud(device, c, static_cast<float>(px), static_cast<float>(pz), cameraX, cameraZ);
    }
    if (texture) device.setTexture(0, nullptr);
  }
  advanceBatch(seconds);
}

// Every batch gathers the frame's time; the one under the cursor spends it on its clouds that
// were not drawn since it last came round, so clouds out of sight keep pace with the others.
void CloudField::advanceBatch(float dt) {
  const int batches = (count() + kBatchSize - 1) / kBatchSize;
  if (batches == 0) return;
  if (batchCursor_ >= batches) batchCursor_ = 0;
  for (int b = 0; b < batches; ++b) batchTime_[static_cast<std::size_t>(b)] += dt;
  const float time = batchTime_[static_cast<std::size_t>(batchCursor_)];
  batchTime_[static_cast<std::size_t>(batchCursor_)] = 0.0f;
  cloudCursor_ = batchCursor_ * kBatchSize;
  const int end = std::min(cloudCursor_ + kBatchSize, count());
  for (int i = cloudCursor_; i < end; ++i) {
    Cloud& c = clouds_[static_cast<std::size_t>(i)];
    if (c.drawn) {
      c.drawn = false;
    } else {
      drift(i, time * kDriftSpeed);
    }
  }
  batchCursor_ = (batchCursor_ + 1) % batches;
  cloudCursor_ = batchCursor_ * kBatchSize;
}

CloudLook CloudField::lookAt(float h) {
  CloudLook look;
  if (!(h >= kFlatOnly)) {
    look.flat = true;
    look.flatAlpha = 1.0f;
  } else if (h < kFacingOnly) {
    look.flat = look.facing = true;
    look.facingAlpha = smoothRamp((h - kFlatOnly) / (kFacingOpaque - kFlatOnly));
    look.flatAlpha = 1.0f - smoothRamp((h - kFlatFadeFrom) / (kFacingOnly - kFlatFadeFrom));
  } else {
    look.facing = true;
    look.facingAlpha = 1.0f;
  }
  if (h >= kSinkFrom) look.heightScale = kSinkScale / (h + kSinkDistance);
  return look;
}

void CloudField::drawCloud(RenderDevice& device, const Cloud& cloud, float px, float pz, float cameraX,
                           float cameraZ) {
  const double dx = static_cast<double>(px) - cameraX, dz = static_cast<double>(pz) - cameraZ;
  const double flat = std::sqrt(dx * dx + dz * dz);
  const CloudLook look = lookAt(static_cast<float>(flat + kDistanceBias));
  // The upright quad spans the camera's right-hand direction, perpendicular to the line of sight.
  float rx = 1.0f, rz = 0.0f;
  if (flat > 1e-3) {
    rx = static_cast<float>(dz / flat);
    rz = static_cast<float>(-dx / flat);
  }
  const std::uint32_t rgb = colour_ & 0x00FFFFFFu;
  const float baseAlpha = static_cast<float>(colour_ >> 24);
  auto colourWith = [&](float alpha) {
    return static_cast<std::uint32_t>(baseAlpha * alpha + 0.5f) << 24 | rgb;
  };
  const std::uint32_t flatColour = colourWith(look.flatAlpha);
  const std::uint32_t facingColour = colourWith(look.facingAlpha);
  const float w = kHalfWidth, hh = kHalfHeight;
  vertices_[0] = {-w, 0, -w, flatColour, 0, 0};
  vertices_[1] = {w, 0, -w, flatColour, 1, 0};
  vertices_[2] = {-w, 0, w, flatColour, 0, 1};
  vertices_[3] = {w, 0, w, flatColour, 1, 1};
  vertices_[4] = {-rx * w, hh, -rz * w, facingColour, 0, 0};
  vertices_[5] = {rx * w, hh, rz * w, facingColour, 1, 0};
  vertices_[6] = {-rx * w, -hh, -rz * w, facingColour, 0, 1};
  vertices_[7] = {rx * w, -hh, rz * w, facingColour, 1, 1};

  device.setTransform(TransformState::World, translation(px, cloud.y * look.heightScale, pz));
  std::uint32_t first = 0, minVertex = 0, vertexCount = 8, triangles = 6;
  if (!look.facing) {
    vertexCount = 4;
    triangles = 4;
  } else if (!look.flat) {
    first = kFacingFirstIndex;
    minVertex = kFacingFirstVertex;
    vertexCount = 4;
    triangles = 2;
  }
  device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, minVertex, vertexCount, triangles, indices_.data() + first,
                                Format::Index16, vertices_.data(), sizeof(CloudVertex));
}

// ---- textures ----------------------------------------------------------------------------------

// One cell of the picture's 4 × 4 as a texture: brightness is the cloud's density, its alpha, and
// lifts its shade from the grey rims to the white core. A full mip chain keeps far clouds from
// sparkling.
bool CloudField::buildSlot(const Image& sheet, int slot, std::unique_ptr<Texture>& out) const {
  const std::uint32_t w = sheet.width / kSheetCells, h = sheet.height / kSheetCells;
  if (!sheet.pixels || w == 0 || h == 0) return false;
  Image cut;
  cut.kind = kImageBgra;
  cut.width = w;
  cut.height = h;
  cut.pixels = allocatePixels(w, h, 4);
  if (!cut.pixels) return false;
  const std::uint32_t ox = static_cast<std::uint32_t>(slot % kSheetCells) * w;
  const std::uint32_t oy = static_cast<std::uint32_t>(slot / kSheetCells) * h;
  for (std::uint32_t y = 0; y < h; ++y) {
    // Stored bottom row first, as 32-bit pictures are.
    std::uint8_t* row = cut.pixels.get() + std::size_t{h - 1 - y} * w * 4;
    for (std::uint32_t x = 0; x < w; ++x, row += 4) {
      const std::uint32_t v = brightness(sheet, ox + x, oy + y);
      const auto shade = static_cast<std::uint8_t>(kRimShade + v * (255 - kRimShade) / 255);
      row[0] = row[1] = row[2] = shade;
      row[3] = static_cast<std::uint8_t>(v);
    }
  }
  return succeeded(textureFromImage(cut, out, 0, Format::A8R8G8B8, Pool::Default));
}

HResult CloudField::restore(RenderDevice& device) {
  Image sheet;
  if (loadImage(kTextureName, sheet) != 0) {
    invalidate();
    return kFileNotFound;
  }
  return restore(device, sheet);
}

HResult CloudField::restore(RenderDevice& device, const Image& sheet) {
  invalidate();
  TextureDeviceScope scope(device);
  for (int slot = 0; slot < kTextureSlots; ++slot) buildSlot(sheet, slot, textures_[static_cast<std::size_t>(slot)]);
  return textures_[static_cast<std::size_t>(variant_)] ? kOk : kFail;
}

void CloudField::invalidate() {
  for (auto& t : textures_) t.reset();
}

const Texture* CloudField::texture(int slot) const {
  if (slot < 0 || slot >= kTextureSlots) return nullptr;
  return textures_[static_cast<std::size_t>(slot)].get();
}

}  // namespace skyloom
