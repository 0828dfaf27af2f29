#include "player/decoder_unit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/paths.h"
#include "player/engine_error.h"
#include "player/file_input.h"
#include "player/file_url.h"
#include "player/mpeg/subband_levels.h"
#include "player/player_context.h"

namespace skyloom {
namespace {

constexpr int kHeaderAttempts = 32;
constexpr std::size_t kHeaderWindow = 4323;
constexpr int kMaxFollowingFrame = 1440;
constexpr int kFrequencyLimit = 24000;
constexpr std::int32_t kDefaultOutputKilobytes = 512;
constexpr std::int32_t kMinimumOutputKilobytes = 64;
constexpr std::int32_t kDefaultPriority = 5;
constexpr const char* kCannotPlay = "Velkaran cannot play this file/stream. This file/stream may be corrupted.";

std::uint32_t bigEndian(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

bool isSync(const std::uint8_t* p) { return p[0] == 0xFF && ((p[1] & 0xF0) == 0xF0 || (p[1] & 0xF0) == 0xE0); }

}  // namespace

std::optional<XingInfo> findXingHeader(std::span<const std::uint8_t> frame, const player::FrameHeader& header) {
  const bool mono = header.channelMode == 3;
  const std::size_t offset = header.mpegId == 1 ? (mono ? 21 : 36) : (mono ? 13 : 21);
  std::size_t p = offset;
  if (frame.size() < p + 8 || std::memcmp(frame.data() + p, "Xing", 4) != 0) return std::nullopt;
  XingInfo x;
  x.flags = bigEndian(frame.data() + p + 4);
  p += 8;
  if (x.flags & 1) {
    if (frame.size() < p + 4) return std::nullopt;
    x.frames = static_cast<std::int32_t>(bigEndian(frame.data() + p));
    p += 4;
  }
  if (x.flags & 2) {
    if (frame.size() < p + 4) return std::nullopt;
    x.bytes = static_cast<std::int32_t>(bigEndian(frame.data() + p));
    p += 4;
  }
  if (x.flags & 4) {
    if (frame.size() < p + 100) return std::nullopt;
    std::memcpy(x.seekTable.data(), frame.data() + p, 100);
    p += 100;
  }
  if (x.flags & 8) {
    if (frame.size() < p + 4) return std::nullopt;
    x.quality = static_cast<std::int32_t>(bigEndian(frame.data() + p));
  }
  return x;
}

std::int64_t seekTablePosition(const XingInfo& xing, double percent, std::int64_t fileLength) {
  const double p = std::clamp(percent, 0.0, 100.0);
  const int i = std::min(static_cast<int>(std::floor(p)), 99);
  const double a = xing.seekTable[static_cast<std::size_t>(i)];
  const double b = i > 98 ? 256.0 : xing.seekTable[static_cast<std::size_t>(i) + 1];
  return static_cast<std::int64_t>((a + (p - i) * (b - a)) * static_cast<double>(fileLength) / 256.0);
}

LMC::LMC(PlayerContext& context, EventTarget& target) : PipelineUnit(context, target) {
  decoder_.setLevelSink(&player::subbandLevels());
}

LMC::~LMC() {
  beginExit();
  if (events_) events_->interrupt();
  if (threadStarted_) {
    thread_.join();
    if (log()) log()->log(LogCategory::Decode, "LMC: Decoder thread exited.\n");
  }
}

void LMC::clear() {
  if (events_) events_->clear();
}

std::int32_t LMC::prepare(Pullbuffer* input, EventBuffer*& out) {
  input_ = input;
  if (!events_) {
    auto events = std::make_unique<EventBuffer>(kEventBufferBytes, 0, log());
    events_ = events.get();
    setBuffer(std::move(events));
  }
  if (!threadStarted_) {
    // The decoding runs at the preferred level from its start.
    const std::int32_t level = context_.preferences
                                   ? context_.preferences->intOr(prefs::kDecoderThreadPriority, kDefaultPriority)
                                   : kDefaultPriority;
    thread_.setPriority(std::clamp(level, 0, 6));
    if (failed(thread_.start([this] { decoderThread(); }))) return kDecoderNoThread;
    threadStarted_ = true;
  }
  out = events_;
  return kErrorNone;
}

// --- reading ---

std::int32_t LMC::readInput(const std::uint8_t*& out, std::size_t n) {
  for (;;) {
    const std::int32_t r = input_->beginRead(out, n);
    if (r != kErrorNoDataAvailable) return r;
    if (inputUnit_) inputUnit_->wake();
    if (waitForWake()) return kError_Interrupt;
  }
}

// Up to `want` bytes, fewer only when the input has ended with fewer (but at least `least`)
// left. Decided afresh after every wait: the end may come while this read waits for data.
std::int32_t LMC::readUpTo(const std::uint8_t*& out, std::size_t want, std::size_t least, std::size_t& n) {
  for (;;) {
    n = want;
    const std::size_t left = input_->fillBytes();
    if (input_->isEndOfStream() && left < want && left >= least) n = left;
    const std::int32_t r = input_->beginRead(out, n);
    if (r != kErrorNoDataAvailable) return r;
    if (inputUnit_) inputUnit_->wake();
    if (waitForWake()) return kError_Interrupt;
  }
}

// Three consecutive frames that agree make a stream; anything else moves on to the next sync.
std::int32_t LMC::headerAnalysis() {
  for (int attempt = 0; attempt < kHeaderAttempts; ++attempt) {
    // A file shorter than the window is analysed as far as it goes.
    std::size_t n = 0;
    const std::uint8_t* window = nullptr;
    const std::int32_t r = readUpTo(window, kHeaderWindow, 4, n);
    if (r == kError_Interrupt || r == kErrorEndOfStream) return r;
    if (r != kErrorNone) {
      reportError("Cannot read MP3 data from input plugin.");
      return r;
    }
    const std::span<const std::uint8_t> bytes(window, n);
    player::FrameHeader first, h;
    int firstBytes = 0, firstBitRate = 0;
    std::size_t firstAt = 0, pos = 0;
    int found = 0;
    for (; found < 3 && pos + 4 <= bytes.size(); ++found) {
      int bitRate = 0, skipped = 0;
      const int size = player::parseHeader(bytes.subspan(pos), h, bitRate, skipped);
      if (size <= 0) break;
      if (found == 0) {
        if (h.layerCode != 1 && h.layerCode != 2) break;
        first = h;
        firstBytes = size;
        firstBitRate = bitRate;
        firstAt = pos + static_cast<std::size_t>(skipped);
      } else if (skipped != 0 || size > kMaxFollowingFrame || (h.layerCode != 1 && h.layerCode != 2) ||
                 h.sampleRateIndex != first.sampleRateIndex || h.layerCode != first.layerCode ||
                 h.mpegId != first.mpegId || h.channelMode != first.channelMode) {
        break;
      }
      pos += static_cast<std::size_t>(skipped + size + h.paddingBytes());
    }
    if (found == 3) {
      header_ = first;
      frameBytes_ = firstBytes;
      bitRate_ = firstBitRate / 1000;
      xing_ = findXingHeader(bytes.subspan(firstAt), first);
      input_->endRead(0);
      return kErrorNone;
    }
    input_->endRead(0);
    const std::int32_t advanced = advanceToSync();
    if (advanced != kErrorNone) return advanced;
  }
  return kDecoderNoSync;
}

// Skips to the next 0xFF with a sync nibble after it, at least two bytes on (a sync right at the
// next byte belongs to the frame that just failed).
std::int32_t LMC::advanceToSync() {
  for (;;) {
    const std::uint8_t* window = nullptr;
    const std::int32_t r = readInput(window, kFrameWindow);
    if (r == kError_Interrupt || r == kErrorEndOfStream) return r;
    if (r != kErrorNone) {
      reportError("Cannot read MP3 data from input plugin.");
      return r;
    }
    std::size_t at = kFrameWindow;
    for (std::size_t i = 1; i + 1 < kFrameWindow; ++i) {
      if (isSync(window + i)) {
        at = i;
        break;
      }
    }
    input_->endRead(at);
    if (log()) log()->log(LogCategory::Decode, "Skipped %d bytes in advance frame.\n", static_cast<int>(at));
    if (at >= 2 && at < kFrameWindow) return kErrorNone;
  }
}

std::int32_t LMC::canDecode() {
  if (!inputUnit_ || !input_) {
    if (log()) log()->error("CanDecode() called, with no PMI set.\n");
    return kErrorPluginNotInitialized;
  }
  const std::int32_t r = headerAnalysis();
  if (r == kError_Interrupt) return r;
  if (r != kErrorNone) {
    if (log()) log()->log(LogCategory::Decode, "GetHeadInfo() in CanDecode() could not find the sync marker.\n");
    return r;
  }
  streamBufferSeconds_ = context_.preferences ? context_.preferences->intOr(prefs::kStreamBufferInterval, 3) : 3;
  return kErrorNone;
}

// --- figures ---

void LMC::trackFigures(float& seconds) {
  const int rate = header_->sampleRate();
  frameTime_ = rate > 0 ? (header_->mpegId == 1 ? 1152000.0 : 576000.0) / rate : 0.0;
  if (xing_ && (xing_->flags & 1)) {
    frameCount_ = xing_->frames;
  } else {
    frameCount_ = fileLength_ > 0 && frameBytes_ > 0 ? static_cast<std::int32_t>(fileLength_ / frameBytes_) : -1;
  }
  seconds = frameCount_ > 0 ? static_cast<float>(frameTime_ * frameCount_ * 0.001) : 0.0f;
}

StreamDescription LMC::description() const {
  const player::FrameHeader& h = *header_;
  StreamDescription d;
  d.frameCount = frameCount_;
  d.secondsPerFrame = static_cast<float>(frameTime_ / 1000.0);
  d.frameBytes = frameBytes_;
  d.bitRate = xing_ ? 0 : bitRate_;
  d.sampleRate = h.sampleRate();
  d.layer = h.layer();
  d.version = h.mpeg25() ? 3 : h.mpegId == 1 ? 1 : 2;
  d.channels = h.channels();
  d.original = h.original;
  d.protection = h.protection;
  d.emphasis = h.emphasis;
  d.channelMode = h.channelMode;
  d.modeExtension = h.modeExtension;
  return d;
}

std::int32_t LMC::extractMediaInfo() {
  if (!header_) return kErrorInvalidParam;
  if (inputUnit_) fileLength_ = inputUnit_->getLength();
  float seconds = 0.0f;
  trackFigures(seconds);
  auto info = std::make_unique<MediaInfoEvent>(seconds, inputUnit_ ? inputUnit_->path() : std::string());
  info->addNested(std::make_unique<StreamInfoEvent>(description()));
  target_.acceptEvent(std::move(info));
  return kErrorNone;
}

float LMC::trackLength(const std::string& url) {
  const std::string path = urlToPath(url).value_or(url);
  std::FILE* file = std::fopen(nativePath(path).c_str(), "rb");
  if (!file) return 0.0f;
  std::fseek(file, 0, SEEK_END);
  const long length = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  // The analysis needs only the start of the file.
  Pullbuffer start(64 * 1024, kFrameWindow, nullptr);
  std::uint8_t* region = nullptr;
  std::size_t got = 0;
  if (start.beginWrite(region, 64 * 1024) == kErrorNone) {
    got = std::fread(region, 1, 64 * 1024, file);
    start.endWrite(got);
  }
  std::fclose(file);
  start.setEndOfStream(true);
  Pullbuffer* saved = input_;
  input_ = &start;
  const std::int32_t r = headerAnalysis();
  input_ = saved;
  if (r != kErrorNone) return 0.0f;
  fileLength_ = length > 0 ? length : 0;
  float seconds = 0.0f;
  trackFigures(seconds);
  return seconds;
}

std::int32_t LMC::changePosition(std::int32_t frame) {
  if (!inputUnit_ || frameBytes_ <= 0) return kErrorInvalidParam;
  std::int64_t position;
  if (xing_ && (xing_->flags & 4) && xing_->frames > 0) {
    position = seekTablePosition(*xing_, static_cast<double>(frame) * 100.0 / xing_->frames, fileLength_);
  } else {
    position = static_cast<std::int64_t>(frame) * frameBytes_;
  }
  std::int64_t ignored = 0;
  return inputUnit_->seek(ignored, position, SEEK_SET);
}

// --- decoding ---

std::int32_t LMC::initDecoder() {
  if (!input_ || !events_ || !inputUnit_) return kErrorNullValueInvalid;
  if (frameBytes_ < 0) {
    const std::int32_t r = headerAnalysis();
    if (r != kErrorNone) return r;
  }
  if (!decoder_.init(*header_, frameBytes_, 0, 0, 0, kFrequencyLimit)) {
    if (log()) log()->log(LogCategory::Decode, "Audio decode init failed.\n");
    return kDecoderInitRefused;
  }
  const player::DecoderOutput out = decoder_.info();
  const int samplesPerFrame = header_->mpegId == 1 ? 1152 : 576;
  pcmBlockBytes_ = out.channels * (out.bitsPerSample / 8) * samplesPerFrame;
  if (pcmBlockBytes_ <= 0) return kDecoderInitRefused;
  const std::int32_t kilobytes =
      std::max(context_.preferences ? context_.preferences->intOr(prefs::kOutputBufferSize, kDefaultOutputKilobytes)
                                    : kDefaultOutputKilobytes,
               kMinimumOutputKilobytes);
  const std::size_t size = static_cast<std::size_t>(kilobytes) * 1024 / static_cast<std::size_t>(pcmBlockBytes_) *
                           static_cast<std::size_t>(pcmBlockBytes_);
  const std::int32_t resized = events_->resize(size, 0);
  if (resized != kErrorNone) {
    reportError("Internal buffer sizing error occurred.");
    if (log()) log()->error("Resize output buffer failed.");
    return resized;
  }
  OutputFormat format;
  format.bitsPerSample = out.bitsPerSample;
  format.channels = out.channels;
  format.sampleRate = out.sampleRate;
  format.blockBytes = pcmBlockBytes_;
  format.samplesPerFrame = samplesPerFrame;
  return events_->acceptMarker(std::make_unique<OutputFormatMarker>(format));
}

void LMC::decoderThread() {
  if (waitForWake()) return;
  if (inputUnit_) inputUnit_->wake();
  std::int32_t r = canDecode();
  if (r == kError_Interrupt) return;
  if (r != kErrorNone) {
    if (log()) log()->error("CanDecode returned false.\n");
    reportError("%s", kCannotPlay);
    return;
  }
  r = extractMediaInfo();
  if (r != kErrorNone) {
    if (log()) log()->error("ExtractMediaInfo failed: %d\n", static_cast<int>(r));
    reportError("%s", kCannotPlay);
    return;
  }
  r = initDecoder();
  if (r != kErrorNone) {
    if (log()) log()->error("Initializing the decoder failed: %d\n", static_cast<int>(r));
    reportError("Initializing the decoder failed.");
    return;
  }
  frameNumber_ = 0;
  decodeFrames();
}

void LMC::decodeFrames() {
  const auto block = static_cast<std::size_t>(pcmBlockBytes_);
  while (!exiting()) {
    events_->acceptMarker(std::make_unique<FrameStartMarker>(frameNumber_));
    for (;;) {  // until this frame is decoded
      if (paused()) resumeSemaphore_.acquire();
      if (exiting()) return;
      std::uint8_t* out = nullptr;
      std::int32_t r = events_->beginWrite(out, block);
      if (r == kError_Interrupt) return;
      if (r == kErrorBufferTooSmall) {
        if (waitForWake()) return;
        continue;
      }
      if (r != kErrorNone) {
        reportError("Cannot write audio data to output buffer.");
        if (log()) log()->error("LMC: Cannot write to eventbuffer: %s (%d)\n", engineErrorText(r), static_cast<int>(r));
        return;
      }
      // The last read of a file asks exactly for what is left.
      std::size_t n = 0;
      const std::uint8_t* in = nullptr;
      r = readUpTo(in, kFrameWindow, 1, n);
      if (r == kError_Interrupt) {
        events_->endWrite(0);
        return;
      }
      if (r == kErrorEndOfStream) {
        events_->endWrite(0);
        events_->acceptMarker(std::make_unique<PlayerEvent>(MarkerKind::EndOfStream));
        // Stay for a seek that moves the input back; otherwise this track is done.
        while (!exiting() && input_->isEndOfStream()) {
          if (waitForWake()) return;
        }
        if (exiting() || input_->isEndOfStream()) return;
        break;  // the input was moved: carry on from the next frame marker
      }
      if (r != kErrorNone) {
        events_->endWrite(0);
        reportError("Cannot read MP3 data from input plugin.");
        if (log()) log()->error("LMC: Cannot read from pullbuffer: %s\n", engineErrorText(r));
        return;
      }
      const player::DecodeResult decoded =
          decoder_.decode(std::span<const std::uint8_t>(in, n), std::span<std::uint8_t>(out, block));
      if (decoded.usedBytes == 0) {
        // A damaged frame: find the next one and start the decoder afresh there.
        input_->endRead(0);
        events_->endWrite(0);
        r = advanceToSync();
        if (r == kError_Interrupt) return;
        if (r == kErrorEndOfStream) {
          events_->acceptMarker(std::make_unique<PlayerEvent>(MarkerKind::EndOfStream));
          return;
        }
        if (r != kErrorNone) {
          if (log()) log()->error("LMC: Cannot advance to next frame: %d\n", static_cast<int>(r));
          reportError("Cannot advance to next frame. Possible media corruption?");
          return;
        }
        decoder_.init(*header_, frameBytes_, 0, 0, 0, kFrequencyLimit);
        continue;
      }
      input_->endRead(std::min(static_cast<std::size_t>(decoded.usedBytes), n));
      if (inputUnit_) inputUnit_->wake();
      r = events_->endWrite(static_cast<std::size_t>(decoded.outputBytes));
      if (r == kError_Interrupt) return;
      if (r != kErrorNone) {
        if (log()) log()->error("lmc: EndWrite returned %d\n", static_cast<int>(r));
        reportError("Cannot write audio data to output buffer.");
        return;
      }
      ++frameNumber_;
      break;
    }
  }
}

}  // namespace skyloom
