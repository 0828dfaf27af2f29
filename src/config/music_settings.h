#pragma once
// The music section: whether the player runs, how it picks what to play (nine play modes over
// the directory list and the file list), and the list of files it hands to the player.

#include <array>
#include <string>
#include <vector>

#include "config/file_list.h"
#include "config/settings_records.h"
#include "config/settings_section.h"

namespace skyloom {

enum PlayMode : int {
  kPlayRandomMode = 0,        // replaced once per run by one of the modes below
  kPlayFileList = 1,
  kPlaySelectedDirectories = 2,
  kPlayRandomDirectory = 3,   // 3 to 7: that many minus two random directories
  kPlayFiveRandomDirectories = 7,
  kPlayAllFilesRandomly = 8,
};

// The play modes as the music dialog offers them, in the order of their values.
constexpr std::array<const char*, 9> kPlayModeTexts = {
    "Random",
    "Play the file list",
    "Play selected directories",
    "Play a random directory",
    "Play 2 random directories",
    "Play 3 random directories",
    "Play 4 random directories",
    "Play 5 random directories",
    "Pick from all files randomly",
};

constexpr std::size_t kMusicDirectoryLimit = 5000;   // from this many on, directories are ignored
constexpr std::size_t kMusicCollectBytes = 2 * 1024 * 1024;

class MusicSettings : public SettingsSection {
 public:
  MusicSettings() : SettingsSection("configfilelist", &record_, sizeof record_) {}

  MusicRecord& record() { return record_; }
  const MusicRecord& record() const { return record_; }
  FileList& files() { return files_; }
  FileList& directories() { return directories_; }

  // The section's dialog ("*_dialog_win32.cpp"; other systems have no dialogs).
  std::intptr_t dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) override;
  void writePayload(Bytes& out) const override;
  bool readPayload(ByteSpan in, std::size_t& consumed) override;

  // The music and picture files to play: full paths, each NUL-terminated, then one more NUL.
  // Empty (no buffer at all) when the section is disabled. May settle the play mode: "Random"
  // becomes a concrete mode, and a directory list that is empty or too long makes it 1.
  virtual std::vector<char> selectFiles();
  // Every "*.mp3" of the directories, then every "*.bmp" of them, as directory + "\" + name,
  // in at most kMusicCollectBytes.
  virtual void buildFileList(const std::vector<std::string>& directories, std::vector<std::string>& out,
                             std::size_t& bytes) const;

 private:
  std::vector<std::string> chooseDirectories(int mode) const;

  MusicRecord record_;
  FileList files_;
  FileList directories_;
};

// Draws count of the indexes 0..n-1 without repetition, each as remaining * rand() / 32768.
std::vector<std::size_t> drawWithoutRepetition(std::size_t n, std::size_t count);

}  // namespace skyloom
