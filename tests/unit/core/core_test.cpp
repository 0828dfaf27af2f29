#include <gtest/gtest.h>

#include <set>

#include "core/block_pool.h"
#include "core/directory.h"
#include "core/index_stack.h"
#include "core/paths.h"
#include "core/random.h"

namespace skyloom {
namespace {

TEST(CrtRandom, ReproducesTheRuntimeSequence) {
  CrtRandom r1(1);
  EXPECT_EQ(r1.next(), 41);
  EXPECT_EQ(r1.next(), 18467);
  EXPECT_EQ(r1.next(), 6334);
  EXPECT_EQ(r1.next(), 26500);
  EXPECT_EQ(r1.next(), 19169);

  CrtRandom r0(0);
  EXPECT_EQ(r0.next(), 38);
  EXPECT_EQ(r0.next(), 7719);

  CrtRandom r42(42);
  EXPECT_EQ(r42.next(), 175);
  EXPECT_EQ(r42.next(), 400);
}

TEST(CrtRandom, ProcessGeneratorStaysInRangeAndReseeds) {
  seedRandom(1);
  EXPECT_EQ(randomInt(), 41);
  for (int i = 0; i < 100000; ++i) {
    const int v = randomInt();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, kRandomMax);
  }
  seedRandom(1);
  EXPECT_FLOAT_EQ(randomUnit(), 41.0f / 32767.0f);
}

TEST(BlockPool, ContiguousHandsOutZeroedBlocksLastFirst) {
  BlockPool pool(16, 4, BlockPool::Layout::Contiguous);
  EXPECT_EQ(pool.freeCount(), 4u);
  auto* a = static_cast<unsigned char*>(pool.take());
  auto* b = static_cast<unsigned char*>(pool.take());
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a - b, 16);  // the last free block first, so blocks come out from the top down
  for (int i = 0; i < 16; ++i) EXPECT_EQ(a[i], 0);
  pool.take();
  pool.take();
  EXPECT_EQ(pool.take(), nullptr);
  EXPECT_EQ(pool.give(b), b);
  EXPECT_EQ(pool.take(), b);  // LIFO
  EXPECT_EQ(pool.give(nullptr), nullptr);
}

TEST(BlockPool, GiveIgnoresEntriesBeyondCapacity) {
  BlockPool pool(8, 2, BlockPool::Layout::Contiguous);
  int stray = 0;
  EXPECT_EQ(pool.give(&stray), nullptr);  // already full
  EXPECT_EQ(pool.freeCount(), 2u);
}

TEST(BlockPool, LazyAllocatesOnDemandUpToCapacity) {
  BlockPool pool(32, 3, BlockPool::Layout::Lazy);
  EXPECT_EQ(pool.freeCount(), 0u);
  std::set<void*> seen;
  for (int i = 0; i < 3; ++i) {
    void* p = pool.take();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(p)[31], 0);
    seen.insert(p);
  }
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(pool.take(), nullptr);
  void* back = *seen.begin();
  EXPECT_EQ(pool.give(back), back);
  EXPECT_EQ(pool.take(), back);
}

TEST(BlockPool, OffsetsCountFromZeroInBlockSteps) {
  BlockPool pool(24, 3, BlockPool::Layout::Offsets);
  EXPECT_EQ(pool.takeOffset(), 48u);
  EXPECT_EQ(pool.takeOffset(), 24u);
  EXPECT_EQ(pool.takeOffset(), 0u);
  EXPECT_EQ(pool.takeOffset(), BlockPool::kNoOffset);
  EXPECT_TRUE(pool.giveOffset(0));  // offset 0 is a real block, not "null"
  EXPECT_EQ(pool.takeOffset(), 0u);
  EXPECT_EQ(static_cast<unsigned char*>(pool.at(24)) - static_cast<unsigned char*>(pool.at(0)), 24);
}

TEST(IndexStack, BoundedWithTaggedPops) {
  IndexStack voices(3, 7);
  int v = -1;
  EXPECT_EQ(voices.pop(v), 0);
  EXPECT_EQ(v, -1);
  for (int i = 1; i <= 4; ++i) voices.push(i);  // the fourth is ignored
  EXPECT_EQ(voices.size(), 3);
  EXPECT_EQ(voices.pop(v), 7);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(voices.pop(v), 7);
  EXPECT_EQ(v, 2);
}

TEST(Paths, ProgramPathsBecomeNativeAndBaseNamesSplitAtBackslash) {
  EXPECT_EQ(baseName("pack\\clouds.bmp"), "clouds.bmp");
  EXPECT_EQ(baseName("clouds.bmp"), "clouds.bmp");
  EXPECT_EQ(baseName("a\\b\\"), "");
#ifdef _WIN32
  EXPECT_EQ(nativePath("tem\\x.tem"), "tem\\x.tem");
#else
  EXPECT_EQ(nativePath("tem\\x.tem"), "tem/x.tem");
#endif
  EXPECT_TRUE(equalsIgnoreCase("Land200.JPG", "land200.jpg"));
  EXPECT_FALSE(equalsIgnoreCase("land200.jpg", "land201.jpg"));
  EXPECT_FALSE(equalsIgnoreCase("a", "ab"));
}

}  // namespace
}  // namespace skyloom

namespace skyloom {
namespace {

TEST(Wildcard, MatchesLikeTheWindowsFileSystem) {
  EXPECT_TRUE(matchesWildcard("Plane.CU", "*.cu"));
  EXPECT_TRUE(matchesWildcard("song.mp3", "*.mp3"));
  EXPECT_FALSE(matchesWildcard("song.mp3.txt", "*.mp3"));
  EXPECT_TRUE(matchesWildcard("a.b.mp3", "*.mp3"));
  EXPECT_TRUE(matchesWildcard("noext", "*.*"));
  EXPECT_TRUE(matchesWildcard("land201.jpg", "land20?.jpg"));
  EXPECT_FALSE(matchesWildcard("land2010.jpg", "land20?.jpg"));
  EXPECT_FALSE(matchesWildcard("", "?"));
}

}  // namespace
}  // namespace skyloom
