#pragma once
// The list kinds of the in-scene interface. A CButtonList is a panel with a title row of cells
// (some of them buttons), a CListDisplay of rows under it with its CListDisplaySlider at the right
// edge, and a footer line. The text viewer and the colour editor are made of it.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/widget.h"

namespace skyloom {

// Sorts indices stably by less(a, b): equal keys keep their order. Merge sort, so a long list
// costs n log n and never more.
void stableMergeSort(std::vector<int>& items, const std::function<bool(int, int)>& less);

// One row of a list display: an integer and a float to sort by, and the text shown.
struct ListRow {
  std::int32_t number = 0;
  float value = 0.0f;
  std::string_view text;  // points into the owner's storage
};

enum class SortField : std::int32_t { None = 0, Number = 1, Value = 2 };

struct ListColumn {
  float width = 0.0f;  // 0: the rest of the list's width
  SortField field = SortField::None;
  std::int32_t direction = 0;  // 0 as stored, 1 ascending, -1 descending
};

// The scroll slider at the right edge of a list: position 0 (top) to 1 (bottom).
class CListDisplaySlider {
 public:
  static constexpr float kWidth = 0.5f;
  void setPosition(float p);
  float position() const { return position_; }
  // The thumb's share of the track: what is visible of the whole.
  void setThumb(float share) { thumb_ = share; }
  float thumb() const { return thumb_; }
  // The position under a point at `along` units from the track's top of a track `length` long.
  float positionAt(float along, float length) const;
  void layout(WidgetQuads& quads, float x, float y, float height) const;
  void save(Bytes& out) const;
  void load(ByteSpan in);

  std::uint32_t colourTrack = 0x60202040, colourThumb = 0xD0A0B0E0, colourFrame = 0xFFFFFFFF;

 private:
  float position_ = 0.0f;
  float thumb_ = 1.0f;
};

// Rows and columns, sortable by a column's field, scrolled by its slider.
class CListDisplay {
 public:
  void setColumns(std::vector<ListColumn> columns);
  const std::vector<ListColumn>& columns() const { return columns_; }
  // Replaces the rows; the view order is the rows' order, re-sorted by the column sorted last.
  void setRows(std::vector<ListRow> rows);
  const std::vector<ListRow>& rows() const { return rows_; }
  // The row shown at place i of the view.
  const ListRow& shown(int i) const { return rows_[static_cast<std::size_t>(view_[static_cast<std::size_t>(i)])]; }
  // Sorts by column c's field, direction 1 ascending or -1 descending; equal keys keep their order.
  void sortBy(int column, int direction);
  // Sorts by column c again, the other way round.
  void toggleSort(int column);

  // How many rows fit and which comes first; scroll moves by rows, the slider by position.
  void setVisibleRows(int n);
  int visibleRows() const { return visible_; }
  int firstRow() const { return first_; }
  void scroll(int rows);
  void scrollTo(float position);
  // A saved slider position: taken now, or by the first rows when there are none yet.
  void restoreScroll(float position);
  CListDisplaySlider& slider() { return slider_; }
  const CListDisplaySlider& slider() const { return slider_; }

  // Rows from (x, y) down, rowHeight apart, width wide with the slider inside the right edge.
  void layout(WidgetQuads& quads, const GlyphFont& font, float x, float y, float width, float rowHeight,
              float textHeight, int& room) const;

  // The column layout (12 bytes a column), then the row colours.
  void save(Bytes& out) const;
  void load(ByteSpan in);

  std::uint32_t colourRow = 0x28000000, colourRowAlt = 0x10000000, colourText = 0xFFE0F0FF;

 private:
  void syncSlider();

  std::vector<ListColumn> columns_;
  std::vector<ListRow> rows_;
  std::vector<int> view_;
  int sortedColumn_ = -1;
  int visible_ = 1;
  int first_ = 0;
  float pendingScroll_ = -1.0f;
  CListDisplaySlider slider_;
};

// A cell of the title row: a button when it has an action.
struct TitleCell {
  std::string text;
  int action = 0;      // 0: none
  float width = 0.0f;  // 0: shares what the others leave
};

class CButtonList : public Widget {
 public:
  enum Action { kNoAction = 0, kClose = 1, kSortFirstColumn = 2 };

  const char* saveKey() const override { return "savecbuttonlist"; }
  void saveState(Bytes& out) const override;
  bool loadState(ByteSpan in) override;
  bool onMouse(const WidgetMouse& mouse) override;
  void layout(const GlyphFont& font) override;
  std::vector<std::uint32_t*> coloursAt(float localX, float localY) override;

  void setTitle(std::vector<TitleCell> cells);
  const std::vector<TitleCell>& title() const { return title_; }
  void setFooter(std::string_view footer);
  const std::string& footer() const { return footer_; }
  CListDisplay& list() { return list_; }
  const CListDisplay& list() const { return list_; }

  float rowHeight() const { return textHeight() * 1.3f; }
  // The places of the parts in the widget's units (y down from the top edge).
  float listTop() const { return rowHeight() + kMargin; }
  float listBottom() const { return height - rowHeight() - kMargin; }
  // The title cell under a point, or -1.
  int titleCellAt(float localX, float localY) const;

  std::uint32_t colourHeader = 0x80304070, colourHeaderText = 0xFFFFFFFF;

 protected:
  static constexpr float kMargin = 0.15f;
  // What a title button does; the base closes by hiding.
  virtual void act(int action);
  // The part under a point: 0 panel, 1 title row, 2 rows, 3 slider.
  int partAt(float localX, float localY) const;
  // Content of the kinds drawn between the title and the footer instead of the rows.
  virtual bool hasRows() const { return true; }
  virtual void layoutContent(const GlyphFont&, int&) {}
  void fitRows();

 private:
  void layoutTitle(const GlyphFont& font, int& room);
  float sharedCellWidth() const;

  std::vector<TitleCell> title_;
  std::string footer_;
  CListDisplay list_;
  int pressedCell_ = -1;
  bool draggingSlider_ = false;
};

}  // namespace skyloom
