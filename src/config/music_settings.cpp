#include "config/music_settings.h"

#include <algorithm>
#include <cstring>

#include "core/directory.h"
#include "core/paths.h"
#include "core/random.h"

namespace skyloom {

void MusicSettings::writePayload(Bytes& out) const {
  SettingsSection::writePayload(out);
  files_.saveBlock(out);
  directories_.saveBlock(out);
}

bool MusicSettings::readPayload(ByteSpan in, std::size_t& consumed) {
  if (in.size() < sizeof(MusicRecord)) return false;
  constexpr std::size_t from = offsetof(MusicRecord, flag);
  constexpr std::size_t to = offsetof(MusicRecord, fileListRef);
  std::memcpy(reinterpret_cast<std::uint8_t*>(&record_) + from, in.data() + from, to - from);
  std::size_t fileBytes = 0, dirBytes = 0;
  files_.loadBlock(in.subspan(sizeof(MusicRecord)), fileBytes);
  directories_.loadBlock(in.subspan(sizeof(MusicRecord) + fileBytes), dirBytes);
  consumed = sizeof(MusicRecord) + fileBytes + dirBytes;
  return true;
}

std::vector<std::size_t> drawWithoutRepetition(std::size_t n, std::size_t count) {
  std::vector<std::size_t> remaining(n);
  for (std::size_t i = 0; i < n; ++i) remaining[i] = i;
  std::vector<std::size_t> drawn;
  drawn.reserve(std::min(n, count));
  while (drawn.size() < count && !remaining.empty()) {
    const std::size_t at = remaining.size() * static_cast<std::size_t>(randomInt()) / 32768;
    drawn.push_back(remaining[at]);
    remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(at));
  }
  return drawn;
}

std::vector<std::string> MusicSettings::chooseDirectories(int mode) const {
  const auto& all = directories_.items();
  std::vector<std::string> chosen;
  if (mode == kPlaySelectedDirectories) {
    for (std::int32_t index : record_.selectedDirectories) {
      if (index < 0) break;
      if (static_cast<std::size_t>(index) < all.size()) chosen.push_back(all[static_cast<std::size_t>(index)]);
    }
  } else if (mode >= kPlayRandomDirectory && mode <= kPlayAllFilesRandomly) {
    const std::size_t wanted = mode == kPlayAllFilesRandomly ? all.size() : static_cast<std::size_t>(mode - 2);
    for (std::size_t i : drawWithoutRepetition(all.size(), wanted)) chosen.push_back(all[i]);
  }
  return chosen;
}

void MusicSettings::buildFileList(const std::vector<std::string>& directories, std::vector<std::string>& out,
                                  std::size_t& bytes) const {
  for (const char* pattern : {"*.mp3", "*.bmp"}) {
    for (const std::string& dir : directories) {
      for (const DirectoryItem& f : listDirectory(nativePath(dir))) {
        if (f.isDirectory || !matchesWildcard(f.name, pattern)) continue;
        const bool separated = !dir.empty() && dir.back() == '\\';
        std::string path = dir + (separated ? "" : "\\") + f.name;
        if (bytes + path.size() + 1 >= kMusicCollectBytes) return;  // keep room for the last NUL
        bytes += path.size() + 1;
        out.push_back(std::move(path));
      }
    }
  }
}

std::vector<char> MusicSettings::selectFiles() {
  if (!record_.enabled) return {};
  if (record_.playMode == kPlayRandomMode) record_.playMode = (randomInt() & 7) + 1;
  const std::size_t dirCount = directories_.items().size();
  if (dirCount == 0 || dirCount >= kMusicDirectoryLimit) record_.playMode = kPlayFileList;
  // A mode outside the table (a damaged file) plays the file list.
  const int mode = (record_.playMode >= kPlayFileList && record_.playMode <= kPlayAllFilesRandomly)
                       ? record_.playMode
                       : kPlayFileList;

  std::vector<std::string> collected;
  std::size_t bytes = 0;
  buildFileList(chooseDirectories(mode), collected, bytes);
  if (mode == kPlayFileList || mode == kPlayAllFilesRandomly) {
    for (const std::string& f : files_.items()) {
      if (bytes + f.size() + 1 >= kMusicCollectBytes) break;
      bytes += f.size() + 1;
      collected.push_back(f);
    }
  }

  std::vector<std::string> order;
  if (record_.randomiseOrder) {
    const std::size_t maximum = record_.maximumFiles > 0 ? static_cast<std::size_t>(record_.maximumFiles) : 0;
    for (std::size_t i : drawWithoutRepetition(collected.size(), maximum)) order.push_back(collected[i]);
  } else {
    order = std::move(collected);
  }
  std::vector<char> list;
  for (const std::string& f : order) list.insert(list.end(), f.c_str(), f.c_str() + f.size() + 1);
  list.push_back('\0');
  return list;
}

}  // namespace skyloom
