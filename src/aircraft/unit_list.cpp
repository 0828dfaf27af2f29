#include "aircraft/unit_list.h"

#include <algorithm>
#include <cmath>

#include "aircraft/model_library.h"
#include "aircraft/unit_catalogue.h"
#include "aircraft/unit_description_library.h"
#include "aircraft/unit_pass.h"

namespace skyloom {

namespace {
constexpr int kTab = 9;
constexpr float kStartHeightProbeStep = 100.0f;
constexpr float kStartHeightProbeAhead = 1000.0f;
constexpr float kFurtherFormationSpacing = 1500.0f;  // across the heading, between formations' centres
}  // namespace

UnitList::UnitList(const UnitListServices& services)
    : descriptions_(services.descriptions),
      models_(services.models),
      catalogue_(services.catalogue),
      ground_(services.ground),
      random_(services.random),
      worldCeiling_(services.worldCeiling),
      groups_(*this) {
  if (!ground_) ground_ = [](float, float) { return 0.0f; };
  flightWorld_ = FlightWorld{ground_, &random_, &index_, nullptr, &manual_};
  groups_.setWorld(GroupWorld{ground_, &random_, &groups_.formation(), worldCeiling_});
}

UnitList::~UnitList() = default;

FlyingUnit* UnitList::add(float x, float z, std::int32_t typeValue, std::string_view descriptionName) {
  if (units_.size() >= kCapacity || !std::isfinite(x) || !std::isfinite(z)) return nullptr;
  auto unit = std::make_unique<FlyingUnit>();
  if (!descriptions_.fill(descriptions_.find(descriptionName), *unit)) return nullptr;
  unit->slot = static_cast<int>(units_.size());
  unit->typeValue = typeValue;
  unit->prepare(x, ground_(x, z), z);
  if (unit->description) unit->trails.assign(unit->description->attachments.size(), -1);
  index_.insert(*unit);  // a full pool leaves it unindexed; its steps try again
  units_.push_back(std::move(unit));
  return units_.back().get();
}

bool UnitList::buildStartingFormation(float cx, float cz, std::span<const std::string> names) {
  NameCursor cursor{names, 0};
  if (!buildStartingGroup(cx, cz, 0.0f, cursor)) return false;
  view_.distance = kFollowDistanceRadii * units_.front()->radius;
  view_.distanceChanged = true;
  publishFollowed();
  // A list longer than the formation has slots for flies in further formations of the same
  // shape, alternately left and right of the first, each toward a point as far to its side:
  // every aircraft the user chose takes part.
  for (int k = 1; !cursor.exhausted(); ++k) {
    const float side = kFurtherFormationSpacing * static_cast<float>((k + 1) / 2) * (k % 2 ? 1.0f : -1.0f);
    const std::size_t before = cursor.next;
    if (!buildStartingGroup(cx, cz + side, side, cursor) || cursor.next == before) break;
  }
  return true;
}

bool UnitList::buildStartingGroup(float cx, float cz, float targetOffsetZ, NameCursor& cursor) {
  const std::size_t before = groups_.leaders().size();
  if (!groups_.build(true, catalogue_.startingRow, cx, cz, kStartHeadingRadians, cursor)) return false;
  FlightGroup& top = *groups_.leaders()[before];

  // All start level at the height of the highest ground around them, flying east toward the
  // middle of the world.
  float highest = -1e30f;
  for (std::size_t i = 0; i < top.allUnits.size(); ++i) {
    FlyingUnit& u = *top.allUnits[i];
    u.velocity = {u.topSpeed, 0.0f, 0.0f};
    u.speed = u.topSpeed;
    u.target = u.avoidPoint = {kStartTargetX, kStartTargetY, kStartTargetZ + targetOffsetZ};
    highest = std::max(highest, ground_(kStartHeightProbeX, kStartHeightProbeZ + targetOffsetZ +
                                                                kStartHeightProbeStep * static_cast<float>(i + 1)));
  }
  for (FlyingUnit* u : top.allUnits) highest = std::max(highest, ground_(u->position.x + kStartHeightProbeAhead, u->position.z));
  for (FlyingUnit* u : top.allUnits) u->position.y = highest;
  if (top.allUnits.empty()) return false;
  top.position = top.allUnits.front()->position;
  top.target = top.allUnits.front()->target;
  return true;
}

void UnitList::advanceFrame(float dt) {
  if (!(dt > 0.0f)) dt = 0.0f;  // also NaN
  dt = std::min(dt, kLongestStep);
  flightWorld_.effects = effects_;
  for (const auto& unit : units_) unit->advanceFrame(dt, flightWorld_);
  groups_.advanceFrame(dt);
  publishFollowed();
}

void UnitList::publishFollowed() {
  if (units_.empty()) {
    view_.valid = false;
    return;
  }
  const FlyingUnit& u = *units_[followed_];
  view_.valid = true;
  view_.world = u.world;
  view_.velocity = u.velocity;
  view_.radius = u.radius;
}

void UnitList::render(RenderDevice& device, const Vec3& eye, FlameSink* flames) {
  if (units_.empty()) return;
  UnitPass pass(device);
  const UnitDrawContext context{device, models_, &catalogue_, eye, flames};
  for (const auto& unit : units_) {
    if (!unit->isStatic) drawUnit(context, *unit);
  }
}

void UnitList::followNext() {
  if (units_.size() < 2) return;
  FlyingUnit& previous = *units_[followed_];
  followed_ = (followed_ + 1) % units_.size();
  FlyingUnit& next = *units_[followed_];
  if (previous.manual()) {
    previous.control &= ~kManualControl;
    next.control |= kManualControl;
  }
  view_.distance = kFollowDistanceRadii * next.radius;
  view_.distanceChanged = true;
  publishFollowed();
}

bool UnitList::onChar(int ch) {
  if (units_.empty()) return false;
  FlyingUnit& u = *units_[followed_];
  switch (ch) {
    case kTab:
      followNext();
      return true;
    case '+':
    case '=':
      u.throttle = std::min(u.throttle + kThrottleKeyStep, kMaxKeyThrottle);
      return true;
    case '-':
    case '_':
      u.throttle = std::max(u.throttle - kThrottleKeyStep, 0.0f);
      return true;
    case 'A':
    case 'a':
      u.control ^= kManualControl;
      return true;
    case 'S':
    case 's':
      if (effects_) effects_->toggleEngineSounds();
      return true;
    default:
      return false;
  }
}

float UnitList::followedThrottle() const { return units_.empty() ? 0.0f : units_[followed_]->throttle; }

}  // namespace skyloom
