#pragma once
// An in-memory registry with the Win32 registry's meaning (see registry.h), for tests and tools.
// Keys opened from it share one tree; it may be used from several threads.

#include <memory>

#include "platform/registry/registry.h"

namespace skyloom {

class MemoryRegistry final : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  struct Store;

 protected:
  HResult openRoot(RegistryRoot root, std::unique_ptr<RegistryKey>& out) override;

 private:
  std::shared_ptr<Store> store_;
};

}  // namespace skyloom
