#include "aircraft_build.h"

#include <cmath>

namespace skyloom::assetgen {

std::shared_ptr<Loft> makeLoft(std::initializer_list<Key> keys) {
  auto loft = std::make_shared<Loft>();
  for (const Key& k : keys) loft->add(k.key, k.blend);
  loft->finish();
  return loft;
}

// The profile along the axle: flat hub faces, then the tyre's rounded shoulders.
std::shared_ptr<Loft> makeWheel(float radius, float width) {
  const float w = 0.5f * width;
  const float hub = 0.55f * radius;
  return makeLoft({
      tip(-w, 0, Blend::Linear),
      ring(-w, hub, hub, hub, 0, 2, Blend::Linear),
      ring(-0.85f * w, 0.9f * radius, 0.9f * radius, 0.9f * radius, 0),
      ring(0, radius, radius, radius, 0),
      ring(0.85f * w, 0.9f * radius, 0.9f * radius, 0.9f * radius, 0, 2, Blend::Linear),
      ring(w, hub, hub, hub, 0, 2, Blend::Linear),
      tip(w, 0),
  });
}

int DesignBuilder::add(std::shared_ptr<const Surface> surface, Role role, Detail detail, const Matrix& place, int tag) {
  Part p;
  p.surface = std::move(surface);
  p.place = place;
  p.role = role;
  p.detail = detail;
  p.tag = tag;
  design_.parts.push_back(std::move(p));
  return static_cast<int>(design_.parts.size()) - 1;
}

int DesignBuilder::addGlass(std::shared_ptr<const Surface> surface, Detail detail, const Matrix& place) {
  const int i = add(std::move(surface), Role::Canopy, detail, place);
  design_.parts[i].glass = true;
  return i;
}

int DesignBuilder::mirror(int part) {
  Part copy = design_.parts[part];
  copy.place = multiply(copy.place, scaling(1, 1, -1));
  copy.sharesWith = design_.parts[part].sharesWith >= 0 ? design_.parts[part].sharesWith : part;
  design_.parts.push_back(std::move(copy));
  return static_cast<int>(design_.parts.size()) - 1;
}

int DesignBuilder::wing(std::initializer_list<WingKey> keys, float tipRound, float camber, Role role, Detail detail,
                        int tag) {
  return add(std::make_shared<Wing>(std::vector<WingKey>(keys), true, tipRound, camber), role, detail,
             Matrix::identity(), tag);
}

int DesignBuilder::fin(std::initializer_list<WingKey> keys, float tipRound, float rootY, float z, float cant,
                       Detail detail, int tag) {
  const float side = z < 0 ? -1.0f : 1.0f;
  const Vec3 spanAxis{0, std::cos(cant), side * std::sin(cant)};
  const Vec3 thicknessAxis{0, -spanAxis.z, spanAxis.y};
  const Matrix place = frameOf({1, 0, 0}, thicknessAxis, spanAxis, {0, rootY, z});
  return add(std::make_shared<Wing>(std::vector<WingKey>(keys), false, tipRound, 0.0f), Role::Fin, detail, place, tag);
}

int DesignBuilder::strut(const Vec3& from, const Vec3& to, float radius, float widthScale, Role role, Detail detail) {
  const Vec3 d = to - from;
  const float len = length(d);
  // The streamlined section's long side lies along the flight direction, unless the strut itself does.
  const Vec3 up = std::abs(d.x) > 0.9f * len ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
  return add(makeTube(radius, len, widthScale), role, detail, frameAlong(from, to, up));
}

void DesignBuilder::strutPair(const Vec3& from, const Vec3& to, float radius, float widthScale, Role role,
                              Detail detail) {
  mirror(strut(from, to, radius, widthScale, role, detail));
}

int DesignBuilder::wheel(const Vec3& centre, float radius, float width, Detail detail) {
  const Matrix place = frameOf({0, 0, 1}, {0, 1, 0}, {-1, 0, 0}, centre);
  return add(makeWheel(radius, width), Role::Wheel, detail, place);
}

int DesignBuilder::spinner(const Vec3& base, float radius, float length) {
  auto cone = makeLoft({
      tip(base.x, 0, Blend::Linear),
      ring(base.x, radius, radius, radius, 0),
      ring(base.x + 0.3f * length, 0.92f * radius, 0.92f * radius, 0.92f * radius, 0, 2, Blend::RoundToTip),
      tip(base.x + length, 0),
  });
  return add(cone, Role::Spinner, Detail::Small, translation(0, base.y, base.z));
}

void DesignBuilder::attach(const Vec3& offset, std::uint32_t flags, const Vec3& scale, float angle) {
  AttachmentPoint a;
  a.offset = offset;
  a.flags = flags;
  a.scale = scale;
  a.angle = angle;
  design_.attachments.push_back(a);
}

void DesignBuilder::attachPair(const Vec3& offset, std::uint32_t flags, const Vec3& scale) {
  attach({offset.x, offset.y, std::abs(offset.z)}, flags, scale);
  attach({offset.x, offset.y, -std::abs(offset.z)}, flags, scale);
}

}  // namespace skyloom::assetgen
