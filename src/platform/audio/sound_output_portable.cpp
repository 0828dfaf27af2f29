// Outside Windows there is no sound device to open: enumeration finds none and an output cannot
// be made, which the program treats as a machine without sound (it stays silent). Tests use
// VirtualSoundOutput directly.

#include "platform/audio/sound_output.h"

namespace skyloom {

HResult enumerateSoundDevices(std::vector<SoundDeviceInfo>& out) {
  out.clear();
  return kOk;
}

HResult createSoundOutput(const SoundDeviceInfo*, std::unique_ptr<SoundOutput>& out) {
  out.reset();
  return kSoundNoDriver;
}

}  // namespace skyloom
