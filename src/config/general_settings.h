#pragma once
// The general section: terrain, view, clouds, trees, sound, sea level, colours and the terrain
// choice, with the scan list of the "tem\" folder.

#include <string>

#include "config/file_list.h"
#include "config/settings_records.h"
#include "config/settings_section.h"

namespace skyloom {

class GeneralSettings : public SettingsSection {
 public:
  GeneralSettings() : SettingsSection("configgeneral", &record_, sizeof record_) {}

  GeneralRecord& record() { return record_; }
  const GeneralRecord& record() const { return record_; }
  std::string terrainName() const;
  void setTerrainName(std::string_view name);
  FileList& terrainList() { return terrainList_; }

  // The configured terrain; "random" picks one of the scan of "tem\" other than "random"
  // itself ("bmp" included) with the process's random generator.
  std::string getTerrainName();

  // The section's dialog ("*_dialog_win32.cpp"; other systems have no dialogs).
  std::intptr_t dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) override;
  void writePayload(Bytes& out) const override;
  bool readPayload(ByteSpan in, std::size_t& consumed) override;

 private:
  GeneralRecord record_;
  FileList terrainList_;
};

}  // namespace skyloom
