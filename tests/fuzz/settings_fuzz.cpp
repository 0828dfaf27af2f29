// Feeds arbitrary bytes to the settings loaders as "config.ini" (four blocks by position) and as
// "Kelvane.ini" (the camera block, then the interface layout). Loading must never read past the
// data, and whatever was loaded must save again.
#include <cstdint>

#include "config/settings_root.h"
#include "config/view_state.h"

using namespace skyloom;

namespace {

struct CountingLayout : ViewLayout {
  std::size_t seen = 0;
  void saveLayout(Bytes&) const override {}
  void loadLayout(ByteSpan in) override { seen = in.size(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan bytes(data, size);
  SettingsRoot root;
  root.loadBlocks(bytes);
  root.aircraft().rescan();  // loading rescans too; the list header records the scan's size
  const Bytes saved = root.serialize();
  SettingsRoot again;
  again.loadBlocks(saved);
  if (again.serialize() != saved) __builtin_trap();  // what loads must round-trip

  CameraSettings camera;
  std::size_t consumed = 0;
  camera.loadBlock(bytes, consumed);
  if (consumed > size) __builtin_trap();
  CountingLayout layout;
  layout.loadLayout(bytes.subspan(consumed));
  root.music().selectFiles();
  return 0;
}
