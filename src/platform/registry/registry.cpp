#include "platform/registry/registry.h"

#include <algorithm>
#include <cstring>

namespace skyloom {

namespace {

char foldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Every name between backslashes must be 1 to 255 characters.
bool isValidPath(std::string_view path, bool allowEmpty) {
  if (path.empty()) return allowEmpty;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = path.find('\\', start);
    const std::size_t length = (end == std::string_view::npos ? path.size() : end) - start;
    if (length == 0 || length > kMaxRegistryKeyName) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool isValidValueName(std::string_view name) {
  return name.size() <= kMaxRegistryValueName && name.find('\0') == std::string_view::npos;
}

}  // namespace

bool registryNamesEqual(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return foldCase(x) == foldCase(y); });
}

bool registryNameLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return foldCase(x) < foldCase(y); });
}

// --- RegistryKey: checks shared by both implementations ---

HResult RegistryKey::openKey(std::string_view path, RegistryAccess access, std::unique_ptr<RegistryKey>& out) {
  out.reset();
  if (!isValidPath(path, true)) return kInvalidArg;
  return doOpenKey(std::string(path), access, out);
}

HResult RegistryKey::createKey(std::string_view path, std::unique_ptr<RegistryKey>& out) {
  out.reset();
  if (!isValidPath(path, true)) return kInvalidArg;
  if (access_ != RegistryAccess::ReadWrite) return kAccessDenied;
  return doCreateKey(std::string(path), out);
}

HResult RegistryKey::deleteKey(std::string_view path) {
  if (!isValidPath(path, false)) return kInvalidArg;
  if (access_ != RegistryAccess::ReadWrite) return kAccessDenied;
  return doDeleteKey(std::string(path));
}

HResult RegistryKey::enumerateSubkeys(std::vector<std::string>& out) {
  out.clear();
  HResult hr = doEnumerateSubkeys(out);
  if (succeeded(hr)) std::sort(out.begin(), out.end(), registryNameLess);
  return hr;
}

HResult RegistryKey::enumerateValues(std::vector<RegistryValueInfo>& out) {
  out.clear();
  return doEnumerateValues(out);
}

HResult RegistryKey::queryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) {
  data.clear();
  if (!isValidValueName(name)) return kInvalidArg;
  return doQueryValue(std::string(name), type, data);
}

HResult RegistryKey::setValue(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) {
  if (!isValidValueName(name) || data.size() > 0xFFFFFFFFu) return kInvalidArg;
  if (access_ != RegistryAccess::ReadWrite) return kAccessDenied;
  return doSetValue(std::string(name), type, data);
}

HResult RegistryKey::deleteValue(std::string_view name) {
  if (!isValidValueName(name)) return kInvalidArg;
  if (access_ != RegistryAccess::ReadWrite) return kAccessDenied;
  return doDeleteValue(std::string(name));
}

// --- typed values ---

HResult RegistryKey::readDword(std::string_view name, std::uint32_t& out) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  HResult hr = queryValue(name, type, data);
  if (failed(hr)) return hr;
  if (type != RegistryType::Dword || data.size() != 4) return kRegistryWrongType;
  std::memcpy(&out, data.data(), 4);  // little-endian, as REG_DWORD
  return kOk;
}

HResult RegistryKey::writeDword(std::string_view name, std::uint32_t value) {
  std::uint8_t bytes[4];
  std::memcpy(bytes, &value, 4);
  return setValue(name, RegistryType::Dword, bytes);
}

HResult RegistryKey::readString(std::string_view name, std::string& out) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  HResult hr = queryValue(name, type, data);
  if (failed(hr)) return hr;
  if (type != RegistryType::String && type != RegistryType::ExpandString) return kRegistryWrongType;
  // Strings written by other programs may lack the terminating NUL, or carry more than one.
  const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
  out.assign(data.begin(), end);
  return kOk;
}

HResult RegistryKey::writeString(std::string_view name, std::string_view value) {
  std::vector<std::uint8_t> bytes(value.begin(), value.end());
  bytes.push_back(0);
  return setValue(name, RegistryType::String, bytes);
}

HResult RegistryKey::readBinary(std::string_view name, std::vector<std::uint8_t>& out) {
  std::uint32_t type = 0;
  HResult hr = queryValue(name, type, out);
  if (failed(hr)) return hr;
  if (type != RegistryType::Binary) {
    out.clear();
    return kRegistryWrongType;
  }
  return kOk;
}

HResult RegistryKey::writeBinary(std::string_view name, std::span<const std::uint8_t> value) {
  return setValue(name, RegistryType::Binary, value);
}

// --- Registry ---

HResult Registry::openKey(RegistryRoot root, std::string_view path, RegistryAccess access,
                          std::unique_ptr<RegistryKey>& out) {
  out.reset();
  std::unique_ptr<RegistryKey> rootKey;
  if (HResult hr = openRoot(root, rootKey); failed(hr)) return hr;
  return rootKey->openKey(path, access, out);
}

HResult Registry::createKey(RegistryRoot root, std::string_view path, std::unique_ptr<RegistryKey>& out) {
  out.reset();
  std::unique_ptr<RegistryKey> rootKey;
  if (HResult hr = openRoot(root, rootKey); failed(hr)) return hr;
  return rootKey->createKey(path, out);
}

HResult Registry::deleteKey(RegistryRoot root, std::string_view path) {
  std::unique_ptr<RegistryKey> rootKey;
  if (HResult hr = openRoot(root, rootKey); failed(hr)) return hr;
  return rootKey->deleteKey(path);
}

}  // namespace skyloom
