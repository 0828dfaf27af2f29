#include "config/settings_root.h"

#include <filesystem>

#include "core/file.h"
#include "platform/registry/registry.h"

namespace skyloom {
namespace {

std::unique_ptr<SettingsRoot> gInstance;

std::string currentDirectory() {
  std::error_code ec;
  const auto cwd = std::filesystem::current_path(ec);
  return ec ? std::string() : cwd.string();
}

}  // namespace

SettingsRoot::SettingsRoot() : SettingsSection("config", &record_, sizeof record_), startDirectory_(currentDirectory()) {}

SettingsRoot* SettingsRoot::instance() { return gInstance.get(); }

SettingsRoot& SettingsRoot::createInstance() {
  if (!gInstance) gInstance = std::make_unique<SettingsRoot>();
  return *gInstance;
}

void SettingsRoot::destroyInstance() { gInstance.reset(); }

Bytes SettingsRoot::serialize() const {
  Bytes out;
  out.reserve(4096);
  saveBlock(out);
  music_.saveBlock(out);
  aircraft_.saveBlock(out);
  general_.saveBlock(out);
  return out;
}

std::array<int, 4> SettingsRoot::loadBlocks(ByteSpan bytes) {
  SettingsSection* order[4] = {this, &music_, &aircraft_, &general_};
  std::array<int, 4> results{};
  std::size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    std::size_t consumed = 0;
    results[i] = order[i]->loadBlock(bytes.subspan(std::min(at, bytes.size())), consumed);
    at += consumed;
  }
  return results;
}

SettingsSource SettingsRoot::load(Registry& registry, ByteSpan builtIn) {
  std::unique_ptr<RegistryKey> key;
  std::string installDir;
  if (succeeded(registry.openKey(RegistryRoot::CurrentUser, kSettingsKey, RegistryAccess::Read, key)) &&
      succeeded(key->readString("installdir", installDir)) && !installDir.empty() &&
      installDir.size() < kInstallDirMax) {
    // A folder that is gone (an old installation) keeps the start directory as it was.
    std::error_code ec;
    std::filesystem::current_path(installDir, ec);
    if (!ec) startDirectory_ = installDir;
  }
  Bytes file;
  if (readWholeFile(kConfigFile, file)) {
    loadBlocks(file);
    return SettingsSource::ConfigFile;
  }
  if (!builtIn.empty()) {
    loadBlocks(builtIn);
    return SettingsSource::BuiltIn;
  }
  return SettingsSource::Defaults;
}

HResult SettingsRoot::save(Registry& registry, ScreenValuesWriter* screens) {
  if (screens) {
    std::unique_ptr<RegistryKey> key;
    if (succeeded(registry.createKey(RegistryRoot::CurrentUser, kSettingsKey, key))) screens->writeScreenValues(*key);
  }
  std::error_code ec;
  if (!startDirectory_.empty()) std::filesystem::current_path(startDirectory_, ec);
  const Bytes bytes = serialize();
  return writeFileReplacing(kConfigFile, bytes.data(), bytes.size()) ? kOk : kFail;
}

}  // namespace skyloom
