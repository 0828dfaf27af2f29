#include "player/audio_pipeline.h"

#include "player/decoder_unit.h"
#include "player/file_input.h"
#include "player/player_context.h"
#include "player/sound_output_unit.h"

namespace skyloom {

AudioPipelineBuilder::AudioPipelineBuilder(SoundSystem system) : system_(std::move(system)) {}

AudioPipelineBuilder::~AudioPipelineBuilder() = default;

std::unique_ptr<PlaybackPipeline> AudioPipelineBuilder::build(PlayerContext& context, EventTarget& target) {
  SoundDevices* devices = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (!devices_) devices_ = std::make_unique<SoundDevices>(system_, context.log.get());
    devices = devices_.get();
  }
  auto input = std::make_unique<PMI>(context, target);
  auto decoder = std::make_unique<LMC>(context, target);
  auto output = std::make_unique<PMO>(context, target, devices);
  decoder->setInputUnit(input.get());
  decoder->setOutputUnit(output.get());
  output->setInput(std::move(input));
  output->setDecoder(std::move(decoder));
  return output;
}

SoundDevices* AudioPipelineBuilder::devices() {
  std::lock_guard lock(mutex_);
  return devices_.get();
}

}  // namespace skyloom
