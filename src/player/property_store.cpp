#include "player/property_store.h"

#include <algorithm>
#include <utility>

#include "player/engine_error.h"

namespace skyloom {

std::int32_t PropertyStore::getProperty(const std::string& name, std::optional<std::string>& out) const {
  out.reset();
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = properties_.find(name);
  if (found == properties_.end() || !found->second.value) return kErrorNotFound;
  out = found->second.value;
  return kErrorNone;
}

std::int32_t PropertyStore::setProperty(const std::string& name, std::string value) {
  std::vector<PropertyWatcher*> watchers;
  std::string notified;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Property& property = properties_[name];
    property.value = std::move(value);
    // Copies, because the entry may change as soon as the lock is released.
    watchers = property.watchers;
    if (!watchers.empty()) notified = *property.value;
  }
  // Outside the lock: a watcher that reads or sets a property must not deadlock.
  for (PropertyWatcher* watcher : watchers) watcher->propertyChanged(name, notified);
  return kErrorNone;
}

std::int32_t PropertyStore::registerWatcher(const std::string& name, PropertyWatcher* watcher) {
  if (!watcher) return kErrorInvalidParam;
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<PropertyWatcher*>& watchers = properties_[name].watchers;
  if (std::find(watchers.begin(), watchers.end(), watcher) == watchers.end()) watchers.push_back(watcher);
  return kErrorNone;
}

std::int32_t PropertyStore::unregisterWatcher(const std::string& name, PropertyWatcher* watcher) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = properties_.find(name);
  if (found == properties_.end()) return kErrorNotFound;
  std::vector<PropertyWatcher*>& watchers = found->second.watchers;
  const auto position = std::find(watchers.begin(), watchers.end(), watcher);
  if (position == watchers.end()) return kErrorNotFound;
  watchers.erase(position);
  return kErrorNone;
}

}  // namespace skyloom
