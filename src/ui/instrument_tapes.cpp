#include "ui/instrument_tapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "resources/glyph_font.h"

namespace skyloom {

namespace {
constexpr double kRadiansToDegrees = 57.29578;
constexpr double kKmhPerUnitSpeed = 3.6;  // a unit is a metre
constexpr double kMphPerKmh = 0.62150407;
constexpr double kFeetPerMetre = 3.2808;
constexpr double kSpeedStepMetric = 20.0, kSpeedStepImperial = 10.0;
constexpr double kAltitudeStepMetric = 50.0, kAltitudeStepImperial = 100.0;
constexpr double kSoundSpeed = 320.0, kSoundSpeedFall = 0.02;
constexpr double kSmallestSoundSpeed = 32.0;  // keeps the Mach divisor positive at any speed
constexpr double kLargestShown = 1e9;         // beyond this the figures stop meaning anything
constexpr double kCompassStep = 30.0;         // degrees between labels; ticks every 10
constexpr int kCompassTicksPerStep = 3;
constexpr double kPitchStep = 10.0;  // degrees between labels; a short tick at each 5
constexpr double kPitchLimit = 90.0;

// Geometry in the widget's units.
constexpr float kEdge = 0.06f;       // the panel's frame
constexpr float kMargin = 0.12f;     // between the frame and the fixed texts
constexpr float kGap = 0.1f;         // between the fixed texts and the scale
constexpr float kTick = 0.05f;       // thickness of a tick
constexpr float kMajorTick = 0.35f;  // length of a labelled tick
constexpr float kMinorTick = 0.2f;
constexpr float kLabelGap = 0.08f;       // between a tick and its label
constexpr float kLabelScale = 0.8f;      // label height against the widget's text height
constexpr float kReadoutPadding = 0.1f;  // above and below the readout's text
constexpr float kReadoutFrame = 0.04f;
constexpr std::uint32_t kReadoutFill = 0xD0000000;
constexpr float kCompassMaxShift = 0.2f;  // the card's ends move this far up or down at most
constexpr float kPitchLine = 1.0f, kPitchHorizon = 1.3f, kPitchMinor = 0.5f;

// Non-finite readings show as zero and huge ones are held where the integer labels still work.
double shown(double v) { return std::isfinite(v) ? std::clamp(v, -kLargestShown, kLargestShown) : 0.0; }

std::string format(const char* pattern, double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, pattern, v);
  return buf;
}

std::string_view labelText(char (&buf)[24], long long v) {
  const int n = std::snprintf(buf, sizeof buf, "%lld", v);
  return {buf, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof buf) - 1))};
}

// The compass's text for a mark: a letter at the quarter points, the degrees elsewhere.
std::string_view compassText(char (&buf)[24], long long degrees) {
  const long long d = ((degrees % 360) + 360) % 360;
  static constexpr const char* kQuarters = "NESW";
  if (d % 90 == 0) return {kQuarters + d / 90, 1};
  return labelText(buf, d);
}
}  // namespace

double machNumber(double speed) { return speed / std::max(kSoundSpeed - kSoundSpeedFall * speed, kSmallestSoundSpeed); }

TapeReadout speedReadout(float speed, bool imperial) {
  const double s = shown(speed);
  const double kmh = kKmhPerUnitSpeed * s;
  const double value = imperial ? kmh * kMphPerKmh : kmh;
  return {format("%.1f", value), format("M%.1f", machNumber(s)), imperial ? "mph" : "km/h", value,
          imperial ? kSpeedStepImperial : kSpeedStepMetric};
}

TapeReadout altitudeReadout(float eyeY, float groundY, bool imperial) {
  const double k = imperial ? kFeetPerMetre : 1.0;
  const double a = shown(eyeY) * k, g = shown(groundY) * k;
  return {format("%.1f", a), format("%.2f", a - g), imperial ? "ft" : "m", a,
          imperial ? kAltitudeStepImperial : kAltitudeStepMetric};
}

double headingDegrees(float radians) {
  const double d = std::fmod(shown(radians) * kRadiansToDegrees, 360.0);
  // A tiny negative remainder plus 360 rounds to 360 itself, which would read "360.0".
  return d < 0.0 ? (d + 360.0 < 360.0 ? d + 360.0 : 0.0) : d;
}

double pitchDegrees(float radians) {
  const double d = std::fmod(shown(radians) * kRadiansToDegrees + 180.0, 360.0);
  return (d < 0.0 ? d + 360.0 : d) - 180.0;
}

std::string throttleText(int mode, float throttle) {
  // Throttle runs 0 to 1.1; the clamp only keeps a damaged value from overflowing the integer.
  const double t = std::isfinite(throttle) ? std::clamp(static_cast<double>(throttle), 0.0, 9.0) : 0.0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "C%d P%2d", mode, static_cast<int>(std::floor(t * 100.5)));
  return buf;
}

std::string positionText(float framesPerSecond, float x, float y, float z) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "f%.1f x%.1f y%.1f z%.1f", static_cast<double>(framesPerSecond),
                static_cast<double>(x), static_cast<double>(y), static_cast<double>(z));
  return buf;
}

std::uint8_t tapeAlpha(float offsetSteps) {
  const float a = (kTapeHalfSteps - std::fabs(offsetSteps)) / (kTapeHalfSteps - kTapeFullSteps);
  return static_cast<std::uint8_t>(std::clamp(a, 0.0f, 1.0f) * 255.0f);
}

std::array<TapeLabel, kTapeLabels> tapeLabels(double value, double step) {
  value = shown(value);
  const long long nearest = std::llround(value / step);
  std::array<TapeLabel, kTapeLabels> labels{};
  for (int i = 0; i < kTapeLabels; ++i) {
    const long long k = nearest + i - kTapeLabels / 2;
    const double mark = static_cast<double>(k) * step;
    const auto offset = static_cast<float>((mark - value) / step);
    labels[i] = {std::llround(mark), offset, tapeAlpha(offset)};
  }
  return labels;
}

void InstrumentWidget::setValues(float a, float b) {
  a = std::isfinite(a) ? a : 0.0f;
  b = std::isfinite(b) ? b : 0.0f;
  if (a == a_ && b == b_) return;
  a_ = a;
  b_ = b;
  invalidateLayout();
}

float InstrumentWidget::labelHeight() const { return kLabelScale * textHeight(); }
float InstrumentWidget::readoutHalfHeight() const { return textHeight() * 0.5f + kReadoutPadding; }

void InstrumentWidget::centredText(const GlyphFont& font, float centreX, float centreY, float h, std::string_view text,
                                   std::uint32_t colour, int& room) {
  const float w = textWidth(font, text, h);
  quads_.text(font, centreX - w * 0.5f, centreY + h * 0.5f, h, text, colour, width - kEdge, room);
}

void InstrumentWidget::readoutBox(const GlyphFont& font, float centreY, std::string_view text, int& room) {
  const float half = readoutHalfHeight();
  const float x0 = kEdge + kReadoutFrame, w = width - 2.0f * x0;
  quads_.rect(x0, centreY + half, w, 2.0f * half, kReadoutFill);
  quads_.frame(x0, centreY + half, w, 2.0f * half, kReadoutFrame, colourFrame);
  centredText(font, width * 0.5f, centreY, textHeight(), text, colourText, room);
}

InstrumentWidget::InstrumentWidget(float w, float h) {
  init(0, w, h, kInstrumentTextScale, kTextCapacity, kInstrumentColourTop, kInstrumentColourText,
       kInstrumentColourFrame);
}

SpeedTape::SpeedTape() : VerticalTape(2.6f, 6.0f, true) {}
AltitudeTape::AltitudeTape() : VerticalTape(3.0f, 6.0f, false) {}

void VerticalTape::layout(const GlyphFont& font) {
  layoutPanel();
  int room = capacity;
  const TapeReadout r = readout();
  const float th = textHeight();
  layoutScale(font, r, room);
  readoutBox(font, -height * 0.5f, r.value, room);
  centredText(font, width * 0.5f, -kMargin - th * 0.5f, th, r.unit, colourText, room);
  centredText(font, width * 0.5f, -height + kMargin + th * 0.5f, th, r.detail, colourText, room);
  dirty_ = false;
}

// The scale fills the height between the unit on top and the second figure at the bottom;
// labels are left out where the readout box would cover them.
void VerticalTape::layoutScale(const GlyphFont& font, const TapeReadout& r, int& room) {
  const float centreY = -height * 0.5f, lh = labelHeight();
  const float spacing = (height * 0.5f - kMargin - textHeight() - kGap) / kTapeHalfSteps;
  const float hidden = readoutHalfHeight() + lh * 0.5f;
  auto tick = [&](float offsetSteps, float length) {
    const std::uint8_t alpha = tapeAlpha(offsetSteps);
    if (alpha == 0) return;
    const float x = ticksOnRight_ ? width - kEdge - length : kEdge;
    quads_.rect(x, centreY + offsetSteps * spacing + kTick * 0.5f, length, kTick, scaleColour(alpha));
  };
  const auto labels = tapeLabels(r.scaleValue, r.step);
  tick(labels[0].offsetSteps - 0.5f, kMinorTick);
  char buf[24];
  for (const TapeLabel& l : labels) {
    tick(l.offsetSteps, kMajorTick);
    tick(l.offsetSteps + 0.5f, kMinorTick);
    const float y = centreY + l.offsetSteps * spacing;
    if (l.alpha == 0 || std::fabs(y - centreY) < hidden) continue;
    const std::string_view text = labelText(buf, l.value);
    const float w = textWidth(font, text, lh);
    const float x = ticksOnRight_ ? width - kEdge - kMajorTick - kLabelGap - w : kEdge + kMajorTick + kLabelGap;
    quads_.text(font, x, y + lh * 0.5f, lh, text, scaleColour(l.alpha), width - kEdge, room);
  }
}

CompassTape::CompassTape() : InstrumentWidget(7.0f, 2.0f) {}

namespace {
// The card spans the width less a little room at both ends.
float compassHalfSpan(float width) { return width * 0.5f - kEdge - 0.25f; }
}  // namespace

float CompassTape::tilt() const { return std::sin(b_) * kCompassMaxShift / compassHalfSpan(width); }

// The heading in a box at the top centre with a pointer down onto the card; the card below
// carries a tick every 10 degrees and a label every 30.
void CompassTape::layout(const GlyphFont& font) {
  layoutPanel();
  int room = capacity;
  const double heading = headingDegrees(a_);
  const float th = textHeight(), lh = labelHeight(), centreX = width * 0.5f, half = readoutHalfHeight();
  // The box is as wide as the widest reading, so it does not jitter as the digits change.
  const float boxWidth = textWidth(font, "000.0", th) + 4.0f * kReadoutPadding;
  const float boxTop = -kEdge - kReadoutFrame, boxBottom = boxTop - 2.0f * half;
  const float cardTop = boxBottom - kGap - kCompassMaxShift;
  const float spacing = compassHalfSpan(width) / kTapeHalfSteps, slope = tilt();

  const double sub = kCompassStep / kCompassTicksPerStep;
  const double last = heading + kTapeHalfSteps * kCompassStep;
  for (auto j = static_cast<long long>(std::ceil((heading - kTapeHalfSteps * kCompassStep) / sub));
       static_cast<double>(j) * sub <= last; ++j) {
    const auto o = static_cast<float>((static_cast<double>(j) * sub - heading) / kCompassStep);
    const std::uint8_t alpha = tapeAlpha(o);
    if (alpha == 0) continue;
    const float dx = o * spacing, length = j % kCompassTicksPerStep == 0 ? kMajorTick : kMinorTick;
    quads_.rect(centreX + dx - kTick * 0.5f, cardTop + slope * dx, kTick, length, scaleColour(alpha));
  }
  char buf[24];
  for (const TapeLabel& l : tapeLabels(heading, kCompassStep)) {
    if (l.alpha == 0) continue;
    const float dx = l.offsetSteps * spacing;
    const std::string_view text = compassText(buf, l.value);
    const float w = textWidth(font, text, lh);
    quads_.text(font, centreX + dx - w * 0.5f, cardTop - kMajorTick - kLabelGap + slope * dx, lh, text,
                scaleColour(l.alpha), width - kEdge, room);
  }

  quads_.rect(centreX - kTick * 0.5f, boxBottom, kTick, boxBottom - cardTop + kMajorTick, colourText);
  quads_.rect(centreX - boxWidth * 0.5f, boxTop, boxWidth, 2.0f * half, kReadoutFill);
  quads_.frame(centreX - boxWidth * 0.5f, boxTop, boxWidth, 2.0f * half, kReadoutFrame, colourFrame);
  centredText(font, centreX, boxTop - half, th, format("%.1f", heading), colourText, room);
  dirty_ = false;
}

PitchScale::PitchScale() : InstrumentWidget(2.2f, 5.0f) {}

// A ladder: a line every 10 degrees with its label at the left, a short one at each 5, the
// horizon longer; nothing beyond straight up or down.
void PitchScale::layout(const GlyphFont& font) {
  layoutPanel();
  int room = capacity;
  const double pitch = pitchDegrees(a_);
  const float centreY = -height * 0.5f, lh = labelHeight();
  const float spacing = (height * 0.5f - kMargin - lh * 0.5f) / kTapeHalfSteps;
  const float hidden = readoutHalfHeight() + lh * 0.5f, right = width - kEdge - kGap;
  auto line = [&](float offsetSteps, float length) {
    const std::uint8_t alpha = tapeAlpha(offsetSteps);
    if (alpha == 0) return;
    quads_.rect(right - length, centreY + offsetSteps * spacing + kTick * 0.5f, length, kTick, scaleColour(alpha));
  };
  const auto labels = tapeLabels(pitch, kPitchStep);
  if (static_cast<double>(labels[0].value) - kPitchStep * 0.5 >= -kPitchLimit) {
    line(labels[0].offsetSteps - 0.5f, kPitchMinor);
  }
  char buf[24];
  for (const TapeLabel& l : labels) {
    const auto v = static_cast<double>(l.value);
    if (std::fabs(v) > kPitchLimit) continue;
    line(l.offsetSteps, l.value == 0 ? kPitchHorizon : kPitchLine);
    if (v + kPitchStep * 0.5 <= kPitchLimit) line(l.offsetSteps + 0.5f, kPitchMinor);
    const float y = centreY + l.offsetSteps * spacing;
    if (l.alpha == 0 || std::fabs(y - centreY) < hidden) continue;
    quads_.text(font, kEdge + kGap, y + lh * 0.5f, lh, labelText(buf, l.value), scaleColour(l.alpha), right, room);
  }
  readoutBox(font, centreY, format("%.1f", pitch), room);
  dirty_ = false;
}

}  // namespace skyloom
