#include <windows.h>

#include <vector>

#include "platform/dynamic_library.h"

namespace skyloom {
namespace {

std::string versionProductName(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return {};
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductName", reinterpret_cast<void**>(&value),
                      &length) ||
      !value || length == 0) {
    return {};
  }
  return std::string(value, strnlen(value, length));
}

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::open(const std::string& path) {
  // No "cannot load" boxes from the system for a broken file.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(path.c_str());
  SetErrorMode(oldMode);
  if (!module) return nullptr;
  std::unique_ptr<DynamicLibrary> library(new DynamicLibrary(module));
  library->productName_ = versionProductName(path);
  return library;
}

DynamicLibrary::~DynamicLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* DynamicLibrary::symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace skyloom
