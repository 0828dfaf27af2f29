#include "player/pullbuffer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

#include "player/engine_error.h"
#include "player/event_buffer.h"
#include "player/player_log.h"

namespace skyloom {
namespace {

// Writes n bytes counting up from first; false when the buffer refuses.
bool put(Pullbuffer& b, std::size_t n, std::uint8_t first = 0) {
  std::uint8_t* region = nullptr;
  if (b.beginWrite(region, n) != kErrorNone) return false;
  for (std::size_t i = 0; i < n; ++i) region[i] = static_cast<std::uint8_t>(first + i);
  return b.endWrite(n) == kErrorNone;
}

// Reads n bytes; empty when the buffer refuses.
std::vector<std::uint8_t> take(Pullbuffer& b, std::size_t n) {
  const std::uint8_t* region = nullptr;
  if (b.beginRead(region, n) != kErrorNone) return {};
  std::vector<std::uint8_t> bytes(region, region + n);
  b.endRead(n);
  return bytes;
}

std::vector<std::uint8_t> counting(std::size_t n, std::uint8_t first) {
  std::vector<std::uint8_t> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

TEST(Pullbuffer, AnEmptyBufferGrantsWhatTheRingHoldsAFullOneNothing) {
  Pullbuffer b(100, 20, nullptr);
  std::uint8_t* region = nullptr;
  EXPECT_EQ(b.beginWrite(region, 101), kErrorBufferTooSmall);  // more than the ring
  EXPECT_TRUE(put(b, 100));
  EXPECT_EQ(b.fillPercent(), 100);
  EXPECT_EQ(b.beginWrite(region, 1), kErrorBufferTooSmall);
  EXPECT_EQ(take(b, 100), counting(100, 0));
  EXPECT_EQ(b.endWrite(5), kErrorInvalidParam);  // nothing was handed out
}

TEST(Pullbuffer, AWrappedReadComesBackWholeThroughTheOverflowArea) {
  Pullbuffer b(100, 10, nullptr);
  ASSERT_TRUE(put(b, 90));
  ASSERT_EQ(take(b, 90).size(), 90u);
  ASSERT_TRUE(put(b, 20, 7));  // ten bytes spill over the end to the start
  EXPECT_EQ(take(b, 20), counting(20, 7));
}

TEST(Pullbuffer, AReadNeedingMoreThanTheOverflowAreaIsRefusedAndLogged) {
  const auto path = std::filesystem::temp_directory_path() / "skyloom_pullbuffer.log";
  {
    PlayerLog log(path.string());
    ASSERT_TRUE(log.open());
    Pullbuffer b(100, 10, &log);
    ASSERT_TRUE(put(b, 50));
    ASSERT_EQ(take(b, 50).size(), 50u);
    ASSERT_TRUE(put(b, 50));
    ASSERT_TRUE(put(b, 50));  // full, both indexes at 50
    const std::uint8_t* region = nullptr;
    EXPECT_EQ(b.beginRead(region, 100), kErrorInvalidParam);
    EXPECT_EQ(take(b, 50).size(), 50u);  // what fits is still served
  }
  std::stringstream text;
  {
    std::ifstream in(path);  // closed before the file goes: Windows refuses to remove an open file
    text << in.rdbuf();
  }
  EXPECT_NE(text.str().find("Overflow buffer is too small!! \nNeeded 50 but had only 10 for overflow."),
            std::string::npos);
  std::filesystem::remove(path);
}

TEST(Pullbuffer, EndOfStreamNoDataInterruptionAndResize) {
  Pullbuffer b(64, 0, nullptr);
  ASSERT_TRUE(put(b, 10));
  const std::uint8_t* region = nullptr;
  EXPECT_EQ(b.beginRead(region, 11), kErrorNoDataAvailable);
  b.setEndOfStream(true);
  EXPECT_EQ(b.beginRead(region, 11), kErrorEndOfStream);
  EXPECT_EQ(take(b, 10).size(), 10u);  // the short last read asks exactly for what is left

  Pullbuffer r(64, 0, nullptr);
  ASSERT_TRUE(put(r, 40));
  EXPECT_EQ(r.resize(32, 0), kErrorBufferTooSmall);
  EXPECT_EQ(r.resize(128, 0), kErrorNone);
  EXPECT_EQ(r.size(), 128u);
  EXPECT_TRUE(put(r, 80, 40));
  EXPECT_EQ(take(r, 120), counting(120, 0));
  EXPECT_EQ(r.resize(256, 0), kError_InvalidError);  // after a read

  // Without an overflow area nothing is handed out across the ring's end.
  Pullbuffer plain(64, 0, nullptr);
  ASSERT_TRUE(put(plain, 48));
  ASSERT_EQ(take(plain, 48).size(), 48u);
  ASSERT_TRUE(put(plain, 16));
  ASSERT_TRUE(put(plain, 16));
  EXPECT_EQ(plain.beginRead(region, 32), kErrorNoDataAvailable);
  EXPECT_EQ(take(plain, 16).size(), 16u);

  plain.interrupt();
  std::uint8_t* out = nullptr;
  EXPECT_EQ(plain.beginWrite(out, 1), kError_Interrupt);
  EXPECT_EQ(plain.beginRead(region, 1), kError_Interrupt);
  EXPECT_EQ(plain.clear(), kError_Interrupt);
}

TEST(Pullbuffer, DiscardHalfKeepsTheNewestHalf) {
  Pullbuffer b(100, 0, nullptr);
  ASSERT_TRUE(put(b, 80));
  EXPECT_EQ(b.discardHalf(), kErrorNone);
  EXPECT_EQ(b.fillBytes(), 50u);
  EXPECT_EQ(take(b, 50), counting(50, 30));
}

TEST(EventBuffer, MarkersStopTheReaderWhereTheyWereWritten) {
  EventBuffer b(64, 0, nullptr);
  b.acceptMarker(std::make_unique<FrameStartMarker>(0));
  ASSERT_TRUE(put(b, 16));
  b.acceptMarker(std::make_unique<FrameStartMarker>(1));
  ASSERT_TRUE(put(b, 16, 16));
  b.acceptMarker(std::make_unique<PlayerEvent>(MarkerKind::EndOfStream));

  const std::uint8_t* region = nullptr;
  EXPECT_EQ(b.beginRead(region, 16), kError_EventPending);  // frame 0 is due first
  EXPECT_EQ(static_cast<FrameStartMarker&>(*b.takeMarker()).frame(), 0);
  EXPECT_EQ(b.beginRead(region, 32), kError_EventPending);  // frame 1 lies inside
  EXPECT_EQ(take(b, 16), counting(16, 0));                  // a marker exactly at the end holds nothing back
  EXPECT_EQ(b.beginRead(region, 16), kError_EventPending);
  EXPECT_EQ(b.takeMarker()->kind(), MarkerKind::FrameStart);
  EXPECT_EQ(take(b, 16), counting(16, 16));
  EXPECT_EQ(b.takeMarker()->kind(), MarkerKind::EndOfStream);
  EXPECT_EQ(b.takeMarker(), nullptr);

  b.acceptMarker(std::make_unique<FrameStartMarker>(2));
  ASSERT_TRUE(put(b, 8));
  EXPECT_EQ(b.clear(), kErrorNone);
  EXPECT_FALSE(b.hasMarker());
  EXPECT_EQ(b.fillBytes(), 0u);
}

}  // namespace
}  // namespace skyloom
