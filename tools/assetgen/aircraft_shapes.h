#pragma once
// The parametric surfaces the aircraft are made of. Each maps (a, b) in [0, 1]² to a point in
// its own frame: a runs along the part (a loft's axis, a wing's span), b around it (a loft's
// ring from the top over the +z side, or a wing section from the trailing edge over the upper
// side to the leading edge and back along the lower side). The same mapping gives the mesh's
// vertices at every level of detail and the livery's texels, so the paint sits where it was
// designed to sit on the coarse meshes as on the fine ones.

#include <array>
#include <memory>
#include <vector>

#include "core/math.h"

namespace skyloom::assetgen {

// What the livery knows about a point of a surface, besides its place and normal.
struct SurfaceLocal {
  float along = 0;   // lofts: metres from the first section along the axis; wings: signed span (metres)
  float around = 0;  // lofts: angle from the top, radians, π/2 on the +z side; wings: chord fraction from the leading edge
  bool upper = false;  // wings: the upper (+y) side of the section
  float spanFraction = 0;  // wings: 0 at the root or centre, 1 at the tip
  float radial = 0;   // lofts: distance from the centre line within the section (metres)
  float girth = 0;    // lofts: the largest half width of the whole loft, for telling rims from hubs
};

class Surface {
 public:
  virtual ~Surface() = default;
  virtual Vec3 point(float a, float b) const = 0;
  // The row at a flattened shut (a ring shrunk to its centre, a section to its chord line). The
  // first and last rows of every mesh use it, so a part is closed even where its coarse rows stop
  // short of the surface's own tips.
  virtual Vec3 closedPoint(float a, float b) const = 0;
  // Rings close on themselves (b = 1 is b = 0); wing sections meet at the trailing edge in a crease.
  virtual bool closedAround() const = 0;
  // count row parameters from 0 to 1 (or within, for coarse wings), where the shape needs them.
  virtual std::vector<float> rows(int count) const = 0;
  // segments + 1 column parameters from 0 to 1.
  virtual std::vector<float> columns(int segments) const;
  virtual SurfaceLocal local(float a, float b) const = 0;
  // Typical extent along a and around b in metres (sizes the part's share of the livery).
  virtual Vec2 extent() const = 0;
};

// One cross-section of a loft: a superellipse whose upper and lower halves may differ.
struct LoftKey {
  float x = 0;          // position along the axis
  float halfWidth = 0;  // across (z)
  float top = 0;        // from the centre line up
  float bottom = 0;     // from the centre line down
  float centreY = 0;    // height of the centre line
  float exponent = 2;   // 2: elliptic; larger: boxier
};

// How a loft goes from one key to the next. Smooth: monotone cubic through the keys (no
// overshoot, so a fuselage never bulges past its widest key). Round*: a quarter ellipse that
// starts (or ends) at a point, for blunt noses, tail cones and the ends of pods. Linear keeps
// the corners of a nozzle lip or a wheel's flank.
enum class Blend { Smooth, Linear, RoundFromTip, RoundToTip };

class Loft final : public Surface {
 public:
  Loft& add(const LoftKey& key, Blend toNext = Blend::Smooth);
  // Must be called once after the last add.
  void finish();

  LoftKey section(float a) const;
  Vec3 point(float a, float b) const override;
  Vec3 closedPoint(float a, float b) const override;
  bool closedAround() const override { return true; }
  std::vector<float> rows(int count) const override;
  SurfaceLocal local(float a, float b) const override;
  Vec2 extent() const override { return extent_; }

 private:
  LoftKey atIndex(double u) const;  // u in [0, keys - 1]
  double indexAt(float a) const;
  float aAtIndex(double u) const;
  void snapToCorners(std::vector<float>& rows) const;

  std::vector<LoftKey> keys_;
  std::vector<Blend> blends_;
  std::vector<std::array<float, 6>> slopes_;  // per key, per channel (monotone cubic)
  std::vector<double> arc_;                   // cumulative side-profile length at dense samples
  std::vector<double> bend_;                  // turn of the side profile per dense sample
  std::vector<double> girth_;                 // section size per dense sample
  Vec2 extent_;
  float widest_ = 0;                          // the largest half width
};

// One station of a wing, measured from its root (or centre) along the span.
struct WingKey {
  float span = 0;       // metres from the root, ascending
  float leadingX = 0;   // x of the leading edge
  float chord = 1;
  float thickness = 0.12f;  // fraction of the chord
  float rise = 0;       // height of the chord line (dihedral, a gull's bend)
};

// An airfoil surface: a cambered four-digit section with a closed trailing edge, swept, tapered
// and raised along the span by its keys. A mirrored wing runs from the left tip (a = 0, z < 0)
// through the centre to the right tip; an unmirrored one (a fin, a strut-braced half) from its
// root at a = 0 to its tip. A rounded tip closes to a point over tipRound metres.
class Wing final : public Surface {
 public:
  Wing(std::vector<WingKey> keys, bool mirrored, float tipRound, float camber = 0.0f);

  Vec3 point(float a, float b) const override;
  Vec3 closedPoint(float a, float b) const override;
  bool closedAround() const override { return false; }
  std::vector<float> rows(int count) const override;
  SurfaceLocal local(float a, float b) const override;
  Vec2 extent() const override;

  float tipSpan() const { return keys_.back().span; }
  // The leading edge, chord, thickness and rise at a span position (metres from the root).
  WingKey station(float span) const;

 private:
  float spanAt(float a) const;  // signed metres
  float aAtSpan(float signedSpan) const;
  Vec3 sectionPoint(float signedSpan, float b, float thicknessScale) const;

  std::vector<WingKey> keys_;
  bool mirrored_;
  float tipRound_;
  float camber_;
};

// A frame for a part: local x along from→to, local y as near to up as the direction allows,
// local z completing it; the origin at from.
Matrix frameAlong(const Vec3& from, const Vec3& to, const Vec3& up);
// A frame from three axis images and an origin (rows of the matrix).
Matrix frameOf(const Vec3& xAxis, const Vec3& yAxis, const Vec3& zAxis, const Vec3& origin);

// Keys of a closed tube of the given radius from x = 0 to x = length (struts, legs, masts): flat
// ends. widthScale < 1 flattens it across into a streamlined strut.
std::shared_ptr<Loft> makeTube(float radius, float length, float widthScale = 1.0f);

}  // namespace skyloom::assetgen
