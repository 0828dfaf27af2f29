// The music panel against a session that only records what it is asked, and the spectrum's
// levels against a ring filled by hand.
#include "ui/music_panel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gfx/recording_device.h"
#include "player/output_latency.h"
#include "resources/glyph_font.h"
#include "state_check.h"
#include "ui/widget_manager.h"
#include "ui/window_messages.h"

namespace skyloom {
namespace {

class RecordingControl : public MusicControl {
 public:
  void waitQuit() override {}
  void releaseQuit() override {}
  void stop() override { calls += "stop "; }
  void pause() override { calls += "pause "; }
  void next() override { calls += "next "; }
  void previous() override { calls += "previous "; }
  void play() override { calls += "play "; }
  void openFiles(void*) override { calls += "open "; }
  void getStatus(StatusRecord& out) override { out = status; }

  std::string calls;
  StatusRecord status;
};

struct PanelFixture : ::testing::Test {
  void SetUp() override { device.setViewport(Viewport{0, 0, 1024, 768, 0.0f, 1.0f}); }
  void make(MusicControl* music, bool buttons) {
    panel.create(manager, music, buttons, nullptr, [this] { return clock; });
    manager.restore(device, 1.5707963f);
  }
  // A left click in the middle of widget id.
  void click(int id) {
    Widget* w = manager.find(id);
    w->depth = w->targetDepth;
    const float scale = manager.pixelScale();
    const int px = static_cast<int>(manager.centreX() + (w->x + w->width * 0.5f) / w->depth / scale);
    const int py = static_cast<int>(manager.centreY() - (w->y - w->height * 0.5f) / w->depth / scale);
    manager.onMessage(kWmLButtonDown, kMkLButton, messagePoint(px, py));
    manager.onMessage(kWmLButtonUp, 0, messagePoint(px, py));
  }

  RecordingDevice device;
  GlyphFont font{"Arial", 24, 700, false};
  WidgetManager manager{font, nullptr};
  MusicPanel panel;
  RecordingControl control;
  WallClock clock{2026, 12, 9, 3, 15, 4, 5};
};

TEST_F(PanelFixture, ButtonsDriveTheSessionAndTheLinesShowItsStatus) {
  make(&control, true);
  for (int id = kPreviousButtonId; id <= kOpenFilesButtonId; ++id) click(id);
  EXPECT_EQ(control.calls, "previous play pause stop next open ");
  ASSERT_NE(manager.find(kProgressBarId), nullptr);  // the bar goes by its second id
  EXPECT_EQ(manager.find(kProgressMadeId), nullptr);

  control.status.trackNumber = 2;
  control.status.trackCount = 7;
  control.status.totalMinutes = 3;
  control.status.totalSeconds = 180;
  control.status.elapsedMinutes = 1;
  control.status.elapsedSecondsPart = 30;
  control.status.elapsedSeconds = 90.4f;
  std::strcpy(control.status.title, "C:\\music\\Night Flight.mp3");
  panel.advanceFrame(0.02f);
  EXPECT_EQ(manager.find(kElapsedLineId)->caption(), "Elapsed 0:1:30");
  EXPECT_EQ(manager.find(kTotalLineId)->caption(), "Total time 0:3:0");
  EXPECT_EQ(manager.find(kNumberLineId)->caption(), "Number 2 of 7");
  EXPECT_EQ(manager.find(kTitleLineId)->caption(), "Night Flight.mp3");
  EXPECT_EQ(manager.find(kClockLineId)->caption(), "15:4:5 Wed,2026-12-9");
}

TEST_F(PanelFixture, HiddenWithoutASessionOrWithoutThePlayButtons) {
  make(nullptr, true);
  panel.advanceFrame(0.02f);
  for (int id : {512, 517, 518, 522, 11, 524, 525}) EXPECT_FALSE(manager.find(id)->visible()) << id;
  MusicPanel off;
  WidgetManager other(font, nullptr);
  off.create(other, &control, false);
  off.advanceFrame(0.02f);
  EXPECT_FALSE(other.find(kLeftSpectrumId)->visible());
  EXPECT_TRUE(control.calls.empty());
}

TEST_F(PanelFixture, TheClockLineChangesEverySecondWhileStopped) {
  make(&control, true);
  panel.advanceFrame(0.5f);
  const std::string first = manager.find(kClockLineId)->caption();
  panel.advanceFrame(0.5f);
  EXPECT_EQ(manager.find(kClockLineId)->caption(), first);
  clock.second = 6;
  panel.advanceFrame(0.5f);
  EXPECT_EQ(manager.find(kClockLineId)->caption(), "15:4:6 Wed,2026-12-9");
}

TEST(MusicPanelProgress, AnUnknownTotalKeepsTheBarAtItsStartAndItNeverRunsPastThePanel) {
  EXPECT_FLOAT_EQ(progressEnd(4.0f, 50.0f, 0.0f), 0.0f);
  EXPECT_NEAR(progressEnd(4.0f, 90.0f, 180.0f), 4.0f * 90.0f * 0.915f / 180.001f, 1e-5f);
  EXPECT_FLOAT_EQ(progressEnd(4.0f, 500.0f, 180.0f), 0.915f * 4.0f);  // elapsed past a wrong total
  EXPECT_FLOAT_EQ(progressEnd(4.0f, NAN, 180.0f), 0.0f);
}

// A ring entry whose bands hold `value` in both channels up to band `bands`.
void fill(player::SubbandLevels& ring, float value, int bands) {
  float levels[player::kLevelBands] = {};
  for (int b = 0; b < bands; ++b) levels[b] = value;
  ring.store(0, levels);
  ring.store(1, levels);
  ring.advance();
}

TEST(SpectrumLevels, KnownSumsMapToTheLogScaleAndSkippedEntriesAreAveragedAcrossTheEnd) {
  auto ring = std::make_unique<player::SubbandLevels>();
  SpectrumLevels spectrum;
  fill(*ring, 1.0f, 32);
  spectrum.advance(*ring, 1, 0.02f);  // one behind the write index: the entry just written
  EXPECT_NEAR(spectrum.levels(0)[5], std::log1p(0.001f * 32768.0f), 1e-5f);
  EXPECT_EQ(spectrum.drawnBands(1), 32);

  // Walk to just before the ring's end, then three entries across it.
  for (int i = 1; i < player::kLevelRingEntries - 1; ++i) fill(*ring, 1.0f, 32);
  spectrum.advance(*ring, 1, 0.02f);
  fill(*ring, 2.0f, 32);
  fill(*ring, 4.0f, 32);
  fill(*ring, 8.0f, 32);
  EXPECT_LT(ring->writeIndex(), 3);
  spectrum.advance(*ring, 1, 0.02f);
  const float mean = (spectrumLevel(2.0f) + spectrumLevel(4.0f) + spectrumLevel(8.0f)) / 3.0f;
  EXPECT_NEAR(spectrum.levels(0)[0], mean, 1e-5f);
}

TEST(SpectrumLevels, SilenceMakesTheBarsFallAtFivePerSecondAndGoFromTheRight) {
  auto ring = std::make_unique<player::SubbandLevels>();
  SpectrumLevels spectrum;
  float levels[player::kLevelBands] = {};
  for (int b = 0; b < player::kLevelBands; ++b) levels[b] = 0.05f * static_cast<float>(player::kLevelBands - b);
  ring->store(0, levels);
  ring->store(1, levels);
  ring->advance();
  spectrum.advance(*ring, 1, 0.1f);
  const float top = spectrum.shown(0)[0];
  EXPECT_EQ(spectrum.drawnBands(0), 32);
  // Nothing new arrives: after the stall the levels are 0 and the bars come down at 5 a second.
  spectrum.advance(*ring, 1, kLevelStallSeconds);
  EXPECT_NEAR(spectrum.shown(0)[0], top - 5.0f * kLevelStallSeconds, 1e-4f);
  int lastBands = spectrum.drawnBands(0);
  for (int frame = 0; frame < 200 && lastBands > 0; ++frame) {
    spectrum.advance(*ring, 1, 0.01f);
    EXPECT_LE(spectrum.drawnBands(0), lastBands);  // the high (short) bands go first
    lastBands = spectrum.drawnBands(0);
  }
  EXPECT_EQ(lastBands, 0);
  EXPECT_EQ(spectrumDelay(10, 2), 10);
  EXPECT_EQ(spectrumDelay(10, 1), 5);  // one granule a frame: one entry for two half-frames
}

TEST_F(PanelFixture, TheSpectrumDrawsItsBarsInItsWidgetsTurnAndLeavesTheStatesAsFound) {
  latencyHalfFrames = 0;  // nothing waits in an output: what was decoded last is heard now
  make(&control, true);
  font.restore(device);
  fill(player::subbandLevels(), 1.0f, 10);
  panel.advanceFrame(0.02f);
  device.beginScene();
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { manager.render(device, 0.02f); }));
  device.endScene();
  int bars = 0;
  for (const RecordedDraw& d : device.draws()) {
    if (d.state.fvf != SpectrumWidget::kFvf) continue;
    ++bars;
    EXPECT_EQ(d.stride, 20u);
    EXPECT_EQ(d.primitiveCount, 12u * static_cast<std::uint32_t>(panel.levels().drawnBands(0)));
  }
  EXPECT_EQ(bars, 2);
  player::subbandLevels().reset();
}

}  // namespace
}  // namespace skyloom
