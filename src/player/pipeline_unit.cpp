#include "player/pipeline_unit.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "player/player_context.h"
#include "player/player_event.h"

namespace skyloom {
namespace {

constexpr std::size_t kReportBufferSize = 4096;

// A report's text, cut to what the report buffer holds.
std::string formatReport(const char* format, va_list args) {
  char text[kReportBufferSize];
  if (std::vsnprintf(text, sizeof text, format, args) < 0) text[0] = '\0';
  return text;
}

}  // namespace

PipelineUnit::PipelineUnit(PlayerContext& context, EventTarget& target) : context_(context), target_(target) {}

PipelineUnit::~PipelineUnit() {
  beginExit();
  buffer_.reset();
}

void PipelineUnit::beginExit() {
  std::lock_guard lock(unitMutex_);
  exiting_ = true;
  paused_ = false;
  wakeSemaphore_.release();
  resumeSemaphore_.release();
}

void PipelineUnit::pause() {
  {
    std::lock_guard lock(unitMutex_);
    paused_ = true;
  }
  wake();
}

void PipelineUnit::resume() {
  std::lock_guard lock(unitMutex_);
  paused_ = false;
  resumeSemaphore_.release();
}

void PipelineUnit::wake() { wakeSemaphore_.release(); }

void PipelineUnit::clear() {
  if (buffer_) buffer_->clear();
}

void PipelineUnit::setOptions(std::uint32_t options) {
  std::lock_guard lock(unitMutex_);
  options_ = options;
}

void PipelineUnit::setMoreOptions(std::uint32_t options) {
  std::lock_guard lock(unitMutex_);
  moreOptions_ = options;
}

void PipelineUnit::reportError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatReport(format, args);
  va_end(args);
  target_.acceptEvent(std::make_unique<TextEvent>(EventKind::ErrorText, text));
  target_.acceptEvent(std::make_unique<PlayerEvent>(EventKind::ErrorStop));
}

void PipelineUnit::reportStatus(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatReport(format, args);
  va_end(args);
  target_.acceptEvent(std::make_unique<TextEvent>(EventKind::StatusText, text));
}

void PipelineUnit::debugPrint() const {
  std::printf("[%c %c %ld]", started_ ? 'S' : 'W', paused_ ? 'P' : 'R',
              static_cast<long>(buffer_ ? buffer_->fillPercent() : 0));
}

bool PipelineUnit::waitForWake() {
  wakeSemaphore_.acquire();
  return exiting_;
}

PlayerLog* PipelineUnit::log() const { return context_.log.get(); }

}  // namespace skyloom
