#pragma once
// SmokeTrail: the ribbon of smoke behind one smoke attachment of a unit. The unit step feeds
// the attachment's world position every frame; a new point starts only when the head segment
// has grown past 5 units or bends, so a trail of N points reaches far back in time. Every point
// carries two crossed pairs of vertices (a vertical and a horizontal ribbon) that widen, drift
// and fade as the point ages; the trail manager draws all trails with one shared index list.
//
// The point arrays are fixed at creation: point 0 is the head (it follows the attachment), older
// points lie at higher indices, and starting a point moves the whole array by one point.

#include <cstdint>
#include <span>
#include <vector>

#include "core/math.h"
#include "effects/trail_vertex.h"

namespace skyloom {

class TrailManager;

// What the trail length setting L (1 to 100; values outside are taken as the nearest end)
// makes of every trail.
struct TrailSizes {
  int length = 50;                  // L after clamping
  int points = 150;                 // N = 2L + 50 points per trail
  std::int64_t lifetimeMs = 25005;  // 10 L² + 5
  float tolerance = 0.02f;          // bend that starts a new point: 0.01, or 0.02 from L = 20
  float maxSegmentSquared = 25.0f;  // a straight head segment is cut at 5 units
};
TrailSizes trailSizes(int trailLength);

// The colour of a new head point from the trail's walking red, green and blue (each 200 to
// 255): a trail whose channels all sank below 228 is a neutral grey; otherwise the channels
// that sank are darkened further, which tints the smoke toward the channels still high.
std::uint32_t trailColour(int red, int green, int blue);

class SmokeTrail {
 public:
  static constexpr float kHalfWidth = 0.45f;      // each vertex pair starts 0.9 units apart
  static constexpr float kUPerUnit = 0.02f;       // texture repeats along the trail
  static constexpr float kHorizontalUOffset = 0.25f;
  static constexpr float kUWrap = 100.0f;
  static constexpr std::uint32_t kInitialColour = 0x80FF0000;
  static constexpr int kInitialChannel = 240;  // the walk starts inside the untinted band (≥ 228)

  struct PointRecord {
    std::int64_t timeMs = 0;
    Vec3 drift;  // units per second, slowing as the point ages
  };

  SmokeTrail(const TrailManager& manager, int id);
  SmokeTrail(const SmokeTrail&) = delete;
  SmokeTrail& operator=(const SmokeTrail&) = delete;

  // Once per frame with the attachment's world position and the drift velocity the unit hands
  // over, at the manager's clock. Positions or velocities that are not finite are ignored, so
  // one bad frame cannot poison the trail.
  void addPoint(const Vec3& position, const Vec3& driftVelocity);

  // The per-frame pass of the trail manager: ages, spreads, drifts and fades the points, smooths
  // the head and slides the tail out. Answers whether anything is left to draw.
  bool advance(std::int64_t nowMs, float dt);
  // Whether the last advance left anything to draw (a trail with points whose head has not
  // faded).
  bool visible() const { return count_ >= 2 && (vertices_[0].colour >> 24) != 0; }

  int id() const { return id_; }
  int count() const { return count_; }      // points in use, 0 before the first point
  int capacity() const { return points_; }  // N
  std::span<const TrailVertex> vertices() const { return vertices_; }
  std::span<const TrailVertex> pointVertices(int point) const {
    return std::span<const TrailVertex>(vertices_).subspan(static_cast<std::size_t>(point) * 4, 4);
  }
  const PointRecord& record(int point) const { return records_[static_cast<std::size_t>(point)]; }
  const Vec3& anchor() const { return anchor_; }
  const Vec3& lastDirection() const { return lastDirection_; }
  float lastDirectionSquared() const { return lastDirectionSquared_; }
  int red() const { return red_; }
  int green() const { return green_; }
  int blue() const { return blue_; }

 private:
  void start(const Vec3& p, const Vec3& v, std::int64_t now);
  bool startsNewPoint(const Vec3& d, float c) const;
  void shiftPoints();
  void walkColour(std::int64_t now);
  void placeHead(const Vec3& p, const Vec3& d, float c);
  void wrapU();

  void ageOut(std::int64_t now);
  void agePoints(std::int64_t now, float dt);
  void smoothHead();
  void slideTail(std::int64_t now);

  TrailVertex* point(int j) { return &vertices_[static_cast<std::size_t>(j) * 4]; }

  const TrailManager& manager_;
  int id_;
  int points_;
  std::int64_t lifetimeMs_;
  float tolerance_;
  float maxSegmentSquared_;
  int count_ = 0;
  std::vector<TrailVertex> vertices_;  // N points × 4
  std::vector<PointRecord> records_;   // N
  Vec3 anchor_;
  Vec3 lastDirection_{0.1f, 0.1f, 0.1f};
  float lastDirectionSquared_ = 0.03f;
  int red_ = kInitialChannel, green_ = kInitialChannel, blue_ = kInitialChannel;
};

}  // namespace skyloom
