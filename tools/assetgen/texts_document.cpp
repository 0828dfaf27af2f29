#include "texts_document.h"

#include <vector>

namespace skyloom::assetgen {
namespace {

constexpr std::size_t kIndent = 2;  // items sit this far in

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    std::size_t end = at;
    while (end < text.size() && text[end] != ' ') ++end;
    if (end > at) out.push_back(text.substr(at, end - at));
    at = end;
  }
  return out;
}

}  // namespace

void TextDocument::line(std::string_view s) {
  text_.append(s);
  text_.append("\r\n");
}

void TextDocument::wrap(std::string_view text, std::string_view first, std::string_view rest) {
  std::string current(first);
  bool empty = true;  // no word on the current line yet
  for (std::string_view w : words(text)) {
    if (!empty && current.size() + 1 + w.size() > width_) {
      line(current);
      current = rest;
      empty = true;
    }
    if (!empty) current += ' ';
    current += w;
    empty = false;
  }
  if (!empty) line(current);
}

void TextDocument::title(std::string_view text) {
  line(text);
  line(std::string(text.size(), '='));
  blank();
}

void TextDocument::heading(std::string_view text) {
  blank();
  line(text);
  line(std::string(text.size(), '-'));
  blank();
}

void TextDocument::paragraph(std::string_view text) {
  wrap(text, {}, {});
  blank();
}

void TextDocument::item(std::string_view term, std::string_view text) {
  const std::string pad(kItemColumn, ' ');
  std::string first(kIndent, ' ');
  first += term;
  if (first.size() + 2 > kItemColumn) {  // keep two spaces between term and text
    line(first);
    first = pad;
  } else {
    first.resize(kItemColumn, ' ');
  }
  wrap(text, first, pad);
}

void TextDocument::bullet(std::string_view text, std::size_t indent) {
  const std::string first = std::string(indent, ' ') + "- ";
  wrap(text, first, std::string(first.size(), ' '));
}

void TextDocument::verbatim(std::string_view s) { line(s); }

}  // namespace skyloom::assetgen
