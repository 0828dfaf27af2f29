// A sample built into the program: a resource of type "WAVE" named as the sample's file.
#include <windows.h>

#include <string>

#include "effects/sample_source.h"

namespace skyloom {

std::optional<Bytes> readWaveResource(std::string_view name) {
  // FindResourceA takes a C string: a name with a NUL inside names nothing.
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string cName(name);
  HRSRC found = FindResourceA(nullptr, cName.c_str(), "WAVE");
  if (!found) return std::nullopt;
  const DWORD size = SizeofResource(nullptr, found);
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return std::nullopt;
  // The resource lives in the mapped image for the program's lifetime; nothing to free.
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (!bytes) return std::nullopt;
  return Bytes(bytes, bytes + size);
}

}  // namespace skyloom
