#include "config/view_state.h"

#include "core/file.h"
#include "core/paths.h"

namespace skyloom {

bool saveViewState(const CameraSettings& camera, const ViewLayout* layout, const char* path) {
  Bytes out;
  camera.saveBlock(out);
  if (layout) layout->saveLayout(out);
  return writeFileReplacing(nativePath(path), out.data(), out.size());
}

bool loadViewState(CameraSettings& camera, ViewLayout* layout, const char* path) {
  Bytes bytes;
  if (!readWholeFile(nativePath(path), bytes)) return false;
  std::size_t consumed = 0;
  camera.loadBlock(bytes, consumed);
  if (layout) layout->loadLayout(ByteSpan(bytes).subspan(std::min(consumed, bytes.size())));
  return true;
}

}  // namespace skyloom
