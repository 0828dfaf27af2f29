#include "app/monitor_choices.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/registry/registry.h"

namespace skyloom {
namespace {

std::string screenKeyName(std::size_t monitor) { return "Screen " + std::to_string(monitor + 1); }

void readFlag(RegistryKey& key, const char* name, bool& out) {
  std::uint32_t v = 0;
  if (succeeded(key.readDword(name, v))) out = v != 0;
}

void readInt(RegistryKey& key, const char* name, int& out) {
  std::uint32_t v = 0;
  if (succeeded(key.readDword(name, v))) out = static_cast<int>(v);
}

void readScreen(RegistryKey& key, ScreenChoice& s) {
  std::vector<std::uint8_t> stored;
  const bool haveId = succeeded(key.readBinary("Adapter ID", stored)) && stored.size() == s.adapterId.size();
  readFlag(key, "Leave Black", s.leaveBlack);
  const bool allZero = haveId && std::all_of(stored.begin(), stored.end(), [](std::uint8_t b) { return b == 0; });
  const bool same = haveId && std::equal(stored.begin(), stored.end(), s.adapterId.begin());
  if (!haveId || !(allZero || same)) return;
  readFlag(key, "Disable Hardware", s.disableHardware);
  readInt(key, "Width", s.width);
  readInt(key, "Height", s.height);
  readInt(key, "Format", s.format);
}

}  // namespace

void readMonitorChoices(RegistryKey& key, MonitorChoices& choices) {
  readFlag(key, "AllScreensSame", choices.allScreensSame);
  for (std::size_t i = 0; i < choices.screens.size(); ++i) {
    if (i >= choices.hasAdapter.size() || !choices.hasAdapter[i]) continue;
    std::unique_ptr<RegistryKey> screen;
    if (succeeded(key.openKey(screenKeyName(i), RegistryAccess::Read, screen))) readScreen(*screen, choices.screens[i]);
  }
}

void writeMonitorChoices(RegistryKey& key, const MonitorChoices& choices) {
  // Without a listed adapter (no Direct3D) nothing here was chosen: keep what is stored.
  if (std::find(choices.hasAdapter.begin(), choices.hasAdapter.end(), true) == choices.hasAdapter.end()) return;
  key.writeDword("AllScreensSame", choices.allScreensSame ? 1 : 0);
  for (std::size_t i = 0; i < choices.screens.size(); ++i) {
    if (i >= choices.hasAdapter.size() || !choices.hasAdapter[i]) continue;
    std::unique_ptr<RegistryKey> screen;
    if (failed(key.createKey(screenKeyName(i), screen))) continue;
    const ScreenChoice& s = choices.screens[i];
    screen->writeDword("Leave Black", s.leaveBlack ? 1 : 0);
    screen->writeDword("Disable Hardware", s.disableHardware ? 1 : 0);
    screen->writeDword("Width", static_cast<std::uint32_t>(s.width));
    screen->writeDword("Height", static_cast<std::uint32_t>(s.height));
    screen->writeDword("Format", static_cast<std::uint32_t>(s.format));
    screen->writeBinary("Adapter ID", s.adapterId);
  }
}

}  // namespace skyloom
