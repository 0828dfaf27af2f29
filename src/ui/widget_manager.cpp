#include "ui/widget_manager.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/state_block.h"
#include "resources/glyph_font.h"
#include "resources/pack.h"
#include "resources/texture_registry.h"
#include "ui/colour_editor.h"
#include "ui/layout_record.h"
#include "ui/text_viewer.h"
#include "ui/window_messages.h"

namespace skyloom {

namespace {
constexpr int kAtlasCells = 4;
constexpr float kHelpFill = 0.92f;  // of the view's height, at most, for the help window at first

// The hidden status line a loaded layout brings along.
std::unique_ptr<Widget> makeStatusLine() {
  auto w = std::make_unique<Widget>();
  w->init(0, 7.5f, 1.0f, 0.001f, 100, 0xFF011121, 0xFF120921, 0xFFFFFFFF);
  w->colourBottom = 0xFF120921;
  w->id = kStatusLineId;
  w->depth = w->targetDepth = 200.0f;
  w->x = w->targetX = -3.75f;
  w->y = w->targetY = 0.5f;
  w->show(false);
  return w;
}
}  // namespace

WidgetManager::WidgetManager(GlyphFont& font, TextureRegistry* textures) : font_(font) {
  indexList_.reserve(6 * kIndexedQuads);
  for (int k = 0; k < kIndexedQuads; ++k) {
    const auto b = static_cast<std::uint16_t>(4 * k);
    for (int d : {0, 1, 2, 1, 2, 3}) indexList_.push_back(static_cast<std::uint16_t>(b + d));
  }
  if (textures) atlas_ = textures->registerTexture(kButtonAtlasName, 1, Format::A8R8G8B8, 0);
  // The help window comes first and stays hidden until F1.
  auto help = std::make_unique<TextViewer>();
  help->init(1, 25.0f, 25.0f, 0.001f, 50, 0x9090A0F0, 0xFFA0FFFF, 0xFFFFFFFF);
  help->id = kHelpWindowId;
  help->x = help->targetX = -12.5f;
  help->y = help->targetY = 12.5f;
  help->show(false);
  help->setFont(&font_);
  help_ = help.get();
  add(std::move(help));
}

WidgetManager::~WidgetManager() = default;

int WidgetManager::add(std::unique_ptr<Widget> widget) {
  if (!widget || count() >= kMaxWidgets) return -1;
  widget->setManager(this);
  order_.insert(order_.begin(), widget.get());
  widgets_.push_back(std::move(widget));
  // Indices into the stacking order moved down by one.
  if (captured_ >= 0) ++captured_;
  if (lastHit_ >= 0) ++lastHit_;
  return count() - 1;
}

void WidgetManager::remove(int id) {
  const Widget* capturedWidget =
      captured_ >= 0 && captured_ < static_cast<int>(order_.size()) ? order_[captured_] : nullptr;
  // The colour editor goes with the widget whose colours it edits.
  if (editor_ && editor_->owner() && editor_->owner()->id == id && id != kColourEditorId) remove(kColourEditorId);
  for (auto it = widgets_.begin(); it != widgets_.end();) {
    Widget* w = it->get();
    if (w->id != id) {
      ++it;
      continue;
    }
    order_.erase(std::find(order_.begin(), order_.end(), w));
    if (w == editor_) editor_ = nullptr;
    if (w == help_) help_ = nullptr;
    if (w == capturedWidget) capturedWidget = nullptr;
    it = widgets_.erase(it);
  }
  captured_ = capturedWidget ? stackIndex(capturedWidget) : -1;
  lastHit_ = -1;
}

Widget* WidgetManager::find(int id) const {
  for (const auto& w : widgets_) {
    if (w->id == id) return w.get();
  }
  return nullptr;
}

Widget* WidgetManager::widget(int index) const {
  return index >= 0 && index < count() ? widgets_[static_cast<std::size_t>(index)].get() : nullptr;
}

int WidgetManager::stackIndex(const Widget* w) const {
  const auto it = std::find(order_.begin(), order_.end(), w);
  return it == order_.end() ? -1 : static_cast<int>(it - order_.begin());
}

// To the top, or just under an open colour editor, which stays on top.
void WidgetManager::raise(int pos) {
  if (pos < 0 || pos >= static_cast<int>(order_.size())) return;
  Widget* w = order_[static_cast<std::size_t>(pos)];
  order_.erase(order_.begin() + pos);
  const bool underEditor = editor_ && w != editor_ && !order_.empty() && order_.front() == editor_;
  order_.insert(order_.begin() + (underEditor ? 1 : 0), w);
}

bool WidgetManager::onMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  if (!takesMouse_ || message < kWmFirstMouse || message > kWmLastMouse) return false;
  // The wheel's message carries the cursor in screen coordinates: it happens where the cursor was.
  int px = lastPixelX_, py = lastPixelY_;
  if (message != kWmMouseWheel) {
    px = messageX(lparam);
    py = messageY(lparam);
  }
  const int dx = px - lastPixelX_, dy = py - lastPixelY_;
  lastPixelX_ = px;
  lastPixelY_ = py;
  mouseX_ = pixelScale_ * (static_cast<float>(px) - centreX_);
  mouseY_ = pixelScale_ * (centreY_ - static_cast<float>(py));

  Widget* target = nullptr;
  if (captured_ >= 0 && captured_ < static_cast<int>(order_.size())) {
    target = order_[static_cast<std::size_t>(captured_)];
  } else {
    captured_ = -1;
    int hit = -1;
    for (std::size_t i = 0; i < order_.size(); ++i) {
      if (hit < 0 && order_[i]->hitTest(mouseX_, mouseY_)) {
        hit = static_cast<int>(i);
      } else {
        order_[i]->flags &= ~kWidgetHovered;
      }
    }
    if (hit < 0) {
      lastHit_ = -1;
      return false;
    }
    target = order_[static_cast<std::size_t>(hit)];
    raise(hit);
  }

  WidgetMouse m;
  m.message = message;
  m.localX = mouseX_ * target->depth - target->x;
  m.localY = target->y - mouseY_ * target->depth;
  m.moveX = static_cast<float>(dx) * pixelScale_ * target->depth;
  m.moveY = -static_cast<float>(dy) * pixelScale_ * target->depth;
  m.movePixels = static_cast<float>(dy);
  m.left = (wparam & kMkLButton) != 0;
  m.right = (wparam & kMkRButton) != 0;
  if (message == kWmMouseWheel) m.wheel = wheelDelta(wparam) / 120;
  const bool keep = target->onMouse(m);
  lastHit_ = stackIndex(target);
  captured_ = keep ? lastHit_ : -1;
  takeClosed();
  return true;
}

void WidgetManager::takeClosed() {
  std::vector<int> closing;
  for (const auto& w : widgets_) {
    if (w->closeRequested()) closing.push_back(w->id);
  }
  for (int id : closing) remove(id);
}

void WidgetManager::keepOnScreen(Widget& w) const { w.keepOnScreen(pixelScale_ * centreX_, pixelScale_ * centreY_); }

// The help window at first stands as deep as it must to be seen whole.
void WidgetManager::fitToView(Widget& w) const {
  const float halfHeight = pixelScale_ * centreY_, halfWidth = pixelScale_ * centreX_;
  if (halfHeight <= 0.0f || halfWidth <= 0.0f) return;
  const float fit = std::max(w.height / (2.0f * halfHeight * kHelpFill), w.width / (2.0f * halfWidth * kHelpFill));
  w.targetDepth = std::clamp(std::max(fit, kWidgetStartDepth), kNearestWidget, kFarthestWidget);
  w.x = w.targetX = -w.width * 0.5f;
  w.y = w.targetY = w.height * 0.5f;
}

HResult WidgetManager::restore(RenderDevice& device, float fieldOfView) {
  Viewport vp;
  if (succeeded(device.getViewport(vp)) && vp.width > 0 && vp.height > 0) {
    centreX_ = static_cast<float>(vp.width) * 0.5f;
    centreY_ = static_cast<float>(vp.height) * 0.5f;
  }
  pixelScale_ = std::tan(fieldOfView * 0.5f) / centreX_;
  if (!helpFilled_) fillHelp();
  // The font was made again: every text is laid out anew, and a smaller window keeps them in.
  for (const auto& w : widgets_) {
    w->invalidateLayout();
    if (w->id != kStatusLineId) keepOnScreen(*w);
  }
  return kOk;
}

void WidgetManager::fillHelp() {
  helpFilled_ = true;
  if (!help_) return;
  FileData file;
  const bool found = readProgramFile(kHelpFileName, file) != kPackNotFound && file.size > 0;
  help_->setCaption("Help");
  help_->setText(found ? file.view() : std::string_view("Help"), 0, true);
  if (!helpPlaced_) fitToView(*help_);
}

void WidgetManager::invalidate() {
  // The atlas belongs to the texture registry, which drops it with the others.
}

void WidgetManager::setIcon(int index, int column, int row) {
  if (Widget* w = widget(index)) {
    const float u = static_cast<float>(column) / kAtlasCells, v = static_cast<float>(row) / kAtlasCells;
    w->setIcon(u, v, u + 1.0f / kAtlasCells, v + 1.0f / kAtlasCells);
  }
}

void WidgetManager::help(int mode) {
  if (!help_) return;
  const bool show = mode == 2 ? !help_->visible() : mode == 1;
  help_->show(show);
  if (show) raise(stackIndex(help_));
}

void WidgetManager::openColourEditor(const std::vector<std::uint32_t*>& colours, Widget* owner) {
  remove(kColourEditorId);
  if (colours.empty()) return;
  auto editor = std::make_unique<ColourEditor>(colours, owner);
  ColourEditor* e = editor.get();
  // It opens where the click was, moved as far as it takes to be seen whole.
  e->depth = e->targetDepth;
  const float hw = pixelScale_ * centreX_ * e->depth, hh = pixelScale_ * centreY_ * e->depth;
  e->x = e->targetX = std::max(-hw, std::min(mouseX_ * e->depth, hw - e->width));
  e->y = e->targetY = std::min(hh, std::max(mouseY_ * e->depth, -hh + e->height));
  if (add(std::move(editor)) < 0) return;
  editor_ = e;
}

void WidgetManager::coloursChanged(Widget* owner) {
  if (owner) owner->invalidateLayout();
}

void WidgetManager::render(RenderDevice& device, float dt) {
  for (const auto& w : widgets_) w->animate(dt);
  Matrix view, inverseView;
  if (failed(device.getTransform(TransformState::View, view)) || !inverse(view, inverseView)) return;
  Matrix world;
  const bool hadWorld = succeeded(device.getTransform(TransformState::World, world));
  {
    StateBlock states(device);
    states.render(RenderState::ZEnable, ZBuffer::False)
        .render(RenderState::AlphaBlendEnable, 1)
        .render(RenderState::SrcBlend, Blend::SrcAlpha)
        .render(RenderState::DestBlend, Blend::InvSrcAlpha)
        .render(RenderState::FogEnable, 0)
        .render(RenderState::CullMode, Cull::None)
        .stage(0, TextureStageState::ColorArg1, TextureArg::Texture)
        .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse)
        .stage(0, TextureStageState::AlphaArg1, TextureArg::Texture)
        .stage(0, TextureStageState::AlphaArg2, TextureArg::Diffuse)
        .stage(0, TextureStageState::ColorOp, TextureOp::Modulate)
        .stage(0, TextureStageState::AlphaOp, TextureOp::Modulate)
        .sampler(0, SamplerState::MinFilter, TextureFilter::Linear)
        .sampler(0, SamplerState::MagFilter, TextureFilter::Linear)
        .sampler(0, SamplerState::MipFilter, TextureFilter::None);
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
      Widget& w = **it;
      if (!w.visible()) continue;
      if (w.layoutDirty()) w.layout(font_);
      drawWidget(device, w, inverseView);
    }
    device.setTexture(0, nullptr);
  }
  if (hadWorld) device.setTransform(TransformState::World, world);
}

void WidgetManager::drawWidget(RenderDevice& device, const Widget& w, const Matrix& inverseView) {
  const Matrix world = translation(w.x, w.y, w.depth) * inverseView;
  device.setTransform(TransformState::World, world);
  device.setFvf(kWidgetFvf);
  const WidgetQuads& q = w.quads();
  if (!q.layer(QuadLayer::Plain).empty()) {
    device.setTexture(0, nullptr);
    device.setTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg2);
    device.setTextureStageState(0, TextureStageState::AlphaOp, TextureOp::SelectArg2);
    drawLayer(device, q.layer(QuadLayer::Plain));
  }
  Texture* atlas = atlas_ ? atlas_->texture.get() : nullptr;
  device.setTextureStageState(0, TextureStageState::ColorOp, TextureOp::Modulate);
  device.setTextureStageState(0, TextureStageState::AlphaOp, TextureOp::Modulate);
  if (atlas && !q.layer(QuadLayer::Icon).empty()) {
    device.setTexture(0, atlas);
    drawLayer(device, q.layer(QuadLayer::Icon));
  }
  if (font_.texture() && !q.layer(QuadLayer::Text).empty()) {
    device.setTexture(0, font_.texture());
    drawLayer(device, q.layer(QuadLayer::Text));
  }
  w.drawOver(device, world);
}

void WidgetManager::drawLayer(RenderDevice& device, const std::vector<WidgetVertex>& v) {
  const std::size_t quads = v.size() / 4;
  for (std::size_t first = 0; first < quads; first += kIndexedQuads) {
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kIndexedQuads, quads - first));
    device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, 4 * n, 2 * n, indexList_.data(), Format::Index16,
                                  v.data() + 4 * first, sizeof(WidgetVertex));
  }
}

// ---- the layout record

void WidgetManager::save(Bytes& out) {
  remove(kColourEditorId);
  remove(kStatusLineId);
  RecordWriter w(out);
  const std::size_t start = w.size();
  w.u32(0);  // the total length, known at the end
  w.key(kLayoutKey);
  const std::size_t own = w.size();
  w.u32(kManagerStateBytes);
  w.i32(count());
  w.f32(centreX_);
  w.f32(centreY_);
  w.f32(pixelScale_);
  w.zeros(kManagerStateBytes - (w.size() - own));
  for (const auto& widget : widgets_) {
    const std::size_t at = beginEntry(w, widget->saveKey());
    widget->saveState(out);
    endEntry(w, at);
  }
  w.patch(start, static_cast<std::uint32_t>(w.size() - start));
}

bool WidgetManager::load(ByteSpan in) {
  RecordReader head(in);
  const std::uint32_t total = head.u32();
  if (head.failed() || total < 4 || total > in.size()) return false;
  RecordReader r(in.subspan(4, total - 4));
  if (r.key() != kLayoutKey || r.failed()) return false;
  const ByteSpan own = r.take(kManagerStateBytes);
  if (r.failed() || readLE32(own.data()) != kManagerStateBytes) return false;
  std::string_view key;
  ByteSpan state;
  while (r.remaining() > 0 && readEntry(r, key, state)) {
    if (state.size() < 4) continue;
    const auto id = static_cast<std::int32_t>(readLE32(state.data()));
    for (const auto& w : widgets_) {
      if (w->id != id || key != w->saveKey() || !w->loadState(state)) continue;
      if (w.get() == help_) helpPlaced_ = true;
    }
  }
  if (!find(kStatusLineId)) add(makeStatusLine());
  // The stacking order is not kept: a help window left open comes back on top, as F1 opens it.
  if (help_ && help_->visible()) help(1);
  return true;
}

}  // namespace skyloom
