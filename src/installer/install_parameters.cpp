#include "installer/install_parameters.h"

#include <limits>

#include "core/paths.h"
#include "resources/pack.h"

namespace skyloom {
namespace {

// Calls visit(lineStart, lineText) for every line of text; lines end at CR, LF or CR LF.
template <typename Visit>
void forEachLine(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    visit(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
}

std::string cut(std::string_view text) { return std::string(text.substr(0, kInstallerTextLimit)); }

std::string substituteNames(std::string_view field, std::string_view title, std::string_view programFileName) {
  std::string out;
  std::size_t i = 0;
  while (i < field.size()) {
    const std::size_t open = field.find('%', i);
    const std::size_t close = open == std::string_view::npos ? open : field.find('%', open + 1);
    if (close == std::string_view::npos) {
      out.append(field.substr(i));
      break;
    }
    out.append(field.substr(i, open - i));
    const std::string_view name = field.substr(open + 1, close - open - 1);
    if (equalsIgnoreCase(name, "appexe")) {
      out.append(programFileName);
    } else if (equalsIgnoreCase(name, "app") || equalsIgnoreCase(name, "Title")) {
      out.append(title);
    } else {
      out.append(name);
    }
    i = close + 1;
  }
  return cut(out);
}

}  // namespace

std::string InstallParameters::displayName() const {
  if (!title) return {};
  return versionText.empty() ? *title : *title + " " + versionText;
}

std::string InstallParameters::screenSaverFileName() const { return title ? *title + ".scr" : std::string(); }

std::string InstallParameters::programFileName() const { return title ? *title + ".exe" : std::string(); }

// Keys are matched at line starts only, so that "screensaver:" is never found inside
// "setscreensaver:".
std::optional<std::string> findParameterValue(std::string_view text, std::string_view key) {
  std::optional<std::string> found;
  forEachLine(text, [&](std::string_view line) {
    if (found || key.empty() || line.substr(0, key.size()) != key) return;
    const std::size_t colon = line.find(':', key.size() - 1);
    found = colon == std::string_view::npos ? std::string() : std::string(line.substr(colon + 1));
  });
  return found;
}

std::uint32_t versionNumberOf(std::string_view text) {
  constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::uint32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') continue;
    const auto digit = static_cast<std::uint32_t>(c - '0');
    if (n > (kMax - digit) / 10) return kMax;
    n = n * 10 + digit;
  }
  return n;
}

InstallParameters parseInstallParameters(std::string_view text) {
  InstallParameters p;
  p.parameterText = std::string(text);
  p.hasParameterText = true;
  if (auto title = findParameterValue(text, "Title:")) p.title = cut(*title);
  if (auto version = findParameterValue(text, "version:")) p.versionText = cut(*version);
  p.versionNumber = versionNumberOf(p.versionText);
  if (auto start = findParameterValue(text, "startcommand:")) p.startCommand = cut(*start);
  const auto saver = findParameterValue(text, "screensaver:");
  p.screenSaver = saver && !saver->empty() && (*saver)[0] == '1';
  const auto setSaver = findParameterValue(text, "setscreensaver:");
  p.setScreenSaver = setSaver && !setSaver->empty() && (*setSaver)[0] == '1';
  return p;
}

InstallParameters readInstallParameters(Pack& pack) {
  for (const char* name : {"installparam.txt", "install.log"}) {
    FileData data;
    if (pack.read(name, data) == kPackFromPack) return parseInstallParameters(data.view());
  }
  return {};
}

bool isUsableTitle(std::string_view title) {
  if (title.empty() || title.size() > 255 || title == "." || title == "..") return false;
  for (char c : title) {
    if (static_cast<unsigned char>(c) < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return title.back() != ' ' && title.back() != '.';
}

std::vector<ShortcutLine> parseShortcutLines(std::string_view text, std::string_view title,
                                             std::string_view programFileName) {
  struct Key {
    std::string_view name;
    ShortcutKind kind;
  };
  static constexpr Key kKeys[] = {{"workshortcut:", ShortcutKind::Work},
                                  {"startmenu:", ShortcutKind::StartMenu},
                                  {"desktopicon:", ShortcutKind::Desktop}};
  std::vector<ShortcutLine> out;
  forEachLine(text, [&](std::string_view line) {
    for (const Key& key : kKeys) {
      if (line.substr(0, key.name.size()) != key.name) continue;
      // Fields lie between '$' signs: "$target$link$description$arguments$".
      std::vector<std::string_view> fields;
      std::size_t dollar = line.find('$', key.name.size());
      while (dollar != std::string_view::npos && fields.size() < 4) {
        const std::size_t next = line.find('$', dollar + 1);
        if (next == std::string_view::npos) break;
        fields.push_back(line.substr(dollar + 1, next - dollar - 1));
        dollar = next;
      }
      if (fields.size() < 4) return;
      ShortcutLine s;
      s.kind = key.kind;
      s.target = substituteNames(fields[0], title, programFileName);
      s.linkName = substituteNames(fields[1], title, programFileName);
      s.description = substituteNames(fields[2], title, programFileName);
      s.arguments = substituteNames(fields[3], title, programFileName);
      out.push_back(std::move(s));
      return;
    }
  });
  return out;
}

}  // namespace skyloom
