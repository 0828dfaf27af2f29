#include "player/sound_output_unit.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "player/decoder_unit.h"
#include "player/engine_error.h"
#include "player/file_input.h"
#include "player/player_context.h"
#include "player/player_event.h"
#include "player/player_log.h"

namespace skyloom {
namespace {

constexpr std::int32_t kDefaultThreadPriority = ThreadPriority::Highest;
constexpr auto kIdleSleep = std::chrono::milliseconds(1);
constexpr auto kFullRingSleep = std::chrono::milliseconds(50);

}  // namespace

PMO::PMO(PlayerContext& context, EventTarget& target, SoundDevices* devices)
    : PipelineUnit(context, target), ring_(log()), feeder_(ring_, devices, target, log()) {
  if (context_.preferences) preBufferMs_ = std::max(context_.preferences->intOr(prefs::kPreBuffer, 0), 0);
}

PMO::~PMO() {
  beginExit();
  thread_.join();
  // The sound buffer goes while its device still exists; the decoder before the input it reads.
  ring_.release();
  decoder_.reset();
  input_.reset();
}

void PMO::setDecoder(std::unique_ptr<LMC> lmc) {
  std::lock_guard lock(unitMutex_);
  decoder_ = std::move(lmc);
}

void PMO::setInput(std::unique_ptr<PMI> pmi) {
  std::lock_guard lock(unitMutex_);
  input_ = std::move(pmi);
}

std::int32_t PMO::setTo(const std::string& url) {
  std::lock_guard lock(unitMutex_);
  if (!input_ || !decoder_) return kErrorNullValueInvalid;
  input_->setTo(url);
  Pullbuffer* in = nullptr;
  std::int32_t result = input_->prepare(in);
  if (result != kErrorNone) return result;
  inputBuffer_ = in;
  EventBuffer* events = nullptr;
  result = decoder_->prepare(in, events);
  if (result != kErrorNone) return result;
  events_ = events;
  feeder_.setEvents(events);
  if (!threadStarted_) {
    const std::int32_t level = context_.preferences
                                   ? context_.preferences->intOr(prefs::kDecoderThreadPriority, kDefaultThreadPriority)
                                   : kDefaultThreadPriority;
    thread_.setPriority(level);
    if (failed(thread_.start([this] { soundcardThread(); }))) {
      if (log()) log()->error("Could not create the soundcard thread.\n");
      return kErrorCreateThread;
    }
    threadStarted_ = true;
  }
  return kErrorNone;
}

void PMO::pause() {
  ring_.cancelPlay();
  PipelineUnit::pause();
  reset(true);
}

void PMO::resume() {
  ring_.requestPlay();
  PipelineUnit::resume();
}

void PMO::clear() {
  ring_.reset();
  PipelineUnit::clear();
}

void PMO::reset(bool flag) {
  if (flag) ring_.reset();
}

std::int32_t PMO::changePosition(std::int32_t frame) {
  if (!input_ || !decoder_) return kErrorNullValueInvalid;
  if (input_->isStreaming()) return kErrorSeekNotSupported;
  std::lock_guard lock(seekMutex_);
  const bool wasPaused = paused();
  pause();
  decoder_->pause();
  input_->pause();
  clear();
  decoder_->clear();
  input_->clear();
  decoder_->changePosition(frame);
  input_->resume();
  decoder_->resume();
  if (!wasPaused) resume();
  return kErrorNone;
}

bool PMO::idle() {
  std::this_thread::sleep_for(kIdleSleep);
  return exiting() || paused();
}

void PMO::preBufferDelay() {
  if (preBufferMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(preBufferMs_));
}

void PMO::postBufferStatus() {
  const std::time_t now = std::time(nullptr);
  if (now == lastStatus_) return;
  lastStatus_ = now;
  target_.acceptEvent(std::make_unique<BufferStatusEvent>(inputBuffer_ ? inputBuffer_->fillPercent() : 0,
                                                          events_ ? events_->fillPercent() : 0));
}

// Idles until the player's first Play, then feeds the ring until the stream has been played out,
// the unit is destroyed, or the event buffer answers what it never should.
void PMO::soundcardThread() {
  resumeSemaphore_.acquire();
  if (!exiting()) preBufferDelay();
  bool done = false;
  while (!done && !exiting()) {
    if (paused()) {
      resumeSemaphore_.acquire();
      continue;
    }
    switch (feeder_.step()) {
      case SoundFeeder::Step::kAgain:
        break;
      case SoundFeeder::Step::kWrote:
        decoder_->wake();
        postBufferStatus();
        break;
      case SoundFeeder::Step::kNoData:
        decoder_->wake();
        idle();
        break;
      case SoundFeeder::Step::kBusy:
        // pause() and the destructor wake the unit, which ends the wait early.
        wakeSemaphore_.tryAcquireFor(kFullRingSleep);
        break;
      case SoundFeeder::Step::kFinished:
        done = true;
        break;
      case SoundFeeder::Step::kFailed:
        reportError("Internal error occured.");
        if (log()) {
          log()->log(LogCategory::Output, "Cannot read from buffer in PMO worker tread: %d\n",
                     static_cast<int>(feeder_.failure()));
        }
        done = true;
        break;
    }
  }
  if (log()) log()->log(LogCategory::Output, "PMO: Soundcard thread exiting\n");
}

}  // namespace skyloom
