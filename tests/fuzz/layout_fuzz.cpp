// Feeds arbitrary bytes to the widget manager as the interface layout of "Kelvane.ini", with the
// help window, the music panel and the instruments made as the scene makes them. Loading must
// never read past the record, and what it saves it must load again.
//
// With -seed DIR (instead of libFuzzer's arguments) it writes the layout of a fresh interface and
// one with every widget moved, to start from.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resources/glyph_font.h"
#include "ui/instruments.h"
#include "ui/music_panel.h"
#include "ui/widget_manager.h"

using namespace skyloom;

namespace {

// Never restored: the layout is read and written without a device. One for all runs, as its
// glyph buffer is large.
GlyphFont& font() {
  static GlyphFont f{"Arial", 24, 700, false};
  return f;
}

struct Interface {
  WidgetManager manager{font(), nullptr};
  MusicPanel music;
  Instruments instruments;
  Interface() {
    music.create(manager, nullptr, false);
    instruments.create(manager);
  }
};

int writeSeed(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f) std::fclose(f);
  return ok ? 0 : 1;
}

int writeSeeds(const char* dir) {
  Interface fresh;
  Bytes plain;
  fresh.manager.save(plain);
  Interface moved;
  for (int i = 0; i < moved.manager.count(); ++i) moved.manager.widget(i)->moveBy(0.5f * i, -0.25f * i);
  moved.manager.help(1);
  Bytes layout;
  moved.manager.save(layout);
  return writeSeed(std::string(dir) + "/fresh.layout", plain) + writeSeed(std::string(dir) + "/moved.layout", layout);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (*argc == 3 && std::strcmp((*argv)[1], "-seed") == 0) std::exit(writeSeeds((*argv)[2]));
  return 0;
}

// A loaded widget starts its glide from far away, so the first saved layout may differ from the
// next in the depths; from then on a layout must survive loading and saving unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Interface first;
  first.manager.load(ByteSpan(data, size));
  Bytes saved;
  first.manager.save(saved);
  Interface second;
  if (!second.manager.load(saved)) __builtin_trap();  // what it saves it must take back
  Bytes settled;
  second.manager.save(settled);
  Interface third;
  if (!third.manager.load(settled)) __builtin_trap();
  Bytes again;
  third.manager.save(again);
  if (again != settled) __builtin_trap();
  return 0;
}
