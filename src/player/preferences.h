#pragma once
// The music engine's tuning values. They live in one process-wide PreferenceTable that is filled
// with defaults when a Preferences object is created and is never saved; the registry is touched
// only once, during that creation. A second Preferences (the scene can be created again) finds
// the first one's values still there and adds only what is missing.
//
// The table has no lock: it is written by setDefaults() on the scene's thread before the engine's
// threads start, and only read afterwards.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry/registry.h"

namespace skyloom {

namespace prefs {
// Read by the engine.
constexpr const char* kInstallDirectory = "InstallDirectory";
constexpr const char* kInputBufferSize = "InputBufferSize";              // kilobytes
constexpr const char* kOutputBufferSize = "OutputBufferSize";            // kilobytes
constexpr const char* kStreamBufferInterval = "StreamBufferInterval";    // seconds
constexpr const char* kDecoderThreadPriority = "DecoderThreadPriority";  // level 0-6
constexpr const char* kPreBuffer = "PreBuffer";                          // milliseconds
constexpr const char* kPlaylistRepeat = "PlaylistRepeat";                // 0-2
constexpr const char* kPlaylistShuffle = "PlaylistShuffle";
constexpr const char* kDatabaseDirectory = "DatabaseDirectory";
constexpr const char* kSaveMusicDirectory = "SaveMusicDirectory";
constexpr const char* kUseDebugLog = "UseDebugLog";
constexpr const char* kLogMain = "LogMain";
constexpr const char* kLogDecode = "LogDecode";
constexpr const char* kLogInput = "LogInput";
constexpr const char* kLogOutput = "LogOutput";
constexpr const char* kLogPerformance = "LogPerformance";

// Read by nothing in this program. The strings default to "", the integers to 0 except Volume
// (85) and NumberOfURLsToRemember (10); the flags (StayOnTop, UseProxy, ...) stay absent.
constexpr const char* kUI = "UI";
constexpr const char* kPMO = "PMO";
constexpr const char* kOpenSaveDirectory = "OpenSaveDirectory";
constexpr const char* kStayOnTop = "StayOnTop";
constexpr const char* kLiveInTray = "LiveInTray";
constexpr const char* kSaveStreams = "SaveStreams";
constexpr const char* kSaveStreamsDirectory = "SaveStreamsDirectory";
constexpr const char* kUseProxy = "UseProxy";
constexpr const char* kProxyHost = "ProxyHost";
constexpr const char* kUseAlternateNIC = "UseAlternateNIC";
constexpr const char* kAlternateNICAddress = "AlternateNICAddress";
constexpr const char* kUseTitleStreaming = "UseTitleStreaming";
constexpr const char* kThemePath = "ThemePath";
constexpr const char* kMainWindowPos = "MainWindowPos";
constexpr const char* kWindowMode = "WindowMode";
constexpr const char* kThemeDefaultFont = "ThemeDefaultFont";
constexpr const char* kMusicBrowserUI = "MusicBrowserUI";
constexpr const char* kDownloadManagerUI = "DownloadManagerUI";
constexpr const char* kToolbarUI = "ToolbarUI";
constexpr const char* kCheckForUpdates = "CheckForUpdates";
constexpr const char* kTimeDisplay = "TimeDisplay";
constexpr const char* kVolume = "Volume";
constexpr const char* kUserName = "UserName";
constexpr const char* kReclaimFiletypes = "ReclaimFiletypes";
constexpr const char* kAskToReclaimFiletypes = "AskToReclaimFiletypes";
constexpr const char* kUsersPortablePlayers = "UsersPortablePlayers";
constexpr const char* kShowToolbarTextLabels = "ShowToolbarTextLabels";
constexpr const char* kShowToolbarImages = "ShowToolbarImages";
constexpr const char* kSaveCurrentPlaylistOnExit = "SaveCurrentPlaylistOnExit";
constexpr const char* kViewMusicBrowser = "ViewMusicBrowser";
constexpr const char* kWelcome = "Welcome";
constexpr const char* kPlayImmediately = "PlayImmediately";
constexpr const char* kNumberOfURLsToRemember = "NumberOfURLsToRemember";
constexpr const char* kConvertUnderscoresToSpaces = "ConvertUnderscoresToSpaces";
constexpr const char* kAllowMultipleInstances = "AllowMultipleInstances";
}  // namespace prefs

// Fixed-size name/value slots in one block. Names compare ignoring ASCII case; a name is appended
// when first written and never removed. A value area holds either a NUL-terminated string or, in
// its first 4 bytes, a native 32-bit integer; the rest of the area is zero.
class PreferenceTable {
 public:
  static constexpr int kCapacity = 200;
  static constexpr std::size_t kFieldSize = 260;  // bytes, NUL included

  PreferenceTable();
  PreferenceTable(const PreferenceTable&) = delete;
  PreferenceTable& operator=(const PreferenceTable&) = delete;

  int count() const { return count_; }
  // The kFieldSize-byte value area of `name`, or null when the name was never written.
  const char* find(std::string_view name) const;
  // Replace or append. A name or value of kFieldSize characters or more, or a new name in a
  // full table, is refused with kErrorInvalidParam and changes nothing; the engine's own names
  // and values are far inside both limits.
  std::int32_t writeString(std::string_view name, std::string_view value);
  std::int32_t writeInt(std::string_view name, std::int32_t value);

 private:
  struct Entry {
    char name[kFieldSize];
    char value[kFieldSize];
  };
  Entry* findEntry(std::string_view name) const;
  std::int32_t write(std::string_view name, const void* bytes, std::size_t size);

  std::unique_ptr<Entry[]> entries_;  // kCapacity entries, 104,000 bytes
  int count_ = 0;
};

// The one table of the process; created on first use and never freed.
PreferenceTable& processPreferenceTable();

// The engine's view of the table. Every operation answers an EngineError code; the C-style out
// parameters are checked for null as documented. A reader that gets a non-zero answer keeps its
// own initial value.
class Preferences {
 public:
  // Opens (or creates) HKCU "SOFTWARE\Velkaran\Skyloom\Mp3player", records the install
  // directory there when the program's "corlune.exe" sits in currentDirectory, then fills in the
  // defaults. Registry failures are silent.
  Preferences(Registry& registry, std::string currentDirectory, PreferenceTable& table = processPreferenceTable());
  Preferences(const Preferences&) = delete;
  Preferences& operator=(const Preferences&) = delete;

  // *capacity is how many characters `text` holds before its terminating NUL (the buffer has
  // *capacity + 1 bytes), so a value exactly as long as the capacity fits. Answers
  // kErrorInvalidParam when name or capacity is null or text is null with *capacity above 0,
  // kErrorNoPrefValue when the name is absent, kErrorBufferTooSmall when the value is longer
  // than the capacity; else copies the value with its NUL and sets *capacity to its length.
  // `text` is emptied first.
  std::int32_t getString(const char* name, char* text, std::uint32_t* capacity) const;
  std::int32_t setString(const char* name, const char* value);
  std::int32_t getInt(const char* name, std::int32_t* value) const;
  std::int32_t setInt(const char* name, std::int32_t value);
  // Reads the name as an integer (non-zero is true); anything that makes that read fail,
  // absence included, answers kErrorNoPrefs.
  std::int32_t getBool(const char* name, bool* flag) const;
  std::int32_t setBool(const char* name, bool flag);

  // The plug-in search path: the install directory is the only library directory. The first
  // answers as getString does (0 when found); the next always answers kError_NoMoreLibDirs and
  // leaves an empty text.
  std::int32_t firstLibraryDirectory(char* text, std::uint32_t* capacity) const;
  std::int32_t nextLibraryDirectory(char* text, std::uint32_t* capacity) const;

  // Stores the default of every name that is absent; answers the first refused write, else 0.
  // Boolean names are left absent on purpose: an absent boolean reads as kErrorNoPrefs, and each
  // of their readers starts from false, which is also their default.
  std::int32_t setDefaults();

  bool hasRegistryKey() const { return key_ != nullptr; }

  // For readers that only want a value: the stored one, or `fallback` on any failure.
  std::string stringOr(const char* name, std::string_view fallback) const;
  std::int32_t intOr(const char* name, std::int32_t fallback) const;
  bool boolOr(const char* name, bool fallback) const;

 private:
  void openRegistryKey(Registry& registry);
  void recordInstallDirectory();
  std::int32_t storeStringIfAbsent(const char* name, const std::string& value);
  std::int32_t storeIntIfAbsent(const char* name, std::int32_t value);

  PreferenceTable& table_;
  std::string currentDirectory_;
  std::unique_ptr<RegistryKey> key_;  // null when it could be neither opened nor created
};

}  // namespace skyloom
