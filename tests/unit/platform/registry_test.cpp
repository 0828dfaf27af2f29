#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/registry/registry_memory.h"
#ifdef _WIN32
#include "platform/registry/registry_win32.h"
#endif

namespace skyloom {
namespace {

// The same cases run against every implementation, below a throwaway key that is removed
// before and after each test.
constexpr const char* kTestKey = "Software\\SkyloomTest";

template <typename Impl>
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.deleteKey(RegistryRoot::CurrentUser, kTestKey);
    ASSERT_EQ(registry_.createKey(RegistryRoot::CurrentUser, kTestKey, key_), kOk);
  }
  void TearDown() override {
    key_.reset();
    registry_.deleteKey(RegistryRoot::CurrentUser, kTestKey);
  }

  Impl registry_;
  std::unique_ptr<RegistryKey> key_;
};

#ifdef _WIN32
using Implementations = ::testing::Types<MemoryRegistry, Win32Registry>;
#else
using Implementations = ::testing::Types<MemoryRegistry>;
#endif
TYPED_TEST_SUITE(RegistryTest, Implementations);

TYPED_TEST(RegistryTest, ValuesRoundTripWithTheirTypes) {
  RegistryKey& key = *this->key_;
  const std::vector<std::uint8_t> id = {0, 1, 2, 0xFE, 0xFF, 0, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  ASSERT_EQ(key.writeDword("Leave Black", 0x80000001u), kOk);
  ASSERT_EQ(key.writeString("installdir", "C:\\Program Files\\Skyloom"), kOk);
  ASSERT_EQ(key.writeString("empty", ""), kOk);
  ASSERT_EQ(key.writeBinary("Adapter ID", id), kOk);
  ASSERT_EQ(key.writeBinary("nothing", {}), kOk);

  std::uint32_t dword = 0;
  std::string text = "x";
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(key.readDword("LEAVE BLACK", dword), kOk);  // names ignore case
  EXPECT_EQ(dword, 0x80000001u);
  EXPECT_EQ(key.readString("InstallDir", text), kOk);
  EXPECT_EQ(text, "C:\\Program Files\\Skyloom");
  EXPECT_EQ(key.readString("empty", text), kOk);
  EXPECT_EQ(text, "");
  EXPECT_EQ(key.readBinary("adapter id", bytes), kOk);
  EXPECT_EQ(bytes, id);
  EXPECT_EQ(key.readBinary("nothing", bytes), kOk);
  EXPECT_TRUE(bytes.empty());

  std::uint32_t type = 0;
  ASSERT_EQ(key.queryValue("installdir", type, bytes), kOk);
  EXPECT_EQ(type, RegistryType::String);
  EXPECT_EQ(bytes.size(), 25u);  // stored with its NUL

  ASSERT_EQ(key.writeDword("leave black", 2), kOk);  // overwrites, whatever the case
  std::vector<RegistryValueInfo> values;
  ASSERT_EQ(key.enumerateValues(values), kOk);
  EXPECT_EQ(values.size(), 5u);
}

TYPED_TEST(RegistryTest, TypedReadsRefuseOtherTypesAndMissingValues) {
  RegistryKey& key = *this->key_;
  ASSERT_EQ(key.writeString("text", "12"), kOk);
  ASSERT_EQ(key.writeDword("number", 12), kOk);
  const std::uint8_t two[2] = {1, 2};
  ASSERT_EQ(key.setValue("short", RegistryType::Dword, two), kOk);

  std::uint32_t dword = 0;
  std::string text;
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(key.readDword("text", dword), kRegistryWrongType);
  EXPECT_EQ(key.readDword("short", dword), kRegistryWrongType);  // a DWORD must be 4 bytes
  EXPECT_EQ(key.readString("number", text), kRegistryWrongType);
  EXPECT_EQ(key.readBinary("text", bytes), kRegistryWrongType);
  EXPECT_EQ(key.readDword("absent", dword), kFileNotFound);
  EXPECT_EQ(key.deleteValue("absent"), kFileNotFound);
  EXPECT_EQ(key.deleteValue("TEXT"), kOk);
  EXPECT_EQ(key.readString("text", text), kFileNotFound);
}

TYPED_TEST(RegistryTest, StringsWithoutTerminatorOrWithExtraNulsReadUpToTheFirstNul) {
  RegistryKey& key = *this->key_;
  const std::uint8_t bare[3] = {'a', 'b', 'c'};
  const std::uint8_t doubled[5] = {'d', 'e', 0, 'x', 0};
  ASSERT_EQ(key.setValue("bare", RegistryType::String, bare), kOk);
  ASSERT_EQ(key.setValue("doubled", RegistryType::String, doubled), kOk);
  std::string text;
  ASSERT_EQ(key.readString("bare", text), kOk);
  EXPECT_EQ(text, "abc");
  ASSERT_EQ(key.readString("doubled", text), kOk);
  EXPECT_EQ(text, "de");
}

TYPED_TEST(RegistryTest, KeysAreFoundWhateverTheCaseAndKeepTheirOwn) {
  std::unique_ptr<RegistryKey> screen;
  ASSERT_EQ(this->key_->createKey("Displays\\Screen 2", screen), kOk);  // makes "Displays" too
  ASSERT_EQ(screen->writeDword("Width", 1024), kOk);
  ASSERT_EQ(this->key_->createKey("Displays\\Screen 1", screen), kOk);
  ASSERT_EQ(this->key_->createKey("displays\\aux", screen), kOk);

  std::unique_ptr<RegistryKey> found;
  ASSERT_EQ(this->registry_.openKey(RegistryRoot::CurrentUser, "SOFTWARE\\skyloomtest\\DISPLAYS\\screen 2",
                                    RegistryAccess::Read, found),
            kOk);
  std::uint32_t width = 0;
  EXPECT_EQ(found->readDword("width", width), kOk);
  EXPECT_EQ(width, 1024u);

  std::unique_ptr<RegistryKey> displays;
  ASSERT_EQ(this->key_->openKey("displays", RegistryAccess::Read, displays), kOk);
  std::vector<std::string> names;
  ASSERT_EQ(displays->enumerateSubkeys(names), kOk);
  EXPECT_EQ(names, (std::vector<std::string>{"aux", "Screen 1", "Screen 2"}));

  std::unique_ptr<RegistryKey> same;
  ASSERT_EQ(this->key_->openKey("", RegistryAccess::Read, same), kOk);  // the key itself
  ASSERT_EQ(same->enumerateSubkeys(names), kOk);
  EXPECT_EQ(names, (std::vector<std::string>{"Displays"}));
}

TYPED_TEST(RegistryTest, MissingKeysAndBadPathsAreRefused) {
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(this->key_->openKey("absent", RegistryAccess::Read, key), kFileNotFound);
  EXPECT_EQ(this->key_->deleteKey("absent\\deeper"), kFileNotFound);
  EXPECT_FALSE(key);
  for (const char* path : {"\\lead", "trail\\", "double\\\\slash"}) {
    EXPECT_EQ(this->key_->createKey(path, key), kInvalidArg) << path;
  }
  EXPECT_EQ(this->key_->createKey(std::string(256, 'k'), key), kInvalidArg);
  EXPECT_EQ(this->key_->createKey(std::string(255, 'k'), key), kOk);
  EXPECT_EQ(this->key_->deleteKey(""), kInvalidArg);
}

TYPED_TEST(RegistryTest, ReadOnlyKeysRefuseChanges) {
  ASSERT_EQ(this->key_->writeDword("kept", 1), kOk);
  std::unique_ptr<RegistryKey> reader;
  ASSERT_EQ(this->registry_.openKey(RegistryRoot::CurrentUser, kTestKey, RegistryAccess::Read, reader), kOk);
  std::unique_ptr<RegistryKey> child;
  EXPECT_EQ(reader->writeDword("kept", 2), kAccessDenied);
  EXPECT_EQ(reader->deleteValue("kept"), kAccessDenied);
  EXPECT_EQ(reader->createKey("child", child), kAccessDenied);
  std::uint32_t value = 0;
  EXPECT_EQ(reader->readDword("kept", value), kOk);
  EXPECT_EQ(value, 1u);
}

TYPED_TEST(RegistryTest, DeletingAKeyRemovesItsSubtreeAndInvalidatesOpenKeys) {
  std::unique_ptr<RegistryKey> deep;
  ASSERT_EQ(this->key_->createKey("Mp3player\\Lists\\Recent", deep), kOk);
  ASSERT_EQ(deep->writeString("1", "a.mp3"), kOk);
  std::unique_ptr<RegistryKey> player;
  ASSERT_EQ(this->key_->openKey("Mp3player", RegistryAccess::ReadWrite, player), kOk);
  ASSERT_EQ(player->writeDword("Volume", 80), kOk);

  ASSERT_EQ(this->key_->deleteKey("MP3PLAYER"), kOk);

  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(this->key_->openKey("Mp3player", RegistryAccess::Read, key), kFileNotFound);
  std::string text;
  EXPECT_EQ(deep->readString("1", text), kRegistryKeyDeleted);
  EXPECT_EQ(player->writeDword("Volume", 81), kRegistryKeyDeleted);
  std::vector<std::string> names;
  ASSERT_EQ(this->key_->enumerateSubkeys(names), kOk);
  EXPECT_TRUE(names.empty());
}

TYPED_TEST(RegistryTest, LocalMachineIsSeparateFromCurrentUser) {
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(this->registry_.openKey(RegistryRoot::LocalMachine, kTestKey, RegistryAccess::Read, key), kFileNotFound);
}

}  // namespace
}  // namespace skyloom
