#include "effects/sky_dome.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "platform/gfx/frame_state.h"
#include "platform/gfx/state_block.h"

namespace skyloom {

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kProfileRings = 15;    // rings below the apex
constexpr int kSectors = 16;
constexpr float kRingStep = 0.07333334f;  // radians between rings: the rim lies 1.1 from the apex
constexpr float kRimAngle = 1.1f;
constexpr float kSectorAngle = 2.0f * kPi / kSectors;
constexpr float kRayStep = 0.19634953f;  // π / 16
constexpr int kRays = 32;
constexpr float kSunRadius = 700.0f;
constexpr float kSunDistance = 40000.0f;
constexpr float kGlowInner = 1365.0f;
constexpr float kGlowOuterScale = 8166.6665f;
constexpr float kGlowDistance = 200000.0f;
constexpr float kGlowScale = 2.5f;
constexpr int kSkirtRim = 28;  // first rim vertex of the skirt

constexpr std::uint32_t channel(std::uint32_t colour, int shift) { return (colour >> shift) & 0xFFu; }

std::uint32_t rgb(std::uint32_t alpha, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return alpha << 24 | r << 16 | g << 8 | b;
}

// The haze colour as the dome's specular: each channel scaled by 255.5 / 256.
std::uint32_t domeSpecular(std::uint32_t fog) {
  auto scale = [](std::uint32_t c) { return static_cast<std::uint32_t>(static_cast<float>(c) * 255.5f) >> 8; };
  return rgb(0, scale(channel(fog, 16)), scale(channel(fog, 8)), scale(channel(fog, 0)));
}

// The sky colour darkened toward the rim: k grows from 8 at the apex to 255 at the rim.
std::uint32_t domeDiffuse(std::uint32_t sky, int ring) {
  const auto k = static_cast<std::uint32_t>(255.5 * std::pow(0.8, kProfileRings - ring));
  auto shade = [k](std::uint32_t c) { return (c * (255u - k)) >> 8; };
  return rgb(255, shade(channel(sky, 16)), shade(channel(sky, 8)), shade(channel(sky, 0)));
}

void drawIndexed(RenderDevice& device, std::uint32_t fvf, const void* vertices, std::uint32_t stride,
                 std::uint32_t vertexCount, const std::uint16_t* indices, std::uint32_t indexCount) {
  device.setFvf(fvf);
  device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, vertexCount, indexCount / 3, indices, Format::Index16,
                                vertices, stride);
}

}  // namespace

bool isValidSkyDate(const SkyDate& date) {
  static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= kDays[date.month - 1];
}

SkyDate localSkyDate() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (!local) return SkyDate{};
  return SkyDate{local->tm_mon + 1, local->tm_mday};
}

float SkyDome::seasonAngleFor(const SkyDate& date) {
  // A year of twelve 30.5-day months folded at its middle. The month counts from 1, so the
  // fold falls at the end of May and December runs past the year's end: the sun stands lowest
  // on the last days of December.
  float c = (static_cast<float>(date.month) * 30.5f + static_cast<float>(date.day)) * 0.002739726f;
  if (c > 0.5f) c = 1.0f - c;
  return (c * 0.25f + 0.33333334f) * kPi;
}

float SkyDome::glowSizeFor(const Vec3& viewDirection, const Vec3& toSun) {
  return std::max((dot(viewDirection, toSun) - 0.61f) * 0.5f, kGlowMinimumSize);
}

SkyDome::SkyDome(const SkyColours& colours, const SkyDate& date, int randomValue) {
  fogA_ = fogB_ = colours.fog;
  if ((randomValue & 127) == 0) {
    fogA_ = kPinkFogA;
    fogB_ = kPinkFogB;
  }
  buildLight(colours.light);
  if (!setDate(date)) setDate(SkyDate{});
  buildDome(colours.sky);
  buildSkirt();
  buildSun();
  buildGlow(colours.sky);
}

void SkyDome::setProjections(const Matrix& nearProjection, const Matrix& farProjection) {
  nearProjection_ = nearProjection;
  farProjection_ = farProjection;
  hasProjections_ = true;
}

bool SkyDome::setDate(const SkyDate& date) {
  if (!isValidSkyDate(date)) return false;
  seasonAngle_ = seasonAngleFor(date);
  updateSun();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Construction

void SkyDome::buildLight(std::uint32_t lightColour) {
  sunLight_ = Light{};
  sunLight_.type = LightType::Directional;
  sunLight_.diffuse.r = static_cast<float>(channel(lightColour, 16)) / 255.0f;
  sunLight_.diffuse.g = static_cast<float>(channel(lightColour, 8)) / 255.0f;
  sunLight_.diffuse.b = static_cast<float>(channel(lightColour, 0)) / 255.0f;
}

void SkyDome::updateSun() {
  const float s = std::sin(seasonAngle_), c = std::cos(seasonAngle_);
  const float quarter = kPi / 4;
  sunLight_.direction = Vec3{-std::cos(quarter) * s, -std::sin(quarter) * s, c};

  // Where the sun stands at the fixed time of day, as a turn about the vertical and a tilt.
  const float alpha = (kTimeOfDay - 0.25f) * 2.0f * kPi;
  const float l = std::cos(alpha) * s, v = std::sin(alpha) * s, o = -c;
  sunTurn_ = std::asin(l / std::sqrt(o * o + l * l)) - kPi / 2;
  sunTilt_ = std::asin(v);
  const float ct = std::cos(sunTilt_);
  sunDirection_ = Vec3{ct * std::cos(sunTurn_), std::sin(sunTilt_), ct * std::sin(sunTurn_)};
}

// One profile from the apex (vertex 0) down to the rim, turned into 16 sectors; sector s holds
// rings 1 to 15 at vertices 1 + 15 s .. 15 + 15 s.
void SkyDome::buildDome(std::uint32_t skyColour) {
  const std::uint32_t specular = domeSpecular(fogB_);
  const float rimDrop = kDomeRadius * std::cos(kRimAngle);
  for (int n = 0; n <= kProfileRings; ++n) {
    const float a = static_cast<float>(n) * kRingStep;
    SkyDomeVertex& p = dome_[static_cast<std::size_t>(n)];
    p = SkyDomeVertex{kDomeRadius * std::sin(a), kDomeRadius * std::cos(a) - rimDrop, 0.0f,
                      std::sin(a), std::cos(a), 0.0f, domeDiffuse(skyColour, n), specular, 0.0f, 0.0f};
  }
  for (int s = 1; s < kSectors; ++s) {
    const float c = std::cos(static_cast<float>(s) * kSectorAngle), sn = std::sin(static_cast<float>(s) * kSectorAngle);
    for (int n = 1; n <= kProfileRings; ++n) {
      SkyDomeVertex v = dome_[static_cast<std::size_t>(n)];
      v.z = sn * v.x, v.x = c * v.x;
      v.nz = sn * v.nx, v.nx = c * v.nx;
      dome_[static_cast<std::size_t>(s * kProfileRings + n)] = v;
    }
  }

  std::size_t k = 0;
  auto triangle = [&](int a, int b, int c) {
    domeIndices_[k++] = static_cast<std::uint16_t>(a);
    domeIndices_[k++] = static_cast<std::uint16_t>(b);
    domeIndices_[k++] = static_cast<std::uint16_t>(c);
  };
  for (int s = 0; s < kSectors; ++s) {
    const int f = 1 + s * kProfileRings;
    const int g = s + 1 < kSectors ? f + kProfileRings : 1;  // the last sector closes onto the first
    triangle(0, f, g);
    for (int r = 0; r + 1 < kProfileRings; ++r) {
      triangle(f + r, f + r + 1, g + r + 1);
      triangle(f + r, g + r + 1, g + r);
    }
  }
}

// The skirt joins the 28 horizon points (vertices 0 to 27, in haze colour A) to 16 points on the
// dome's rim (28 to 43, in haze colour B). An outer cursor walks the rim while the inner index
// walks the ring, advancing whenever the ring has gone further round (1/27 per step) than the
// rim (1/15 per step).
void SkyDome::buildSkirt() {
  const float rim = kDomeRadius * std::sin(kRimAngle);
  for (int i = 0; i < kSectors; ++i) {
    const float a = static_cast<float>(i - 2) * kSectorAngle;
    skirt_[static_cast<std::size_t>(kSkirtRim + i)] = SkyColourVertex{rim * std::cos(a), 0.0f, rim * std::sin(a), fogB_};
  }
  for (int i = 0; i < kRingPoints; ++i) {
    skirt_[static_cast<std::size_t>(i)] = skirt_[kSkirtRim];
    skirt_[static_cast<std::size_t>(i)].diffuse = fogA_;
  }

  int k = 0;
  auto triangle = [&](int a, int b, int c) {
    skirtIndices_[static_cast<std::size_t>(k++)] = static_cast<std::uint16_t>(a);
    skirtIndices_[static_cast<std::size_t>(k++)] = static_cast<std::uint16_t>(b);
    skirtIndices_[static_cast<std::size_t>(k++)] = static_cast<std::uint16_t>(c);
  };
  int j = kSkirtRim;
  for (int i = 1; i < kRingPoints; ++i) {
    triangle(i, j, i - 1);
    if (static_cast<float>(i) * 0.037033334f > static_cast<float>(j - kSkirtRim) * 0.06666667f &&
        j + 1 < kSkirtVertices) {
      triangle(i, j + 1, j);
      ++j;
    }
  }
  triangle(0, j, kRingPoints - 1);
  triangle(0, kSkirtRim, j);
  skirtIndexCount_ = k;
}

// A white disk of 32 segments facing along x, turned toward the sun when drawn.
void SkyDome::buildSun() {
  sun_[0] = SkyColourVertex{0.0f, 0.0f, 0.0f, 0xFFFFFFFF};
  for (int k = 0; k < kRays; ++k) {
    const float phi = static_cast<float>(k) * kRayStep;
    sun_[static_cast<std::size_t>(k + 1)] =
        SkyColourVertex{0.0f, kSunRadius * std::sin(phi), -kSunRadius * std::cos(phi), 0xFFFFFFFF};
  }
  for (int k = 0; k < kRays; ++k) {
    const auto t = static_cast<std::size_t>(3 * k);
    sunIndices_[t] = 0;
    sunIndices_[t + 1] = static_cast<std::uint16_t>(k + 1);
    sunIndices_[t + 2] = static_cast<std::uint16_t>(k + 1 < kRays ? k + 2 : 1);
  }
}

// 32 rays of uneven length around a grey centre; each ray fades to black, which adds nothing.
// Ray r has its inner vertex at 1 + 2r and its outer one at 2 + 2r.
void SkyDome::buildGlow(std::uint32_t skyColour) {
  float m = 1e9f;
  for (int shift : {16, 8, 0}) {
    const float q = (0.1f * static_cast<float>(channel(fogB_, shift)) + static_cast<float>(channel(skyColour, shift))) / 255.0f;
    m = std::min(m, q);
  }
  const auto grey = static_cast<std::uint32_t>(std::max(255.0f - 225.0f * m, 120.0f));
  glowColour_ = rgb(255, grey, grey, grey);

  glow_[0] = SkyColourVertex{0.0f, 0.0f, 0.0f, glowColour_};
  for (int r = 0; r < kRays; ++r) {
    const float phi = static_cast<float>(r) * kRayStep;
    const float outer = (std::sin(2.0f * static_cast<float>(r)) + 18.0f) * kGlowOuterScale;
    glow_[static_cast<std::size_t>(1 + 2 * r)] =
        SkyColourVertex{0.0f, kGlowInner * std::sin(phi), -kGlowInner * std::cos(phi), glowColour_};
    glow_[static_cast<std::size_t>(2 + 2 * r)] = SkyColourVertex{0.0f, outer * std::sin(phi), -outer * std::cos(phi), 0};
  }
  std::copy(glow_.begin() + 1, glow_.end(), glowRays_.begin());

  std::size_t k = 0;
  for (int r = 0; r < kRays; ++r) {
    const int n = (r + 1) % kRays;
    const auto in = static_cast<std::uint16_t>(1 + 2 * r), out = static_cast<std::uint16_t>(2 + 2 * r);
    const auto nextIn = static_cast<std::uint16_t>(1 + 2 * n), nextOut = static_cast<std::uint16_t>(2 + 2 * n);
    for (std::uint16_t i : {std::uint16_t{0}, in, nextIn, in, out, nextOut, in, nextOut, nextIn}) glowIndices_[k++] = i;
  }
}

// ---------------------------------------------------------------------------------------------
// Drawing

void SkyDome::horizonRing(const Vec3 (&points)[28]) {
  for (int i = 0; i < kRingPoints; ++i) {
    SkyColourVertex& v = skirt_[static_cast<std::size_t>(i)];
    v.x = points[i].x, v.y = points[i].y, v.z = points[i].z;
  }
}

void SkyDome::drawSky(RenderDevice& device, const ViewFrustum& frustum) {
  draw(device, frustum.eye(), frustum.forward());
}

void SkyDome::draw(RenderDevice& device, const Vec3& eye, const Vec3& viewDirection) {
  device.setLight(kSunLight, sunLight_);
  eye_ = eye;
  viewDirection_ = viewDirection;
  if (!hasProjections_) {
    device.setRenderState(RenderState::FogColor, fogA_);
    return;
  }
  device.setTransform(TransformState::Projection, farProjection_);
  {
    // Nothing of the sky is fogged, tested against depth or culled (it is seen from inside);
    // its colours come from the vertices alone.
    StateBlock states(device);
    states.render(RenderState::ZEnable, ZBuffer::False)
        .render(RenderState::FogEnable, 0)
        .render(RenderState::CullMode, Cull::None)
        .render(RenderState::AlphaBlendEnable, 0)
        .render(RenderState::SpecularEnable, 1)
        .render(RenderState::Ambient, kDomeAmbient)
        .stage(0, TextureStageState::ColorOp, TextureOp::SelectArg1)
        .stage(0, TextureStageState::ColorArg1, TextureArg::Diffuse)
        .stage(0, TextureStageState::AlphaOp, TextureOp::SelectArg1)
        .stage(0, TextureStageState::AlphaArg1, TextureArg::Diffuse);
    device.setTexture(0, nullptr);
    drawDome(device);
    // Everything drawn from here on fades into the horizon's haze.
    device.setRenderState(RenderState::FogColor, fogA_);
    drawSunDisk(device);
    drawGlow(device);
    drawSkirt(device);
  }
  device.setTransform(TransformState::Projection, nearProjection_);
}

void SkyDome::drawDome(RenderDevice& device) {
  device.setRenderState(RenderState::FogColor, fogB_);
  device.setTransform(TransformState::World, translation(eye_.x, 0.0f, eye_.z));
  drawIndexed(device, kSkyDomeFvf, dome_.data(), sizeof(SkyDomeVertex), kDomeVertices, domeIndices_.data(),
              kDomeIndices);
}

void SkyDome::drawSunDisk(RenderDevice& device) {
  StateBlock states(device);
  states.render(RenderState::AlphaBlendEnable, 1)
      .render(RenderState::SrcBlend, Blend::SrcColor)
      .render(RenderState::DestBlend, Blend::One);
  const Vec3 at = eye_ + sunDirection_ * kSunDistance;
  device.setTransform(TransformState::World,
                      rotationZ(sunTilt_) * rotationY(-sunTurn_) * translation(at.x, at.y, at.z));
  drawIndexed(device, kSkyColourFvf, sun_.data(), sizeof(SkyColourVertex), kSunVertices, sunIndices_.data(),
              kSunIndices);
}

// The glow grows as the view turns toward the sun, and turns a little as it grows.
void SkyDome::drawGlow(RenderDevice& device) {
  glowSize_ = glowSizeFor(viewDirection_, sunDirection_);
  for (std::size_t i = 0; i < glowRays_.size(); ++i) {
    glow_[i + 1].y = glowSize_ * glowRays_[i].y;
    glow_[i + 1].z = glowSize_ * glowRays_[i].z;
  }
  StateBlock states(device);
  states.render(RenderState::AlphaBlendEnable, 1)
      .render(RenderState::SrcBlend, Blend::SrcColor)
      .render(RenderState::DestBlend, Blend::One);
  const Vec3 at = eye_ + sunDirection_ * kGlowDistance;
  device.setTransform(TransformState::World, scaling(kGlowScale, kGlowScale, kGlowScale) * rotationX(5.0f * glowSize_) *
                                                 rotationZ(sunTilt_) * rotationY(-sunTurn_) *
                                                 translation(at.x, at.y, at.z));
  drawIndexed(device, kSkyColourFvf, glow_.data(), sizeof(SkyColourVertex), kGlowVertices, glowIndices_.data(),
              kGlowIndices);
}

void SkyDome::drawSkirt(RenderDevice& device) {
  device.setTransform(TransformState::World, translation(eye_.x, 0.0f, eye_.z));
  drawIndexed(device, kSkyColourFvf, skirt_.data(), sizeof(SkyColourVertex), kSkirtVertices, skirtIndices_.data(),
              static_cast<std::uint32_t>(skirtIndexCount_));
}

}  // namespace skyloom
