// Outside Windows there are no windows to tie a sound device's focus to.

#include "player/sound_devices.h"

namespace skyloom {

std::uintptr_t findCooperativeWindow() { return 0; }

}  // namespace skyloom
