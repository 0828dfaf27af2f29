#pragma once
// Plain-text documents for Windows readers: paragraphs wrapped at word boundaries, lines ended
// by CR LF. The help viewer ends a line only at a carriage return, and the installer's licence
// box is a Windows edit control; both need CR LF.

#include <string>
#include <string_view>

namespace skyloom::assetgen {

// Longest line the documents write; the help viewer shows up to 100 characters a line and
// re-wraps narrower windows itself at spaces.
constexpr std::size_t kTextWidth = 78;
// Where item descriptions start; bullets under an item's description indent to it.
constexpr std::size_t kItemColumn = 20;

class TextDocument {
 public:
  explicit TextDocument(std::size_t width = kTextWidth) : width_(width) {}

  // A title underlined with '=' over its whole length.
  void title(std::string_view text);
  // A section heading: a blank line before, underlined with '-'.
  void heading(std::string_view text);
  // Wrapped text, then a blank line.
  void paragraph(std::string_view text);
  // A term and its description: the term in a column of its own, the description wrapped
  // beside it with a hanging indent (the term gets a line of its own when it is too wide).
  void item(std::string_view term, std::string_view text);
  // "- " at the given indent and wrapped text indented under itself.
  void bullet(std::string_view text, std::size_t indent = 2);
  // A line written as it is (already short), e.g. a path.
  void verbatim(std::string_view line);
  void blank() { line({}); }

  const std::string& text() const { return text_; }

 private:
  void line(std::string_view s);
  // Wraps text into lines of at most width_; the first line starts with first, the later ones
  // with rest (both count towards the width).
  void wrap(std::string_view text, std::string_view first, std::string_view rest);

  std::size_t width_;
  std::string text_;
};

}  // namespace skyloom::assetgen
