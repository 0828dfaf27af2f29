#include "platform/gfx/render_device.h"

namespace skyloom {

namespace {

// Texture coordinate set i has its size in bits 16 + 2i: 0 = two floats, 1 = three, 2 = four,
// 3 = one.
constexpr std::uint32_t kTexCoordFloats[4] = {2, 3, 4, 1};

std::uint32_t positionSize(std::uint32_t fvf) {
  switch (fvf & Fvf::PositionMask) {
    case Fvf::Xyz: return 12;
    case Fvf::XyzRhw: return 16;
    case Fvf::Xyzw: return 16;
    case Fvf::XyzB1: return 16;
    case Fvf::XyzB2: return 20;
    case Fvf::XyzB3: return 24;
    case Fvf::XyzB4: return 28;
    case Fvf::XyzB5: return 32;
    default: return 0;
  }
}

}  // namespace

std::uint32_t bytesPerTexel(Format format) {
  switch (format) {
    case Format::A8R8G8B8:
    case Format::X8R8G8B8:
    case Format::A8B8G8R8:
    case Format::X8B8G8R8: return 4;
    case Format::R8G8B8: return 3;
    case Format::R5G6B5:
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
    case Format::A4R4G4B4:
    case Format::X4R4G4B4:
    case Format::A8L8: return 2;
    case Format::A8:
    case Format::L8: return 1;
    default: return 0;
  }
}

std::uint32_t fvfVertexSize(std::uint32_t fvf) {
  std::uint32_t size = positionSize(fvf);
  if (size == 0) return 0;
  if (fvf & Fvf::Normal) size += 12;
  if (fvf & Fvf::PSize) size += 4;
  if (fvf & Fvf::Diffuse) size += 4;
  if (fvf & Fvf::Specular) size += 4;
  std::uint32_t sets = (fvf & Fvf::TexCountMask) >> Fvf::TexCountShift;
  for (std::uint32_t i = 0; i < sets && i < 8; ++i) {
    size += 4 * kTexCoordFloats[(fvf >> (16 + 2 * i)) & 3];
  }
  return size;
}

std::uint64_t verticesForPrimitives(PrimitiveType type, std::uint32_t primitiveCount) {
  const std::uint64_t count = primitiveCount;
  if (count == 0) return 0;
  switch (type) {
    case PrimitiveType::PointList: return count;
    case PrimitiveType::LineList: return 2 * count;
    case PrimitiveType::LineStrip: return count + 1;
    case PrimitiveType::TriangleList: return 3 * count;
    case PrimitiveType::TriangleStrip:
    case PrimitiveType::TriangleFan: return count + 2;
  }
  return 0;
}

std::uint32_t fullMipChainLevels(std::uint32_t width, std::uint32_t height) {
  std::uint32_t largest = width > height ? width : height;
  std::uint32_t levels = 1;
  while (largest > 1) {
    largest >>= 1;
    ++levels;
  }
  return levels;
}

}  // namespace skyloom
