#include "config/general_settings.h"

#include <algorithm>
#include <cstring>

#include "core/paths.h"
#include "core/random.h"

namespace skyloom {

std::string GeneralSettings::terrainName() const {
  const void* nul = std::memchr(record_.terrainName, 0, kTerrainNameSize);
  const std::size_t n = nul ? static_cast<const char*>(nul) - record_.terrainName : kTerrainNameSize;
  return std::string(record_.terrainName, n);
}

void GeneralSettings::setTerrainName(std::string_view name) {
  std::memset(record_.terrainName, 0, kTerrainNameSize);
  std::memcpy(record_.terrainName, name.data(), std::min(name.size(), kTerrainNameSize - 1));
}

std::string GeneralSettings::getTerrainName() {
  const std::string name = terrainName();
  if (!equalsIgnoreCase(name, "random")) return name;
  terrainList_.scan("tem\\", "*.*", true);
  const auto& scan = terrainList_.scanList();
  const int choices = static_cast<int>(scan.size()) - 1;  // never the leading "random"
  return scan[static_cast<std::size_t>(randomInt() % choices + 1)];
}

void GeneralSettings::writePayload(Bytes& out) const {
  SettingsSection::writePayload(out);
  terrainList_.saveBlock(out);
}

// Takes the settings words from offset 12 up to the terrain name and the name itself; the size
// word, tag and references stay our own, so a damaged file cannot change how much is written.
bool GeneralSettings::readPayload(ByteSpan in, std::size_t& consumed) {
  if (in.size() < sizeof(GeneralRecord)) return false;
  constexpr std::size_t from = offsetof(GeneralRecord, terrainQuality);
  constexpr std::size_t to = offsetof(GeneralRecord, scanListRef);
  std::memcpy(reinterpret_cast<std::uint8_t*>(&record_) + from, in.data() + from, to - from);
  record_.terrainName[kTerrainNameSize - 1] = '\0';
  std::size_t listBytes = 0;
  terrainList_.loadBlock(in.subspan(sizeof(GeneralRecord)), listBytes);
  consumed = sizeof(GeneralRecord) + listBytes;
  return true;
}

}  // namespace skyloom
