#pragma once
// Every picture the program loads, as the files written into the pack folder.

#include <vector>

#include "tex_picture.h"

namespace skyloom::assetgen {

// Makes all pictures and encodes them; each file is decoded again with the program's own
// decoder before it is accepted. False (after printing why on stderr) when one fails.
bool makeTextureFiles(std::vector<TextureFile>& out);

}  // namespace skyloom::assetgen
