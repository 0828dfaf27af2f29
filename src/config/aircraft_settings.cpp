#include "config/aircraft_settings.h"

#include <cstring>

namespace skyloom {
namespace {

// The starting formation's units in the order it is filled: the lead fighter vic, the
// airliner and its two escorts, the transport box, the trainer vic, the leisure group
// (biplane, seaplane, monoplane, glider), the helicopter pair and the trailing fighter pair.
// Each slot gets the type its spacing was laid out for; a shorter list fills fewer slots.
constexpr std::string_view kDefaultAircraft[] = {
    "fighter",    "fighter",    "fighter",                  // lead vic
    "airliner",   "fighter",    "fighter",                  // airliner and escorts
    "transport",  "transport",  "transport", "transport",   // transport box
    "trainer",    "trainer",    "trainer",                  // trainer vic
    "biplane",    "seaplane",   "mplane",    "glider",      // leisure group
    "helicopter", "helicopter",                             // helicopter pair
    "fighter",    "fighter",                                // trailing pair
};

}  // namespace

AircraftSettings::AircraftSettings() : SettingsSection("configaircraft", &record_, sizeof record_) {
  for (const std::string_view name : kDefaultAircraft) chosen_.add(name);
}

std::span<const std::string_view> AircraftSettings::defaultAircraft() { return kDefaultAircraft; }

void AircraftSettings::writePayload(Bytes& out) const {
  SettingsSection::writePayload(out);
  chosen_.saveBlock(out);
}

bool AircraftSettings::readPayload(ByteSpan in, std::size_t& consumed) {
  if (in.size() < sizeof(AircraftRecord)) return false;
  AircraftRecord loaded;
  std::memcpy(&loaded, in.data(), sizeof loaded);
  record_.trailsOn = loaded.trailsOn;
  record_.trailLength = loaded.trailLength;
  std::size_t listBytes = 0;
  chosen_.loadBlock(in.subspan(sizeof(AircraftRecord)), listBytes);
  consumed = sizeof(AircraftRecord) + listBytes;
  rescan();
  return true;
}

}  // namespace skyloom
