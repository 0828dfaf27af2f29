#pragma once
// Shorthands the type definitions are written with: keys of lofts, placements, and the parts that
// recur from one aircraft to the next (wheels, struts, spinners, tail surfaces).

#include <initializer_list>
#include <memory>

#include "aircraft_design.h"

namespace skyloom::assetgen {

// A loft key with the blend toward the next key.
struct Key {
  LoftKey key;
  Blend blend = Blend::Smooth;
};
// A section: half width, height above and below the centre line, the centre line's height and
// the superellipse exponent.
inline Key ring(float x, float halfWidth, float top, float bottom, float centreY, float exponent = 2.0f,
                Blend blend = Blend::Smooth) {
  return {{x, halfWidth, top, bottom, centreY, exponent}, blend};
}
// A section shrunk to a point (a tip, or the centre of a flat end).
inline Key tip(float x, float centreY, Blend blend = Blend::Smooth, float exponent = 2.0f) {
  return {{x, 0, 0, 0, centreY, exponent}, blend};
}
std::shared_ptr<Loft> makeLoft(std::initializer_list<Key> keys);

// A wheel of the given radius and width, axle along local x, centred on the origin.
std::shared_ptr<Loft> makeWheel(float radius, float width);

class DesignBuilder {
 public:
  explicit DesignBuilder(AircraftDesign& design) : design_(design) {}

  int add(std::shared_ptr<const Surface> surface, Role role, Detail detail, const Matrix& place = Matrix::identity(),
          int tag = 0);
  int addGlass(std::shared_ptr<const Surface> surface, Detail detail, const Matrix& place = Matrix::identity());
  // The part's mirror image across the centre plane (z to -z), painted like it.
  int mirror(int part);
  // A mirrored (both halves) wing, tailplane or one-piece surface.
  int wing(std::initializer_list<WingKey> keys, float tipRound, float camber, Role role, Detail detail, int tag = 0);
  // A fin standing on (x, rootY, z), its span up, leaning outward by cant radians toward the side
  // of z (z = 0: upright).
  int fin(std::initializer_list<WingKey> keys, float tipRound, float rootY, float z, float cant, Detail detail,
          int tag = 0);
  // A round or streamlined tube from one point to another (a strut, a leg, a skid's cross tube);
  // a flattened one has its narrow side across the airflow.
  int strut(const Vec3& from, const Vec3& to, float radius, float widthScale = 1.0f, Role role = Role::Strut,
            Detail detail = Detail::Thin);
  // A strut and its mirror image.
  void strutPair(const Vec3& from, const Vec3& to, float radius, float widthScale = 1.0f, Role role = Role::Strut,
                 Detail detail = Detail::Thin);
  int wheel(const Vec3& centre, float radius, float width, Detail detail = Detail::Small);
  // A spinner pointing along +x from the given base, and a point just ahead of it for the blades.
  int spinner(const Vec3& base, float radius, float length);

  void attach(const Vec3& offset, std::uint32_t flags, const Vec3& scale = {1, 1, 1}, float angle = 0.0f);
  // The same attachment on both sides (z and -z).
  void attachPair(const Vec3& offset, std::uint32_t flags, const Vec3& scale = {1, 1, 1});

 private:
  AircraftDesign& design_;
};

}  // namespace skyloom::assetgen
