#include "ui/music_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "platform/gfx/render_device.h"
#include "player/output_latency.h"
#include "ui/widget_manager.h"
#include "ui/window_messages.h"

namespace skyloom {

namespace {
// The panel is laid out in units of its own: kPanelUnit view units (at depth 15) each for the
// buttons and lines; the spectrum displays are scaled down to the lines' width, or the two side
// by side would outgrow the corner the panel stands in.
constexpr float kPanelUnit = 2.8f;
constexpr float kButtonWidth = 0.5f, kButtonHeight = 0.25f;
constexpr float kLineWidth = 1.6f, kLineHeight = 0.25f;
constexpr float kSpectrumWidth = 3.0f, kSpectrumHeight = 0.75f;
constexpr float kSpectrumUnit = kLineWidth * kPanelUnit / kSpectrumWidth;
constexpr float kLineTextScale = 0.0007f;  // text 0.35 units high in a 0.7 line
constexpr std::uint32_t kEvenLineColour = 0xC0C0C080, kOddLineColour = 0xA080C0C0;
constexpr float kProgressShare = 0.915f;
constexpr float kProgressMarker = 0.05f;  // in panel units, scaled like the line
// The top-left corner of the panel: the top right of the view, clear of the instruments.
constexpr float kPanelX = 5.5f, kPanelY = 8.2f;
constexpr float kGap = 0.15f;

// The spectrum's bars: the level scale is 0.18 of the widget's height, the first band stands at
// 0.95 (left channel, growing leftward) or 0.05 (right channel) of its width, the bars' feet at
// 0.95 of its height below its top.
constexpr float kBarScale = 0.18f;
constexpr float kBarSpan = 0.9f;   // of the width, for the 32 bands
constexpr float kBarFill = 0.75f;  // of a band's pitch
constexpr float kBarTop = 0.9f;    // of the height, the highest a bar reaches
constexpr float kBarDepth = 0.3f;  // the box's depth, in level units
constexpr std::uint32_t kBarFoot = 0xFF20B040;

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

std::uint32_t barColour(float share) {
  // Green at the foot, through yellow to red at the top of the scale.
  const float s = std::clamp(share, 0.0f, 1.0f);
  const auto r = static_cast<std::uint32_t>(std::lround(255.0f * std::min(1.0f, 2.0f * s)));
  const auto g = static_cast<std::uint32_t>(std::lround(255.0f * std::min(1.0f, 2.0f * (1.0f - s))));
  return 0xFF000000u | r << 16 | g << 8 | 0x30u;
}

std::array<std::uint16_t, kSpectrumBands * 36> barIndices() {
  // The six faces of a box whose corners 0-3 are the front (foot left, foot right, top left,
  // top right) and 4-7 the same at the back.
  static constexpr std::uint16_t kBox[36] = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 4, 2, 2, 4, 6,
                                             1, 3, 5, 3, 7, 5, 2, 6, 3, 3, 6, 7, 0, 1, 4, 1, 5, 4};
  std::array<std::uint16_t, kSpectrumBands * 36> out{};
  for (int b = 0; b < kSpectrumBands; ++b) {
    for (int i = 0; i < 36; ++i)
      out[static_cast<std::size_t>(36 * b + i)] = static_cast<std::uint16_t>(8 * b + kBox[i]);
  }
  return out;
}
const std::array<std::uint16_t, kSpectrumBands* 36> kBarIndices = barIndices();

std::string format3(const char* pattern, int a, int b, int c) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

// An icon button: a click (not a drag) runs its action.
class MusicButton : public Widget {
 public:
  explicit MusicButton(MusicPanel& panel) : panel_(panel) {}
  bool onMouse(const WidgetMouse& m) override {
    if (m.message == kWmLButtonUp && (flags & kWidgetMovedLeft) == 0 && (flags & kWidgetLeftDown) != 0) {
      panel_.press(id);
    }
    return Widget::onMouse(m);
  }

 private:
  MusicPanel& panel_;
};

// A line whose panel is filled from the left as far as the progress goes.
class ProgressBar : public Widget {
 public:
  void setEnd(float end) {
    if (end == end_) return;
    end_ = end;
    invalidateLayout();
  }
  void layout(const GlyphFont& font) override {
    Widget::layout(font);
    const float inset = 0.08f;
    if (end_ > 0.0f) quads_.rect(QuadLayer::Plain, inset, -inset, end_, height - 2 * inset, 0xC040A0FF, 0xC0206090);
    quads_.rect(inset + end_, -inset, kProgressMarker * kPanelUnit, height - 2 * inset, 0xFFFFFFFF);
  }

 private:
  float end_ = 0.0f;
};

std::unique_ptr<Widget> line(int index) {
  auto w = std::make_unique<Widget>();
  w->init(1, kLineWidth * kPanelUnit, kLineHeight * kPanelUnit, kLineTextScale, 50,
          index % 2 == 0 ? kEvenLineColour : kOddLineColour, 0xFFF0F0A0, 0xFFFFFF80);
  return w;
}
}  // namespace

std::string_view shownTitle(const char (&title)[StatusRecord::kTitleSize]) {
  std::string_view t(title, strnlen(title, sizeof title));
  // A track without a title is known by its file: the name says more than the folders.
  const std::size_t slash = t.find_last_of("\\/");
  return slash == std::string_view::npos ? t : t.substr(slash + 1);
}

WallClock localWallClock() {
  const std::time_t now = std::time(nullptr);
  WallClock c;
  if (const std::tm* t = std::localtime(&now)) {
    c = {t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, t->tm_wday, t->tm_hour, t->tm_min, t->tm_sec};
  }
  return c;
}

std::string clockText(const WallClock& c) {
  char text[80];
  std::snprintf(text, sizeof text, "%d:%d:%d %s,%d-%d-%d", c.hour, c.minute, c.second,
                kWeekdays[(c.weekday % 7 + 7) % 7], c.year, c.month, c.day);
  return text;
}

float progressEnd(float width, float elapsed, float total) {
  if (!(total > 0.0f) || !std::isfinite(elapsed) || !std::isfinite(total)) return 0.0f;
  return std::clamp(width * elapsed * kProgressShare / (total + 0.001f), 0.0f, kProgressShare * width);
}

// ---- spectrum widget

SpectrumWidget::SpectrumWidget(const SpectrumLevels& levels, int channel) : levels_(levels), channel_(channel) {}

int SpectrumWidget::buildBars() const {
  const int bands = levels_.drawnBands(channel_);
  const float unit = kBarScale * height;  // view units per level unit
  const float pitch = kBarSpan * width / (kSpectrumBands * unit);
  const float highest = kBarTop * height / unit;
  const auto& shown = levels_.shown(channel_);
  for (int b = 0; b < bands; ++b) {
    const float level = std::min(shown[static_cast<std::size_t>(b)], highest);
    const float x0 = pitch * static_cast<float>(b), x1 = x0 + pitch * kBarFill;
    const std::uint32_t top = barColour(level / highest);
    Vertex* v = &vertices_[static_cast<std::size_t>(kSegments * b)];
    const float zs[2] = {0.0f, kBarDepth};
    for (int back = 0; back < 2; ++back) {
      const float z = zs[back];
      v[4 * back + 0] = {x0, 0.0f, z, kBarFoot, 0};
      v[4 * back + 1] = {x1, 0.0f, z, kBarFoot, 0};
      v[4 * back + 2] = {x0, level, z, top, 0};
      v[4 * back + 3] = {x1, level, z, top, 0};
    }
  }
  return bands;
}

void SpectrumWidget::drawOver(RenderDevice& device, const Matrix& world) const {
  const int bands = buildBars();
  if (bands == 0) return;
  const float unit = kBarScale * height;
  // The left channel's bands run leftward from near its right edge, the right channel's
  // rightward from near its left edge: side by side, the two displays meet at their low bands.
  const float sx = channel_ == 0 ? -unit : unit;
  const float startX = (channel_ == 0 ? 0.95f : 0.05f) * width;
  const Matrix bars = scaling(sx, unit, unit) * translation(startX, -0.95f * height, -0.01f) * world;
  device.setTransform(TransformState::World, bars);
  device.setTexture(0, nullptr);
  device.setTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg2);
  device.setTextureStageState(0, TextureStageState::AlphaOp, TextureOp::SelectArg2);
  device.setFvf(kFvf);
  device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, static_cast<std::uint32_t>(kSegments * bands),
                                static_cast<std::uint32_t>(12 * bands), kBarIndices.data(), Format::Index16,
                                vertices_.data(), sizeof(Vertex));
  device.setTransform(TransformState::World, world);
}

// ---- the panel

void MusicPanel::create(WidgetManager& manager, MusicControl* music, bool showButtons, void* window,
                        std::function<WallClock()> clock) {
  manager_ = &manager;
  music_ = music;
  showButtons_ = showButtons;
  window_ = window;
  clock_ = clock ? std::move(clock) : localWallClock;
  const float buttonW = kButtonWidth * kPanelUnit, buttonH = kButtonHeight * kPanelUnit;
  for (int i = 0; i < kMusicButtons; ++i) {
    auto b = std::make_unique<MusicButton>(*this);
    b->init(2, buttonW, buttonH, kLineTextScale, 50, 0x90808080, 0xFFA0A0A0, 0xFF80FFFF);
    b->id = kPreviousButtonId + i;
    b->x = b->targetX = kPanelX + static_cast<float>(i) * (buttonW + kGap);
    b->y = b->targetY = kPanelY;
    const int index = manager.add(std::move(b));
    manager.setIcon(index, i % 4, i / 4);
  }
  // Two columns of three lines under the buttons: the track on the left, the times on the right.
  const int columnOf[6] = {1, 1, 1, 0, 0, 0};  // 518 to 523
  const int rowOf[6] = {0, 1, 2, 0, 1, 2};
  const float lineW = kLineWidth * kPanelUnit, lineH = kLineHeight * kPanelUnit;
  for (int i = 0; i < 6; ++i) {
    std::unique_ptr<Widget> w;
    if (kElapsedLineId + i == kProgressMadeId) {
      auto bar = std::make_unique<ProgressBar>();
      bar->init(1, lineW, lineH, kLineTextScale, 50, i % 2 == 0 ? kEvenLineColour : kOddLineColour, 0xFFF0F0A0,
                0xFFFFFF80);
      w = std::move(bar);
    } else {
      w = line(i);
    }
    w->id = kElapsedLineId + i;
    w->x = w->targetX = kPanelX + static_cast<float>(columnOf[i]) * (lineW + kGap);
    w->y = w->targetY = kPanelY - buttonH - kGap - static_cast<float>(rowOf[i]) * (lineH + 0.1f);
    Widget* made = w.get();
    if (manager.add(std::move(w)) >= 0 && made->id == kProgressMadeId) made->id = kProgressBarId;
  }
  const float spectrumW = kSpectrumWidth * kSpectrumUnit, spectrumH = kSpectrumHeight * kSpectrumUnit;
  for (int ch = 0; ch < 2; ++ch) {
    auto s = std::make_unique<SpectrumWidget>(levels_, ch);
    s->init(1, spectrumW, spectrumH, kLineTextScale, 0, 0x508080FF, 0xFFF0F0A0, 0xFFFFFF80);
    s->id = kLeftSpectrumId + ch;
    s->x = s->targetX = kPanelX + static_cast<float>(ch) * (spectrumW + kGap);
    s->y = s->targetY = kPanelY - buttonH - kGap - 3.0f * (lineH + 0.1f) - kGap;
    manager.add(std::move(s));
  }
  showAll(music_ && showButtons_);
}

Widget* MusicPanel::find(int id) const { return manager_ ? manager_->find(id) : nullptr; }

void MusicPanel::showAll(bool on) {
  constexpr int kIds[] = {512, 513, 514, 515, 516, 517, 518, 519, 520, 521, 522, kProgressBarId, 524, 525};
  for (int id : kIds) {
    if (Widget* w = find(id))
      w->flags = on ? w->flags | kWidgetVisible | kWidgetTakesMouse : w->flags & ~(kWidgetVisible | kWidgetTakesMouse);
  }
}

void MusicPanel::press(int id) {
  if (!music_) return;
  switch (id) {
    case 512:
      music_->previous();
      break;
    case 513:
      music_->play();
      break;
    case 514:
      music_->pause();
      break;
    case 515:
      music_->stop();
      break;
    case 516:
      music_->next();
      break;
    case 517:
      music_->openFiles(window_);
      break;
    default:
      break;
  }
}

void MusicPanel::advanceFrame(float dt) {
  const bool on = music_ && showButtons_;
  showAll(on);
  if (!on) return;
  StatusRecord status;
  music_->getStatus(status);
  if (Widget* w = find(kElapsedLineId)) {
    w->setCaption(format3("Elapsed %d:%d:%d", status.elapsedHours, status.elapsedMinutes, status.elapsedSecondsPart));
  }
  if (Widget* w = find(kTotalLineId)) {
    w->setCaption(format3("Total time %d:%d:%d", status.totalHours, status.totalMinutes, status.totalSecondsPart));
  }
  if (Widget* w = find(kNumberLineId)) {
    char number[48];
    std::snprintf(number, sizeof number, "Number %d of %d", status.trackNumber, status.trackCount);
    w->setCaption(number);
  }
  if (Widget* w = find(kTitleLineId)) w->setCaption(shownTitle(status.title));
  if (auto* bar = dynamic_cast<ProgressBar*>(find(kProgressBarId))) {
    // The whole seconds only: the bar moves once a second, like the elapsed time.
    const float whole = std::floor(std::max(status.elapsedSeconds, 0.0f));
    bar->setEnd(progressEnd(bar->width, whole, static_cast<float>(status.totalSeconds)));
  }
  if (Widget* w = find(kClockLineId)) w->setCaption(clockText(clock_()));
  const player::SubbandLevels& ring = player::subbandLevels();
  levels_.advance(ring, spectrumDelay(latencyHalfFrames.load(std::memory_order_relaxed), ring.granulesPerFrame()), dt);
}

}  // namespace skyloom
