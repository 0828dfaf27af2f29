#include "ui/instruments.h"

#include <memory>

#include "ui/instrument_tapes.h"
#include "ui/widget_manager.h"

namespace skyloom {

namespace {
// The default places, in view units at depth 15 with a 90° horizontal view: x runs ±15 across
// the screen; y stays within ±8.4 so a wide screen (16:9) shows everything too. The tapes
// flank the centre, the compass sits at the top, the status lines at the bottom left.
struct Placement {
  int id;
  float x, y;
};
constexpr Placement kPlacements[] = {
    {kAltitudeTapeId, 9.0f, 3.0f},      {kSpeedTapeId, -11.6f, 3.0f},      {kCompassTapeId, -3.5f, 7.8f},
    {kPitchScaleId, 5.0f, 2.5f},        {kInstrumentPanelId, 9.0f, -6.8f}, {kCameraStatusId, -14.0f, -6.6f},
    {kPositionStatusId, -14.0f, -7.5f},
};

constexpr float kPanelWidth = 3.0f, kPanelHeight = 1.0f;
constexpr float kStatusHeight = 0.8f;
constexpr float kCameraStatusWidth = 2.5f, kPositionStatusWidth = 5.5f;
constexpr float kCameraStatusScale = 0.0008f;    // "C1 P100" fills the short line
constexpr float kPositionStatusScale = 0.0007f;  // four figures fit the long one
constexpr int kCameraStatusCapacity = 16, kPositionStatusCapacity = 64;

std::unique_ptr<Widget> plainPanel(float width, float height, float textScale, int capacity) {
  auto w = std::make_unique<Widget>();
  w->init(0, width, height, textScale, capacity, kInstrumentColourTop, kInstrumentColourText, kInstrumentColourFrame);
  return w;
}

std::unique_ptr<Widget> makeWidget(int id) {
  switch (id) {
    case kAltitudeTapeId:
      return std::make_unique<AltitudeTape>();
    case kSpeedTapeId:
      return std::make_unique<SpeedTape>();
    case kCompassTapeId:
      return std::make_unique<CompassTape>();
    case kPitchScaleId:
      return std::make_unique<PitchScale>();
    case kInstrumentPanelId:
      return plainPanel(kPanelWidth, kPanelHeight, kInstrumentTextScale, 0);
    case kCameraStatusId:
      return plainPanel(kCameraStatusWidth, kStatusHeight, kCameraStatusScale, kCameraStatusCapacity);
    default:
      return plainPanel(kPositionStatusWidth, kStatusHeight, kPositionStatusScale, kPositionStatusCapacity);
  }
}

void setValues(Widget* w, float a, float b) {
  if (auto* instrument = dynamic_cast<InstrumentWidget*>(w)) instrument->setValues(a, b);
}
}  // namespace

int Instruments::create(WidgetManager& manager) {
  manager_ = &manager;
  count_ = 0;
  for (const Placement& p : kPlacements) {
    manager.remove(p.id);
    std::unique_ptr<Widget> w = makeWidget(p.id);
    w->id = p.id;
    w->x = w->targetX = p.x;
    w->y = w->targetY = p.y;
    if (manager.add(std::move(w)) >= 0) ++count_;
  }
  return count_;
}

Widget* Instruments::find(int id) const { return manager_ ? manager_->find(id) : nullptr; }

void Instruments::update(const CameraReadings& c) {
  mode_ = c.mode;
  setValues(find(kAltitudeTapeId), c.eyeY, c.groundY);
  setValues(find(kSpeedTapeId), c.speed, 0.0f);
  setValues(find(kCompassTapeId), c.heading, c.roll);
  setValues(find(kPitchScaleId), c.pitch, 0.0f);
}

void Instruments::updateThrottle(float throttle) {
  if (Widget* w = find(kCameraStatusId)) w->setCaption(throttleText(mode_, throttle));
}

void Instruments::updateStatusText(std::string_view text) {
  if (Widget* w = find(kPositionStatusId)) w->setCaption(text);
}

void Instruments::setVisibility(InstrumentVisibility v) {
  bool on = v == InstrumentVisibility::Show;
  if (v == InstrumentVisibility::Toggle) {
    // The first of the seven that still exists decides.
    Widget* first = nullptr;
    for (int id : kIds) {
      if ((first = find(id))) break;
    }
    if (!first) return;
    on = !first->visible();
  }
  for (int id : kIds) {
    if (Widget* w = find(id)) w->show(on);
  }
}

bool Instruments::onChar(int ch) {
  if (ch != 'D' && ch != 'd') return false;
  setVisibility(InstrumentVisibility::Toggle);
  return true;
}

}  // namespace skyloom
