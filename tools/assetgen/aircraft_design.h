#pragma once
// An aircraft type as the generator describes it: its parts (surfaces placed in model space), its
// livery, materials, attachment points and flight parameters. From one design come the four
// level-of-detail meshes, the livery picture and the unit description.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "aircraft/unit_description.h"
#include "aircraft_shapes.h"
#include "core/math.h"
#include "platform/gfx/render_device.h"

namespace skyloom::assetgen {

// What a part is, for the livery.
enum class Role {
  Fuselage, Boom, Wing, Tailplane, Fin, Nacelle, Spinner, Float, Strut, Gear, Wheel, Skid, Hub,
  Nozzle, Intake, Canopy, Store, Crew,
};

// How finely a part is sampled at each level (rows along, segments around): the big surfaces keep
// the silhouette down to the coarsest level; pods (engines, floats) keep a few facets there;
// small and thin parts drop out as the aircraft shrinks on screen, bracing wires first; fixed
// wheels stay a level longer than other small parts, being what the eye looks for under a light
// aircraft.
enum class Detail { Body, Wing, Tail, Pod, Minor, Small, Thin, Wire, Gear };

constexpr int kLevels = 4;

struct Part {
  std::shared_ptr<const Surface> surface;
  Matrix place = Matrix::identity();  // the surface's frame in model space
  Role role = Role::Fuselage;
  Detail detail = Detail::Body;
  int tag = 0;          // the livery's own distinction (upper or lower wing, left or right float)
  int sharesWith = -1;  // a mirror image: uses that earlier part's share of the livery
  bool glass = false;   // drawn with the glass material
};

struct Colour {
  float r = 0, g = 0, b = 0;  // 0..1
};

// A point of the surface as the livery sees it.
struct PaintPoint {
  Vec3 p;  // model space
  Vec3 n;  // outward unit normal
  SurfaceLocal local;
  Role role = Role::Fuselage;
  int tag = 0;
};

using Livery = std::function<Colour(const PaintPoint&)>;

struct AircraftDesign {
  std::string name;  // the description's name and the base of every file name
  std::vector<Part> parts;
  std::vector<AttachmentPoint> attachments;
  FlightParameters flight;
  Livery livery;
  Material paint;
  Material glass;
};

// The rows and segments of a part of the given detail at a level; 0 rows: not made.
struct Sampling {
  int rows = 0;
  int segments = 0;
};
Sampling samplingFor(Detail detail, int level);

// Transforms the part's surface point into model space.
Vec3 partPoint(const Part& part, float a, float b);

}  // namespace skyloom::assetgen
