#include "player/preferences.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/registry/registry_memory.h"
#include "player/engine_error.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
constexpr const char* kKeyPath = "SOFTWARE\\Velkaran\\Skyloom\\Mp3player";

// A registry whose roots cannot be opened: every key operation fails.
class BrokenRegistry final : public Registry {
 protected:
  HResult openRoot(RegistryRoot, std::unique_ptr<RegistryKey>&) override { return kAccessDenied; }
};

class PreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("skyloom_") + info->test_suite_name() + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  void placeProgramFile() { std::ofstream(dir_ / "corlune.exe") << "MZ"; }
  std::vector<RegistryValueInfo> registryValues() {
    std::unique_ptr<RegistryKey> key;
    std::vector<RegistryValueInfo> values;
    if (registry_.openKey(RegistryRoot::CurrentUser, kKeyPath, RegistryAccess::Read, key) == kOk) {
      key->enumerateValues(values);
    }
    return values;
  }

  fs::path dir_;
  MemoryRegistry registry_;
  PreferenceTable table_;
};

TEST_F(PreferencesTest, CreationStoresTheDefaultsButNoBooleans) {
  Preferences prefs(registry_, "C:\\Skyloom", table_);
  EXPECT_EQ(prefs.intOr(prefs::kInputBufferSize, -1), 64);
  EXPECT_EQ(prefs.intOr(prefs::kOutputBufferSize, -1), 512);
  EXPECT_EQ(prefs.intOr(prefs::kStreamBufferInterval, -1), 3);
  EXPECT_EQ(prefs.intOr(prefs::kDecoderThreadPriority, -1), 5);
  EXPECT_EQ(prefs.intOr(prefs::kPreBuffer, -1), 0);
  EXPECT_EQ(prefs.intOr(prefs::kPlaylistRepeat, -1), 2);
  EXPECT_EQ(prefs.stringOr(prefs::kInstallDirectory, "?"), "C:\\Skyloom");
  EXPECT_EQ(prefs.stringOr(prefs::kDatabaseDirectory, "?"), "C:\\Skyloom\\mdb");
  EXPECT_EQ(prefs.stringOr(prefs::kSaveMusicDirectory, "?"), "C:\\Skyloom\\mmp");
  EXPECT_EQ(prefs.stringOr(prefs::kUI, "?"), "");
  EXPECT_EQ(table_.count(), 27);

  // An absent boolean answers "no preferences", an absent integer "no value".
  bool flag = true;
  std::int32_t number = 0;
  EXPECT_EQ(prefs.getBool(prefs::kUseDebugLog, &flag), kErrorNoPrefs);
  EXPECT_EQ(prefs.getInt(prefs::kPlaylistShuffle, &number), kErrorNoPrefValue);
  EXPECT_TRUE(flag);
  EXPECT_FALSE(prefs.boolOr(prefs::kLogMain, false));
}

TEST_F(PreferencesTest, GetStringChecksArgumentsAndAcceptsACapacityOfExactlyTheLength) {
  Preferences prefs(registry_, "dir", table_);
  ASSERT_EQ(prefs.setString("Skin", "blue"), kErrorNone);
  char text[8] = "xxxxxxx";
  std::uint32_t capacity = sizeof(text) - 1;
  EXPECT_EQ(prefs.getString(nullptr, text, &capacity), kErrorInvalidParam);
  EXPECT_EQ(prefs.getString("Skin", text, nullptr), kErrorInvalidParam);
  EXPECT_EQ(prefs.getString("Skin", nullptr, &capacity), kErrorInvalidParam);

  EXPECT_EQ(prefs.getString("Missing", text, &capacity), kErrorNoPrefValue);
  EXPECT_STREQ(text, "");
  capacity = 0;
  EXPECT_EQ(prefs.getString("Skin", nullptr, &capacity), kErrorBufferTooSmall);
  capacity = 3;
  EXPECT_EQ(prefs.getString("Skin", text, &capacity), kErrorBufferTooSmall);
  EXPECT_EQ(capacity, 3u);
  // The capacity counts characters; the buffer has one byte more for the NUL.
  char exact[5] = "xxxx";
  capacity = 4;
  EXPECT_EQ(prefs.getString("SKIN", exact, &capacity), kErrorNone);
  EXPECT_STREQ(exact, "blue");
  EXPECT_EQ(capacity, 4u);
  ASSERT_EQ(prefs.setString("Empty", ""), kErrorNone);
  capacity = 0;
  EXPECT_EQ(prefs.getString("Empty", nullptr, &capacity), kErrorNone);
}

TEST_F(PreferencesTest, ValuesAreReplacedByNameIgnoringCase) {
  Preferences prefs(registry_, "dir", table_);
  const int before = table_.count();
  std::int32_t number = 0;
  bool flag = false;
  EXPECT_EQ(prefs.setInt("Level", -7), kErrorNone);
  EXPECT_EQ(prefs.setInt("LEVEL", 9), kErrorNone);
  EXPECT_EQ(prefs.getInt("level", &number), kErrorNone);
  EXPECT_EQ(number, 9);
  EXPECT_EQ(prefs.setBool("Flag", true), kErrorNone);
  EXPECT_EQ(prefs.getInt("Flag", &number), kErrorNone);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(prefs.getBool("level", &flag), kErrorNone);  // any non-zero integer is true
  EXPECT_TRUE(flag);
  EXPECT_EQ(table_.count(), before + 2);

  EXPECT_EQ(prefs.setString(nullptr, "x"), kErrorInvalidParam);
  EXPECT_EQ(prefs.setString("x", nullptr), kErrorInvalidParam);
  EXPECT_EQ(prefs.setInt(nullptr, 1), kErrorInvalidParam);
  EXPECT_EQ(prefs.getInt("level", nullptr), kErrorInvalidParam);
  EXPECT_EQ(prefs.getBool("level", nullptr), kErrorInvalidParam);
}

TEST_F(PreferencesTest, WritesPastTheLimitsAreRefused) {
  Preferences prefs(registry_, "dir", table_);
  const std::string longest(259, 'n');
  const std::string tooLong(260, 'n');
  EXPECT_EQ(prefs.setString(longest.c_str(), longest.c_str()), kErrorNone);
  EXPECT_EQ(prefs.stringOr(longest.c_str(), "?"), longest);
  EXPECT_EQ(prefs.setString(tooLong.c_str(), "v"), kErrorInvalidParam);
  EXPECT_EQ(prefs.setString("v", tooLong.c_str()), kErrorInvalidParam);
  EXPECT_EQ(prefs.setInt(tooLong.c_str(), 1), kErrorInvalidParam);

  for (int i = table_.count(); i < PreferenceTable::kCapacity; ++i) {
    ASSERT_EQ(prefs.setInt(("extra" + std::to_string(i)).c_str(), i), kErrorNone);
  }
  EXPECT_EQ(prefs.setInt("OneTooMany", 1), kErrorInvalidParam);
  EXPECT_EQ(prefs.intOr("OneTooMany", -1), -1);
  EXPECT_EQ(prefs.setInt(prefs::kPreBuffer, 250), kErrorNone);  // existing names still change
  EXPECT_EQ(prefs.intOr(prefs::kPreBuffer, -1), 250);
}

TEST_F(PreferencesTest, TheInstallDirectoryIsTheOnlyLibraryDirectory) {
  Preferences prefs(registry_, "C:\\Apps\\Skyloom", table_);
  char text[64] = "x";
  std::uint32_t capacity = sizeof(text) - 1;
  EXPECT_EQ(prefs.firstLibraryDirectory(text, &capacity), kErrorNone);
  EXPECT_STREQ(text, "C:\\Apps\\Skyloom");
  capacity = sizeof(text) - 1;
  EXPECT_EQ(prefs.nextLibraryDirectory(text, &capacity), kError_NoMoreLibDirs);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(prefs.nextLibraryDirectory(nullptr, nullptr), kError_NoMoreLibDirs);
}

TEST_F(PreferencesTest, AMissingKeyIsCreatedWithoutValues) {
  placeProgramFile();
  Preferences prefs(registry_, dir_.string(), table_);
  EXPECT_TRUE(prefs.hasRegistryKey());
  EXPECT_TRUE(registryValues().empty());
}

TEST_F(PreferencesTest, TheProgramFileRecordsTheInstallDirectoryOnce) {
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(registry_.createKey(RegistryRoot::CurrentUser, kKeyPath, key), kOk);
  { Preferences without(registry_, dir_.string(), table_); }
  EXPECT_TRUE(registryValues().empty());

  PreferenceTable fresh;
  placeProgramFile();
  { Preferences with(registry_, dir_.string(), fresh); }
  std::string value;
  EXPECT_EQ(key->readString("InstallDirectory", value), kOk);
  EXPECT_EQ(value, dir_.string());
  EXPECT_EQ(key->readString("DatabaseDirectory", value), kOk);
  EXPECT_EQ(value, dir_.string() + "\\db");

  // A second creation over the same table already knows this directory.
  ASSERT_EQ(key->deleteValue("InstallDirectory"), kOk);
  Preferences again(registry_, dir_.string(), fresh);
  EXPECT_EQ(key->readString("InstallDirectory", value), kFileNotFound);
}

TEST_F(PreferencesTest, ASecondCreationKeepsTheFirstOnesValues) {
  Preferences first(registry_, "one", table_);
  ASSERT_EQ(first.setInt(prefs::kInputBufferSize, 128), kErrorNone);
  const int count = table_.count();
  Preferences second(registry_, "two", table_);
  EXPECT_EQ(second.intOr(prefs::kInputBufferSize, -1), 128);
  EXPECT_EQ(second.stringOr(prefs::kInstallDirectory, "?"), "one");
  EXPECT_EQ(table_.count(), count);
}

TEST_F(PreferencesTest, AnUnusableRegistryStillGivesTheDefaults) {
  BrokenRegistry broken;
  Preferences prefs(broken, "dir", table_);
  EXPECT_FALSE(prefs.hasRegistryKey());
  EXPECT_EQ(prefs.intOr(prefs::kOutputBufferSize, -1), 512);
}

}  // namespace
}  // namespace skyloom
