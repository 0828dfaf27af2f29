// The generated fleet: every mesh is closed, wound for Direct3D's culling and lit by outward unit
// normals; its levels keep to their triangle budgets and the silhouette; the liveries are real
// pictures laid out inside the atlas; attachment points and flight parameters are where the
// drawing and the flight code expect them; and the files read back through the program's parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "aircraft/unit_description.h"
#include "aircraft_build.h"
#include "aircraft_fleet.h"
#include "aircraft_paint.h"
#include "assetgen.h"
#include "resources/image.h"
#include "resources/pack_test_util.h"

namespace skyloom::assetgen {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
const char* const kNames[] = {"biplane", "mplane", "trainer", "transport", "fighter",
                              "airliner", "helicopter", "seaplane", "glider"};

Vec3 position(const ModelVertex& v) { return {v.x, v.y, v.z}; }
Vec3 normalOf(const ModelVertex& v) { return {v.nx, v.ny, v.nz}; }

// Vertices welded by position (a ring's seam and a pole's copies are one point).
class Welder {
 public:
  int id(const Vec3& p) {
    const auto key = std::make_tuple(std::lround(p.x * 1e4f), std::lround(p.y * 1e4f), std::lround(p.z * 1e4f));
    return ids_.emplace(key, static_cast<int>(ids_.size())).first->second;
  }

 private:
  std::map<std::tuple<long, long, long>, int> ids_;
};

// Every edge of a closed surface is crossed once each way by the triangles on its two sides.
::testing::AssertionResult isClosed(const ModelSubset& s, const PartSpan& span) {
  Welder welder;
  std::map<std::pair<int, int>, int> edges;
  for (std::uint32_t k = span.firstIndex; k < span.firstIndex + span.indexCount; k += 3) {
    const int a = welder.id(position(s.vertices[s.indices[k]]));
    const int b = welder.id(position(s.vertices[s.indices[k + 1]]));
    const int c = welder.id(position(s.vertices[s.indices[k + 2]]));
    if (a == b || b == c || c == a) {
      const Vec3 p0 = position(s.vertices[s.indices[k]]), p1 = position(s.vertices[s.indices[k + 1]]), p2 = position(s.vertices[s.indices[k + 2]]);
      return ::testing::AssertionFailure() << "a collapsed triangle at index " << k << " " << p0.x << "," << p0.y << "," << p0.z << " " << p1.x << "," << p1.y << "," << p1.z << " " << p2.x << "," << p2.y << "," << p2.z;
    }
    ++edges[{a, b}];
    ++edges[{b, c}];
    ++edges[{c, a}];
  }
  for (const auto& [edge, count] : edges) {
    const auto back = edges.find({edge.second, edge.first});
    if (back == edges.end() || back->second != count) {
      return ::testing::AssertionFailure() << "an open or doubled edge between welded vertices " << edge.first
                                           << " and " << edge.second;
    }
  }
  return ::testing::AssertionSuccess();
}

// The coarsest tails are plates of no thickness: closed, with both sides in one surface, so they
// enclose nothing.
bool isPlate(const ModelSubset& s, const PartSpan& span, double volume6) {
  double area = 0;
  for (std::uint32_t k = span.firstIndex; k < span.firstIndex + span.indexCount; k += 3) {
    const Vec3 p0 = position(s.vertices[s.indices[k]]);
    area += 0.5 * length(cross(position(s.vertices[s.indices[k + 1]]) - p0, position(s.vertices[s.indices[k + 2]]) - p0));
  }
  return area > 0 && std::abs(volume6) <= 1e-6 * std::pow(area, 1.5);
}

Vec3 spanCentre(const ModelSubset& s, const PartSpan& span) {
  Vec3 c{};
  for (std::uint32_t i = span.firstVertex; i < span.firstVertex + span.vertexCount; ++i) c += position(s.vertices[i]);
  return c * (1.0f / static_cast<float>(span.vertexCount));
}

// ---------------------------------------------------------------------------------------------
// The building blocks on shapes whose answers are known.

// A sphere of radius 1 as a loft of two round caps.
std::shared_ptr<Loft> unitSphere() {
  return makeLoft({tip(1, 0, Blend::RoundFromTip), ring(0, 1, 1, 1, 0, 2, Blend::RoundToTip), tip(-1, 0)});
}

TEST(AircraftShapes, ASampledSphereIsClosedOutwardAndLitByRadialNormals) {
  Part part;
  part.surface = unitSphere();
  ModelSubset subset;
  PartSpan span;
  ASSERT_TRUE(appendPatch(samplePart(part, {30, 32}), UvRect{}, subset, span));
  EXPECT_TRUE(isClosed(subset, span));
  const double volume = signedVolume6(subset.vertices, subset.indices, span.firstIndex, span.indexCount, {}) / 6.0;
  EXPECT_NEAR(volume, 4.0 / 3.0 * std::numbers::pi, 0.05);  // positive: the triangles face outward
  for (const ModelVertex& v : subset.vertices) {
    const Vec3 p = position(v);
    EXPECT_NEAR(length(p), 1.0f, 1e-3f);
    EXPECT_GT(dot(normalOf(v), normalize(p)), 0.995f) << "at " << p.x << ", " << p.y << ", " << p.z;
  }
}

TEST(AircraftShapes, AMirroredPartKeepsFacingOutwardAndSharesItsOriginalsLivery) {
  AircraftDesign design;
  DesignBuilder b(design);
  const int pod = b.add(unitSphere(), Role::Nacelle, Detail::Pod, translation(0, 0, 3));
  const int copy = b.mirror(pod);
  EXPECT_EQ(design.parts[copy].sharesWith, pod);
  ModelSubset subset;
  PartSpan span;
  ASSERT_TRUE(appendPatch(samplePart(design.parts[copy], {16, 16}), UvRect{}, subset, span));
  EXPECT_NEAR(spanCentre(subset, span).z, -3.0f, 1e-3f);
  EXPECT_GT(signedVolume6(subset.vertices, subset.indices, 0, span.indexCount, {0, 0, -3}), 0.0);
  const Atlas atlas = layoutAtlas(design.parts, 128, 128);
  EXPECT_EQ(atlas.regions.size(), 1u);
  EXPECT_EQ(atlas.rects[copy].u0, atlas.rects[pod].u0);
  EXPECT_EQ(atlas.rects[copy].v1, atlas.rects[pod].v1);
}

TEST(AircraftShapes, WingsAreAirfoilsWithSharpTrailingEdgesAndRoundedTips) {
  const Wing wing({{0, 2.0f, 2.0f, 0.12f, 0}, {5.0f, 1.0f, 1.0f, 0.12f, 0.5f}}, true, 0.5f);
  // the trailing edge closes: the upper and lower surfaces meet there
  const Vec3 teUpper = wing.point(0.75f, 0.0f), teLower = wing.point(0.75f, 1.0f);
  EXPECT_LT(length(teUpper - teLower), 1e-5f);
  // 12 % thick at the thickest point, near 30 % of the chord
  const float mid = 0.5f;  // the centre: chord 2 m from x = 2 back to 0
  float thickest = 0;
  for (int i = 0; i <= 50; ++i) {
    const float b = 0.5f * i / 50.0f;
    thickest = std::max(thickest, wing.point(mid, b).y - wing.point(mid, 1.0f - b).y);
  }
  EXPECT_NEAR(thickest, 0.24f, 0.01f);
  // the tip closes to a point; the two halves mirror each other
  for (float b : {0.0f, 0.2f, 0.5f, 0.8f}) {
    EXPECT_LT(length(wing.point(1.0f, b) - wing.point(1.0f, 0.5f)), 1e-4f);
    const Vec3 right = wing.point(0.8f, b), left = wing.point(0.2f, b);
    EXPECT_NEAR(right.x, left.x, 1e-5f);
    EXPECT_NEAR(right.y, left.y, 1e-5f);
    EXPECT_NEAR(right.z, -left.z, 1e-5f);
  }
  // coarse wings stop where the rounding starts and still span it
  const std::vector<float> coarse = wing.rows(3);
  ASSERT_EQ(coarse.size(), 3u);
  EXPECT_NEAR(wing.point(coarse.back(), 0.5f).z, 4.5f, 1e-4f);
  EXPECT_NEAR(wing.point(coarse.front(), 0.5f).z, -4.5f, 1e-4f);
}

TEST(AircraftShapes, LoftRowsLandOnCornersAndRunFromEndToEnd) {
  const auto tube = makeTube(0.1f, 2.0f);
  const std::vector<float> rows = tube->rows(4);
  ASSERT_EQ(rows.size(), 4u);
  // the flat ends' rims are corners: both must be rows or the tube loses its length
  EXPECT_NEAR(tube->point(rows[1], 0.25f).x, 0.0f, 1e-5f);
  EXPECT_NEAR(tube->point(rows[1], 0.25f).z, 0.1f, 1e-5f);
  EXPECT_NEAR(tube->point(rows[2], 0.25f).x, 2.0f, 1e-5f);
  for (int count : {3, 8, 30}) {
    const std::vector<float> r = unitSphere()->rows(count);
    EXPECT_EQ(r.front(), 0.0f);
    EXPECT_EQ(r.back(), 1.0f);
    EXPECT_TRUE(std::is_sorted(r.begin(), r.end()));
  }
}

TEST(AircraftShapes, LoftsFollowTheirKeysWithoutBulgingAndCapAsEllipses) {
  // a fuselage: a round nose cap to 1.2 m wide, a waist, a long taper, a pointed tail
  const auto body = makeLoft({tip(6, 0, Blend::RoundFromTip), ring(4, 1.2f, 1.0f, 1.0f, 0), ring(2, 0.8f, 1.0f, 1.0f, 0.1f),
                              ring(0, 1.1f, 1.0f, 1.0f, 0), ring(-5, 0.3f, 0.4f, 0.3f, 0.6f), tip(-6, 0.7f)});
  float lastX = 7;
  for (int i = 0; i <= 1000; ++i) {
    const LoftKey k = body->section(i / 1000.0f);
    EXPECT_LE(k.halfWidth, 1.2f + 1e-5f);  // never wider than the widest key
    EXPECT_GE(k.halfWidth, 0.0f);
    EXPECT_LE(k.x, lastX + 1e-5f);  // the keys run nose to tail, and so do the sections
    lastX = k.x;
    if (k.x < 2 && k.x > 0) {
      EXPECT_GE(k.halfWidth, 0.8f - 1e-5f) << "dips below the waist at x " << k.x;
    }
    if (k.x > 4) {
      // the cap is a quarter ellipse: half width 1.2 at x 4 closing to nothing at x 6
      const float t = (k.x - 4) / 2;
      EXPECT_NEAR(k.halfWidth, 1.2f * std::sqrt(std::max(0.0f, 1 - t * t)), 2e-3f) << "at x " << k.x;
    }
  }
  EXPECT_EQ(body->point(0, 0.3f).x, 6.0f);
  EXPECT_NEAR(body->point(1, 0.3f).y, 0.7f, 1e-5f);
  // rings start at the top and pass the +z side a quarter of the way round
  const Vec3 top = body->point(0.5f, 0), side = body->point(0.5f, 0.25f);
  EXPECT_NEAR(top.z, 0.0f, 1e-5f);
  EXPECT_GT(top.y, body->section(0.5f).centreY);
  EXPECT_NEAR(side.z, body->section(0.5f).halfWidth, 1e-4f);
}

TEST(AircraftShapes, WingRowsComeAsAskedSymmetricAndOnThePlanformsKinks) {
  const Wing wing({{0, 3, 4, 0.14f, -1}, {2, 2.5f, 3.5f, 0.14f, -1}, {9, 0, 1.2f, 0.1f, 0}}, true, 0.6f);
  for (int count : {3, 8, 16, 32, 38}) {
    const std::vector<float> rows = wing.rows(count);
    SCOPED_TRACE(count);
    EXPECT_GE(static_cast<int>(rows.size()), count - 1);
    EXPECT_LE(static_cast<int>(rows.size()), count);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_NEAR(rows[i], 1.0f - rows[rows.size() - 1 - i], 1e-5f);
    if (count >= 16) {
      EXPECT_EQ(rows.front(), 0.0f);  // fine wings reach their rounded tips
      for (float kink : {0.5f + 2.0f / 18.0f, 0.5f, 0.5f - 2.0f / 18.0f}) {
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](float r) { return std::abs(r - kink) < 1e-5f; }))
            << "no row on the kink at " << kink;
      }
    }
  }
  const Wing fin({{0, -2, 2, 0.1f, 0}, {2, -3, 1, 0.1f, 0}}, false, 0.0f);
  const std::vector<float> finRows = fin.rows(5);
  ASSERT_EQ(finRows.size(), 5u);
  EXPECT_EQ(finRows.front(), 0.0f);
  EXPECT_EQ(finRows.back(), 1.0f);
}

TEST(AircraftPaint, LettersCoverTheirGlyphsAndNothingBetweenThem) {
  // "H" in a 5 × 7 grid 0.7 high: columns 0 and 4 full height, the bar on the middle row
  EXPECT_TRUE(textCovers("HI", 0, 0, 0.7f, 0.05f, 0.65f));
  EXPECT_TRUE(textCovers("HI", 0, 0, 0.7f, 0.25f, 0.35f));
  EXPECT_FALSE(textCovers("HI", 0, 0, 0.7f, 0.25f, 0.65f));
  EXPECT_FALSE(textCovers("HI", 0, 0, 0.7f, 0.55f, 0.35f));  // the gap before the I
  EXPECT_TRUE(textCovers("HI", 0, 0, 0.7f, 0.85f, 0.35f));   // the I's stem
  EXPECT_FALSE(textCovers("HI", 0, 0, 0.7f, 0.05f, 0.75f));  // above the letters
  EXPECT_FALSE(textCovers("H?", 0, 0, 0.7f, 0.85f, 0.35f));  // no glyph: nothing painted
  EXPECT_NEAR(textWidth("HI", 0.7f), 1.1f, 1e-5f);
}

// ---------------------------------------------------------------------------------------------
// The fleet, generated once for the suite.

class Fleet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fleet_ = new std::vector<GeneratedAircraft>;
    for (const AircraftDesign& d : makeFleet()) {
      fleet_->emplace_back();
      ASSERT_TRUE(generateAircraft(d, fleet_->back()));
    }
  }
  static void TearDownTestSuite() {
    delete fleet_;
    fleet_ = nullptr;
  }
  static const GeneratedAircraft& type(const std::string& name) {
    for (const GeneratedAircraft& a : *fleet_) {
      if (a.design.name == name) return a;
    }
    ADD_FAILURE() << "no " << name;
    return fleet_->front();
  }
  static int triangles(const GeneratedAircraft& a, int level) { return a.levels[level].model.indexTotal / 3; }
  static std::vector<AttachmentPoint> withFlag(const GeneratedAircraft& a, std::uint32_t flag) {
    std::vector<AttachmentPoint> out;
    for (const AttachmentPoint& p : a.design.attachments) {
      if (p.flags & flag) out.push_back(p);
    }
    return out;
  }

  static std::vector<GeneratedAircraft>* fleet_;
};
std::vector<GeneratedAircraft>* Fleet::fleet_ = nullptr;

TEST_F(Fleet, HasTheNineTypesInOrder) {
  ASSERT_EQ(fleet_->size(), std::size(kNames));
  for (std::size_t i = 0; i < fleet_->size(); ++i) EXPECT_EQ((*fleet_)[i].design.name, kNames[i]);
}

TEST_F(Fleet, LevelsKeepToTheirTriangleBudgetsAndFallFromOneToTheNext) {
  for (const GeneratedAircraft& a : *fleet_) {
    SCOPED_TRACE(a.design.name);
    const int t0 = triangles(a, 0), t1 = triangles(a, 1), t2 = triangles(a, 2), t3 = triangles(a, 3);
    EXPECT_GE(t0, 2000);
    EXPECT_LE(t0, 6000);
    EXPECT_GE(t1, t0 / 4);  // about a third of the finest
    EXPECT_LE(t1, t0 / 2);
    EXPECT_GE(t2, 150);  // a few hundred
    EXPECT_LE(t2, 600);
    EXPECT_GE(t3, 24);  // a few dozen
    EXPECT_LE(t3, 80);
    EXPECT_GT(t0, t1);
    EXPECT_GT(t1, t2);
    EXPECT_GT(t2, t3);
  }
}

TEST_F(Fleet, EveryPartIsClosedAndWoundToFaceOutward) {
  for (const GeneratedAircraft& a : *fleet_) {
    for (int l = 0; l < kLevels; ++l) {
      const BuiltLevel& level = a.levels[l];
      for (std::size_t i = 0; i < level.spans.size(); ++i) {
        const PartSpan& span = level.spans[i];
        const ModelSubset& s = level.model.subsets[span.subset];
        SCOPED_TRACE(level.model.name + " part " + std::to_string(level.parts[i]));
        EXPECT_TRUE(isClosed(s, span));
        const double volume = signedVolume6(s.vertices, s.indices, span.firstIndex, span.indexCount, spanCentre(s, span));
        EXPECT_TRUE(volume > 0.0 || (l == kLevels - 1 && isPlate(s, span, volume))) << "volume " << volume;
      }
    }
  }
}

// Direct3D culls triangles that appear counter-clockwise; with (v1 - v0) × (v2 - v0) along the
// outward normal they appear clockwise from outside, so the faces toward the camera are drawn.
TEST_F(Fleet, NormalsAreUnitLengthAndOnTheSideTheWindingFaces) {
  for (const GeneratedAircraft& a : *fleet_) {
    for (const BuiltLevel& level : a.levels) {
      for (std::size_t i = 0; i < level.spans.size(); ++i) {
        const PartSpan& span = level.spans[i];
        const ModelSubset& s = level.model.subsets[span.subset];
        SCOPED_TRACE(level.model.name + " part " + std::to_string(level.parts[i]));
        for (std::uint32_t v = span.firstVertex; v < span.firstVertex + span.vertexCount; ++v) {
          ASSERT_NEAR(length(normalOf(s.vertices[v])), 1.0f, 1e-4f);
        }
        for (std::uint32_t k = span.firstIndex; k < span.firstIndex + span.indexCount; k += 3) {
          const Vec3 p0 = position(s.vertices[s.indices[k]]);
          const Vec3 face = cross(position(s.vertices[s.indices[k + 1]]) - p0, position(s.vertices[s.indices[k + 2]]) - p0);
          for (int c = 0; c < 3; ++c) {
            ASSERT_GT(dot(face, normalOf(s.vertices[s.indices[k + c]])), 0.0f) << "triangle at index " << k;
          }
        }
      }
    }
  }
}

TEST_F(Fleet, IndicesAndTextureCoordinatesStayInRange) {
  for (const GeneratedAircraft& a : *fleet_) {
    for (const BuiltLevel& level : a.levels) {
      SCOPED_TRACE(level.model.name);
      for (const ModelSubset& s : level.model.subsets) {
        EXPECT_LE(s.vertices.size(), 65536u);
        EXPECT_EQ(s.indices.size() % 3, 0u);
        for (std::uint16_t i : s.indices) ASSERT_LT(i, s.vertices.size());
      }
      for (std::size_t i = 0; i < level.spans.size(); ++i) {
        const PartSpan& span = level.spans[i];
        const UvRect& r = a.atlas.rects[level.parts[i]];
        const ModelSubset& s = level.model.subsets[span.subset];
        for (std::uint32_t v = span.firstVertex; v < span.firstVertex + span.vertexCount; ++v) {
          const ModelVertex& x = s.vertices[v];
          ASSERT_GE(x.u, r.u0 - 1e-6f);
          ASSERT_LE(x.u, r.u1 + 1e-6f);
          ASSERT_GE(x.v, r.v0 - 1e-6f);
          ASSERT_LE(x.v, r.v1 + 1e-6f);
          ASSERT_TRUE(x.u > 0 && x.u < 1 && x.v > 0 && x.v < 1);
        }
      }
    }
  }
}

// What makes every level share the one livery: a vertex's texture coordinates, read back through
// its part's rectangle, name the very surface point the vertex sits on.
TEST_F(Fleet, TextureCoordinatesNameTheSurfacePointUnderEachVertex) {
  for (const GeneratedAircraft& a : *fleet_) {
    for (const BuiltLevel& level : a.levels) {
      for (std::size_t i = 0; i < level.spans.size(); ++i) {
        const Part& part = a.design.parts[level.parts[i]];
        const UvRect& r = a.atlas.rects[level.parts[i]];
        const PartSpan& span = level.spans[i];
        const ModelSubset& s = level.model.subsets[span.subset];
        SCOPED_TRACE(level.model.name + " part " + std::to_string(level.parts[i]));
        for (std::uint32_t v = span.firstVertex; v < span.firstVertex + span.vertexCount; ++v) {
          const ModelVertex& x = s.vertices[v];
          const float pa = (x.u - r.u0) / (r.u1 - r.u0), pb = (x.v - r.v0) / (r.v1 - r.v0);
          const Vec3 open = partPoint(part, pa, pb);
          const Vec3 shut = transformCoord(part.surface->closedPoint(pa, pb), part.place);
          const float miss = std::min(length(open - position(x)), length(shut - position(x)));
          ASSERT_LT(miss, 2e-3f) << "vertex " << v;
        }
      }
    }
  }
}

// The livery's colour at the vertex nearest to a point on parts of the given role.
Colour paintNear(const GeneratedAircraft& a, Role role, const Vec3& at) {
  const BuiltLevel& level = a.levels[0];
  float best = 1e9f;
  Colour c;
  for (std::size_t i = 0; i < level.spans.size(); ++i) {
    if (a.design.parts[level.parts[i]].role != role) continue;
    const ModelSubset& s = level.model.subsets[level.spans[i].subset];
    for (std::uint32_t v = level.spans[i].firstVertex; v < level.spans[i].firstVertex + level.spans[i].vertexCount; ++v) {
      const float d = length(position(s.vertices[v]) - at);
      if (d >= best) continue;
      best = d;
      const int tx = std::clamp(static_cast<int>(s.vertices[v].u * a.livery.width), 0, a.livery.width - 1);
      const int ty = std::clamp(static_cast<int>(s.vertices[v].v * a.livery.height), 0, a.livery.height - 1);
      const float* p = a.livery.at(tx, ty);
      c = {p[0], p[1], p[2]};
    }
  }
  EXPECT_LT(best, 0.6f) << "no vertex near the point";
  return c;
}

TEST_F(Fleet, TheLiveriesPutTheirColoursWhereTheSchemesSay) {
  const Colour airlinerFin = paintNear(type("airliner"), Role::Fin, {-14.0f, 3.0f, 0.2f});
  EXPECT_GT(airlinerFin.b, airlinerFin.r + 50);
  const Colour airlinerRoof = paintNear(type("airliner"), Role::Fuselage, {0, 1.95f, 0});
  EXPECT_GT(std::min({airlinerRoof.r, airlinerRoof.g, airlinerRoof.b}), 215.0f);
  const Colour intake = paintNear(type("fighter"), Role::Intake, {2.6f, -0.12f, 0.82f});
  EXPECT_LT(std::max({intake.r, intake.g, intake.b}), 45.0f);
  const Colour fighterBelly = paintNear(type("fighter"), Role::Fuselage, {-2, -0.64f, 0});
  EXPECT_NEAR(fighterBelly.r, fighterBelly.b, 25.0f);  // grey
  EXPECT_GT(fighterBelly.g, 150.0f);                    // the light underside
  const Colour trainerSpine = paintNear(type("trainer"), Role::Fuselage, {-2.5f, 0.55f, 0});
  EXPECT_GT(trainerSpine.r, 190.0f);
  EXPECT_LT(trainerSpine.b, 100.0f);  // yellow
  const Colour gliderTip = paintNear(type("glider"), Role::Wing, {0.2f, 0.78f, 7.3f});
  EXPECT_GT(gliderTip.r, 190.0f);
  EXPECT_LT(gliderTip.g, 130.0f);  // day-glo
  const Colour heliBelly = paintNear(type("helicopter"), Role::Fuselage, {0, -0.67f, 0});
  EXPECT_GT(heliBelly.r, heliBelly.g + 100);  // red
  const Colour float_ = paintNear(type("seaplane"), Role::Float, {1.0f, -2.0f, 1.69f});
  EXPECT_GT(float_.b, float_.r + 80);  // blue
  const Colour transportWing = paintNear(type("transport"), Role::Wing, {0.5f, 2.0f, 8.0f});
  EXPECT_GT(transportWing.g, transportWing.b + 15);  // olive or green
}

TEST_F(Fleet, TheLiveryRectanglesLieInsideThePictureWithoutOverlapping) {
  for (const GeneratedAircraft& a : *fleet_) {
    SCOPED_TRACE(a.design.name);
    const auto& regions = a.atlas.regions;
    for (std::size_t i = 0; i < regions.size(); ++i) {
      const AtlasRegion& p = regions[i];
      EXPECT_GE(p.x - kAtlasMargin, 0);
      EXPECT_GE(p.y - kAtlasMargin, 0);
      EXPECT_LE(p.x + p.w + kAtlasMargin, a.atlas.width);
      EXPECT_LE(p.y + p.h + kAtlasMargin, a.atlas.height);
      for (std::size_t j = i + 1; j < regions.size(); ++j) {
        const AtlasRegion& q = regions[j];
        const bool apart = p.x + p.w + kAtlasMargin <= q.x - kAtlasMargin || q.x + q.w + kAtlasMargin <= p.x - kAtlasMargin ||
                           p.y + p.h + kAtlasMargin <= q.y - kAtlasMargin || q.y + q.h + kAtlasMargin <= p.y - kAtlasMargin;
        EXPECT_TRUE(apart) << "parts " << p.part << " and " << q.part;
      }
    }
  }
}

TEST_F(Fleet, BoundsCentreRadiusAndTotalsDescribeTheVertices) {
  for (const GeneratedAircraft& a : *fleet_) {
    for (const BuiltLevel& level : a.levels) {
      const Model& m = level.model;
      SCOPED_TRACE(m.name);
      Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
      float radius = 0;
      std::int32_t vertices = 0, indices = 0;
      for (const ModelSubset& s : m.subsets) {
        vertices += static_cast<std::int32_t>(s.vertices.size());
        indices += static_cast<std::int32_t>(s.indices.size());
        for (const ModelVertex& v : s.vertices) {
          lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
          hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
          radius = std::max(radius, length(position(v)));
        }
      }
      EXPECT_EQ(m.vertexTotal, vertices);
      EXPECT_EQ(m.indexTotal, indices);
      EXPECT_EQ(m.radius, radius);
      EXPECT_EQ(m.boundsMin.x, lo.x);
      EXPECT_EQ(m.boundsMin.y, lo.y);
      EXPECT_EQ(m.boundsMax.z, hi.z);
      EXPECT_NEAR(m.centre.x, 0.5f * (lo.x + hi.x), 1e-5f);
      EXPECT_NEAR(m.centre.y, 0.5f * (lo.y + hi.y), 1e-5f);
      // the origin, near the centre of gravity, lies in the middle of the aircraft's length
      EXPECT_LT(lo.x + 0.2f * (hi.x - lo.x), 0.0f);
      EXPECT_GT(hi.x - 0.2f * (hi.x - lo.x), 0.0f);
      EXPECT_LT(std::abs(m.centre.z), 1e-3f);
    }
  }
}

TEST_F(Fleet, TheCoarsestLevelKeepsLengthSpanAndTail) {
  for (const GeneratedAircraft& a : *fleet_) {
    SCOPED_TRACE(a.design.name);
    const Vec3 fine = a.levels[0].model.boundsMax - a.levels[0].model.boundsMin;
    const Vec3 coarse = a.levels[3].model.boundsMax - a.levels[3].model.boundsMin;
    EXPECT_GT(coarse.x, 0.9f * fine.x);
    EXPECT_GT(coarse.z, 0.9f * fine.z);
    EXPECT_GT(coarse.y, 0.5f * fine.y);  // the fin stands; fixed gear may go
  }
}

TEST_F(Fleet, SubsetsShareTheLiveryAndGlassIsDarkerAndShinierThanPaint) {
  for (const GeneratedAircraft& a : *fleet_) {
    for (int level = 0; level < kLevels; ++level) {
      const Model& m = a.levels[level].model;
      EXPECT_EQ(m.name, level == 0 ? a.design.name + ".x" : a.design.name + std::to_string(level) + ".x");
      ASSERT_GE(m.subsets.size(), 1u);
      ASSERT_LE(m.subsets.size(), 2u);
      for (const ModelSubset& s : m.subsets) EXPECT_EQ(s.textureName, a.design.name + ".jpg");
      const Material& paint = m.subsets[0].material;
      EXPECT_EQ(paint.diffuse.r, 1.0f);
      EXPECT_EQ(paint.diffuse.a, 1.0f);
      EXPECT_NEAR(paint.ambient.g, 0.6f, 0.05f);
      EXPECT_GE(paint.specular.b, 0.3f);
      EXPECT_LE(paint.specular.b, 0.5f);
      EXPECT_GE(paint.power, 20.0f);
      EXPECT_LE(paint.power, 40.0f);
      EXPECT_EQ(paint.emissive.r + paint.emissive.g + paint.emissive.b, 0.0f);
      if (m.subsets.size() == 2) {
        const Material& glass = m.subsets[1].material;
        EXPECT_LT(glass.diffuse.g, paint.diffuse.g);
        EXPECT_GT(glass.specular.g, paint.specular.g);
        EXPECT_GT(glass.power, paint.power);
      }
    }
  }
  // the types with a cockpit or cabin show its glass up close
  for (const char* name : {"trainer", "fighter", "helicopter", "glider", "mplane", "seaplane", "biplane"}) {
    EXPECT_EQ(type(name).levels[0].model.subsets.size(), 2u) << name;
  }
}

TEST_F(Fleet, LiveriesAreTheirOwnAndTheRandomlyTintedOnesAreLight) {
  const auto meanColour = [](const GeneratedAircraft& a) {
    double sum[3] = {0, 0, 0};
    long n = 0;
    for (const AtlasRegion& r : a.atlas.regions) {
      for (int y = r.y; y < r.y + r.h; ++y) {
        for (int x = r.x; x < r.x + r.w; ++x) {
          for (int c = 0; c < 3; ++c) sum[c] += a.livery.at(x, y)[c];
          ++n;
        }
      }
    }
    return std::array<double, 3>{sum[0] / n, sum[1] / n, sum[2] / n};
  };
  for (std::size_t i = 0; i < fleet_->size(); ++i) {
    for (std::size_t j = i + 1; j < fleet_->size(); ++j) {
      const auto p = meanColour((*fleet_)[i]), q = meanColour((*fleet_)[j]);
      const double d = std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
      const bool tinted = (*fleet_)[i].design.name == "biplane" && (*fleet_)[j].design.name == "mplane";
      if (!tinted) {
        EXPECT_GT(d, 12.0) << (*fleet_)[i].design.name << " and " << (*fleet_)[j].design.name;
      }
    }
  }
  // The program multiplies these two by random colours: only a light picture lets the tint show.
  for (const char* name : {"biplane", "mplane"}) {
    const GeneratedAircraft& a = type(name);
    const Part& body = a.design.parts[0];
    ASSERT_EQ(body.role, Role::Fuselage);
    int light = 0, dark = 0, n = 0;
    for (const AtlasRegion& r : a.atlas.regions) {
      if (a.design.parts[r.part].glass) continue;
      for (int y = r.y; y < r.y + r.h; ++y) {
        for (int x = r.x; x < r.x + r.w; ++x) {
          const float* p = a.livery.at(x, y);
          const float lum = 0.3f * p[0] + 0.59f * p[1] + 0.11f * p[2];
          light += lum > 180 ? 1 : 0;
          dark += lum < 110 ? 1 : 0;
          ++n;
        }
      }
    }
    EXPECT_GT(light, n * 6 / 10) << name;
    EXPECT_GT(dark, n / 100) << name << ": detail lines";
  }
}

TEST_F(Fleet, AttachmentsPutBladesFlamesAndTrailsWhereTheyBelong) {
  for (const GeneratedAircraft& a : *fleet_) {
    SCOPED_TRACE(a.design.name);
    EXPECT_FALSE(withFlag(a, kAttachSmoke).empty());
    for (const AttachmentPoint& p : a.design.attachments) {
      const Model& m = a.levels[0].model;
      EXPECT_LT(length(p.offset), m.radius + 0.5f);
    }
  }
  for (const char* name : {"biplane", "mplane", "trainer", "seaplane"}) {
    const GeneratedAircraft& a = type(name);
    const auto props = withFlag(a, kAttachPropeller);
    ASSERT_EQ(props.size(), 1u) << name;
    // just ahead of the spinner, which is the mesh's foremost point
    EXPECT_GE(props[0].offset.x, a.levels[0].model.boundsMax.x) << name;
    EXPECT_LE(props[0].offset.x, a.levels[0].model.boundsMax.x + 0.2f) << name;
    EXPECT_EQ(props[0].offset.z, 0.0f) << name;
  }
  const auto transportBlades = withFlag(type("transport"), kAttachRotor);
  ASSERT_EQ(transportBlades.size(), 2u);
  EXPECT_EQ(transportBlades[0].offset.z, -transportBlades[1].offset.z);
  for (const AttachmentPoint& p : transportBlades) {
    EXPECT_EQ(p.angle, 0.0f);
    EXPECT_EQ(p.scale.x, 1.0f);
    EXPECT_NEAR(p.scale.y, 1.7f, 0.2f);
    EXPECT_EQ(p.scale.y, p.scale.z);
  }
  const GeneratedAircraft& heli = type("helicopter");
  const auto rotor = withFlag(heli, kAttachRotor);
  const auto tailRotor = withFlag(heli, kAttachSideRotor);
  ASSERT_EQ(rotor.size(), 1u);
  ASSERT_EQ(tailRotor.size(), 1u);
  EXPECT_NEAR(rotor[0].angle, kPi / 2, 1e-6f);
  EXPECT_NEAR(rotor[0].scale.y, 5.5f, 0.5f);
  EXPECT_GE(rotor[0].offset.y, heli.levels[0].model.boundsMax.y - 0.1f);  // on the mast's top
  EXPECT_NEAR(tailRotor[0].angle, kPi / 2, 1e-6f);
  EXPECT_LT(tailRotor[0].offset.x, heli.levels[0].model.boundsMin.x + 1.0f);
  EXPECT_NE(tailRotor[0].offset.z, 0.0f);  // beside the fin, not in it
  const auto fighterFlames = withFlag(type("fighter"), kAttachFlame);
  ASSERT_FALSE(fighterFlames.empty());
  for (const AttachmentPoint& p : fighterFlames) {
    EXPECT_GE(p.scale.x, 0.3f);
    EXPECT_LE(p.scale.x, 0.7f);
    EXPECT_LE(p.offset.x, type("fighter").levels[0].model.boundsMin.x + 0.1f);  // at the nozzle's exit
  }
  EXPECT_EQ(withFlag(type("airliner"), kAttachFlame).size(), 2u);
  for (const char* name : {"biplane", "mplane", "trainer", "transport", "helicopter", "seaplane", "glider"}) {
    EXPECT_TRUE(withFlag(type(name), kAttachFlame).empty()) << name;
  }
}

TEST_F(Fleet, FlightParametersSuitEachType) {
  struct Expected {
    const char* name;
    float topSpeed, turnRate, ceiling, range;
  };
  const Expected table[] = {
      {"biplane", 60, 1.4f, 6000, 1000},      {"mplane", 70, 1.2f, 6500, 1000},   {"trainer", 120, 1.6f, 8000, 1500},
      {"transport", 160, 0.7f, 9000, 1000},   {"fighter", 600, 2.0f, 15000, 3000}, {"airliner", 240, 0.5f, 12000, 1000},
      {"helicopter", 70, 1.2f, 6000, 1000},  {"seaplane", 65, 1.0f, 6000, 1000}, {"glider", 45, 0.9f, 7000, 1000},
  };
  std::vector<std::int32_t> codes;
  for (const Expected& e : table) {
    const FlightParameters& f = type(e.name).design.flight;
    SCOPED_TRACE(e.name);
    EXPECT_EQ(f.topSpeed, e.topSpeed);
    EXPECT_EQ(f.turnRate, e.turnRate);
    EXPECT_EQ(f.ceiling, e.ceiling);
    EXPECT_EQ(f.range, e.range);
    EXPECT_EQ(f.word84, 40);
    EXPECT_EQ(f.float116, 3.0f);
    EXPECT_EQ(f.float136, 5.0f);
    EXPECT_NE(f.classCode, 0);  // 0 changes the fire timer
    EXPECT_EQ((f.classCode & 0x100) != 0, std::string(e.name) == "fighter");
    codes.push_back(f.classCode);
  }
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
}

TEST_F(Fleet, TheSameDesignGivesTheSameBytes) {
  const std::vector<AircraftDesign> again = makeFleet();
  for (std::size_t i = 0; i < again.size(); ++i) {
    GeneratedAircraft second;
    ASSERT_TRUE(generateAircraft(again[i], second));
    Bytes first, repeat;
    ASSERT_TRUE(makeAircraftFile((*fleet_)[i], first));
    ASSERT_TRUE(makeAircraftFile(second, repeat));
    EXPECT_EQ(first, repeat) << again[i].name;
  }
}

// ---------------------------------------------------------------------------------------------
// The files of the generated install tree.

TEST_F(Fleet, EveryFileReadsBackWithItsMeshesAttachmentsFlightAndLivery) {
  const fs::path dir = fs::path(SKYLOOM_ASSETS_DIR) / "Skyloom" / "aircraft";
  for (const GeneratedAircraft& made : *fleet_) {
    const AircraftDesign& design = made.design;
    SCOPED_TRACE(design.name);
    const std::string text = skyloom::testing::readFile(dir / (design.name + ".cu"));
    const Bytes bytes(text.begin(), text.end());
    const auto parsed = parseUnitFile(bytes);
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->size(), 1u);
    const ParsedDescription& p = parsed->front();
    const UnitDescription& d = p.description;
    EXPECT_EQ(d.name, design.name);
    EXPECT_EQ(d.lodCount, 4);
    EXPECT_EQ(d.kind, 2);
    ASSERT_EQ(d.slots.size(), 4u);
    ASSERT_EQ(p.models.size(), 4u);
    for (int level = 0; level < 4; ++level) {
      EXPECT_EQ(d.slots[level].meshName, p.models[level]->name);
      for (int i = 0; i < 16; ++i) EXPECT_EQ(d.slots[level].matrix.m[i / 4][i % 4], i % 5 == 0 ? 1.0f : 0.0f);
      EXPECT_GT(p.models[level]->indexTotal, 0);
    }
    EXPECT_EQ(p.models[0]->name, design.name + ".x");
    EXPECT_EQ(p.models[3]->name, design.name + "3.x");
    EXPECT_GT(p.models[0]->indexTotal, p.models[3]->indexTotal);
    EXPECT_EQ(d.flight.topSpeed, design.flight.topSpeed);
    EXPECT_EQ(d.flight.classCode, design.flight.classCode);
    ASSERT_EQ(d.attachments.size(), design.attachments.size());
    for (std::size_t i = 0; i < d.attachments.size(); ++i) {
      EXPECT_EQ(d.attachments[i].flags, design.attachments[i].flags);
      EXPECT_EQ(d.attachments[i].offset.x, design.attachments[i].offset.x);
      EXPECT_EQ(d.attachments[i].scale.y, design.attachments[i].scale.y);
      EXPECT_EQ(d.attachments[i].angle, design.attachments[i].angle);
    }
    ASSERT_TRUE(d.texturePack.has_value());
    const TexturePackEntry* livery = d.texturePack->find(design.name + ".jpg");
    ASSERT_NE(livery, nullptr);
    const std::size_t at = static_cast<std::size_t>(d.texturePackOffset) + livery->offset;
    ASSERT_LE(at + livery->length, bytes.size());
    Image image;
    ASSERT_TRUE(decodeJpeg(ByteSpan(bytes).subspan(at, livery->length), image));
    EXPECT_EQ(image.width, 512u);
    EXPECT_EQ(image.height, 512u);
    // The meshes come back exactly as made: loading repairs no normal and moves no vertex.
    for (int level = 0; level < 4; ++level) {
      const Model& mine = made.levels[level].model;
      const Model& read = *p.models[level];
      EXPECT_EQ(read.radius, mine.radius);
      EXPECT_EQ(read.boundsMin.y, mine.boundsMin.y);
      ASSERT_EQ(read.subsets.size(), mine.subsets.size());
      for (std::size_t k = 0; k < mine.subsets.size(); ++k) {
        const ModelSubset& a = mine.subsets[k];
        const ModelSubset& b = read.subsets[k];
        EXPECT_EQ(b.textureName, design.name + ".jpg");
        EXPECT_EQ(b.material.power, a.material.power);
        ASSERT_EQ(b.indices, a.indices);
        ASSERT_EQ(b.vertices.size(), a.vertices.size());
        for (std::size_t v = 0; v < a.vertices.size(); ++v) {
          ASSERT_EQ(b.vertices[v].x, a.vertices[v].x);
          ASSERT_EQ(b.vertices[v].u, a.vertices[v].u);
          ASSERT_NEAR(b.vertices[v].nx, a.vertices[v].nx, 1e-6f) << p.models[level]->name << " vertex " << v;
          ASSERT_NEAR(b.vertices[v].ny, a.vertices[v].ny, 1e-6f) << p.models[level]->name << " vertex " << v;
        }
      }
    }
  }
}

TEST(AircraftFiles, AFolderThatCannotBeMadeIsAFailureNotACrash) {
  const fs::path root = fs::temp_directory_path() / "skyloom_aircraft_blocked";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(root, ec);
  skyloom::testing::writeFile(root / "aircraft", "a file where the folder should be");
  EXPECT_FALSE(writeAircraft(root));
  fs::remove_all(root, ec);
}

}  // namespace
}  // namespace skyloom::assetgen
