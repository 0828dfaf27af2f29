#pragma once
// The aircraft section: trails and the chosen aircraft (names of ".cu" files without their
// extension, or "null"), whose scan list offers "null" and every aircraft in "aircraft\".
// Until a saved list replaces it, the chosen list is the default fleet: one name per unit of
// the scene's starting formation, in the order that formation is filled.

#include <span>
#include <string_view>

#include "config/file_list.h"
#include "config/settings_records.h"
#include "config/settings_section.h"

namespace skyloom {

class AircraftSettings : public SettingsSection {
 public:
  AircraftSettings();

  // The default chosen aircraft, in order.
  static std::span<const std::string_view> defaultAircraft();

  AircraftRecord& record() { return record_; }
  const AircraftRecord& record() const { return record_; }
  FileList& chosen() { return chosen_; }
  const FileList& chosen() const { return chosen_; }

  void rescan() { chosen_.scan("aircraft\\", "*.cu", false); }

  // The section's dialog ("*_dialog_win32.cpp"; other systems have no dialogs).
  std::intptr_t dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) override;
  void writePayload(Bytes& out) const override;
  bool readPayload(ByteSpan in, std::size_t& consumed) override;

 private:
  AircraftRecord record_;
  FileList chosen_;
};

}  // namespace skyloom
