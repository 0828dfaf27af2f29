#pragma once
// The engine's diagnostic log: a text file written line by line, each line flushed at once so a
// crash loses nothing. Until open() succeeds every write is a no-op, and nothing in the program
// opens it by default. Safe to use from several threads.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

// printf checking; mingw's C++ runtime formats with its own ANSI printf, hence gnu_printf there.
#if defined(__MINGW32__)
#define SKYLOOM_PRINTF_FORMAT(formatIndex, firstArg) __attribute__((format(gnu_printf, formatIndex, firstArg)))
#elif defined(__GNUC__)
#define SKYLOOM_PRINTF_FORMAT(formatIndex, firstArg) __attribute__((format(printf, formatIndex, firstArg)))
#else
#define SKYLOOM_PRINTF_FORMAT(formatIndex, firstArg)
#endif

namespace skyloom {

enum class LogCategory { Main = 0, Decode, Input, Output, Perf };

// "Main", "Decode", "Input", "Output", "Perf"; "" for a value outside the enumeration.
const char* logCategoryName(LogCategory category);

class PlayerLog {
 public:
  // Longest formatted text of one line; longer texts are cut.
  static constexpr std::size_t kFormatBufferSize = 2048;

  explicit PlayerLog(std::string fileName = "velkaranmp3.log");
  ~PlayerLog();
  PlayerLog(const PlayerLog&) = delete;
  PlayerLog& operator=(const PlayerLog&) = delete;

  // Creates (or empties) the file; true when it is open, also when it already was.
  bool open();
  void close();
  bool isOpen() const;

  // Bit n enables category n; all categories are off initially.
  void setMask(std::uint32_t mask);
  std::uint32_t mask() const;

  // "Error: " and the formatted text. The text carries its own line end, as printf's would.
  void error(const char* format, ...) SKYLOOM_PRINTF_FORMAT(2, 3);
  // The category's name, ": " and the formatted text, when the category's bit is set.
  void log(LogCategory category, const char* format, ...) SKYLOOM_PRINTF_FORMAT(3, 4);

  const std::string& fileName() const { return fileName_; }

 private:
  void writeLine(const char* prefix, const char* format, std::va_list args);

  const std::string fileName_;
  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::uint32_t mask_ = 0;
};

}  // namespace skyloom
