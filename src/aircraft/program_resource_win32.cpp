// The last place a file is looked for: an RT_RCDATA resource of that name in the program itself.
#include <windows.h>

#include <string>

#include "aircraft/unit_description_library.h"

namespace skyloom {

std::optional<Bytes> readProgramResource(std::string_view name) {
  // FindResourceA takes a C string: an empty name or one with a NUL inside names nothing.
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string cName(name);
  HRSRC found = FindResourceA(nullptr, cName.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!found) return std::nullopt;
  const DWORD size = SizeofResource(nullptr, found);
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return std::nullopt;
  // The resource lives in the mapped image for the program's lifetime; nothing to free.
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (!bytes && size != 0) return std::nullopt;
  return Bytes(bytes, bytes + size);
}

}  // namespace skyloom
