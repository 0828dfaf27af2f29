#include "resources/glyph_font.h"

#include <algorithm>
#include <cstring>

#include "platform/gfx/state_block.h"

namespace skyloom {
namespace {

constexpr int kFirstChar = 32;
constexpr int kLastChar = 255;
constexpr int kLargeFontSize = 40;  // above this the glyphs need a 1024-pixel texture
constexpr std::uint32_t kTextFvf = Fvf::XyzRhw | Fvf::Diffuse | Fvf::Tex1;

GlyphFont* gCurrent = nullptr;

}  // namespace

struct TextVertex {
  float x, y, z, rhw;
  std::uint32_t colour;
  float u, v;
};
static_assert(sizeof(TextVertex) == 28);

GlyphFont* GlyphFont::current() { return gCurrent; }
void GlyphFont::setCurrent(GlyphFont* font) { gCurrent = font; }

GlyphFont::GlyphFont(std::string face, int size, int weight, bool italic)
    : face_(std::move(face)), size_(size), weight_(weight), italic_(italic) {
  texWidth_ = texHeight_ = size > kLargeFontSize ? 1024 : 512;
  pixels_.assign(static_cast<std::size_t>(texWidth_) * texHeight_, 0);
  for (int k = 0; k < kGlyphBatch; ++k) {
    const auto base = static_cast<std::uint16_t>(4 * k);
    const std::uint16_t quad[6] = {base, static_cast<std::uint16_t>(base + 1), static_cast<std::uint16_t>(base + 3),
                                   base, static_cast<std::uint16_t>(base + 3), static_cast<std::uint16_t>(base + 2)};
    std::copy(quad, quad + 6, indices_.begin() + 6 * k);
  }
}

// Places characters 32-255 left to right in rows one pixel apart, lowering the size until they
// all fit the texture. Answers false when no font can be made at any size.
bool GlyphFont::layOut(GlyphRasterizer& r) {
  for (; size_ > 0; --size_) {
    const int pixelHeight = (size_ * r.pixelsPerInch() + 36) / 72;  // MulDiv rounding
    if (!r.selectFont(face_, pixelHeight, weight_, italic_)) return false;
    cellHeight_ = r.cellHeight();
    int x = 0, y = 0;
    bool fits = true;
    for (int ch = kFirstChar; ch <= kLastChar && fits; ++ch) {
      const int w = r.charWidth(static_cast<unsigned char>(ch));
      if (x + w + 1 > texWidth_) {
        x = 0;
        y += cellHeight_ + 1;
      }
      fits = y + cellHeight_ <= texHeight_;
      GlyphEntry& g = glyphs_[ch];
      g.left = static_cast<std::uint16_t>(x);
      g.top = static_cast<std::uint16_t>(y);
      g.right = static_cast<std::uint16_t>(x + w);
      g.bottom = static_cast<std::uint16_t>(y + cellHeight_);
      g.tu1 = static_cast<float>(x) / texWidth_;
      g.tv1 = static_cast<float>(y) / texHeight_;
      g.tu2 = static_cast<float>(x + w) / texWidth_;
      g.tv2 = static_cast<float>(y + cellHeight_) / texHeight_;
      x += w + 1 + (ch == 'i' ? 1 : 0);
    }
    if (fits) return true;
  }
  return false;
}

// White texels whose alpha is the top four bits of the painted coverage.
void GlyphFont::convert(const std::uint8_t* canvas) {
  for (std::size_t i = 0; i < pixels_.size(); ++i) {
    const std::uint16_t a = canvas[i * 4] >> 4;  // the blue byte
    pixels_[i] = static_cast<std::uint16_t>(a << 12 | 0x0FFF);
  }
}

int GlyphFont::restore(RenderDevice& device) {
  invalidate();
  device_ = &device;
  auto r = createGlyphRasterizer();
  if (!r->beginCanvas(texWidth_, texHeight_) || !layOut(*r)) return -1;
  for (int ch = kFirstChar; ch <= kLastChar; ++ch) r->paint(static_cast<unsigned char>(ch), glyphs_[ch].left, glyphs_[ch].top);
  convert(r->pixels());
  lineHeight_ = static_cast<float>(cellHeight_) / texHeight_;
  createTexture(device);
  Viewport vp;
  if (succeeded(device.getViewport(vp))) {
    viewportWidth_ = static_cast<int>(vp.width);
    viewportHeight_ = static_cast<int>(vp.height);
  }
  return 0;
}

// The device texture, shrunk by box filtering when the device cannot hold the planned size.
// Texture coordinates are fractions, so they stay valid; scale_ keeps the drawn size.
HResult GlyphFont::createTexture(RenderDevice& device) {
  DeviceCaps caps;
  device.getDeviceCaps(caps);
  int width = texWidth_, height = texHeight_, shrink = 1;
  scale_ = 1.0f;
  if (caps.maxTextureWidth && static_cast<int>(caps.maxTextureWidth) < texWidth_) {
    width = height = static_cast<int>(caps.maxTextureWidth);
    scale_ = static_cast<float>(width) / texWidth_;
    shrink = texWidth_ / std::max(1, width);
  }
  std::unique_ptr<Texture> staging, target;
  HResult hr = device.createTexture(width, height, 1, Usage::None, Format::A4R4G4B4, Pool::SystemMem, staging);
  if (failed(hr)) return hr;
  LockedRect locked;
  if (failed(hr = staging->lockRect(0, locked, nullptr, 0))) return hr;
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(locked.bits) + y * locked.pitch);
    for (int x = 0; x < width; ++x) {
      int alpha = 0;
      for (int sy = 0; sy < shrink; ++sy)
        for (int sx = 0; sx < shrink; ++sx)
          alpha += pixels_[static_cast<std::size_t>(y * shrink + sy) * texWidth_ + x * shrink + sx] >> 12;
      row[x] = static_cast<std::uint16_t>((alpha / (shrink * shrink)) << 12 | 0x0FFF);
    }
  }
  staging->unlockRect(0);
  if (failed(hr = device.createTexture(width, height, 1, Usage::None, Format::A4R4G4B4, Pool::Default, target))) return hr;
  if (failed(hr = device.updateTexture(staging.get(), target.get()))) return hr;
  texture_ = std::move(target);
  return kOk;
}

void GlyphFont::invalidate() {
  texture_.reset();
  device_ = nullptr;  // the device may go next; restore names the one to draw on
}

float GlyphFont::charWidthPixels(unsigned char ch) const {
  return (glyphs_[ch].tu2 - glyphs_[ch].tu1) * (texWidth_ * scale_) / scale_;
}

float GlyphFont::charHeightPixels(unsigned char ch) const {
  return (glyphs_[ch].tv2 - glyphs_[ch].tv1) * (texHeight_ * scale_) / scale_;
}

void GlyphFont::drawBatch(const TextVertex* vertices, int characters) {
  if (characters <= 0) return;
  device_->drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, static_cast<std::uint32_t>(4 * characters),
                                  static_cast<std::uint32_t>(2 * characters), indices_.data(), Format::Index16,
                                  vertices, sizeof(TextVertex));
}

// The box behind the text is drawn before any character, so that no batch of a long string
// ends up beneath it.
HResult GlyphFont::drawText(float x, float y, std::uint32_t colour, std::string_view text, std::uint32_t flags) {
  if (!texture_ || !device_) return kFail;
  RenderDevice& d = *device_;
  // The caller's blending and alpha states apply; the font's own changes are put back.
  StateBlock states(d);
  states.render(RenderState::FogEnable, 0)
      .stage(0, TextureStageState::ColorArg1, TextureArg::Texture)
      .stage(0, TextureStageState::ColorArg2, TextureArg::Current)
      .stage(0, TextureStageState::ColorOp, TextureOp::Modulate);
  if (flags & kTextPointFilter) {
    // Screen text maps texels to pixels one to one: point sampling keeps the glyphs crisp, and
    // the texture has a single level.
    states.sampler(0, SamplerState::MinFilter, TextureFilter::Point)
        .sampler(0, SamplerState::MagFilter, TextureFilter::Point)
        .sampler(0, SamplerState::MipFilter, TextureFilter::None);
  }
  d.setFvf(kTextFvf);

  const float startX = x;
  const float lineStep = charHeightPixels(' ');
  if (flags >> 16) {
    float right = x, top = y, bottom = y + lineStep, lineX = x;
    for (unsigned char ch : text) {
      if (ch == '\n') {
        lineX = startX;
        bottom += lineStep;
        continue;
      }
      lineX += charWidthPixels(ch);
      right = std::max(right, lineX);
    }
    const float margin = static_cast<float>((flags >> 16) & 0xFF);
    const std::uint32_t boxColour = (flags >> 24) << 24;
    const TextVertex box[4] = {{startX - 0.5f, top - margin - 0.5f, 0.9f, 1.0f, boxColour, 0, 0},
                               {right - 0.5f, top - margin - 0.5f, 0.9f, 1.0f, boxColour, 0, 0},
                               {startX - 0.5f, bottom + margin - 0.5f, 0.9f, 1.0f, boxColour, 0, 0},
                               {right - 0.5f, bottom + margin - 0.5f, 0.9f, 1.0f, boxColour, 0, 0}};
    d.setTexture(0, nullptr);
    drawBatch(box, 1);
  }
  d.setTexture(0, texture_.get());

  TextVertex batch[4 * kGlyphBatch];
  int n = 0;
  for (unsigned char ch : text) {
    if (ch == '\n') {
      x = startX;
      y += lineStep;
      continue;
    }
    const GlyphEntry& g = glyphs_[ch];
    const float w = charWidthPixels(ch), h = charHeightPixels(ch);
    TextVertex* v = batch + 4 * n;
    v[0] = {x - 0.5f, y - 0.5f, 0.9f, 1.0f, colour, g.tu1, g.tv1};
    v[1] = {x + w - 0.5f, y - 0.5f, 0.9f, 1.0f, colour, g.tu2, g.tv1};
    v[2] = {x - 0.5f, y + h - 0.5f, 0.9f, 1.0f, colour, g.tu1, g.tv2};
    v[3] = {x + w - 0.5f, y + h - 0.5f, 0.9f, 1.0f, colour, g.tu2, g.tv2};
    x += w;
    if (++n == kGlyphBatch) {
      drawBatch(batch, n);
      n = 0;
    }
  }
  drawBatch(batch, n);
  d.setTexture(0, nullptr);
  return kOk;
}

void GlyphFont::buildQuads(float x, float y, float height, float* out, std::string_view text, int& count) const {
  const float k = lineHeight_ > 0 ? height / lineHeight_ : 0.0f;
  int written = 0;
  for (unsigned char ch : text) {
    if (written >= count) break;
    const GlyphEntry& g = glyphs_[ch];
    const float w = k * (g.tu2 - g.tu1), h = k * (g.tv2 - g.tv1);
    const float quad[4][4] = {{x, y, g.tu1, g.tv1}, {x, y - h, g.tu1, g.tv2}, {x + w, y, g.tu2, g.tv1}, {x + w, y - h, g.tu2, g.tv2}};
    for (const auto& q : quad) {
      out[0] = q[0];
      out[1] = q[1];
      out[4] = q[2];
      out[5] = q[3];
      out += 6;
    }
    x += w;
    ++written;
  }
  count = written;
}

}  // namespace skyloom
