#include "ui/text_viewer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "resources/glyph_font.h"

namespace skyloom {

namespace {
// The wrapping width counts characters: a list kWrapFactor average characters wide holds that
// many; the average is taken over the printable ASCII characters of the font.
constexpr float kWrapFactor = 2.8f;

float averageAdvance(const GlyphFont& font, float height) {
  float sum = 0.0f;
  for (int ch = 32; ch < 127; ++ch)
    sum += font.glyph(static_cast<unsigned char>(ch)).tu2 - font.glyph(static_cast<unsigned char>(ch)).tu1;
  return font.lineHeight() > 0.0f ? sum / 95.0f * height / font.lineHeight() : 0.0f;
}
}  // namespace

std::size_t nextLine(std::string_view text, int width, int lookBack, std::size_t& lineLength) {
  const std::size_t w = static_cast<std::size_t>(std::max(1, width));
  const std::size_t chunk = std::min(w, text.size());
  for (std::size_t i = 0; i < chunk; ++i) {
    if (text[i] == '\r') {
      lineLength = i;
      // CR LF together; a lone CR ends the line by itself.
      return i + 1 + (i + 1 < text.size() && text[i + 1] == '\n' ? 1 : 0);
    }
    if (text[i] == '\n') {
      lineLength = i;
      return i + 1;
    }
  }
  lineLength = chunk;
  // A full chunk with more text after it breaks after a space, unless the word is too long.
  if (chunk == w && chunk < text.size() && text[chunk - 1] != ' ' && text[chunk] != '\r' && text[chunk] != '\n') {
    // Text that just continues with a space or a break ends a word exactly at the edge.
    if (text[chunk] != ' ') {
      const std::size_t stop = chunk > static_cast<std::size_t>(lookBack) ? chunk - lookBack : 0;
      for (std::size_t i = chunk - 1; i > stop; --i) {
        if (text[i - 1] == ' ') {
          lineLength = i;
          break;
        }
      }
    }
  }
  return lineLength;
}

TextViewer::TextViewer() {
  // The lines come in their own order, ascending: the first "Line" click turns them round.
  list().setColumns({ListColumn{0.0f, SortField::Number, 1}});
  setCaption("Help");
}

void TextViewer::setCaption(std::string_view caption) {
  caption_.assign(caption);
  setTitle({TitleCell{"Line", kSortFirstColumn, 2.2f}, TitleCell{std::string(caption), kNoAction, 0.0f},
            TitleCell{"Close", kClose, 2.6f}});
}

std::string_view TextViewer::line(int i) const {
  const Line& l = lines_[static_cast<std::size_t>(i)];
  return {buffer_.get() + l.offset, l.length};
}

int TextViewer::lineWidth() const {
  const float listWidth = width - 2 * kMargin - CListDisplaySlider::kWidth - 0.2f;
  const float advance = font_ ? averageAdvance(*font_, textHeight()) : 0.0f;
  if (advance <= 0.0f) return kLongestLine;
  const float characterWidth = advance * kWrapFactor;
  const int w = static_cast<int>(listWidth / characterWidth * kWrapFactor);
  return std::clamp(w, 1, kLongestLine);
}

void TextViewer::setText(std::string_view text, char prefix, bool reset) {
  if (!buffer_) {
    buffer_ = std::make_unique<char[]>(kBufferBytes);
    lines_.reserve(kMaxLines);
  }
  if (reset) {
    used_ = 0;
    lines_.clear();
  }
  const int w = lineWidth();
  const std::size_t room = static_cast<std::size_t>(w) + 2;  // the prefix and the NUL
  while (!text.empty() && static_cast<int>(lines_.size()) < kMaxLines && kBufferBytes - used_ >= room) {
    std::size_t length = 0;
    const std::size_t taken = nextLine(text, w, kWordLookBack, length);
    char* out = buffer_.get() + used_;
    std::size_t n = 0;
    if (prefix) out[n++] = prefix;
    std::memcpy(out + n, text.data(), length);
    n += length;
    out[n] = '\0';
    lines_.push_back(Line{static_cast<std::int32_t>(lines_.size() + 1), static_cast<std::uint32_t>(used_),
                          static_cast<std::uint32_t>(n)});
    used_ += n + 1;
    text.remove_prefix(std::max<std::size_t>(taken, 1));
  }
  refreshRows();
}

void TextViewer::refreshRows() {
  std::vector<ListRow> rows;
  rows.reserve(lines_.size());
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    rows.push_back(ListRow{lines_[i].number, static_cast<float>(lines_[i].number), line(static_cast<int>(i))});
  }
  fitRows();
  list().setRows(std::move(rows));
  char footer[40];
  std::snprintf(footer, sizeof footer, "Total %d lines", lineCount());
  setFooter(footer);
  invalidateLayout();
}

}  // namespace skyloom
