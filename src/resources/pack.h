#pragma once
// A pack: one container file holding a tree of files, found by its signature anywhere in the
// first 2 MiB of a file (so it can follow an executable image). The screen saver reads every
// named file through its main pack, falling back to loose files; the installer extracts and
// builds packs with the same code.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/file.h"
#include "resources/pack_format.h"

namespace skyloom {

// A whole file as read: size bytes followed by a NUL that is not counted.
struct FileData {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;

  std::string_view view() const { return {bytes.get(), size}; }
};

enum PackReadResult : int {
  kPackNotFound = 0,
  kPackFromPack = 1,
  kPackFromLooseFile = 2,
  kPackFromFallback = 5,
};

// Last resort of the screen saver's reads (the texture container's reader, when installed).
// Answers true and fills out when it produced the file.
using PackFallbackReader = bool (*)(FileData& out, const char* name);
extern PackFallbackReader packFallbackReader;

// Process-wide receivers of extraction progress (fraction of the pack's total length) and of
// the objects extraction creates ("Makedir:..." and "Copyfile:..." lines; text, length, 1).
using PackProgressSink = std::function<void(float)>;
using PackReportSink = std::function<void(const char* text, int length, int flag)>;
void setPackSinks(PackProgressSink progress, PackReportSink report);

class Pack {
 public:
  // The screen saver's reads try "pack\<name>" and the fallback reader after the loose file;
  // the installer's stop at the loose file.
  enum class Flavour { Saver, Installer };

  explicit Pack(Flavour flavour = Flavour::Saver) : flavour_(flavour) {}
  Pack(const Pack&) = delete;
  Pack& operator=(const Pack&) = delete;

  // Opens the first valid pack in the first 2 MiB of path (null: the running executable).
  // Returns the entry count, or 0 when there is no usable pack; replaces what was open before.
  std::uint32_t open(const char* path);
  void close();
  bool isOpen() const { return file_.isOpen(); }

  // Reads a whole file by name, looking in the pack (by the name after its last backslash,
  // case-insensitive; the last matching entry wins), then the loose file, then "pack\<name>",
  // then the fallback reader. out gets the bytes plus a terminating NUL.
  PackReadResult read(std::string_view name, FileData& out, std::uint64_t startOffset = 0);
  // The same into a caller's buffer: at most buffer.size() bytes; length gets the count read.
  PackReadResult read(std::string_view name, std::span<char> buffer, std::size_t& length,
                      std::uint64_t startOffset = 0);

  // Extracts the root with its subtree into destinationDirectory; returns the bytes written.
  std::uint64_t extractTree(const std::string& destinationDirectory);
  // Writes the first file entry called name (case-insensitive) to destinationPath. 1: written;
  // 0: no such entry; -1: the entry exists but the destination could not be written.
  int extractEntry(std::string_view name, const std::string& destinationPath);
  // Names refused by the last extraction because they could escape their folder.
  const std::vector<std::string>& skippedNames() const { return skipped_; }

  // Builds a directory from a tree on disk (null: the single subdirectory of the current
  // directory). Returns the entry count, 0 on failure.
  std::uint32_t build(const char* directoryPath);
  // Writes header, directory and data of a built pack (null: "<root name>.pck"). The output
  // appears only once complete. Returns the total length, 0 on failure.
  std::uint64_t write(const char* outputPath);

  const PackHeader& header() const { return header_; }
  std::uint32_t entryCount() const { return static_cast<std::uint32_t>(entries_.size()); }
  const PackEntry& entry(std::uint32_t index) const { return entries_[index]; }
  std::uint64_t dataStart() const { return dataStart_; }
  // Absolute offset of the header in its file: where an appended pack begins.
  std::uint64_t packStart() const { return packStart_; }

 private:
  bool readHeaderAt(const std::uint8_t* window, std::size_t windowSize, std::size_t at,
                    std::uint64_t fileSize);
  bool validateTree(std::uint64_t dataLength) const;
  bool isFileEntry(std::uint32_t index) const;
  int findFileEntry(std::string_view name, bool lastMatch) const;
  std::size_t readEntryData(const PackEntry& e, std::uint64_t startOffset, char* dest,
                            std::size_t maxBytes);
  PackReadResult readLoose(std::string_view name, FileData* whole, std::span<char> buffer,
                           std::size_t& length, std::uint64_t startOffset);

  std::uint64_t extractDirectory(std::uint32_t d, const std::string& parentDir);
  std::uint64_t extractFile(std::uint32_t f, const std::string& dir, std::uint64_t doneBefore);
  std::uint64_t copyEntryTo(const PackEntry& e, File& out, std::uint64_t doneBefore, bool withProgress);
  void report(const std::string& line) const;
  void progress(std::uint64_t bytesDone) const;
  void skip(const std::string& dir, std::string_view name);

  std::uint32_t scanDirectory(const std::string& dir, std::uint32_t parent, std::uint32_t& dirs,
                              std::uint32_t& files, std::uint32_t& subtree);
  bool writeData(File& out, std::uint32_t d, const std::string& dir, std::uint64_t& dataPos);

  Flavour flavour_;
  File file_;
  PackHeader header_;
  std::vector<PackEntry> entries_;
  std::uint64_t packStart_ = 0;
  std::uint64_t dataStart_ = 0;
  std::string buildRoot_;  // the tree a built directory describes
  std::vector<std::string> skipped_;
  std::vector<char> copyBuffer_;
  bool buildFailed_ = false;
};

// The screen saver's pack ("pack.dat"), open for the program's lifetime; null when there is
// none. readProgramFile reads through it, or through loose files alone when it is null.
extern Pack* mainPack;
PackReadResult readProgramFile(std::string_view name, FileData& out);

// The bytes of a pack holding one file (the uninstaller carries its install log this way).
std::vector<std::uint8_t> makeSingleEntryPack(std::string_view name, std::span<const char> data);

}  // namespace skyloom
