#pragma once
// Instruments: the camera's flight data as seven widgets in front of the eye: altitude, speed
// and compass tapes, a pitch scale, an empty instrument panel and two status lines (camera
// mode and throttle; frame rate and position). The scene feeds them every frame; "D" shows or
// hides them all.
//
// The widgets belong to the manager. They are looked up by id on every call rather than held,
// so a widget the manager has taken away is simply skipped.

#include <array>
#include <string_view>

#include "ui/widget.h"

namespace skyloom {

class WidgetManager;

// What the camera tells the instruments each frame. Heights in units (metres), speed in units
// per second, angles in radians.
struct CameraReadings {
  float eyeY = 0.0f;
  float groundY = 0.0f;  // the ground under the eye
  float speed = 0.0f;
  float heading = 0.0f;  // 0 to 2π, growing to the right
  float pitch = 0.0f;    // positive looking up
  float roll = 0.0f;     // positive rolled right
  int mode = 0;          // the camera mode, shown on the throttle line
};

enum class InstrumentVisibility { Hide = 0, Show = 1, Toggle = 2 };

class Instruments {
 public:
  static constexpr int kWidgetCount = 7;
  // The ids in the order the widgets are made.
  static constexpr std::array<int, kWidgetCount> kIds = {kAltitudeTapeId,  kSpeedTapeId,       kCompassTapeId,
                                                         kPitchScaleId,    kInstrumentPanelId, kCameraStatusId,
                                                         kPositionStatusId};

  // Makes the seven widgets at their default places and adds them to the manager (before the
  // saved layout is loaded, so that it can move them). Widgets with these ids made by an earlier
  // call are replaced. Answers how many the manager took.
  int create(WidgetManager& manager);

  // The tapes and the pitch scale; remembers the camera mode for the throttle line.
  void update(const CameraReadings& camera);
  // "C<mode> P<percent>" on the throttle line; throttle 0 to 1.1.
  void updateThrottle(float throttle);
  // The frame-rate and position line (see positionText).
  void updateStatusText(std::string_view text);
  // Shows, hides or toggles all seven; a toggle follows the first widget, so widgets that
  // were out of step come back together.
  void setVisibility(InstrumentVisibility v);
  // A typed character: "D" or "d" toggles the instruments. Answers whether it was taken.
  bool onChar(int ch);

  int count() const { return count_; }
  int cameraMode() const { return mode_; }

 private:
  Widget* find(int id) const;

  WidgetManager* manager_ = nullptr;
  int count_ = 0;
  int mode_ = 0;
};

}  // namespace skyloom
