#pragma once
// Registry keys and values under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE. The Win32 registry
// and an in-memory one implement the same interface with the same meaning:
//
// - Paths are key names joined by backslashes ("Software\Velkaran\Skyloom"), relative to the
//   key they are given to; "" names the key itself for openKey and createKey. A path with an
//   empty name in it (leading, trailing or doubled backslash) or a name over 255 characters is
//   refused with kInvalidArg.
// - Key and value names compare case-insensitively and keep the case they were created with.
// - Values keep their Windows type and bytes; the typed reads answer kRegistryWrongType when
//   the stored type or size is not the one asked for.
// - A key opened for reading refuses every change with kAccessDenied.
// - A missing key or value answers kFileNotFound; a key deleted while open answers
//   kRegistryKeyDeleted for everything but its destruction.
//
// The checks above are made here, once, before either implementation is asked, so the two
// cannot drift apart.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace skyloom {

constexpr HResult hresultFromWin32(std::uint32_t error) {
  return error == 0 ? kOk : static_cast<HResult>(0x80070000u | (error & 0xFFFFu));
}

constexpr HResult kRegistryWrongType = hresultFromWin32(13);     // ERROR_INVALID_DATA
constexpr HResult kRegistryKeyDeleted = hresultFromWin32(1018);  // ERROR_KEY_DELETED

enum class RegistryRoot { CurrentUser, LocalMachine };
enum class RegistryAccess { Read, ReadWrite };

// Value types, the Windows REG_* numbers.
struct RegistryType {
  enum : std::uint32_t { None = 0, String = 1, ExpandString = 2, Binary = 3, Dword = 4 };
};

struct RegistryValueInfo {
  std::string name;
  std::uint32_t type = RegistryType::None;
};

// Longest key name and value name Windows accepts.
constexpr std::size_t kMaxRegistryKeyName = 255;
constexpr std::size_t kMaxRegistryValueName = 16383;

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  RegistryAccess access() const { return access_; }

  HResult openKey(std::string_view path, RegistryAccess access, std::unique_ptr<RegistryKey>& out);
  // Opens the key for reading and writing, creating it and any missing keys above it.
  HResult createKey(std::string_view path, std::unique_ptr<RegistryKey>& out);
  // Deletes the key with all its subkeys and values.
  HResult deleteKey(std::string_view path);
  // Subkey names, sorted case-insensitively.
  HResult enumerateSubkeys(std::vector<std::string>& out);
  // Value names and types, in the order the values were created.
  HResult enumerateValues(std::vector<RegistryValueInfo>& out);

  HResult queryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data);
  HResult setValue(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data);
  HResult deleteValue(std::string_view name);

  HResult readDword(std::string_view name, std::uint32_t& out);
  HResult writeDword(std::string_view name, std::uint32_t value);
  // REG_SZ (or REG_EXPAND_SZ, unexpanded), up to the first NUL.
  HResult readString(std::string_view name, std::string& out);
  // Stored as REG_SZ with its terminating NUL.
  HResult writeString(std::string_view name, std::string_view value);
  HResult readBinary(std::string_view name, std::vector<std::uint8_t>& out);
  HResult writeBinary(std::string_view name, std::span<const std::uint8_t> value);

 protected:
  explicit RegistryKey(RegistryAccess access) : access_(access) {}

  // Called with checked arguments; paths are relative and never empty for deleteKey.
  virtual HResult doOpenKey(const std::string& path, RegistryAccess access, std::unique_ptr<RegistryKey>& out) = 0;
  virtual HResult doCreateKey(const std::string& path, std::unique_ptr<RegistryKey>& out) = 0;
  virtual HResult doDeleteKey(const std::string& path) = 0;
  virtual HResult doEnumerateSubkeys(std::vector<std::string>& out) = 0;
  virtual HResult doEnumerateValues(std::vector<RegistryValueInfo>& out) = 0;
  virtual HResult doQueryValue(const std::string& name, std::uint32_t& type, std::vector<std::uint8_t>& data) = 0;
  virtual HResult doSetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) = 0;
  virtual HResult doDeleteValue(const std::string& name) = 0;

 private:
  RegistryAccess access_;
};

class Registry {
 public:
  virtual ~Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  HResult openKey(RegistryRoot root, std::string_view path, RegistryAccess access, std::unique_ptr<RegistryKey>& out);
  HResult createKey(RegistryRoot root, std::string_view path, std::unique_ptr<RegistryKey>& out);
  HResult deleteKey(RegistryRoot root, std::string_view path);

 protected:
  Registry() = default;
  // The root key itself, open for reading and writing.
  virtual HResult openRoot(RegistryRoot root, std::unique_ptr<RegistryKey>& out) = 0;
};

// Case-insensitive comparison of key and value names (ASCII letters fold; the names the
// program uses are ASCII).
bool registryNamesEqual(std::string_view a, std::string_view b);
bool registryNameLess(std::string_view a, std::string_view b);

}  // namespace skyloom
