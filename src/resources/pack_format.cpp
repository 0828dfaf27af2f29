#include "resources/pack_format.h"

#include <cstring>

#include "core/bytes.h"

namespace skyloom {
namespace {

constexpr std::uint32_t kMaskedMagic[6] = {~0x15678ADCu, ~0x22567855u, ~0xF3356DAAu,
                                           ~0xEEA23459u, ~0x41453B0Cu, ~0x166CA81Au};

// Read through a volatile so the compiler cannot fold the complement back into a table of the
// plain words.
std::uint32_t magicWord(int i) {
  const volatile std::uint32_t* masked = kMaskedMagic;
  return ~masked[i];
}

}  // namespace

std::array<std::uint32_t, 6> packMagicWords() {
  std::array<std::uint32_t, 6> words{};
  for (int i = 0; i < 6; ++i) words[i] = magicWord(i);
  return words;
}

bool matchesPackMagic(const std::uint8_t* p) {
  for (int i = 0; i < 6; ++i) {
    if (readLE32(p + 4 * i) != magicWord(i)) return false;
  }
  return true;
}

void encodePackHeader(const PackHeader& h, std::uint8_t out[kPackHeaderSize]) {
  const auto words = packMagicWords();
  for (int i = 0; i < 6; ++i) writeLE32(out + 4 * i, words[i]);
  writeLE32(out + 24, 0);
  writeLE32(out + 28, h.totalLength);
  writeLE32(out + 32, h.entryCount);
  writeLE32(out + 36, h.extraA);
  writeLE32(out + 40, h.extraB);
}

PackHeader decodePackHeader(const std::uint8_t in[kPackHeaderSize]) {
  return {readLE32(in + 28), readLE32(in + 32), readLE32(in + 36), readLE32(in + 40)};
}

std::string_view PackEntry::nameView() const {
  const void* nul = std::memchr(name, 0, kPackNameSize);
  return {name, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - name) : kPackNameSize};
}

bool PackEntry::setName(std::string_view n) {
  std::memset(name, 0, sizeof name);
  const bool fits = n.size() < kPackNameSize;
  std::memcpy(name, n.data(), fits ? n.size() : kPackNameSize - 1);
  return fits;
}

void encodePackEntry(const PackEntry& e, std::uint8_t out[kPackEntrySize]) {
  std::memcpy(out, e.name, kPackNameSize);
  const std::uint32_t fields[8] = {e.checksum,    e.isDirectory, e.offset, e.size,
                                   e.nextSibling, e.prevSibling, e.parent, e.firstChild};
  for (int i = 0; i < 8; ++i) writeLE32(out + kPackNameSize + 4 * i, fields[i]);
}

bool decodePackEntry(const std::uint8_t in[kPackEntrySize], PackEntry& e) {
  std::memcpy(e.name, in, kPackNameSize);
  const std::uint8_t* f = in + kPackNameSize;
  e.checksum = readLE32(f);
  e.isDirectory = readLE32(f + 4);
  e.offset = readLE32(f + 8);
  e.size = readLE32(f + 12);
  e.nextSibling = readLE32(f + 16);
  e.prevSibling = readLE32(f + 20);
  e.parent = readLE32(f + 24);
  e.firstChild = readLE32(f + 28);
  return std::memchr(e.name, 0, kPackNameSize) != nullptr;
}

bool isSafeEntryName(std::string_view name) {
  if (name.empty() || name == ".") return false;
  if (name.find_first_of("\\/:") != std::string_view::npos) return false;
  return name.find("..") == std::string_view::npos;
}

}  // namespace skyloom
