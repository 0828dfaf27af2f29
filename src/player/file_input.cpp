#include "player/file_input.h"

#include <cstring>

#include "core/paths.h"
#include "player/engine_error.h"
#include "player/file_url.h"
#include "player/player_context.h"

namespace skyloom {
namespace {

constexpr std::int32_t kDefaultInputKilobytes = 64;
constexpr long kTagBytes = 128;

}  // namespace

PMI::PMI(PlayerContext& context, EventTarget& target) : PipelineUnit(context, target) {}

PMI::~PMI() {
  beginExit();
  if (buffer()) buffer()->interrupt();  // a reader waiting inside the buffer gives up too
  thread_.join();
  close();
}

bool PMI::canHandle(const std::string& url) { return url.rfind("file://", 0) == 0; }

std::int32_t PMI::setTo(const std::string& url) {
  if (canHandle(url)) {
    path_ = urlToPath(url).value_or(url);
  } else {
    path_ = url;
  }
  return kErrorNone;
}

std::int32_t PMI::prepare(Pullbuffer*& out) {
  const std::int32_t kilobytes = context_.preferences
                                     ? context_.preferences->intOr(prefs::kInputBufferSize, kDefaultInputKilobytes)
                                     : kDefaultInputKilobytes;
  const std::size_t size = kilobytes > 0 ? static_cast<std::size_t>(kilobytes) * 1024 : 65536;
  setBuffer(std::make_unique<Pullbuffer>(size, kOverflowBytes, log()));
  std::int32_t result = open();
  if (result != kErrorNone) {
    reportError("Cannot open file %s.", path_.c_str());
    return result;
  }
  result = run();
  if (result != kErrorNone) {
    reportError("Could not run the input plugin.");
    return result;
  }
  out = buffer();
  return kErrorNone;
}

std::int32_t PMI::open() {
  std::lock_guard lock(fileMutex_);
  if (path_ == "-") {
    file_ = stdin;
    standardInput_ = true;
    length_ = 0;
    return kErrorNone;
  }
  file_ = std::fopen(nativePath(path_).c_str(), "rb");
  if (!file_) return 1;
  std::fseek(file_, 0, SEEK_END);
  length_ = std::ftell(file_);
  if (length_ < 0) length_ = 0;
  char tag[kTagBytes];
  if (std::fseek(file_, -kTagBytes, SEEK_END) == 0 && std::fread(tag, 1, sizeof tag, file_) == sizeof tag &&
      std::memcmp(tag, "TAG", 3) == 0) {
    length_ -= kTagBytes;
  }
  std::fseek(file_, 0, SEEK_SET);
  skipId3v2();
  return kErrorNone;
}

// An ID3v2.3 tag is skipped whole (its size is four 7-bit groups); of any other version only
// the 10-byte header, and the decoder's sync search finds the first frame.
void PMI::skipId3v2() {
  std::uint8_t header[10];
  if (std::fread(header, 1, sizeof header, file_) < sizeof header) return;
  if (std::memcmp(header, "ID3", 3) != 0) {
    std::fseek(file_, 0, SEEK_SET);
    return;
  }
  if (header[3] != 3) return;
  const long size = (header[6] & 0x7F) << 21 | (header[7] & 0x7F) << 14 | (header[8] & 0x7F) << 7 | (header[9] & 0x7F);
  std::fseek(file_, 10 + size, SEEK_SET);
}

std::int32_t PMI::seek(std::int64_t& position, std::int64_t offset, int origin) {
  std::int32_t result = kErrorSeekFailed;
  {
    std::lock_guard lock(fileMutex_);
    if (file_ && !standardInput_ && std::fseek(file_, static_cast<long>(offset), origin) == 0) {
      position = std::ftell(file_);
      result = kErrorNone;
    }
  }
  if (buffer()) buffer()->clear();
  return result;
}

void PMI::rewind() {
  std::int64_t ignored = 0;
  seek(ignored, 0, SEEK_SET);
}

void PMI::close() {
  {
    std::lock_guard lock(fileMutex_);
    if (file_ && !standardInput_) std::fclose(file_);
    file_ = nullptr;
  }
  if (buffer()) buffer()->clear();
}

std::int32_t PMI::run() {
  if (running_) return kErrorNone;
  if (failed(thread_.start([this] { readerThread(); }))) {
    if (log()) log()->error("Could not create filebuffer thread.");
    return kErrorCreateThread;
  }
  running_ = true;
  return kErrorNone;
}

void PMI::readerThread() {
  Pullbuffer& in = *buffer();
  waitForWake();
  while (!exiting()) {
    if (paused()) {
      resumeSemaphore_.acquire();
      continue;
    }
    if (in.isEndOfStream()) {
      wakeSemaphore_.acquire();
      continue;
    }
    std::uint8_t* region = nullptr;
    const std::int32_t result = in.beginWrite(region, kReadBytes);
    if (result == kError_Interrupt) break;
    if (result == kErrorBufferTooSmall) {
      wakeSemaphore_.acquire();
      continue;
    }
    if (result != kErrorNone) continue;
    std::size_t got = 0;
    {
      std::lock_guard lock(fileMutex_);
      if (file_) got = std::fread(region, 1, kReadBytes, file_);
    }
    const std::int32_t ended = in.endWrite(got);
    if (ended != kErrorNone) {
      if (log()) log()->error("local: EndWrite returned: %d\n", static_cast<int>(ended));
      break;
    }
    if (got < kReadBytes) in.setEndOfStream(true);
  }
  if (log()) log()->log(LogCategory::Input, "PMI: filebuffer thread exit\n");
}

}  // namespace skyloom
