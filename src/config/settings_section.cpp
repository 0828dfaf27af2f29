#include "config/settings_section.h"

#include <bit>
#include <cstring>

#include "core/bytes.h"
#include "core/paths.h"

namespace skyloom {

// Records are copied to and from files as they lie in memory.
static_assert(std::endian::native == std::endian::little, "settings records are little-endian");

void appendBytes(Bytes& out, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  out.insert(out.end(), p, p + size);
}

SettingsSection::SettingsSection(std::string_view unitName, void* record, std::size_t recordSize)
    : name_("$save" + std::string(unitName) + "$"), record_(record), recordSize_(recordSize) {}

void SettingsSection::saveBlock(Bytes& out) const {
  const std::size_t start = out.size();
  out.resize(start + 4);
  appendBytes(out, name_.c_str(), name_.size() + 1);
  writePayload(out);
  writeLE32(out.data() + start, static_cast<std::uint32_t>(out.size() - start));
}

int SettingsSection::loadBlock(ByteSpan in, std::size_t& consumed) {
  consumed = in.size();
  if (in.size() < 4) return kBlockMalformed;
  const std::uint32_t length = readLE32(in.data());
  if (length < 5 || length > in.size()) return kBlockMalformed;
  consumed = length;
  const ByteSpan block = in.first(length);
  const void* nul = std::memchr(block.data() + 4, 0, length - 4);
  if (!nul) return kBlockMalformed;
  const std::size_t nameLength = static_cast<const std::uint8_t*>(nul) - (block.data() + 4);
  const std::string_view stored(reinterpret_cast<const char*>(block.data() + 4), nameLength);
  if (!equalsIgnoreCase(stored, name_)) return kBlockOtherSection;
  std::size_t used = 0;
  if (!readPayload(block.subspan(4 + nameLength + 1), used)) return kBlockMalformed;
  return length == 4 + nameLength + 1 + used ? kBlockLoaded : kBlockLengthMismatch;
}

void SettingsSection::writePayload(Bytes& out) const { appendBytes(out, record_, recordSize_); }

bool SettingsSection::readPayload(ByteSpan, std::size_t& consumed) {
  consumed = recordSize_;
  return true;
}

std::intptr_t SettingsSection::dialogProc(void*, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }

}  // namespace skyloom
