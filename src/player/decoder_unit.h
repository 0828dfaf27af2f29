#pragma once
// The playback pipeline's decoder: on a thread of its own it checks that the input is an MPEG
// audio stream (three consistent frames), tells the player the track's length and stream
// description, then decodes frame after frame from the input's pull buffer into the output's
// event buffer, with markers for the audio format, each frame's start and the end of the stream.
// A damaged frame is skipped by finding the next sync. It also turns frame numbers into file
// positions for seeking and measures a file's length without playing it.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "player/event_buffer.h"
#include "player/mpeg/frame_decoder.h"
#include "player/mpeg/frame_header.h"
#include "player/pipeline_unit.h"

namespace skyloom {

class PMI;
class PMO;

// Codes of the decoder beside the engine's table.
constexpr std::int32_t kDecoderNoSync = 1001;       // no three consistent frames in 32 attempts
constexpr std::int32_t kDecoderInitRefused = 1002;  // the frame decoder refused the stream
constexpr std::int32_t kDecoderNoThread = 1003;

// The Xing header of a variable-rate file's first frame.
struct XingInfo {
  std::uint32_t flags = 0;
  std::int32_t frames = 0;
  std::int32_t bytes = 0;
  std::array<std::uint8_t, 100> seekTable{};
  std::int32_t quality = -1;
};

// Finds a Xing header in the first frame; nothing when there is none. Its place depends on the
// MPEG version and the channels.
std::optional<XingInfo> findXingHeader(std::span<const std::uint8_t> frame, const player::FrameHeader& header);
// Where p percent of the track lies in a file of fileLength bytes, by the seek table.
std::int64_t seekTablePosition(const XingInfo& xing, double percent, std::int64_t fileLength);

class LMC : public PipelineUnit {
 public:
  static constexpr std::size_t kEventBufferBytes = 64512;
  static constexpr std::size_t kFrameWindow = 1441;

  LMC(PlayerContext& context, EventTarget& target);
  // Ends and joins the decoder thread.
  ~LMC() override;

  // Records the input, makes the output event buffer and starts the decoder thread (which waits
  // for the first wake()). 0, or kDecoderNoThread.
  std::int32_t prepare(Pullbuffer* input, EventBuffer*& out);
  // Asks the input to read from the file position of that frame.
  std::int32_t changePosition(std::int32_t frame);
  std::int32_t initDecoder();
  void setInputUnit(PMI* pmi) { inputUnit_ = pmi; }
  void setOutputUnit(PMO* pmo) { outputUnit_ = pmo; }
  void setEqualizerEnabled(bool enabled) { decoder_.setEqualizerEnabled(enabled); }
  void setEqualizerGains(std::span<const float, player::kEqualizerBands> gains) { decoder_.setEqualizerGains(gains); }
  static std::vector<std::string> extensions() { return {"MP3", "MP2", "MP1"}; }
  // The track's length in seconds without playing it; 0 when it cannot be opened or analysed.
  float trackLength(const std::string& url);
  // The header analysis on the input: 0, 28, or its failure code.
  std::int32_t canDecode();
  // Posts the track's length and stream description to the player (18 with 29 nested).
  std::int32_t extractMediaInfo();
  // Empties the output event buffer.
  void clear() override;

  EventBuffer* events() const { return events_; }
  std::int32_t frameBytes() const { return frameBytes_; }
  std::int32_t frameCount() const { return frameCount_; }
  const std::optional<XingInfo>& xing() const { return xing_; }

 private:
  // Blocking read of n bytes from the input (waiting for the file input as needed).
  std::int32_t readInput(const std::uint8_t*& out, std::size_t n);
  std::int32_t readUpTo(const std::uint8_t*& out, std::size_t want, std::size_t least, std::size_t& n);
  std::int32_t headerAnalysis();
  std::int32_t advanceToSync();
  void trackFigures(float& seconds);
  void decoderThread();
  void decodeFrames();
  StreamDescription description() const;

  Pullbuffer* input_ = nullptr;
  EventBuffer* events_ = nullptr;  // owned as the unit's buffer
  PMI* inputUnit_ = nullptr;
  PMO* outputUnit_ = nullptr;
  player::FrameDecoder decoder_;
  std::optional<player::FrameHeader> header_;
  std::int32_t frameBytes_ = -1;
  std::int32_t bitRate_ = 0;
  std::int64_t fileLength_ = 0;
  std::int32_t frameCount_ = -1;
  double frameTime_ = 0.0;  // milliseconds
  std::int32_t pcmBlockBytes_ = 0;
  std::optional<XingInfo> xing_;
  std::int32_t frameNumber_ = 0;
  std::int32_t streamBufferSeconds_ = 3;
  WorkerThread thread_;
  bool threadStarted_ = false;
};

}  // namespace skyloom
