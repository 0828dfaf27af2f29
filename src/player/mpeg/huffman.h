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

  // Reads one pair of big values with table `table` (0-31), signs and escape bits included.
  // Table 0, and the unused tables 4 and 14, read nothing and give (0, 0).
  void readPair(BitReader& bits, int table, int& x, int& y) const;
  // Reads one quadruple with count1 table A (false) or B (true); v, w, x, y in -1..1.
  void readQuad(BitReader& bits, bool tableB, int out[4]) const;

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
