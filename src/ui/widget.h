#pragma once
// Widget: a flat panel floating in front of the camera. Widgets live in view space: (x, y) is
// the top-left corner at the widget's depth, y growing upward, so a widget at depth d and x = d
// stands at the right edge of a 90° view. They are drawn through the inverse of the view
// transform and therefore stay where they are on the screen while the camera moves.
//
// A widget keeps its picture as quads in its own units (origin at its top-left corner, y up,
// z 0 on the panel) in three layers: plain coloured quads, icons from the button atlas and text
// from the glyph font. layout() rebuilds them; the manager calls it before drawing a widget
// whose content changed.
//
// The base kind is the plain panel with a caption (the instruments are made of it); the list
// kinds derive from it.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/math.h"
#include "platform/gfx/d3d_constants.h"

namespace skyloom {

class GlyphFont;
class RenderDevice;
class WidgetManager;

// Position, colour and one texture coordinate: 24 bytes.
struct WidgetVertex {
  float x, y, z;
  std::uint32_t colour;
  float u, v;
};
static_assert(sizeof(WidgetVertex) == 24);
constexpr std::uint32_t kWidgetFvf = Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1;  // 0x142

// Widget flags.
enum WidgetFlag : std::uint32_t {
  kWidgetVisible = 0x1,
  kWidgetTakesMouse = 0x2,
  kWidgetHovered = 0x4,
  kWidgetLeftDown = 0x8,
  kWidgetRightDown = 0x10,
  kWidgetAlternate = 0x20,  // alternate display: the instruments' imperial units
  kWidgetMovedLeft = 0x80,
  kWidgetMovedRight = 0x100,
};

// The widget identities the program uses.
constexpr int kAltitudeTapeId = 768;
constexpr int kSpeedTapeId = 769;
constexpr int kCompassTapeId = 770;
constexpr int kPitchScaleId = 771;
constexpr int kInstrumentPanelId = 772;
constexpr int kCameraStatusId = 773;
constexpr int kPositionStatusId = 774;
constexpr int kColourEditorId = 1280;
constexpr int kHelpWindowId = 1281;
constexpr int kStatusLineId = 1536;

constexpr float kWidgetStartDepth = 15.0f;  // a new widget glides out to this depth
constexpr float kNearestWidget = 5.0f;      // the depths the user can zoom a widget between
constexpr float kFarthestWidget = 55.0f;
constexpr std::uint32_t kShadowColour = 0x00A0A0A0;

enum class QuadLayer : int { Plain = 0, Icon = 1, Text = 2 };
constexpr int kQuadLayers = 3;

// The quads of one widget, four vertices each in the order top-left, bottom-left, top-right,
// bottom-right (the manager's index list makes the triangles 0 1 2 and 1 2 3 of each).
class WidgetQuads {
 public:
  void clear();
  // A rectangle from (x, y) down to (x + w, y − h), its colour running from top to bottom.
  void rect(QuadLayer layer, float x, float y, float w, float h, std::uint32_t top, std::uint32_t bottom,
            float z = 0.0f);
  void rect(float x, float y, float w, float h, std::uint32_t colour) {
    rect(QuadLayer::Plain, x, y, w, h, colour, colour);
  }
  // A frame of lines `thickness` wide just inside the rectangle.
  void frame(float x, float y, float w, float h, float thickness, std::uint32_t colour);
  // An icon of the atlas (texture rectangle u0 v0 to u1 v1) over the rectangle.
  void icon(float x, float y, float w, float h, float u0, float v0, float u1, float v1, std::uint32_t colour);
  // Text with its top-left corner at (x, y), characters height units high, cut off at maxRight
  // and after `room` characters (the widget's capacity). Answers the right edge reached.
  float text(const GlyphFont& font, float x, float y, float height, std::string_view text, std::uint32_t colour,
             float maxRight, int& room);

  const std::vector<WidgetVertex>& layer(QuadLayer l) const { return layers_[static_cast<int>(l)]; }
  std::size_t quadCount() const;

 private:
  std::array<std::vector<WidgetVertex>, kQuadLayers> layers_;
};

// The width of text in units for characters height units high.
float textWidth(const GlyphFont& font, std::string_view text, float height);

// What a widget's handler is told about a mouse message: the message (Win32 numbering), the
// cursor in the widget's own units (origin at its top-left corner, y growing downward), the
// cursor's movement since the last message in view units at the widget's depth, and the buttons.
struct WidgetMouse {
  std::uint32_t message = 0;
  float localX = 0.0f, localY = 0.0f;
  float moveX = 0.0f, moveY = 0.0f;  // y up, like the widget's position
  float movePixels = 0.0f;           // vertical movement in pixels, downward positive (zoom)
  bool left = false, right = false;
  int wheel = 0;  // wheel steps of 120, up positive
};

class Widget {
 public:
  // The length of a plain widget's saved state.
  static constexpr std::size_t kStateBytes = 108;

  Widget();
  virtual ~Widget();
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  // kind: 0 a plain panel, 1 a list panel (informational; the class decides the behaviour).
  // The bottom colour of the gradient is the top colour darkened to half.
  void init(int kind, float width, float height, float textScale, int capacity, std::uint32_t colourTop,
            std::uint32_t colourText, std::uint32_t colourFrame);

  // The key its state is saved under.
  virtual const char* saveKey() const { return "savecbutton"; }
  // Appends the state (kStateBytes for a plain widget; the list kinds add theirs after it).
  virtual void saveState(Bytes& out) const;
  // Takes a saved state: position, size, target depth, colours and flags; answers false when
  // the bytes are too short (nothing is then changed). The widget then glides in from depth 100.
  virtual bool loadState(ByteSpan in);

  // The mouse message for this widget; answers whether it keeps the mouse.
  virtual bool onMouse(const WidgetMouse& mouse);
  // Moves toward the targets; dt seconds.
  virtual void animate(float dt);
  // Rebuilds the quads from the content.
  virtual void layout(const GlyphFont& font);
  // Drawn after the widget's quads with the same world transform (its top-left corner at the
  // origin), for content that is not made of quads. The device's states are the manager's; a
  // widget that changes the vertex format or the stage-0 texture need not put them back.
  virtual void drawOver(RenderDevice&, const Matrix&) const {}
  // The colours a right click offers to edit at a point of the widget (local units, y down).
  virtual std::vector<std::uint32_t*> coloursAt(float localX, float localY);

  virtual void setCaption(std::string_view caption);
  // An icon of the button atlas (its texture rectangle) in front of the caption.
  void setIcon(float u0, float v0, float u1, float v1);
  bool hasIcon() const { return iconRect_[2] > iconRect_[0]; }
  const std::string& caption() const { return caption_; }

  // The point in view space at depth 1 (mouseX, mouseY) is over the widget; sets or clears the
  // hover flag. Needs the visible and mouse flags.
  bool hitTest(float mouseX, float mouseY);
  // Moves position and target together, then keeps the widget on screen.
  void moveBy(float dx, float dy);
  // Limits the position (and target) so the widget stays within the view at the depth it is
  // going to: halfWidth and halfHeight are the view's extents at depth 1.
  void keepOnScreen(float halfWidth, float halfHeight);
  bool visible() const { return (flags & kWidgetVisible) != 0; }
  void show(bool on);

  void invalidateLayout() { dirty_ = true; }
  bool layoutDirty() const { return dirty_; }
  const WidgetQuads& quads() const { return quads_; }
  float textHeight() const;
  // The widget asks to be taken away (the colour editor's "Close"); the manager does it after
  // the message.
  bool closeRequested() const { return closeRequested_; }

  void setManager(WidgetManager* manager) { manager_ = manager; }
  WidgetManager* manager() const { return manager_; }

  std::int32_t id = 0;
  std::uint32_t flags = kWidgetVisible | kWidgetTakesMouse;
  float x = 0.0f, y = 1.0f;
  float targetX = 0.0f, targetY = 1.0f;
  float depth = 0.0f, targetDepth = kWidgetStartDepth;
  float width = 1.0f, height = 1.0f;
  float textScale = 0.001f;
  std::uint32_t colourTop = 0xFF404040, colourBottom = 0xFF202020;
  std::uint32_t colourText = 0xFFFFFFFF, colourFrame = 0xFFFFFFFF;
  std::int32_t animating = 1;
  std::int32_t capacity = 0;
  std::int32_t kind = 0;

 protected:
  // The panel, its shadow and its frame; the kinds add their content after it.
  void layoutPanel();
  void requestClose() { closeRequested_ = true; }

  WidgetQuads quads_;
  std::string caption_;
  WidgetManager* manager_ = nullptr;
  std::array<float, 4> iconRect_{};
  bool dirty_ = true;
  bool closeRequested_ = false;
};

// Half of the colour's red, green and blue, the same alpha.
std::uint32_t darker(std::uint32_t colour);

}  // namespace skyloom
