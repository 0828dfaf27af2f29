#pragma once
// The picture makers of the content generator, one per kind of picture. Each is deterministic:
// the same call gives the same pixels.

#include "tex_picture.h"

namespace skyloom::assetgen {

// Ground classes of the land textures: "land200.jpg" + class.
enum GroundClass : int {
  kWater = 0,
  kBeachSand = 1,
  kGrass = 2,
  kBareRock = 3,
  kForestFloor = 4,
  kAlpineMeadow = 5,
  kFields = 6,
  kSnowRock = 7,
  kGroundClassCount = 8,
};

// Land textures repeat across the ground once every kLandSide height samples, so they tile
// seamlessly. The grass texture doubles as the terrain's noise picture, which is read at
// (x mod 512, z mod 512): it must be exactly this size.
constexpr int kLandSide = 512;
Picture makeLandTexture(int groundClass);

// "tree.tga": kTreeKinds trees side by side, each in a cell kTreeCellWidth wide and the whole
// height tall, standing on the bottom edge at the cell's centre; transparent around them.
// Cell 0 a spruce, 1 a broad deciduous tree, 2 a slim poplar, 3 a pine with a high crown.
constexpr int kTreeKinds = 4;
constexpr int kTreeCellWidth = 64;
constexpr int kTreeHeight = 128;
Picture makeTree();

// "building.jpg": four 128 × 128 quarters. Top left a red tiled roof, top right a grey slate
// roof (tile rows run across, the ridge at the top edge), bottom left a plastered wall and
// bottom right a brick wall, each two storeys of two windows with the ground at the bottom
// edge; each quarter repeats across its width.
constexpr int kBuildingSide = 256;
Picture makeBuilding();

// "clouds.bmp": 4 × 4 cells of a quarter of the width and height, each one soft cloud on black
// that fades out before the cell's edge, so any cell can be cut out as a texture of its own.
// Brightness is density: the grey level serves as colour and as alpha alike.
constexpr int kCloudSheetSide = 512;
Picture makeClouds();

// "trailfog.bmp": a smoke band on black, repeating along its width (the trail's u runs on and
// wraps) and fading toward the top and bottom edges (v 0.05 and 0.95 are the ribbon's edges).
constexpr int kTrailFogWidth = 128;
constexpr int kTrailFogHeight = 64;
Picture makeTrailFog();

// "r_fire02.bmp": an exhaust flame on black, added onto the scene. The cone reads it along the
// middle row: white-hot at the nozzle (u 0.15), yellow-orange at the ring (u 0.45), a red tip
// fading to black toward u 0.95.
constexpr int kFlameWidth = 128;
constexpr int kFlameHeight = 64;
Picture makeFlame();

// "button.jpg": 4 × 4 icons, left to right then top to bottom: previous, play, pause, stop,
// next, open, then repeat, shuffle, volume, mute, playlist, help, close, up, down, settings.
constexpr int kButtonSide = 256;
constexpr int kButtonIcons = 16;
Picture makeButtonAtlas();

// "detail.jpg": the terrain's close-range grain, a bright grey tile that repeats every few
// metres of ground and modulates the land textures.
constexpr int kDetailSide = 128;
Picture makeDetailTexture();

// "bmp.jpg": a grey height picture (brighter is higher, black the lowest ground), 100 m per
// pixel when the terrain is made from it.
constexpr int kHeightPictureSide = 512;
Picture makeHeightPicture();

}  // namespace skyloom::assetgen
