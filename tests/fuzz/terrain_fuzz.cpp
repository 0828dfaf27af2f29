// Feeds arbitrary bytes to the readers of terrain height files. The first byte chooses the kind
// of file (by its value modulo the number of kinds): 0 is the tiled cache file, 1 to 4 the
// loaders that work on bytes in memory (terrain_fuzz_grids.cpp); the rest is that kind's input.
//
// Cache files: four bytes give a position (two signed 16-bit tile numbers, little-endian), the rest
// is the file. Once it opens, the target reads the tiles holding that position, the centre and the
// mirrored position at every level, each without and with fallback. Every answer must be one of
// the three tile statuses, a read error must say why, and falling back may neither change a tile
// the level holds nor hide a damaged one.
//
// With -seed DIR (instead of libFuzzer's arguments) it writes small cache files into DIR: the
// writer's output for a few landscapes, cut down to the tiles the target reads.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "world/terrain_cache_file.h"
#include "world/terrain_cache_writer.h"
#include "terrain_fuzz_grids.h"

using namespace skyloom;

namespace {

constexpr std::uint8_t kKindCache = 0;
constexpr int kKinds = kFirstGridKind + kGridKinds;
constexpr std::size_t kPositionBytes = 4;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// The reader takes a path: the bytes go into one memory file per process, opened through its
// /proc name (or a scratch file in the current directory where there is no memory file).
class ScratchFile {
 public:
  ScratchFile() {
    fd_ = memfd_create("terrain_fuzz", 0);
    path_ = fd_ >= 0 ? "/proc/self/fd/" + std::to_string(fd_) : "terrain_fuzz_" + std::to_string(getpid()) + ".tem";
  }
  const std::string& path() const { return path_; }

  bool store(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) {
      std::FILE* f = std::fopen(path_.c_str(), "wb");
      if (!f) return false;
      const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
      return std::fclose(f) == 0 && ok;
    }
    if (ftruncate(fd_, 0) != 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

using Tile = std::array<std::uint16_t, kTileSampleCount>;

struct Position {
  std::int32_t x, z;
};

// The tile positions read for a position prefix: the given one (a tile number times the tile
// span, so every tile of the largest extent is reachable, plus an odd offset inside the tile),
// the centre and the mirror image.
std::array<Position, 3> positionsFor(const std::uint8_t* prefix) {
  const auto tx = static_cast<std::int16_t>(readLE16(prefix));
  const auto tz = static_cast<std::int16_t>(readLE16(prefix + 2));
  const std::int32_t x = std::int32_t{tx} * kTileSpanSamples + 37;
  const std::int32_t z = std::int32_t{tz} * kTileSpanSamples + 91;
  return {{{x, z}, {0, 0}, {-x, -z}}};
}

bool validStatus(TileStatus s) { return s == kTileReadError || s == kTileAbsent || s == kTileFound; }

void fuzzCacheFile(std::span<const std::uint8_t> input) {
  if (input.size() < kPositionBytes) return;
  static ScratchFile scratch;
  if (!scratch.store(input.subspan(kPositionBytes))) return;

  TerrainCacheFile file;
  const HResult opened = file.open(scratch.path());
  check(opened == kOk || opened == kTerrainCacheTruncated || opened == kTerrainCacheCorrupt ||
        opened == kTerrainCacheUnsupported);
  check(file.isOpen() == (opened == kOk));
  static Tile plain, withFallback;
  if (opened != kOk) {
    check(file.tile(0, 0, 0, plain, true) == kTileReadError && file.lastError() == kInvalidArg);
    return;
  }
  check(file.header().blocksX >= 1 && file.header().blocksX <= kMaxBlocksPerSide);
  check(file.header().blocksZ >= 1 && file.header().blocksZ <= kMaxBlocksPerSide);

  for (const Position& p : positionsFor(input.data())) {
    for (int level = 0; level < kCacheLevels; ++level) {
      const TileStatus own = file.tile(p.x, p.z, level, plain, false);
      check(validStatus(own));
      if (own == kTileReadError) check(failed(file.lastError()));
      const TileStatus fallen = file.tile(p.x, p.z, level, withFallback, true);
      check(validStatus(fallen));
      if (fallen == kTileReadError) check(failed(file.lastError()));
      // Fallback reads the level's own tile first: what that answers stands.
      if (own != kTileAbsent) check(fallen == own);
      if (own == kTileFound) check(plain == withFallback);
    }
  }
  check(file.tile(0, 0, kCacheLevels, plain, false) == kTileReadError && file.lastError() == kInvalidArg);
}

// --- Seeds ---------------------------------------------------------------------------------

// An island with terraces and a rough patch, in sea: tiles hold runs and literals, and stay
// small because most of each is sea or the grid's repeated edge.
HeightGrid landscape(int w, int h) {
  HeightGrid g(w, h);
  for (int z = 0; z < h; ++z)
    for (int x = 0; x < w; ++x) {
      const bool sea = x < w / 5 || z < h / 6;
      const int terrace = ((x / 24 + z / 16) % 4) * 1500;
      const int rough = x % 32 < 5 && z % 32 < 5 ? (x * 73 + z * 151) % 700 : 0;
      g.at(x, z) = static_cast<std::uint16_t>(sea ? 0 : 200 + terrace + rough);
    }
  return g;
}

// The writer's file cut down to the tiles holding `positions` at levels [firstLevel, 8]: every
// other tile and block is marked absent, and what is kept is laid out afresh behind the index.
std::vector<std::uint8_t> keepTiles(const std::vector<std::uint8_t>& full, std::span<const Position> positions,
                                    int firstLevel) {
  const TerrainCacheHeader header = decodeCacheHeader(full.data());
  const CacheGeometry geometry(header.blocksX, header.blocksZ);
  const std::size_t indexEnd = kCacheHeaderBytes + static_cast<std::size_t>(geometry.indexBytes());
  std::vector<std::uint8_t> out(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(indexEnd));
  std::fill(out.begin() + kCacheHeaderBytes, out.end(), std::uint8_t{0});

  for (int level = firstLevel; level < kCacheLevels; ++level) {
    for (const Position& p : positions) {
      const TileLocation loc = locateTile(geometry, level, p.x, p.z);
      const std::uint32_t oldTableAt = loc.valid ? readLE32(full.data() + kCacheHeaderBytes + 4 * loc.indexEntry) : 0;
      if (oldTableAt == 0) continue;
      const std::uint8_t* oldTable = full.data() + oldTableAt;
      const std::uint32_t offset = readLE32(oldTable + 8 * loc.slot);
      const std::uint32_t packed = readLE32(oldTable + 8 * loc.slot + 4);
      if (offset == 0) continue;
      std::uint8_t* indexSlot = out.data() + kCacheHeaderBytes + 4 * loc.indexEntry;
      std::uint32_t table = readLE32(indexSlot);
      if (table == 0) {
        table = static_cast<std::uint32_t>(out.size());
        writeLE32(indexSlot, table);
        out.resize(out.size() + kBlockTableBytes, 0);
      }
      if (readLE32(out.data() + table + 8 * loc.slot) != 0) continue;  // kept already
      const std::size_t stored = packed == 0 ? kTilePlainBytes : packed;
      const auto newOffset = static_cast<std::uint32_t>(out.size());
      out.insert(out.end(), full.begin() + offset, full.begin() + offset + static_cast<std::ptrdiff_t>(stored));
      writeLE32(out.data() + table + 8 * loc.slot, newOffset);
      writeLE32(out.data() + table + 8 * loc.slot + 4, packed);
    }
  }
  return out;
}

void writeSeed(const std::string& dir, const char* name, std::int16_t tileX, std::int16_t tileZ,
               const std::vector<std::uint8_t>& file) {
  const std::string path = dir + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::uint8_t prefix[1 + kPositionBytes] = {kKindCache};
  prefix[1] = static_cast<std::uint8_t>(tileX), prefix[2] = static_cast<std::uint8_t>(tileX >> 8);
  prefix[3] = static_cast<std::uint8_t>(tileZ), prefix[4] = static_cast<std::uint8_t>(tileZ >> 8);
  std::fwrite(prefix, 1, sizeof prefix, f);
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
}

// One seed: the landscape's file cut down to what the target reads at tile (tileX, tileZ).
void writeLandscapeSeed(const std::string& dir, const char* name, int w, int h, bool packTiles, std::int16_t tileX,
                        std::int16_t tileZ, int firstLevel) {
  TerrainCacheOptions options;
  options.packTiles = packTiles;
  std::vector<std::uint8_t> full;
  if (encodeTerrainCache(landscape(w, h), options, full) != kOk) {
    std::fprintf(stderr, "terrain_fuzz: no seed %s\n", name);
    return;
  }
  std::uint8_t prefix[kPositionBytes];
  prefix[0] = static_cast<std::uint8_t>(tileX), prefix[1] = static_cast<std::uint8_t>(tileX >> 8);
  prefix[2] = static_cast<std::uint8_t>(tileZ), prefix[3] = static_cast<std::uint8_t>(tileZ >> 8);
  const auto positions = positionsFor(prefix);
  writeSeed(dir, name, tileX, tileZ, keepTiles(full, positions, firstLevel));
}

int writeSeeds(const std::string& dir) {
  writeLandscapeSeed(dir, "cache_one_block", 90, 70, true, 1, -1, 0);
  writeLandscapeSeed(dir, "cache_two_blocks", 1030, 30, true, 5, 0, 0);
  // No tiles below level 4: every finer read falls back to them.
  writeLandscapeSeed(dir, "cache_coarse_only", 90, 70, true, 0, 0, 4);
  // One plain tile (the writer stores a tile plain when packing would not make it smaller).
  writeLandscapeSeed(dir, "cache_plain_tiles", 90, 70, false, 0, 0, 8);
  return writeGridSeeds(dir);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (*argc == 3 && std::strcmp((*argv)[1], "-seed") == 0) std::exit(writeSeeds((*argv)[2]));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> body(data + 1, size - 1);
  const int kind = data[0] % kKinds;
  if (kind == kKindCache) {
    fuzzCacheFile(body);
  } else {
    fuzzGridKind(kind - kFirstGridKind, body);
  }
  return 0;
}
