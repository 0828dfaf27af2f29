// The engine sounds: "plane.wav" (the one the scene plays for every aircraft) in the install
// folder, the three further timbres under "wav\".
#include <cstdio>

#include "assetgen.h"
#include "sounds_engines.h"
#include "sounds_wav.h"

namespace skyloom::assetgen {

bool writeSounds(const fs::path& installDir) {
  const fs::path wavDir = installDir / "wav";
  std::error_code ec;
  fs::create_directories(wavDir, ec);
  if (ec) {
    std::fprintf(stderr, "assetgen: cannot create %s\n", wavDir.string().c_str());
    return false;
  }
  return writeWav(installDir / "plane.wav", pistonPropellerLoop(), kSoundRate) &&
         writeWav(wavDir / "tkkp.wav", turbopropLoop(), kSoundRate) &&
         writeWav(wavDir / "tkbz.wav", lightAircraftLoop(), kSoundRate) &&
         writeWav(wavDir / "fjfs.wav", jetLoop(), kSoundRate);
}

}  // namespace skyloom::assetgen
