// The nine aircraft types. Model space: metres, nose along +x, y up, z across, the origin near the
// centre of gravity (about a quarter of the way back along the wing's chord).
//
// Class codes: bit 8 (0x100) lets a unit's group pick air targets; the low byte names the type.
// Only the fighter hunts aircraft: fighter 0x101, trainer 2, biplane 3, mplane 4, seaplane 5,
// glider 6, helicopter 7, transport 8, airliner 9 (0 is left alone: it means something else to the
// fire timer).
#include <numbers>

#include "aircraft_build.h"
#include "aircraft_fleet.h"
#include "aircraft_liveries.h"

namespace skyloom::assetgen {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// The flight lets thrust and lift fall off linearly toward the service ceiling, so every ceiling
// lies well above the highest ground of the shipped landscapes (the highlands reach 3.6 km):
// a slow type near its ceiling could not climb over a ridge there.
FlightParameters flight(float topSpeed, float turnRate, float ceiling, float range, std::int32_t classCode) {
  FlightParameters f;
  f.word84 = 40;
  f.topSpeed = topSpeed;
  f.turnRate = turnRate;
  f.float116 = 3.0f;
  f.classCode = classCode;
  f.ceiling = ceiling;
  f.range = range;
  f.float136 = 5.0f;
  return f;
}

Material paintedMetal() {
  Material m;
  m.diffuse = {1, 1, 1, 1};
  m.ambient = {0.6f, 0.6f, 0.6f, 1};
  m.specular = {0.4f, 0.4f, 0.4f, 1};
  m.emissive = {0, 0, 0, 0};
  m.power = 30;
  return m;
}

Material glazing() {
  Material m;
  m.diffuse = {0.6f, 0.62f, 0.66f, 1};
  m.ambient = {0.4f, 0.4f, 0.42f, 1};
  m.specular = {0.9f, 0.9f, 0.9f, 1};
  m.emissive = {0, 0, 0, 0};
  m.power = 60;
  return m;
}

AircraftDesign start(const char* name, const FlightParameters& f, Livery livery) {
  AircraftDesign d;
  d.name = name;
  d.flight = f;
  d.livery = std::move(livery);
  d.paint = paintedMetal();
  d.glass = glazing();
  return d;
}

// Open cockpits, two bays of struts and wires between staggered wings, a radial engine and
// fixed gear.
AircraftDesign biplane() {
  AircraftDesign d = start("biplane", flight(60, 1.4f, 6000, 1000, 3), biplaneLivery);
  DesignBuilder b(d);
  b.add(makeLoft({tip(2.9f, 0, Blend::Linear), ring(2.9f, 0.48f, 0.5f, 0.5f, 0, 3),
                  ring(1.2f, 0.48f, 0.56f, 0.54f, 0.02f, 3), ring(-1.0f, 0.4f, 0.5f, 0.48f, 0.05f, 3),
                  ring(-3.7f, 0.1f, 0.16f, 0.12f, 0.18f, 2.5f, Blend::RoundToTip), tip(-3.95f, 0.2f)}),
        Role::Fuselage, Detail::Body);
  b.add(makeLoft({tip(2.7f, 0, Blend::Linear), ring(2.7f, 0.6f, 0.6f, 0.6f, 0), ring(3.25f, 0.66f, 0.66f, 0.66f, 0),
                  ring(3.55f, 0.6f, 0.6f, 0.6f, 0, 2, Blend::Linear), ring(3.55f, 0.42f, 0.42f, 0.42f, 0, 2, Blend::Linear),
                  tip(3.4f, 0)}),
        Role::Nacelle, Detail::Pod);
  b.spinner({3.4f, 0, 0}, 0.15f, 0.45f);
  b.wing({{0, 1.05f, 1.4f, 0.09f, 1.15f}, {4.6f, 1.05f, 1.4f, 0.09f, 1.31f}}, 0.4f, 0.04f, Role::Wing, Detail::Wing, 0);
  b.wing({{0, 0.6f, 1.3f, 0.09f, -0.42f}, {4.3f, 0.6f, 1.3f, 0.09f, -0.16f}}, 0.4f, 0.04f, Role::Wing, Detail::Wing, 1);
  const auto upperY = [](float z) { return 1.15f + z * 0.16f / 4.6f; };
  const auto lowerY = [](float z) { return -0.42f + z * 0.26f / 4.3f; };
  for (float z : {2.1f, 3.8f}) {
    b.strutPair({0.21f, lowerY(z), z}, {0.63f, upperY(z), z}, 0.035f, 0.4f);
    b.strutPair({-0.34f, lowerY(z), z}, {0.04f, upperY(z), z}, 0.035f, 0.4f);
  }
  // flying wires crossing each bay in the plane of the front struts
  b.strutPair({0.15f, lowerY(0.45f), 0.45f}, {0.63f, upperY(2.1f), 2.1f}, 0.012f, 1.0f, Role::Strut, Detail::Wire);
  b.strutPair({0.21f, lowerY(2.1f), 2.1f}, {0.63f, upperY(3.8f), 3.8f}, 0.012f, 1.0f, Role::Strut, Detail::Wire);
  b.strutPair({0.45f, 0.5f, 0.3f}, {0.75f, 1.15f, 0.45f}, 0.03f);
  b.strutPair({-0.15f, 0.5f, 0.3f}, {0.15f, 1.15f, 0.45f}, 0.03f);
  b.strutPair({1.5f, -0.4f, 0.25f}, {1.05f, -1.22f, 0.62f}, 0.035f, 0.5f, Role::Gear);
  b.strutPair({0.35f, -0.4f, 0.25f}, {1.05f, -1.22f, 0.62f}, 0.035f, 0.5f, Role::Gear);
  b.strut({1.05f, -1.22f, -0.66f}, {1.05f, -1.22f, 0.66f}, 0.03f, 1.0f, Role::Gear);
  b.mirror(b.wheel({1.05f, -1.22f, 0.72f}, 0.34f, 0.13f, Detail::Gear));
  b.strut({-3.3f, 0.05f, 0}, {-3.6f, -0.28f, 0}, 0.03f, 1.0f, Role::Gear);
  b.wing({{0, -2.95f, 1.0f, 0.08f, 0.12f}, {1.7f, -3.15f, 0.65f, 0.07f, 0.12f}}, 0.45f, 0, Role::Tailplane, Detail::Tail);
  b.fin({{0, -3.0f, 1.0f, 0.08f, 0}, {1.05f, -3.35f, 0.7f, 0.07f, 0}}, 0.5f, 0.1f, 0, 0, Detail::Tail);
  b.addGlass(makeLoft({tip(0.14f, 0.52f, Blend::RoundFromTip), ring(0.0f, 0.24f, 0.2f, 0.04f, 0.56f),
                       tip(-0.08f, 0.58f)}),
             Detail::Minor);
  b.add(makeLoft({tip(-0.47f, 0.74f, Blend::RoundFromTip), ring(-0.6f, 0.12f, 0.13f, 0.12f, 0.74f, 2, Blend::RoundToTip),
                  tip(-0.73f, 0.74f)}),
        Role::Crew, Detail::Small);  // the pilot's helmeted head
  b.attach({3.9f, 0, 0}, kAttachPropeller);
  b.attachPair({0.2f, 1.25f, 4.55f}, kAttachSmoke);  // display smoke from the upper wing tips
  return d;
}

// A high-wing cabin monoplane with a lift strut on each side and fixed tricycle gear.
AircraftDesign mplane() {
  AircraftDesign d = start("mplane", flight(70, 1.2f, 6500, 1000, 4), mplaneLivery);
  DesignBuilder b(d);
  b.add(makeLoft({tip(3.3f, -0.05f, Blend::Linear), ring(3.3f, 0.42f, 0.4f, 0.4f, -0.05f, 2.2f),
                  ring(2.4f, 0.56f, 0.55f, 0.5f, 0, 2.6f), ring(0.9f, 0.58f, 0.78f, 0.55f, 0.05f, 2.8f),
                  ring(-0.8f, 0.52f, 0.72f, 0.5f, 0.06f, 2.8f),
                  ring(-4.1f, 0.12f, 0.28f, 0.12f, 0.38f, 2.2f, Blend::RoundToTip), tip(-4.45f, 0.4f)}),
        Role::Fuselage, Detail::Body);
  // the windscreen; the side windows are painted on the cabin
  b.addGlass(makeLoft({tip(2.05f, 0.36f, Blend::RoundFromTip), ring(1.45f, 0.56f, 0.4f, 0.12f, 0.46f, 2.6f),
                       tip(0.8f, 0.5f)}),
             Detail::Minor);
  b.spinner({3.3f, -0.05f, 0}, 0.26f, 0.5f);
  b.wing({{0, 1.35f, 1.55f, 0.14f, 0.9f}, {5.6f, 1.35f, 1.55f, 0.13f, 1.04f}}, 0.25f, 0.03f, Role::Wing, Detail::Wing);
  b.strutPair({0.55f, -0.3f, 0.5f}, {0.9f, 0.93f, 2.9f}, 0.04f, 0.4f);
  b.strutPair({0.4f, -0.3f, 0.5f}, {0.27f, 0.93f, 2.9f}, 0.04f, 0.4f);
  b.strutPair({0.2f, -0.45f, 0.45f}, {0.1f, -1.15f, 1.05f}, 0.04f, 0.5f, Role::Gear);
  b.mirror(b.wheel({0.1f, -1.2f, 1.12f}, 0.28f, 0.14f, Detail::Gear));
  b.strut({2.7f, -0.35f, 0}, {2.7f, -1.25f, 0}, 0.04f, 1.0f, Role::Gear);
  b.wheel({2.7f, -1.28f, 0}, 0.22f, 0.12f, Detail::Gear);
  b.wing({{0, -3.3f, 1.15f, 0.1f, 0.32f}, {1.8f, -3.5f, 0.75f, 0.09f, 0.32f}}, 0.1f, 0, Role::Tailplane, Detail::Tail);
  b.fin({{0, -3.1f, 1.3f, 0.1f, 0}, {1.25f, -4.1f, 0.8f, 0.09f, 0}}, 0.1f, 0.45f, 0, 0, Detail::Tail);
  b.attach({3.85f, -0.05f, 0}, kAttachPropeller);
  b.attach({2.4f, -0.5f, 0.3f}, kAttachSmoke);
  return d;
}

// A tandem-seat low-wing trainer: long framed canopy, big spinner, square-ish tail.
AircraftDesign trainer() {
  AircraftDesign d = start("trainer", flight(120, 1.6f, 8000, 1500, 2), trainerLivery);
  DesignBuilder b(d);
  b.add(makeLoft({tip(4.45f, -0.02f, Blend::Linear), ring(4.45f, 0.36f, 0.36f, 0.36f, -0.02f),
                  ring(3.7f, 0.56f, 0.56f, 0.52f, 0, 2.3f), ring(1.6f, 0.56f, 0.66f, 0.58f, 0.02f, 2.4f),
                  ring(-1.2f, 0.48f, 0.6f, 0.55f, 0.06f, 2.4f),
                  ring(-4.0f, 0.16f, 0.22f, 0.18f, 0.3f, 2, Blend::RoundToTip), tip(-4.35f, 0.32f)}),
        Role::Fuselage, Detail::Body);
  b.addGlass(makeLoft({tip(2.5f, 0.6f, Blend::RoundFromTip), ring(1.7f, 0.4f, 0.42f, 0.2f, 0.66f),
                       ring(-0.6f, 0.38f, 0.44f, 0.2f, 0.66f), tip(-1.9f, 0.62f)}),
             Detail::Minor);
  b.spinner({4.45f, -0.02f, 0}, 0.34f, 0.55f);
  b.wing({{0, 1.3f, 2.2f, 0.15f, -0.38f}, {0.6f, 1.3f, 2.2f, 0.15f, -0.38f}, {5.0f, 0.55f, 1.15f, 0.12f, 0.1f}}, 0.3f,
         0.02f, Role::Wing, Detail::Wing);
  b.wing({{0, -2.9f, 1.3f, 0.1f, 0.25f}, {1.9f, -3.3f, 0.7f, 0.09f, 0.25f}}, 0.15f, 0, Role::Tailplane, Detail::Tail);
  b.fin({{0, -2.5f, 1.7f, 0.1f, 0}, {1.5f, -3.6f, 0.75f, 0.09f, 0}}, 0.12f, 0.3f, 0, 0, Detail::Tail);
  b.attach({5.05f, -0.02f, 0}, kAttachPropeller);
  b.attachPair({3.3f, -0.25f, 0.55f}, kAttachSmoke);
  return d;
}

// A high-wing twin turboprop with an upswept tail over its loading ramp and gear sponsons.
AircraftDesign transport() {
  AircraftDesign d = start("transport", flight(160, 0.7f, 9000, 1000, 8), transportLivery);
  DesignBuilder b(d);
  b.add(makeLoft({tip(11.3f, -0.25f, Blend::RoundFromTip), ring(8.8f, 1.5f, 1.55f, 1.45f, 0, 2.4f),
                  ring(-3.5f, 1.5f, 1.55f, 1.45f, 0, 2.4f), ring(-8.6f, 0.95f, 1.05f, 0.45f, 1.05f, 2.2f),
                  ring(-12.6f, 0.28f, 0.38f, 0.16f, 2.15f, 2, Blend::RoundToTip), tip(-13.1f, 2.2f)}),
        Role::Fuselage, Detail::Body);
  b.mirror(b.add(makeLoft({tip(2.8f, 0, Blend::RoundFromTip), ring(1.8f, 0.42f, 0.45f, 0.45f, 0, 2.4f),
                           ring(-2.0f, 0.42f, 0.45f, 0.45f, 0, 2.4f, Blend::RoundToTip), tip(-3.0f, 0)}),
                 Role::Fuselage, Detail::Minor, translation(0, -0.95f, 1.3f), 1));
  b.wing({{0, 2.2f, 3.6f, 0.17f, 1.72f}, {4.6f, 2.2f, 3.6f, 0.16f, 1.75f}, {14.5f, 1.2f, 1.7f, 0.12f, 2.0f}}, 0.35f,
         0.025f, Role::Wing, Detail::Wing);
  const int nacelle =
      b.add(makeLoft({tip(4.15f, 0, Blend::Linear), ring(4.15f, 0.42f, 0.42f, 0.42f, 0),
                      ring(3.3f, 0.62f, 0.68f, 0.72f, -0.05f, 2.2f), ring(0.5f, 0.6f, 0.7f, 0.75f, -0.08f, 2.2f),
                      ring(-1.8f, 0.3f, 0.5f, 0.4f, 0.15f), tip(-2.6f, 0.3f)}),
            Role::Nacelle, Detail::Pod, translation(0, 1.15f, 4.8f));
  b.mirror(nacelle);
  b.mirror(b.spinner({4.15f, 1.15f, 4.8f}, 0.36f, 0.7f));
  b.wing({{0, -9.9f, 3.0f, 0.11f, 2.3f}, {5.6f, -11.4f, 1.5f, 0.1f, 2.45f}}, 0.15f, 0, Role::Tailplane, Detail::Tail);
  b.fin({{0, -7.6f, 4.6f, 0.12f, 0}, {4.8f, -11.0f, 2.3f, 0.1f, 0}}, 0.15f, 1.6f, 0, 0, Detail::Tail);
  // Built-in blade discs are 1 m across their radius; the rotor form takes a scale.
  for (float z : {4.8f, -4.8f}) b.attach({4.95f, 1.15f, z}, kAttachRotor, {1, 1.7f, 1.7f}, 0.0f);
  b.attachPair({0.3f, 1.62f, 4.8f}, kAttachSmoke);
  return d;
}

// A single-seat jet: pointed nose, bubble canopy, side intakes, swept wing with rails at the
// tips, one fin and an afterburning nozzle.
AircraftDesign fighter() {
  AircraftDesign d = start("fighter", flight(600, 2.0f, 15000, 3000, 0x101), fighterLivery);
  DesignBuilder b(d);
  b.add(makeLoft({tip(8.2f, -0.05f), ring(7.0f, 0.22f, 0.24f, 0.22f, 0), ring(5.2f, 0.46f, 0.52f, 0.46f, 0.05f),
                  ring(3.4f, 0.6f, 0.66f, 0.58f, 0.08f, 2.3f), ring(1.6f, 0.7f, 0.62f, 0.62f, 0.02f, 2.6f),
                  ring(-1.5f, 0.95f, 0.6f, 0.64f, 0, 2.8f), ring(-4.5f, 0.8f, 0.58f, 0.6f, 0.02f, 2.5f),
                  ring(-6.6f, 0.64f, 0.58f, 0.58f, 0.05f, 2.2f, Blend::Linear), tip(-6.6f, 0.05f)}),
        Role::Fuselage, Detail::Body);
  b.add(makeLoft({tip(-6.5f, 0, Blend::Linear), ring(-6.5f, 0.6f, 0.6f, 0.6f, 0, 2, Blend::Linear),
                  ring(-7.7f, 0.5f, 0.5f, 0.5f, 0, 2, Blend::Linear), ring(-7.7f, 0.42f, 0.42f, 0.42f, 0, 2, Blend::Linear),
                  ring(-7.1f, 0.38f, 0.38f, 0.38f, 0, 2, Blend::Linear), tip(-7.1f, 0)}),
        Role::Nozzle, Detail::Minor, translation(0, 0.05f, 0));
  b.mirror(b.add(makeLoft({tip(2.6f, 0, Blend::Linear), ring(2.6f, 0.3f, 0.4f, 0.4f, 0, 3),
                           ring(1.5f, 0.34f, 0.44f, 0.44f, 0, 3), ring(-1.0f, 0.3f, 0.4f, 0.42f, 0, 3),
                           tip(-2.6f, 0.05f)}),
                 Role::Intake, Detail::Minor, translation(0, -0.12f, 0.82f)));
  b.addGlass(makeLoft({tip(4.7f, 0.62f, Blend::RoundFromTip), ring(3.4f, 0.42f, 0.42f, 0.25f, 0.66f),
                       ring(2.3f, 0.43f, 0.44f, 0.25f, 0.66f), tip(0.6f, 0.6f)}),
             Detail::Minor);
  b.wing({{0, 2.8f, 6.2f, 0.05f, -0.15f}, {1.1f, 2.0f, 5.2f, 0.05f, -0.15f}, {5.0f, -1.7f, 1.3f, 0.04f, -0.22f}}, 0.1f,
         0, Role::Wing, Detail::Wing);
  const int rail = b.add(makeLoft({tip(0.9f, 0, Blend::RoundFromTip), ring(0.55f, 0.08f, 0.08f, 0.08f, 0, 2, Blend::Linear),
                                   ring(-1.9f, 0.08f, 0.08f, 0.08f, 0, 2, Blend::Linear), tip(-1.9f, 0)}),
                         Role::Store, Detail::Small, translation(0, -0.22f, 5.05f));
  b.mirror(rail);
  b.wing({{0, -4.0f, 2.8f, 0.045f, 0}, {0.75f, -4.2f, 2.6f, 0.045f, 0}, {3.0f, -6.2f, 1.0f, 0.04f, -0.05f}}, 0.08f, 0,
         Role::Tailplane, Detail::Tail);
  b.fin({{0, -2.2f, 3.6f, 0.05f, 0}, {3.2f, -5.4f, 1.3f, 0.04f, 0}}, 0.08f, 0.45f, 0, 0, Detail::Tail);
  b.attach({-7.7f, 0.05f, 0}, kAttachSmoke | kAttachFlame, {0.48f, 0.48f, 0.48f});
  return d;
}

// A low-wing twin-jet airliner: round fuselage, swept wing with underwing engines on pylons.
AircraftDesign airliner() {
  AircraftDesign d = start("airliner", flight(240, 0.5f, 12000, 1000, 9), airlinerLivery);
  DesignBuilder b(d);
  b.add(makeLoft({tip(19.0f, -0.35f, Blend::RoundFromTip), ring(15.8f, 1.95f, 1.95f, 1.95f, 0),
                  ring(-9.0f, 1.95f, 1.95f, 1.95f, 0), ring(-14.5f, 1.1f, 1.15f, 0.75f, 0.75f),
                  ring(-18.2f, 0.32f, 0.36f, 0.28f, 1.3f, 2, Blend::RoundToTip), tip(-18.7f, 1.35f)}),
        Role::Fuselage, Detail::Body);
  b.wing({{0, 4.6f, 7.6f, 0.15f, -1.25f}, {2.0f, 4.0f, 7.0f, 0.15f, -1.2f}, {6.2f, 1.8f, 4.8f, 0.12f, -0.85f},
          {17.3f, -4.2f, 1.5f, 0.1f, 0.1f}},
         0.5f, 0.02f, Role::Wing, Detail::Wing);
  const int engine =
      b.add(makeLoft({tip(5.6f, 0, Blend::Linear), ring(5.6f, 0.88f, 0.88f, 0.88f, 0), ring(5.0f, 1.05f, 1.05f, 1.05f, 0),
                      ring(2.6f, 1.0f, 1.0f, 1.0f, 0), ring(0.7f, 0.56f, 0.56f, 0.56f, 0, 2, Blend::Linear),
                      ring(0.7f, 0.42f, 0.42f, 0.42f, 0), tip(-0.2f, 0)}),
            Role::Nacelle, Detail::Pod, translation(0, -2.3f, 6.0f));
  b.mirror(engine);
  b.mirror(b.fin({{0, 4.2f, 4.2f, 0.14f, 0}, {0.9f, 3.2f, 4.0f, 0.14f, 0}}, 0, -1.6f, 6.0f, 0, Detail::Minor, 1));
  b.wing({{0, -12.6f, 4.4f, 0.1f, 0.85f}, {1.0f, -13.0f, 4.2f, 0.1f, 0.9f}, {6.4f, -16.4f, 1.7f, 0.09f, 1.45f}}, 0.2f,
         0, Role::Tailplane, Detail::Tail);
  b.fin({{0, -11.0f, 6.4f, 0.11f, 0}, {6.6f, -16.0f, 2.4f, 0.09f, 0}}, 0.15f, 1.4f, 0, 0, Detail::Tail);
  b.attachPair({0.3f, -2.3f, 6.0f}, kAttachSmoke | kAttachFlame, {0.3f, 0.3f, 0.3f});
  return d;
}

// A pod-and-boom helicopter: glazed nose, engine housing and mast, skids, and a tail rotor on the
// left of its fin.
AircraftDesign helicopter() {
  AircraftDesign d = start("helicopter", flight(70, 1.2f, 6000, 1000, 7), helicopterLivery);
  DesignBuilder b(d);
  // The glazed nose is a bubble of its own, and the cabin's rounded front ends inside it, so the
  // two never share a surface that the coarse levels would tear.
  b.add(makeLoft({tip(1.3f, 0.05f, Blend::RoundFromTip), ring(0.6f, 0.86f, 0.95f, 0.72f, 0.05f, 2.3f),
                  ring(-0.8f, 0.86f, 0.95f, 0.72f, 0.05f, 2.4f),
                  ring(-2.0f, 0.45f, 0.6f, 0.42f, 0.3f, 2.2f, Blend::RoundToTip), tip(-2.4f, 0.35f)}),
        Role::Fuselage, Detail::Body);
  b.addGlass(makeLoft({tip(2.35f, -0.08f, Blend::RoundFromTip), ring(1.0f, 0.88f, 0.98f, 0.74f, 0.05f, 2.2f),
                       ring(0.5f, 0.8f, 0.9f, 0.68f, 0.05f, 2.2f, Blend::RoundToTip), tip(0.2f, 0.05f)}),
             Detail::Pod);
  b.add(makeLoft({tip(0.9f, 0.95f, Blend::RoundFromTip), ring(0.3f, 0.5f, 0.4f, 0.3f, 1.0f, 2.6f),
                  ring(-1.5f, 0.45f, 0.35f, 0.3f, 1.0f, 2.6f, Blend::RoundToTip), tip(-1.9f, 0.95f)}),
        Role::Nacelle, Detail::Minor);
  b.add(makeLoft({tip(-1.2f, 0.5f, Blend::Linear), ring(-1.2f, 0.3f, 0.3f, 0.3f, 0.5f),
                  ring(-6.9f, 0.14f, 0.14f, 0.14f, 0.62f, 2, Blend::Linear), tip(-6.9f, 0.62f)}),
        Role::Boom, Detail::Pod);
  b.fin({{0, -6.2f, 0.9f, 0.12f, 0}, {1.25f, -6.9f, 0.6f, 0.1f, 0}}, 0.15f, 0.4f, 0, 0, Detail::Tail);
  b.fin({{0, -6.3f, 0.7f, 0.12f, 0}, {0.5f, -6.6f, 0.45f, 0.1f, 0}}, 0.1f, 0.6f, 0, kPi, Detail::Minor, 1);
  b.wing({{0, -5.0f, 0.55f, 0.12f, 0.55f}, {1.0f, -5.1f, 0.45f, 0.1f, 0.55f}}, 0.1f, 0, Role::Tailplane, Detail::Tail);
  b.strut({-0.1f, 1.2f, 0}, {-0.1f, 1.9f, 0}, 0.08f, 1.0f, Role::Hub, Detail::Small);
  b.add(makeLoft({tip(-0.1f, 0, Blend::Linear), ring(-0.1f, 0.28f, 0.28f, 0.28f, 0),
                  ring(0.1f, 0.22f, 0.22f, 0.22f, 0, 2, Blend::Linear), tip(0.1f, 0)}),
        Role::Hub, Detail::Small, frameOf({0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {-0.1f, 1.85f, 0}));
  b.strut({-0.1f, 1.9f, -0.75f}, {-0.1f, 1.9f, 0.75f}, 0.06f, 0.4f, Role::Hub, Detail::Small);
  b.add(makeWheel(0.12f, 0.14f), Role::Hub, Detail::Small, frameOf({0, 0, 1}, {0, 1, 0}, {-1, 0, 0}, {-6.7f, 1.1f, 0.16f}));
  b.mirror(b.add(makeLoft({tip(-1.6f, 0, Blend::Linear), ring(-1.6f, 0.05f, 0.05f, 0.05f, 0),
                           ring(1.2f, 0.05f, 0.05f, 0.05f, 0), ring(1.75f, 0.05f, 0.05f, 0.05f, 0.3f, 2, Blend::Linear),
                           tip(1.75f, 0.3f)}),
                 Role::Skid, Detail::Pod, translation(0, -1.35f, 1.0f)));
  b.strutPair({0.9f, -1.33f, 1.0f}, {0.75f, -0.55f, 0.55f}, 0.05f, 1.0f, Role::Skid);
  b.strutPair({-0.9f, -1.33f, 1.0f}, {-0.75f, -0.55f, 0.55f}, 0.05f, 1.0f, Role::Skid);
  b.attach({-0.1f, 1.95f, 0}, kAttachRotor, {1, 5.5f, 5.5f}, kPi / 2);
  b.attach({-6.7f, 1.1f, 0.3f}, kAttachSideRotor, {1, 1, 1}, kPi / 2);
  b.attach({-1.9f, 1.0f, 0}, kAttachSmoke);
  return d;
}

// A bush plane on two floats: radial cowling, high strut-braced wing, floats braced to the fuselage.
AircraftDesign seaplane() {
  AircraftDesign d = start("seaplane", flight(65, 1.0f, 6000, 1000, 5), seaplaneLivery);
  DesignBuilder b(d);
  b.add(makeLoft({tip(3.9f, 0, Blend::Linear), ring(3.9f, 0.5f, 0.5f, 0.5f, 0), ring(3.6f, 0.68f, 0.68f, 0.68f, 0),
                  ring(2.8f, 0.66f, 0.68f, 0.64f, 0.02f, 2.2f), ring(1.0f, 0.62f, 0.85f, 0.62f, 0.05f, 2.7f),
                  ring(-1.0f, 0.55f, 0.78f, 0.58f, 0.08f, 2.7f),
                  ring(-4.9f, 0.13f, 0.3f, 0.12f, 0.45f, 2.2f, Blend::RoundToTip), tip(-5.25f, 0.48f)}),
        Role::Fuselage, Detail::Body);
  b.addGlass(makeLoft({tip(2.45f, 0.45f, Blend::RoundFromTip), ring(1.8f, 0.64f, 0.38f, 0.12f, 0.58f, 2.6f),
                       ring(0.0f, 0.6f, 0.34f, 0.12f, 0.6f, 2.6f), tip(-0.9f, 0.62f)}),
             Detail::Minor);
  b.spinner({3.9f, 0, 0}, 0.22f, 0.45f);
  b.wing({{0, 1.45f, 1.7f, 0.15f, 1.12f}, {6.2f, 1.45f, 1.7f, 0.13f, 1.28f}}, 0.3f, 0.03f, Role::Wing, Detail::Wing);
  b.strutPair({0.6f, -0.4f, 0.5f}, {0.95f, 1.12f, 3.2f}, 0.045f, 0.4f);
  b.strutPair({0.4f, -0.4f, 0.5f}, {0.25f, 1.12f, 3.2f}, 0.045f, 0.4f);
  b.mirror(b.add(makeLoft({tip(3.7f, 0.32f, Blend::RoundFromTip), ring(2.6f, 0.33f, 0.3f, 0.32f, 0.05f, 2.6f),
                           ring(0.2f, 0.34f, 0.32f, 0.36f, 0, 2.6f, Blend::Linear),
                           ring(0.1f, 0.32f, 0.32f, 0.22f, 0.05f, 2.6f),
                           ring(-2.5f, 0.16f, 0.22f, 0.06f, 0.12f, 2.4f, Blend::RoundToTip), tip(-2.9f, 0.14f)}),
                 Role::Float, Detail::Pod, translation(0, -2.0f, 1.35f)));
  b.strutPair({1.6f, -1.72f, 1.3f}, {1.6f, -0.5f, 0.45f}, 0.045f, 0.45f);
  b.strutPair({-0.4f, -1.72f, 1.3f}, {-0.2f, -0.5f, 0.45f}, 0.045f, 0.45f);
  b.strut({1.0f, -1.75f, -1.3f}, {1.0f, -1.75f, 1.3f}, 0.035f);
  b.wing({{0, -4.0f, 1.3f, 0.1f, 0.4f}, {2.1f, -4.3f, 0.85f, 0.09f, 0.4f}}, 0.15f, 0, Role::Tailplane, Detail::Tail);
  b.fin({{0, -3.7f, 1.5f, 0.1f, 0}, {1.5f, -4.8f, 0.9f, 0.09f, 0}}, 0.15f, 0.5f, 0, 0, Detail::Tail);
  b.attach({4.45f, 0, 0}, kAttachPropeller);
  b.attach({2.9f, -0.6f, 0.4f}, kAttachSmoke);
  return d;
}

// A sailplane: slender pod and boom, long tapered wing, T-tail and a monowheel.
AircraftDesign glider() {
  AircraftDesign d = start("glider", flight(45, 0.9f, 7000, 1000, 6), gliderLivery);
  DesignBuilder b(d);
  b.add(makeLoft({tip(3.1f, -0.05f, Blend::RoundFromTip), ring(2.2f, 0.32f, 0.4f, 0.42f, 0, 2.1f),
                  ring(0.6f, 0.33f, 0.42f, 0.42f, 0.02f, 2.1f), ring(-1.0f, 0.2f, 0.24f, 0.28f, 0.12f),
                  ring(-3.5f, 0.1f, 0.12f, 0.12f, 0.25f), ring(-5.3f, 0.08f, 0.12f, 0.1f, 0.3f, 2, Blend::RoundToTip),
                  tip(-5.55f, 0.3f)}),
        Role::Fuselage, Detail::Body);
  b.addGlass(makeLoft({tip(2.75f, 0.2f, Blend::RoundFromTip), ring(1.8f, 0.28f, 0.32f, 0.12f, 0.34f),
                       ring(0.9f, 0.28f, 0.28f, 0.12f, 0.36f), tip(0.2f, 0.4f)}),
             Detail::Minor);
  b.wing({{0, 0.55f, 0.98f, 0.14f, 0.38f}, {3.0f, 0.5f, 0.92f, 0.14f, 0.42f}, {7.5f, 0.2f, 0.36f, 0.12f, 0.78f}}, 0.35f,
         0.04f, Role::Wing, Detail::Wing);
  b.fin({{0, -4.35f, 1.05f, 0.12f, 0}, {1.25f, -4.95f, 0.62f, 0.1f, 0}}, 0, 0.2f, 0, 0, Detail::Tail);
  b.wing({{0, -4.75f, 0.62f, 0.1f, 1.42f}, {1.55f, -4.9f, 0.38f, 0.09f, 1.42f}}, 0.1f, 0, Role::Tailplane, Detail::Tail);
  b.wheel({0.35f, -0.42f, 0}, 0.19f, 0.1f);
  b.attachPair({0.0f, 0.78f, 7.4f}, kAttachSmoke);  // display smoke from the wing tips
  return d;
}

}  // namespace

std::vector<AircraftDesign> makeFleet() {
  std::vector<AircraftDesign> fleet;
  fleet.push_back(biplane());
  fleet.push_back(mplane());
  fleet.push_back(trainer());
  fleet.push_back(transport());
  fleet.push_back(fighter());
  fleet.push_back(airliner());
  fleet.push_back(helicopter());
  fleet.push_back(seaplane());
  fleet.push_back(glider());
  return fleet;
}

}  // namespace skyloom::assetgen
