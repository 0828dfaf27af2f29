// settingsgen OUT [quality=Q] [trees=T]: writes the settings' defaults in the form of
// "config.ini" to OUT. The build embeds the result in the program as the configuration used
// when there is no config.ini; with the options, the terrain quality (1 to 3) and the tree
// setting (1 to 200) are changed first, for measuring the scene at other settings.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/settings_root.h"
#include "core/file.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: settingsgen OUT [quality=Q] [trees=T]\n", stderr);
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
    } else {
      std::fprintf(stderr, "settingsgen: %s: expected quality=1..3 or trees=1..200\n", argv[i]);
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
