#include "ui/instruments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "platform/gfx/recording_device.h"
#include "resources/glyph_font.h"
#include "ui/instrument_tapes.h"
#include "ui/widget_manager.h"
#include "ui/window_messages.h"

namespace skyloom {
namespace {

void click(Widget& w) {
  w.onMouse({.message = kWmLButtonDown, .left = true});
  w.onMouse({.message = kWmLButtonUp});
}

TEST(InstrumentText, ThrottleFieldIsTwoWideAndGrowsToThree) {
  EXPECT_EQ(throttleText(2, 1.0f), "C2 P100");
  EXPECT_EQ(throttleText(2, 0.07f), "C2 P 7");
  EXPECT_EQ(throttleText(0, 1.1f), "C0 P110");  // slow types nosing up
  EXPECT_EQ(throttleText(0, NAN), "C0 P 0");
  EXPECT_EQ(positionText(59.96f, 1.0f, -2.3f, 3.0f), "f60.0 x1.0 y-2.3 z3.0");
}

TEST(InstrumentText, SpeedAndAltitudeInBothUnitSystems) {
  const TapeReadout metric = speedReadout(100.0f, false);
  EXPECT_EQ(metric.value, "360.0");
  EXPECT_STREQ(metric.unit, "km/h");
  EXPECT_EQ(metric.detail, "M0.3");
  EXPECT_EQ(metric.step, 20.0);
  const TapeReadout imperial = speedReadout(100.0f, true);
  EXPECT_EQ(imperial.value, "223.7");
  EXPECT_STREQ(imperial.unit, "mph");
  EXPECT_EQ(imperial.step, 10.0);

  const TapeReadout m = altitudeReadout(1000.0f, 250.5f, false);
  EXPECT_EQ(m.value, "1000.0");
  EXPECT_EQ(m.detail, "749.50");
  EXPECT_STREQ(m.unit, "m");
  const TapeReadout ft = altitudeReadout(1000.0f, 250.5f, true);
  EXPECT_EQ(ft.value, "3280.8");
  EXPECT_EQ(ft.detail, "2458.96");
  EXPECT_EQ(ft.step, 100.0);

  // The Mach divisor reaches zero at 16000 units per second: the number keeps growing instead.
  EXPECT_GT(machNumber(16000.0), machNumber(15000.0));
  EXPECT_GT(machNumber(30000.0), machNumber(16000.0));
  EXPECT_EQ(speedReadout(INFINITY, false).value, "0.0");
}

TEST(InstrumentText, AnglesAreWrappedForDisplay) {
  EXPECT_NEAR(headingDegrees(-0.5f * 3.14159265f), 270.0, 1e-3);
  EXPECT_NEAR(headingDegrees(2.0f * 3.14159265f + 0.1f), 5.7296, 1e-3);
  EXPECT_NEAR(pitchDegrees(0.5f), 28.6479, 1e-3);
  EXPECT_NEAR(pitchDegrees(-0.5f), -28.6479, 1e-3);
}

TEST(InstrumentScale, LabelsFadeToNothingAtTheTapeEnds) {
  // On a mark: labels at whole steps, the outer two a third visible.
  auto on = tapeLabels(360.0, 20.0);
  EXPECT_EQ(on[0].value, 320);
  EXPECT_EQ(on[4].value, 400);
  EXPECT_EQ(on[2].alpha, 255);
  EXPECT_EQ(on[1].alpha, 255);
  EXPECT_EQ(on[4].alpha, 85);
  // Half-way between marks the outermost label stands at the end and is gone.
  auto half = tapeLabels(370.0, 20.0);
  EXPECT_FLOAT_EQ(half[4].offsetSteps, 2.5f);
  EXPECT_EQ(half[4].alpha, 0);
  EXPECT_EQ(half[0].alpha, 170);
  auto below = tapeLabels(-15.0, 10.0);
  EXPECT_EQ(below[0].value, -40);
  EXPECT_FLOAT_EQ(below[4].offsetSteps, 1.5f);
}

TEST(InstrumentWidgets, ClickSwitchesUnitsAndTheLayoutFollows) {
  SpeedTape tape;
  tape.setValues(100.0f, 0.0f);
  EXPECT_EQ(tape.readout().value, "360.0");
  click(tape);
  EXPECT_TRUE(tape.imperial());
  EXPECT_TRUE(tape.layoutDirty());
  EXPECT_EQ(tape.readout().value, "223.7");
  EXPECT_STREQ(tape.readout().unit, "mph");
  EXPECT_EQ(tape.readout().detail, "M0.3");
}

// The labels' alpha falls with their distance from the readout, and every scale quad stays
// inside the panel.
TEST(InstrumentWidgets, LaidOutLabelsFadeTowardTheEnds) {
  RecordingDevice device;
  GlyphFont font("Arial", 24, 700, false);
  ASSERT_EQ(font.restore(device), 0);
  AltitudeTape tape;
  tape.setValues(1000.0f, 0.0f);
  tape.layout(font);
  EXPECT_FALSE(tape.layoutDirty());

  std::map<float, std::uint32_t> alphaByDistance;  // label centre's distance from mid height
  const auto& text = tape.quads().layer(QuadLayer::Text);
  for (std::size_t q = 0; q < text.size(); q += 4) {
    if ((text[q].colour & 0x00FFFFFF) != kScaleGreen) continue;
    const float centre = 0.5f * (text[q].y + text[q + 1].y);
    alphaByDistance[std::round(std::fabs(centre + tape.height * 0.5f) * 100.0f)] = text[q].colour >> 24;
  }
  ASSERT_EQ(alphaByDistance.size(), 2u);  // 950/1050 and 900/1100; 1000 is under the readout
  EXPECT_EQ(alphaByDistance.begin()->second, 255u);
  EXPECT_EQ(alphaByDistance.rbegin()->second, 85u);
  for (QuadLayer layer : {QuadLayer::Plain, QuadLayer::Text}) {
    for (const WidgetVertex& v : tape.quads().layer(layer)) {
      if (v.z != 0.0f) continue;  // the shadow
      EXPECT_GE(v.x, 0.0f);
      EXPECT_LE(v.x, tape.width);
      EXPECT_LE(v.y, 0.0f);
      EXPECT_GE(v.y, -tape.height);
    }
  }

  // Half a step on, the end labels are not drawn at all.
  tape.setValues(1025.0f, 0.0f);
  tape.layout(font);
  for (std::size_t q = 0; q < tape.quads().layer(QuadLayer::Text).size(); q += 4) {
    EXPECT_NE(tape.quads().layer(QuadLayer::Text)[q].colour, kScaleGreen);
  }

  CompassTape compass;
  compass.setValues(0.0f, 0.3f);
  compass.layout(font);
  EXPECT_GT(compass.tilt(), 0.0f);  // rolled right: the card's right end rises
  EXPECT_GT(compass.quads().layer(QuadLayer::Text).size(), 0u);
}

struct InstrumentsTest : ::testing::Test {
  GlyphFont font{"Arial", 24, 700, false};
  WidgetManager manager{font, nullptr};
  Instruments instruments;
  void SetUp() override { ASSERT_EQ(instruments.create(manager), Instruments::kWidgetCount); }
  bool allVisible(bool on) const {
    for (int id : Instruments::kIds) {
      if (manager.find(id)->visible() != on) return false;
    }
    return true;
  }
};

TEST_F(InstrumentsTest, CreateAddsSevenWidgetsInTableOrder) {
  const int first = manager.count() - Instruments::kWidgetCount;
  for (int i = 0; i < Instruments::kWidgetCount; ++i) EXPECT_EQ(manager.widget(first + i)->id, 768 + i);
  EXPECT_NE(dynamic_cast<SpeedTape*>(manager.find(kSpeedTapeId)), nullptr);
  EXPECT_FLOAT_EQ(manager.find(kCameraStatusId)->width, 2.5f);
  EXPECT_FLOAT_EQ(manager.find(kPositionStatusId)->width, 5.5f);
  // Made again, they replace the first ones.
  const int before = manager.count();
  instruments.create(manager);
  EXPECT_EQ(manager.count(), before);
}

TEST_F(InstrumentsTest, FeedsTheWidgetsAndTogglesWithD) {
  instruments.update({.eyeY = 500.0f, .groundY = 100.0f, .speed = 100.0f, .mode = 3});
  instruments.updateThrottle(1.0f);
  EXPECT_EQ(manager.find(kCameraStatusId)->caption(), "C3 P100");
  instruments.updateThrottle(0.07f);
  EXPECT_EQ(manager.find(kCameraStatusId)->caption(), "C3 P 7");
  instruments.updateStatusText("f60.0 x1.0 y2.0 z3.0");
  EXPECT_EQ(manager.find(kPositionStatusId)->caption(), "f60.0 x1.0 y2.0 z3.0");
  EXPECT_EQ(static_cast<SpeedTape*>(manager.find(kSpeedTapeId))->readout().value, "360.0");
  EXPECT_EQ(static_cast<AltitudeTape*>(manager.find(kAltitudeTapeId))->readout().detail, "400.00");

  // One widget out of step: the toggle follows the first and brings them back together.
  manager.find(kCompassTapeId)->show(false);
  EXPECT_TRUE(instruments.onChar('D'));
  EXPECT_TRUE(allVisible(false));
  EXPECT_TRUE(instruments.onChar('d'));
  EXPECT_TRUE(allVisible(true));
  EXPECT_FALSE(instruments.onChar('x'));
  instruments.setVisibility(InstrumentVisibility::Hide);
  EXPECT_TRUE(allVisible(false));
}

}  // namespace
}  // namespace skyloom
