#include "world/height_source.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "core/directory.h"
#include "core/file.h"
#include "core/paths.h"
#include "core/random.h"
#include "resources/image.h"
#include "world/global_grid.h"
#include "world/height_file.h"
#include "world/image_heights.h"
#include "world/text_grid.h"

namespace skyloom {
namespace {

constexpr int kFlatSamples = 100;
constexpr float kFlatSpacing = 100.0f;

std::string_view extensionOf(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/");
  const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  const std::size_t dot = base.rfind('.');
  return dot == std::string_view::npos ? std::string_view{} : base.substr(dot + 1);
}

bool endsWithIgnoreCase(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() && equalsIgnoreCase(name.substr(name.size() - suffix.size()), suffix);
}

// Reads the file's first 2 × samples bytes straight into the grid's samples, as they are.
bool readRawSamples(File& file, HeightGrid& grid) {
  const std::size_t bytes = grid.samples.size() * 2;
  return file.seek(0) && file.read(grid.samples.data(), bytes) == bytes;
}

}  // namespace

std::string randomTerrainFile() {
  std::vector<std::string> files;
  for (const DirectoryItem& item : listDirectory(nativePath("tem"))) {
    if (!item.isDirectory && matchesWildcard(item.name, "*.*")) files.push_back(item.name);
  }
  if (files.empty()) return {};
  return files[static_cast<std::size_t>(randomInt()) % files.size()];
}

std::int64_t mirrorCoordinate(std::int64_t v, std::int64_t size) {
  // The magnitude in unsigned arithmetic, which has room for the most negative value.
  const std::uint64_t a = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  const auto n = static_cast<std::uint64_t>(size);
  const auto r = static_cast<std::int64_t>(a % n);
  return (a / n) % 2 == 1 ? size - 1 - r : r;
}

void HeightSource::loadFlat() {
  cache_.close();
  kind_ = HeightSourceKind::Flat;
  grid_ = HeightGrid(kFlatSamples, kFlatSamples);
  sampleSpacing_ = kFlatSpacing;
  heightUnit_ = kPublishedHeightUnit;
}

void HeightSource::load(std::string_view name) {
  std::string chosen(name);
  if (equalsIgnoreCase(name, kRandomTerrain)) {
    chosen = randomTerrainFile();
    if (chosen.empty()) {
      loadFlat();
      return;
    }
  }
  loadNamed(chosen, nativePath("tem\\" + chosen), std::string());
}

void HeightSource::loadPath(const std::string& path) { loadNamed(path, path, path); }

void HeightSource::loadNamed(std::string_view name, const std::string& file, const std::string& pictureFile) {
  loadFlat();  // what was loaded goes before the next grid is allocated
  const std::string_view extension = extensionOf(name);
  if (equalsIgnoreCase(extension, "tem")) {
    loadTiledCache(file);
    return;
  }
  if ((endsWithIgnoreCase(name, "jpg") || endsWithIgnoreCase(name, "bmp")) && loadPicture(name, pictureFile)) return;
  if (equalsIgnoreCase(extension, "hgt")) {
    loadHeightFile(file);
  } else if (equalsIgnoreCase(extension, "dem")) {
    loadTextGrid(file);
  } else {
    loadGlobalGrid(file);
  }
}

bool HeightSource::loadTiledCache(const std::string& file) {
  // Opened read-only: a file whose header or index does not read is passed over, never
  // rewritten, so a damaged or foreign file loses nothing.
  return succeeded(openCache(file));
}

bool HeightSource::loadPicture(std::string_view name, const std::string& pictureFile) {
  std::vector<std::string> names = terrainPictureNames(name);
  if (!pictureFile.empty()) names.insert(names.begin(), pictureFile);
  Image image;
  for (const std::string& picture : names) {
    if (loadImage(picture, image) != 0) continue;
    HeightGrid grid = heightsFromImage(image);
    image.reset();
    loadGrid(std::move(grid), kImageHeightSpacing, kPublishedHeightUnit, HeightSourceKind::Image);
    return true;
  }
  return false;
}

bool HeightSource::loadHeightFile(const std::string& file) {
  File f(file, "rb");
  const HeightFileShape shape = heightFileShape(f.size());
  if (!f.isOpen() || shape.samples == 0) return false;
  HeightGrid grid(shape.samples, shape.samples);
  if (!readRawSamples(f, grid)) return false;
  convertHeightFileGrid(grid);
  loadGrid(std::move(grid), shape.spacing, kPublishedHeightUnit, HeightSourceKind::HeightFile);
  return true;
}

bool HeightSource::loadTextGrid(const std::string& file) {
  File f(file, "rb");
  if (!f.isOpen() || f.size() <= kTextGridHeaderBytes || !f.seek(kTextGridHeaderBytes)) return false;
  TextGridReader reader;
  std::vector<std::uint8_t> block(kTextGridBlockBytes);
  while (!reader.full()) {
    const std::size_t got = f.read(block.data(), block.size());
    if (got == 0) break;
    reader.feed(std::span<const std::uint8_t>(block.data(), got));
  }
  reader.finish();
  // A short file would leave part of the land at sea level: take it as unreadable instead.
  if (!reader.full()) return false;
  loadGrid(reader.takeGrid(), kTextGridSpacing, kPublishedHeightUnit, HeightSourceKind::TextGrid);
  return true;
}

bool HeightSource::loadGlobalGrid(const std::string& file) {
  File f(file, "rb");
  if (!f.isOpen() || f.size() < kGlobalGridBytes) return false;
  HeightGrid grid(kGlobalGridColumns, kGlobalGridRows);
  if (!readRawSamples(f, grid)) return false;
  swapGlobalGrid(grid);
  loadGrid(std::move(grid), kGlobalGridSpacing, kPublishedHeightUnit, HeightSourceKind::GlobalGrid);
  return true;
}

void HeightSource::loadGrid(HeightGrid grid, float sampleSpacing, float heightUnit, HeightSourceKind kind) {
  if (grid.empty() || kind == HeightSourceKind::TiledCache) {
    loadFlat();
    return;
  }
  cache_.close();
  kind_ = kind;
  grid_ = std::move(grid);
  sampleSpacing_ = sampleSpacing;
  heightUnit_ = heightUnit;
}

HResult HeightSource::openCache(const std::string& path) {
  cache_.close();
  const HResult hr = cache_.open(path);
  if (failed(hr)) {
    loadFlat();
    return hr;
  }
  kind_ = HeightSourceKind::TiledCache;
  grid_ = HeightGrid();
  sampleSpacing_ = cache_.sampleSpacing();
  heightUnit_ = cache_.heightUnit();
  return kOk;
}

int HeightSource::gridWidth() const {
  return inMemory() ? grid_.width : static_cast<int>(cache_.header().gridWidth);
}

int HeightSource::gridHeight() const {
  return inMemory() ? grid_.height : static_cast<int>(cache_.header().gridHeight);
}

std::uint16_t HeightSource::mirroredSample(std::int64_t x, std::int64_t z) const {
  return grid_.at(static_cast<int>(mirrorCoordinate(x, grid_.width)),
                  static_cast<int>(mirrorCoordinate(z, grid_.height)));
}

int HeightSource::tile(std::int32_t x, std::int32_t z, int level, std::span<std::uint16_t, kTileSampleCount> out,
                       bool fallback) {
  if (!inMemory()) return cache_.tile(x, z, level, out, fallback);
  if (level < 0 || level > kMaxGridTileLevel) return kTileReadError;
  // Mirroring is worked out once per column and per row rather than per sample: tiles are cut
  // during the frame's paging.
  const std::int64_t step = std::int64_t{1} << level;
  std::array<int, kTileSamples> columns, rows;
  for (int i = 0; i < kTileSamples; ++i) {
    columns[i] = static_cast<int>(mirrorCoordinate(x + i * step, grid_.width));
    rows[i] = static_cast<int>(mirrorCoordinate(z + i * step, grid_.height));
  }
  std::size_t k = 0;
  for (int j = 0; j < kTileSamples; ++j) {
    const std::uint16_t* row = &grid_.samples[static_cast<std::size_t>(rows[j]) * grid_.width];
    for (int i = 0; i < kTileSamples; ++i) out[k++] = row[columns[i]];
  }
  return kTileFromGrid;
}

int HeightSource::window(std::int32_t x0, std::int32_t z0, std::int32_t x1, std::int32_t z1,
                         std::span<std::uint16_t> out) {
  const std::int64_t w = std::int64_t{x1} - x0, h = std::int64_t{z1} - z0;
  if (w <= 0 || h <= 0) return kTileFromGrid;  // nothing to fill
  // Checked by division: the product of two 32-bit spans can overflow a signed 64-bit count.
  const auto uw = static_cast<std::uint64_t>(w), uh = static_cast<std::uint64_t>(h);
  if (uw > out.size() || uh > out.size() / uw) return kTileReadError;
  if (inMemory()) {
    std::size_t k = 0;
    for (std::int64_t z = z0; z < z1; ++z) {
      for (std::int64_t x = x0; x < x1; ++x) out[k++] = mirroredSample(x, z);
    }
    return kTileFromGrid;
  }
  // From the cache file's level-0 tiles, each read once, into one buffer kept for the source's
  // life: windows are read during the frame's paging.
  std::vector<std::uint16_t>& tileSamples = windowTile_;
  tileSamples.resize(kTileSampleCount);
  auto tileOrigin = [](std::int64_t v) { return v & -kTileSpanSamples; };
  for (std::int64_t tz = tileOrigin(z0); tz < z1; tz += kTileSpanSamples) {
    for (std::int64_t tx = tileOrigin(x0); tx < x1; tx += kTileSpanSamples) {
      const int status = cache_.tile(static_cast<std::int32_t>(tx), static_cast<std::int32_t>(tz), 0,
                                     std::span<std::uint16_t, kTileSampleCount>(tileSamples), false);
      for (std::int64_t z = std::max<std::int64_t>(tz, z0); z < std::min<std::int64_t>(tz + kTileSpanSamples, z1); ++z) {
        for (std::int64_t x = std::max<std::int64_t>(tx, x0); x < std::min<std::int64_t>(tx + kTileSpanSamples, x1); ++x) {
          const std::size_t at = static_cast<std::size_t>((z - z0) * w + (x - x0));
          out[at] = status == kTileFound ? tileSamples[static_cast<std::size_t>((z - tz) * kTileSamples + (x - tx))]
                                         : std::uint16_t{0xFFFF};
        }
      }
    }
  }
  return kTileFromGrid;
}

bool HeightSource::sample(std::int64_t x, std::int64_t z, std::uint16_t& out, bool fallback) {
  if (inMemory()) {
    out = mirroredSample(x, z);
    return true;
  }
  constexpr std::int64_t kLimit = std::int64_t{1} << 30;
  if (x <= -kLimit || x >= kLimit || z <= -kLimit || z >= kLimit) return false;
  windowTile_.resize(kTileSampleCount);
  const std::int64_t ox = x & -kTileSpanSamples, oz = z & -kTileSpanSamples;
  if (cache_.tile(static_cast<std::int32_t>(ox), static_cast<std::int32_t>(oz), 0,
                  std::span<std::uint16_t, kTileSampleCount>(windowTile_), fallback) != kTileFound) {
    return false;
  }
  out = windowTile_[static_cast<std::size_t>((z - oz) * kTileSamples + (x - ox))];
  return true;
}

float HeightSource::metresAt(float x, float z) {
  const auto sx = static_cast<std::int64_t>(std::floor(x / sampleSpacing_ + 0.5f));
  const auto sz = static_cast<std::int64_t>(std::floor(z / sampleSpacing_ + 0.5f));
  std::uint16_t s = 0;
  return sample(sx, sz, s, true) ? static_cast<float>(s) * heightUnit_ : 0.0f;
}

}  // namespace skyloom
