// The in-scene interface: CPU time per frame of the widget pass with the instruments fed new
// readings every frame (so every tape is laid out again) and the help window open on a long
// text, with the help window scrolled every frame as well, and of the music panel's frame. The device records counts
// only; the counters give the draws and quads of a frame.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "platform/gfx/recording_device.h"
#include "resources/glyph_font.h"
#include "ui/instrument_tapes.h"
#include "ui/instruments.h"
#include "ui/music_panel.h"
#include "ui/text_viewer.h"
#include "ui/widget_manager.h"

namespace skyloom {
namespace {

constexpr float kFrame = 1.0f / 60.0f;

std::string longText() {
  std::string text;
  for (int i = 0; i < 400; ++i) {
    text += "Line " + std::to_string(i) + ": the camera follows one aircraft after another over the hills.\r\n";
  }
  return text;
}

// A counting device of 1024 × 768, the scene's font and the widget manager; drawFrame draws the
// widgets once and counts the draw calls.
struct InterfaceBench {
  static RecordingDeviceConfig countingOnly() {
    RecordingDeviceConfig config;
    config.captureGeometry = false;
    config.captureState = false;
    return config;
  }
  InterfaceBench() {
    device.setViewport(Viewport{0, 0, 1024, 768, 0.0f, 1.0f});
    font.restore(device);
  }
  // After the widgets are made: the view's size and the help text.
  void restore() { manager.restore(device, 1.5707963f); }
  void drawFrame() {
    device.beginScene();
    manager.render(device, kFrame);
    device.endScene();
    draws += device.draws().size();
    ++frames;
    device.clearRecording();
  }
  double drawsPerFrame() const { return static_cast<double>(draws) / static_cast<double>(frames); }

  RecordingDevice device{countingOnly()};
  GlyphFont font{"Arial", 24, 700, false};
  WidgetManager manager{font, nullptr};
  std::size_t draws = 0, frames = 0;
};

void runInterface(benchmark::State& state, bool scrollEveryFrame) {
  InterfaceBench bench;
  WidgetManager& manager = bench.manager;
  Instruments instruments;
  instruments.create(manager);
  bench.restore();
  manager.helpWindow()->setText(longText(), 0, true);
  manager.help(1);
  float t = 0.0f;
  for (auto _ : state) {
    t += kFrame;
    instruments.update(CameraReadings{2000.0f + 50.0f * std::sin(t), 300.0f, 120.0f + 10.0f * std::sin(t), t * 0.1f,
                                      0.1f * std::sin(t), 0.2f * std::sin(t), 1});
    instruments.updateThrottle(0.8f);
    instruments.updateStatusText(positionText(60.0f, 1000.0f * t, 2000.0f, 3000.0f));
    if (scrollEveryFrame) {
      manager.helpWindow()->list().scroll(bench.frames % 200 < 100 ? 1 : -1);
      manager.helpWindow()->invalidateLayout();
    }
    bench.drawFrame();
  }
  std::size_t quads = 0;
  for (Widget* w : manager.order()) {
    if (w->visible()) quads += w->quads().quadCount();
  }
  state.counters["draws/frame"] = bench.drawsPerFrame();
  state.counters["quads/frame"] = static_cast<double>(quads);
}

// A session that reports a track halfway through.
class PlayingControl : public MusicControl {
 public:
  void waitQuit() override {}
  void releaseQuit() override {}
  void stop() override {}
  void pause() override {}
  void next() override {}
  void previous() override {}
  void play() override {}
  void openFiles(void*) override {}
  void getStatus(StatusRecord& out) override {
    out.trackNumber = 3;
    out.trackCount = 12;
    out.totalSeconds = 240;
    out.elapsedSeconds += 0.016f;
    out.elapsedSecondsPart = static_cast<int>(out.elapsedSeconds) % 60;
  }
};

// The music panel's frame: its status lines, the spectrum's levels from a ring that moves on
// every frame, and its widgets drawn (the bars of both channels among them).
void BM_MusicPanelFrame(benchmark::State& state) {
  InterfaceBench bench;
  PlayingControl control;
  MusicPanel panel;
  panel.create(bench.manager, &control, true);
  bench.restore();
  player::SubbandLevels& ring = player::subbandLevels();
  float levels[player::kLevelBands];
  for (auto _ : state) {
    for (int b = 0; b < player::kLevelBands; ++b)
      levels[b] = 1.0f + 0.5f * std::sin(0.3f * static_cast<float>(b + bench.frames));
    ring.store(0, levels);
    ring.store(1, levels);
    ring.advance();
    panel.advanceFrame(kFrame);
    bench.drawFrame();
  }
  state.counters["draws/frame"] = bench.drawsPerFrame();
  state.counters["bands"] = panel.levels().drawnBands(0) + panel.levels().drawnBands(1);
  ring.reset();
}

void BM_InterfaceInstrumentsAndHelp(benchmark::State& state) { runInterface(state, false); }
void BM_InterfaceScrollingHelp(benchmark::State& state) { runInterface(state, true); }

BENCHMARK(BM_InterfaceInstrumentsAndHelp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InterfaceScrollingHelp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MusicPanelFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
