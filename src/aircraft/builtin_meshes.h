#pragma once
// The three meshes built in code at start-up: "null.x" (the small sphere drawn for any mesh
// that is missing), "pull.x" (the shaded, fading cone of an exhaust flame) and "Propeller2.x"
// (the translucent disc of a spinning propeller or rotor).

#include <memory>

#include "aircraft/model.h"

namespace skyloom {

// Sphere of radius 0.5: 7 rings and two poles, 16 steps around; 114 vertices, 672 indices.
std::unique_ptr<Model> makeNullMesh();
// Cone of 5 rings × 16 segments and a tip; 81 vertices, 864 indices (both faces).
std::unique_ptr<Model> makePullMesh();
// Disc of 3 rings × 32 segments and a hub; 97 vertices, 960 indices (both faces).
std::unique_ptr<Model> makePropellerMesh();

}  // namespace skyloom
