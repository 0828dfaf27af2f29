// What a flying unit leaves behind: a trail per smoke attachment, handed out on first use and
// fed every step at the attachment's place; none for wrecks; none once the manager has run out.
#include "effects/unit_effect_feed.h"

#include <gtest/gtest.h>

#include "aircraft/flight_fixture.h"
#include "effects/sound_effects.h"
#include "effects/trail_manager.h"

namespace skyloom {
namespace {

using testing::FlightFixture;

// The middle of the head point's two crossed pairs of vertices.
Vec3 headOf(const SmokeTrail& trail) {
  Vec3 sum;
  for (const TrailVertex& v : trail.pointVertices(0)) sum += Vec3{v.x, v.y, v.z};
  return sum * 0.25f;
}

TEST(UnitEffectFeed, EverySmokePointGetsItsTrailAtItsPlaceAndWrecksFeedNone) {
  FlightFixture f;
  auto trails = TrailManager::create(50, nullptr);
  SoundEffects silent;  // never started: every call is harmless
  UnitEffectFeed feed(*trails, &silent);
  f.units->setEffects(&feed);
  FlyingUnit& a = f.flying("jet", {1000, 800, 1000});
  FlyingUnit& b = f.flying("prop", {3000, 800, 1000});
  ASSERT_EQ(a.trails.size(), 1u);
  EXPECT_EQ(a.trails[0], UnitEffectFeed::kUnused);

  std::int64_t now = 0;
  for (int i = 0; i < 120; ++i) {
    trails->setClock(now += 16, 0.016f);
    f.units->advanceFrame(0.016f);
  }
  EXPECT_EQ(trails->trailCount(), 2);
  EXPECT_EQ(a.trails[0], 0);
  EXPECT_EQ(b.trails[0], 1);
  SmokeTrail& trail = trails->trail(0);
  EXPECT_GT(trail.count(), 2);
  // The head sits on the exhaust: 5 behind the unit's origin along its nose.
  const Vec3 exhaust = transformCoord({-5, 0, 0}, a.world);
  EXPECT_LT(length(headOf(trail) - exhaust), 1e-3f);
  EXPECT_EQ(a.engineVoice, 0);

  const int points = trail.count();
  const Vec3 head = headOf(trail);
  a.hitPoints = 0;
  for (int i = 0; i < 60; ++i) {
    trails->setClock(now += 16, 0.016f);
    f.units->advanceFrame(0.016f);
  }
  EXPECT_LE(trail.count(), points);
  EXPECT_EQ(length(headOf(trail) - head), 0.0f);
}

TEST(UnitEffectFeed, AUnitThatFindsNoTrailLeftAsksNoMore) {
  FlightFixture f;
  auto trails = TrailManager::create(1, nullptr);
  while (trails->newTrail()) {
  }
  UnitEffectFeed feed(*trails, nullptr);
  f.units->setEffects(&feed);
  FlyingUnit& a = f.flying("jet", {1000, 800, 1000});
  f.units->advanceFrame(0.016f);
  EXPECT_EQ(a.trails[0], UnitEffectFeed::kNoTrail);
  EXPECT_EQ(trails->trailCount(), TrailManager::kCapacity);
}

}  // namespace
}  // namespace skyloom
