#include "player/player_log.h"

#include <utility>

namespace skyloom {

const char* logCategoryName(LogCategory category) {
  switch (category) {
    case LogCategory::Main:
      return "Main";
    case LogCategory::Decode:
      return "Decode";
    case LogCategory::Input:
      return "Input";
    case LogCategory::Output:
      return "Output";
    case LogCategory::Perf:
      return "Perf";
  }
  return "";
}

PlayerLog::PlayerLog(std::string fileName) : fileName_(std::move(fileName)) {}

PlayerLog::~PlayerLog() { close(); }

bool PlayerLog::open() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_) file_ = std::fopen(fileName_.c_str(), "w");
  return file_ != nullptr;
}

void PlayerLog::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

bool PlayerLog::isOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return file_ != nullptr;
}

void PlayerLog::setMask(std::uint32_t mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  mask_ = mask;
}

std::uint32_t PlayerLog::mask() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mask_;
}

void PlayerLog::error(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  writeLine("Error", format, args);
  va_end(args);
}

void PlayerLog::log(LogCategory category, const char* format, ...) {
  const auto bit = static_cast<std::uint32_t>(category);
  if (bit >= 32 || (mask() & (1u << bit)) == 0) return;
  std::va_list args;
  va_start(args, format);
  writeLine(logCategoryName(category), format, args);
  va_end(args);
}

void PlayerLog::writeLine(const char* prefix, const char* format, std::va_list args) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_ || !format) return;
  // vsnprintf always terminates and cuts what does not fit.
  char text[kFormatBufferSize];
  if (std::vsnprintf(text, sizeof(text), format, args) < 0) text[0] = '\0';
  std::fprintf(file_, "%s: %s", prefix, text);
  std::fflush(file_);
}

}  // namespace skyloom
