#pragma once
// TextViewer: a list panel that shows a long text as wrapped lines under a title row ("Line",
// the caption, "Close") with the line count in its footer. The help window is one, filled from
// "readme.txt".

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/widget_list.h"

namespace skyloom {

class TextViewer : public CButtonList {
 public:
  static constexpr std::size_t kBufferBytes = 100000;
  static constexpr int kMaxLines = 1000;
  static constexpr int kLongestLine = 100;
  static constexpr int kWordLookBack = 20;

  TextViewer();

  // The title row: "Line", the caption, "Close".
  void setCaption(std::string_view caption) override;
  // Appends the text's lines (everything is cleared first when reset is set), wrapped to the
  // list's width; a non-zero prefix character goes in front of every line.
  void setText(std::string_view text, char prefix, bool reset);
  // The font the wrapping width is measured with (until there is one, lines are 100 wide).
  void setFont(const GlyphFont* font) { font_ = font; }

  int lineCount() const { return static_cast<int>(lines_.size()); }
  std::string_view line(int i) const;
  // Characters per line for the list's width.
  int lineWidth() const;

 private:
  struct Line {
    std::int32_t number;
    std::uint32_t offset;  // into the buffer
    std::uint32_t length;
  };
  void refreshRows();

  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  std::vector<Line> lines_;
  const GlyphFont* font_ = nullptr;
};

// Splits text into lines of at most width characters: a line ends at a line break (CR LF, CR or
// LF, which are not part of it), and a full line that does not end in a space is cut back after
// its last space when one lies within lookBack characters. Answers the length taken from text
// (the line plus its break) and sets lineLength.
std::size_t nextLine(std::string_view text, int width, int lookBack, std::size_t& lineLength);

}  // namespace skyloom
