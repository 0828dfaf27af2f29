#pragma once
// Layer III Huffman decoding: the 32 big-value tables (with their escape bits) and the two
// count1 tables, as lookup tables built on first use from the published code words.

#include <cstdint>

#include "player/mpeg/bit_reader.h"

namespace skyloom::player {

struct HuffmanCode {
  std::uint32_t code;
  std::uint8_t length;  // without sign bits
};

class HuffmanDecoder {
 public:
  static const HuffmanDecoder& instance();

  // Reads one quadruple with count1 table A (false) or B (true); v, w, x, y in -1..1.
  void readQuad(BitReader& bits, bool tableB, float out[4]) const;
  // Reads `count` big values (count / 2 pairs) with table `table` (0-31), signs and escape bits
  // included. Table 0, and the unused tables 4 and 14, read nothing and give zeros.
  // Each value v is stored as sign(v) * power[|v|] (the caller's |v|^(4/3) table, 8,207 entries).
  void readPairs(BitReader& bits, int table, const float* power, float* out, int count) const;

 private:
  HuffmanDecoder();
  struct Lookup {
    int first = -1;     // offset of the root level in entries_, -1 for no codes
    int rootBits = 0;
    int linbits = 0;
  };
  std::uint32_t lookup(const Lookup& t, std::uint32_t bits) const;
  int build(const HuffmanCode* codes, int count, int size);

  Lookup tables_[32];
  Lookup count1A_;
  std::uint32_t* entries_ = nullptr;
  int used_ = 0;
};

}  // namespace skyloom::player
