#include "effects/smoke_trail.h"

#include <algorithm>
#include <cmath>

#include "effects/trail_manager.h"

namespace skyloom {

namespace {

constexpr int kMinLength = 1;
constexpr int kMaxLength = 100;
constexpr float kLengthBias = 0.001f;      // keeps a segment of no length from dividing by zero
constexpr float kHorizontalBias = 0.00001f;
constexpr float kSpreadBias = 0.00001f;
// Pairs widen at dt · 200000 / (lifetime + 100000) · 1.9 units per vertex: longer trails, whose
// points live longer, widen more slowly so that their old smoke does not grow into a wall.
constexpr float kSpreadRate = 200000.0f * 1.9f;
constexpr float kSpreadLifetimeBias = 100000.0f;
constexpr float kDriftDamping = 5.0f;      // per second
constexpr float kDriftKeepFloor = 0.3f;    // below this a frame was long: nearly stop the drift
constexpr float kDriftKeepLong = 0.03f;
constexpr float kHeadKeep = 0.95f;
constexpr int kChannelMin = 200;
constexpr int kChannelMax = 255;
constexpr int kTintThreshold = 228;
constexpr int kTintDarken = 20;
constexpr int kGrey = 227;
// A trail is fed every frame; one left unfed this long whose points have all outlived their
// lifetime belongs to a unit that stopped smoking.
constexpr std::int64_t kRestartGapMs = 500;

bool isFinite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
Vec3 positionOf(const TrailVertex& v) { return {v.x, v.y, v.z}; }
void setPosition(TrailVertex& v, const Vec3& p) { v.x = p.x, v.y = p.y, v.z = p.z; }

// ((a mod 3) − 1) for any sign of a: the step of one colour channel.
int walkStep(std::int64_t a) { return static_cast<int>(((a % 3) + 3) % 3) - 1; }

// Each pair of a point widens about its own centre: both vertices move r away from it along
// the pair's line, so the ribbon grows by 2r a frame whatever its width and the centre line
// stays where the drift puts it. Because the step is symmetric and reads only the pair itself,
// the order of the points and the trail's id make no difference, and no trail needs a mirrored
// form of it.
void spreadPoint(TrailVertex* pt, float r) {
  for (int pair = 0; pair < 4; pair += 2) {
    const Vec3 a = positionOf(pt[pair]), b = positionOf(pt[pair + 1]);
    const Vec3 diff = a - b;
    const Vec3 step = diff * (r / (length(diff) + kSpreadBias));
    setPosition(pt[pair], a + step);
    setPosition(pt[pair + 1], b - step);
  }
}

// 255 × left / span, held to 0..255: a point's alpha from the time it has left of the span.
// Inside the span the product fits 32 bits (spans are at most a lifetime, 100,005 ms).
std::uint32_t fadedAlpha(std::int64_t left, std::int64_t span) {
  if (left <= 0) return 0;
  if (left >= span) return 255;
  return static_cast<std::uint32_t>(255 * left) / static_cast<std::uint32_t>(span);
}

}  // namespace

TrailSizes trailSizes(int trailLength) {
  TrailSizes s;
  s.length = std::clamp(trailLength, kMinLength, kMaxLength);
  s.points = 2 * s.length + 50;
  s.lifetimeMs = 10 * static_cast<std::int64_t>(s.length) * s.length + 5;
  s.tolerance = s.length >= 20 ? 0.02f : 0.01f;
  s.maxSegmentSquared = 25.0f;
  return s;
}

std::uint32_t trailColour(int red, int green, int blue) {
  if (red < kTintThreshold && green < kTintThreshold && blue < kTintThreshold) red = green = blue = kGrey;
  else {
    if (red < kTintThreshold) red -= kTintDarken;
    if (green < kTintThreshold) green -= kTintDarken;
    if (blue < kTintThreshold) blue -= kTintDarken;
  }
  auto channel = [](int c) { return static_cast<std::uint32_t>(std::clamp(c, 0, 255)); };
  return 0xFF000000u | channel(red) << 16 | channel(green) << 8 | channel(blue);
}

SmokeTrail::SmokeTrail(const TrailManager& manager, int id)
    : manager_(manager),
      id_(id),
      points_(manager.sizes().points),
      lifetimeMs_(manager.sizes().lifetimeMs),
      tolerance_(manager.sizes().tolerance),
      maxSegmentSquared_(manager.sizes().maxSegmentSquared),
      vertices_(static_cast<std::size_t>(points_) * 4),
      records_(static_cast<std::size_t>(points_)) {
  // The v of each pair runs across the ribbon; u is laid down as the points are made.
  for (std::size_t i = 0; i < vertices_.size(); ++i) {
    const bool firstOfPair = i % 2 == 0;
    vertices_[i] = TrailVertex{0, 0, 0, kInitialColour, 0.05f, firstOfPair ? 0.05f : 0.95f};
  }
}

void SmokeTrail::addPoint(const Vec3& position, const Vec3& driftVelocity) {
  if (!isFinite(position) || !isFinite(driftVelocity)) return;
  const std::int64_t now = manager_.now();
  // A trail fed again after all its points outlived their lifetime (its unit stopped smoking
  // for a while) starts afresh instead of drawing a ribbon from where the smoke stopped.
  const std::int64_t unfed = count_ > 0 ? now - records_[0].timeMs : 0;
  const bool dead = unfed > lifetimeMs_ && unfed > kRestartGapMs;
  const bool first = count_ == 0 || dead;
  if (first) start(position, driftVelocity, now);

  const Vec3 d = position - anchor_;
  const float c = dot(d, d) + kLengthBias;
  if (!first && startsNewPoint(d, c)) {
    lastDirection_ = d;
    lastDirectionSquared_ = dot(d, d);
    anchor_ = position;
    shiftPoints();
  }
  records_[0] = PointRecord{now, driftVelocity};
  walkColour(now);
  placeHead(position, d, c);
}

void SmokeTrail::start(const Vec3& p, const Vec3& v, std::int64_t now) {
  for (TrailVertex& vertex : vertices_) {
    setPosition(vertex, p);
    vertex.u = 0.05f;
  }
  count_ = 2;
  anchor_ = p;
  lastDirection_ = Vec3{0.1f, 0.1f, 0.1f};
  lastDirectionSquared_ = dot(lastDirection_, lastDirection_);
  records_[0] = records_[1] = PointRecord{now, v};
}

// The head segment is cut where it bends: when 1 − cos of its angle to the segment before
// exceeds the tolerance (past 8° for 0.01, 11.5° for 0.02). The measure is weighted by
// |d| / √(|d|² + 0.001), so a unit standing still (d near 0) never starts points, and it is 0
// for a straight flight, whose head segment is cut once it reaches 5 units.
bool SmokeTrail::startsNewPoint(const Vec3& d, float c) const {
  if (c > maxSegmentSquared_) return true;
  const float lastLength = std::sqrt(lastDirectionSquared_);
  if (!(lastLength > 0.0f)) return false;
  const float bend = (lastLength * std::sqrt(dot(d, d)) - dot(lastDirection_, d)) / (lastLength * std::sqrt(c));
  return bend > tolerance_;
}

// Only the points in use move; the copy of the head left at point 0 is the new head's start.
void SmokeTrail::shiftPoints() {
  const int moved = std::min(count_, points_ - 1);
  std::copy_backward(vertices_.begin(), vertices_.begin() + moved * 4, vertices_.begin() + (moved + 1) * 4);
  std::copy_backward(records_.begin(), records_.begin() + moved, records_.begin() + moved + 1);
  if (count_ < points_ - 1) ++count_;
}

void SmokeTrail::walkColour(std::int64_t now) {
  const std::int64_t x = id_ / 2 + 1;
  red_ = std::clamp(red_ + walkStep(now * x), kChannelMin, kChannelMax);
  green_ = std::clamp(green_ + walkStep((now + 1) * x), kChannelMin, kChannelMax);
  blue_ = std::clamp(blue_ + walkStep((now + 2) * x), kChannelMin, kChannelMax);
}

// The vertical pair lies across the segment in its vertical plane, the horizontal pair across
// it level with the ground; each is 0.9 units wide when it is made.
void SmokeTrail::placeHead(const Vec3& p, const Vec3& d, float c) {
  const float h = std::sqrt(c);
  const float w = std::sqrt(d.x * d.x + d.z * d.z) + kHorizontalBias;
  const Vec3 up = Vec3{-d.y * d.x / (h * w), w / h, -d.y * d.z / (h * w)} * kHalfWidth;
  const Vec3 side = Vec3{d.z, 0.0f, -d.x} * (kHalfWidth / w);
  TrailVertex* head = point(0);
  setPosition(head[0], p + up);
  setPosition(head[1], p - up);
  setPosition(head[2], p + side);
  setPosition(head[3], p - side);
  const std::uint32_t colour = trailColour(red_, green_, blue_);
  const float u = point(1)[0].u + kUPerUnit * h;
  for (int i = 0; i < 4; ++i) {
    head[i].colour = colour;
    head[i].u = i < 2 ? u : u + kHorizontalUOffset;
  }
  if (u > kUWrap) wrapU();
}

// The texture repeats every unit of u, so taking 100 off every vertex (the head and all the
// points behind it alike) changes nothing on screen and keeps u where floats are fine-grained.
void SmokeTrail::wrapU() {
  for (TrailVertex& v : vertices_) v.u -= kUWrap;
}

bool SmokeTrail::advance(std::int64_t nowMs, float dt) {
  if (count_ < 2) return false;
  ageOut(nowMs);
  agePoints(nowMs, dt);
  smoothHead();
  slideTail(nowMs);
  // The head is the brightest point: once it has faded, so has the whole trail.
  return visible();
}

// Keeps the young points and the first old one, whose segment slides out (slideTail); never
// more points than were in use, and never fewer than two.
void SmokeTrail::ageOut(std::int64_t now) {
  int young = 0;
  while (young < count_ && now - records_[static_cast<std::size_t>(young)].timeMs <= lifetimeMs_) ++young;
  count_ = std::min(count_, std::max(young + 1, 2));
}

// Every point spreads, drifts and fades in one walk over the points: each step reads only the
// point itself and its record, so doing all three to one point before going on to the next is
// the same as three walks, and a hundred trails' points are fetched into the cache once a frame
// instead of three times. The two newest points do not spread: they stay as the head made them.
//
// Fading: alpha falls linearly with age over the span, the lifetime or, for a trail younger
// than that, its own age; the span is at least 1 ms, so a trail whose points were all made this
// very millisecond (or stamped by a clock that was later set back) shows opaque instead of
// dividing by zero.
void SmokeTrail::agePoints(std::int64_t now, float dt) {
  const float r = dt * kSpreadRate / (static_cast<float>(lifetimeMs_) + kSpreadLifetimeBias);
  float keep = 1.0f - kDriftDamping * dt;
  if (keep < kDriftKeepFloor) keep = kDriftKeepLong;
  const std::int64_t oldest = records_[static_cast<std::size_t>(count_ - 1)].timeMs;
  const std::int64_t span = std::max<std::int64_t>(1, std::min(lifetimeMs_, now - oldest + 1));
  for (int j = 0; j < count_; ++j) {
    TrailVertex* pt = point(j);
    if (j >= 2) spreadPoint(pt, r);
    PointRecord& rec = records_[static_cast<std::size_t>(j)];
    const Vec3 move = rec.drift * dt;
    for (int i = 0; i < 4; ++i) setPosition(pt[i], positionOf(pt[i]) + move);
    rec.drift *= keep;

    const std::uint32_t alpha = fadedAlpha(span + rec.timeMs - now, span);
    for (int i = 0; i < 4; ++i) pt[i].colour = (pt[i].colour & 0x00FFFFFFu) | alpha << 24;
  }
}

// The head lags a little toward the point behind it, which hides the frame-to-frame jitter of
// the attachment's position.
void SmokeTrail::smoothHead() {
  TrailVertex* head = point(0);
  const TrailVertex* next = point(1);
  for (int i = 0; i < 4; ++i) {
    setPosition(head[i], positionOf(head[i]) * kHeadKeep + positionOf(next[i]) * (1.0f - kHeadKeep));
  }
}

// The oldest point moves along its segment to where the smoke is exactly one lifetime old, and
// takes that time, so next frame's step starts from there: the tail slides out at the pace the
// points were made, without compounding from frame to frame. Its texture coordinates move with
// it, so the smoke's texture does not squeeze as the segment shortens.
void SmokeTrail::slideTail(std::int64_t now) {
  const auto oldest = static_cast<std::size_t>(count_ - 1), newer = oldest - 1;
  PointRecord& old = records_[oldest];
  const std::int64_t past = now - lifetimeMs_ - old.timeMs;
  if (past <= 0) return;
  const std::int64_t gap = records_[newer].timeMs - old.timeMs;
  const float f = gap > past ? static_cast<float>(past) / static_cast<float>(gap) : 1.0f;
  TrailVertex* pt = point(static_cast<int>(oldest));
  const TrailVertex* to = point(static_cast<int>(newer));
  for (int i = 0; i < 4; ++i) {
    setPosition(pt[i], positionOf(pt[i]) + (positionOf(to[i]) - positionOf(pt[i])) * f);
    pt[i].u += (to[i].u - pt[i].u) * f;
  }
  old.timeMs = gap > past ? old.timeMs + past : records_[newer].timeMs;
}

}  // namespace skyloom
