// FreeType rasteriser for the native build: "Arial" and unknown faces use Liberation Sans, which
// has Arial's metrics, so layouts match what Windows produces closely.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <vector>

#include "resources/glyph_rasterizer.h"

namespace skyloom {
namespace {

constexpr const char* kFontDir = "/usr/share/fonts/truetype/liberation/";

// Windows-1252 codes 0x80-0x9F as Unicode; the rest of 32-255 is Latin-1 already.
constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned long unicodeOf(unsigned char ch) { return (ch >= 0x80 && ch < 0xA0) ? kCp1252High[ch - 0x80] : ch; }

class FreeTypeRasterizer final : public GlyphRasterizer {
 public:
  FreeTypeRasterizer() { ready_ = FT_Init_FreeType(&library_) == 0; }
  ~FreeTypeRasterizer() override {
    if (face_) FT_Done_Face(face_);
    if (ready_) FT_Done_FreeType(library_);
  }

  bool beginCanvas(int width, int height) override {
    width_ = width;
    height_ = height;
    canvas_.assign(static_cast<std::size_t>(width) * height * 4, 0);
    return width > 0 && height > 0;
  }
  int pixelsPerInch() const override { return 96; }

  bool selectFont(const std::string&, int pixelHeight, int weight, bool italic) override {
    if (!ready_ || pixelHeight <= 0) return false;
    if (face_) FT_Done_Face(face_);
    face_ = nullptr;
    std::string file = kFontDir;
    file += weight >= 600 ? (italic ? "LiberationSans-BoldItalic.ttf" : "LiberationSans-Bold.ttf")
                          : (italic ? "LiberationSans-Italic.ttf" : "LiberationSans-Regular.ttf");
    if (FT_New_Face(library_, file.c_str(), 0, &face_) != 0) {
      face_ = nullptr;
      return false;
    }
    if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelHeight)) != 0) return false;
    ascent_ = static_cast<int>((face_->size->metrics.ascender + 63) >> 6);
    cell_ = ascent_ + static_cast<int>((-face_->size->metrics.descender + 63) >> 6);
    return true;
  }

  int cellHeight() const override { return cell_; }

  int charWidth(unsigned char ch) const override {
    if (!face_ || FT_Load_Char(face_, unicodeOf(ch), FT_LOAD_DEFAULT) != 0) return 0;
    return static_cast<int>((face_->glyph->advance.x + 32) >> 6);
  }

  void paint(unsigned char ch, int x, int y) override {
    if (!face_ || FT_Load_Char(face_, unicodeOf(ch), FT_LOAD_RENDER) != 0) return;
    const FT_GlyphSlot g = face_->glyph;
    const FT_Bitmap& bm = g->bitmap;
    const int left = x + g->bitmap_left;
    const int top = y + ascent_ - g->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const int py = top + static_cast<int>(row);
      if (py < 0 || py >= height_) continue;
      for (unsigned col = 0; col < bm.width; ++col) {
        const int px = left + static_cast<int>(col);
        if (px < 0 || px >= width_) continue;
        const std::uint8_t v = bm.buffer[row * static_cast<unsigned>(bm.pitch) + col];
        std::uint8_t* p = &canvas_[(static_cast<std::size_t>(py) * width_ + px) * 4];
        p[0] = p[1] = p[2] = std::max(p[0], v);
      }
    }
  }

  const std::uint8_t* pixels() const override { return canvas_.data(); }

 private:
  bool ready_ = false;
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  int ascent_ = 0, cell_ = 0;
  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> canvas_;
};

}  // namespace

std::unique_ptr<GlyphRasterizer> createGlyphRasterizer() { return std::make_unique<FreeTypeRasterizer>(); }

}  // namespace skyloom
