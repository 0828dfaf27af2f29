#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "app/scene.h"
#include "effects/trail_manager.h"
#include "platform/gfx/recording_device.h"
#include "state_check.h"

namespace skyloom {
namespace {

constexpr float kDegree = 3.14159265f / 180.0f;

// A manager without textures and one trail of it, fed and drawn on a clock the test sets.
struct TrailRig {
  explicit TrailRig(int length) : manager(TrailManager::create(length, nullptr)), trail(*manager->newTrail()) {}
  void feed(std::int64_t now, Vec3 p, Vec3 drift = {}) {
    manager->setClock(now, 1.0f / 60.0f);
    trail.addPoint(p, drift);
  }
  void drawAt(std::int64_t now, float dt = 0.0f) {
    manager->setClock(now, dt);
    device.clearRecording();
    device.beginScene();
    manager->render(device);
    device.endScene();
  }
  std::uint32_t alpha(int point) const { return trail.pointVertices(point)[0].colour >> 24; }

  std::unique_ptr<TrailManager> manager;
  SmokeTrail& trail;
  RecordingDevice device;
};

// ---------------------------------------------------------------------------------------------
// Sizes from the trail length setting, the index list and the trail capacity

TEST(TrailSizes, FollowTheLengthSettingAndClampIt) {
  struct Case { int length, points; std::int64_t lifetime; float tolerance; };
  for (const Case& c : {Case{1, 52, 15, 0.01f}, Case{19, 88, 3615, 0.01f}, Case{20, 90, 4005, 0.02f},
                        Case{50, 150, 25005, 0.02f}, Case{100, 250, 100005, 0.02f}, Case{0, 52, 15, 0.01f},
                        Case{-7, 52, 15, 0.01f}, Case{1000, 250, 100005, 0.02f}}) {
    const TrailSizes s = trailSizes(c.length);
    EXPECT_EQ(s.points, c.points) << c.length;
    EXPECT_EQ(s.lifetimeMs, c.lifetime) << c.length;
    EXPECT_EQ(s.tolerance, c.tolerance) << c.length;
    EXPECT_EQ(s.maxSegmentSquared, 25.0f);
    auto manager = TrailManager::create(c.length, nullptr);
    EXPECT_EQ(manager->indices().size(), static_cast<std::size_t>(c.points - 1) * 24) << c.length;
    EXPECT_EQ(manager->newTrail()->vertices().size(), static_cast<std::size_t>(c.points) * 4);
  }
}

TEST(TrailManager, SharesOneIndexListOfTwoDoubleSidedQuadsPerSegment) {
  auto manager = TrailManager::create(50, nullptr);
  const auto idx = manager->indices();
  const std::vector<std::uint16_t> first(idx.begin(), idx.begin() + 24);
  EXPECT_EQ(first, (std::vector<std::uint16_t>{0, 1, 5, 0, 5, 4, 0, 5, 1, 0, 4, 5,
                                               2, 7, 3, 2, 6, 7, 2, 3, 7, 2, 7, 6}));
  for (int k = 0; k < 24; ++k) EXPECT_EQ(idx[24 * 7 + k], first[k] + 28);
  EXPECT_EQ(*std::max_element(idx.begin(), idx.end()), 4 * 150 - 1);
}

TEST(TrailManager, HandsOutFiveHundredTenTrailsAndNoMore) {
  auto manager = TrailManager::create(1, nullptr);
  for (int i = 0; i < 510; ++i) {
    SmokeTrail* t = manager->newTrail();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->id(), i);
  }
  EXPECT_EQ(manager->newTrail(), nullptr);
  EXPECT_EQ(manager->trailCount(), 510);
}

// ---------------------------------------------------------------------------------------------
// Feeding a trail

TEST(SmokeTrail, StartsFromItsInitialVerticesAndTheFirstPointFillsEveryPoint) {
  TrailRig rig(50);
  EXPECT_EQ(rig.trail.count(), 0);
  const auto v = rig.trail.vertices();
  for (std::size_t i = 0; i < v.size(); ++i) {
    EXPECT_EQ(v[i].colour, 0x80FF0000u);
    EXPECT_EQ(v[i].u, 0.05f);
    EXPECT_EQ(v[i].v, i % 2 == 0 ? 0.05f : 0.95f);
  }
  rig.drawAt(10);
  EXPECT_TRUE(rig.device.draws().empty());  // nothing to draw before the first point

  rig.feed(1000, {5, 6, 7}, {1, 2, 3});
  EXPECT_EQ(rig.trail.count(), 2);
  EXPECT_EQ(rig.trail.anchor().x, 5.0f);
  EXPECT_EQ(rig.trail.lastDirection().y, 0.1f);
  for (int j = 0; j < 2; ++j) {
    EXPECT_EQ(rig.trail.record(j).timeMs, 1000);
    EXPECT_EQ(rig.trail.record(j).drift.z, 3.0f);
  }
  for (int j = 1; j < rig.trail.capacity(); ++j) EXPECT_EQ(rig.trail.pointVertices(j)[3].z, 7.0f) << j;
}

// The first direction is the diagonal (0.1, 0.1, 0.1), so the first move starts a point; after
// that a straight flight cuts the head segment only when its squared length passes 25, and a
// unit that stands still adds nothing.
TEST(SmokeTrail, StraightSlowFlightAddsAPointOnlyEveryFiveUnits) {
  TrailRig rig(50);
  rig.feed(0, {0, 0, 0});
  for (int k = 0; k < 50; ++k) rig.feed(k, {0, 0, 0});
  EXPECT_EQ(rig.trail.count(), 2);
  rig.feed(100, {0.25f, 0, 0});
  EXPECT_EQ(rig.trail.count(), 3);
  EXPECT_EQ(rig.trail.anchor().x, 0.25f);
  float x = 0.25f;
  std::int64_t now = 100;
  while (x < 5.0f) {
    x += 0.25f;
    rig.feed(now += 16, {x, 0, 0});
    EXPECT_EQ(rig.trail.count(), 3) << x;
  }
  rig.feed(now += 16, {5.25f, 0, 0});  // |d|² = 25, + 0.001 passes 25
  EXPECT_EQ(rig.trail.count(), 4);
  EXPECT_EQ(rig.trail.anchor().x, 5.25f);
  EXPECT_EQ(rig.trail.lastDirectionSquared(), 25.0f);
}

// After a cut along +x, one unit along a turned heading: 6° bends neither tolerance, 10° only
// the short trails' 0.01, 14° both.
TEST(SmokeTrail, ABendBeyondTheToleranceStartsAPoint) {
  struct Case { int length; float degrees; int added; };
  for (const Case& c : {Case{10, 6, 0}, Case{20, 6, 0}, Case{10, 10, 1}, Case{20, 10, 0}, Case{20, 14, 1}}) {
    TrailRig rig(c.length);
    rig.feed(0, {0, 0, 0});
    rig.feed(10, {1, 0, 0});
    rig.feed(20, {6, 0, 0});
    ASSERT_EQ(rig.trail.anchor().x, 6.0f);
    const int before = rig.trail.count();
    const float a = c.degrees * kDegree;
    rig.feed(30, {6 + std::cos(a), 0, std::sin(a)});
    EXPECT_EQ(rig.trail.count() - before, c.added) << c.length << " " << c.degrees;
  }
}

TEST(SmokeTrail, CountStaysBelowTheArraysAndTheHeadFollowsTheAttachment) {
  TrailRig rig(5);  // 60 points
  for (int k = 0; k < 200; ++k) rig.feed(k * 16, {6.0f * static_cast<float>(k), 0, 0});
  EXPECT_EQ(rig.trail.count(), 59);
  // The head: the vertical pair 0.45 above and below the path, the horizontal one beside it.
  const auto head = rig.trail.pointVertices(0);
  EXPECT_NEAR(head[0].y, 0.45f, 1e-4f);
  EXPECT_NEAR(head[1].y, -0.45f, 1e-4f);
  EXPECT_NEAR(head[2].z, -0.45f, 1e-4f);
  EXPECT_EQ(head[2].x, 6.0f * 199);
  for (int j = 1; j < rig.trail.count(); ++j) {
    EXPECT_EQ(rig.trail.record(j).timeMs, (199 - j) * 16) << j;
    EXPECT_NEAR(rig.trail.pointVertices(j)[0].x, 6.0f * static_cast<float>(199 - j), 1e-3f) << j;
  }
}

TEST(SmokeTrail, HeadVerticesLieAcrossTheSegmentWithUGrowingAlongIt) {
  TrailRig rig(50);
  rig.feed(0, {0, 0, 0});
  rig.feed(10, {3, 4, 0});
  const auto head = rig.trail.pointVertices(0);
  const float h = std::sqrt(25.001f), w = 3.00001f;
  EXPECT_NEAR(head[0].x, 3 - 0.45f * 12 / (h * w), 1e-5f);
  EXPECT_NEAR(head[0].y, 4 + 0.45f * w / h, 1e-5f);
  EXPECT_NEAR(head[1].y, 4 - 0.45f * w / h, 1e-5f);
  EXPECT_NEAR(head[2].z, -0.45f, 1e-5f);
  EXPECT_NEAR(head[3].z, 0.45f, 1e-5f);
  const float u = 0.05f + 0.02f * std::sqrt(0.001f) + 0.02f * h;  // the first head's u, then this one's
  EXPECT_NEAR(head[0].u, u, 1e-6f);
  EXPECT_NEAR(head[3].u, u + 0.25f, 1e-6f);
  EXPECT_EQ(head[0].v, 0.05f);
  EXPECT_EQ(head[1].v, 0.95f);
}

// u wraps by 100 on every vertex of the trail at once, so neighbouring points keep their step.
TEST(SmokeTrail, TheUWrapMovesThePointsBehindTheHeadToo) {
  TrailRig rig(100);
  float maxU = 0;
  for (int k = 0; k < 900; ++k) {
    rig.feed(k, {6.0f * static_cast<float>(k), 0, 0});
    maxU = std::max(maxU, rig.trail.pointVertices(0)[0].u);
  }
  EXPECT_GT(maxU, 99.0f);
  EXPECT_LT(rig.trail.pointVertices(0)[0].u, 10.0f);  // it did wrap
  for (int j = 1; j + 1 < rig.trail.count(); ++j) {
    EXPECT_NEAR(rig.trail.pointVertices(j)[0].u - rig.trail.pointVertices(j + 1)[0].u, 0.12f, 1e-3f) << j;
    EXPECT_NEAR(rig.trail.pointVertices(j)[2].u - rig.trail.pointVertices(j)[0].u, 0.25f, 1e-3f) << j;
  }
}

TEST(SmokeTrail, ColourWalksWithinItsRangeAndTintsTheHead) {
  EXPECT_EQ(trailColour(210, 220, 227), 0xFFE3E3E3u);
  EXPECT_EQ(trailColour(230, 210, 255), 0xFFE6BEFFu);
  EXPECT_EQ(trailColour(228, 228, 228), 0xFFE4E4E4u);
  EXPECT_EQ(trailColour(200, 255, 227), 0xFFB4FFCFu);

  auto manager = TrailManager::create(50, nullptr);
  std::vector<SmokeTrail*> trails;
  for (int i = 0; i < 6; ++i) trails.push_back(manager->newTrail());
  manager->setClock(100, 0.016f);
  trails[0]->addPoint({}, {});
  EXPECT_EQ(trails[0]->red(), 240);    // (100 mod 3) − 1
  EXPECT_EQ(trails[0]->green(), 241);  // (101 mod 3) − 1
  EXPECT_EQ(trails[0]->blue(), 239);
  trails[2]->addPoint({}, {});         // id 2 walks with X = 2
  EXPECT_EQ(trails[2]->red(), 241);
  EXPECT_EQ(trails[2]->green(), 240);
  EXPECT_EQ(trails[2]->blue(), 239);

  for (std::int64_t now = 0; now < 20000; now += 7) {
    manager->setClock(now, 0.016f);
    for (SmokeTrail* t : trails) {
      t->addPoint({static_cast<float>(now), 0, 0}, {});
      for (int c : {t->red(), t->green(), t->blue()}) ASSERT_TRUE(c >= 200 && c <= 255) << c;
      ASSERT_EQ(t->pointVertices(0)[1].colour, trailColour(t->red(), t->green(), t->blue()));
    }
  }
}

TEST(SmokeTrail, InputThatIsNotANumberChangesNothing) {
  TrailRig rig(50);
  rig.feed(0, {1, 2, 3});
  const std::vector<TrailVertex> before(rig.trail.vertices().begin(), rig.trail.vertices().end());
  const float nan = std::numeric_limits<float>::quiet_NaN();
  rig.feed(10, {nan, 0, 0});
  rig.feed(20, {4, 0, 0}, {0, std::numeric_limits<float>::infinity(), 0});
  EXPECT_EQ(rig.trail.count(), 2);
  EXPECT_EQ(std::memcmp(before.data(), rig.trail.vertices().data(), before.size() * sizeof(TrailVertex)), 0);
  rig.feed(30, {8, 0, 0});
  rig.drawAt(40, nan);  // a frame time that is not a number moves nothing
  rig.drawAt(50, -1.0f);
  for (const TrailVertex& v : rig.trail.vertices()) ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
}

// ---------------------------------------------------------------------------------------------
// Ageing, spreading, drift, fade and the sliding tail

TEST(TrailRender, PairsSpreadByTheirRateAndTheHeadLagsTowardThePointBehind) {
  TrailRig rig(50);
  for (int k = 0; k < 6; ++k) rig.feed(k, {6.0f * static_cast<float>(k), 0, 0});
  const std::vector<TrailVertex> before(rig.trail.vertices().begin(), rig.trail.vertices().end());
  rig.drawAt(10, 0.1f);
  const float r = 0.1f * 200000.0f / (25005.0f + 100000.0f) * 1.9f;
  auto width = [](const TrailVertex* p, int a) { return std::hypot(p[a].x - p[a + 1].x, p[a].y - p[a + 1].y, p[a].z - p[a + 1].z); };
  // Points 2 to 4; the older ones are the first point, made before the trail had a direction.
  for (int j = 2; j < 5; ++j) {
    const TrailVertex* now = rig.trail.pointVertices(j).data();
    EXPECT_NEAR(width(now, 0), width(&before[4 * j], 0) + 2 * r, 1e-4f) << j;
    EXPECT_NEAR(width(now, 2), width(&before[4 * j], 2) + 2 * r, 1e-4f) << j;
    EXPECT_NEAR(now[0].x, before[4 * j].x, 1e-5f);  // widened about its own centre
  }
  EXPECT_NEAR(width(rig.trail.pointVertices(1).data(), 0), width(&before[4], 0), 1e-6f);
  EXPECT_NEAR(rig.trail.pointVertices(0)[2].z, 0.95f * before[2].z + 0.05f * before[6].z, 1e-5f);
  EXPECT_NEAR(rig.trail.pointVertices(0)[2].x, 0.95f * before[2].x + 0.05f * before[6].x, 1e-3f);

  // Drawing the same frame again moves nothing.
  const std::vector<TrailVertex> once(rig.trail.vertices().begin(), rig.trail.vertices().end());
  rig.device.beginScene();
  rig.manager->render(rig.device);
  rig.device.endScene();
  EXPECT_EQ(std::memcmp(once.data(), rig.trail.vertices().data(), once.size() * sizeof(TrailVertex)), 0);
}

TEST(TrailRender, PointsDriftAndTheirDriftSlows) {
  TrailRig rig(50);
  rig.feed(0, {0, 0, 0}, {10, 0, 0});
  rig.feed(5, {0, 6, 0}, {0, 0, 20});
  rig.drawAt(10, 0.1f);
  EXPECT_NEAR(rig.trail.pointVertices(1)[2].x, 1.0f, 1e-5f);
  EXPECT_NEAR(rig.trail.record(1).drift.x, 5.0f, 1e-5f);   // × (1 − 5 dt)
  EXPECT_NEAR(rig.trail.record(0).drift.z, 10.0f, 1e-5f);
  rig.drawAt(20, 0.2f);                                      // 1 − 5 dt = 0 < 0.3: × 0.03
  EXPECT_NEAR(rig.trail.record(1).drift.x, 0.15f, 1e-5f);
}

// Points at 0, 6, 12, 18 units made 100 ms apart, with a lifetime of 255 ms: at 400 ms the
// point made at 100 ms is the tail, 45 ms past its lifetime, and slides 45 % of the way to the
// next; 50 ms later it has slid on linearly in time, not compounded.
TEST(TrailRender, TheTailSlidesOutLinearlyAndOldPointsAreDropped) {
  TrailRig rig(5);
  ASSERT_EQ(rig.manager->sizes().lifetimeMs, 255);
  for (int k = 0; k < 4; ++k) rig.feed(100 * k, {6.0f * static_cast<float>(k), 0, 0});
  EXPECT_EQ(rig.trail.count(), 5);
  rig.drawAt(400);
  EXPECT_EQ(rig.trail.count(), 3);
  EXPECT_NEAR(rig.trail.pointVertices(2)[0].x, 8.7f, 1e-4f);
  EXPECT_EQ(rig.trail.record(2).timeMs, 145);
  EXPECT_EQ(rig.alpha(2), 0u);
  rig.drawAt(450);
  EXPECT_EQ(rig.trail.count(), 3);
  EXPECT_NEAR(rig.trail.pointVertices(2)[0].x, 6.0f + 6.0f * 0.95f, 1e-4f);
  ASSERT_EQ(rig.device.draws().size(), 1u);
  EXPECT_EQ(rig.device.draws()[0].numVertices, 12u);
  EXPECT_EQ(rig.device.draws()[0].primitiveCount, 16u);
}

// Ageing keeps the young points and one more, but never more than were in use: a trail whose
// points are all young keeps its count.
TEST(TrailRender, AgeingNeverGrowsATrail) {
  TrailRig rig(50);
  for (int k = 0; k < 3; ++k) rig.feed(k, {6.0f * static_cast<float>(k), 0, 0});
  const int count = rig.trail.count();
  rig.drawAt(3);
  EXPECT_EQ(rig.trail.count(), count);
  EXPECT_EQ(rig.device.draws()[0].numVertices, 4u * static_cast<std::uint32_t>(count));
}

TEST(TrailRender, FadesFromTheHeadAndNeverDividesByAZeroSpan) {
  TrailRig rig(5);
  for (int k = 0; k < 3; ++k) rig.feed(100 * k, {6.0f * static_cast<float>(k), 0, 0});
  rig.drawAt(200);
  // span = 200 − 0 + 1: the head is opaque, the point made at 100 ms half faded.
  EXPECT_EQ(rig.alpha(0), 255u);
  EXPECT_EQ(rig.alpha(1), 255u * 101 / 201);
  // Every point made this millisecond, and then a clock set back: alphas stay in range.
  TrailRig fresh(5);
  fresh.feed(1000, {1, 1, 1});
  fresh.drawAt(1000);
  EXPECT_EQ(fresh.alpha(0), 255u);
  EXPECT_EQ(fresh.alpha(1), 255u);
  fresh.drawAt(500);
  EXPECT_EQ(fresh.alpha(0), 255u);
  EXPECT_EQ(fresh.device.draws().size(), 1u);
}

TEST(TrailRender, ATrailNoLongerFedFadesOutAndShrinksToItsLastTwoPoints) {
  TrailRig rig(5);
  std::int64_t now = 0;
  for (int k = 0; k < 120; ++k, now += 16) {
    const float a = 0.05f * static_cast<float>(k);
    rig.feed(now, {200.0f * std::sin(a), 0, 200.0f * std::cos(a)});
    rig.drawAt(now, 0.016f);
    EXPECT_EQ(rig.alpha(0), 255u);
  }
  ASSERT_GT(rig.trail.count(), 4);
  std::uint32_t last = 255;
  for (int k = 0; k < 40; ++k, now += 16) {
    rig.drawAt(now, 0.016f);
    EXPECT_LE(rig.alpha(0), last);
    last = rig.alpha(0);
  }
  EXPECT_EQ(rig.trail.count(), 2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(rig.trail.pointVertices(0)[i].colour >> 24, 0u);
  EXPECT_NEAR(rig.trail.pointVertices(1)[0].x, rig.trail.pointVertices(0)[0].x, 1e-3f);
  EXPECT_EQ(rig.manager->trailsDrawn(), 0);
  EXPECT_TRUE(rig.device.draws().empty());

  // Fed again much later and elsewhere, it starts afresh instead of drawing a ribbon back.
  rig.feed(now + 1000, {5000, 0, 0});
  EXPECT_EQ(rig.trail.count(), 2);
  EXPECT_EQ(rig.trail.pointVertices(1)[0].x, 5000.0f);
}

// ---------------------------------------------------------------------------------------------
// The draw

TEST(TrailRender, OneIndexedUserPointerDrawPerTrailUnderTheTrailStates) {
  RecordingDevice device;
  applySceneStates(device, Matrix::identity(), Matrix::identity());
  auto manager = TrailManager::create(50, nullptr);
  SmokeTrail* a = manager->newTrail();
  SmokeTrail* b = manager->newTrail();
  manager->newTrail();  // never fed: not drawn
  manager->setClock(0, 0.016f);
  for (int k = 0; k < 4; ++k) {
    manager->setClock(k, 0.016f);
    a->addPoint({6.0f * static_cast<float>(k), 0, 0}, {});
    b->addPoint({0, 100, 0}, {});
  }
  device.beginScene();
  manager->setClock(10, 0.016f);
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { manager->render(device); }));
  device.endScene();
  ASSERT_EQ(device.draws().size(), 2u);
  const RecordedDraw& d = device.draws()[0];
  EXPECT_TRUE(d.indexed);
  EXPECT_EQ(d.type, PrimitiveType::TriangleList);
  EXPECT_EQ(d.stride, 24u);
  EXPECT_EQ(d.indexFormat, Format::Index16);
  EXPECT_EQ(d.state.fvf, 0x142u);
  EXPECT_EQ(d.primitiveCount, 8u * static_cast<std::uint32_t>(a->count() - 1));
  EXPECT_EQ(d.numVertices, 4u * static_cast<std::uint32_t>(a->count()));
  EXPECT_EQ(d.indices.size(), 24u * static_cast<std::size_t>(a->count() - 1));
  EXPECT_EQ(d.indices[5], 4u);
  EXPECT_EQ(device.draws()[1].primitiveCount, 8u);
  EXPECT_EQ(d.state.renderState(RenderState::ZWriteEnable), 0u);
  EXPECT_EQ(d.state.renderState(RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(d.state.renderState(RenderState::SrcBlend), Blend::SrcAlpha);
  EXPECT_EQ(d.state.renderState(RenderState::DestBlend), Blend::InvSrcAlpha);
  EXPECT_EQ(d.state.renderState(RenderState::Lighting), 0u);
  EXPECT_EQ(d.state.stageState(0, TextureStageState::AlphaOp), TextureOp::Modulate);
  EXPECT_EQ(d.state.stageState(0, TextureStageState::ColorOp), TextureOp::Modulate);
  EXPECT_EQ(d.state.samplerState(0, SamplerState::MipFilter), TextureFilter::Linear);
  EXPECT_EQ(d.state.world.m[3][0], 0.0f);
  // The z-writes the scene had are back.
  EXPECT_EQ(device.state().renderState(RenderState::ZWriteEnable), 1u);
}

}  // namespace
}  // namespace skyloom
