#pragma once
// WidgetManager: owns the widgets of the in-scene interface, keeps their stacking order, gives
// each mouse message to the widget under the cursor (or the one holding the mouse), animates and
// draws them over the scene, and saves and loads their layout.
//
// Mouse messages are taken only in the windowed test run (setTakesMouse); in the full-screen
// saver the widgets are shown but the mouse is left to the saver's own rules, even after F1.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/result.h"
#include "platform/gfx/render_device.h"
#include "ui/widget.h"

namespace skyloom {

class GlyphFont;
class TextureRegistry;
struct TextureEntry;
class TextViewer;
class ColourEditor;

constexpr const char* kButtonAtlasName = "pack\\button.jpg";
constexpr const char* kHelpFileName = "readme.txt";
constexpr const char* kLayoutKey = "savecbuttons";
constexpr std::uint32_t kManagerStateBytes = 160;

class WidgetManager {
 public:
  static constexpr int kMaxWidgets = 50;
  static constexpr int kIndexedQuads = 200;  // quads per draw call

  // font: the scene's large font; textures: where the button atlas is registered (may be null:
  // no icons). The help window is made here, as the first widget.
  WidgetManager(GlyphFont& font, TextureRegistry* textures);
  ~WidgetManager();
  WidgetManager(const WidgetManager&) = delete;
  WidgetManager& operator=(const WidgetManager&) = delete;

  // Its index in creation order, or -1 when kMaxWidgets exist (the widget is then dropped).
  int add(std::unique_ptr<Widget> widget);
  // Removes and destroys every widget with that id.
  void remove(int id);
  Widget* find(int id) const;
  Widget* widget(int index) const;
  int count() const { return static_cast<int>(widgets_.size()); }
  // The widgets from the top of the stacking order down.
  const std::vector<Widget*>& order() const { return order_; }

  // Whether mouse messages are taken at all (not in the full-screen saver).
  void setTakesMouse(bool on) { takesMouse_ = on; }
  // A window message (Win32 numbers); answers whether a widget took it. Only the mouse
  // messages are looked at.
  bool onMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);

  // The viewport's size and the horizontal field of view: where the screen edges are. Fills the
  // help window the first time.
  HResult restore(RenderDevice& device, float fieldOfView);
  void invalidate();
  // Animates by dt seconds and draws every visible widget, bottom of the stack first, over what
  // is drawn; leaves the device's states as it found them.
  void render(RenderDevice& device, float dt);

  // Gives widget `index` the icon in cell (column, row) of the 4 × 4 button atlas.
  void setIcon(int index, int column, int row);
  // 0 hides, 1 shows, 2 toggles the help window.
  void help(int mode);
  TextViewer* helpWindow() const { return help_; }

  // The colour editor for these colours of owner (at most one; a new one replaces the old).
  void openColourEditor(const std::vector<std::uint32_t*>& colours, Widget* owner);
  // The owner's content shows its new colours.
  void coloursChanged(Widget* owner);

  // The layout record: total length, "savecbuttons", the manager's state, then every widget's
  // entry in creation order. Saving first removes the colour editor and the status line.
  void save(Bytes& out);
  // Applies the entries of a record to the widgets with the same ids; a record with another key
  // or another manager size is ignored. Answers whether it was taken. Makes the status line.
  bool load(ByteSpan in);

  void keepOnScreen(Widget& widget) const;
  float pixelScale() const { return pixelScale_; }
  float centreX() const { return centreX_; }
  float centreY() const { return centreY_; }
  float mouseX() const { return mouseX_; }
  float mouseY() const { return mouseY_; }
  int captured() const { return captured_; }
  GlyphFont& font() const { return font_; }

 private:
  int stackIndex(const Widget* w) const;
  void raise(int stackPos);
  void fillHelp();
  void fitToView(Widget& w) const;
  void drawWidget(RenderDevice& device, const Widget& w, const Matrix& inverseView);
  void drawLayer(RenderDevice& device, const std::vector<WidgetVertex>& vertices);
  void takeClosed();

  GlyphFont& font_;
  std::vector<std::unique_ptr<Widget>> widgets_;  // creation order
  std::vector<Widget*> order_;                    // stacking order, [0] on top
  int captured_ = -1;
  int lastHit_ = -1;
  float centreX_ = 400.0f, centreY_ = 300.0f;
  float pixelScale_ = 1.0f / 400.0f;
  float mouseX_ = 0.0f, mouseY_ = 0.0f;
  int lastPixelX_ = 0, lastPixelY_ = 0;
  bool takesMouse_ = true;
  bool helpFilled_ = false;
  bool helpPlaced_ = false;  // a loaded layout placed the help window
  std::vector<std::uint16_t> indexList_;
  TextureEntry* atlas_ = nullptr;
  TextViewer* help_ = nullptr;
  ColourEditor* editor_ = nullptr;
};

}  // namespace skyloom
