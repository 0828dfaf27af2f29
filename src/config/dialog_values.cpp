#include "config/dialog_values.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace skyloom {
namespace {

constexpr std::size_t kFieldCharacters = 8;

// The selection as ascending, distinct indexes inside the list, at most 256 of them (the first
// 256 given).
std::vector<int> sanitised(const FileList& list, std::span<const int> selection) {
  std::vector<int> s;
  for (int i : selection.first(std::min<std::size_t>(selection.size(), kMaxListSelection))) {
    if (i >= 0 && i < list.count()) s.push_back(i);
  }
  std::sort(s.begin(), s.end());
  s.erase(std::unique(s.begin(), s.end()), s.end());
  return s;
}

// The list with the selected entries first (or last) and the others after (or before) them,
// each part in its old order.
std::vector<int> partition(FileList& list, const std::vector<int>& selected, bool selectedFirst) {
  std::vector<std::string> chosen, others;
  std::size_t next = 0;
  for (int i = 0; i < list.count(); ++i) {
    const bool isSelected = next < selected.size() && selected[next] == i;
    if (isSelected) ++next;
    (isSelected ? chosen : others).push_back(list.item(i));
  }
  list.clear();
  for (const std::string& s : selectedFirst ? chosen : others) list.add(s);
  for (const std::string& s : selectedFirst ? others : chosen) list.add(s);
  std::vector<int> where(chosen.size());
  const int first = selectedFirst ? 0 : static_cast<int>(others.size());
  for (std::size_t k = 0; k < where.size(); ++k) where[k] = first + static_cast<int>(k);
  return where;
}

}  // namespace

std::vector<int> moveSelectedToTop(FileList& list, std::span<const int> selection) {
  return partition(list, sanitised(list, selection), true);
}

std::vector<int> moveSelectedToBottom(FileList& list, std::span<const int> selection) {
  return partition(list, sanitised(list, selection), false);
}

// An entry packed against the top (the first k entries all selected) stays; every other one
// swaps with the entry above it, which is never selected by then.
std::vector<int> moveSelectedUp(FileList& list, std::span<const int> selection) {
  std::vector<int> s = sanitised(list, selection);
  int packed = 0;
  for (int& i : s) {
    if (i == packed) {
      ++packed;
      continue;
    }
    list.moveUp(i);
    --i;
    packed = i + 1;
  }
  return s;
}

std::vector<int> moveSelectedDown(FileList& list, std::span<const int> selection) {
  std::vector<int> s = sanitised(list, selection);
  int packed = list.count() - 1;
  for (auto it = s.rbegin(); it != s.rend(); ++it) {
    int& i = *it;
    if (i == packed) {
      --packed;
      continue;
    }
    list.moveDown(i);
    ++i;
    packed = i - 1;
  }
  return s;
}

void removeSelected(FileList& list, std::span<const int> selection) {
  const std::vector<int> s = sanitised(list, selection);
  const std::vector<int> moved = partition(list, s, false);
  std::vector<std::string> keep(list.items().begin(), list.items().end() - static_cast<std::ptrdiff_t>(moved.size()));
  list.clear();
  for (const std::string& k : keep) list.add(k);
}

int addChosen(FileList& list, const std::vector<std::string>& available, std::span<const int> selection) {
  int added = 0;
  for (int i : selection) {
    if (list.count() >= kMaxChosenAircraft) break;
    if (i < 0 || static_cast<std::size_t>(i) >= available.size()) continue;
    list.add(available[static_cast<std::size_t>(i)]);
    ++added;
  }
  return added;
}

std::string listEntryText(int number, std::string_view text) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%3d  ", number);
  return prefix + std::string(text);
}

std::vector<std::string> chosenFiles(std::span<const char> buffer) {
  std::vector<std::string> parts;
  std::size_t p = 0;
  bool ended = false;
  while (p < buffer.size()) {
    const auto nul = std::find(buffer.begin() + static_cast<std::ptrdiff_t>(p), buffer.end(), '\0');
    if (nul == buffer.end()) break;
    const std::size_t length = static_cast<std::size_t>(nul - buffer.begin()) - p;
    if (length == 0) {
      ended = true;
      break;
    }
    parts.emplace_back(buffer.data() + p, length);
    p += length + 1;
  }
  if (!ended || parts.empty()) return {};
  if (parts.size() == 1) return parts;
  std::string folder = parts.front();
  if (folder.back() != '\\') folder += '\\';  // a drive's root already ends in one
  std::vector<std::string> files;
  for (std::size_t i = 1; i < parts.size(); ++i) files.push_back(folder + parts[i]);
  return files;
}

int fieldNumber(std::string_view text, int lowest, int highest) {
  text = text.substr(0, std::min(text.size(), kFieldCharacters));
  std::size_t p = 0;
  while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == '-' || text[p] == '+')) negative = text[p++] == '-';
  long long value = 0;  // 8 characters cannot overflow it
  for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) value = value * 10 + (text[p] - '0');
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, lowest, highest));
}

std::uint32_t colourFromChooser(std::uint32_t colorref) {
  return 0xFF000000u | (colorref & 0xFFu) << 16 | (colorref & 0xFF00u) | (colorref >> 16 & 0xFFu);
}

std::uint32_t chooserFromColour(std::uint32_t argb) {
  return (argb & 0xFFu) << 16 | (argb & 0xFF00u) | (argb >> 16 & 0xFFu);
}

std::uint32_t chosenColour(std::uint32_t stored, bool chosen, std::uint32_t colorref) {
  return chosen ? colourFromChooser(colorref) : stored;
}

std::vector<int> storedDirectorySelection(const MusicRecord& record) {
  std::vector<int> s;
  for (std::int32_t index : record.selectedDirectories) {
    if (index < 0) break;
    s.push_back(index);
  }
  return s;
}

void storeDirectorySelection(MusicRecord& record, std::span<const int> selection) {
  const std::size_t n = std::min<std::size_t>(selection.size(), kSelectedDirectorySlots);
  for (std::size_t k = 0; k < kSelectedDirectorySlots; ++k) {
    record.selectedDirectories[k] = k < n && selection[k] >= 0 ? selection[k] : -1;
  }
}

}  // namespace skyloom
