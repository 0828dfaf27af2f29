#pragma once
// The playback pipeline's file input: reads a local file into a pull buffer on a thread of its
// own, 8 KB at a time, as fast as the decoder takes it. Its length leaves out a trailing
// ID3v1 "TAG" block, and reading starts after a leading ID3v2.3 tag.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "player/pipeline_unit.h"

namespace skyloom {

class PMI : public PipelineUnit {
 public:
  static constexpr std::size_t kReadBytes = 8192;
  static constexpr std::size_t kOverflowBytes = 8192;

  PMI(PlayerContext& context, EventTarget& target);
  // Ends and joins the reader thread and closes the file.
  ~PMI() override;

  // The file to read: a "file://" URL (exactly that case) or a path as it is. 0.
  std::int32_t setTo(const std::string& url);
  // A new buffer ("InputBufferSize" kilobytes), the file opened and the reader thread started;
  // the thread waits for the first wake(). On failure the error is reported to the player and
  // its code answered.
  std::int32_t prepare(Pullbuffer*& out);
  // Opens the file: 0, or 1 when it cannot be opened.
  std::int32_t open();
  // Moves the read position (origin SEEK_SET, SEEK_CUR or SEEK_END) and empties the buffer:
  // 0 with the new position, or 25.
  std::int32_t seek(std::int64_t& position, std::int64_t offset, int origin);
  void rewind();
  void close();
  std::int64_t getLength() const { return length_; }
  bool isStreaming() const { return false; }
  static bool canHandle(const std::string& url);
  // Starts the reader thread once: 0, or 26.
  std::int32_t run();
  const std::string& path() const { return path_; }

 private:
  void readerThread();
  void skipId3v2();

  std::string path_;
  std::mutex fileMutex_;  // the reader thread's reads against seeks from elsewhere
  std::FILE* file_ = nullptr;
  bool standardInput_ = false;
  std::int64_t length_ = 0;
  WorkerThread thread_;
  bool running_ = false;
};

}  // namespace skyloom
