#pragma once
// The base of every settings section. A section serialises itself as a named block:
//
//   uint32 block length = 4 + name length + 1 + payload length
//   name, NUL-terminated ("$save<unit>$")
//   payload: the section's fixed record, then any list blocks
//
// Settings files are blocks back to back; a section takes a block only when its name matches.
// The virtual operations keep their historical order; the music section appends two more.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"

namespace skyloom {

// What loadBlock answers.
enum BlockLoadResult : int {
  kBlockLoaded = 0,
  kBlockOtherSection = -1,  // the name belongs to another section: nothing applied
  kBlockLengthMismatch = -2,  // applied, but the stored length disagrees with what was read
  kBlockMalformed = -3,  // a length past the data or a name without NUL: nothing applied
};

class SettingsSection {
 public:
  // unitName forms the block name "$save<unitName>$"; record/recordSize is the fixed record
  // that writePayload copies.
  SettingsSection(std::string_view unitName, void* record, std::size_t recordSize);
  virtual ~SettingsSection() = default;
  SettingsSection(const SettingsSection&) = delete;
  SettingsSection& operator=(const SettingsSection&) = delete;

  // Appends this section's block to out.
  virtual void saveBlock(Bytes& out) const;
  // Reads a block from the start of in. consumed gets the stored block length (limited to the
  // bytes present), whatever the result.
  virtual int loadBlock(ByteSpan in, std::size_t& consumed);
  // Appends the payload: the fixed record (sections with lists add their list blocks).
  virtual void writePayload(Bytes& out) const;
  // Takes what it uses from a loaded payload and reports the bytes it consumed; false when the
  // payload is too short for the record, in which case nothing is changed. The base takes
  // nothing and reports the record size.
  virtual bool readPayload(ByteSpan in, std::size_t& consumed);
  // The settings dialog's procedure for this section; the base handles nothing.
  virtual std::intptr_t dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                                   std::intptr_t lparam);

  const std::string& name() const { return name_; }
  std::size_t payloadSize() const { return recordSize_; }

 protected:
  const std::uint8_t* recordBytes() const { return static_cast<const std::uint8_t*>(record_); }

 private:
  std::string name_;
  void* record_;
  std::size_t recordSize_;
};

// Little-endian field helpers for records.
void appendBytes(Bytes& out, const void* data, std::size_t size);

}  // namespace skyloom
