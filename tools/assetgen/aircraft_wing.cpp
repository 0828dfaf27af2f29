// Wings, tails and fins: an airfoil section carried along the span by linear planform keys.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "aircraft_shapes.h"

namespace skyloom::assetgen {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr float kHalfPi = 0.5f * std::numbers::pi_v<float>;
// A rounded tip closes onto this fraction of the chord, behind the leading edge.
constexpr float kTipPivot = 0.35f;
// Position of the greatest camber along the chord.
constexpr float kCamberPeak = 0.4f;

// Half-thickness of a four-digit section at chord fraction x, for a thickness ratio of 1; the
// last coefficient closes the trailing edge.
float halfThickness(float x) {
  x = std::clamp(x, 0.0f, 1.0f);
  return 5.0f * (0.2969f * std::sqrt(x) - 0.1260f * x - 0.3516f * x * x + 0.2843f * x * x * x -
                 0.1036f * x * x * x * x);
}

float camberLine(float x, float camber) {
  constexpr float p = kCamberPeak;
  if (x < p) return camber * (2 * p * x - x * x) / (p * p);
  return camber * ((1 - 2 * p) + 2 * p * x - x * x) / ((1 - p) * (1 - p));
}

// Shares `count` rows out over the intervals between fixed span positions: each new row goes to
// the interval whose rows are furthest apart, so spacing stays even across kinks.
std::vector<float> fillBetween(const std::vector<float>& fixed, int count) {
  std::vector<int> pieces(fixed.size() - 1, 1);
  int rows = static_cast<int>(fixed.size());
  while (rows < count) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
      if ((fixed[i + 1] - fixed[i]) / pieces[i] > (fixed[best + 1] - fixed[best]) / pieces[best]) best = i;
    }
    ++pieces[best];
    ++rows;
  }
  std::vector<float> out;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    for (int p = 0; p < pieces[i]; ++p) out.push_back(fixed[i] + (fixed[i + 1] - fixed[i]) * p / pieces[i]);
  }
  out.push_back(fixed.back());
  return out;
}

}  // namespace

Wing::Wing(std::vector<WingKey> keys, bool mirrored, float tipRound, float camber)
    : keys_(std::move(keys)), mirrored_(mirrored), tipRound_(tipRound), camber_(camber) {
  if (keys_.empty()) keys_.push_back({});
  tipRound_ = std::clamp(tipRound_, 0.0f, 0.5f * keys_.back().span);
}

WingKey Wing::station(float span) const {
  if (span <= keys_.front().span) return keys_.front();
  for (std::size_t k = 1; k < keys_.size(); ++k) {
    if (span > keys_[k].span) continue;
    const WingKey& p = keys_[k - 1];
    const WingKey& q = keys_[k];
    const float t = q.span > p.span ? (span - p.span) / (q.span - p.span) : 1.0f;
    return {span, p.leadingX + (q.leadingX - p.leadingX) * t, p.chord + (q.chord - p.chord) * t,
            p.thickness + (q.thickness - p.thickness) * t, p.rise + (q.rise - p.rise) * t};
  }
  return keys_.back();
}

float Wing::spanAt(float a) const {
  const float tip = tipSpan();
  return mirrored_ ? (2.0f * a - 1.0f) * tip : a * tip;
}

float Wing::aAtSpan(float signedSpan) const {
  const float tip = tipSpan();
  if (tip <= 0) return 0.0f;
  return mirrored_ ? 0.5f * (signedSpan / tip + 1.0f) : signedSpan / tip;
}

Vec3 Wing::sectionPoint(float signedSpan, float b, float thicknessScale) const {
  const float s = std::abs(signedSpan);
  WingKey st = station(s);
  const float roundStart = tipSpan() - tipRound_;
  if (tipRound_ > 0 && s > roundStart) {
    // The tip's outline is a quarter ellipse in plan: leading and trailing edges close onto a
    // point behind the leading edge.
    const float u = std::min((s - roundStart) / tipRound_, 1.0f);
    // At the very tip the square root would magnify rounding into a ring of distinct points.
    const float f = u > 1.0f - 1e-5f ? 0.0f : std::sqrt(1.0f - u * u);
    const float pivot = st.leadingX - kTipPivot * st.chord;
    st.leadingX = pivot + kTipPivot * st.chord * f;
    st.chord *= f;
  }
  const float phi = kTwoPi * std::clamp(b, 0.0f, 1.0f);
  const float x = 0.5f * (1.0f + std::cos(phi));  // cosine spacing: close at both edges
  const bool upper = b < 0.5f;
  const float yt = halfThickness(x) * st.thickness * st.chord * thicknessScale;
  const float yc = camberLine(x, camber_) * st.chord;
  return {st.leadingX - x * st.chord, st.rise + yc + (upper ? yt : -yt), signedSpan};
}

Vec3 Wing::point(float a, float b) const { return sectionPoint(spanAt(a), b, 1.0f); }

Vec3 Wing::closedPoint(float a, float b) const { return sectionPoint(spanAt(a), b, 0.0f); }

// Fine wings get rows at the root or centre, at every planform key, at the start of the tip's
// rounding and over the rounding (denser toward the tip, where its outline turns fastest), with the
// rest shared evenly. Coarse wings stop where the rounding starts: their end rows close the wing
// as a knife edge of full chord, which keeps the span and area that a silhouette needs.
std::vector<float> Wing::rows(int count) const {
  const float tip = tipSpan();
  const float inner = tip - tipRound_;
  std::vector<float> fixed;  // span positions on one side, from the root or centre outward
  fixed.push_back(0.0f);
  for (const WingKey& k : keys_) {
    if (k.span > 1e-3f && k.span < inner - 1e-3f) fixed.push_back(k.span);
  }
  fixed.push_back(inner);
  const int sides = mirrored_ ? 2 : 1;
  const int tipRows = tipRound_ > 0 ? std::max(2, count / 10) : 0;
  const int fixedRows = sides * (static_cast<int>(fixed.size()) + tipRows) - (mirrored_ ? 1 : 0);
  const bool coarse = count < fixedRows + 2 * sides;

  std::vector<float> side;  // one side's rows, root or centre first
  if (coarse) {
    const int perSide = mirrored_ ? std::max(2, (count + 1) / 2) : std::max(2, count);
    side = fillBetween({0.0f, tipRound_ > 0 ? inner : tip}, perSide);
  } else {
    const int inside = mirrored_ ? (count - 2 * tipRows + 1) / 2 : count - tipRows;
    side = fillBetween(fixed, std::max(inside, static_cast<int>(fixed.size())));
    for (int j = 1; j <= tipRows; ++j) {
      side.push_back(inner + tipRound_ * std::sin(kHalfPi * static_cast<float>(j) / static_cast<float>(tipRows)));
    }
  }
  std::vector<float> out;
  if (mirrored_ && coarse && count <= 2) {
    // a straight plate from tip to tip: enough for a tailplane a few pixels wide
    return {aAtSpan(-side.back()), aAtSpan(side.back())};
  }
  if (mirrored_) {
    for (std::size_t i = side.size(); i-- > 1;) out.push_back(aAtSpan(-side[i]));
  }
  for (float s : side) out.push_back(aAtSpan(s));
  return out;
}

SurfaceLocal Wing::local(float a, float b) const {
  SurfaceLocal l;
  const float s = spanAt(a);
  const Vec3 p = sectionPoint(s, b, 1.0f);
  const WingKey st = station(std::abs(s));
  l.along = s;
  l.around = st.chord > 0 ? std::clamp((st.leadingX - p.x) / st.chord, 0.0f, 1.0f) : 0.0f;
  l.upper = b < 0.5f;
  l.spanFraction = tipSpan() > 0 ? std::abs(s) / tipSpan() : 0.0f;
  return l;
}

Vec2 Wing::extent() const {
  float area = 0;
  for (std::size_t k = 1; k < keys_.size(); ++k) {
    area += 0.5f * (keys_[k].chord + keys_[k - 1].chord) * (keys_[k].span - keys_[k - 1].span);
  }
  const float tip = tipSpan();
  const float meanChord = tip > 0 ? area / tip : keys_.front().chord;
  return {mirrored_ ? 2.0f * tip : tip, 2.0f * meanChord};
}

}  // namespace skyloom::assetgen
