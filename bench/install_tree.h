#pragma once
// The generated install tree (SKYLOOM_INSTALL_DIR) as the current directory for the lifetime of
// the object, as the program finds its data when it runs.

#include <filesystem>

namespace skyloom {

class InInstallTree {
 public:
  InInstallTree() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(SKYLOOM_INSTALL_DIR); }
  ~InInstallTree() { std::filesystem::current_path(previous_); }
  InInstallTree(const InInstallTree&) = delete;
  InInstallTree& operator=(const InInstallTree&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace skyloom
