#include "aircraft_liveries.h"

#include "aircraft_paint.h"

namespace skyloom::assetgen {

namespace {
Colour provisional(const PaintPoint& pt) {
  if (pt.role == Role::Canopy) return glassColour(pt, 0.8f);
  Colour c = rgb(200, 200, 200);
  switch (pt.role) {
    case Role::Wing: c = pt.local.upper ? rgb(220, 200, 120) : rgb(150, 150, 200); break;
    case Role::Fin: c = rgb(200, 80, 80); break;
    case Role::Tailplane: c = rgb(80, 160, 80); break;
    case Role::Nacelle: c = rgb(120, 120, 120); break;
    default: break;
  }
  if (seam(pt.p.x, 1.0f, 0.05f) > 0) c = shade(c, 0.6f);
  return c;
}
}  // namespace

Colour biplaneLivery(const PaintPoint& pt) { return provisional(pt); }
Colour mplaneLivery(const PaintPoint& pt) { return provisional(pt); }
Colour trainerLivery(const PaintPoint& pt) { return provisional(pt); }
Colour transportLivery(const PaintPoint& pt) { return provisional(pt); }
Colour fighterLivery(const PaintPoint& pt) { return provisional(pt); }
Colour airlinerLivery(const PaintPoint& pt) { return provisional(pt); }
Colour helicopterLivery(const PaintPoint& pt) { return provisional(pt); }
Colour seaplaneLivery(const PaintPoint& pt) { return provisional(pt); }
Colour gliderLivery(const PaintPoint& pt) { return provisional(pt); }

}  // namespace skyloom::assetgen
