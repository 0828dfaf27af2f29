#pragma once
// "Kelvane.ini": what an interactive run leaves for the next one. The camera section's block,
// then the in-scene interface's layout, which its owner reads and writes through ViewLayout.

#include "config/camera_settings.h"
#include "config/settings_section.h"

namespace skyloom {

constexpr const char* kViewStateFile = "Kelvane.ini";

class ViewLayout {
 public:
  virtual ~ViewLayout() = default;
  virtual void saveLayout(Bytes& out) const = 0;
  // The bytes after the camera block (possibly none).
  virtual void loadLayout(ByteSpan in) = 0;
};

// The layout bytes of a file, kept as they were read until the interface that owns them is
// made and takes them, and written back unchanged when a run ends before that: a run without
// the interface does not lose the layout.
class KeptLayout final : public ViewLayout {
 public:
  void saveLayout(Bytes& out) const override { out.insert(out.end(), bytes_.begin(), bytes_.end()); }
  void loadLayout(ByteSpan in) override { bytes_.assign(in.begin(), in.end()); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// Writes the camera block and the layout (when there is one). False when the file could not be
// written; an existing file is then left as it was.
bool saveViewState(const CameraSettings& camera, const ViewLayout* layout, const char* path = kViewStateFile);
// Nothing happens when the file is missing. Answers whether a file was read.
bool loadViewState(CameraSettings& camera, ViewLayout* layout, const char* path = kViewStateFile);

}  // namespace skyloom
