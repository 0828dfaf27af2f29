#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/recording_device.h"
#include "resources/glyph_font.h"

namespace skyloom {
namespace {

TEST(GlyphFont, TextureSizeFollowsTheFontSizeAndLargeFacesShrink) {
  RecordingDevice device;
  GlyphFont large("Arial", 24, 700, false);
  ASSERT_EQ(large.restore(device), 0);
  EXPECT_EQ(large.textureWidth(), 512);
  EXPECT_EQ(large.size(), 24);
  ASSERT_NE(large.texture(), nullptr);

  GlyphFont huge("Arial", 48, 700, false);
  ASSERT_EQ(huge.restore(device), 0);
  EXPECT_EQ(huge.textureWidth(), 1024);
  EXPECT_EQ(huge.textureHeight(), 1024);

  // 40 points still plans 512 pixels, where 224 bold glyphs do not fit: built smaller.
  GlyphFont tight("Arial", 40, 700, false);
  ASSERT_EQ(tight.restore(device), 0);
  EXPECT_EQ(tight.textureWidth(), 512);
  EXPECT_LT(tight.size(), 40);
  EXPECT_GT(tight.size(), 20);
  EXPECT_LE(tight.glyph(255).bottom, 512);

  // Every glyph has its own cell; 'i' keeps an extra pixel from its right neighbour.
  const GlyphEntry& i = large.glyph('i');
  const GlyphEntry& j = large.glyph('j');
  if (j.top == i.top) {
    EXPECT_EQ(j.left, i.right + 2);
  }
  EXPECT_FLOAT_EQ(large.lineHeight(), static_cast<float>(large.glyph('A').bottom - large.glyph('A').top) / 512);
  // Coverage lands in alpha; colour is always white.
  bool anyInk = false;
  for (std::uint16_t t : large.pixels()) {
    ASSERT_EQ(t & 0x0FFF, 0x0FFF);
    anyInk |= (t >> 12) == 0xF;
  }
  EXPECT_TRUE(anyInk);
}

TEST(GlyphFont, BoxReachesTheMarginBeyondTheTextBehindAllCharacters) {
  RecordingDevice device;
  GlyphFont font("Arial", 24, 700, false);
  ASSERT_EQ(font.restore(device), 0);
  device.beginScene();
  ASSERT_EQ(font.drawText(10, 20, 0xFFFFFF00, "Hi", 0x80040000), kOk);
  device.endScene();
  ASSERT_EQ(device.draws().size(), 2u);
  const RecordedDraw& box = device.draws()[0];
  EXPECT_EQ(box.state.textures[0], 0u);  // drawn untextured
  EXPECT_EQ(box.dwordAt(0, 16), 0x80000000u);
  const float height = (font.glyph(' ').tv2 - font.glyph(' ').tv1) * 512;
  EXPECT_FLOAT_EQ(box.floatAt(0, 4), 20 - 4 - 0.5f);
  EXPECT_FLOAT_EQ(box.floatAt(3, 4), 20 + height + 4 - 0.5f);
  const float width = (font.glyph('H').tu2 - font.glyph('H').tu1 + font.glyph('i').tu2 - font.glyph('i').tu1) * 512;
  EXPECT_NEAR(box.floatAt(3, 0), 10 + width - 0.5f, 1e-3);
  const RecordedDraw& text = device.draws()[1];
  EXPECT_EQ(text.state.textures[0], RecordingDevice::textureId(font.texture()));
  EXPECT_EQ(text.primitiveCount, 4u);
  EXPECT_EQ(text.stride, 28u);
  EXPECT_EQ(text.dwordAt(0, 16), 0xFFFFFF00u);
}

TEST(GlyphFont, LongStringsAreDrawnInBatchesWithoutGaps) {
  RecordingDevice device;
  GlyphFont font("Arial", 24, 700, false);
  ASSERT_EQ(font.restore(device), 0);
  std::string text;
  for (int k = 0; k < 250; ++k) text += static_cast<char>('a' + k % 26);
  device.beginScene();
  ASSERT_EQ(font.drawText(0, 0, 0xFFFFFFFF, text, kTextPointFilter), kOk);
  device.endScene();
  ASSERT_EQ(device.draws().size(), 3u);
  EXPECT_EQ(device.draws()[0].primitiveCount, 200u);
  EXPECT_EQ(device.draws()[2].primitiveCount, 100u);
  // The first character of each batch starts where the last of the previous one ended.
  for (int b = 1; b < 3; ++b) {
    EXPECT_FLOAT_EQ(device.draws()[b].floatAt(0, 0), device.draws()[b - 1].floatAt(4 * 99 + 1, 0));
  }
  EXPECT_EQ(device.draws()[0].state.samplerState(0, SamplerState::MagFilter), TextureFilter::Point);
  EXPECT_EQ(device.draws()[0].state.renderState(RenderState::FogEnable), 0u);
}

TEST(GlyphFont, QuadsInTheCallersUnitsAndASmallDevice) {
  RecordingDeviceConfig config;
  config.caps.maxTextureWidth = config.caps.maxTextureHeight = 256;
  RecordingDevice device(config);
  GlyphFont font("Arial", 24, 700, false);
  ASSERT_EQ(font.restore(device), 0);
  EXPECT_FLOAT_EQ(font.scale(), 0.5f);
  SurfaceDesc desc;
  font.texture()->getLevelDesc(0, desc);
  EXPECT_EQ(desc.width, 256u);

  float quads[6 * 4 * 3] = {};
  int count = 2;
  font.buildQuads(1.0f, 5.0f, 2.0f, quads, "AB?", count);
  EXPECT_EQ(count, 2);
  const GlyphEntry& a = font.glyph('A');
  const float k = 2.0f / font.lineHeight();
  EXPECT_FLOAT_EQ(quads[0], 1.0f);
  EXPECT_FLOAT_EQ(quads[6 + 1], 5.0f - k * (a.tv2 - a.tv1));  // y grows upward: the bottom
  EXPECT_FLOAT_EQ(quads[24], 1.0f + k * (a.tu2 - a.tu1));     // B starts where A ends
  EXPECT_FLOAT_EQ(quads[4], a.tu1);

  GlyphFont none("Arial", 24, 700, false);
  EXPECT_EQ(none.drawText(0, 0, 0, "x"), kFail);  // never restored: nothing to draw with
}

}  // namespace
}  // namespace skyloom
