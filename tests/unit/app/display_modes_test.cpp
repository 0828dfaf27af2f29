#include <gtest/gtest.h>

#include "app/display_modes.h"
#include "app/monitor_choices.h"
#include "platform/registry/registry_memory.h"

namespace skyloom {
namespace {

std::vector<DisplayMode> desktopModes() {
  std::vector<DisplayMode> raw;
  for (Format f : {Format::X8R8G8B8, Format::R5G6B5}) {
    for (auto [w, h] : {std::pair{1024, 768}, {640, 480}, {800, 600}, {640, 400}, {320, 200}, {1280, 1024}}) {
      raw.push_back({w, h, f});
      raw.push_back({w, h, f});  // another refresh rate
    }
  }
  return usableModes(raw);
}

TEST(DisplayModes, UsableModesAreLargeEnoughUniqueAndSorted) {
  const auto modes = desktopModes();
  ASSERT_EQ(modes.size(), 10u);  // 320 × 200 dropped, duplicates dropped
  EXPECT_EQ(modes[0].width, 640);
  EXPECT_EQ(modes[0].height, 400);
  EXPECT_EQ(modes[0].format, Format::R5G6B5);  // higher format value first at equal sizes
  EXPECT_EQ(modes[1].format, Format::X8R8G8B8);
  EXPECT_EQ(modes.back().width, 1280);
  EXPECT_EQ(adapterFormats(Format::X8R8G8B8, modes), (std::vector<Format>{Format::X8R8G8B8, Format::R5G6B5}));
  EXPECT_EQ(modes[initialModeIndex(modes)].format, Format::R5G6B5);
  EXPECT_EQ(modes[initialModeIndex(modes)].height, 480);
  // An adapter with nothing but small modes has no usable mode at all.
  EXPECT_TRUE(usableModes({{320, 240, Format::R5G6B5}, {512, 384, Format::X8R8G8B8}}).empty());
}

TEST(DisplayModes, FullScreenTakesTheDesktopSizeIn32Bits) {
  const auto modes = desktopModes();
  ModeRequest desktop{0, 0, Format::Unknown, 1024, 768};
  const int hal = chooseFullscreenMode(modes, DeviceKind::Hal, desktop);
  EXPECT_EQ(modes[hal].width, 1024);
  EXPECT_EQ(modes[hal].height, 768);
  EXPECT_EQ(modes[hal].format, Format::X8R8G8B8);
  // Software devices take the lowest height other than 400, 16-bit preferred.
  const int sw = chooseFullscreenMode(modes, DeviceKind::Software, desktop);
  EXPECT_EQ(modes[sw].height, 480);
  EXPECT_EQ(modes[sw].format, Format::R5G6B5);
  // A configured mode is taken when listed; one no longer listed falls back to automatic.
  const int configured = chooseFullscreenMode(modes, DeviceKind::Hal, {800, 600, Format::R5G6B5, 1024, 768});
  EXPECT_EQ(modes[configured].width, 800);
  EXPECT_EQ(chooseFullscreenMode(modes, DeviceKind::Hal, {1920, 1080, Format::X8R8G8B8, 1024, 768}), hal);
  // A desktop size the adapter lacks: the largest mode, deeper colour at equal size.
  const int largest = chooseFullscreenMode(modes, DeviceKind::Hal, {0, 0, Format::Unknown, 1600, 900});
  EXPECT_EQ(modes[largest].width, 1280);
  EXPECT_EQ(modes[largest].format, Format::X8R8G8B8);
  EXPECT_EQ(chooseFullscreenMode({}, DeviceKind::Hal, desktop), -1);
}

TEST(DisplayModes, FallingBackGoesTo16BitsThenFewerPixels) {
  const auto modes = desktopModes();
  int m = chooseFullscreenMode(modes, DeviceKind::Hal, {0, 0, Format::Unknown, 1024, 768});
  std::vector<std::pair<int, Format>> steps;
  while ((m = nextLowerMode(modes, m)) >= 0) steps.emplace_back(modes[m].width * modes[m].height, modes[m].format);
  const std::vector<std::pair<int, Format>> expected{
      {1024 * 768, Format::R5G6B5}, {800 * 600, Format::X8R8G8B8}, {800 * 600, Format::R5G6B5},
      {640 * 480, Format::X8R8G8B8}, {640 * 480, Format::R5G6B5}, {640 * 400, Format::X8R8G8B8},
      {640 * 400, Format::R5G6B5}};
  EXPECT_EQ(steps, expected);
}

TEST(DisplayModes, DepthFormatBehaviourAndAdapterChoice) {
  EXPECT_EQ(chooseDepthFormat(16, 0, [](Format) { return true; }), Format::D16);
  EXPECT_EQ(chooseDepthFormat(16, 0, [](Format f) { return f != Format::D16; }), Format::D24X8);
  EXPECT_EQ(chooseDepthFormat(16, 4, [](Format f) { return f != Format::D24S8; }), Format::D24X4S4);
  EXPECT_EQ(chooseDepthFormat(16, 0, [](Format) { return false; }), Format::Unknown);

  const std::uint32_t vs11 = 0xFFFE0101, vs0 = 0xFFFE0000;
  auto sceneWith = [](std::uint32_t vs) { return [vs](std::uint32_t b) { return sceneAcceptsBehaviour(b, vs); }; };
  EXPECT_EQ(chooseBehaviour(true, true, sceneWith(vs11)), Behaviour::Mixed);  // never pure or plain hardware
  EXPECT_EQ(chooseBehaviour(true, true, sceneWith(vs0)), Behaviour::Software);
  EXPECT_EQ(chooseBehaviour(false, false, sceneWith(vs11)), Behaviour::Software);
  EXPECT_EQ(chooseBehaviour(true, false, [](std::uint32_t) { return false; }), 0u);

  EXPECT_EQ(bestAdapter({{false, true}, {true, true}, {true, false}}), 1);
  EXPECT_EQ(bestAdapter({{false, true}, {false, false}, {false, true}}), 2);
  EXPECT_EQ(bestAdapter({{false, false}}), -1);
  // Monitor order first: the second monitor's adapter 0 comes after the first monitor's 2.
  EXPECT_EQ(bestAdapter({{true, false}, {false, false}, {true, false}}, {2, 0}), 2);
  EXPECT_EQ(bestAdapter({{false, true}, {false, true}, {false, false}}, {1, -1, 0}), 0);
  EXPECT_EQ(bestAdapter({{false, false}, {true, false}}, {0}), 1);  // a monitorless adapter still counts
}

TEST(MonitorChoices, AnotherAdaptersChoicesKeepOnlyLeaveBlack) {
  MemoryRegistry registry;
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(registry.createKey(RegistryRoot::CurrentUser, "Software\\Velkaran\\Skyloom", key), kOk);
  MonitorChoices written;
  written.allScreensSame = true;
  written.hasAdapter = {true, false, true};
  written.screens.resize(3);
  written.screens[0] = {true, true, 800, 600, 23, {1, 2, 3}};
  written.screens[2] = {false, true, 1024, 768, 22, {9}};
  writeMonitorChoices(*key, written);
  std::vector<std::string> subkeys;
  key->enumerateSubkeys(subkeys);
  EXPECT_EQ(subkeys, (std::vector<std::string>{"Screen 1", "Screen 3"}));

  MonitorChoices read;
  read.hasAdapter = {true, false, true};
  read.screens.resize(3);
  read.screens[0].adapterId = {1, 2, 3};  // the same adapter as before
  read.screens[2].adapterId = {7};        // a different card now drives monitor 3
  readMonitorChoices(*key, read);
  EXPECT_TRUE(read.allScreensSame);
  EXPECT_TRUE(read.screens[0].leaveBlack);
  EXPECT_TRUE(read.screens[0].disableHardware);
  EXPECT_EQ(read.screens[0].width, 800);
  EXPECT_FALSE(read.screens[2].disableHardware);
  EXPECT_EQ(read.screens[2].width, 0);
  // An all-zero identifier counts as "any adapter".
  std::unique_ptr<RegistryKey> screen3;
  ASSERT_EQ(key->openKey("Screen 3", RegistryAccess::ReadWrite, screen3), kOk);
  screen3->writeBinary("Adapter ID", std::vector<std::uint8_t>(16, 0));
  readMonitorChoices(*key, read);
  EXPECT_EQ(read.screens[2].width, 1024);
}

}  // namespace
}  // namespace skyloom

#include "app/display_dialog.h"

namespace skyloom {
namespace {

TEST(DisplayDialog, ModeLabelsAndHelpTexts) {
  EXPECT_EQ(modeLabel({1024, 768, Format::X8R8G8B8}), "1024 by 768, 32 bit color");
  EXPECT_EQ(modeLabel({800, 600, Format::R5G6B5}), "800 by 600, 16 bit color");
  EXPECT_EQ(displayHelpTextId(DeviceState::Usable, false, DeviceState::Absent), 2200u);
  EXPECT_EQ(displayHelpTextId(DeviceState::Unusable, false, DeviceState::Unusable), 2202u);
  EXPECT_EQ(displayHelpTextId(DeviceState::Absent, false, DeviceState::Usable), 2204u);
  EXPECT_EQ(displayHelpTextId(DeviceState::Usable, true, DeviceState::Absent), 2209u);
}

// The list shows one device type's modes; a selection must be read back through the same type,
// also after the hardware check box switched the list to the software device.
TEST(DisplayDialog, ASelectionStoresTheModeOfTheListedType) {
  const std::vector<bool> halThenSoftware{true, false};
  EXPECT_EQ(displayedTypeIndex(halThenSoftware, false), 0);
  EXPECT_EQ(displayedTypeIndex(halThenSoftware, true), 1);
  EXPECT_EQ(displayedTypeIndex({true}, true), -1);

  const std::vector<DisplayMode> softwareModes{{640, 480, Format::R5G6B5}, {800, 600, Format::R5G6B5}};
  ScreenChoice choice{false, true, 1024, 768, 22, {}};
  storeListedMode(softwareModes, 1, choice);
  EXPECT_EQ(choice.width, 800);
  EXPECT_EQ(choice.height, 600);
  EXPECT_EQ(choice.format, static_cast<int>(Format::R5G6B5));
  storeListedMode(softwareModes, -1, choice);  // "Automatic"
  EXPECT_EQ(choice.width, 0);
  EXPECT_EQ(choice.format, 0);
  choice.width = 640;
  storeListedMode(softwareModes, 2, choice);  // not in the list: automatic, never past its end
  EXPECT_EQ(choice.width, 0);
}

// The settings dialog saves the per-screen values even when the devices could not be listed
// (no Direct3D): the stored choices must then stay as they were.
TEST(MonitorChoices, WritingWithoutAnyAdapterKeepsWhatIsStored) {
  MemoryRegistry registry;
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(registry.createKey(RegistryRoot::CurrentUser, "Software\\Velkaran\\Skyloom", key), kOk);
  MonitorChoices stored;
  stored.allScreensSame = true;
  stored.hasAdapter = {true};
  stored.screens = {{false, true, 800, 600, 23, {1}}};
  writeMonitorChoices(*key, stored);

  MonitorChoices none;  // one monitor, no adapter listed
  none.hasAdapter = {false};
  none.screens.resize(1);
  writeMonitorChoices(*key, none);
  MonitorChoices read;
  read.hasAdapter = {true};
  read.screens.resize(1);
  read.screens[0].adapterId = {1};
  readMonitorChoices(*key, read);
  EXPECT_TRUE(read.allScreensSame);
  EXPECT_EQ(read.screens[0].width, 800);
}

}  // namespace
}  // namespace skyloom
