#pragma once
// The Windows registry through the ANSI Reg* calls (Windows only).

#include <memory>

#include "platform/registry/registry.h"

namespace skyloom {

class Win32Registry final : public Registry {
 public:
  Win32Registry() = default;

 protected:
  HResult openRoot(RegistryRoot root, std::unique_ptr<RegistryKey>& out) override;
};

}  // namespace skyloom
