#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include "config/builtin_config.h"
#include "config/settings_root.h"
#include "config/view_state.h"
#include "core/bytes.h"
#include "core/file.h"
#include "core/random.h"
#include "platform/registry/registry_memory.h"
#include "resources/pack_test_util.h"
#ifdef _WIN32
#include "platform/registry/registry_win32.h"
#endif

namespace skyloom {
namespace {

using namespace skyloom::testing;

Bytes blockOf(const SettingsSection& s) {
  Bytes out;
  s.saveBlock(out);
  return out;
}

// A root with something other than the default in every section.
void customise(SettingsRoot& root) {
  root.general().record().viewAngle = 110;
  root.general().record().skyColour = 0xFF010203;
  root.general().setTerrainName("alps.tem");
  root.aircraft().record().trailLength = 7;
  root.aircraft().chosen().clear();
  root.aircraft().chosen().add("F16");
  root.aircraft().chosen().add("null");
  root.music().record().playMode = 3;
  root.music().record().selectedDirectories[0] = 1;
  root.music().files().add("C:\\music\\a.mp3");
  root.music().directories().add("C:\\music");
  root.music().directories().add("D:\\more music");
  // Loading rescans "aircraft\" and the list header records the scan's size: scan here too.
  root.aircraft().rescan();
}

TEST(Settings, BlocksHaveTheirNamesAndExactLengths) {
  SettingsRoot root;
  const Bytes rootBlock = blockOf(root);
  EXPECT_EQ(rootBlock.size(), 4u + 13 + 28);
  EXPECT_EQ(readLE32(rootBlock.data()), rootBlock.size());
  EXPECT_STREQ(reinterpret_cast<const char*>(rootBlock.data() + 4), "$saveconfig$");
  EXPECT_EQ(root.general().name(), "$saveconfiggeneral$");
  EXPECT_EQ(root.music().name(), "$saveconfigfilelist$");
  EXPECT_EQ(root.aircraft().name(), "$saveconfigaircraft$");
  EXPECT_EQ(CameraSettings().name(), "$savecamera$");

  // The list block: exactly 56 bytes when empty, 56 + 4 + 1 with "F16". The section starts
  // with the default fleet, so the empty list is made by clearing it.
  FileList list;
  Bytes empty;
  list.saveBlock(empty);
  EXPECT_EQ(empty.size(), 56u);
  root.aircraft().chosen().clear();
  Bytes cleared;
  root.aircraft().chosen().saveBlock(cleared);
  EXPECT_EQ(cleared, empty);
  root.aircraft().chosen().add("F16");
  Bytes one;
  root.aircraft().chosen().saveBlock(one);
  EXPECT_EQ(one.size(), 61u);
  EXPECT_EQ(readLE32(one.data()), 61u);
  EXPECT_EQ(readLE32(one.data() + 8), 1u);  // the count
  EXPECT_EQ(blockOf(root.aircraft()).size(), 4u + 21 + 24 + 61);
}

TEST(Settings, EverySectionRoundTripsByteForByte) {
  ScratchDir dir;
  writeFile(dir.path() / "aircraft" / "F16.cu", "");
  SettingsRoot root;
  customise(root);
  const Bytes bytes = root.serialize();
  SettingsRoot loaded;
  EXPECT_EQ(loaded.loadBlocks(bytes), (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_EQ(loaded.serialize(), bytes);
  EXPECT_EQ(loaded.general().terrainName(), "alps.tem");
  EXPECT_EQ(loaded.aircraft().chosen().items(), (std::vector<std::string>{"F16", "null"}));
  EXPECT_EQ(loaded.music().directories().item(1), "D:\\more music");
  EXPECT_EQ(loaded.music().record().selectedDirectories[1], -1);

  CameraSettings camera;
  camera.record().mode = 5;
  camera.record().followDistance = 140.0f;
  camera.record().slots[3].distance = 45.0f;
  camera.record().freeView = rotationY(0.5f) * translation(1, 2, 3);
  const Bytes cameraBlock = blockOf(camera);
  EXPECT_EQ(cameraBlock.size(), 4u + 13 + 1260);
  CameraSettings back;
  std::size_t consumed = 0;
  EXPECT_EQ(back.loadBlock(cameraBlock, consumed), kBlockLoaded);
  EXPECT_EQ(consumed, cameraBlock.size());
  EXPECT_EQ(back.record().mode, 5);
  EXPECT_EQ(back.record().slots[3].distance, 45.0f);
  const Bytes again = blockOf(back);
  ASSERT_EQ(again.size(), cameraBlock.size());
  for (std::size_t i = 0; i < again.size(); ++i) {
    // Re-orthonormalising an already orthonormal matrix may move the last bit.
    if (again[i] != cameraBlock[i]) {
      float a, b;
      const std::size_t at = (i - 17) / 4 * 4 + 17;
      std::memcpy(&a, again.data() + at, 4);
      std::memcpy(&b, cameraBlock.data() + at, 4);
      EXPECT_NEAR(a, b, 1e-6f) << "byte " << i;
    }
  }
}

TEST(Settings, BlocksAreMatchedByPosition) {
  SettingsRoot source;
  source.general().record().cloudAmount = 5;
  const Bytes onlyGeneral = blockOf(source.general());
  SettingsRoot root;
  const auto results = root.loadBlocks(onlyGeneral);
  EXPECT_EQ(results[0], kBlockOtherSection);  // compared with the root's name and skipped
  EXPECT_EQ(root.general().record().cloudAmount, 200);
}

TEST(Settings, DamagedBlocksChangeNothingAndNeverReadPastTheData) {
  SettingsRoot source;
  customise(source);
  const Bytes good = source.serialize();
  const SettingsRoot defaults;
  const Bytes defaultBytes = defaults.serialize();

  // A block length past the end of the data.
  Bytes longer = good;
  writeLE32(longer.data(), static_cast<std::uint32_t>(good.size() + 1));
  SettingsRoot a;
  EXPECT_EQ(a.loadBlocks(longer)[0], kBlockMalformed);
  EXPECT_EQ(a.serialize(), defaultBytes);

  // A name without its NUL inside the block.
  Bytes noNul = blockOf(source.general());
  writeLE32(noNul.data(), 10);
  SettingsSection& general = a.general();
  std::size_t consumed = 0;
  EXPECT_EQ(general.loadBlock(noNul, consumed), kBlockMalformed);

  // A record cut short: the name matches but the payload is too small.
  Bytes cut = blockOf(source.general());
  cut.resize(4 + 20 + 100);
  writeLE32(cut.data(), static_cast<std::uint32_t>(cut.size()));
  EXPECT_EQ(general.loadBlock(cut, consumed), kBlockMalformed);
  EXPECT_EQ(a.general().record().viewAngle, 90);

  // A list whose count claims more strings than it holds takes those it has.
  Bytes list;
  FileList three;
  three.add("a");
  three.add("b");
  three.saveBlock(list);
  writeLE32(list.data() + 8, 1000);
  FileList loaded;
  EXPECT_EQ(loaded.loadBlock(list, consumed), kBlockLoaded);
  EXPECT_EQ(loaded.items(), (std::vector<std::string>{"a", "b"}));
  // A last string running into the block's end is dropped, not over-read.
  list.pop_back();
  list.pop_back();
  writeLE32(list.data(), static_cast<std::uint32_t>(list.size()));
  EXPECT_EQ(loaded.loadBlock(list, consumed), kBlockLoaded);
  EXPECT_EQ(loaded.items(), (std::vector<std::string>{"a"}));
  // A terrain name without NUL is cut to fit.
  Bytes longName = blockOf(source.general());
  std::memset(longName.data() + 4 + 20 + 72, 'x', 128);
  EXPECT_EQ(general.loadBlock(longName, consumed), kBlockLoaded);
  EXPECT_EQ(a.general().terrainName(), std::string(127, 'x'));

  // Random bytes: whatever happens, nothing is read out of bounds (ASan watches) and a fresh
  // root either stays at its defaults or takes only well-formed blocks.
  std::mt19937 gen(7);
  for (int round = 0; round < 200; ++round) {
    Bytes noise(gen() % 3000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(gen());
    SettingsRoot r;
    r.loadBlocks(noise);
  }
}

TEST(Settings, LoadTakesInstallDirConfigFileThenBuiltInThenDefaults) {
  ScratchDir dir;
  std::filesystem::create_directories(dir.path() / "install");
  SettingsRoot source;
  customise(source);
  const Bytes custom = source.serialize();
  writeFile(dir.path() / "install" / "config.ini", std::string(custom.begin(), custom.end()));

  MemoryRegistry registry;
  {
    SettingsRoot root;  // no installdir: the current directory has no config.ini
    const SettingsRoot defaults;
    EXPECT_EQ(root.load(registry, {}), SettingsSource::Defaults);
    EXPECT_EQ(root.serialize(), defaults.serialize());
    SettingsRoot fromBuiltIn;
    EXPECT_EQ(fromBuiltIn.load(registry, custom), SettingsSource::BuiltIn);
    EXPECT_EQ(fromBuiltIn.serialize(), custom);
  }
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(registry.createKey(RegistryRoot::CurrentUser, kSettingsKey, key), kOk);
  ASSERT_EQ(key->writeString("installdir", (dir / "install")), kOk);
  SettingsRoot root;
  EXPECT_EQ(root.load(registry, {}), SettingsSource::ConfigFile);
  EXPECT_EQ(root.startDirectory(), dir / "install");
  EXPECT_EQ(std::filesystem::current_path(), dir.path() / "install");
  EXPECT_EQ(root.serialize(), custom);

  // A folder that no longer exists leaves the start directory alone.
  ASSERT_EQ(key->writeString("installdir", (dir / "gone")), kOk);
  SettingsRoot stale;
  stale.setStartDirectory("kept");
  stale.load(registry, {});
  EXPECT_EQ(stale.startDirectory(), "kept");
}

TEST(Settings, SaveWritesConfigIntoTheStartDirectoryAndKeepsTheOldFileOnFailure) {
  ScratchDir dir;
  MemoryRegistry registry;
  struct Screens : ScreenValuesWriter {
    void writeScreenValues(RegistryKey& key) override { key.writeDword("Screen0Mode", 7); }
  } screens;
  SettingsRoot root;
  customise(root);
  root.setStartDirectory(dir.path().string());
  std::filesystem::current_path(dir.path().parent_path());
  ASSERT_EQ(root.save(registry, &screens), kOk);
  Bytes written;
  ASSERT_TRUE(readWholeFile(dir / "config.ini", written));
  EXPECT_EQ(written, root.serialize());
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(registry.openKey(RegistryRoot::CurrentUser, kSettingsKey, RegistryAccess::Read, key), kOk);
  std::uint32_t mode = 0;
  EXPECT_EQ(key->readDword("Screen0Mode", mode), kOk);
  EXPECT_EQ(mode, 7u);

  // The replacement cannot be made: the old file survives untouched.
  std::filesystem::create_directory(dir.path() / "config.ini.tmp");
  root.general().record().viewAngle = 61;
  EXPECT_EQ(root.save(registry, nullptr), kFail);
  Bytes after;
  ASSERT_TRUE(readWholeFile(dir / "config.ini", after));
  EXPECT_EQ(after, written);
}

TEST(Settings, RandomTerrainPicksFromTheTemFolderButNeverRandomItself) {
  ScratchDir dir;
  writeFile(dir.path() / "tem" / "b.tem", "");
  writeFile(dir.path() / "tem" / "a.tem", "");
  GeneralSettings general;
  EXPECT_EQ(general.getTerrainName(), "bmp");  // the initial choice
  general.setTerrainName("RANDOM");
  seedRandom(1);
  std::set<std::string> seen;
  for (int i = 0; i < 60; ++i) seen.insert(general.getTerrainName());
  EXPECT_EQ(seen, (std::set<std::string>{"bmp", "a.tem", "b.tem"}));
  EXPECT_EQ(general.terrainList().scanList(), (std::vector<std::string>{"random", "bmp", "a.tem", "b.tem"}));
}

TEST(Settings, AircraftScanOffersNullAndTheFoundAircraftWithoutExtension) {
  ScratchDir dir;
  writeFile(dir.path() / "aircraft" / "F16.cu", "");
  writeFile(dir.path() / "aircraft" / "mig.29.cu", "");
  writeFile(dir.path() / "aircraft" / "notes.txt", "");
  SettingsRoot source;
  source.aircraft().chosen().add("F16");
  const Bytes block = blockOf(source.aircraft());
  AircraftSettings aircraft;
  std::size_t consumed = 0;
  ASSERT_EQ(aircraft.loadBlock(block, consumed), kBlockLoaded);
  EXPECT_EQ(aircraft.chosen().scanList(), (std::vector<std::string>{"null", "F16", "mig"}));
}

TEST(Settings, ChosenAircraftStartAsTheDefaultFleetUntilASavedListReplacesThem) {
  ScratchDir dir;
  const AircraftSettings fresh;
  const auto fleet = AircraftSettings::defaultAircraft();
  EXPECT_EQ(fresh.chosen().items(), std::vector<std::string>(fleet.begin(), fleet.end()));

  // The defaults survive their own block; a saved empty list stays empty, and a malformed
  // list block leaves the list as it was.
  AircraftSettings back;
  back.chosen().clear();
  std::size_t consumed = 0;
  ASSERT_EQ(back.loadBlock(blockOf(fresh), consumed), kBlockLoaded);
  EXPECT_EQ(back.chosen(), fresh.chosen());
  AircraftSettings emptied;
  emptied.chosen().clear();
  ASSERT_EQ(back.loadBlock(blockOf(emptied), consumed), kBlockLoaded);
  EXPECT_EQ(back.chosen().count(), 0);
  Bytes cut = blockOf(fresh);
  cut.resize(4 + 21 + 24 + 20);
  writeLE32(cut.data(), static_cast<std::uint32_t>(cut.size()));
  AircraftSettings kept;
  kept.loadBlock(cut, consumed);
  EXPECT_EQ(kept.chosen(), fresh.chosen());
}

TEST(FileList, MovesKeepEveryEntry) {
  FileList l;
  for (const char* s : {"a", "b", "c", "d"}) l.add(s);
  l.moveToBottom(0);
  l.moveUp(1);
  l.moveToTop(2);
  l.moveDown(3);  // already last: ignored
  l.remove(9);    // out of range: ignored
  EXPECT_EQ(l.items(), (std::vector<std::string>{"d", "c", "b", "a"}));
  l.remove(1);
  EXPECT_EQ(l.items(), (std::vector<std::string>{"d", "b", "a"}));
}

TEST(ViewState, CameraBlockThenTheLayoutWithItsOwnBytes) {
  ScratchDir dir;
  struct Layout : ViewLayout {
    Bytes loaded;
    bool called = false;
    void saveLayout(Bytes& out) const override {
      for (std::uint8_t b = 1; b <= 3; ++b) out.push_back(b);
    }
    void loadLayout(ByteSpan in) override {
      called = true;
      loaded.assign(in.begin(), in.end());
    }
  } layout;
  CameraSettings camera;
  camera.record().mode = 2;
  camera.record().storedValue = 3.5f;
  ASSERT_TRUE(saveViewState(camera, &layout));
  Bytes file;
  ASSERT_TRUE(readWholeFile("Kelvane.ini", file));
  EXPECT_EQ(file.size(), 4u + 13 + 1260 + 3);

  CameraSettings back;
  Layout other;
  ASSERT_TRUE(loadViewState(back, &other));
  EXPECT_EQ(back.record().mode, 2);
  EXPECT_EQ(back.record().storedValue, 3.5f);
  EXPECT_EQ(other.loaded, (Bytes{1, 2, 3}));
  // Without a layout owner the camera alone is kept; a missing file changes nothing.
  ASSERT_TRUE(saveViewState(camera, nullptr, "camera-only.ini"));
  EXPECT_FALSE(loadViewState(back, &other, "missing.ini"));
  // Kept layout bytes go back out as they came in.
  KeptLayout kept;
  ASSERT_TRUE(loadViewState(back, &kept));
  EXPECT_EQ(kept.bytes(), (Bytes{1, 2, 3}));
  ASSERT_TRUE(saveViewState(back, &kept, "again.ini"));
  Bytes again;
  ASSERT_TRUE(readWholeFile("again.ini", again));
  EXPECT_EQ(again, file);
}

TEST(ViewState, ADegenerateCameraMatrixComesBackWithTheUnitAxis) {
  CameraSettings camera;
  Matrix& m = camera.record().slots[2].offset;
  m = Matrix::identity();
  m.m[2][0] = 0; m.m[2][1] = 2; m.m[2][2] = 0;  // forward parallel to up
  camera.record().freeView.m[1][1] = 5.0f;       // a stretched but valid frame
  camera.record().mode = 99;                     // no such mode
  camera.record().keys[0] = 1;                   // keys are never taken from a file
  const Bytes block = blockOf(camera);
  CameraSettings back;
  std::size_t consumed = 0;
  ASSERT_EQ(back.loadBlock(block, consumed), kBlockLoaded);
  const Matrix& r = back.record().slots[2].offset;
  EXPECT_FLOAT_EQ(r.m[0][0], 1.0f);  // x = y × z was degenerate: the unit x axis
  EXPECT_FLOAT_EQ(r.m[0][1], 0.0f);
  EXPECT_FLOAT_EQ(r.m[1][2], -1.0f);  // y = z × x
  EXPECT_FLOAT_EQ(r.m[2][1], 1.0f);   // z = x × y
  const Matrix& f = back.record().freeView;
  EXPECT_FLOAT_EQ(f.m[1][1], 1.0f);
  EXPECT_FLOAT_EQ(f.m[3][0], 50000.0f);
  EXPECT_EQ(back.record().mode, 0);
  EXPECT_EQ(back.record().keys[0], 38);
}

#ifdef _WIN32
TEST(Settings, TheProgramCarriesTheDefaultsAsItsBuiltInConfiguration) {
  const SettingsRoot defaults;
  const ByteSpan builtIn = builtInConfig();
  EXPECT_EQ(Bytes(builtIn.begin(), builtIn.end()), defaults.serialize());
}

TEST(Settings, InstallDirComesFromTheRealRegistry) {
  ScratchDir dir;
  Win32Registry registry;
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(registry.createKey(RegistryRoot::CurrentUser, kSettingsKey, key), kOk);
  std::string previous;
  const bool hadPrevious = succeeded(key->readString("installdir", previous));
  ASSERT_EQ(key->writeString("installdir", dir.path().string()), kOk);
  writeFile(dir.path() / "config.ini", "");
  SettingsRoot root;
  std::filesystem::current_path(dir.path().parent_path());
  EXPECT_EQ(root.load(registry, {}), SettingsSource::ConfigFile);
  EXPECT_EQ(root.startDirectory(), dir.path().string());
  if (hadPrevious) {
    key->writeString("installdir", previous);
  } else {
    key->deleteValue("installdir");
  }
}
#endif

}  // namespace
}  // namespace skyloom
