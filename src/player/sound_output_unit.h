#pragma once
// The playback pipeline's sound output and head: it owns the file input and the decoder, and its
// soundcard thread streams the decoder's PCM into a looping sound buffer on the process's sound
// device (SoundRing, SoundFeeder). The player drives the whole pipeline through it: setTo,
// resume, pause, and seeking with changePosition.

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "player/event_buffer.h"
#include "player/pipeline.h"
#include "player/pipeline_unit.h"
#include "player/sound_feeder.h"
#include "player/sound_ring.h"

namespace skyloom {

class LMC;
class PMI;
class SoundDevices;

class PMO : public PipelineUnit, public PlaybackPipeline {
 public:
  // devices: the process's sound devices (null: no sound); they outlive the unit.
  PMO(PlayerContext& context, EventTarget& target, SoundDevices* devices);
  // Ends the soundcard thread, drops the sound buffer, then the decoder and the input.
  ~PMO() override;

  // Opens the input at url, prepares its buffer and the decoder, and starts the soundcard
  // thread, which waits for the first resume(). 0, or the first failing code (the decoder's
  // 1003, 26 for the thread, 15 without units).
  std::int32_t setTo(const std::string& url) override;
  // Stops the sound and throws away what the ring holds; the decoder and the input go on
  // until their buffers are full.
  void pause() override;
  // Playback starts again once the ring is refilled above its start level.
  void resume() override;
  // Resets the ring.
  void clear() override;

  std::int32_t getVolume() const { return 0; }  // the output has no volume of its own
  void setVolume(std::int32_t) {}
  // When flag: stops the sound buffer and resets the ring.
  void reset(bool flag);
  // Seeks to a frame: every unit paused and cleared, the decoder moves the input, and the units
  // resume (this one only if it was playing). 0, or 20 for an input that cannot seek.
  std::int32_t changePosition(std::int32_t frame);
  void setDecoder(std::unique_ptr<LMC> lmc);
  void setInput(std::unique_ptr<PMI> pmi);
  // Sleeps 1 ms; answers whether the unit is exiting or paused.
  bool idle();
  // Sleeps "PreBuffer" milliseconds.
  void preBufferDelay();
  // At most once per calendar second: BufferStatus with the input's and the output's fill.
  void postBufferStatus();

  LMC* decoder() const { return decoder_.get(); }
  PMI* input() const { return input_.get(); }
  const SoundRing& ring() const { return ring_; }

 private:
  void soundcardThread();

  std::unique_ptr<PMI> input_;
  std::unique_ptr<LMC> decoder_;
  Pullbuffer* inputBuffer_ = nullptr;  // the input's
  EventBuffer* events_ = nullptr;      // the decoder's
  std::int32_t preBufferMs_ = 0;
  SoundRing ring_;
  SoundFeeder feeder_;
  std::mutex seekMutex_;
  std::time_t lastStatus_ = 0;
  WorkerThread thread_;
  bool threadStarted_ = false;
};

}  // namespace skyloom
