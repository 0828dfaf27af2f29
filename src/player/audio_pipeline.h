#pragma once
// The pipelines the player plays through: a file input, a decoder and a sound output, made and
// connected for each track. The builder owns the process's sound devices, made when the first
// pipeline is, so every track plays on the same device objects with the settings the first one
// gave them; it must outlive every pipeline it made.

#include <memory>
#include <mutex>

#include "player/pipeline.h"
#include "player/sound_devices.h"

namespace skyloom {

class AudioPipelineBuilder : public PipelineBuilder {
 public:
  explicit AudioPipelineBuilder(SoundSystem system = platformSoundSystem());
  ~AudioPipelineBuilder() override;

  // The output (PMO), holding the input (PMI) and the decoder (LMC); the decoder reads from
  // the input and writes to the output.
  std::unique_ptr<PlaybackPipeline> build(PlayerContext& context, EventTarget& target) override;
  // Null until the first build.
  SoundDevices* devices();

 private:
  SoundSystem system_;
  std::mutex mutex_;
  std::unique_ptr<SoundDevices> devices_;
};

}  // namespace skyloom
