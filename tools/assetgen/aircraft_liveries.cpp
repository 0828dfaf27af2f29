// The fleet's paint. Every scheme is written in metres on the aircraft (model space, nose along
// +x): stripes are heights, markings are circles on a wing or a side, letters stand on a baseline.
// The positions follow the shapes in aircraft_types.cpp.
#include "aircraft_liveries.h"

#include <cmath>
#include <numbers>
#include <string_view>

#include "aircraft_paint.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// ---- shared vocabulary -------------------------------------------------------------------------

bool inRange(float v, float lo, float hi) { return v >= lo && v <= hi; }

// Facing sideways enough to carry markings meant for a side.
bool onSide(const PaintPoint& pt) { return std::abs(pt.n.z) > 0.45f; }

// Text centred at x = centreX on the side the point is on, reading left to right as seen from
// that side (toward the nose on the -z side, toward the tail on the +z side).
bool sideText(const PaintPoint& pt, std::string_view text, float centreX, float baseY, float height) {
  if (!onSide(pt)) return false;
  const float w = textWidth(text, height);
  const float along = pt.p.z < 0 ? pt.p.x - centreX : centreX - pt.p.x;
  return textCovers(text, -0.5f * w, baseY, height, along, pt.p.y);
}

// The same on a fin, whose two faces point along ±z.
bool finText(const PaintPoint& pt, std::string_view text, float centreX, float baseY, float height) {
  const float w = textWidth(text, height);
  const float along = pt.n.z < 0 ? pt.p.x - centreX : centreX - pt.p.x;
  return textCovers(text, -0.5f * w, baseY, height, along, pt.p.y);
}

// A national marking: rings of the given colours, innermost first.
bool roundel(float dx, float dy, float radius, const Colour& inner, const Colour& middle, const Colour& outer,
             Colour& out) {
  const int ring = roundelRing(std::sqrt(dx * dx + dy * dy), radius, 0.35f, 0.68f);
  if (ring < 0) return false;
  out = ring == 0 ? inner : ring == 1 ? middle : outer;
  return true;
}

// The marking on the upper side of a wing at ±spanZ, or under it.
bool wingRoundel(const PaintPoint& pt, bool upper, float x, float spanZ, float radius, const Colour& inner,
                 const Colour& middle, const Colour& outer, Colour& out) {
  if (pt.local.upper != upper) return false;
  return roundel(pt.p.x - x, std::abs(pt.p.z) - spanZ, radius, inner, middle, outer, out);
}

bool sideRoundel(const PaintPoint& pt, float x, float y, float radius, const Colour& inner, const Colour& middle,
                 const Colour& outer, Colour& out) {
  return onSide(pt) && roundel(pt.p.x - x, pt.p.y - y, radius, inner, middle, outer, out);
}

// Panel seams: frames across the fuselage and a few lines along it.
float fuselageSeams(const PaintPoint& pt, float framePitch) {
  const float frame = seam(pt.p.x, framePitch, 0.025f);
  const float line = seam(pt.local.around, kPi / 3, 0.012f, 0.35f);
  return std::max(frame, line);
}

// Ribs across the span, the spar lines and the hinge lines of the control surfaces.
float wingSeams(const PaintPoint& pt, float ribPitch, float hinge) {
  const float chord = pt.local.around;
  const float rib = seam(pt.local.along, ribPitch, 0.02f);
  const float spar = std::abs(chord - 0.15f) < 0.008f || std::abs(chord - 0.62f) < 0.008f ? 1.0f : 0.0f;
  const float hingeLine = std::abs(chord - hinge) < 0.01f ? 1.0f : 0.0f;
  return std::max({rib * 0.6f, spar * 0.6f, hingeLine});
}

// A little unevenness of tone, so large surfaces do not look like plastic.
Colour weathered(const Colour& c, const PaintPoint& pt, float amount) {
  const float k = 1.0f + amount * (wear(pt.p, 0.9f, 71) - 0.5f) + 0.5f * amount * (wear(pt.p, 0.23f, 73) - 0.5f);
  return shade(c, k);
}

Colour seamed(const Colour& c, float seamMask, float depth = 0.78f) { return seamMask > 0 ? shade(c, depth) : c; }

// Tyres dark with a light hub; struts and gear in the given metal.
Colour wheelColour(const PaintPoint& pt, const Colour& hub) {
  return pt.local.radial < 0.6f * pt.local.girth ? hub : rgb(44, 44, 46);
}

Colour metal(const PaintPoint& pt, const Colour& c) { return weathered(c, pt, 0.12f); }

// A ring of cylinders seen through a cowling's front (radial engines).
Colour radialEngine(const PaintPoint& pt, float centreY) {
  const float angle = std::atan2(pt.p.y - centreY, pt.p.z);
  const float cylinder = std::fmod(angle / (2 * kPi) * 9.0f + 9.5f, 1.0f);
  const bool fins = std::fmod(pt.local.radial * 40.0f, 1.0f) < 0.45f;
  if (pt.local.radial < 0.14f) return rgb(70, 70, 74);
  return std::abs(cylinder - 0.5f) < 0.3f ? (fins ? rgb(96, 96, 100) : rgb(60, 60, 64)) : rgb(34, 34, 38);
}

// A dark streak of exhaust running back from (x, y) along the side.
float exhaustStain(const PaintPoint& pt, float x, float y, float length) {
  const float back = x - pt.p.x;
  if (back < 0 || back > length || !onSide(pt)) return 0.0f;
  const float spread = 0.08f + 0.12f * back / length;
  const float d = std::abs(pt.p.y - y - 0.05f * back) / spread;
  return d < 1 ? (1 - d) * (1 - back / length) * (0.7f + 0.3f * wear(pt.p, 0.2f, 5)) : 0.0f;
}

// Cabin side windows: rounded panes between door posts, for the high-wing cabin types.
bool cabinSideWindow(const PaintPoint& pt, float front, float rear, float bottom, float top, float post) {
  if (!onSide(pt) || !inRange(pt.p.x, rear, front) || !inRange(pt.p.y, bottom, top)) return false;
  const float slope = (pt.p.x - (front - 0.35f)) * 0.9f;  // the windscreen's rake at the front pane
  if (slope > 0 && pt.p.y - bottom < slope * (top - bottom) / 0.35f * 0.5f) return false;
  return std::abs(pt.p.x - post) > 0.05f;
}

// ---- the light types the program tints ---------------------------------------------------------
// The biplane's and the monoplane's paint is multiplied by random colours every run, so their
// pictures are nearly white with grey detail: the tint shows, the detail stays legible.

const Colour kTintBase = rgb(240, 239, 234);
const Colour kTintShade = rgb(214, 212, 206);
const Colour kTintLine = rgb(150, 148, 144);
const Colour kTintMark = rgb(78, 78, 80);

Colour tintedDetail(const PaintPoint& pt) {
  switch (pt.role) {
    case Role::Wheel: return wheelColour(pt, kTintBase);
    case Role::Strut:
    case Role::Gear: return metal(pt, rgb(205, 205, 202));
    case Role::Spinner: return kTintShade;
    case Role::Crew: return rgb(112, 78, 48);  // a leather helmet
    default: return kTintBase;
  }
}

}  // namespace

Colour biplaneLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) return glassColour(pt, 0);
  Colour c = tintedDetail(pt);
  if (pt.role == Role::Nacelle) {
    if (pt.p.x > 3.5f && pt.n.x > 0.6f) return radialEngine(pt, 0.0f);
    c = seamed(kTintShade, seam(pt.local.around, kPi / 9, 0.03f));  // cowling panels and their fasteners
    return weathered(c, pt, 0.06f);
  }
  if (pt.role == Role::Fuselage) {
    c = seamed(kTintBase, seam(pt.p.x, 0.55f, 0.02f), 0.9f);
    if (pt.p.x > 2.2f) c = kTintShade;  // the metal panels behind the cowling
    if (inRange(pt.p.x, -0.95f, -0.2f) && pt.n.y > 0.55f) c = rgb(52, 44, 38);  // the open cockpit
    if (inRange(pt.p.x, -1.0f, -0.15f) && pt.n.y > 0.45f && pt.n.y <= 0.55f) c = rgb(120, 90, 60);  // its coaming
    if (inRange(pt.p.y, -0.06f, 0.02f) && onSide(pt) && pt.p.x < 2.2f) c = kTintLine;
    if (sideText(pt, "SL-B12", -1.9f, -0.2f, 0.3f)) c = kTintMark;
    c = shade(c, 1.0f - 0.25f * exhaustStain(pt, 2.5f, -0.3f, 2.5f));
  } else if (pt.role == Role::Wing || pt.role == Role::Tailplane || pt.role == Role::Fin) {
    // doped fabric: rib tapes, a darker trailing edge, and a grey marking on each wing
    c = seamed(kTintBase, wingSeams(pt, 0.32f, 0.78f), 0.86f);
    if (pt.local.around > 0.93f) c = kTintShade;
    Colour mark;
    if (pt.role == Role::Wing && pt.tag == 0 && wingRoundel(pt, true, 0.35f, 3.3f, 0.5f, kTintBase, kTintLine, kTintMark, mark)) c = mark;
    if (pt.role == Role::Wing && pt.tag == 1 && wingRoundel(pt, false, -0.05f, 3.1f, 0.48f, kTintBase, kTintLine, kTintMark, mark)) c = mark;
    if (pt.role == Role::Fin && inRange(pt.p.y, 0.55f, 1.2f)) c = seamed(kTintShade, seam(pt.p.y, 0.18f, 0.02f));
  }
  return weathered(c, pt, 0.05f);
}

Colour mplaneLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) return glassColour(pt, 0.9f);
  Colour c = tintedDetail(pt);
  if (pt.role == Role::Fuselage) {
    c = seamed(kTintBase, fuselageSeams(pt, 0.7f), 0.85f);
    if (onSide(pt) && inRange(pt.p.y, -0.12f, 0.04f)) c = kTintLine;  // the cheat stripe
    if (onSide(pt) && inRange(pt.p.y, 0.06f, 0.1f)) c = kTintShade;
    if (pt.p.x > 2.35f) c = seamed(kTintShade, seam(pt.local.around, kPi / 4, 0.02f));  // cowling
    if (pt.p.x > 2.35f && pt.n.x > 0.8f) c = rgb(70, 70, 72);  // the cooling inlets either side of the spinner
    if (sideText(pt, "SL-MPL", -2.0f, 0.12f, 0.3f)) c = kTintMark;
    if (onSide(pt) && inRange(pt.p.x, 0.05f, 0.08f) && pt.p.y > -0.35f) c = kTintLine;  // door seam
    if (cabinSideWindow(pt, 1.75f, -0.6f, 0.32f, 0.72f, 0.55f)) c = rgb(52, 58, 68);
    c = shade(c, 1.0f - 0.3f * exhaustStain(pt, 2.5f, -0.45f, 2.0f));
  } else if (pt.role == Role::Wing || pt.role == Role::Tailplane || pt.role == Role::Fin) {
    c = seamed(kTintBase, wingSeams(pt, 0.45f, 0.76f), 0.84f);
    const float tipStripe = pt.role == Role::Fin ? pt.p.y : std::abs(pt.p.z);
    const float stripeAt = pt.role == Role::Wing ? 4.6f : pt.role == Role::Fin ? 1.35f : 1.3f;
    if (inRange(tipStripe, stripeAt, stripeAt + 0.22f)) c = kTintLine;
    if (pt.role == Role::Fin && finText(pt, "42", -3.75f, 0.85f, 0.35f)) c = kTintMark;
  }
  return weathered(c, pt, 0.05f);
}

namespace {

// ---- trainer: yellow with dark blue trim ---------------------------------------------------------

const Colour kTrainerYellow = rgb(236, 186, 36);
const Colour kTrainerBlue = rgb(28, 44, 104);
const Colour kWhite = rgb(242, 242, 240);
const Colour kRed = rgb(196, 32, 36);

}  // namespace

Colour trainerLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) {
    const float x = pt.p.x;
    if (std::abs(x - 1.62f) < 0.04f || std::abs(x - 0.35f) < 0.04f || std::abs(x + 0.95f) < 0.04f) return rgb(30, 36, 50);
    return glassColour(pt, 0);
  }
  Colour c = kTrainerYellow;
  Colour mark;
  switch (pt.role) {
    case Role::Spinner: return kTrainerBlue;
    case Role::Fuselage:
      c = seamed(c, fuselageSeams(pt, 0.6f));
      if (pt.n.y > 0.5f && inRange(pt.p.x, 2.4f, 4.3f)) c = kTrainerBlue;  // anti-glare panel
      if (onSide(pt) && inRange(pt.p.y, -0.08f, 0.1f)) c = kTrainerBlue;
      if (pt.p.x > 4.2f) c = kTrainerBlue;
      if (sideRoundel(pt, -2.1f, 0.1f, 0.3f, kRed, kWhite, kTrainerBlue, mark)) c = mark;
      if (sideText(pt, "T-21", -1.05f, 0.16f, 0.26f)) c = kTrainerBlue;
      c = shade(c, 1.0f - 0.3f * exhaustStain(pt, 3.35f, -0.25f, 2.2f));
      break;
    case Role::Wing:
      c = seamed(c, wingSeams(pt, 0.5f, 0.74f));
      if (std::abs(pt.p.z) > 4.3f) c = kTrainerBlue;
      if (wingRoundel(pt, true, 0.1f, 3.3f, 0.42f, kRed, kWhite, kTrainerBlue, mark)) c = mark;
      if (wingRoundel(pt, false, 0.1f, 3.3f, 0.42f, kRed, kWhite, kTrainerBlue, mark)) c = mark;
      break;
    case Role::Tailplane:
    case Role::Fin:
      c = seamed(c, wingSeams(pt, 0.4f, 0.7f));
      if ((pt.role == Role::Fin && pt.p.y > 1.45f) || (pt.role == Role::Tailplane && std::abs(pt.p.z) > 1.55f)) c = kTrainerBlue;
      if (pt.role == Role::Fin && inRange(pt.local.around, 0.7f, 1.0f) && inRange(pt.p.y, 0.55f, 1.35f)) {
        // the rudder's national stripes
        c = pt.local.around < 0.8f ? kTrainerBlue : pt.local.around < 0.9f ? kWhite : kRed;
      }
      break;
    default: break;
  }
  return weathered(c, pt, 0.07f);
}

namespace {

// ---- transport: olive drab over light grey, black walkways -------------------------------------

const Colour kOlive = rgb(92, 98, 58);
const Colour kDarkGreen = rgb(64, 74, 48);
const Colour kUnderGrey = rgb(150, 156, 152);
const Colour kMarkBlue = rgb(36, 52, 92);

Colour camouflage(const PaintPoint& pt, const Colour& a, const Colour& b, float scale, std::uint32_t seed) {
  const Vec3 q{pt.p.x, pt.p.y * 0.5f + pt.p.z * 0.7f, pt.p.z * 0.6f - pt.p.y * 0.4f};
  return wear(q, scale, seed) > 0.55f ? b : a;
}

}  // namespace

Colour transportLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) return glassColour(pt, 0.6f);
  Colour c = camouflage(pt, kOlive, kDarkGreen, 2.4f, 11);
  const bool under = pt.n.y < -0.35f && pt.p.y < 0.2f;
  Colour mark;
  switch (pt.role) {
    case Role::Spinner: return rgb(34, 34, 34);
    case Role::Fuselage:
      if (under) c = kUnderGrey;
      c = seamed(c, fuselageSeams(pt, 0.9f));
      if (pt.p.x > 10.95f) c = rgb(62, 66, 50);  // radome
      if (pt.p.x > 8.6f && pt.p.x < 10.0f && inRange(pt.p.y, 0.55f, 1.05f) && pt.n.y < 0.8f) {
        // flight deck windows, sloping back from the nose
        const float top = 1.05f - 0.25f * (pt.p.x - 8.6f);
        if (pt.p.y < top && seam(pt.p.x, 0.45f, 0.05f, 8.6f) == 0) c = rgb(26, 32, 40);
      }
      if (onSide(pt) && pt.local.along > 3.5f && pt.p.x > -3.0f && pt.p.x < 7.0f &&
          std::fmod(pt.p.x + 30.0f, 1.1f) < 0.3f && inRange(pt.p.y, 0.25f, 0.55f)) {
        c = rgb(30, 34, 36);  // round cabin windows
      }
      if (onSide(pt) && (std::abs(pt.p.x - 6.9f) < 0.03f || std::abs(pt.p.x - 5.9f) < 0.03f) && pt.p.y < 0.9f) c = rgb(40, 44, 32);
      if (sideRoundel(pt, -4.8f, 0.35f, 0.55f, kRed, kWhite, kMarkBlue, mark)) c = mark;
      if (sideText(pt, "TR-06", 8.0f, -0.25f, 0.35f)) c = rgb(20, 20, 20);
      if (pt.n.y > 0.96f && std::abs(pt.p.z) < 0.35f && std::abs(std::abs(pt.p.z) - 0.3f) < 0.03f && pt.p.x < 6.0f) {
        c = rgb(20, 20, 20);  // walkway edges
      }
      break;
    case Role::Nacelle:
      if (under) c = kUnderGrey;
      c = seamed(c, seam(pt.p.x, 0.8f, 0.02f));
      if (pt.p.x > 4.0f && pt.n.x > 0.7f) c = rgb(30, 30, 30);  // air intake
      if (pt.n.y > 0.5f) c = shade(c, 1.0f - 0.5f * std::max(0.0f, std::min(1.0f, (0.6f - pt.p.x) / 2.5f)));  // exhaust soot
      break;
    case Role::Wing:
    case Role::Tailplane:
      if (!pt.local.upper) c = kUnderGrey;
      c = seamed(c, wingSeams(pt, 0.7f, 0.74f));
      if (pt.role == Role::Wing && wingRoundel(pt, true, 0.6f, 10.5f, 0.75f, kRed, kWhite, kMarkBlue, mark)) c = mark;
      if (pt.role == Role::Wing && wingRoundel(pt, false, 0.6f, 10.5f, 0.75f, kRed, kWhite, kMarkBlue, mark)) c = mark;
      if (pt.role == Role::Wing && pt.local.upper && std::abs(pt.p.z) < 4.3f && std::abs(pt.local.around - 0.3f) < 0.012f) {
        c = rgb(20, 20, 20);  // walkway along the spar
      }
      break;
    case Role::Fin:
      c = seamed(c, wingSeams(pt, 0.6f, 0.7f));
      if (finText(pt, "0617", -10.2f, 3.2f, 0.42f)) c = rgb(20, 20, 20);
      if (inRange(pt.p.y, 4.3f, 4.9f) && inRange(pt.local.around, 0.2f, 0.62f)) {
        c = pt.local.around < 0.34f ? kRed : pt.local.around < 0.48f ? kWhite : kMarkBlue;  // fin flash
      }
      break;
    default: break;
  }
  return weathered(c, pt, 0.12f);
}

namespace {

// ---- fighter: two greys, disruptive on top, light below ------------------------------------------

const Colour kFighterTop = rgb(116, 126, 136);
const Colour kFighterBlot = rgb(90, 100, 114);
const Colour kFighterUnder = rgb(176, 182, 188);
const Colour kLowVisDark = rgb(84, 92, 104);
const Colour kLowVisLight = rgb(150, 158, 168);

// Above the wavy line where the top colours give way to the underside's.
bool fighterTopSide(const PaintPoint& pt) {
  if (pt.role == Role::Wing || pt.role == Role::Tailplane) return pt.local.upper;
  return pt.n.y > -0.25f + 0.25f * (wear(pt.p, 0.7f, 29) - 0.5f);
}

}  // namespace

Colour fighterLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) {
    if (std::abs(pt.p.x - 3.85f) < 0.05f) return rgb(44, 48, 54);  // the windscreen's arch
    return glassColour(pt, 0);
  }
  Colour c = fighterTopSide(pt) ? camouflage(pt, kFighterTop, kFighterBlot, 1.7f, 23) : kFighterUnder;
  Colour mark;
  switch (pt.role) {
    case Role::Fuselage:
      c = seamed(c, fuselageSeams(pt, 0.85f), 0.82f);
      if (pt.p.x > 6.3f) c = rgb(78, 82, 88);  // radome
      if (pt.n.y > 0.55f && inRange(pt.p.x, 4.5f, 6.3f)) c = rgb(62, 64, 68);  // anti-glare panel
      if (sideRoundel(pt, -3.6f, 0.05f, 0.36f, kLowVisDark, kLowVisLight, kLowVisDark, mark)) c = mark;
      if (sideText(pt, "FS-07", 5.3f, -0.35f, 0.22f)) c = kLowVisDark;
      break;
    case Role::Intake:
      c = seamed(c, seam(pt.p.x, 0.85f, 0.025f), 0.82f);
      if (pt.local.along < 0.02f) c = pt.local.radial < 0.24f ? rgb(18, 18, 20) : rgb(70, 74, 80);
      break;
    case Role::Nozzle:
      if (pt.local.along > 1.19f) return rgb(28, 26, 26);  // the soot inside
      c = blend(rgb(150, 140, 128), rgb(104, 90, 96), std::min(1.0f, pt.local.along / 1.2f));  // heat-tinted metal
      return seamed(c, seam(pt.local.around, kPi / 8, 0.05f), 0.7f);  // the petals
    case Role::Wing:
    case Role::Tailplane:
      c = seamed(c, wingSeams(pt, 0.6f, 0.8f), 0.82f);
      if (pt.role == Role::Wing && wingRoundel(pt, true, -1.6f, 3.3f, 0.5f, kLowVisDark, kLowVisLight, kLowVisDark, mark)) c = mark;
      if (pt.local.around < 0.03f && pt.role == Role::Wing) c = shade(c, 0.9f);  // leading edge
      break;
    case Role::Fin:
      c = seamed(c, wingSeams(pt, 0.6f, 0.72f), 0.82f);
      if (finText(pt, "07", -4.75f, 1.3f, 0.55f)) c = kLowVisDark;
      if (pt.p.y > 3.35f) c = rgb(60, 62, 66);  // the dark tip over the antennas
      break;
    case Role::Store:
      c = pt.p.x > 0.6f ? rgb(80, 82, 84) : rgb(226, 226, 222);  // missile: dark seeker, white body
      if (inRange(pt.p.x, -0.4f, -0.3f)) c = rgb(200, 160, 40);
      break;
    default: break;
  }
  return weathered(c, pt, 0.08f);
}

namespace {

// ---- airliner: white, a blue cheatline and tail, grey belly and wings --------------------------

const Colour kLineBlue = rgb(22, 52, 124);
const Colour kLineRed = rgb(200, 40, 44);
const Colour kBelly = rgb(198, 202, 208);
const Colour kWingGrey = rgb(184, 190, 196);
const Colour kAirlinerWhite = rgb(246, 246, 248);
const Colour kWindow = rgb(38, 46, 60);

bool cabinWindow(const PaintPoint& pt) {
  if (!onSide(pt) || !inRange(pt.p.x, -10.2f, 13.9f)) return false;
  if (inRange(pt.p.x, 0.3f, 1.4f)) return false;  // the overwing exits' place
  const float local = std::fmod(pt.p.x + 100.0f, 0.53f) - 0.265f;
  const float dy = pt.p.y - 0.45f;
  // rounded rectangles: a superellipse a quarter metre wide and a third of a metre tall
  const float e = std::pow(std::abs(local) / 0.12f, 4.0f) + std::pow(std::abs(dy) / 0.17f, 4.0f);
  return e < 1.0f;
}

bool doorOutline(const PaintPoint& pt) {
  if (!onSide(pt)) return false;
  for (float x : {14.6f, -11.0f, 0.85f}) {
    const float w = x == 0.85f ? 0.32f : 0.43f;
    const float top = x == 0.85f ? 0.75f : 1.05f;
    const float bottom = x == 0.85f ? -0.15f : -0.85f;
    const bool rim = (std::abs(std::abs(pt.p.x - x) - w) < 0.025f && inRange(pt.p.y, bottom, top)) ||
                     ((std::abs(pt.p.y - top) < 0.025f || std::abs(pt.p.y - bottom) < 0.025f) && std::abs(pt.p.x - x) < w);
    if (rim) return true;
  }
  return false;
}

bool flightDeckWindow(const PaintPoint& pt) {
  if (pt.p.x < 16.4f || pt.p.x > 17.8f || pt.n.y > 0.7f) return false;
  const float base = 0.42f + 0.35f * (pt.p.x - 16.4f);
  if (!inRange(pt.p.y, base, base + 0.42f)) return false;
  if (std::abs(pt.p.z) < 0.05f) return false;                    // the centre post
  return seam(pt.p.x, 0.46f, 0.05f, 16.4f) == 0.0f;              // the frames between panes
}

}  // namespace

Colour airlinerLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) return glassColour(pt, 0);
  Colour c = kAirlinerWhite;
  switch (pt.role) {
    case Role::Fuselage:
      if (pt.p.y < -1.05f) c = kBelly;
      if (onSide(pt) && inRange(pt.p.y, -0.32f, 0.1f)) c = kLineBlue;
      if (onSide(pt) && inRange(pt.p.y, 0.14f, 0.21f)) c = kLineRed;
      if (pt.p.x < -12.5f && pt.p.y > -0.2f) c = kLineBlue;  // the tail's colour sweeps down the cone
      c = seamed(c, seam(pt.p.x, 0.53f * 4, 0.02f), 0.93f);
      if (cabinWindow(pt)) c = kWindow;
      if (doorOutline(pt)) c = rgb(150, 156, 166);
      if (flightDeckWindow(pt)) c = kWindow;
      if (sideText(pt, "SKYLOOM", 3.0f, 1.05f, 0.7f)) c = kLineBlue;
      if (sideText(pt, "SK-LMA", -12.2f, 0.35f, 0.32f)) c = rgb(60, 64, 72);
      if (pt.p.x > 18.55f) c = rgb(172, 176, 182);  // radome
      break;
    case Role::Fin: {
      c = kLineBlue;
      // the emblem: a white disc with a blue crescent bitten out of it
      const float dx = pt.p.x + 13.6f, dy = pt.p.y - 5.0f;
      if (dx * dx + dy * dy < 1.1f * 1.1f && (dx - 0.45f) * (dx - 0.45f) + (dy - 0.2f) * (dy - 0.2f) > 0.8f * 0.8f) c = kAirlinerWhite;
      if (pt.p.y < 2.25f) c = kAirlinerWhite;
      if (inRange(pt.p.y, 2.25f, 2.45f)) c = kLineRed;
      c = seamed(c, std::abs(pt.local.around - 0.7f) < 0.006f ? 1.0f : 0.0f, 0.8f);  // rudder hinge
      break;
    }
    case Role::Wing:
    case Role::Tailplane:
      c = pt.local.upper ? kWingGrey : shade(kWingGrey, 0.93f);
      c = seamed(c, wingSeams(pt, 1.1f, 0.74f), 0.84f);
      if (pt.role == Role::Wing && pt.local.around < 0.12f) c = rgb(206, 210, 214);  // slats
      if (pt.role == Role::Wing && pt.local.upper && std::abs(pt.p.z) < 4.5f && std::abs(pt.p.z) > 2.1f &&
          (std::abs(pt.local.around - 0.25f) < 0.006f || std::abs(pt.local.around - 0.55f) < 0.006f)) {
        c = rgb(60, 64, 70);  // walkway
      }
      if (pt.role == Role::Wing && std::abs(pt.p.z) > 17.0f && pt.local.around < 0.3f) c = pt.p.z > 0 ? kLineRed : rgb(40, 170, 70);
      break;
    case Role::Nacelle:
      c = kLineBlue;
      if (pt.p.x > 4.9f) c = rgb(214, 218, 222);                        // polished intake lip
      if (pt.p.x > 5.55f && pt.n.x > 0.8f) c = pt.local.radial < 0.25f ? rgb(200, 200, 204) : rgb(36, 38, 44);  // fan
      if (pt.p.x < 1.0f) c = rgb(150, 152, 156);                        // exhaust
      if (pt.p.x < 0.72f && pt.local.radial < 0.43f) c = rgb(64, 60, 58);
      break;
    case Role::Strut: c = kWingGrey; break;
    default: break;
  }
  return weathered(c, pt, 0.04f);
}

namespace {

const Colour kRescueRed = rgb(206, 34, 30);

}  // namespace

Colour helicopterLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) {
    if (std::abs(pt.p.z) < 0.03f && pt.n.x > 0.3f) return rgb(36, 36, 40);  // centre post
    if (std::abs(pt.p.x - 0.95f) < 0.04f) return rgb(36, 36, 40);         // door post
    return glassColour(pt, 0);
  }
  Colour c = kWhite;
  switch (pt.role) {
    case Role::Fuselage:
      c = pt.p.y < 0.2f ? kRescueRed : kWhite;
      if (onSide(pt) && inRange(pt.p.y, 0.2f, 0.3f)) c = rgb(40, 40, 44);
      if (onSide(pt) && inRange(pt.p.x, -0.7f, 0.55f) && inRange(pt.p.y, 0.3f, 0.78f)) c = rgb(40, 48, 60);  // door window
      if (onSide(pt) && (std::abs(pt.p.x - 0.6f) < 0.025f || std::abs(pt.p.x + 0.75f) < 0.025f) && pt.p.y > -0.6f) c = rgb(90, 20, 20);
      if (sideText(pt, "SK-H7", -0.05f, -0.45f, 0.28f)) c = kWhite;
      c = seamed(c, seam(pt.p.x, 0.6f, 0.02f), 0.85f);
      break;
    case Role::Nacelle:
      c = seamed(kWhite, seam(pt.p.x, 0.5f, 0.02f), 0.8f);
      if (onSide(pt) && inRange(pt.p.x, -0.8f, 0.2f) && std::fmod(pt.p.y * 20.0f, 1.0f) < 0.4f && pt.p.y > 0.95f) c = rgb(50, 50, 54);  // grilles
      if (pt.p.x < -1.7f) c = rgb(60, 56, 54);  // exhaust
      break;
    case Role::Boom:
      c = kWhite;
      if (pt.p.x < -5.8f || inRange(pt.p.x, -3.5f, -3.0f)) c = kRescueRed;
      break;
    case Role::Fin:
    case Role::Tailplane:
      c = kRescueRed;
      if (pt.role == Role::Fin && pt.tag == 0 && inRange(pt.p.y, 0.75f, 0.95f)) c = kWhite;
      break;
    case Role::Skid: return metal(pt, rgb(176, 178, 180));
    case Role::Hub: return metal(pt, rgb(92, 94, 98));
    default: break;
  }
  return weathered(c, pt, 0.05f);
}

namespace {

const Colour kSeaBlue = rgb(26, 72, 158);
const Colour kAntifoul = rgb(44, 46, 52);

}  // namespace

Colour seaplaneLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) return glassColour(pt, 0.85f);
  Colour c = kWhite;
  switch (pt.role) {
    case Role::Fuselage:
      c = seamed(pt.p.y < 0.12f - 0.04f * pt.p.x ? kSeaBlue : kWhite, fuselageSeams(pt, 0.75f), 0.84f);
      if (onSide(pt) && std::abs(pt.p.y - (0.18f - 0.04f * pt.p.x)) < 0.035f) c = kRed;
      if (pt.p.x > 3.0f) c = kSeaBlue;  // the cowling
      if (pt.p.x > 3.75f && pt.n.x > 0.5f) return radialEngine(pt, 0.0f);
      if (sideText(pt, "SK-FLT", -2.4f, 0.25f, 0.3f)) c = kSeaBlue;
      if (cabinSideWindow(pt, 2.15f, -0.55f, 0.38f, 0.8f, 0.85f)) c = rgb(40, 52, 66);
      c = shade(c, 1.0f - 0.3f * exhaustStain(pt, 2.9f, -0.6f, 2.4f));
      break;
    case Role::Float:
      c = seamed(kSeaBlue, seam(pt.p.x, 0.6f, 0.02f), 0.82f);
      if (pt.p.y < -2.16f) c = kAntifoul;                       // below the waterline
      if (pt.n.y > 0.9f && std::abs(pt.p.z) < 1.4f && std::abs(pt.p.z) > 1.3f) c = kWhite;  // walkway stripe
      break;
    case Role::Wing:
    case Role::Tailplane:
    case Role::Fin:
      c = seamed(kWhite, wingSeams(pt, 0.5f, 0.75f), 0.86f);
      if ((pt.role == Role::Wing && std::abs(pt.p.z) > 5.3f) || (pt.role == Role::Fin && pt.p.y > 1.55f) ||
          (pt.role == Role::Tailplane && std::abs(pt.p.z) > 1.75f)) {
        c = kSeaBlue;
      }
      break;
    case Role::Strut: return metal(pt, rgb(196, 198, 200));
    case Role::Spinner: return kWhite;
    default: break;
  }
  return weathered(c, pt, 0.06f);
}

namespace {

const Colour kGliderWhite = rgb(248, 248, 246);
const Colour kDayGlo = rgb(246, 78, 40);

}  // namespace

Colour gliderLivery(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) {
    if (std::abs(pt.p.x - 2.0f) < 0.03f) return rgb(40, 40, 44);
    return glassColour(pt, 0);
  }
  Colour c = kGliderWhite;
  switch (pt.role) {
    case Role::Fuselage:
      if (pt.p.x > 2.85f) c = kDayGlo;  // the nose cap
      if (onSide(pt) && inRange(pt.p.y, 0.05f, 0.09f) && pt.p.x > -1.5f) c = rgb(60, 64, 72);
      if (sideText(pt, "SK-G42", -2.2f, 0.0f, 0.2f)) c = rgb(40, 44, 52);
      break;
    case Role::Wing:
      c = seamed(c, std::abs(pt.local.around - 0.78f) < 0.012f && std::abs(pt.p.z) > 1.2f ? 1.0f : 0.0f, 0.86f);
      if (std::abs(pt.p.z) > 6.3f) c = kDayGlo;
      break;
    case Role::Fin:
      if (pt.p.y > 1.1f) c = kDayGlo;
      if (finText(pt, "42", -5.02f, 0.55f, 0.38f)) c = rgb(30, 30, 34);
      break;
    case Role::Tailplane:
      if (std::abs(pt.p.z) > 1.1f) c = kDayGlo;
      break;
    case Role::Wheel: return wheelColour(pt, rgb(200, 200, 200));
    default: break;
  }
  return weathered(c, pt, 0.03f);
}

}  // namespace skyloom::assetgen
