#include <windows.h>

#include <string>

#include "platform/program_resource.h"

namespace skyloom {

std::optional<Bytes> readProgramResource(std::string_view name, ProgramResourceType type) {
  // FindResourceA takes a C string: an empty name or one with a NUL inside names nothing.
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string cName(name);
  const char* resourceType = type == ProgramResourceType::Wave ? "WAVE" : MAKEINTRESOURCEA(10);  // RT_RCDATA
  HRSRC found = FindResourceA(nullptr, cName.c_str(), resourceType);
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
