#include <gtest/gtest.h>

#include <set>

#include "assetgen.h"
#include "resources/pack.h"
#include "resources/pack_test_util.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

TEST(AssetPack, ListsExactlyWhatWasPutInAndReadsItBack) {
  ScratchDir dir;
  const fs::path packDir = dir.path() / "pack", installDir = dir.path() / "Skyloom";
  fs::create_directories(packDir);
  fs::create_directories(installDir);
  ASSERT_TRUE(assetgen::writeTextures(packDir));
  ASSERT_TRUE(assetgen::writeTexts(packDir, installDir));
  ASSERT_TRUE(assetgen::writePack(packDir, installDir));

  std::set<std::string> onDisk;
  for (const auto& e : fs::directory_iterator(packDir)) onDisk.insert(e.path().filename().string());
  Pack pack;
  ASSERT_GT(pack.open((installDir / "pack.dat").string().c_str()), 1u);
  std::set<std::string> listed;
  for (std::uint32_t i = 1; i < pack.entryCount(); ++i) listed.insert(std::string(pack.entry(i).nameView()));
  EXPECT_EQ(listed, onDisk);
  for (const char* name : {"land202.jpg", "readme.txt", "tree.tga", "clouds.bmp"}) EXPECT_TRUE(onDisk.count(name)) << name;

  // The program finds them by name, with or without the "pack\" folder.
  FileData readme;
  ASSERT_EQ(pack.read("pack\\readme.txt", readme), kPackFromPack);
  EXPECT_EQ(readme.view(), readFile(packDir / "readme.txt"));
}

}  // namespace
}  // namespace skyloom
