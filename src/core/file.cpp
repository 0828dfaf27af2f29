#include "core/file.h"

#include <filesystem>

namespace skyloom {
namespace {

int seek64(std::FILE* f, std::uint64_t pos, int whence) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<long long>(pos), whence);
#else
  return fseeko(f, static_cast<off_t>(pos), whence);
#endif
}

std::uint64_t tell64(std::FILE* f) {
#ifdef _WIN32
  const long long p = _ftelli64(f);
#else
  const off_t p = ftello(f);
#endif
  return p < 0 ? 0 : static_cast<std::uint64_t>(p);
}

}  // namespace

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    f_ = other.f_;
    other.f_ = nullptr;
  }
  return *this;
}

bool File::open(const std::string& path, const char* mode) {
  close();
  f_ = std::fopen(path.c_str(), mode);
  return f_ != nullptr;
}

bool File::close() {
  if (!f_) return true;
  const bool ok = std::fclose(f_) == 0;
  f_ = nullptr;
  return ok;
}

bool File::seek(std::uint64_t position) { return f_ && seek64(f_, position, SEEK_SET) == 0; }

std::uint64_t File::tell() const { return f_ ? tell64(f_) : 0; }

std::uint64_t File::size() const {
  if (!f_) return 0;
  const std::uint64_t here = tell64(f_);
  if (seek64(f_, 0, SEEK_END) != 0) return 0;
  const std::uint64_t end = tell64(f_);
  seek64(f_, here, SEEK_SET);
  return end;
}

std::size_t File::read(void* buffer, std::size_t bytes) {
  return (f_ && bytes) ? std::fread(buffer, 1, bytes, f_) : 0;
}

std::size_t File::write(const void* buffer, std::size_t bytes) {
  return (f_ && bytes) ? std::fwrite(buffer, 1, bytes, f_) : 0;
}

bool finishReplacement(const std::string& temp, const std::string& path, bool complete) {
  std::error_code ec;
  if (complete) std::filesystem::rename(temp, path, ec);
  if (!complete || ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

bool writeFileReplacing(const std::string& path, const void* data, std::size_t size) {
  const std::string temp = replacementPath(path);
  File out(temp, "wb");
  bool ok = out.isOpen() && (size == 0 || out.writeAll(data, size));
  ok = out.close() && ok;
  return finishReplacement(temp, path, ok);
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
  File in(path, "rb");
  if (!in.isOpen()) return false;
  const std::uint64_t size = in.size();
  if (size > (std::uint64_t{1} << 30)) return false;  // no settings or view file is this large
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (in.read(bytes.data(), bytes.size()) != bytes.size()) return false;
  out = std::move(bytes);
  return true;
}

}  // namespace skyloom
