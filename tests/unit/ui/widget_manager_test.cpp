// The widget manager driven like the window drives it: mouse messages at pixel positions, the
// layout record through "Kelvane.ini", and the draw on the recording device.
#include "ui/widget_manager.h"

#include <gtest/gtest.h>

#include <cmath>

#include "config/view_state.h"
#include "platform/gfx/recording_device.h"
#include "resources/glyph_font.h"
#include "resources/pack_test_util.h"
#include "state_check.h"
#include "ui/colour_editor.h"
#include "ui/layout_record.h"
#include "ui/text_viewer.h"
#include "ui/window_messages.h"

namespace skyloom {
namespace {

constexpr float kQuarterTurn = 1.5707963f;

class WidgetManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_.setViewport(Viewport{0, 0, 800, 600, 0.0f, 1.0f});
    manager_.restore(device_, kQuarterTurn);
  }

  // A plain panel standing still at depth 15, its top-left corner at (x, y).
  Widget* addPanel(int id, float x, float y, float w = 4.0f, float h = 2.0f) {
    auto panel = std::make_unique<Widget>();
    panel->init(0, w, h, 0.001f, 20, 0x80102030, 0xFFFFFFFF, 0xFFFFFFFF);
    panel->id = id;
    panel->x = panel->targetX = x;
    panel->y = panel->targetY = y;
    panel->depth = panel->targetDepth = 15.0f;
    Widget* raw = panel.get();
    EXPECT_GE(manager_.add(std::move(panel)), 0);
    return raw;
  }
  // The pixel that shows view point (vx, vy) at a depth.
  int pixelX(float vx, float depth) const {
    return static_cast<int>(std::lround(manager_.centreX() + vx / depth / manager_.pixelScale()));
  }
  int pixelY(float vy, float depth) const {
    return static_cast<int>(std::lround(manager_.centreY() - vy / depth / manager_.pixelScale()));
  }
  bool send(std::uint32_t message, int x, int y, std::uintptr_t buttons = 0) {
    return manager_.onMessage(message, buttons, messagePoint(x, y));
  }

  RecordingDevice device_;
  GlyphFont font_{"Arial", 24, 700, false};
  WidgetManager manager_{font_, nullptr};
};

TEST_F(WidgetManagerTest, RightClickOpensTheColourEditorButNotAfterARightDrag) {
  Widget* panel = addPanel(5, -2.0f, 2.0f);
  const int px = pixelX(0.0f, 15.0f), py = pixelY(1.0f, 15.0f);
  EXPECT_TRUE(send(kWmRButtonDown, px, py, kMkRButton));
  EXPECT_TRUE(send(kWmRButtonUp, px, py));
  Widget* editor = manager_.find(kColourEditorId);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(manager_.order().front(), editor);
  EXPECT_EQ(static_cast<ColourEditor*>(editor)->colourCount(), 4);
  EXPECT_EQ(static_cast<ColourEditor*>(editor)->owner(), panel);

  manager_.remove(kColourEditorId);
  send(kWmMouseMove, px, py);
  send(kWmRButtonDown, px, py, kMkRButton);
  send(kWmMouseMove, px + 40, py, kMkRButton);
  send(kWmRButtonUp, px + 40, py);
  EXPECT_EQ(manager_.find(kColourEditorId), nullptr);
  EXPECT_NEAR(panel->x, -2.0f + 40 * manager_.pixelScale() * 15.0f, 1e-4f);
  EXPECT_EQ(manager_.captured(), -1);
}

TEST_F(WidgetManagerTest, ALeftClickSwitchesTheAlternateDisplayButADragDoesNot) {
  Widget* panel = addPanel(6, -2.0f, 2.0f);
  const int px = pixelX(0.0f, 15.0f), py = pixelY(1.0f, 15.0f);
  send(kWmLButtonDown, px, py, kMkLButton);
  send(kWmLButtonUp, px, py);
  EXPECT_TRUE(panel->flags & kWidgetAlternate);
  send(kWmLButtonDown, px, py, kMkLButton);
  send(kWmMouseMove, px, py + 30, kMkLButton);
  EXPECT_EQ(manager_.captured(), 0);
  send(kWmLButtonUp, px, py + 30);
  EXPECT_TRUE(panel->flags & kWidgetAlternate);
  EXPECT_LT(panel->y, 2.0f);
}

TEST_F(WidgetManagerTest, BothButtonsZoomBetweenFiveAndFiftyFive) {
  Widget* panel = addPanel(7, -2.0f, 2.0f);
  const int px = pixelX(0.0f, 15.0f), py = pixelY(1.0f, 15.0f);
  send(kWmMouseMove, px, py);
  send(kWmLButtonDown, px, py, kMkLButton);
  send(kWmRButtonDown, px, py, kMkLButton | kMkRButton);
  send(kWmMouseMove, px, py + 2000, kMkLButton | kMkRButton);
  EXPECT_FLOAT_EQ(panel->depth, 5.0f);
  send(kWmMouseMove, px, py - 8000, kMkLButton | kMkRButton);
  EXPECT_FLOAT_EQ(panel->depth, 55.0f);
  EXPECT_FLOAT_EQ(panel->targetDepth, 55.0f);
  send(kWmRButtonUp, px, py - 8000, kMkLButton);
  send(kWmLButtonUp, px, py - 8000);
  EXPECT_EQ(manager_.find(kColourEditorId), nullptr);  // a zoom is a drag
}

TEST_F(WidgetManagerTest, HitsGoToTheTopmostAndRaiseItButNotOverTheEditor) {
  Widget* lower = addPanel(8, -2.0f, 2.0f);
  Widget* upper = addPanel(9, -1.0f, 2.0f);
  const int px = pixelX(-0.5f, 15.0f), py = pixelY(1.0f, 15.0f);  // where both overlap
  send(kWmLButtonDown, px, py, kMkLButton);
  send(kWmLButtonUp, px, py);
  EXPECT_TRUE(upper->flags & kWidgetAlternate);
  EXPECT_FALSE(lower->flags & kWidgetAlternate);

  send(kWmRButtonDown, px, py, kMkRButton);
  send(kWmRButtonUp, px, py);
  ASSERT_NE(manager_.find(kColourEditorId), nullptr);
  const int lowerOnly = pixelX(-1.8f, 15.0f), low = pixelY(0.2f, 15.0f);
  Widget* editor = manager_.find(kColourEditorId);
  editor->x = editor->targetX = 10.0f;  // out of the way
  send(kWmLButtonDown, lowerOnly, low, kMkLButton);
  EXPECT_EQ(manager_.order()[0], editor);
  EXPECT_EQ(manager_.order()[1], lower);
  send(kWmLButtonUp, lowerOnly, low);

  manager_.setTakesMouse(false);  // the full-screen saver: shown, but the mouse is not taken
  EXPECT_FALSE(send(kWmLButtonDown, lowerOnly, low, kMkLButton));
  EXPECT_FALSE(send(kWmMouseMove, pixelX(100.0f, 15.0f), low));
}

TEST_F(WidgetManagerTest, TheFiftyFirstWidgetIsRefused) {
  EXPECT_EQ(manager_.count(), 1);  // the help window
  for (int i = 1; i < WidgetManager::kMaxWidgets; ++i) addPanel(100 + i, 0.0f, 0.0f);
  EXPECT_EQ(manager_.add(std::make_unique<Widget>()), -1);
  EXPECT_EQ(manager_.count(), 50);
}

TEST_F(WidgetManagerTest, TheLayoutRoundTripsThroughTheViewStateFile) {
  testing::ScratchDir dir;
  Widget* panel = addPanel(768, -2.0f, 2.0f);
  panel->moveBy(3.0f, -1.5f);
  panel->colourTop = 0x80FF0000;
  panel->flags |= kWidgetAlternate;
  manager_.help(1);
  manager_.openColourEditor({&panel->colourText}, panel);
  KeptLayout saved;
  Bytes record;
  manager_.save(record);
  EXPECT_EQ(manager_.find(kColourEditorId), nullptr);  // not part of a layout
  saved.loadLayout(record);
  CameraSettings camera;
  ASSERT_TRUE(saveViewState(camera, &saved));

  KeptLayout read;
  ASSERT_TRUE(loadViewState(camera, &read));
  EXPECT_EQ(read.bytes(), record);
  WidgetManager next(font_, nullptr);
  auto fresh = std::make_unique<Widget>();
  fresh->id = 768;
  Widget* again = fresh.get();
  next.add(std::move(fresh));
  ASSERT_TRUE(next.load(read.bytes()));
  EXPECT_FLOAT_EQ(again->targetX, 1.0f);
  EXPECT_FLOAT_EQ(again->targetY, 0.5f);
  EXPECT_EQ(again->colourTop, 0x80FF0000u);
  EXPECT_TRUE(again->flags & kWidgetAlternate);
  EXPECT_TRUE(next.helpWindow()->visible());
  // Loaded widgets glide in from far away to where they were left.
  EXPECT_FLOAT_EQ(again->depth, 100.0f);
  for (int frame = 0; frame < 200 && again->animating; ++frame) next.render(device_, 0.02f);
  EXPECT_FLOAT_EQ(again->depth, 15.0f);
  const Widget* status = next.find(kStatusLineId);
  ASSERT_NE(status, nullptr);
  EXPECT_FALSE(status->visible());
}

TEST_F(WidgetManagerTest, ALayoutWithAnotherManagerSizeOrDamagedBytesIsIgnored) {
  Widget* panel = addPanel(769, -2.0f, 2.0f);
  panel->moveBy(1.0f, 0.0f);
  Bytes record;
  manager_.save(record);
  panel->moveBy(-1.0f, 0.0f);
  Bytes other = record;
  writeLE32(other.data() + 4 + 13, kManagerStateBytes - 1);
  EXPECT_FALSE(manager_.load(other));
  EXPECT_FLOAT_EQ(panel->targetX, -2.0f);
  EXPECT_EQ(manager_.find(kStatusLineId), nullptr);
  // Cut anywhere, the record never reads past its end; a cut entry is simply not applied.
  for (std::size_t n = 0; n < record.size(); ++n) {
    Bytes cut(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(n));
    if (n >= 4) writeLE32(cut.data(), static_cast<std::uint32_t>(n));
    manager_.load(cut);
  }
  EXPECT_TRUE(std::isfinite(panel->x));
}

TEST_F(WidgetManagerTest, DrawsOverTheSceneAndLeavesTheStatesAsFound) {
  font_.restore(device_);
  manager_.help(1);
  addPanel(770, -2.0f, 2.0f)->setCaption("Hello");
  device_.beginScene();
  EXPECT_TRUE(leavesStatesAsFound(device_, [&] { manager_.render(device_, 0.02f); }));
  device_.endScene();
  ASSERT_FALSE(device_.draws().empty());
  std::size_t textured = 0;
  for (const RecordedDraw& d : device_.draws()) {
    EXPECT_EQ(d.state.fvf, kWidgetFvf);
    EXPECT_EQ(d.state.renderState(RenderState::ZEnable), static_cast<std::uint32_t>(ZBuffer::False));
    if (d.state.textures[0] != 0) ++textured;
  }
  EXPECT_GT(textured, 0u);  // the help text and the caption
}

TEST(TextViewer, WrapsAtSpacesAndKeepsAThousandLines) {
  TextViewer viewer;
  viewer.init(1, 25.0f, 25.0f, 0.001f, 50, 0x9090A0F0, 0xFFA0FFFF, 0xFFFFFFFF);
  std::string words;
  for (int i = 0; i < 300; ++i) words += (i % 7 == 0 ? "interconnected " : "sky ");
  viewer.setText(words, 0, true);
  const int w = viewer.lineWidth();
  ASSERT_GT(viewer.lineCount(), 1);
  std::string joined;
  for (int i = 0; i < viewer.lineCount(); ++i) {
    const std::string_view line = viewer.line(i);
    EXPECT_LE(static_cast<int>(line.size()), w);
    if (i + 1 < viewer.lineCount()) {  // a word ends at the edge or the line ends in a space
      EXPECT_TRUE(line.back() == ' ' || viewer.line(i + 1).front() == ' ') << "line " << i << " split a word";
    }
    joined += line;
  }
  EXPECT_EQ(joined, words);

  std::string many;
  for (int i = 0; i < 1500; ++i) many += "line\r\n";
  viewer.setText(many, '>', true);
  EXPECT_EQ(viewer.lineCount(), 1000);
  EXPECT_EQ(viewer.line(0), ">line");
  EXPECT_EQ(viewer.footer(), "Total 1000 lines");
}

TEST(TextViewer, LineBreaksOfEveryKindEndALine) {
  std::size_t length = 0;
  EXPECT_EQ(nextLine("ab\r\ncd", 10, 20, length), 4u);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(nextLine("ab\rcd", 10, 20, length), 3u);  // a lone CR takes no letter with it
  EXPECT_EQ(nextLine("ab\ncd", 10, 20, length), 3u);
  EXPECT_EQ(nextLine("abcdefghijklmnopqrstuvwxyz", 10, 20, length), 10u);  // too long to keep whole
}

TEST_F(WidgetManagerTest, AMissingHelpFileShowsHelp) {
  testing::ScratchDir dir;
  WidgetManager fresh(font_, nullptr);
  fresh.restore(device_, kQuarterTurn);
  ASSERT_NE(fresh.helpWindow(), nullptr);
  EXPECT_EQ(fresh.helpWindow()->lineCount(), 1);
  EXPECT_EQ(fresh.helpWindow()->line(0), "Help");
  EXPECT_EQ(fresh.helpWindow()->title()[1].text, "Help");
  EXPECT_FALSE(fresh.helpWindow()->visible());
  fresh.help(2);
  EXPECT_TRUE(fresh.helpWindow()->visible());
  fresh.help(2);
  EXPECT_FALSE(fresh.helpWindow()->visible());
}

// The help window by the mouse: the wheel and the slider scroll it, "Line" turns the order round,
// a right click offers the colours of the part under the cursor, and "Close" hides it.
TEST_F(WidgetManagerTest, TheHelpWindowScrollsSortsRecoloursAndCloses) {
  font_.restore(device_);
  TextViewer& help = *manager_.helpWindow();
  std::string text;
  for (int i = 1; i <= 300; ++i) text += "line " + std::to_string(i) + "\r\n";
  help.setText(text, 0, true);
  help.depth = help.targetDepth = 15.0f;
  help.x = help.targetX = -12.5f;
  help.y = help.targetY = 12.5f;
  manager_.help(1);
  manager_.render(device_, 0.0f);  // lays it out: the rows that fit are known
  const auto at = [&](float lx, float ly) {
    return messagePoint(pixelX(help.x + lx, 15.0f), pixelY(help.y - ly, 15.0f));
  };
  const float rowsY = help.listTop() + 1.0f;
  manager_.onMessage(kWmMouseMove, 0, at(5.0f, rowsY));
  manager_.onMessage(kWmMouseWheel, static_cast<std::uintptr_t>(static_cast<std::uint16_t>(-240)) << 16, 0);
  EXPECT_EQ(help.list().firstRow(), 6);  // two steps down, three rows a step

  const float sliderX = help.width - 0.15f - CListDisplaySlider::kWidth * 0.5f;
  manager_.onMessage(kWmLButtonDown, kMkLButton, at(sliderX, help.listBottom() - 0.01f));
  manager_.onMessage(kWmLButtonUp, 0, at(sliderX, help.listBottom() - 0.01f));
  EXPECT_EQ(help.list().firstRow(), 300 - help.list().visibleRows());
  EXPECT_FLOAT_EQ(help.x, -12.5f);  // the slider is no handle

  const float titleY = 0.15f + help.rowHeight() * 0.5f;
  manager_.onMessage(kWmLButtonDown, kMkLButton, at(1.0f, titleY));  // "Line"
  manager_.onMessage(kWmLButtonUp, 0, at(1.0f, titleY));
  help.list().scrollTo(0.0f);
  EXPECT_EQ(help.list().shown(help.list().firstRow()).text, "line 300");

  manager_.onMessage(kWmRButtonDown, kMkRButton, at(5.0f, rowsY));
  manager_.onMessage(kWmRButtonUp, 0, at(5.0f, rowsY));
  ASSERT_NE(manager_.find(kColourEditorId), nullptr);
  EXPECT_EQ(static_cast<ColourEditor*>(manager_.find(kColourEditorId))->colourCount(), 3);
  manager_.onMessage(kWmRButtonDown, kMkRButton, at(5.0f, titleY));
  manager_.onMessage(kWmRButtonUp, 0, at(5.0f, titleY));
  EXPECT_EQ(static_cast<ColourEditor*>(manager_.find(kColourEditorId))->colourCount(), 2);
  manager_.remove(kColourEditorId);

  manager_.onMessage(kWmLButtonDown, kMkLButton, at(help.width - 1.5f, titleY));  // "Close"
  manager_.onMessage(kWmLButtonUp, 0, at(help.width - 1.5f, titleY));
  EXPECT_FALSE(help.visible());
}

// The editor's sliders by the mouse: pressing at a slider's right end gives the channel its
// full value; "Close" takes the editor away.
TEST_F(WidgetManagerTest, TheColourEditorsSlidersAndCloseButtonWorkByTheMouse) {
  Widget* panel = addPanel(11, -14.0f, 10.0f);
  panel->colourText = 0xFF000000;
  manager_.openColourEditor({&panel->colourText}, panel);
  auto* editor = static_cast<ColourEditor*>(manager_.find(kColourEditorId));
  ASSERT_NE(editor, nullptr);
  const auto at = [&](float lx, float ly) {
    return messagePoint(pixelX(editor->x + lx, editor->depth), pixelY(editor->y - ly, editor->depth));
  };
  const float redY = editor->listTop() + 0.3f;
  manager_.onMessage(kWmLButtonDown, kMkLButton, at(editor->width - 0.3f, redY));
  manager_.onMessage(kWmMouseMove, kMkLButton, at(editor->width + 2.0f, redY));
  manager_.onMessage(kWmLButtonUp, 0, at(editor->width + 2.0f, redY));
  EXPECT_EQ(panel->colourText, 0xFFFF0000u);
  EXPECT_TRUE(panel->layoutDirty());

  const float titleY = 0.15f + editor->rowHeight() * 0.5f;
  manager_.onMessage(kWmLButtonDown, kMkLButton, at(editor->width - 1.5f, titleY));
  manager_.onMessage(kWmLButtonUp, 0, at(editor->width - 1.5f, titleY));
  EXPECT_EQ(manager_.find(kColourEditorId), nullptr);
}

TEST(ColourEditor, SlidersSetTheOwnersChannelsAndKeepItsAlpha) {
  std::uint32_t colour = 0x80102030;
  Widget owner;
  ColourEditor editor({&colour}, &owner);
  EXPECT_EQ(editor.id, kColourEditorId);
  EXPECT_FLOAT_EQ(editor.width, 9.0f);
  EXPECT_NEAR(editor.channel(0, 0), 0x10 / 255.0f, 1e-6f);
  editor.setChannel(0, 0, 1.0f);
  editor.setChannel(0, 2, 0.0f);
  EXPECT_EQ(colour, 0x80FF2000u);
}

TEST(ListDisplay, SortsStablyUpAndDown) {
  CListDisplay list;
  list.setColumns({ListColumn{0.0f, SortField::Number, 0}});
  const char* names[] = {"a", "b", "c", "d", "e"};
  const int keys[] = {2, 1, 2, 1, 3};
  std::vector<ListRow> rows;
  for (int i = 0; i < 5; ++i) rows.push_back(ListRow{keys[i], 0.0f, names[i]});
  list.setRows(rows);
  list.sortBy(0, 1);
  std::string order;
  for (int i = 0; i < 5; ++i) order += list.shown(i).text;
  EXPECT_EQ(order, "bdace");
  list.toggleSort(0);
  order.clear();
  for (int i = 0; i < 5; ++i) order += list.shown(i).text;
  EXPECT_EQ(order, "eacbd");
}

}  // namespace
}  // namespace skyloom
