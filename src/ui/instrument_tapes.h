#pragma once
// The flight instruments: widgets that draw a moving scale under a fixed readout. The speed and
// altitude tapes scroll vertically, the compass horizontally, the pitch scale is a vertical
// ladder of degrees. Each takes its two raw values (world units, radians) through setValues and
// converts them when it lays itself out, so a click that switches metric and imperial units
// takes effect at once without new values.
//
// The formatting and the scale geometry are free functions so they can be checked without a
// font or a device.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/widget.h"

namespace skyloom {

// Ticks and scale labels: green, the alpha carrying the fade toward the tape ends.
constexpr std::uint32_t kScaleGreen = 0x0000FF00;
inline std::uint32_t scaleColour(std::uint8_t alpha) { return static_cast<std::uint32_t>(alpha) << 24 | kScaleGreen; }

// What a tape shows besides its scale.
struct TapeReadout {
  std::string value;   // the reading itself, in the readout box at mid height
  std::string detail;  // the second figure: the Mach number, the height above the ground
  const char* unit;    // "km/h", "mph", "m", "ft"
  double scaleValue;   // where the scale stands, in the shown unit
  double step;         // between labelled marks, in the shown unit
};

// Camera speed in units per second (metres per second).
TapeReadout speedReadout(float speed, bool imperial);
// Eye height and the ground height under the eye, in units (metres).
TapeReadout altitudeReadout(float eyeY, float groundY, bool imperial);
// s / (320 − 0.02·s): the speed of sound falling with the speed, a rough stand-in for the
// height that fast flight implies. The divisor is kept from reaching zero (and turning
// negative) past 16000 units per second.
double machNumber(double speed);
// Radians to degrees within [0, 360).
double headingDegrees(float radians);
// Radians to degrees within [-180, 180).
double pitchDegrees(float radians);
// "C%d P%2d": the camera mode and the throttle as ⌊t·100.5⌋ percent.
std::string throttleText(int mode, float throttle);
// "f%.1f x%.1f y%.1f z%.1f": frame rate and eye position.
std::string positionText(float framesPerSecond, float x, float y, float z);

// The labelled marks of a scale: five, at the multiples of the step nearest the value, so
// their offsets from the scale's centre lie within ±kTapeHalfSteps steps.
constexpr int kTapeLabels = 5;
constexpr float kTapeHalfSteps = 2.5f;  // a mark this many steps away stands at the tape's end
constexpr float kTapeFullSteps = 1.0f;  // marks nearer than this are not faded

struct TapeLabel {
  long long value;     // the mark's value (a multiple of the step)
  float offsetSteps;   // from the centre, toward larger values positive
  std::uint8_t alpha;  // 255 near the centre, 0 at the ends
};

// Fades linearly from 255 at kTapeFullSteps to 0 at kTapeHalfSteps.
std::uint8_t tapeAlpha(float offsetSteps);
std::array<TapeLabel, kTapeLabels> tapeLabels(double value, double step);

// The instruments' look: a dark see-through panel that leaves the scene visible behind it.
constexpr std::uint32_t kInstrumentColourTop = 0x80102030;
constexpr std::uint32_t kInstrumentColourText = 0xFFE8F4FF;
constexpr std::uint32_t kInstrumentColourFrame = 0xC0708CA8;
constexpr float kInstrumentTextScale = 0.001f;  // half a unit high

// The common part of the instruments: the two raw values and the readout box.
class InstrumentWidget : public Widget {
 public:
  static constexpr int kTextCapacity = 96;

  // Stores the values; the widget is laid out again only when they changed.
  void setValues(float a, float b);
  float valueA() const { return a_; }
  float valueB() const { return b_; }
  bool imperial() const { return (flags & kWidgetAlternate) != 0; }

 protected:
  // Made with its default size and the instruments' colours.
  InstrumentWidget(float width, float height);
  // A dark box across the widget centred at height centreY, the text centred in it.
  void readoutBox(const GlyphFont& font, float centreY, std::string_view text, int& room);
  // Text centred on (centreX, centreY).
  void centredText(const GlyphFont& font, float centreX, float centreY, float h, std::string_view text,
                   std::uint32_t colour, int& room);
  float labelHeight() const;
  float readoutHalfHeight() const;

  float a_ = 0.0f, b_ = 0.0f;
};

// A vertical tape: the scale scrolls past the readout box at mid height, the unit on top and
// the second figure at the bottom. Ticks stand at one edge, labels beside them.
class VerticalTape : public InstrumentWidget {
 public:
  void layout(const GlyphFont& font) override;
  virtual TapeReadout readout() const = 0;

 protected:
  VerticalTape(float w, float h, bool ticksOnRight) : InstrumentWidget(w, h), ticksOnRight_(ticksOnRight) {}

 private:
  void layoutScale(const GlyphFont& font, const TapeReadout& r, int& room);
  bool ticksOnRight_;
};

// 769: a = camera speed in units per second; b unused.
class SpeedTape : public VerticalTape {
 public:
  SpeedTape();
  TapeReadout readout() const override { return speedReadout(a_, imperial()); }
};

// 768: a = eye height, b = ground height under the eye.
class AltitudeTape : public VerticalTape {
 public:
  AltitudeTape();
  TapeReadout readout() const override { return altitudeReadout(a_, b_, imperial()); }
};

// 770: a = heading, b = roll, both in radians. The card tilts a little with the roll, the way
// the horizon does.
class CompassTape : public InstrumentWidget {
 public:
  CompassTape();
  void layout(const GlyphFont& font) override;
  // The vertical shift of the card per unit to the right.
  float tilt() const;
};

// 771: a = pitch in radians (positive up); b unused.
class PitchScale : public InstrumentWidget {
 public:
  PitchScale();
  void layout(const GlyphFont& font) override;
};

}  // namespace skyloom
