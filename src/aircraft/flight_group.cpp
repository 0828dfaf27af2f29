#include "aircraft/flight_group.h"

#include <algorithm>
#include <cmath>

#include "aircraft/unit_catalogue.h"
#include "aircraft/unit_list.h"

namespace skyloom {

namespace {

constexpr float kHalfPi = 1.57079633f;
constexpr int kMaxNesting = 32;  // the catalogue has no cycles; this bounds a damaged table

// Station keeping.
constexpr float kStationBand = 1.0f;
constexpr float kThrottleStep = 0.1f;
constexpr float kMinFormationThrottle = 0.7f;
constexpr float kMaxFormationThrottle = 1.0f;

// Route following, in multiples of the group's speed C.
constexpr float kNearPoint = 5.0f;       // within 5C of a point: on to the next
constexpr float kWholeLeg = 20.0f;       // a point within 20C is flown to directly
constexpr float kLegStep = 10.0f;        // otherwise the target lies 10C along the way
constexpr float kDirectFraction = 0.5f;
constexpr float kNextLegFraction = 0.8f;
constexpr float kRetargetSeconds = 60.0f;
constexpr float kGroupTargetAboveGround = 20.0f;
// A random route point lies within about ±5000 of the leader: (rand − 16383) · 0.3051851.
constexpr int kRandomCentre = 16383;
constexpr float kRouteSpread = 0.3051851f;
constexpr float kTargetSearchRate = 3000.0f;  // the first unit searched: ⌊3000 · dt⌋ mod total
constexpr std::size_t kTargetSearchSkip = 10;

float horizontalDistance(const Vec3& a, float x, float z) {
  const float dx = x - a.x, dz = z - a.z;
  return std::sqrt(dx * dx + dz * dz);
}

float clampToWorld(float v) { return std::clamp(v, 0.0f, kWorldSize); }

}  // namespace

void collectUnits(const FlightGroup& group, std::vector<FlyingUnit*>& out) {
  out.insert(out.end(), group.members.begin(), group.members.end());
  for (const FlightGroup* sub : group.subgroups) collectUnits(*sub, out);
}

bool FlightGroup::placeFormationAt(float x, float z, const GroupWorld& world) {
  if (allUnits.empty() || !world.formation || !world.random) return false;
  const FlyingUnit& first = *allUnits.front();
  target = {x, world.ground(x, z) + kGroupTargetAboveGround, z};
  PlacementInput input;
  input.targetX = x;
  input.targetZ = z;
  input.leaderPosition = first.position;
  input.leaderSpeed = first.speed;
  input.unitCount = static_cast<int>(allUnits.size());
  input.worldCeiling = world.worldCeiling;
  FormationPlacement placement;
  if (placeFormation(*world.formation, input, *world.random, world.ground, placement) != PlacementResult::kPlaced)
    return false;
  for (std::size_t i = 0; i < allUnits.size(); ++i) allUnits[i]->target = placement.slots[i];
  return true;
}

// Members that lag behind their slot by more than the leader lags behind the group's target
// open up; members ahead throttle back; a member far below its speed gets full power.
void FlightGroup::keepThrottle(float leaderDistance) {
  for (FlyingUnit* unit : members) {
    if (unit->manual()) continue;
    const float d = length(unit->target - unit->position) - leaderDistance;
    if (d > kStationBand) unit->throttle += kThrottleStep;
    if (d < -kStationBand) unit->throttle -= kThrottleStep;
    unit->throttle = std::clamp(unit->throttle, kMinFormationThrottle, kMaxFormationThrottle);
    if (unit->speed < 0.5f * unit->topSpeed) unit->throttle = kMaxFormationThrottle;
  }
  for (FlightGroup* sub : subgroups) sub->keepThrottle(leaderDistance);
}

void FlightGroup::drawRoute(const GroupWorld& world) {
  const float px = clampToWorld(position.x + static_cast<float>(world.random->next() - kRandomCentre) * kRouteSpread);
  const float pz = clampToWorld(position.z + static_cast<float>(world.random->next() - kRandomCentre) * kRouteSpread);
  route.assign({RoutePoint{position.x, position.z}, RoutePoint{px, pz}});
  cursor = 0;
}

void FlightGroup::advanceFrame(float dt, const GroupWorld& world) {
  if (allUnits.empty() || !world.random) return;
  const FlyingUnit& first = *allUnits.front();
  retargetTimer += dt;
  position = first.position;
  target = first.target;

  // A cursor at the end has no point to fly to: the route is done and a new one is drawn.
  if (route.size() > kRouteOverflow || cursor >= route.size()) route.clear();
  if (route.empty()) drawRoute(world);

  keepThrottle(length(target - position));

  const float c = groupSpeed;
  const RoutePoint p = route[cursor];
  const float b = horizontalDistance(position, p.x, p.z);
  if (b >= kNearPoint * c) {
    const float g = horizontalDistance(position, target.x, target.z);
    if (g < kNearPoint * c || (retargetTimer > kRetargetSeconds && g > lastTargetDistance)) {
      retargetTimer = 0;
      const float fraction = kLegStep * c / (b + 0.01f);
      if (b <= kWholeLeg * c || fraction >= kDirectFraction) {
        placeFormationAt(p.x, p.z, world);
      } else {
        placeFormationAt(position.x + (p.x - position.x) * fraction, position.z + (p.z - position.z) * fraction, world);
      }
    }
    lastTargetDistance = g;
  } else {
    retargetTimer = 0;
    ++cursor;
    if (cursor < route.size()) {
      const RoutePoint q = route[cursor];
      const float leg = std::sqrt((q.x - p.x) * (q.x - p.x) + (q.z - p.z) * (q.z - p.z));
      const float fraction = kLegStep * c / (leg + 0.01f);
      if (fraction >= kNextLegFraction) {
        placeFormationAt(q.x, q.z, world);
      } else {
        placeFormationAt(p.x + (q.x - p.x) * fraction, p.z + (q.z - p.z) * fraction, world);
      }
    }
  }
}

bool FlightGroupList::build(bool leader, int row, float x, float z, float heading, NameCursor& names) {
  return buildGroup(leader, row, x, z, heading, names, nullptr, 0) != nullptr;
}

FlightGroup* FlightGroupList::buildGroup(bool leader, int row, float x, float z, float heading, NameCursor& names,
                                         FlightGroup* owner, int depth) {
  if (groups_.size() >= kMaxGroups || depth > kMaxNesting) return nullptr;
  const TemplateRow& templ = units_.catalogue().row(row);
  if (templ.members.empty()) return nullptr;

  auto group = std::make_unique<FlightGroup>();
  FlightGroup& g = *group;
  g.leader = leader;
  g.templateRow = row;
  g.side = templ.side;
  g.heading = heading;
  // Units fly in the formation of the leader group they belong to.
  FlightGroup* formationOwner = leader || !owner ? &g : owner;

  const float theta = heading - kHalfPi;
  const float cs = std::cos(theta), sn = std::sin(theta);
  bool haveFirst = false;
  for (const TemplateMember& member : templ.members) {
    if (names.exhausted()) break;
    const float ox = member.offset.x, oz = member.offset.z;
    const float px = x + ox * cs - oz * sn;
    const float pz = z + oz * cs + ox * sn;
    if (!member.isRow()) {
      if (g.members.size() >= kMaxGroupMembers) continue;
      FlyingUnit* unit = units_.add(px, pz, member.value, names.current());
      if (!unit) continue;
      ++names.next;
      unit->target.y = unit->position.y + member.offset.y + 50.0f;
      unit->avoidPoint = unit->target;
      unit->heading = heading;
      unit->group = formationOwner;
      g.members.push_back(unit);
      if (!haveFirst) {
        haveFirst = true;
        g.kind = unit->classCode;
        g.groupSpeed = unit->topSpeed;
        g.range = unit->range;
      }
    } else {
      if (g.subgroups.size() >= kMaxSubgroups) continue;
      FlightGroup* sub = buildGroup(false, member.row(), px, pz, heading, names, formationOwner, depth + 1);
      if (!sub) continue;
      sub->parent = &g;
      g.subgroups.push_back(sub);
      if (!haveFirst) {
        haveFirst = true;
        g.kind = sub->kind;
        g.groupSpeed = sub->groupSpeed;
        g.range = sub->range;
      }
    }
  }
  g.unitTotal = static_cast<int>(g.members.size());
  for (const FlightGroup* sub : g.subgroups) g.unitTotal += sub->unitTotal;
  if (g.unitTotal == 0) return nullptr;
  if (leader) {
    collectUnits(g, g.allUnits);
    g.position = g.allUnits.front()->position;
    g.target = g.allUnits.front()->target;
  }
  if (groups_.size() >= kMaxGroups) return nullptr;
  groups_.push_back(std::move(group));
  if (leader) leaders_.push_back(&g);
  return &g;
}

void FlightGroupList::advanceFrame(float dt) {
  if (!enabled) return;
  for (FlightGroup* g : leaders_) {
    if (g->unitTotal > 0) g->advanceFrame(dt, world_);
  }
  const std::size_t n = leaders_.size();
  for (std::size_t i = 0; i < std::min<std::size_t>(kGroupsPerFrame, n); ++i) {
    if (targetCursor_ >= n) targetCursor_ = 0;
    selectTarget(*leaders_[targetCursor_++], dt);
  }
}

// The nearest group of the other side within reach: an air group when the class allows it, else
// a ground group; then up to three living units of it.
void FlightGroupList::selectTarget(FlightGroup& g, float dt) {
  if (g.unitTotal == 0 || g.allUnits.empty()) return;
  const bool airAllowed = (g.allUnits.front()->classCode & kAirTargetsClass) != 0;
  const float reach = std::min(g.range, kTargetRadius);
  FlightGroup* nearestAir = nullptr;
  FlightGroup* nearestGround = nullptr;
  float airDistance = 0, groundDistance = 0;
  int airFound = 0, groundFound = 0;
  for (FlightGroup* h : leaders_) {
    if (h == &g || !h->active || h->unitTotal == 0 || h->side == g.side) continue;
    const float d = horizontalDistance(g.position, h->position.x, h->position.z);
    if (!(d < reach)) continue;
    if (h->kind == 0) {
      if (!nearestGround || d < groundDistance) nearestGround = h, groundDistance = d;
      ++groundFound;
    } else if (airAllowed) {
      if (!nearestAir || d < airDistance) nearestAir = h, airDistance = d;
      ++airFound;
    }
    if (airFound >= kCandidatesOfAKind || groundFound >= kCandidatesOfAKind) break;
  }
  if (nearestAir) {
    g.targetGroup = nearestAir;
  } else if (nearestGround) {
    g.targetGroup = nearestGround;
  }
  FlightGroup* t = g.targetGroup;
  if (!t) return;

  // Up to three different living units, each search starting ten after the last hit.
  const std::size_t total = t->allUnits.size();
  int found = 0;
  if (total > 0) {
    std::size_t start = static_cast<std::size_t>(std::floor(kTargetSearchRate * dt)) % total;
    for (; found < kTargetUnits; ++found) {
      FlyingUnit* hit = nullptr;
      std::size_t at = start;
      for (std::size_t step = 0; step < total && !hit; ++step) {
        at = (start + step) % total;
        FlyingUnit* u = t->allUnits[at];
        const bool taken = std::find(g.targetUnits.begin(), g.targetUnits.begin() + found, u) !=
                           g.targetUnits.begin() + found;
        if (u->hitPoints > 0 && !taken) hit = u;
      }
      if (!hit) break;
      g.targetUnits[static_cast<std::size_t>(found)] = hit;
      start = (at + kTargetSearchSkip) % total;
    }
  }
  for (int i = found; i < kTargetUnits; ++i) g.targetUnits[static_cast<std::size_t>(i)] = nullptr;
  // A group with nothing left alive is no target any more, for anyone.
  if (found == 0) {
    t->active = false;
    t->unitTotal = 0;
  }
}

}  // namespace skyloom
