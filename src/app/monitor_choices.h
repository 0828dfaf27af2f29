#pragma once
// The per-screen display choices kept in the registry beside "installdir": whether all screens
// show the same picture, and per monitor ("Screen %d", numbered from 1) whether it stays black,
// whether hardware rendering is off, and the chosen full-screen mode (0 = automatic), stamped
// with the identifier of the adapter they were chosen for.

#include <array>
#include <cstdint>
#include <vector>

namespace skyloom {

class RegistryKey;

struct ScreenChoice {
  bool leaveBlack = false;
  bool disableHardware = false;
  int width = 0, height = 0, format = 0;
  std::array<std::uint8_t, 16> adapterId{};  // of the adapter driving this monitor now
};

struct MonitorChoices {
  bool allScreensSame = false;
  // Indexed by monitor; only monitors with an adapter are read and written.
  std::vector<ScreenChoice> screens;
  std::vector<bool> hasAdapter;
};

// Reads the values under key. The mode and the hardware switch are taken only when the stored
// "Adapter ID" is this adapter's (or all zero): they may not suit another card.
void readMonitorChoices(RegistryKey& key, MonitorChoices& choices);
// Writes nothing when no monitor has an adapter: the devices could not be listed.
void writeMonitorChoices(RegistryKey& key, const MonitorChoices& choices);

}  // namespace skyloom
