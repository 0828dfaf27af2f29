// settingsgen OUT: writes the settings' defaults in the form of "config.ini" to OUT. The build
// embeds the result in the program as the configuration used when there is no config.ini.
#include <cstdio>

#include "config/settings_root.h"
#include "core/file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: settingsgen OUT\n", stderr);
    return 2;
  }
  const skyloom::SettingsRoot defaults;
  const skyloom::Bytes bytes = defaults.serialize();
  if (!skyloom::writeFileReplacing(argv[1], bytes.data(), bytes.size())) {
    std::fprintf(stderr, "settingsgen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
