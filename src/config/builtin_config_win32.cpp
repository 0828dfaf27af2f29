#include <windows.h>

#include "config/builtin_config.h"

namespace skyloom {

ByteSpan builtInConfig() {
  HRSRC info = FindResourceA(nullptr, kBuiltInConfigName, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!info) return {};
  HGLOBAL handle = LoadResource(nullptr, info);
  const DWORD size = SizeofResource(nullptr, info);
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!data || size == 0) return {};
  return ByteSpan(static_cast<const std::uint8_t*>(data), size);
}

}  // namespace skyloom
