#pragma once
// The camera's persistent state: mode, per-mode follow distance and view offset, the free
// camera's view and the follow distance. Stored in "Kelvane.ini", not in "config.ini".

#include "config/settings_records.h"
#include "config/settings_section.h"

namespace skyloom {

class CameraSettings : public SettingsSection {
 public:
  CameraSettings() : SettingsSection("camera", &record_, sizeof record_) {}

  CameraRecord& record() { return record_; }
  const CameraRecord& record() const { return record_; }

  // Takes the stored value at 76, the follow distance, the free view, the mode and the eight
  // slots; key codes, the minimum distance and the current view keep their values. Every
  // matrix taken is made orthonormal again.
  bool readPayload(ByteSpan in, std::size_t& consumed) override;

 private:
  CameraRecord record_;
};

// Rebuilds the rotation rows of m as an orthonormal frame: x = normalise(y × z), y =
// normalise(z × x), z = x × y; a cross product shorter than 0.01 becomes the unit axis.
void orthonormalizeRotation(Matrix& m);

}  // namespace skyloom
