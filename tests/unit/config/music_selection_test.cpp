#include <gtest/gtest.h>

#include <set>

#include "config/music_settings.h"
#include "core/random.h"
#include "resources/pack_test_util.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

std::vector<std::string> split(const std::vector<char>& list) {
  std::vector<std::string> out;
  EXPECT_FALSE(list.empty());
  EXPECT_EQ(list.back(), '\0');
  for (std::size_t i = 0; i + 1 < list.size();) {
    std::string s(&list[i]);
    i += s.size() + 1;
    out.push_back(std::move(s));
  }
  return out;
}

// Two music folders (a: 2 songs + 1 picture, b: 1 song) and a file list of one entry.
struct MusicFixture {
  ScratchDir dir;
  MusicSettings music;
  std::string a, b;

  MusicFixture() {
    a = dir / "a";
    b = dir / "b";
    writeFile(dir.path() / "a" / "one.mp3", "");
    writeFile(dir.path() / "a" / "two.MP3", "");
    writeFile(dir.path() / "a" / "pic.bmp", "");
    writeFile(dir.path() / "a" / "notes.txt", "");
    writeFile(dir.path() / "b" / "three.mp3", "");
    music.directories().add(a);
    music.directories().add(b);
    music.files().add("listed.mp3");
    music.record().randomiseOrder = 0;
  }
  std::string in(const std::string& d, const char* name) const { return d + "\\" + name; }
};

TEST(MusicSelection, DisabledMeansNoListAtAll) {
  MusicFixture f;
  f.music.record().enabled = 0;
  EXPECT_TRUE(f.music.selectFiles().empty());
}

TEST(MusicSelection, SongsOfEveryChosenFolderComeBeforeTheirPictures) {
  MusicFixture f;
  f.music.record().playMode = kPlaySelectedDirectories;
  f.music.record().selectedDirectories[0] = 1;
  f.music.record().selectedDirectories[1] = 0;
  f.music.record().selectedDirectories[2] = 7;  // no such directory: ignored
  EXPECT_EQ(split(f.music.selectFiles()),
            (std::vector<std::string>{f.in(f.b, "three.mp3"), f.in(f.a, "one.mp3"), f.in(f.a, "two.MP3"),
                                      f.in(f.a, "pic.bmp")}));
}

TEST(MusicSelection, OneRandomDirectoryPlaysOneOfThem) {
  MusicFixture f;
  f.music.record().playMode = kPlayRandomDirectory;
  std::set<std::size_t> sizes;
  seedRandom(3);
  for (int i = 0; i < 20; ++i) {
    const auto files = split(f.music.selectFiles());
    sizes.insert(files.size());
    const std::string& first = files.front();
    const std::string folder = first.substr(0, first.rfind('\\'));
    for (const std::string& file : files) EXPECT_EQ(file.substr(0, file.rfind('\\')), folder);
  }
  EXPECT_EQ(sizes, (std::set<std::size_t>{1, 3}));  // b alone or a alone, never both
}

TEST(MusicSelection, WithoutDirectoriesEveryModePlaysTheFileListOnly) {
  for (int mode = 0; mode <= 8; ++mode) {
    MusicFixture f;
    f.music.directories().clear();
    f.music.record().playMode = mode;
    EXPECT_EQ(split(f.music.selectFiles()), (std::vector<std::string>{"listed.mp3"})) << mode;
    EXPECT_EQ(f.music.record().playMode, kPlayFileList);
  }
}

TEST(MusicSelection, TooManyDirectoriesAreIgnored) {
  MusicFixture f;
  while (f.music.directories().count() < static_cast<int>(kMusicDirectoryLimit)) f.music.directories().add(f.a);
  f.music.record().playMode = kPlayAllFilesRandomly;
  EXPECT_EQ(split(f.music.selectFiles()), (std::vector<std::string>{"listed.mp3"}));
  EXPECT_EQ(f.music.record().playMode, kPlayFileList);
}

TEST(MusicSelection, AllFilesRandomlyTakesEveryFolderAndTheList) {
  MusicFixture f;
  f.music.record().playMode = kPlayAllFilesRandomly;
  const auto files = split(f.music.selectFiles());
  EXPECT_EQ(std::set<std::string>(files.begin(), files.end()),
            (std::set<std::string>{f.in(f.a, "one.mp3"), f.in(f.a, "two.MP3"), f.in(f.a, "pic.bmp"),
                                   f.in(f.b, "three.mp3"), "listed.mp3"}));
  EXPECT_EQ(files.back(), "listed.mp3");  // the list follows the folders when not randomised
}

TEST(MusicSelection, MaximumAppliesOnlyWhenRandomising) {
  MusicFixture f;
  f.music.record().playMode = kPlayAllFilesRandomly;
  f.music.record().maximumFiles = 2;
  EXPECT_EQ(split(f.music.selectFiles()).size(), 5u);  // "Randomize Order" off: all of them
  f.music.record().randomiseOrder = 1;
  const auto drawn = split(f.music.selectFiles());
  EXPECT_EQ(drawn.size(), 2u);
  EXPECT_NE(drawn[0], drawn[1]);
  f.music.record().maximumFiles = 99;
  EXPECT_EQ(split(f.music.selectFiles()).size(), 5u);
}

TEST(MusicSelection, RandomModeIsSettledOncePerRun) {
  MusicFixture f;
  f.music.record().playMode = kPlayRandomMode;
  seedRandom(1);  // first value 41: (41 & 7) + 1 = 2
  f.music.selectFiles();
  EXPECT_EQ(f.music.record().playMode, 2);
}

TEST(MusicSelection, DrawingWithoutRepetitionFollowsTheGenerator) {
  seedRandom(1);  // 41, 18467, 6334: 3*41/32768 = 0, 2*18467/32768 = 1, then the last
  EXPECT_EQ(drawWithoutRepetition(3, 5), (std::vector<std::size_t>{0, 2, 1}));
  EXPECT_TRUE(drawWithoutRepetition(0, 5).empty());
}

}  // namespace
}  // namespace skyloom
