#include "config/dialog_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyloom {
namespace {

FileList listOf(std::string_view letters) {
  FileList l;
  for (char c : letters) l.add(std::string(1, c));
  return l;
}

std::string letters(const FileList& l) {
  std::string s;
  for (const std::string& i : l.items()) s += i;
  return s;
}

TEST(DialogLists, TopAndBottomGatherTheSelectionInItsOrder) {
  FileList l = listOf("abcdefg");
  const std::vector<int> sel = {5, 1, 3};
  EXPECT_EQ(moveSelectedToTop(l, sel), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(letters(l), "bdfaceg");
  FileList b = listOf("abcdefg");
  EXPECT_EQ(moveSelectedToBottom(b, sel), (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(letters(b), "acegbdf");
}

TEST(DialogLists, UpAndDownStopWhereTheSelectionIsPackedAgainstItsEnd) {
  FileList l = listOf("abcdefg");
  const std::vector<int> sel = {0, 1, 3, 6};
  std::vector<int> now = moveSelectedUp(l, sel);
  EXPECT_EQ(letters(l), "abdcegf");
  EXPECT_EQ(now, (std::vector<int>{0, 1, 2, 5}));
  now = moveSelectedUp(l, now);
  EXPECT_EQ(letters(l), "abdcgef");
  EXPECT_EQ(now, (std::vector<int>{0, 1, 2, 4}));

  FileList d = listOf("abcdefg");
  now = moveSelectedDown(d, std::vector<int>{0, 5, 6});
  EXPECT_EQ(letters(d), "bacdefg");
  EXPECT_EQ(now, (std::vector<int>{1, 5, 6}));
  // Adjacent selected entries move together.
  FileList pair = listOf("abcde");
  EXPECT_EQ(moveSelectedDown(pair, std::vector<int>{1, 2}), (std::vector<int>{2, 3}));
  EXPECT_EQ(letters(pair), "adbce");
}

TEST(DialogLists, RemoveDropsTheSelectionAndNonsenseIndexesAreIgnored) {
  FileList l = listOf("abcdef");
  removeSelected(l, std::vector<int>{4, 0, 4, -1, 99});
  EXPECT_EQ(letters(l), "bcdf");
  EXPECT_EQ(moveSelectedToTop(l, std::vector<int>{}), std::vector<int>{});
  EXPECT_EQ(letters(l), "bcdf");
  // Only the first 256 selected entries are acted on.
  FileList big;
  std::vector<int> all;
  for (int i = 0; i < 300; ++i) {
    big.add(std::to_string(i));
    all.push_back(i);
  }
  removeSelected(big, all);
  EXPECT_EQ(big.count(), 44);
  EXPECT_EQ(big.item(0), "256");
}

TEST(DialogLists, AddTakesTheSelectionInItsOrderAndStopsAtTwoHundredTwentyFive) {
  FileList chosen = listOf("ab");
  const std::vector<std::string> available = {"x", "y", "z"};
  EXPECT_EQ(addChosen(chosen, available, std::vector<int>{2, 0, 7}), 2);
  EXPECT_EQ(letters(chosen), "abzx");
  FileList full;
  for (int i = 0; i < 224; ++i) full.add("m");
  EXPECT_EQ(addChosen(full, available, std::vector<int>{0, 1, 2}), 1);
  EXPECT_EQ(full.count(), kMaxChosenAircraft);
}

TEST(DialogFields, NumbersAreReadFromEightCharactersAndClamped) {
  EXPECT_EQ(fieldNumber("12000", 0, 9999), 9999);
  EXPECT_EQ(fieldNumber("-5", 0, 9999), 0);
  EXPECT_EQ(fieldNumber("0", 1, 9999), 1);
  EXPECT_EQ(fieldNumber("abc", 1, 9999), 1);  // not a number: 0, clamped
  EXPECT_EQ(fieldNumber(" 42x", 0, 9999), 42);
  EXPECT_EQ(fieldNumber("000000123456", 0, 99999999), 12);  // the first 8 characters
  EXPECT_EQ(fieldNumber("", 0, 10), 0);
}

TEST(DialogColours, TheChooserExchangesRedAndBlueAndCancelKeepsTheColour) {
  EXPECT_EQ(colourFromChooser(0x00102030u), 0xFF302010u);
  EXPECT_EQ(chooserFromColour(0x80302010u), 0x00102030u);
  EXPECT_EQ(chooserFromColour(colourFromChooser(0x00ABCDEFu)), 0x00ABCDEFu);
  EXPECT_EQ(chosenColour(0xFF3070CFu, false, 0x00000000u), 0xFF3070CFu);
  EXPECT_EQ(chosenColour(0xFF3070CFu, true, 0x000000FFu), 0xFFFF0000u);
}

TEST(DialogDirectories, TheSelectionRoundTripsThroughTheSlots) {
  MusicRecord r;
  EXPECT_TRUE(storedDirectorySelection(r).empty());  // all −1
  storeDirectorySelection(r, std::vector<int>{2, 5, 9});
  EXPECT_EQ(storedDirectorySelection(r), (std::vector<int>{2, 5, 9}));
  for (int k = 3; k < kSelectedDirectorySlots; ++k) EXPECT_EQ(r.selectedDirectories[k], -1);
  storeDirectorySelection(r, std::vector<int>{});
  for (std::int32_t slot : r.selectedDirectories) EXPECT_EQ(slot, -1);
  // Reading stops at the first negative slot.
  r.selectedDirectories[0] = 4;
  r.selectedDirectories[1] = -1;
  r.selectedDirectories[2] = 7;
  EXPECT_EQ(storedDirectorySelection(r), std::vector<int>{4});
}

TEST(DialogLists, LinesAreNumberedFromOne) {
  EXPECT_EQ(listEntryText(1, "f16"), "  1  f16");
  EXPECT_EQ(listEntryText(225, "null"), "225  null");
}

TEST(DialogFiles, OneFileIsAFullPathAndSeveralShareTheirFolder) {
  const char one[] = "C:\\music\\a.mp3\0\0";
  EXPECT_EQ(chosenFiles(one), (std::vector<std::string>{"C:\\music\\a.mp3"}));
  const char several[] = "C:\\music\0a.mp3\0b.mp4\0\0";
  EXPECT_EQ(chosenFiles(several), (std::vector<std::string>{"C:\\music\\a.mp3", "C:\\music\\b.mp4"}));
  const char root[] = "D:\\\0a.mp3\0b.mp3\0\0";
  EXPECT_EQ(chosenFiles(root), (std::vector<std::string>{"D:\\a.mp3", "D:\\b.mp3"}));
  // A buffer the dialog did not end (it overflowed) gives nothing rather than a cut path.
  const std::vector<char> unended = {'C', ':', '\\', 'x'};
  EXPECT_TRUE(chosenFiles(unended).empty());
  EXPECT_TRUE(chosenFiles(std::span<const char>()).empty());
}

}  // namespace
}  // namespace skyloom
