// terraintool: what the world makes of a terrain file, for us and for people who bring their own.
//
//   terraintool info FILE                 the kind chosen, grid size, spacing, height unit and the
//                                         height range in metres
//   terraintool sample FILE COL ROW       one source sample after conversion and mending
//   terraintool height FILE X Z           the ground height at world position X, Z (metres) with
//                                         the height tiles generated around it as the running world
//                                         would at detail 3, and the base sample it falls on
//   terraintool relief FILE LEVEL OUT.bmp [X Z]
//                                         a shaded relief of one height level's window around
//                                         X, Z (default 0, 0, in metres)
//
// FILE is read as the world reads the files of "tem\": by its extension, pictures included. A
// "pack.dat" in the current folder is opened as the main pack, so the classification noise
// ("pack\land202.jpg") comes from there as it does in the program. Bad files get a one-line
// message and status 1; a bad command line status 2.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "core/file.h"
#include "relief.h"
#include "resources/pack.h"
#include "world/ground_class.h"
#include "world/height_pyramid.h"
#include "world/height_source.h"
#include "world/land_image.h"
#include "world/terrain_params.h"

using namespace skyloom;

namespace {

constexpr float kToolDetail = 3.0f;  // the highest terrain quality

int usage() {
  std::fputs(
      "usage: terraintool info FILE\n"
      "       terraintool sample FILE COL ROW\n"
      "       terraintool height FILE X Z\n"
      "       terraintool relief FILE LEVEL OUT.bmp [X Z]\n",
      stderr);
  return 2;
}

const char* kindName(HeightSourceKind kind) {
  switch (kind) {
    case HeightSourceKind::TiledCache: return "tiled cache file";
    case HeightSourceKind::Image: return "picture height map";
    case HeightSourceKind::HeightFile: return "height file";
    case HeightSourceKind::TextGrid: return "text elevation grid";
    case HeightSourceKind::GlobalGrid: return "global grid";
    case HeightSourceKind::Flat: return "flat";
  }
  return "?";
}

bool parseInt(const char* text, std::int64_t& out) {
  char* end = nullptr;
  out = std::strtoll(text, &end, 10);
  return end != text && *end == '\0';
}

bool parseFloat(const char* text, float& out) {
  char* end = nullptr;
  out = std::strtof(text, &end);
  return end != text && *end == '\0' && std::isfinite(out);
}

// Loads FILE; false after a one-line message when it holds no terrain the world could use (the
// world itself would then fly over the flat grid).
bool loadTerrain(const char* path, HeightSource& source) {
  if (!File(path, "rb").isOpen()) {
    std::fprintf(stderr, "terraintool: cannot open %s\n", path);
    return false;
  }
  source.loadPath(path);
  if (source.kind() == HeightSourceKind::Flat) {
    std::fprintf(stderr, "terraintool: %s holds no terrain this program reads (the world would be flat)\n", path);
    return false;
  }
  return true;
}

// A cache file's grid column and row sit at base x = column − (width − 1) / 2, as the writer
// centres them.
std::int64_t centred(std::int64_t index, int size) { return index - (size - 1) / 2; }

int info(const char* path) {
  HeightSource source;
  if (!loadTerrain(path, source)) return 1;
  std::uint32_t low = std::numeric_limits<std::uint32_t>::max(), high = 0;
  const int w = source.gridWidth(), h = source.gridHeight();
  if (source.inMemory()) {
    for (std::uint16_t s : source.grid().samples) {
      low = std::min<std::uint32_t>(low, s);
      high = std::max<std::uint32_t>(high, s);
    }
  } else {
    // Every level-0 tile of the grid's extent.
    TerrainCacheFile& file = *source.cacheFile();
    std::array<std::uint16_t, kTileSampleCount> tile;
    for (std::int64_t z = centred(0, h); z < centred(h, h); z += kTileSpanSamples) {
      for (std::int64_t x = centred(0, w); x < centred(w, w); x += kTileSpanSamples) {
        const int status = file.tile(static_cast<std::int32_t>(x), static_cast<std::int32_t>(z), 0, tile, false);
        if (status == kTileReadError) {
          std::fprintf(stderr, "terraintool: %s: a tile does not read (error 0x%08X)\n", path,
                       static_cast<unsigned>(file.lastError()));
          return 1;
        }
        if (status != kTileFound) continue;
        for (std::uint16_t s : tile) {
          low = std::min<std::uint32_t>(low, s);
          high = std::max<std::uint32_t>(high, s);
        }
      }
    }
  }
  std::printf("kind:        %s\n", kindName(source.kind()));
  std::printf("grid:        %d x %d samples\n", w, h);
  std::printf("spacing:     %g m\n", source.sampleSpacing());
  std::printf("height unit: %.8g m\n", source.heightUnit());
  if (low > high) {
    std::printf("heights:     none stored\n");
  } else {
    std::printf("heights:     %.1f to %.1f m (%u to %u units)\n", low * source.heightUnit(), high * source.heightUnit(),
                low, high);
  }
  const TerrainParams p = terrainParams(source.sampleSpacing(), source.heightUnit(), 0, kToolDetail);
  std::printf("world:       base spacing %g m (%d levels below the file), %d terrain levels, %d height levels\n",
              p.spacing, p.levelsBelowSource, p.levelCount, p.heightLevelCount);
  return 0;
}

int sample(const char* path, const char* colText, const char* rowText) {
  std::int64_t col = 0, row = 0;
  if (!parseInt(colText, col) || !parseInt(rowText, row)) return usage();
  HeightSource source;
  if (!loadTerrain(path, source)) return 1;
  const int w = source.gridWidth(), h = source.gridHeight();
  if (col < 0 || row < 0 || col >= w || row >= h) {
    std::fprintf(stderr, "terraintool: sample %lld, %lld lies outside the %d x %d grid\n", static_cast<long long>(col),
                 static_cast<long long>(row), w, h);
    return 1;
  }
  std::uint16_t s = 0;
  const bool found = source.inMemory() ? source.sample(col, row, s)
                                       : source.sample(centred(col, w), centred(row, h), s);
  if (!found) {
    std::fprintf(stderr, "terraintool: %s holds no tile for sample %lld, %lld\n", path, static_cast<long long>(col),
                 static_cast<long long>(row));
    return 1;
  }
  std::printf("sample %lld, %lld: %u units = %.2f m\n", static_cast<long long>(col), static_cast<long long>(row), s,
              s * source.heightUnit());
  return 0;
}

int height(const char* path, const char* xText, const char* zText) {
  float x = 0, z = 0;
  if (!parseFloat(xText, x) || !parseFloat(zText, z)) return usage();
  HeightSource source;
  if (!loadTerrain(path, source)) return 1;
  const TerrainParams params = terrainParams(source.sampleSpacing(), source.heightUnit(), 0, kToolDetail);
  LandImage noise;
  noise.load(kNoiseLandImage);
  TilePyramid pyramid(source, params, &noise);
  const auto cx = static_cast<std::int32_t>(std::floor(x / params.spacing));
  const auto cz = static_cast<std::int32_t>(std::floor(z / params.spacing));
  pyramid.moveTo(cx, cz);
  int level = 0;
  const std::uint32_t* samples = pyramid.fetchGenerating(level, cx, cz);
  if (!samples || level != 0) {
    std::fprintf(stderr, "terraintool: no height tile holds %g, %g\n", x, z);
    return 1;
  }
  const HeightTile& tile = *pyramid.tileAt(0, cx, cz);
  const std::uint32_t s = samples[(cz - tile.originZ) * kTileSamples + (cx - tile.originX)];
  std::printf("ground height at %g, %g: %.2f m\n", x, z, pyramid.groundHeight(x, z));
  std::printf("base sample %d, %d (%g m apart): %u units = %.2f m, %s class %d\n", cx, cz, params.spacing,
              sampleHeight(s), sampleHeight(s) * source.heightUnit(), (s & kSampleWater) ? "water" : "land",
              sampleClass(s));
  return 0;
}

int relief(int argc, char** argv) {
  std::int64_t level = 0;
  float x = 0, z = 0;
  if (!parseInt(argv[3], level)) return usage();
  if (argc == 7 && (!parseFloat(argv[5], x) || !parseFloat(argv[6], z))) return usage();
  HeightSource source;
  if (!loadTerrain(argv[2], source)) return 1;
  const TerrainParams params = terrainParams(source.sampleSpacing(), source.heightUnit(), 0, kToolDetail);
  LandImage noise;
  noise.load(kNoiseLandImage);
  TilePyramid pyramid(source, params, &noise);
  if (level < 0 || level >= pyramid.levelCount()) {
    std::fprintf(stderr, "terraintool: level %lld: this terrain has height levels 0 to %d\n",
                 static_cast<long long>(level), pyramid.levelCount() - 1);
    return 1;
  }
  pyramid.moveTo(static_cast<std::int32_t>(std::floor(x / params.spacing)),
                 static_cast<std::int32_t>(std::floor(z / params.spacing)));
  const terraintool::Relief picture = terraintool::shadeLevel(pyramid, static_cast<int>(level));
  const std::vector<std::uint8_t> bmp = terraintool::encodeBmp(picture);
  if (!writeFileReplacing(argv[4], bmp.data(), bmp.size())) {
    std::fprintf(stderr, "terraintool: cannot write %s\n", argv[4]);
    return 1;
  }
  const double metres = static_cast<double>(params.spacing) * (1 << level) * (picture.width - 1);
  std::printf("%s: level %lld, %d x %d pixels, %.1f km across\n", argv[4], static_cast<long long>(level), picture.width,
              picture.height, metres / 1000.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  Pack pack;
  if (pack.open("pack.dat")) mainPack = &pack;
  const std::string command = argv[1];
  int rc = 2;
  if (command == "info" && argc == 3) {
    rc = info(argv[2]);
  } else if (command == "sample" && argc == 5) {
    rc = sample(argv[2], argv[3], argv[4]);
  } else if (command == "height" && argc == 5) {
    rc = height(argv[2], argv[3], argv[4]);
  } else if (command == "relief" && (argc == 5 || argc == 7)) {
    rc = relief(argc, argv);
  } else {
    rc = usage();
  }
  mainPack = nullptr;
  return rc;
}
