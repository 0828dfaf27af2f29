#include "ui/colour_editor.h"

#include <algorithm>
#include <cmath>

#include "ui/widget_manager.h"
#include "ui/window_messages.h"

namespace skyloom {

namespace {
constexpr float kRowGap = 0.3f;
constexpr float kSliderGap = 0.08f;
constexpr float kKnobWidth = 0.25f;
constexpr float kTallestBlock = 3.0f;
}  // namespace

ColourEditor::ColourEditor(std::vector<std::uint32_t*> colours, Widget* owner)
    : colours_(std::move(colours)), owner_(owner) {
  init(1, 9.0f, 15.0f, 0.001f, static_cast<int>(colours_.size()) * 40 + 40, 0x9090A0F0, 0xFFA0FFFF, 0xFFFFFFFF);
  id = kColourEditorId;
  setTitle({TitleCell{"Change Color", kNoAction, 0.0f}, TitleCell{"Close", kClose, 2.6f}});
}

void ColourEditor::act(int action) {
  if (action == kClose) requestClose();
}

float ColourEditor::sliderLeft() const { return kMargin + 1.0f; }
float ColourEditor::sliderWidth() const { return width - sliderLeft() - kMargin - 0.3f; }

// The colours share the panel's height, each block no taller than kTallestBlock.
float ColourEditor::blockHeight() const {
  const float room = height - listTop() - kMargin;
  return std::clamp(room / static_cast<float>(std::max(1, colourCount())), 0.5f, kTallestBlock);
}

float ColourEditor::sliderHeight() const { return (blockHeight() - kRowGap) / 3.0f - kSliderGap; }

float ColourEditor::channel(int row, int ch) const {
  const std::uint32_t c = *colours_[static_cast<std::size_t>(row)];
  return static_cast<float>((c >> (16 - 8 * ch)) & 0xFF) / 255.0f;
}

void ColourEditor::setChannel(int row, int ch, float value) {
  if (row < 0 || row >= colourCount() || ch < 0 || ch > 2) return;
  const std::uint32_t v = static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
  const int shift = 16 - 8 * ch;
  std::uint32_t& c = *colours_[static_cast<std::size_t>(row)];
  c = (c & ~(0xFFu << shift)) | v << shift;
  invalidateLayout();
  if (manager_) manager_->coloursChanged(owner_);
}

// Each colour takes a block: a swatch at the left, three sliders stacked beside it.
int ColourEditor::sliderAt(float lx, float ly, float& along) const {
  const float block = blockHeight();
  const float top = listTop() + kRowGap * 0.5f;
  if (ly < top || lx < sliderLeft() - 0.2f || lx > sliderLeft() + sliderWidth() + 0.2f) return -1;
  const int row = static_cast<int>((ly - top) / block);
  if (row >= colourCount()) return -1;
  const float inBlock = ly - top - static_cast<float>(row) * block;
  const int ch = static_cast<int>(inBlock / (sliderHeight() + kSliderGap));
  if (ch > 2) return -1;
  along = std::clamp((lx - sliderLeft()) / sliderWidth(), 0.0f, 1.0f);
  return row * 3 + ch;
}

bool ColourEditor::onMouse(const WidgetMouse& m) {
  float along = 0.0f;
  switch (m.message) {
    case kWmLButtonDown: {
      const int s = sliderAt(m.localX, m.localY, along);
      if (s < 0) break;
      dragging_ = s;
      flags |= kWidgetLeftDown;
      setChannel(s / 3, s % 3, along);
      return true;
    }
    case kWmMouseMove:
      if (dragging_ < 0 || !m.left) break;
      setChannel(dragging_ / 3, dragging_ % 3, std::clamp((m.localX - sliderLeft()) / sliderWidth(), 0.0f, 1.0f));
      return true;
    case kWmLButtonUp:
      if (dragging_ < 0) break;
      dragging_ = -1;
      flags &= ~(kWidgetLeftDown | kWidgetMovedLeft);
      return (flags & kWidgetRightDown) != 0;
    case kWmRButtonUp:
      // The editor does not edit its own colours.
      flags &= ~(kWidgetRightDown | kWidgetMovedRight);
      return (flags & kWidgetLeftDown) != 0;
    default:
      break;
  }
  return CButtonList::onMouse(m);
}

void ColourEditor::layoutContent(const GlyphFont&, int&) {
  const float block = blockHeight(), sh = sliderHeight();
  const float swatch = 3 * sh + 2 * kSliderGap;
  float top = -(listTop() + kRowGap * 0.5f);
  for (int row = 0; row < colourCount(); ++row, top -= block) {
    const std::uint32_t c = *colours_[static_cast<std::size_t>(row)] | 0xFF000000u;
    quads_.rect(kMargin + 0.1f, top, 0.7f, swatch, c);
    quads_.frame(kMargin + 0.1f, top, 0.7f, swatch, 0.03f, colourFrame);
    for (int ch = 0; ch < 3; ++ch) {
      const float y = top - static_cast<float>(ch) * (sh + kSliderGap);
      const std::uint32_t shade = kChannelColours[ch];
      quads_.rect(QuadLayer::Plain, sliderLeft(), y - sh * 0.35f, sliderWidth(), sh * 0.3f, shade & 0x60FFFFFF, shade);
      const float knob = sliderLeft() + channel(row, ch) * sliderWidth() - kKnobWidth * 0.5f;
      quads_.rect(knob, y, kKnobWidth, sh, shade);
      quads_.frame(knob, y, kKnobWidth, sh, 0.03f, 0xFFFFFFFF);
    }
  }
}

}  // namespace skyloom
