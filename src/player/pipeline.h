#pragma once
// What the player asks of a playback pipeline. A pipeline is three units on threads of their
// own: the file input, the decoder and the sound output. The builder makes them and connects
// them (the decoder reads from the input and writes to the output; the output holds both and
// owns them), and hands back the output, through which the player drives the whole.

#include <cstdint>
#include <memory>
#include <string>

namespace skyloom {

class EventTarget;
struct PlayerContext;

class PlaybackPipeline {
 public:
  virtual ~PlaybackPipeline() = default;
  // Opens the input at url, prepares the buffers and starts the decoder; the output stays
  // silent until resume(). 0, or the first failing unit's code. Errors the units find on their
  // own (a file that cannot be opened, a stream that does not decode) they post as events.
  virtual std::int32_t setTo(const std::string& url) = 0;
  virtual void pause() = 0;
  virtual void resume() = 0;
};

class PipelineBuilder {
 public:
  virtual ~PipelineBuilder() = default;
  // A new, connected pipeline whose units report to target; null when out of memory.
  virtual std::unique_ptr<PlaybackPipeline> build(PlayerContext& context, EventTarget& target) = 0;
};

}  // namespace skyloom
