#pragma once
// The system's font renderer, as the glyph font needs it: make a font, measure characters and
// paint them white on black into a 32-bit top-down pixel buffer. GDI on Windows; FreeType with
// the metric-compatible Liberation fonts elsewhere, so layout and drawing are tested natively.

#include <cstdint>
#include <memory>
#include <string>

namespace skyloom {

class GlyphRasterizer {
 public:
  virtual ~GlyphRasterizer() = default;

  // Starts a canvas of width × height pixels (B, G, R, X bytes, rows top to bottom), black.
  virtual bool beginCanvas(int width, int height) = 0;
  // Vertical pixels per logical inch of the canvas.
  virtual int pixelsPerInch() const = 0;
  // Selects a font whose characters are pixelHeight pixels high (the em height); false when no
  // such font can be made.
  virtual bool selectFont(const std::string& face, int pixelHeight, int weight, bool italic) = 0;
  // Height of a character cell of the selected font (ascent + descent).
  virtual int cellHeight() const = 0;
  // Advance width of a character (Windows-1252 code) of the selected font.
  virtual int charWidth(unsigned char ch) const = 0;
  // Paints ch with the top-left corner of its cell at (x, y).
  virtual void paint(unsigned char ch, int x, int y) = 0;
  // The canvas: width × height pixels, 4 bytes each.
  virtual const std::uint8_t* pixels() const = 0;
};

// The rasteriser of the machine the program runs on.
std::unique_ptr<GlyphRasterizer> createGlyphRasterizer();

}  // namespace skyloom
