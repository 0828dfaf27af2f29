#include "player/event_buffer.h"

#include "player/engine_error.h"

namespace skyloom {

std::int32_t EventBuffer::acceptMarker(std::unique_ptr<PlayerEvent> marker) {
  if (!marker) return kErrorInvalidParam;
  std::size_t position = 0;
  const std::int32_t result = writeIndexNow(position);
  if (result != kErrorNone) return result;
  std::lock_guard lock(markersMutex_);
  markers_.emplace_back(position, std::move(marker));
  return kErrorNone;
}

std::int32_t EventBuffer::beginRead(const std::uint8_t*& out, std::size_t n) {
  {
    std::lock_guard lock(markersMutex_);
    if (!markers_.empty()) {
      const std::size_t ring = size();
      const std::size_t distance = (markers_.front().first + ring - readIndex()) % ring;
      if (distance < n || distance == 0) return kError_EventPending;
    }
  }
  return Pullbuffer::beginRead(out, n);
}

std::unique_ptr<PlayerEvent> EventBuffer::takeMarker() {
  std::lock_guard lock(markersMutex_);
  if (markers_.empty()) return nullptr;
  std::unique_ptr<PlayerEvent> marker = std::move(markers_.front().second);
  markers_.pop_front();
  return marker;
}

bool EventBuffer::hasMarker() const {
  std::lock_guard lock(markersMutex_);
  return !markers_.empty();
}

std::int32_t EventBuffer::clear() {
  {
    std::lock_guard lock(markersMutex_);
    markers_.clear();
  }
  return Pullbuffer::clear();
}

}  // namespace skyloom
