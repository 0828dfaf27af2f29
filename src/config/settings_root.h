#pragma once
// The root of the settings tree and its storage. "config.ini" holds the root's block and then
// the music, aircraft and general blocks, matched by position; the registry value "installdir"
// says where the program's files are.

#include <array>
#include <memory>
#include <string>

#include "config/aircraft_settings.h"
#include "config/general_settings.h"
#include "config/music_settings.h"
#include "config/settings_records.h"
#include "config/settings_section.h"
#include "core/result.h"

namespace skyloom {

class Registry;
class RegistryKey;

constexpr const char* kSettingsKey = "Software\\Velkaran\\Skyloom";
constexpr const char* kConfigFile = "config.ini";
constexpr std::size_t kInstallDirMax = 260;

// Where load() found the settings.
enum class SettingsSource { ConfigFile, BuiltIn, Defaults };

// The per-screen display values kept beside "installdir"; the display code writes them.
class ScreenValuesWriter {
 public:
  virtual ~ScreenValuesWriter() = default;
  virtual void writeScreenValues(RegistryKey& key) = 0;
};

class SettingsRoot : public SettingsSection {
 public:
  SettingsRoot();

  // The process-wide settings, made by the program entry or by the first settings dialog.
  static SettingsRoot* instance();
  static SettingsRoot& createInstance();
  static void destroyInstance();

  GeneralSettings& general() { return general_; }
  AircraftSettings& aircraft() { return aircraft_; }
  MusicSettings& music() { return music_; }

  // The folder the program's relative paths resolve in: the current directory at start,
  // replaced by "installdir" when that names a folder that can be entered.
  const std::string& startDirectory() const { return startDirectory_; }
  void setStartDirectory(std::string dir) { startDirectory_ = std::move(dir); }

  // Reads "installdir" (making it the start and current directory), then "config.ini", or
  // builtIn when there is no such file, or keeps the defaults.
  SettingsSource load(Registry& registry, ByteSpan builtIn);
  // Writes the per-screen values (when a writer is given), then "config.ini" in the start
  // directory. The old file stays intact unless the new one was written completely.
  HResult save(Registry& registry, ScreenValuesWriter* screens);

  // The four blocks of "config.ini".
  Bytes serialize() const;
  // Loads the four blocks by position; answers the loadBlock result of each section.
  std::array<int, 4> loadBlocks(ByteSpan bytes);

 private:
  RootRecord record_;
  MusicSettings music_;
  AircraftSettings aircraft_;
  GeneralSettings general_;
  std::string startDirectory_;
};

}  // namespace skyloom
