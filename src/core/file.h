#pragma once
// A C stdio file with 64-bit positions and closing by scope. Reading code checks every count it
// gets back; nothing here throws.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace skyloom {

class File {
 public:
  File() = default;
  // mode as for fopen ("rb", "wb", "r+b"); the path is a native path.
  File(const std::string& path, const char* mode) { open(path, mode); }
  ~File() { close(); }
  File(File&& other) noexcept : f_(other.f_) { other.f_ = nullptr; }
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool open(const std::string& path, const char* mode);
  // Flushes and closes; false when a buffered write failed.
  bool close();
  bool isOpen() const { return f_ != nullptr; }

  bool seek(std::uint64_t position);
  std::uint64_t tell() const;
  // Length of the file; leaves the position where it was. 0 for a closed file.
  std::uint64_t size() const;

  // Bytes actually read or written.
  std::size_t read(void* buffer, std::size_t bytes);
  std::size_t write(const void* buffer, std::size_t bytes);
  bool writeAll(const void* buffer, std::size_t bytes) { return write(buffer, bytes) == bytes; }

 private:
  std::FILE* f_ = nullptr;
};

// Writes size bytes to path through a temporary file beside it, replacing path only once
// everything was written; on failure path is left as it was.
bool writeFileReplacing(const std::string& path, const void* data, std::size_t size);
// For writers that stream: write to replacementPath(path), then finishReplacement, which moves
// the temporary file over path when complete and removes it otherwise. False when path was
// not replaced.
inline std::string replacementPath(const std::string& path) { return path + ".tmp"; }
bool finishReplacement(const std::string& temp, const std::string& path, bool complete);
// The whole file into out; false when it cannot be opened or read (out is then unchanged).
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out);

}  // namespace skyloom
