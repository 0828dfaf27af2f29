#pragma once
// SkyDome: the coloured dome around the eye, the sun disk with its additive glow, the skirt that
// closes the gap between the terrain's horizon ring and the dome's rim, and the sun itself: the
// scene's one directional light, whose height follows the calendar (higher in early summer).
//
// All geometry is built once and drawn from memory, so the sky holds no device objects and a
// device reset does not touch it. Each frame it sets light 0 to the sun and leaves the fog
// colour at the horizon's haze colour for everything drawn after it; every other state it
// changes it puts back. The dome, sun and glow lie beyond the near projection's far plane, so
// the sky draws with the far projection and sets the near one again when it is done.

#include <array>
#include <cstdint>

#include "core/math.h"
#include "platform/gfx/render_device.h"
#include "world/terrain_sky.h"
#include "world/view_frustum.h"

namespace skyloom {

// A calendar day: month 1 to 12, day 1 to 31.
struct SkyDate {
  int month = 6;
  int day = 21;
};
bool isValidSkyDate(const SkyDate& date);
// Today in local time (a midsummer day when the clock cannot be read).
SkyDate localSkyDate();

// The general settings' colours the sky is made from (ARGB).
struct SkyColours {
  std::uint32_t sky = 0xFF304090;    // the dome's zenith tint
  std::uint32_t fog = 0xFF3070CF;    // the haze at the horizon
  std::uint32_t light = 0xFFFFFFFF;  // the sun's colour
};

// The rare sunset: once in 128 skies the horizon turns pink.
constexpr std::uint32_t kPinkFogA = 0xFFE898B6;
constexpr std::uint32_t kPinkFogB = 0xFFFCACC0;

// Dome vertex: lit by nothing, coloured by its diffuse plus the specular haze.
struct SkyDomeVertex {
  float x, y, z;
  float nx, ny, nz;
  std::uint32_t diffuse;
  std::uint32_t specular;
  float u, v;
};
static_assert(sizeof(SkyDomeVertex) == 40, "the dome's 40-byte stride");
constexpr std::uint32_t kSkyDomeFvf = Fvf::Xyz | Fvf::Normal | Fvf::Diffuse | Fvf::Specular | Fvf::Tex1;
static_assert(kSkyDomeFvf == 0x1D2, "the dome's vertex format");

// Skirt, sun and glow vertex.
struct SkyColourVertex {
  float x, y, z;
  std::uint32_t diffuse;
};
static_assert(sizeof(SkyColourVertex) == 16, "the 16-byte coloured vertex");
constexpr std::uint32_t kSkyColourFvf = Fvf::Xyz | Fvf::Diffuse;
static_assert(kSkyColourFvf == 0x42, "the coloured vertex format");

class SkyDome final : public TerrainSky {
 public:
  static constexpr int kDomeVertices = 241;  // apex + 16 sectors × 15 rings
  static constexpr int kDomeIndices = 1392;  // 464 triangles
  static constexpr int kSkirtVertices = 44;  // 28 on the horizon ring, 16 on the rim
  static constexpr int kSkirtIndexCapacity = 132;
  static constexpr int kSunVertices = 33;
  static constexpr int kSunIndices = 96;
  static constexpr int kGlowVertices = 65;
  static constexpr int kGlowIndices = 288;
  static constexpr int kRingPoints = 28;

  static constexpr float kDomeRadius = 700000.0f;
  static constexpr float kTimeOfDay = 0.375f;  // fraction of the day; the sun stands where it does at 9:00
  static constexpr float kGlowMinimumSize = 0.051f;
  static constexpr std::uint32_t kDomeAmbient = 0x20303030;

  // randomValue: one draw of the random generator (0 to 32767); the pink sunset when its low
  // seven bits are 0. An invalid date is taken as midsummer.
  SkyDome(const SkyColours& colours, const SkyDate& date, int randomValue);

  // The camera's projections: the near one the world draws with, the far one the sky needs.
  void setProjections(const Matrix& nearProjection, const Matrix& farProjection);
  // Recomputes the season angle and the sun's direction; false (and nothing changes) for an
  // invalid date.
  bool setDate(const SkyDate& date);

  // The terrain's horizon ring (points relative to the eye); the skirt's inner edge follows it.
  void horizonRing(const Vec3 (&points)[28]) override;
  void drawSky(RenderDevice& device, const ViewFrustum& frustum) override;
  // The whole frame of the sky: light 0, dome, sun, glow, skirt. Before setProjections only the
  // light and the fog colour are set: there is no projection to draw the far geometry with.
  void draw(RenderDevice& device, const Vec3& eye, const Vec3& viewDirection);

  const Light& sunLight() const { return sunLight_; }
  float seasonAngle() const { return seasonAngle_; }
  std::uint32_t fogColourA() const { return fogA_; }
  std::uint32_t fogColourB() const { return fogB_; }
  std::uint32_t glowColour() const { return glowColour_; }
  // Size of the glow in the last frame: larger the closer the view looks toward the sun.
  float glowSize() const { return glowSize_; }
  // Unit vector from the eye toward the sun.
  Vec3 sunDirection() const { return sunDirection_; }

  const std::array<SkyDomeVertex, kDomeVertices>& domeVertices() const { return dome_; }
  const std::array<std::uint16_t, kDomeIndices>& domeIndices() const { return domeIndices_; }
  const std::array<SkyColourVertex, kSkirtVertices>& skirtVertices() const { return skirt_; }
  const std::uint16_t* skirtIndices() const { return skirtIndices_.data(); }
  int skirtIndexCount() const { return skirtIndexCount_; }
  const std::array<SkyColourVertex, kSunVertices>& sunVertices() const { return sun_; }
  const std::array<std::uint16_t, kSunIndices>& sunIndices() const { return sunIndices_; }
  const std::array<SkyColourVertex, kGlowVertices>& glowVertices() const { return glow_; }
  const std::array<std::uint16_t, kGlowIndices>& glowIndices() const { return glowIndices_; }

  // Season angle θ in radians for a date: low at the turn of the year, highest at the end of May.
  static float seasonAngleFor(const SkyDate& date);
  // Glow size for a view direction and the unit vector toward the sun.
  static float glowSizeFor(const Vec3& viewDirection, const Vec3& toSun);

 private:
  void buildLight(std::uint32_t lightColour);
  void buildDome(std::uint32_t skyColour);
  void buildSkirt();
  void buildSun();
  void buildGlow(std::uint32_t skyColour);
  void updateSun();

  void drawDome(RenderDevice& device);
  void drawSunDisk(RenderDevice& device);
  void drawGlow(RenderDevice& device);
  void drawSkirt(RenderDevice& device);

  std::array<SkyDomeVertex, kDomeVertices> dome_{};
  std::array<SkyColourVertex, kSkirtVertices> skirt_{};
  std::array<SkyColourVertex, kSunVertices> sun_{};
  std::array<SkyColourVertex, kGlowVertices> glow_{};
  std::array<SkyColourVertex, kGlowVertices - 1> glowRays_{};  // the unscaled rays
  std::array<std::uint16_t, kDomeIndices> domeIndices_{};
  std::array<std::uint16_t, kSkirtIndexCapacity> skirtIndices_{};
  int skirtIndexCount_ = 0;
  std::array<std::uint16_t, kSunIndices> sunIndices_{};
  std::array<std::uint16_t, kGlowIndices> glowIndices_{};

  Light sunLight_;
  float seasonAngle_ = 0.0f;
  float sunTurn_ = 0.0f;  // about the vertical axis
  float sunTilt_ = 0.0f;  // above the horizon
  Vec3 sunDirection_;
  Vec3 eye_;
  Vec3 viewDirection_;
  std::uint32_t fogA_ = 0, fogB_ = 0;
  std::uint32_t glowColour_ = 0;
  float glowSize_ = kGlowMinimumSize;
  Matrix nearProjection_ = Matrix::identity();
  Matrix farProjection_ = Matrix::identity();
  bool hasProjections_ = false;
};

}  // namespace skyloom
