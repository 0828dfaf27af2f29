#include "player/preferences.h"

#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include "core/paths.h"
#include "player/engine_error.h"

namespace skyloom {
namespace {

constexpr const char* kRegistryKeyPath = "SOFTWARE\\Velkaran\\Skyloom\\Mp3player";
// Its presence in the current directory means the program runs from its install folder.
constexpr const char* kProgramFile = "corlune.exe";

struct IntDefault {
  const char* name;
  std::int32_t value;
};

constexpr IntDefault kIntDefaults[] = {
    {prefs::kInputBufferSize, 64},
    {prefs::kOutputBufferSize, 512},
    {prefs::kStreamBufferInterval, 3},
    {prefs::kDecoderThreadPriority, 5},
    {prefs::kPreBuffer, 0},
    {prefs::kPlaylistRepeat, 2},
    {prefs::kWindowMode, 0},
    {prefs::kTimeDisplay, 0},
    {prefs::kVolume, 85},
    {prefs::kNumberOfURLsToRemember, 10},
};

// Strings nothing here reads; they start empty.
constexpr const char* kEmptyStringDefaults[] = {
    prefs::kUI,
    prefs::kPMO,
    prefs::kOpenSaveDirectory,
    prefs::kSaveStreamsDirectory,
    prefs::kProxyHost,
    prefs::kAlternateNICAddress,
    prefs::kThemePath,
    prefs::kMainWindowPos,
    prefs::kThemeDefaultFont,
    prefs::kMusicBrowserUI,
    prefs::kDownloadManagerUI,
    prefs::kToolbarUI,
    prefs::kUserName,
    prefs::kUsersPortablePlayers,
};

// Length of the string in a field, which need not hold one (an integer's bytes, say).
std::size_t fieldLength(const char* field) {
  const void* nul = std::memchr(field, 0, PreferenceTable::kFieldSize);
  return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : PreferenceTable::kFieldSize;
}

}  // namespace

PreferenceTable::PreferenceTable() : entries_(new (std::nothrow) Entry[kCapacity]()) {}

PreferenceTable::Entry* PreferenceTable::findEntry(std::string_view name) const {
  for (int i = 0; i < count_; ++i) {
    Entry& entry = entries_[i];
    if (equalsIgnoreCase(std::string_view(entry.name, fieldLength(entry.name)), name)) return &entry;
  }
  return nullptr;
}

const char* PreferenceTable::find(std::string_view name) const {
  const Entry* entry = findEntry(name);
  return entry ? entry->value : nullptr;
}

std::int32_t PreferenceTable::write(std::string_view name, const void* bytes, std::size_t size) {
  if (!entries_) return kErrorOutOfMemory;
  if (name.size() >= kFieldSize || size > kFieldSize) return kErrorInvalidParam;
  Entry* entry = findEntry(name);
  if (!entry) {
    if (count_ >= kCapacity) return kErrorInvalidParam;
    entry = &entries_[count_++];
    std::memset(entry->name, 0, kFieldSize);
    std::memcpy(entry->name, name.data(), name.size());
  }
  std::memset(entry->value, 0, kFieldSize);
  std::memcpy(entry->value, bytes, size);
  return kErrorNone;
}

std::int32_t PreferenceTable::writeString(std::string_view name, std::string_view value) {
  // The area is zeroed first, so writing the characters alone leaves the NUL after them.
  if (value.size() >= kFieldSize) return kErrorInvalidParam;
  return write(name, value.data(), value.size());
}

std::int32_t PreferenceTable::writeInt(std::string_view name, std::int32_t value) {
  return write(name, &value, sizeof(value));
}

PreferenceTable& processPreferenceTable() {
  // Deliberately leaked: engine threads may still read it while the process exits.
  static PreferenceTable* const table = new PreferenceTable;
  return *table;
}

Preferences::Preferences(Registry& registry, std::string currentDirectory, PreferenceTable& table)
    : table_(table), currentDirectory_(std::move(currentDirectory)) {
  openRegistryKey(registry);
  setDefaults();
}

void Preferences::openRegistryKey(Registry& registry) {
  if (registry.openKey(RegistryRoot::CurrentUser, kRegistryKeyPath, RegistryAccess::ReadWrite, key_) == kOk) {
    recordInstallDirectory();
    return;
  }
  key_.reset();
  // A key made just now gets no install directory; the next creation records it.
  if (registry.createKey(RegistryRoot::CurrentUser, kRegistryKeyPath, key_) != kOk) key_.reset();
}

void Preferences::recordInstallDirectory() {
  const char* known = table_.find(prefs::kInstallDirectory);
  if (known && currentDirectory_ == known) return;
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::path(currentDirectory_) / kProgramFile, error)) return;
  key_->writeString(prefs::kInstallDirectory, currentDirectory_);
  key_->writeString(prefs::kDatabaseDirectory, currentDirectory_ + "\\db");
}

std::int32_t Preferences::getString(const char* name, char* text, std::uint32_t* capacity) const {
  if (!name || !capacity || (!text && *capacity != 0)) return kErrorInvalidParam;
  if (text) text[0] = '\0';
  const char* value = table_.find(name);
  if (!value) return kErrorNoPrefValue;
  const std::size_t length = fieldLength(value);
  if (*capacity < length) return kErrorBufferTooSmall;
  if (text) {  // only an empty value fits a capacity of 0, which may come without a buffer
    std::memcpy(text, value, length);
    text[length] = '\0';
  }
  *capacity = static_cast<std::uint32_t>(length);
  return kErrorNone;
}

std::int32_t Preferences::setString(const char* name, const char* value) {
  if (!name || !value) return kErrorInvalidParam;
  return table_.writeString(name, value);
}

std::int32_t Preferences::getInt(const char* name, std::int32_t* value) const {
  if (!name || !value) return kErrorInvalidParam;
  const char* area = table_.find(name);
  if (!area) return kErrorNoPrefValue;
  std::memcpy(value, area, sizeof(*value));
  return kErrorNone;
}

std::int32_t Preferences::setInt(const char* name, std::int32_t value) {
  if (!name) return kErrorInvalidParam;
  return table_.writeInt(name, value);
}

std::int32_t Preferences::getBool(const char* name, bool* flag) const {
  if (!name || !flag) return kErrorInvalidParam;
  std::int32_t value = 0;
  if (getInt(name, &value) != kErrorNone) return kErrorNoPrefs;
  *flag = value != 0;
  return kErrorNone;
}

std::int32_t Preferences::setBool(const char* name, bool flag) { return setInt(name, flag ? 1 : 0); }

std::int32_t Preferences::firstLibraryDirectory(char* text, std::uint32_t* capacity) const {
  return getString(prefs::kInstallDirectory, text, capacity);
}

std::int32_t Preferences::nextLibraryDirectory(char* text, std::uint32_t*) const {
  if (text) text[0] = '\0';
  return kError_NoMoreLibDirs;
}

std::int32_t Preferences::storeStringIfAbsent(const char* name, const std::string& value) {
  if (table_.find(name)) return kErrorNone;
  return table_.writeString(name, value);
}

std::int32_t Preferences::storeIntIfAbsent(const char* name, std::int32_t value) {
  if (table_.find(name)) return kErrorNone;
  return table_.writeInt(name, value);
}

std::int32_t Preferences::setDefaults() {
  std::int32_t result = kErrorNone;
  auto keep = [&result](std::int32_t code) {
    if (result == kErrorNone) result = code;
  };
  keep(storeStringIfAbsent(prefs::kInstallDirectory, currentDirectory_));
  keep(storeStringIfAbsent(prefs::kDatabaseDirectory, currentDirectory_ + "\\mdb"));
  keep(storeStringIfAbsent(prefs::kSaveMusicDirectory, currentDirectory_ + "\\mmp"));
  for (const IntDefault& entry : kIntDefaults) keep(storeIntIfAbsent(entry.name, entry.value));
  for (const char* name : kEmptyStringDefaults) keep(storeStringIfAbsent(name, std::string()));
  return result;
}

std::string Preferences::stringOr(const char* name, std::string_view fallback) const {
  char text[PreferenceTable::kFieldSize];
  std::uint32_t capacity = sizeof(text) - 1;
  if (getString(name, text, &capacity) != kErrorNone) return std::string(fallback);
  return std::string(text, capacity);
}

std::int32_t Preferences::intOr(const char* name, std::int32_t fallback) const {
  std::int32_t value = 0;
  return getInt(name, &value) == kErrorNone ? value : fallback;
}

bool Preferences::boolOr(const char* name, bool fallback) const {
  bool flag = false;
  return getBool(name, &flag) == kErrorNone ? flag : fallback;
}

}  // namespace skyloom
