#include "config/aircraft_settings.h"

#include <cstring>

namespace skyloom {

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
