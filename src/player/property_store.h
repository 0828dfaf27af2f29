#pragma once
// The player's named string properties ("pcm_volume", ...) with change watchers per name.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace skyloom {

class PropertyWatcher {
 public:
  virtual ~PropertyWatcher() = default;
  virtual void propertyChanged(const std::string& name, const std::string& value) = 0;
};

// All access is under one mutex; watchers are told of a change after it is released, so a
// watcher may read or set properties itself. Names compare exactly.
class PropertyStore {
 public:
  // `out` is reset first; kErrorNotFound when the name has no value.
  std::int32_t getProperty(const std::string& name, std::optional<std::string>& out) const;
  // Stores the value, then calls the name's watchers on the calling thread in the order they
  // registered. Answers 0.
  std::int32_t setProperty(const std::string& name, std::string value);
  // A watcher may watch a name before it has a value. kErrorInvalidParam for a null watcher;
  // registering the same watcher twice for a name is a no-op.
  std::int32_t registerWatcher(const std::string& name, PropertyWatcher* watcher);
  // kErrorNotFound when the watcher does not watch the name. A notification already under way
  // on another thread may still reach it, so a watcher must outlive the setters of its names.
  std::int32_t unregisterWatcher(const std::string& name, PropertyWatcher* watcher);

 private:
  struct Property {
    std::optional<std::string> value;
    std::vector<PropertyWatcher*> watchers;
  };

  mutable std::mutex mutex_;
  std::map<std::string, Property> properties_;
};

}  // namespace skyloom
