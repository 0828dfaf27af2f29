#pragma once
// The paint schemes of the fleet, one per type: the colour of a surface point.

#include "aircraft_design.h"

namespace skyloom::assetgen {

Colour biplaneLivery(const PaintPoint& pt);
Colour mplaneLivery(const PaintPoint& pt);
Colour trainerLivery(const PaintPoint& pt);
Colour transportLivery(const PaintPoint& pt);
Colour fighterLivery(const PaintPoint& pt);
Colour airlinerLivery(const PaintPoint& pt);
Colour helicopterLivery(const PaintPoint& pt);
Colour seaplaneLivery(const PaintPoint& pt);
Colour gliderLivery(const PaintPoint& pt);

}  // namespace skyloom::assetgen
