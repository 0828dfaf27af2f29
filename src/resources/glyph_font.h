#pragma once
// Text from one glyph texture: every character 32-255 of a font is painted once per device
// restore into an A4R4G4B4 texture (white, coverage in alpha), and strings are drawn as one
// textured quad per character, either in screen pixels or as quads in the caller's own units.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "platform/gfx/render_device.h"
#include "resources/glyph_rasterizer.h"

namespace skyloom {

constexpr int kGlyphBatch = 100;  // characters per draw call

struct GlyphEntry {
  float tu1 = 0, tv1 = 0, tu2 = 0, tv2 = 0;
  std::uint16_t left = 0, top = 0, right = 0, bottom = 0;  // pixels in the planned texture
};

// flags of drawText: bit 2 selects point filtering for sampler 0; bits 16-23 the margin of the
// box behind the text in pixels, bits 24-31 the box's alpha.
constexpr std::uint32_t kTextPointFilter = 0x4;
constexpr std::uint32_t textBox(std::uint32_t margin, std::uint32_t alpha) { return alpha << 24 | (margin & 0xFF) << 16; }

class GlyphFont {
 public:
  GlyphFont(std::string face, int size, int weight, bool italic);

  // 0, or -1 when no font can be made (the font then draws nothing).
  int restore(RenderDevice& device);
  void invalidate();

  // Screen-space text at (x, y) pixels in colour (ARGB). kFail without a texture.
  HResult drawText(float x, float y, std::uint32_t colour, std::string_view text, std::uint32_t flags = 0);
  // Four vertices of six floats per character (position in 0-1, texture coordinates in 4-5, y
  // growing upward), characters height units high; count in: the most to write, out: written.
  void buildQuads(float x, float y, float height, float* out, std::string_view text, int& count) const;

  int size() const { return size_; }
  int textureWidth() const { return texWidth_; }
  int textureHeight() const { return texHeight_; }
  float scale() const { return scale_; }
  float lineHeight() const { return lineHeight_; }
  const GlyphEntry& glyph(unsigned char ch) const { return glyphs_[ch]; }
  const std::vector<std::uint16_t>& pixels() const { return pixels_; }
  Texture* texture() const { return texture_.get(); }

  // The process-wide font (the scene's large font), or null.
  static GlyphFont* current();
  static void setCurrent(GlyphFont* font);

 private:
  bool layOut(GlyphRasterizer& r);
  void convert(const std::uint8_t* canvas);
  HResult createTexture(RenderDevice& device);
  void drawBatch(const struct TextVertex* vertices, int characters);
  float charWidthPixels(unsigned char ch) const;
  float charHeightPixels(unsigned char ch) const;

  std::string face_;
  int size_, weight_;
  bool italic_;
  int texWidth_, texHeight_;  // as planned; the device texture may be smaller (see scale_)
  float scale_ = 1.0f;
  int cellHeight_ = 0;
  float lineHeight_ = 0;
  std::array<GlyphEntry, 256> glyphs_{};
  std::vector<std::uint16_t> pixels_;
  std::array<std::uint16_t, 6 * kGlyphBatch> indices_{};
  RenderDevice* device_ = nullptr;
  std::unique_ptr<Texture> texture_;
  int viewportWidth_ = 0, viewportHeight_ = 0;
};

}  // namespace skyloom
