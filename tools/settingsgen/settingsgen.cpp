// settingsgen OUT [quality=Q] [trees=T] [sound=0|1] [buttons=0|1] [aircraft=N] [music=FILE ...]:
// writes the settings' defaults in the form of "config.ini" to OUT. The build embeds the result
// in the program as the configuration used when there is no config.ini. The options change them
// first, for measuring the scene at other settings and for runs with music: the terrain quality
// (1 to 3), the tree setting (1 to 200), the engine sounds (0 off), the music panel's buttons,
// the number of chosen aircraft (1 to 225: the default fleet repeated), and each music=FILE (a
// Windows path) joins the music file list, which is then played in its order.
//
// settingsgen --print FILE: shows the values a "config.ini" holds, one "section.name=value"
// line each (lists as their entries joined by '|'), for people and tests to read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/settings_root.h"
#include "core/file.h"

namespace {

std::string joined(const std::vector<std::string>& items) {
  std::string s;
  for (const std::string& i : items) {
    if (!s.empty()) s += '|';
    s += i;
  }
  return s;
}

int printSettings(const char* path) {
  std::vector<std::uint8_t> bytes;
  if (!skyloom::readWholeFile(path, bytes)) {
    std::fprintf(stderr, "settingsgen: cannot read %s\n", path);
    return 1;
  }
  skyloom::SettingsRoot settings;
  const std::array<int, 4> results = settings.loadBlocks(bytes);
  for (int r : results) {
    if (r != skyloom::kBlockLoaded) {
      std::fprintf(stderr, "settingsgen: %s: a block did not load (%d %d %d %d)\n", path, results[0], results[1],
                   results[2], results[3]);
      return 1;
    }
  }
  const skyloom::GeneralRecord& g = settings.general().record();
  std::printf("general.terrainQuality=%d\ngeneral.viewAngle=%d\ngeneral.cloudAmount=%d\ngeneral.treeAmount=%d\n",
              g.terrainQuality, g.viewAngle, g.cloudAmount, g.treeAmount);
  std::printf("general.soundOn=%d\ngeneral.seaLevel=%d\ngeneral.terrainName=%s\n", g.soundOn, g.seaLevel,
              settings.general().terrainName().c_str());
  std::printf("general.colours=%08X %08X %08X %08X %08X\n", g.skyColour, g.fogColour1, g.fogColour2, g.cloudColour,
              g.lightColour);
  const skyloom::AircraftRecord& a = settings.aircraft().record();
  std::printf("aircraft.trailsOn=%d\naircraft.trailLength=%d\naircraft.chosen=%s\n", a.trailsOn, a.trailLength,
              joined(settings.aircraft().chosen().items()).c_str());
  const skyloom::MusicRecord& m = settings.music().record();
  std::printf("music.enabled=%d\nmusic.showPlayButtons=%d\nmusic.maximumFiles=%d\nmusic.playMode=%d\n", m.enabled,
              m.showPlayButtons, m.maximumFiles, m.playMode);
  std::printf("music.randomiseOrder=%d\nmusic.files=%s\nmusic.directories=%s\n", m.randomiseOrder,
              joined(settings.music().files().items()).c_str(), joined(settings.music().directories().items()).c_str());
  std::string selected;
  for (int d : m.selectedDirectories) {
    if (d < 0) break;
    if (!selected.empty()) selected += ' ';
    selected += std::to_string(d);
  }
  std::printf("music.selectedDirectories=%s\n", selected.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--print") == 0) return printSettings(argv[2]);
  if (argc < 2) {
    std::fputs(
        "usage: settingsgen OUT [quality=Q] [trees=T] [sound=0|1] [buttons=0|1] [aircraft=N] [music=FILE ...] | "
        "settingsgen --print FILE\n",
        stderr);
    return 2;
  }
  skyloom::SettingsRoot defaults;
  for (int i = 2; i < argc; ++i) {
    const char* eq = std::strchr(argv[i], '=');
    const int value = eq ? std::atoi(eq + 1) : 0;
    if (std::strncmp(argv[i], "quality=", 8) == 0 && value >= 1 && value <= 3) {
      defaults.general().record().terrainQuality = value;
    } else if (std::strncmp(argv[i], "trees=", 6) == 0 && value >= 1 && value <= 200) {
      defaults.general().record().treeAmount = value;
    } else if (std::strncmp(argv[i], "sound=", 6) == 0 && (value == 0 || value == 1)) {
      defaults.general().record().soundOn = value;
    } else if (std::strncmp(argv[i], "buttons=", 8) == 0 && (value == 0 || value == 1)) {
      defaults.music().record().showPlayButtons = value;  // the music panel in the scene
    } else if (std::strncmp(argv[i], "aircraft=", 9) == 0 && value >= 1 && value <= 225) {
      skyloom::FileList& chosen = defaults.aircraft().chosen();
      const auto fleet = skyloom::AircraftSettings::defaultAircraft();
      chosen.clear();
      for (int n = 0; n < value; ++n) chosen.add(fleet[static_cast<std::size_t>(n) % fleet.size()]);
    } else if (std::strncmp(argv[i], "music=", 6) == 0 && argv[i][6] != '\0') {
      defaults.music().files().add(argv[i] + 6);
      defaults.music().record().playMode = skyloom::kPlayFileList;
      defaults.music().record().randomiseOrder = 0;
    } else {
      std::fprintf(stderr, "settingsgen: %s: expected quality=1..3, trees=1..200, sound=0|1, buttons=0|1, aircraft=1..225 or music=FILE\n", argv[i]);
      return 2;
    }
  }
  const skyloom::Bytes bytes = defaults.serialize();
  if (!skyloom::writeFileReplacing(argv[1], bytes.data(), bytes.size())) {
    std::fprintf(stderr, "settingsgen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
