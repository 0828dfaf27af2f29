#include "platform/registry/registry_memory.h"

#include <algorithm>
#include <mutex>

namespace skyloom {

namespace {

struct Value {
  std::string name;
  std::uint32_t type = RegistryType::None;
  std::vector<std::uint8_t> data;
};

struct Node {
  std::string name;
  std::vector<std::shared_ptr<Node>> children;
  std::vector<Value> values;  // creation order
  bool deleted = false;
};

template <typename T>
auto findNamed(std::vector<T>& items, std::string_view name, auto nameOf) {
  return std::find_if(items.begin(), items.end(), [&](const T& item) { return registryNamesEqual(nameOf(item), name); });
}

std::vector<std::shared_ptr<Node>>::iterator findChild(Node& node, std::string_view name) {
  return findNamed(node.children, name, [](const std::shared_ptr<Node>& n) -> const std::string& { return n->name; });
}

std::vector<Value>::iterator findValue(Node& node, std::string_view name) {
  return findNamed(node.values, name, [](const Value& v) -> const std::string& { return v.name; });
}

void markDeleted(Node& node) {
  node.deleted = true;
  for (auto& child : node.children) markDeleted(*child);
}

// Calls step(name) for each backslash-separated name of a checked path.
template <typename Step>
bool walkPath(const std::string& path, Step step) {
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (!step(std::string_view(path).substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

struct MemoryRegistry::Store {
  std::mutex mutex;
  std::shared_ptr<Node> roots[2] = {std::make_shared<Node>(), std::make_shared<Node>()};
};

namespace {

class MemoryKey final : public RegistryKey {
 public:
  MemoryKey(std::shared_ptr<MemoryRegistry::Store> store, std::shared_ptr<Node> node, RegistryAccess access)
      : RegistryKey(access), store_(std::move(store)), node_(std::move(node)) {}

 protected:
  HResult doOpenKey(const std::string& path, RegistryAccess access, std::unique_ptr<RegistryKey>& out) override {
    std::lock_guard lock(store_->mutex);
    if (node_->deleted) return kRegistryKeyDeleted;
    std::shared_ptr<Node> node = node_;
    const bool found = walkPath(path, [&node](std::string_view name) {
      auto it = findChild(*node, name);
      if (it == node->children.end()) return false;
      node = *it;
      return true;
    });
    if (!found) return kFileNotFound;
    out = std::make_unique<MemoryKey>(store_, node, access);
    return kOk;
  }

  HResult doCreateKey(const std::string& path, std::unique_ptr<RegistryKey>& out) override {
    std::lock_guard lock(store_->mutex);
    if (node_->deleted) return kRegistryKeyDeleted;
    std::shared_ptr<Node> node = node_;
    walkPath(path, [&node](std::string_view name) {
      auto it = findChild(*node, name);
      if (it == node->children.end()) {
        auto child = std::make_shared<Node>();
        child->name = std::string(name);
        auto at = std::lower_bound(node->children.begin(), node->children.end(), child,
                                   [](const auto& a, const auto& b) { return registryNameLess(a->name, b->name); });
        it = node->children.insert(at, child);
      }
      node = *it;
      return true;
    });
    out = std::make_unique<MemoryKey>(store_, node, RegistryAccess::ReadWrite);
    return kOk;
  }

  HResult doDeleteKey(const std::string& path) override {
    std::lock_guard lock(store_->mutex);
    if (node_->deleted) return kRegistryKeyDeleted;
    Node* parent = nullptr;
    std::shared_ptr<Node> node = node_;
    const bool found = walkPath(path, [&](std::string_view name) {
      auto it = findChild(*node, name);
      if (it == node->children.end()) return false;
      parent = node.get();
      node = *it;
      return true;
    });
    if (!found) return kFileNotFound;
    markDeleted(*node);
    parent->children.erase(findChild(*parent, node->name));
    return kOk;
  }

  HResult doEnumerateSubkeys(std::vector<std::string>& out) override {
    std::lock_guard lock(store_->mutex);
    if (node_->deleted) return kRegistryKeyDeleted;
    for (const auto& child : node_->children) out.push_back(child->name);
    return kOk;
  }

  HResult doEnumerateValues(std::vector<RegistryValueInfo>& out) override {
    std::lock_guard lock(store_->mutex);
    if (node_->deleted) return kRegistryKeyDeleted;
    for (const Value& value : node_->values) out.push_back({value.name, value.type});
    return kOk;
  }

  HResult doQueryValue(const std::string& name, std::uint32_t& type, std::vector<std::uint8_t>& data) override {
    std::lock_guard lock(store_->mutex);
    if (node_->deleted) return kRegistryKeyDeleted;
    auto it = findValue(*node_, name);
    if (it == node_->values.end()) return kFileNotFound;
    type = it->type;
    data = it->data;
    return kOk;
  }

  HResult doSetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    std::lock_guard lock(store_->mutex);
    if (node_->deleted) return kRegistryKeyDeleted;
    auto it = findValue(*node_, name);
    if (it == node_->values.end()) it = node_->values.insert(node_->values.end(), Value{name, 0, {}});
    it->type = type;
    it->data.assign(data.begin(), data.end());
    return kOk;
  }

  HResult doDeleteValue(const std::string& name) override {
    std::lock_guard lock(store_->mutex);
    if (node_->deleted) return kRegistryKeyDeleted;
    auto it = findValue(*node_, name);
    if (it == node_->values.end()) return kFileNotFound;
    node_->values.erase(it);
    return kOk;
  }

 private:
  std::shared_ptr<MemoryRegistry::Store> store_;
  std::shared_ptr<Node> node_;
};

}  // namespace

MemoryRegistry::MemoryRegistry() : store_(std::make_shared<Store>()) {}

MemoryRegistry::~MemoryRegistry() = default;

HResult MemoryRegistry::openRoot(RegistryRoot root, std::unique_ptr<RegistryKey>& out) {
  const int index = root == RegistryRoot::CurrentUser ? 0 : 1;
  out = std::make_unique<MemoryKey>(store_, store_->roots[index], RegistryAccess::ReadWrite);
  return kOk;
}

}  // namespace skyloom
