// Systems without the Win32 open dialog offer no files to choose.
#include "player/music_session.h"

namespace skyloom {

std::vector<std::string> chooseAudioFiles(void*) { return {}; }

}  // namespace skyloom
