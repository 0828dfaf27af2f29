// Lofts: superellipse rings along an axis, from a handful of keys.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "aircraft_shapes.h"

namespace skyloom::assetgen {

namespace {

constexpr int kDensePerSegment = 48;  // samples per key interval for arc length and row placement
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr float kHalfPi = 0.5f * std::numbers::pi_v<float>;

enum Channel { kX, kHalfWidth, kTop, kBottom, kCentreY, kExponent, kChannels };

std::array<float, kChannels> channels(const LoftKey& k) {
  return {k.x, k.halfWidth, k.top, k.bottom, k.centreY, k.exponent};
}

LoftKey fromChannels(const std::array<float, kChannels>& c) {
  return {c[kX], c[kHalfWidth], c[kTop], c[kBottom], c[kCentreY], c[kExponent]};
}

bool isRound(Blend b) { return b == Blend::RoundFromTip || b == Blend::RoundToTip; }

// The section's size seen from the side: what the eye reads as the loft's thickness.
float girth(const LoftKey& k) { return 0.5f * (k.halfWidth + 0.5f * (k.top + k.bottom)); }

// Ramanujan's approximation of an ellipse's perimeter: enough to share out the livery.
float perimeter(float a, float b) {
  return std::numbers::pi_v<float> * (3.0f * (a + b) - std::sqrt((3.0f * a + b) * (a + 3.0f * b)));
}

float signedPow(float v, float e) { return std::copysign(std::pow(std::abs(v), e), v); }

}  // namespace

std::vector<float> Surface::columns(int segments) const {
  segments = std::max(segments, 2);
  std::vector<float> out(static_cast<std::size_t>(segments) + 1);
  for (int i = 0; i <= segments; ++i) out[i] = static_cast<float>(i) / static_cast<float>(segments);
  return out;
}

Loft& Loft::add(const LoftKey& key, Blend toNext) {
  keys_.push_back(key);
  blends_.push_back(toNext);
  return *this;
}

// Monotone cubic slopes per key (harmonic mean of the neighbouring secants, zero at a turn), and
// flat size slopes where a round cap meets the body so the side profile has no kink there.
void Loft::finish() {
  // A loft needs two keys to span anything; fewer makes a point rather than a crash.
  if (keys_.empty()) add({});
  if (keys_.size() == 1) add(keys_.front());
  const std::size_t n = keys_.size();
  slopes_.assign(n, {});
  for (int ch = 0; ch < kChannels; ++ch) {
    for (std::size_t k = 0; k < n; ++k) {
      const float before = k > 0 ? channels(keys_[k])[ch] - channels(keys_[k - 1])[ch] : 0.0f;
      const float after = k + 1 < n ? channels(keys_[k + 1])[ch] - channels(keys_[k])[ch] : 0.0f;
      float m = 0;
      if (k == 0) m = after;
      else if (k + 1 == n) m = before;
      else if (before * after > 0) m = 2.0f * before * after / (before + after);
      const bool roundNeighbour = (k > 0 && isRound(blends_[k - 1])) || (k + 1 < n && isRound(blends_[k]));
      if (roundNeighbour && ch != kX && ch != kExponent) m = 0;
      slopes_[k][ch] = m;
    }
  }

  const int dense = static_cast<int>(n - 1) * kDensePerSegment;
  arc_.assign(static_cast<std::size_t>(dense) + 1, 0.0);
  bend_.assign(arc_.size(), 0.0);
  girth_.assign(arc_.size(), 0.0);
  LoftKey prev = atIndex(0);
  float prevAngle = 0;
  float widest = 0;
  for (int i = 0; i <= dense; ++i) {
    const LoftKey k = atIndex(static_cast<double>(i) / kDensePerSegment);
    girth_[i] = girth(k);
    widest = std::max(widest, perimeter(k.halfWidth, 0.5f * (k.top + k.bottom)));
    widest_ = std::max(widest_, k.halfWidth);
    if (i == 0) continue;
    const float dx = k.x - prev.x;
    const float dr = girth(k) - girth(prev);
    const float dy = k.centreY - prev.centreY;
    arc_[i] = arc_[i - 1] + std::sqrt(dx * dx + dr * dr + dy * dy);
    const float angle = std::atan2(dr, std::abs(dx));
    bend_[i] = i > 1 ? std::abs(angle - prevAngle) : 0.0;
    prevAngle = angle;
    prev = k;
  }
  extent_ = {static_cast<float>(arc_.back()), widest};
}

LoftKey Loft::atIndex(double u) const {
  const int last = static_cast<int>(keys_.size()) - 1;
  if (last <= 0) return keys_.empty() ? LoftKey{} : keys_[0];
  const int k = std::clamp(static_cast<int>(std::floor(u)), 0, last - 1);
  const float t = std::clamp(static_cast<float>(u - k), 0.0f, 1.0f);
  const auto c0 = channels(keys_[k]);
  const auto c1 = channels(keys_[k + 1]);
  std::array<float, kChannels> c{};
  switch (blends_[k]) {
    case Blend::Linear:
      for (int ch = 0; ch < kChannels; ++ch) c[ch] = c0[ch] + (c1[ch] - c0[ch]) * t;
      break;
    case Blend::Smooth: {
      const float t2 = t * t, t3 = t2 * t;
      const float h00 = 2 * t3 - 3 * t2 + 1, h10 = t3 - 2 * t2 + t, h01 = -2 * t3 + 3 * t2, h11 = t3 - t2;
      for (int ch = 0; ch < kChannels; ++ch) {
        c[ch] = h00 * c0[ch] + h10 * slopes_[k][ch] + h01 * c1[ch] + h11 * slopes_[k + 1][ch];
      }
      break;
    }
    case Blend::RoundFromTip:
    case Blend::RoundToTip: {
      // A quarter ellipse: the size grows with the sine while the position closes with the cosine.
      const bool fromTip = blends_[k] == Blend::RoundFromTip;
      const float phi = (fromTip ? t : 1.0f - t) * kHalfPi;
      const auto& tip = fromTip ? c0 : c1;
      const auto& full = fromTip ? c1 : c0;
      for (int ch = 0; ch < kChannels; ++ch) {
        if (ch == kX || ch == kCentreY) c[ch] = full[ch] + (tip[ch] - full[ch]) * std::cos(phi);
        else if (ch == kExponent) c[ch] = c0[ch] + (c1[ch] - c0[ch]) * t;
        else c[ch] = tip[ch] + (full[ch] - tip[ch]) * std::sin(phi);
      }
      break;
    }
  }
  c[kHalfWidth] = std::max(c[kHalfWidth], 0.0f);
  c[kTop] = std::max(c[kTop], 0.0f);
  c[kBottom] = std::max(c[kBottom], 0.0f);
  c[kExponent] = std::max(c[kExponent], 0.5f);
  return fromChannels(c);
}

// a is the fraction of the side profile's length, so the livery is spread evenly along the loft.
double Loft::indexAt(float a) const {
  if (arc_.size() < 2) return 0.0;  // not finished
  const double target = std::clamp(static_cast<double>(a), 0.0, 1.0) * arc_.back();
  const auto it = std::lower_bound(arc_.begin(), arc_.end(), target);
  if (it == arc_.begin()) return 0.0;
  if (it == arc_.end()) return static_cast<double>(arc_.size() - 1) / kDensePerSegment;
  const std::size_t i = static_cast<std::size_t>(it - arc_.begin());
  const double span = arc_[i] - arc_[i - 1];
  const double f = span > 0 ? (target - arc_[i - 1]) / span : 0.0;
  return (static_cast<double>(i - 1) + f) / kDensePerSegment;
}

float Loft::aAtIndex(double u) const {
  if (arc_.empty()) return 0.0f;
  const double pos = std::clamp(u * kDensePerSegment, 0.0, static_cast<double>(arc_.size() - 1));
  const std::size_t i = static_cast<std::size_t>(pos);
  const double f = pos - static_cast<double>(i);
  const double s = i + 1 < arc_.size() ? arc_[i] + (arc_[i + 1] - arc_[i]) * f : arc_[i];
  return arc_.back() > 0 ? static_cast<float>(s / arc_.back()) : 0.0f;
}

LoftKey Loft::section(float a) const { return atIndex(indexAt(a)); }

Vec3 Loft::point(float a, float b) const {
  const LoftKey k = section(a);
  const float theta = kTwoPi * b;
  const float e = 2.0f / k.exponent;
  const float s = std::sin(theta);
  const float c = std::cos(theta);
  const float z = k.halfWidth * signedPow(s, e);
  const float y = k.centreY + (c >= 0 ? k.top : k.bottom) * signedPow(c, e);
  return {k.x, y, z};
}

Vec3 Loft::closedPoint(float a, float) const {
  const LoftKey k = section(a);
  return {k.x, k.centreY, 0.0f};
}

// Rows where the shape needs them: spread along the side profile's length, more where it bends
// (a nose, a cowling lip). Very coarse lofts follow the girth instead, so their few rings sit where
// the body is thick and keep its outline. Rows land on every corner key when there are enough.
std::vector<float> Loft::rows(int count) const {
  count = std::max(count, 2);
  if (arc_.size() < 2) return {0.0f, 1.0f};
  const std::size_t dense = arc_.size() - 1;
  std::vector<double> weight(dense);
  double arcSum = arc_.back(), bendSum = 0, girthSum = 0;
  for (std::size_t i = 1; i <= dense; ++i) {
    bendSum += bend_[i];
    girthSum += girth_[i] * (arc_[i] - arc_[i - 1]);
  }
  const bool coarse = count <= 4;
  for (std::size_t i = 1; i <= dense; ++i) {
    const double arc = arcSum > 0 ? (arc_[i] - arc_[i - 1]) / arcSum : 0.0;
    const double bend = bendSum > 0 ? bend_[i] / bendSum : 0.0;
    const double fat = girthSum > 0 ? girth_[i] * (arc_[i] - arc_[i - 1]) / girthSum : 0.0;
    weight[i - 1] = coarse ? 0.3 * arc + 0.7 * fat : 0.6 * arc + 0.4 * bend;
  }
  std::vector<double> cumulative(dense + 1, 0.0);
  for (std::size_t i = 0; i < dense; ++i) cumulative[i + 1] = cumulative[i] + weight[i];

  std::vector<float> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int r = 0; r < count; ++r) {
    const double target = cumulative.back() * r / (count - 1);
    const auto it = std::lower_bound(cumulative.begin(), cumulative.end(), target);
    std::size_t i = static_cast<std::size_t>(std::max<std::ptrdiff_t>(it - cumulative.begin(), 1));
    i = std::min(i, dense);
    const double w = cumulative[i] - cumulative[i - 1];
    const double f = w > 0 ? (target - cumulative[i - 1]) / w : 0.0;
    out.push_back(aAtIndex((static_cast<double>(i - 1) + f) / kDensePerSegment));
  }
  out.front() = 0.0f;
  out.back() = 1.0f;

  snapToCorners(out);
  return out;
}

// Moves the nearest free interior row onto each corner key (a nozzle's lip, a tube's flat end),
// when there are rows enough for all of them.
void Loft::snapToCorners(std::vector<float>& rows) const {
  std::vector<float> corners;
  for (std::size_t k = 1; k + 1 < keys_.size(); ++k) {
    if (blends_[k - 1] == Blend::Linear || blends_[k] == Blend::Linear) corners.push_back(aAtIndex(static_cast<double>(k)));
  }
  if (corners.empty() || corners.size() + 2 > rows.size()) return;
  std::vector<bool> taken(rows.size(), false);
  for (float corner : corners) {
    std::size_t best = 0;
    for (std::size_t r = 1; r + 1 < rows.size(); ++r) {
      if (!taken[r] && (best == 0 || std::abs(rows[r] - corner) < std::abs(rows[best] - corner))) best = r;
    }
    rows[best] = corner;
    taken[best] = true;
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end(), [](float p, float q) { return q - p < 1e-5f; }), rows.end());
}

SurfaceLocal Loft::local(float a, float b) const {
  SurfaceLocal l;
  const LoftKey k = section(a);
  const Vec3 p = point(a, b);
  l.along = std::abs(k.x - keys_.front().x);
  l.around = kTwoPi * b;
  l.radial = std::sqrt((p.y - k.centreY) * (p.y - k.centreY) + p.z * p.z);
  l.girth = widest_;
  return l;
}

Matrix frameOf(const Vec3& xAxis, const Vec3& yAxis, const Vec3& zAxis, const Vec3& origin) {
  Matrix m = Matrix::identity();
  const Vec3 rows[4] = {xAxis, yAxis, zAxis, origin};
  for (int r = 0; r < 4; ++r) {
    m.m[r][0] = rows[r].x;
    m.m[r][1] = rows[r].y;
    m.m[r][2] = rows[r].z;
  }
  return m;
}

Matrix frameAlong(const Vec3& from, const Vec3& to, const Vec3& up) {
  const Vec3 x = normalize(to - from);
  Vec3 y = up - x * dot(up, x);
  if (length(y) < 1e-4f) y = Vec3{0, 0, 1} - x * x.z;  // along the up hint: any perpendicular will do
  y = normalize(y);
  return frameOf(x, y, cross(x, y), from);
}

std::shared_ptr<Loft> makeTube(float radius, float length, float widthScale) {
  auto tube = std::make_shared<Loft>();
  const float w = radius * widthScale;
  tube->add({0, 0, 0, 0, 0, 2}, Blend::Linear)
      .add({0, w, radius, radius, 0, 2}, Blend::Linear)
      .add({length, w, radius, radius, 0, 2}, Blend::Linear)
      .add({length, 0, 0, 0, 0, 2});
  tube->finish();
  return tube;
}

}  // namespace skyloom::assetgen
