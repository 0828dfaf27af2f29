#include "world/text_grid.h"

namespace skyloom {
namespace {

// Whole metres are scaled a hair above 1 so that they land on whole units after truncation.
constexpr double kMetreScale = 1.00001;
constexpr int kMaxDigits = 4;

bool isSeparator(std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

}  // namespace

std::uint16_t textGridHeight(std::uint32_t metres, float heightUnit) {
  if (metres < 1) return 0;
  if (metres > kTextGridMaxMetres) metres = kTextGridMaxMetres;
  return static_cast<std::uint16_t>(metres * (kMetreScale / heightUnit));
}

TextGridReader::TextGridReader(int samples) : grid_(samples > 0 ? samples : 0, samples > 0 ? samples : 0) {}

void TextGridReader::feed(std::span<const std::uint8_t> text) {
  for (const std::uint8_t c : text) {
    if (full()) return;
    if (isSeparator(c)) {
      if (inWord_) endWord();
      continue;
    }
    if (!inWord_) {
      inWord_ = true;
      wordIsNumber_ = true;
      digits_ = 0;
      value_ = 0;
    }
    if (!isDigit(c) || ++digits_ > kMaxDigits) {
      wordIsNumber_ = false;
      continue;
    }
    value_ = value_ * 10 + (c - '0');
  }
}

void TextGridReader::finish() {
  if (inWord_ && !full()) endWord();
  inWord_ = false;
}

void TextGridReader::endWord() {
  inWord_ = false;
  store(wordIsNumber_ ? textGridHeight(value_) : 0);
}

void TextGridReader::store(std::uint16_t units) {
  // Column by column from the west; each column from its last row upward.
  const std::size_t n = static_cast<std::size_t>(grid_.height);
  const int x = static_cast<int>(stored_ / n);
  const int z = grid_.height - 1 - static_cast<int>(stored_ % n);
  grid_.at(x, z) = units;
  ++stored_;
}

bool parseTextGrid(std::span<const std::uint8_t> file, HeightGrid& out, int samples) {
  if (samples <= 0 || file.size() <= kTextGridHeaderBytes) return false;
  TextGridReader reader(samples);
  reader.feed(file.subspan(kTextGridHeaderBytes));
  reader.finish();
  if (!reader.full()) return false;
  out = reader.takeGrid();
  return true;
}

}  // namespace skyloom
