#include <cstring>

#include "image_test_util.h"
#include "pack_test_util.h"
#include "platform/gfx/recording_device.h"
#include "resources/texture.h"
#include "resources/texture_registry.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

// Sets a recording device as the texture device for one test.
struct TextureDeviceScope {
  RecordingDevice device;
  TextureDeviceScope() { setTextureDevice(&device); }
  ~TextureDeviceScope() { setTextureDevice(nullptr); }
};

Image makeImage(int kind, std::uint32_t w, std::uint32_t h, std::vector<std::uint8_t> bytes) {
  Image image;
  image.kind = kind;
  image.width = w;
  image.height = h;
  image.pixels = std::make_unique<std::uint8_t[]>(bytes.size());
  std::memcpy(image.pixels.get(), bytes.data(), bytes.size());
  return image;
}

const RecordingTexture& rec(const std::unique_ptr<Texture>& t) { return *RecordingDevice::asRecording(t.get()); }

TEST(TextureFromImage, RgbPicturesAreOpaqueAndUprightInEachFormat) {
  TextureDeviceScope scope;
  const Image image = makeImage(kImageRgb, 2, 2, {0x12, 0x34, 0x56, 0xFF, 0x80, 0x01, 0, 0, 0, 9, 8, 7});
  std::unique_ptr<Texture> t;
  ASSERT_EQ(textureFromImage(image, t, 1, Format::A8R8G8B8, Pool::Default), kOk);
  EXPECT_EQ(rec(t).texel(0, 0, 0), 0xFF123456u);
  EXPECT_EQ(rec(t).texel(0, 1, 0), 0xFFFF8001u);
  EXPECT_EQ(rec(t).texel(0, 1, 1), 0xFF090807u);
  ASSERT_EQ(textureFromImage(image, t, 1, Format::A4R4G4B4, Pool::Default), kOk);
  EXPECT_EQ(rec(t).texel(0, 0, 0), 0xF135u);
  EXPECT_EQ(rec(t).texel(0, 1, 0), 0xFF80u);
  ASSERT_EQ(textureFromImage(image, t, 1, Format::R5G6B5, Pool::Default), kOk);
  EXPECT_EQ(rec(t).texel(0, 1, 0), (31u << 11) | (32u << 5) | 0u);
  EXPECT_EQ(rec(t).format(), Format::R5G6B5);
  EXPECT_EQ(rec(t).pool(), Pool::Default);
  EXPECT_EQ(textureFromImage(image, t, 1, Format::L8, Pool::Default), kInvalidArg);
  EXPECT_EQ(t, nullptr);
}

TEST(TextureFromImage, TgaLastStoredRowBecomesTextureRowZero) {
  TextureDeviceScope scope;
  // Stored bottom row first: the bottom row is (B, G, R, A) = 1, 2, 3, 4, the top row 0x50, 0x60, 0x70, 0x80.
  const Image image = makeImage(kImageBgra, 1, 2, {1, 2, 3, 4, 0x50, 0x60, 0x70, 0x80});
  std::unique_ptr<Texture> t;
  ASSERT_EQ(textureFromImage(image, t, 1, Format::A8R8G8B8, Pool::Default), kOk);
  EXPECT_EQ(rec(t).texel(0, 0, 0), 0x80706050u);
  EXPECT_EQ(rec(t).texel(0, 0, 1), 0x04030201u);
  ASSERT_EQ(textureFromImage(image, t, 1, Format::A4R4G4B4, Pool::Default), kOk);
  EXPECT_EQ(rec(t).texel(0, 0, 0), 0x8765u);
  EXPECT_EQ(rec(t).texel(0, 0, 1), 0x0000u);
}

TEST(TextureFromImage, PaletteBmpIsKeyedOnItsBottomLeftPixel) {
  ScratchDir dir;
  TextureDeviceScope scope;
  // 128 × 128, 8 bits: the colour index is (x + y) % 3; the bottom-left pixel (stored first) is
  // index 0, magenta.
  BmpShape s;
  s.width = 128;
  s.height = 128;
  s.bitsPerPixel = 8;
  s.palette = {0xFF00FF, 0x204060, 0xC0A080};
  s.colorsUsed = 3;
  for (int r = 0; r < 128; ++r) {
    for (int x = 0; x < 128; ++x) s.bits.push_back(static_cast<std::uint8_t>((x + r) % 3));
  }
  writeFile(dir.path() / "pack" / "clouds.bmp", asString(makeBmp(s)));

  std::unique_ptr<Texture> t;
  ASSERT_EQ(createTextureFromImage("pack\\clouds.bmp", t, 0, Format::A8R8G8B8, Pool::Default), kOk);
  const RecordingTexture& tex = rec(t);
  EXPECT_EQ(tex.format(), Format::A4R4G4B4);  // a colour key needs alpha, whatever was asked
  EXPECT_EQ(tex.levelCount(), 8u);
  const std::uint16_t colours[3] = {0x0F0F, 0xF246, 0xFCA8};
  for (std::uint32_t y = 0; y < 128; ++y) {
    for (std::uint32_t x = 0; x < 128; ++x) {
      const std::uint32_t stored = 127 - y;  // texture row 0 is the picture's top row
      ASSERT_EQ(tex.texel(0, x, y), colours[(x + stored) % 3]) << x << "," << y;
    }
  }
  // Level 1, top-left block: indices 1, 2 over 0 (keyed), 1. Coverage 45 / 4 = 11; the colour is
  // the mean of the three unkeyed texels, with no magenta from the key.
  EXPECT_EQ(tex.texel(1, 0, 0), 0xB566u);

  EXPECT_EQ(createTextureFromImage("pack\\missing.bmp", t, 1, Format::A8R8G8B8, Pool::Default), kFileNotFound);
  EXPECT_EQ(t, nullptr);
}

TEST(TextureFromImage, MipChainsReachTheDeviceAndOtherPoolsAreFilledInPlace) {
  TextureDeviceScope scope;
  const Image image = makeImage(kImageRgb, 2, 2, {0, 0, 0, 40, 0, 0, 80, 0, 0, 120, 0, 0});
  std::unique_ptr<Texture> t;
  ASSERT_EQ(textureFromImage(image, t, 0, Format::A8R8G8B8, Pool::Default), kOk);
  EXPECT_EQ(rec(t).levelCount(), 2u);
  EXPECT_EQ(rec(t).texel(1, 0, 0), 0xFF3C0000u);  // (0 + 40 + 80 + 120) / 4 = 60
  ASSERT_EQ(textureFromImage(image, t, 0, Format::A8R8G8B8, Pool::Managed), kOk);
  EXPECT_EQ(rec(t).pool(), Pool::Managed);
  EXPECT_EQ(rec(t).texel(1, 0, 0), 0xFF3C0000u);

  setTextureDevice(nullptr);
  EXPECT_TRUE(failed(textureFromImage(image, t, 1, Format::A8R8G8B8, Pool::Default)));
  EXPECT_EQ(t, nullptr);
}

TEST(AlphaTexture, WhiteWithAlphaFromTheFirstByte) {
  TextureDeviceScope scope;
  const Image image = makeImage(kImageRgb, 2, 1, {0x9C, 1, 2, 0x20, 3, 4});
  std::unique_ptr<Texture> t;
  ASSERT_EQ(alphaTextureFromImage(image, t, 1, Format::A4R4G4B4, false), kOk);
  EXPECT_EQ(rec(t).texel(0, 0, 0), 0x9FFFu);
  EXPECT_EQ(rec(t).texel(0, 1, 0), 0x2FFFu);
  ASSERT_EQ(alphaTextureFromImage(image, t, 1, Format::A4R4G4B4, true), kOk);
  EXPECT_EQ(rec(t).texel(0, 0, 0), 0x6FFFu);
  ASSERT_EQ(alphaTextureFromImage(image, t, 1, Format::A8R8G8B8, false), kOk);
  EXPECT_EQ(rec(t).texel(0, 0, 0), 0x9CFFFFFFu);
  ASSERT_EQ(alphaTextureFromImage(image, t, 1, Format::A8R8G8B8, true), kOk);
  EXPECT_EQ(rec(t).texel(0, 1, 0), 0xDFFFFFFFu);
  EXPECT_EQ(alphaTextureFromImage(image, t, 1, Format::R5G6B5, false), kInvalidArg);
  EXPECT_EQ(t, nullptr);
}

TEST(TextureRegistry, HoldsAThousandEntriesAndRebuildsThemInOrder) {
  ScratchDir dir;
  writeFile(dir.path() / "fog.tga", asString(makeTga(1, 1, {10, 20, 30, 40})));
  writeFile(dir.path() / "mask.tga", asString(makeTga(1, 1, {0xA0, 0, 0, 0})));
  TextureRegistry registry;
  TextureEntry* fog = registry.registerTexture("fog.tga", 1, Format::A8R8G8B8, 0);
  TextureEntry* mask = registry.registerTexture("mask.tga", 1, Format::A4R4G4B4, kTextureAlphaOnly);
  for (int i = 2; i < 1000; ++i) ASSERT_NE(registry.registerTexture("none.jpg", 1, Format::A8R8G8B8, 0), nullptr);
  EXPECT_EQ(registry.registerTexture("one-too-many.jpg", 1, Format::A8R8G8B8, 0), nullptr);
  EXPECT_EQ(registry.size(), 1000u);
  EXPECT_EQ(registry.entry(999).name, "none.jpg");

  RecordingDevice device;
  EXPECT_EQ(registry.restoreAll(&device), 2u);
  EXPECT_EQ(textureDevice(), &device);
  EXPECT_EQ(availableTextureMemory(), RecordingDeviceConfig{}.textureMemory);
  ASSERT_NE(fog->texture, nullptr);
  EXPECT_EQ(rec(fog->texture).texel(0, 0, 0), 0x281E140Au);
  ASSERT_NE(mask->texture, nullptr);
  EXPECT_EQ(rec(mask->texture).texel(0, 0, 0), 0xAFFFu);
  EXPECT_EQ(registry.entry(500).texture, nullptr);
  EXPECT_LT(RecordingDevice::textureId(fog->texture.get()), RecordingDevice::textureId(mask->texture.get()));

  registry.releaseAll();
  EXPECT_EQ(fog->texture, nullptr);
  EXPECT_EQ(mask->texture, nullptr);
  setTextureDevice(nullptr);
}

}  // namespace
}  // namespace skyloom
