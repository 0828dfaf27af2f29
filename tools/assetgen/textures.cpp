// The pictures of the pack folder. Names are the ones the program asks for; the ".bmp" pictures
// are real BMP files (the loader decodes them as they are, without the lossy round trip a JPEG
// would put into their soft gradients), the tree is the one TGA form the loader accepts, and
// everything else is JPEG.
#include <cstdio>
#include <fstream>
#include <span>
#include <string>

#include "assetgen.h"
#include "resources/image.h"
#include "tex_files.h"
#include "tex_makers.h"

namespace skyloom::assetgen {

namespace {

enum class Encoding { Jpeg, Bmp, Tga };

constexpr int kLandQuality = 92;
constexpr int kPictureQuality = 95;

bool encode(const Picture& picture, Encoding encoding, int quality, std::vector<std::uint8_t>& out) {
  switch (encoding) {
    case Encoding::Bmp: out = encodeBmp24(picture); return true;
    case Encoding::Tga: out = encodeTga32(picture); return true;
    case Encoding::Jpeg: break;
  }
  return encodePictureJpeg(picture, quality, out);
}

// The file must come back through the program's decoder as the picture it was made from.
bool decodesAsMade(const TextureFile& file, const Picture& picture, Encoding encoding) {
  Image image;
  const std::span<const std::uint8_t> bytes(file.bytes);
  const bool ok = encoding == Encoding::Bmp   ? decodeBmp(bytes, image)
                  : encoding == Encoding::Tga ? decodeTga(bytes, image)
                                              : decodeJpeg(bytes, image);
  const int kind = encoding == Encoding::Tga ? kImageBgra : kImageRgb;
  return ok && image.kind == kind && image.width == static_cast<std::uint32_t>(picture.width) &&
         image.height == static_cast<std::uint32_t>(picture.height);
}

bool add(std::vector<TextureFile>& out, std::string name, const Picture& picture, Encoding encoding,
         int quality = kPictureQuality) {
  TextureFile file{std::move(name), {}};
  if (!encode(picture, encoding, quality, file.bytes) || !decodesAsMade(file, picture, encoding)) {
    std::fprintf(stderr, "assetgen: cannot encode %s\n", file.name.c_str());
    return false;
  }
  out.push_back(std::move(file));
  return true;
}

bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  stream.close();
  if (!stream) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

}  // namespace

bool makeTextureFiles(std::vector<TextureFile>& out) {
  out.clear();
  for (int k = 0; k < kGroundClassCount; ++k) {
    if (!add(out, "land20" + std::to_string(k) + ".jpg", makeLandTexture(k), Encoding::Jpeg, kLandQuality)) {
      return false;
    }
  }
  return add(out, "tree.tga", makeTree(), Encoding::Tga) &&
         add(out, "building.jpg", makeBuilding(), Encoding::Jpeg) &&
         add(out, "clouds.bmp", makeClouds(), Encoding::Bmp) &&
         add(out, "trailfog.bmp", makeTrailFog(), Encoding::Bmp) &&
         add(out, "r_fire02.bmp", makeFlame(), Encoding::Bmp) &&
         add(out, "button.jpg", makeButtonAtlas(), Encoding::Jpeg) &&
         add(out, "bmp.jpg", makeHeightPicture(), Encoding::Jpeg) &&
         add(out, "detail.jpg", makeDetailTexture(), Encoding::Jpeg);
}

bool writeTextures(const fs::path& packDir) {
  std::vector<TextureFile> files;
  if (!makeTextureFiles(files)) return false;
  std::error_code ec;
  fs::create_directories(packDir, ec);
  for (const TextureFile& file : files) {
    if (!writeFile(packDir / file.name, file.bytes)) return false;
  }
  return true;
}

}  // namespace skyloom::assetgen
