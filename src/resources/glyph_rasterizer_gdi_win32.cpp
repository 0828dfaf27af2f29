// GDI rasteriser: a memory DC with a 32-bit top-down DIB section, antialiased text.
#include <windows.h>

#include <algorithm>

#include "resources/glyph_rasterizer.h"

namespace skyloom {
namespace {

class GdiRasterizer final : public GlyphRasterizer {
 public:
  GdiRasterizer() : dc_(CreateCompatibleDC(nullptr)) {}
  ~GdiRasterizer() override {
    if (dc_) {
      SelectObject(dc_, oldFont_);
      SelectObject(dc_, oldBitmap_);
      DeleteDC(dc_);
    }
    if (font_) DeleteObject(font_);
    if (bitmap_) DeleteObject(bitmap_);
  }

  bool beginCanvas(int width, int height) override {
    if (!dc_) return false;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc_, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return false;
    HGDIOBJ old = SelectObject(dc_, bitmap);
    if (!oldBitmap_) oldBitmap_ = old;
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = bitmap;
    bits_ = static_cast<std::uint8_t*>(bits);
    std::fill(bits_, bits_ + static_cast<std::size_t>(width) * height * 4, std::uint8_t{0});
    SetMapMode(dc_, MM_TEXT);
    SetTextColor(dc_, RGB(255, 255, 255));
    SetBkColor(dc_, RGB(0, 0, 0));
    SetBkMode(dc_, OPAQUE);
    SetTextAlign(dc_, TA_TOP);
    return true;
  }

  int pixelsPerInch() const override { return GetDeviceCaps(dc_, LOGPIXELSY); }

  bool selectFont(const std::string& face, int pixelHeight, int weight, bool italic) override {
    HFONT font = CreateFontA(-pixelHeight, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH,
                             face.c_str());
    if (!font) return false;
    HGDIOBJ old = SelectObject(dc_, font);
    if (!oldFont_) oldFont_ = old;
    if (font_) DeleteObject(font_);
    font_ = font;
    TEXTMETRICA tm{};
    GetTextMetricsA(dc_, &tm);
    cell_ = tm.tmHeight;
    return true;
  }

  int cellHeight() const override { return cell_; }

  int charWidth(unsigned char ch) const override {
    SIZE size{};
    const char text[1] = {static_cast<char>(ch)};
    GetTextExtentPoint32A(dc_, text, 1, &size);
    return size.cx;
  }

  void paint(unsigned char ch, int x, int y) override {
    const char text[1] = {static_cast<char>(ch)};
    ExtTextOutA(dc_, x, y, ETO_OPAQUE, nullptr, text, 1, nullptr);
  }

  const std::uint8_t* pixels() const override {
    GdiFlush();
    return bits_;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  int cell_ = 0;
};

}  // namespace

std::unique_ptr<GlyphRasterizer> createGlyphRasterizer() { return std::make_unique<GdiRasterizer>(); }

}  // namespace skyloom
