#include "player/player_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace skyloom {
namespace {

namespace fs = std::filesystem;

class PlayerLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() / (std::string("skyloom_") + info->name() + ".log");
    fs::remove(path_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  // Read as text: the log is a text file, with CR LF line ends on Windows.
  std::string contents() const {
    std::ifstream in(path_);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path path_;
};

TEST_F(PlayerLogTest, WritesNothingUntilOpened) {
  PlayerLog log(path_.string());
  EXPECT_EQ(log.fileName(), path_.string());
  log.setMask(~0u);
  log.error("lost %d\n", 1);
  log.log(LogCategory::Main, "lost\n");
  EXPECT_FALSE(log.isOpen());
  EXPECT_FALSE(fs::exists(path_));
  EXPECT_EQ(PlayerLog().fileName(), "velkaranmp3.log");
}

TEST_F(PlayerLogTest, ErrorLinesAlwaysAndCategoryLinesByMask) {
  PlayerLog log(path_.string());
  ASSERT_TRUE(log.open());
  log.error("Cannot setup the audio decode process: %d\n", 12);
  log.log(LogCategory::Decode, "hidden\n");
  log.setMask((1u << static_cast<unsigned>(LogCategory::Decode)) | (1u << static_cast<unsigned>(LogCategory::Perf)));
  log.log(LogCategory::Decode, "frame %s\n", "ok");
  log.log(LogCategory::Main, "hidden\n");
  log.log(LogCategory::Perf, "%.1f ms\n", 2.5);
  // Lines are flushed as written: the file is complete while the log is still open.
  EXPECT_EQ(contents(), "Error: Cannot setup the audio decode process: 12\nDecode: frame ok\nPerf: 2.5 ms\n");
  log.close();
  log.error("after close\n");
  EXPECT_EQ(contents().find("after close"), std::string::npos);
}

TEST_F(PlayerLogTest, LongTextsAreCutToTheFormatBuffer) {
  PlayerLog log(path_.string());
  ASSERT_TRUE(log.open());
  const std::string huge(5000, 'a');
  log.error("%s", huge.c_str());
  log.close();
  EXPECT_EQ(contents(), "Error: " + std::string(PlayerLog::kFormatBufferSize - 1, 'a'));
}

TEST_F(PlayerLogTest, LinesFromSeveralThreadsStayWhole) {
  PlayerLog log(path_.string());
  ASSERT_TRUE(log.open());
  log.setMask(1u << static_cast<unsigned>(LogCategory::Output));
  constexpr int kThreads = 4;
  constexpr int kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kLines; ++i) log.log(LogCategory::Output, "thread %d line %03d\n", t, i);
    });
  }
  for (std::thread& thread : threads) thread.join();
  log.close();

  std::istringstream lines(contents());
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    EXPECT_EQ(line.rfind("Output: thread ", 0), 0u) << line;
    EXPECT_EQ(line.size(), std::string("Output: thread 0 line 000").size()) << line;
    ++count;
  }
  EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
}  // namespace skyloom
