#include "player/file_input.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine_fakes.h"
#include "platform/registry/registry_memory.h"
#include "player/engine_error.h"
#include "player/player_context.h"

namespace skyloom {
namespace {

using testing::RecordingTarget;

class FileInputTest : public ::testing::Test {
 protected:
  FileInputTest() {
    context_.preferences = std::make_unique<Preferences>(registry_, "");
    context_.log = std::make_unique<PlayerLog>();
  }
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return files_.write("pmi_" + name, bytes);
  }
  // Everything the input's thread reads, as the decoder would take it.
  std::vector<std::uint8_t> drain(PMI& pmi, Pullbuffer& in) {
    std::vector<std::uint8_t> got;
    pmi.wake();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::size_t fill = in.fillBytes();
      if (fill == 0 && in.isEndOfStream()) break;
      const std::size_t n = std::min<std::size_t>(fill, 4096);
      const std::uint8_t* region = nullptr;
      if (n > 0 && in.beginRead(region, n) == kErrorNone) {
        got.insert(got.end(), region, region + n);
        in.endRead(n);
        pmi.wake();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    return got;
  }
  static std::vector<std::uint8_t> body(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7);
    return v;
  }
  static std::vector<std::uint8_t> id3v2(int major, std::size_t size, bool extended) {
    std::vector<std::uint8_t> tag = {'I',
                                     'D',
                                     '3',
                                     static_cast<std::uint8_t>(major),
                                     0,
                                     static_cast<std::uint8_t>(extended ? 0x40 : 0),
                                     static_cast<std::uint8_t>(size >> 21 & 0x7F),
                                     static_cast<std::uint8_t>(size >> 14 & 0x7F),
                                     static_cast<std::uint8_t>(size >> 7 & 0x7F),
                                     static_cast<std::uint8_t>(size & 0x7F)};
    tag.resize(10 + size, 0x55);
    return tag;
  }

  MemoryRegistry registry_;
  PlayerContext context_;
  RecordingTarget target_;
  testing::TempFiles files_;
};

TEST_F(FileInputTest, ATrailingTagIsLeftOutOfTheLengthButStillRead) {
  std::vector<std::uint8_t> bytes = body(70000, 3);  // more than the 64 KB buffer
  std::vector<std::uint8_t> tag(128, 0);
  tag[0] = 'T', tag[1] = 'A', tag[2] = 'G';
  bytes.insert(bytes.end(), tag.begin(), tag.end());
  PMI pmi(context_, target_);
  pmi.setTo(write("tagged.mp3", bytes));
  Pullbuffer* in = nullptr;
  ASSERT_EQ(pmi.prepare(in), kErrorNone);
  EXPECT_EQ(pmi.getLength(), 70000);
  EXPECT_EQ(drain(pmi, *in), bytes);

  const std::vector<std::uint8_t> tiny = body(100, 9);
  PMI small(context_, target_);
  small.setTo(write("tiny.mp3", tiny));
  ASSERT_EQ(small.prepare(in), kErrorNone);
  EXPECT_EQ(small.getLength(), 100);
  EXPECT_EQ(drain(small, *in), tiny);
}

TEST_F(FileInputTest, AnId3v23TagIsSkippedWholeOfV24OnlyTheHeader) {
  const std::vector<std::uint8_t> audio = body(5000, 1);
  for (bool extended : {false, true}) {
    std::vector<std::uint8_t> bytes = id3v2(3, 300, extended);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    PMI pmi(context_, target_);
    pmi.setTo("file://" + write(extended ? "v23x.mp3" : "v23.mp3", bytes));  // a URL without a drive
    Pullbuffer* in = nullptr;
    ASSERT_EQ(pmi.prepare(in), kErrorNone);
    EXPECT_EQ(drain(pmi, *in), audio) << "extended header " << extended;
  }
  std::vector<std::uint8_t> bytes = id3v2(4, 300, false);
  bytes.insert(bytes.end(), audio.begin(), audio.end());
  PMI pmi(context_, target_);
  pmi.setTo(write("v24.mp3", bytes));
  Pullbuffer* in = nullptr;
  ASSERT_EQ(pmi.prepare(in), kErrorNone);
  EXPECT_EQ(drain(pmi, *in), std::vector<std::uint8_t>(bytes.begin() + 10, bytes.end()));
}

TEST_F(FileInputTest, AFileThatCannotBeOpenedIsReportedToThePlayer) {
  PMI pmi(context_, target_);
  pmi.setTo("no such file.mp3");
  Pullbuffer* in = nullptr;
  EXPECT_EQ(pmi.prepare(in), 1);
  ASSERT_EQ(target_.kinds(), (std::vector<std::int32_t>{EventKind::ErrorText, EventKind::ErrorStop}));
  EXPECT_EQ(static_cast<TextEvent&>(*target_.events[0]).text(), "Cannot open file no such file.mp3.");
}

TEST_F(FileInputTest, SeekingEmptiesTheBufferAndReadsFromThere) {
  const std::vector<std::uint8_t> bytes = body(20000, 5);
  PMI pmi(context_, target_);
  pmi.setTo(write("seek.mp3", bytes));
  Pullbuffer* in = nullptr;
  ASSERT_EQ(pmi.prepare(in), kErrorNone);
  std::int64_t position = 0;
  ASSERT_EQ(pmi.seek(position, 12000, SEEK_SET), kErrorNone);
  EXPECT_EQ(position, 12000);
  EXPECT_EQ(drain(pmi, *in), std::vector<std::uint8_t>(bytes.begin() + 12000, bytes.end()));
  EXPECT_EQ(pmi.seek(position, -1, SEEK_SET), kErrorSeekFailed);
}

}  // namespace
}  // namespace skyloom
