#pragma once
// A library loaded at run time (a DLL on Windows, a shared object elsewhere): its exported
// functions and the product name its version resource gives.

#include <memory>
#include <string>

namespace skyloom {

class DynamicLibrary {
 public:
  // Null when the file cannot be loaded as a library.
  static std::unique_ptr<DynamicLibrary> open(const std::string& path);
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The exported function or data of that name, or null.
  void* symbol(const char* name) const;
  // The "ProductName" of the library's US English version resource; empty where there is none
  // (and always on systems without version resources).
  const std::string& productName() const { return productName_; }

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void* handle_;
  std::string productName_;
};

}  // namespace skyloom
