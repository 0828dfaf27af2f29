#include "resources/image.h"

#include <new>
#include <string>

#include "core/paths.h"
#include "resources/pack.h"

namespace skyloom {

namespace {

// The extension starts at the last '.' of the file name; a '.' in a folder name does not count.
std::size_t extensionStart(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return std::string_view::npos;
  const std::size_t slash = path.find_first_of("\\/", dot);
  return slash == std::string_view::npos ? dot : std::string_view::npos;
}

std::span<const std::uint8_t> bytesOf(const FileData& file) {
  return {reinterpret_cast<const std::uint8_t*>(file.bytes.get()), file.size};
}

bool readAndDecode(std::string_view path, bool (*decode)(std::span<const std::uint8_t>, Image&), Image& out) {
  FileData file;
  if (readProgramFile(path, file) == kPackNotFound || !file.bytes) return false;
  return decode(bytesOf(file), out);
}

}  // namespace

bool imageSizeAllowed(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

std::unique_ptr<std::uint8_t[]> allocatePixels(std::uint32_t width, std::uint32_t height,
                                               std::uint32_t bytesPerPixel) {
  if (!imageSizeAllowed(width, height)) return nullptr;
  const std::size_t bytes = std::size_t{width} * height * bytesPerPixel;
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

int loadImage(std::string_view path, Image& out) {
  out.reset();
  const std::size_t dot = extensionStart(path);
  const std::string_view ext = dot == std::string_view::npos ? std::string_view{} : path.substr(dot);
  if (equalsIgnoreCase(ext, ".bmp") && readAndDecode(path, decodeBmp, out)) return 0;
  if (equalsIgnoreCase(ext, ".tga") && readAndDecode(path, decodeTga, out)) return 0;

  // Land tiles and most pictures are stored as JPEGs under the names the scene asks for with
  // another extension; a name without an extension is tried as it is.
  std::string jpegPath(path);
  if (dot != std::string_view::npos) jpegPath = std::string(path.substr(0, dot)) + ".jpg";
  if (readAndDecode(jpegPath, decodeJpeg, out)) return 0;
  out.reset();
  return -1;
}

}  // namespace skyloom
