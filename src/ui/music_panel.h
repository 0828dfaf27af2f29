#pragma once
// MusicPanel: the music player in the scene. Six icon buttons (previous, play, pause, stop, next,
// open files), six lines (elapsed and total time, the track's number, its title, the wall clock,
// a progress bar) and a two-channel spectrum display of what is being heard. It drives the
// engine only through MusicControl; without a session, or with the music settings' "Show Play
// buttons" off, its widgets are hidden.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "player/music_control.h"
#include "ui/spectrum_levels.h"
#include "ui/widget.h"

namespace skyloom {

class WidgetManager;

// The panel's widget identities.
constexpr int kPreviousButtonId = 512;
constexpr int kOpenFilesButtonId = 517;
constexpr int kElapsedLineId = 518;
constexpr int kTotalLineId = 519;
constexpr int kNumberLineId = 520;
constexpr int kTitleLineId = 521;
constexpr int kClockLineId = 522;
constexpr int kProgressMadeId = 523;  // the progress bar is made with this id ...
constexpr int kProgressBarId = 11;    // ... and known by this one afterwards
constexpr int kLeftSpectrumId = 524;
constexpr int kRightSpectrumId = 525;
constexpr int kMusicButtons = 6;

// The local time the clock line shows; weekday 0 is Sunday.
struct WallClock {
  int year = 0, month = 0, day = 0, weekday = 0, hour = 0, minute = 0, second = 0;
};
WallClock localWallClock();
// "%d:%d:%d %s,%d-%d-%d": hour, minute, second, "Sun" to "Sat", year, month, day.
std::string clockText(const WallClock& c);

// The title line's text: the status record's title, or the file name of a path.
std::string_view shownTitle(const char (&title)[StatusRecord::kTitleSize]);

// The progress bar's filled length for a bar `width` wide: width · elapsed · 0.915 / (total +
// 0.001), within [0, 0.915 · width], and 0 while the total is not known.
float progressEnd(float width, float elapsedSeconds, float totalSeconds);

// A widget that shows the spectrum of one channel as bars over its panel.
class SpectrumWidget : public Widget {
 public:
  static constexpr std::uint32_t kFvf = Fvf::Xyz | Fvf::Diffuse | Fvf::Specular;  // 0xC2
  static constexpr int kSegments = 8;                                             // vertices of a bar: a box

  SpectrumWidget(const SpectrumLevels& levels, int channel);
  void drawOver(RenderDevice& device, const Matrix& world) const override;
  // The bars' vertices for the shown levels (8 a drawn band) and how many bands that is.
  int buildBars() const;

  struct Vertex {
    float x, y, z;
    std::uint32_t diffuse, specular;
  };
  static_assert(sizeof(Vertex) == 20);
  const std::array<Vertex, kSpectrumBands * kSegments>& vertices() const { return vertices_; }

 private:
  const SpectrumLevels& levels_;
  int channel_;
  mutable std::array<Vertex, kSpectrumBands * kSegments> vertices_{};
};

class MusicPanel {
 public:
  // music may be null (no session): the widgets stay hidden. window: the owner of the open-files
  // dialog. clock: the wall clock (tests pass their own).
  void create(WidgetManager& manager, MusicControl* music, bool showButtons, void* window = nullptr,
              std::function<WallClock()> clock = localWallClock);
  // One frame: the status, the clock and the spectrum; dt seconds.
  void advanceFrame(float dt);
  const SpectrumLevels& levels() const { return levels_; }
  // The action of a button id (previous to open files).
  void press(int id);

 private:
  void showAll(bool on);
  Widget* find(int id) const;

  WidgetManager* manager_ = nullptr;
  MusicControl* music_ = nullptr;
  bool showButtons_ = false;
  void* window_ = nullptr;
  std::function<WallClock()> clock_;
  SpectrumLevels levels_;
};

}  // namespace skyloom
