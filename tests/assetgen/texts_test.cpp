#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "assetgen.h"
#include "config/settings_root.h"
#include "resources/pack_test_util.h"
#include "texts_content.h"
#include "texts_document.h"

namespace skyloom::assetgen {
namespace {

using skyloom::testing::readFile;
using skyloom::testing::ScratchDir;

// Splits CR LF text into lines; fails the test on a bare CR or LF (the help viewer breaks lines
// only at a CR and takes the character after it along).
std::vector<std::string> windowsLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t cr = text.find('\r', at);
    EXPECT_NE(std::string::npos, cr) << "last line without CR LF";
    if (cr == std::string::npos) break;
    EXPECT_EQ('\n', cr + 1 < text.size() ? text[cr + 1] : '\0') << "CR without LF at " << cr;
    lines.push_back(text.substr(at, cr - at));
    EXPECT_EQ(std::string::npos, lines.back().find('\n')) << "bare LF in: " << lines.back();
    at = cr + 2;
  }
  return lines;
}

// The installer's reading of a single-valued key: the first occurrence anywhere in the text,
// the value from after the first ':' at or after it up to the next CR.
std::string installValue(const std::string& text, const std::string& key) {
  const std::size_t match = text.find(key);
  if (match == std::string::npos) return {};
  const std::size_t from = text.find(':', match) + 1;
  return text.substr(from, text.find('\r', from) - from);
}

// The four '$' fields of a shortcut line's value, with %names% filled in the installer's way.
std::vector<std::string> shortcutFields(const std::string& value) {
  std::vector<std::string> fields;
  std::size_t at = value.find('$');
  while (at != std::string::npos) {
    const std::size_t end = value.find('$', at + 1);
    if (end == std::string::npos) break;
    std::string raw = value.substr(at + 1, end - at - 1), field;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      const std::size_t close = raw[i] == '%' ? raw.find('%', i + 1) : std::string::npos;
      if (close == std::string::npos) {
        field += raw[i];
        continue;
      }
      std::string name = raw.substr(i + 1, close - i - 1);
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      field += name == "appexe" ? "Skyloom.exe" : (name == "app" || name == "title") ? "Skyloom" : name;
      i = close;
    }
    fields.push_back(field);
    at = end;
  }
  if (!fields.empty() && value.back() == '$') return fields;
  return {};
}

TEST(Texts, AreWrittenWhereTheProgramAndTheInstallerReadThem) {
  ScratchDir dir;
  const auto pack = dir.path() / "pack", install = dir.path() / "Skyloom";
  fs::create_directories(pack);
  fs::create_directories(install);
  ASSERT_TRUE(writeTexts(pack, install));
  for (const auto& p : {pack / "readme.txt", install / "readme.txt", install / "license.txt",
                        install / "installparam.txt", install / "config.ini"})
    EXPECT_TRUE(fs::is_regular_file(p)) << p;
  EXPECT_EQ(readFile(pack / "readme.txt"), readFile(install / "readme.txt"));
  EXPECT_FALSE(writeTexts(dir.path() / "missing", install)) << "a folder that is not there fails";
}

TEST(Texts, AreWindowsTextThatFitsTheViewers) {
  for (const std::string& text : {readmeText(), licenseText()}) {
    const auto lines = windowsLines(text);
    // The help window keeps 1000 lines in a 100000-byte buffer.
    EXPECT_LT(lines.size(), 1000u);
    EXPECT_LT(text.size(), 90000u);
    for (const std::string& line : lines) {
      EXPECT_LE(line.size(), 80u) << line;
      EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](unsigned char c) { return c >= 32 && c < 127; }))
          << "not plain ASCII: " << line;
    }
  }
}

TEST(Readme, NamesEveryKeyAndControlOfTheScene) {
  const std::string text = readmeText();
  for (const char* key : {"F1", "Escape", "Tab", "+ or =", "- or _", "Page Up", "Page Down", "Insert", "Delete",
                          "Home", "End", "Ctrl", "Shift", "R, L", "Left drag", "Right click", "Both buttons"})
    EXPECT_NE(std::string::npos, text.find(key)) << key;
  for (const char* letter : {"A", "C", "D", "F", "M", "S"})
    EXPECT_NE(std::string::npos, text.find(std::string("\r\n  ") + letter + " ")) << "key " << letter;
  for (const char* option : {"Terrain Quality", "Viewangle", "Sea Level", "Lightcolor", "Trail", "Length",
                             "Randomize Order", "Maximum files to play", "Show Play buttons", "Enable Pictue Show",
                             "Display Settings", "config.ini", "Kelvane.ini", "pack.dat"})
    EXPECT_NE(std::string::npos, text.find(option)) << option;
}

TEST(InstallParams, ReadAsTheInstallerReadsThem) {
  const std::string text = installParamText();
  windowsLines(text);
  EXPECT_EQ("Skyloom", installValue(text, "Title:"));
  EXPECT_EQ("0.9", installValue(text, "version:"));
  // "screensaver:" is also part of "setscreensaver:": its first match must be its own line.
  const std::size_t first = text.find("screensaver:");
  EXPECT_TRUE(first != std::string::npos && first > 0 && text[first - 1] == '\n');
  EXPECT_EQ('1', installValue(text, "screensaver:").front());
  EXPECT_EQ('1', installValue(text, "setscreensaver:").front());

  std::vector<std::vector<std::string>> startMenu, desktop;
  for (const std::string& line : windowsLines(text)) {
    const std::string key = line.substr(0, line.find(':') + 1);
    if (key != "startmenu:" && key != "desktopicon:" && key != "workshortcut:") continue;
    const auto fields = shortcutFields(line.substr(key.size()));
    ASSERT_EQ(4u, fields.size()) << line;
    for (const std::string& f : fields) EXPECT_LT(f.size(), 260u);
    (key == "desktopicon:" ? desktop : startMenu).push_back(fields);
  }
  const std::vector<std::vector<std::string>> expected = {
      {"Skyloom.exe", "Skyloom", "Fly over the landscape in a window", "/t"},
      {"Skyloom.exe", "Skyloom Settings", "Change the settings of Skyloom", "/c"},
      {"readme.txt", "Skyloom Help", "The Skyloom user guide", ""},
      {"Uninstall.exe", "Uninstall Skyloom", "Remove Skyloom from this computer", "/uninstall"}};
  EXPECT_EQ(expected, startMenu);
  ASSERT_EQ(1u, desktop.size());
  EXPECT_EQ(expected[0], desktop[0]);
}

TEST(DefaultConfig, LoadsBackThroughTheSettingsWithEveryBlockAccepted) {
  ScratchDir dir;
  const auto pack = dir.path() / "pack", install = dir.path() / "Skyloom";
  fs::create_directories(pack);
  fs::create_directories(install);
  ASSERT_TRUE(writeTexts(pack, install));
  const std::string file = readFile(install / "config.ini");

  SettingsRoot root;
  root.general().setTerrainName("alps.tem");
  root.aircraft().chosen().add("F16");
  const auto results = root.loadBlocks(ByteSpan(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
  EXPECT_EQ((std::array<int, 4>{0, 0, 0, 0}), results);
  EXPECT_EQ("bmp", root.general().terrainName());
  // The shipped list is the default fleet, replacing what the section held before.
  const auto fleet = AircraftSettings::defaultAircraft();
  EXPECT_EQ(std::vector<std::string>(fleet.begin(), fleet.end()), root.aircraft().chosen().items());
  EXPECT_EQ(21, root.aircraft().chosen().count());
  EXPECT_EQ(90, root.general().record().viewAngle);
}

TEST(TextDocument, WrapsAtSpacesWithAHangingIndent) {
  TextDocument d(30);
  d.item("Key", "one two three four five six seven");
  d.item("A term too long for its column", "text");
  d.bullet("alpha beta gamma delta epsilon zeta eta");
  d.paragraph("averyveryverylongwordthatcannotbesplitatall end");
  EXPECT_EQ(
      "  Key               one two\r\n"
      "                    three four\r\n"
      "                    five six\r\n"
      "                    seven\r\n"
      "  A term too long for its column\r\n"
      "                    text\r\n"
      "  - alpha beta gamma delta\r\n"
      "    epsilon zeta eta\r\n"
      "averyveryverylongwordthatcannotbesplitatall\r\n"
      "end\r\n"
      "\r\n",
      d.text());
}

}  // namespace
}  // namespace skyloom::assetgen
