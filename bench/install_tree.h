#pragma once
// The generated install tree (SKYLOOM_INSTALL_DIR) as the current directory for the lifetime of
// the object, with its "pack.dat" open as the program's pack, as the program finds its data when
// it runs: without the pack there are no pictures, and the default terrain (a picture in it)
// would be a flat sea.

#include <filesystem>

#include "resources/pack.h"

namespace skyloom {

class InInstallTree {
 public:
  InInstallTree() : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(SKYLOOM_INSTALL_DIR);
    if (pack_.open("pack.dat")) mainPack = &pack_;
  }
  ~InInstallTree() {
    if (mainPack == &pack_) mainPack = nullptr;
    std::filesystem::current_path(previous_);
  }
  InInstallTree(const InInstallTree&) = delete;
  InInstallTree& operator=(const InInstallTree&) = delete;

  bool packOpen() const { return mainPack == &pack_; }

 private:
  std::filesystem::path previous_;
  Pack pack_;
};

}  // namespace skyloom
