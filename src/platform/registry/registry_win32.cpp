#include "platform/registry/registry_win32.h"

#include <windows.h>

namespace skyloom {

namespace {

HResult fromError(LONG error) { return hresultFromWin32(static_cast<std::uint32_t>(error)); }

REGSAM samFor(RegistryAccess access) {
  return access == RegistryAccess::ReadWrite ? KEY_READ | KEY_WRITE : KEY_READ;
}

// Deletes path below parent with everything under it. Windows' own RegDeleteKey refuses keys
// that still have subkeys, so the tree is removed bottom-up.
LONG deleteTree(HKEY parent, const std::string& path) {
  HKEY key;
  LONG error = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (error != ERROR_SUCCESS) return error;
  while (error == ERROR_SUCCESS) {
    char name[kMaxRegistryKeyName + 1];
    DWORD length = sizeof name;
    error = RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (error == ERROR_SUCCESS) error = deleteTree(key, name);
  }
  RegCloseKey(key);
  if (error != ERROR_NO_MORE_ITEMS) return error;
  return RegDeleteKeyA(parent, path.c_str());
}

class Win32Key final : public RegistryKey {
 public:
  // Predefined root handles are not closed.
  Win32Key(HKEY key, RegistryAccess access, bool owned) : RegistryKey(access), key_(key), owned_(owned) {}
  ~Win32Key() override {
    if (owned_) RegCloseKey(key_);
  }

 protected:
  HResult doOpenKey(const std::string& path, RegistryAccess access, std::unique_ptr<RegistryKey>& out) override {
    HKEY key;
    LONG error = RegOpenKeyExA(key_, path.c_str(), 0, samFor(access), &key);
    if (error == ERROR_SUCCESS) out = std::make_unique<Win32Key>(key, access, true);
    return fromError(error);
  }

  HResult doCreateKey(const std::string& path, std::unique_ptr<RegistryKey>& out) override {
    HKEY key;
    LONG error = RegCreateKeyExA(key_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                 nullptr, &key, nullptr);
    if (error == ERROR_SUCCESS) out = std::make_unique<Win32Key>(key, RegistryAccess::ReadWrite, true);
    return fromError(error);
  }

  HResult doDeleteKey(const std::string& path) override { return fromError(deleteTree(key_, path)); }

  HResult doEnumerateSubkeys(std::vector<std::string>& out) override {
    for (DWORD i = 0;; ++i) {
      char name[kMaxRegistryKeyName + 1];
      DWORD length = sizeof name;
      LONG error = RegEnumKeyExA(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (error == ERROR_NO_MORE_ITEMS) return kOk;
      if (error != ERROR_SUCCESS) return fromError(error);
      out.emplace_back(name, length);
    }
  }

  HResult doEnumerateValues(std::vector<RegistryValueInfo>& out) override {
    std::vector<char> name(kMaxRegistryValueName + 1);
    for (DWORD i = 0;; ++i) {
      DWORD length = static_cast<DWORD>(name.size());
      DWORD type = 0;
      LONG error = RegEnumValueA(key_, i, name.data(), &length, nullptr, &type, nullptr, nullptr);
      if (error == ERROR_NO_MORE_ITEMS) return kOk;
      if (error != ERROR_SUCCESS) return fromError(error);
      out.push_back({std::string(name.data(), length), static_cast<std::uint32_t>(type)});
    }
  }

  HResult doQueryValue(const std::string& name, std::uint32_t& type, std::vector<std::uint8_t>& data) override {
    DWORD size = 0;
    DWORD valueType = 0;
    LONG error = RegQueryValueExA(key_, name.c_str(), nullptr, &valueType, nullptr, &size);
    // The value may grow between the two calls; ask again until the buffer holds it.
    while (error == ERROR_SUCCESS || error == ERROR_MORE_DATA) {
      data.resize(size);
      error = RegQueryValueExA(key_, name.c_str(), nullptr, &valueType, data.empty() ? nullptr : data.data(), &size);
      if (error == ERROR_SUCCESS) {
        data.resize(size);
        type = valueType;
        return kOk;
      }
    }
    data.clear();
    return fromError(error);
  }

  HResult doSetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    return fromError(RegSetValueExA(key_, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())));
  }

  HResult doDeleteValue(const std::string& name) override { return fromError(RegDeleteValueA(key_, name.c_str())); }

 private:
  HKEY key_;
  bool owned_;
};

}  // namespace

HResult Win32Registry::openRoot(RegistryRoot root, std::unique_ptr<RegistryKey>& out) {
  HKEY key = root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  out = std::make_unique<Win32Key>(key, RegistryAccess::ReadWrite, false);
  return kOk;
}

}  // namespace skyloom
