#pragma once
// Painting the livery: every texel of a part's rectangle is the colour the design's livery gives
// the surface point that the texel lands on, so stripes, roundels and letters are laid out in
// metres on the aircraft, not in texture space. Below, the small vocabulary the liveries are
// written in.

#include <string_view>

#include "aircraft_atlas.h"
#include "aircraft_design.h"
#include "tex_picture.h"

namespace skyloom::assetgen {

// The livery picture of the design (R, G, B); texels that no part uses are a neutral grey.
Picture paintLivery(const AircraftDesign& design, const Atlas& atlas);

// The outward unit normal of the part at (a, b), from the surface's own derivatives.
Vec3 partNormal(const Part& part, float a, float b, bool facesOut);

inline Colour rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }
inline Colour blend(const Colour& a, const Colour& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Colour shade(const Colour& c, float k) { return {c.r * k, c.g * k, c.b * k}; }

// 1 on a thin line every `pitch` metres along coord (panel seams, frames), else 0.
float seam(float coord, float pitch, float width, float offset = 0.0f);
// Smooth value noise in [0, 1] at a point in metres, for streaks and wear.
float wear(const Vec3& p, float scale, std::uint32_t seed);
// The ring of a roundel at distance d from its centre: 0 innermost, 1, 2 outward; -1 outside.
// fractions are the outer radii of the inner rings as fractions of radius, ascending.
int roundelRing(float d, float radius, float f0, float f1);
// True where text written from (x0, y0) (its lower left corner) with letters `height` high covers
// the point (x, y) of the same plane. Capitals, digits and '-' in a 5 × 7 grid.
bool textCovers(std::string_view text, float x0, float y0, float height, float x, float y);
// The width of text written with letters `height` high.
float textWidth(std::string_view text, float height);

// Glass: dark, with the sky's reflection toward the top and a thin frame every `framePitch`
// metres along x (0: none).
Colour glassColour(const PaintPoint& pt, float framePitch);

}  // namespace skyloom::assetgen
