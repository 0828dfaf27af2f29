#include "ui/widget.h"

#include <algorithm>
#include <cmath>

#include "resources/glyph_font.h"
#include "ui/layout_record.h"
#include "ui/widget_manager.h"
#include "ui/window_messages.h"

namespace skyloom {

namespace {
constexpr float kSnap = 0.0001f;
constexpr float kLoadedStartDepth = 100.0f;  // a loaded widget glides in from here
constexpr float kTextUnits = 500.0f;         // text height = textScale × this
constexpr float kFrameThickness = 0.06f;
constexpr float kShadowOffset = 0.2f;  // × height, to the right and down
constexpr float kShadowBehind = 0.1f;

float approach(float value, float target, float step) {
  const float v = value + (target - value) * step;
  return std::fabs(target - v) < kSnap ? target : v;
}
}  // namespace

std::uint32_t darker(std::uint32_t c) { return (c & 0xFF000000u) | ((c >> 1) & 0x007F7F7Fu); }

void WidgetQuads::clear() {
  for (auto& l : layers_) l.clear();
}

std::size_t WidgetQuads::quadCount() const {
  std::size_t n = 0;
  for (const auto& l : layers_) n += l.size() / 4;
  return n;
}

void WidgetQuads::rect(QuadLayer layer, float x, float y, float w, float h, std::uint32_t top, std::uint32_t bottom,
                       float z) {
  auto& v = layers_[static_cast<int>(layer)];
  v.push_back({x, y, z, top, 0.0f, 0.0f});
  v.push_back({x, y - h, z, bottom, 0.0f, 1.0f});
  v.push_back({x + w, y, z, top, 1.0f, 0.0f});
  v.push_back({x + w, y - h, z, bottom, 1.0f, 1.0f});
}

void WidgetQuads::frame(float x, float y, float w, float h, float t, std::uint32_t colour) {
  rect(x, y, w, t, colour);
  rect(x, y - h + t, w, t, colour);
  rect(x, y - t, t, h - 2 * t, colour);
  rect(x + w - t, y - t, t, h - 2 * t, colour);
}

void WidgetQuads::icon(float x, float y, float w, float h, float u0, float v0, float u1, float v1,
                       std::uint32_t colour) {
  auto& v = layers_[static_cast<int>(QuadLayer::Icon)];
  v.push_back({x, y, 0.0f, colour, u0, v0});
  v.push_back({x, y - h, 0.0f, colour, u0, v1});
  v.push_back({x + w, y, 0.0f, colour, u1, v0});
  v.push_back({x + w, y - h, 0.0f, colour, u1, v1});
}

float WidgetQuads::text(const GlyphFont& font, float x, float y, float height, std::string_view s, std::uint32_t colour,
                        float maxRight, int& room) {
  if (font.lineHeight() <= 0.0f) return x;
  const float k = height / font.lineHeight();
  // Only what fits: characters past maxRight or the capacity are left out.
  std::size_t n = 0;
  float right = x;
  for (unsigned char ch : s) {
    if (static_cast<int>(n) >= room) break;
    const GlyphEntry& g = font.glyph(ch);
    const float w = k * (g.tu2 - g.tu1);
    if (right + w > maxRight) break;
    right += w;
    ++n;
  }
  if (n == 0) return x;
  auto& v = layers_[static_cast<int>(QuadLayer::Text)];
  const std::size_t first = v.size();
  v.resize(first + 4 * n);
  int count = static_cast<int>(n);
  font.buildQuads(x, y, height, reinterpret_cast<float*>(v.data() + first), s.substr(0, n), count);
  for (std::size_t i = first; i < v.size(); ++i) {
    v[i].z = 0.0f;
    v[i].colour = colour;
  }
  room -= count;
  return right;
}

float textWidth(const GlyphFont& font, std::string_view s, float height) {
  if (font.lineHeight() <= 0.0f) return 0.0f;
  float w = 0.0f;
  for (unsigned char ch : s) w += font.glyph(ch).tu2 - font.glyph(ch).tu1;
  return w * height / font.lineHeight();
}

Widget::Widget() = default;
Widget::~Widget() = default;

void Widget::init(int k, float w, float h, float scale, int cap, std::uint32_t top, std::uint32_t text,
                  std::uint32_t frameColour) {
  kind = k;
  width = w;
  height = h;
  textScale = scale;
  capacity = cap;
  colourTop = top;
  colourBottom = darker(top);
  colourText = text;
  colourFrame = frameColour;
  dirty_ = true;
}

float Widget::textHeight() const { return textScale * kTextUnits; }

void Widget::setCaption(std::string_view caption) {
  if (caption == caption_) return;
  caption_.assign(caption);
  dirty_ = true;
}

void Widget::setIcon(float u0, float v0, float u1, float v1) {
  iconRect_ = {u0, v0, u1, v1};
  dirty_ = true;
}

void Widget::show(bool on) { flags = on ? flags | kWidgetVisible : flags & ~kWidgetVisible; }

bool Widget::hitTest(float mouseX, float mouseY) {
  const bool usable = (flags & (kWidgetVisible | kWidgetTakesMouse)) == (kWidgetVisible | kWidgetTakesMouse);
  const float px = mouseX * depth, py = mouseY * depth;
  const bool inside = usable && x < px && px < x + width && y - height < py && py < y;
  flags = inside ? flags | kWidgetHovered : flags & ~kWidgetHovered;
  return inside;
}

void Widget::moveBy(float dx, float dy) {
  x += dx;
  targetX += dx;
  y += dy;
  targetY += dy;
  if (manager_) manager_->keepOnScreen(*this);
  animating = 1;
}

// At least a corner stays reachable: the widget may hang out of the view by all but a tenth of
// its size, never more.
void Widget::keepOnScreen(float halfWidth, float halfHeight) {
  const float hw = halfWidth * targetDepth, hh = halfHeight * targetDepth;
  const float keepX = std::min(width * 0.1f, hw), keepY = std::min(height * 0.1f, hh);
  const float minX = -hw - width + keepX, maxX = hw - keepX;
  const float minY = -hh + keepY, maxY = hh + height - keepY;
  const float nx = std::clamp(x, minX, maxX), ny = std::clamp(y, minY, maxY);
  targetX += nx - x;
  targetY += ny - y;
  x = nx;
  y = ny;
}

void Widget::animate(float dt) {
  if (!animating) return;
  const float step = std::clamp(3.0f * dt, 0.0f, 1.0f);
  x = approach(x, targetX, step);
  y = approach(y, targetY, step);
  depth = approach(depth, targetDepth, 0.3f);
  if (x == targetX && y == targetY && depth == targetDepth) animating = 0;
}

bool Widget::onMouse(const WidgetMouse& m) {
  switch (m.message) {
    case kWmLButtonDown:
      flags |= kWidgetLeftDown;
      return true;
    case kWmLButtonUp:
      // A click switches the alternate display; letting go after a drag does not.
      if ((flags & kWidgetMovedLeft) == 0) {
        flags ^= kWidgetAlternate;
        dirty_ = true;
      }
      flags &= ~(kWidgetLeftDown | kWidgetMovedLeft);
      return (flags & kWidgetRightDown) != 0;
    case kWmRButtonDown:
      flags |= kWidgetRightDown;
      return true;
    case kWmRButtonUp:
      if ((flags & (kWidgetMovedLeft | kWidgetMovedRight)) == 0 && manager_) {
        const auto colours = coloursAt(m.localX, m.localY);
        manager_->openColourEditor(colours, this);
      }
      flags &= ~(kWidgetRightDown | kWidgetMovedRight);
      return (flags & kWidgetLeftDown) != 0;
    case kWmMouseMove:
      if (m.left && m.right) {
        flags |= kWidgetMovedLeft | kWidgetMovedRight;
        depth = std::clamp(depth - 0.01f * m.movePixels, kNearestWidget, kFarthestWidget);
        targetDepth = depth;
        if (manager_) manager_->keepOnScreen(*this);
      } else if (m.left || m.right) {
        flags |= m.left ? kWidgetMovedLeft : kWidgetMovedRight;
        moveBy(m.moveX, m.moveY);
      }
      return m.left || m.right;
    default:
      return false;
  }
}

std::vector<std::uint32_t*> Widget::coloursAt(float, float) {
  return {&colourTop, &colourBottom, &colourText, &colourFrame};
}

void Widget::layoutPanel() {
  quads_.clear();
  const float off = kShadowOffset * std::min(height, 1.0f);
  quads_.rect(QuadLayer::Plain, off, -off, width, height, kShadowColour, kShadowColour, kShadowBehind);
  quads_.rect(QuadLayer::Plain, 0.0f, 0.0f, width, height, colourTop, colourBottom);
  quads_.frame(0.0f, 0.0f, width, height, kFrameThickness, colourFrame);
}

void Widget::layout(const GlyphFont& font) {
  layoutPanel();
  int room = capacity;
  const float h = std::min(textHeight(), height * 0.8f);
  float left = 0.2f;
  if (hasIcon()) {
    // The icon stands centred on a button without a caption, at the left before one.
    const float side = height - 0.12f;
    const float iconX = caption_.empty() ? (width - side) * 0.5f : 0.06f;
    quads_.icon(iconX, -0.06f, side, side, iconRect_[0], iconRect_[1], iconRect_[2], iconRect_[3], 0xFFFFFFFF);
    left = iconX + side + 0.15f;
  }
  quads_.text(font, left, -(height - h) * 0.5f, h, caption_, colourText, width - 0.1f, room);
  dirty_ = false;
}

// The state: id, flags, position and target, depth and target depth, size, text scale, the
// four colours, kind and capacity; the rest of the 108 bytes is zero.
void Widget::saveState(Bytes& out) const {
  RecordWriter w(out);
  const std::size_t start = w.size();
  w.i32(id);
  w.u32(flags);
  for (float f : {x, y, targetX, targetY, depth, targetDepth, width, height, textScale}) w.f32(f);
  for (std::uint32_t c : {colourTop, colourBottom, colourText, colourFrame}) w.u32(c);
  w.i32(kind);
  w.i32(capacity);
  w.zeros(kStateBytes - (w.size() - start));
}

bool Widget::loadState(ByteSpan in) {
  if (in.size() < kStateBytes) return false;
  RecordReader r(in);
  r.i32();  // the id the entry was matched by
  const std::uint32_t savedFlags = r.u32();
  float f[9];
  for (float& v : f) v = r.f32();
  std::uint32_t c[4];
  for (auto& v : c) v = r.u32();
  // A damaged number would put the widget nowhere: such a state is not taken.
  for (float v : f) {
    if (!std::isfinite(v) || std::fabs(v) > 1e5f) return false;
  }
  if (f[6] <= 0.0f || f[7] <= 0.0f) return false;
  // Position and target are the same place: the widget glides in only in depth.
  x = f[2];
  y = f[3];
  targetX = f[2];
  targetY = f[3];
  targetDepth = std::clamp(f[5], kNearestWidget, kFarthestWidget);
  width = f[6];
  height = f[7];
  colourTop = c[0];
  colourBottom = c[1];
  colourText = c[2];
  colourFrame = c[3];
  // Only the lasting flags: the buttons and the cursor were where they were when it was saved.
  constexpr std::uint32_t kLasting = kWidgetVisible | kWidgetTakesMouse | kWidgetAlternate;
  flags = (flags & ~kLasting) | (savedFlags & kLasting);
  depth = kLoadedStartDepth;
  animating = 1;
  dirty_ = true;
  return true;
}

}  // namespace skyloom
