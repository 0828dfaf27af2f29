#include "ui/widget_list.h"

#include <algorithm>
#include <cmath>

#include "resources/glyph_font.h"
#include "ui/layout_record.h"
#include "ui/widget_manager.h"
#include "ui/window_messages.h"

namespace skyloom {

namespace {
constexpr const char* kListKey = "savecblistdisplay";
constexpr const char* kSliderKey = "savecblistdisplayslider";
constexpr int kWheelRows = 3;

void merge(std::vector<int>& a, std::vector<int>& tmp, std::size_t lo, std::size_t mid, std::size_t hi,
           const std::function<bool(int, int)>& less) {
  std::size_t i = lo, j = mid, k = lo;
  // Taking from the left run unless the right one is strictly smaller keeps equal keys in order.
  while (i < mid && j < hi) tmp[k++] = less(a[j], a[i]) ? a[j++] : a[i++];
  while (i < mid) tmp[k++] = a[i++];
  while (j < hi) tmp[k++] = a[j++];
  std::copy(tmp.begin() + static_cast<std::ptrdiff_t>(lo), tmp.begin() + static_cast<std::ptrdiff_t>(hi),
            a.begin() + static_cast<std::ptrdiff_t>(lo));
}
}  // namespace

// Bottom-up, so a list of any length needs no recursion.
void stableMergeSort(std::vector<int>& items, const std::function<bool(int, int)>& less) {
  const std::size_t n = items.size();
  std::vector<int> tmp(n);
  for (std::size_t width = 1; width < n; width *= 2) {
    for (std::size_t lo = 0; lo + width < n; lo += 2 * width) {
      merge(items, tmp, lo, lo + width, std::min(lo + 2 * width, n), less);
    }
  }
}

// ---- slider

void CListDisplaySlider::setPosition(float p) { position_ = std::isfinite(p) ? std::clamp(p, 0.0f, 1.0f) : 0.0f; }

float CListDisplaySlider::positionAt(float along, float length) const {
  const float thumbLength = length * thumb_;
  const float travel = length - thumbLength;
  if (travel <= 0.0f) return 0.0f;
  return std::clamp((along - thumbLength * 0.5f) / travel, 0.0f, 1.0f);
}

void CListDisplaySlider::layout(WidgetQuads& quads, float x, float y, float length) const {
  quads.rect(x, y, kWidth, length, colourTrack);
  const float thumbLength = std::max(length * thumb_, kWidth);
  const float top = y - (length - thumbLength) * position_;
  quads.rect(QuadLayer::Plain, x + 0.06f, top, kWidth - 0.12f, thumbLength, colourThumb, darker(colourThumb));
  quads.frame(x, y, kWidth, length, 0.03f, colourFrame);
}

void CListDisplaySlider::save(Bytes& out) const {
  RecordWriter w(out);
  const std::size_t at = beginEntry(w, kSliderKey);
  w.f32(position_);
  for (std::uint32_t c : {colourTrack, colourThumb, colourFrame}) w.u32(c);
  endEntry(w, at);
}

void CListDisplaySlider::load(ByteSpan in) {
  RecordReader r(in);
  const float p = r.f32();
  const std::uint32_t c[3] = {r.u32(), r.u32(), r.u32()};
  if (r.failed()) return;
  setPosition(p);
  colourTrack = c[0];
  colourThumb = c[1];
  colourFrame = c[2];
}

// ---- list display

void CListDisplay::setColumns(std::vector<ListColumn> columns) { columns_ = std::move(columns); }

void CListDisplay::setRows(std::vector<ListRow> rows) {
  rows_ = std::move(rows);
  view_.resize(rows_.size());
  for (std::size_t i = 0; i < view_.size(); ++i) view_[i] = static_cast<int>(i);
  if (sortedColumn_ >= 0) sortBy(sortedColumn_, columns_[static_cast<std::size_t>(sortedColumn_)].direction);
  first_ = std::clamp(first_, 0, std::max(0, static_cast<int>(rows_.size()) - visible_));
  syncSlider();
  if (pendingScroll_ >= 0.0f && !rows_.empty()) {
    scrollTo(pendingScroll_);
    pendingScroll_ = -1.0f;
  }
}

void CListDisplay::restoreScroll(float position) {
  if (rows_.empty()) {
    pendingScroll_ = position;
  } else {
    scrollTo(position);
  }
}

void CListDisplay::sortBy(int column, int direction) {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return;
  ListColumn& c = columns_[static_cast<std::size_t>(column)];
  c.direction = direction < 0 ? -1 : 1;
  sortedColumn_ = column;
  for (std::size_t i = 0; i < view_.size(); ++i) view_[i] = static_cast<int>(i);
  const auto& rows = rows_;
  const SortField field = c.field;
  const bool down = c.direction < 0;
  stableMergeSort(view_, [&rows, field, down](int a, int b) {
    const ListRow& ra = rows[static_cast<std::size_t>(a)];
    const ListRow& rb = rows[static_cast<std::size_t>(b)];
    if (field == SortField::Value) return down ? rb.value < ra.value : ra.value < rb.value;
    if (field == SortField::Number) return down ? rb.number < ra.number : ra.number < rb.number;
    return false;
  });
}

void CListDisplay::toggleSort(int column) {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return;
  const int d = columns_[static_cast<std::size_t>(column)].direction;
  sortBy(column, d > 0 ? -1 : 1);
}

void CListDisplay::setVisibleRows(int n) {
  visible_ = std::max(1, n);
  scroll(0);
}

void CListDisplay::scroll(int rows) {
  const int last = std::max(0, static_cast<int>(rows_.size()) - visible_);
  first_ = std::clamp(first_ + rows, 0, last);
  syncSlider();
}

void CListDisplay::scrollTo(float position) {
  const int last = std::max(0, static_cast<int>(rows_.size()) - visible_);
  slider_.setPosition(position);
  first_ = static_cast<int>(std::lround(slider_.position() * static_cast<float>(last)));
  syncSlider();
}

void CListDisplay::syncSlider() {
  const int total = static_cast<int>(rows_.size());
  const int last = std::max(0, total - visible_);
  slider_.setThumb(total > 0 ? std::min(1.0f, static_cast<float>(visible_) / static_cast<float>(total)) : 1.0f);
  slider_.setPosition(last > 0 ? static_cast<float>(first_) / static_cast<float>(last) : 0.0f);
}

void CListDisplay::layout(WidgetQuads& quads, const GlyphFont& font, float x, float y, float width, float rowHeight,
                          float textHeight, int& room) const {
  const float rowsWidth = width - CListDisplaySlider::kWidth - 0.1f;
  const int end = std::min(static_cast<int>(rows_.size()), first_ + visible_);
  float top = y;
  for (int i = first_; i < end; ++i, top -= rowHeight) {
    quads.rect(x, top, rowsWidth, rowHeight, (i & 1) ? colourRowAlt : colourRow);
    float left = x + 0.1f;
    const float pad = (rowHeight - textHeight) * 0.5f;
    for (std::size_t c = 0; c < std::max<std::size_t>(1, columns_.size()); ++c) {
      const float w = c < columns_.size() && columns_[c].width > 0.0f ? columns_[c].width : x + rowsWidth - left;
      quads.text(font, left, top - pad, textHeight, shown(i).text, colourText, left + w - 0.1f, room);
      left += w;
    }
  }
  slider_.layout(quads, x + width - CListDisplaySlider::kWidth, y, rowHeight * static_cast<float>(visible_));
}

void CListDisplay::save(Bytes& out) const {
  RecordWriter w(out);
  const std::size_t at = beginEntry(w, kListKey);
  for (const ListColumn& c : columns_) {
    w.f32(c.width);
    w.i32(static_cast<std::int32_t>(c.field));
    w.i32(c.direction);
  }
  for (std::uint32_t c : {colourRow, colourRowAlt, colourText}) w.u32(c);
  endEntry(w, at);
}

// The columns are the owner's: only their widths and sort directions are taken, and only when
// the stored column count matches.
void CListDisplay::load(ByteSpan in) {
  const std::size_t columnBytes = 12 * columns_.size();
  if (in.size() != columnBytes + 12) return;
  RecordReader r(in);
  std::vector<ListColumn> stored(columns_.size());
  for (ListColumn& c : stored) {
    c.width = r.f32();
    c.field = static_cast<SortField>(r.i32());
    c.direction = r.i32();
  }
  colourRow = r.u32();
  colourRowAlt = r.u32();
  colourText = r.u32();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (std::isfinite(stored[i].width) && stored[i].width >= 0.0f && stored[i].width < 1000.0f) {
      columns_[i].width = stored[i].width;
    }
    if (stored[i].direction != 0 && columns_[i].field != SortField::None)
      sortBy(static_cast<int>(i), stored[i].direction);
  }
}

// ---- the list panel

void CButtonList::setTitle(std::vector<TitleCell> cells) {
  title_ = std::move(cells);
  dirty_ = true;
}

void CButtonList::setFooter(std::string_view footer) {
  footer_.assign(footer);
  dirty_ = true;
}

void CButtonList::fitRows() {
  const float rows = (listBottom() - listTop()) / rowHeight();
  list_.setVisibleRows(static_cast<int>(std::floor(std::max(1.0f, rows))));
}

// Cells without a width of their own share what the others leave of the title row.
float CButtonList::sharedCellWidth() const {
  float fixed = 0.0f;
  int shared = 0;
  for (const TitleCell& c : title_) c.width > 0.0f ? fixed += c.width : ++shared;
  return shared ? std::max(0.0f, width - 2 * kMargin - fixed) / static_cast<float>(shared) : 0.0f;
}

int CButtonList::titleCellAt(float lx, float ly) const {
  if (ly < kMargin || ly > kMargin + rowHeight() || title_.empty()) return -1;
  const float share = sharedCellWidth();
  float left = kMargin;
  for (std::size_t i = 0; i < title_.size(); ++i) {
    const float w = title_[i].width > 0.0f ? title_[i].width : share;
    if (lx >= left && lx < left + w) return static_cast<int>(i);
    left += w;
  }
  return -1;
}

int CButtonList::partAt(float lx, float ly) const {
  if (ly >= kMargin && ly <= kMargin + rowHeight()) return 1;
  if (hasRows() && ly >= listTop() && ly <= listBottom()) {
    return lx >= width - kMargin - CListDisplaySlider::kWidth && lx <= width - kMargin ? 3 : 2;
  }
  return 0;
}

void CButtonList::act(int action) {
  if (action == kClose) {
    show(false);
  } else if (action == kSortFirstColumn) {
    list_.toggleSort(0);
    dirty_ = true;
  }
}

bool CButtonList::onMouse(const WidgetMouse& m) {
  switch (m.message) {
    case kWmLButtonDown: {
      const int part = partAt(m.localX, m.localY);
      if (part == 3 && hasRows()) {
        draggingSlider_ = true;
        list_.scrollTo(list_.slider().positionAt(m.localY - listTop(), rowHeight() * list_.visibleRows()));
        dirty_ = true;
        flags |= kWidgetLeftDown;
        return true;
      }
      const int cell = part == 1 ? titleCellAt(m.localX, m.localY) : -1;
      if (cell >= 0 && title_[static_cast<std::size_t>(cell)].action != kNoAction) {
        pressedCell_ = cell;
        flags |= kWidgetLeftDown;
        return true;
      }
      return Widget::onMouse(m);
    }
    case kWmMouseMove:
      if (draggingSlider_ && m.left) {
        list_.scrollTo(list_.slider().positionAt(m.localY - listTop(), rowHeight() * list_.visibleRows()));
        dirty_ = true;
        return true;
      }
      if (pressedCell_ >= 0 && m.left) return true;
      return Widget::onMouse(m);
    case kWmLButtonUp: {
      const int pressed = pressedCell_;
      const bool slider = draggingSlider_;
      pressedCell_ = -1;
      draggingSlider_ = false;
      if (pressed >= 0 || slider) {
        flags &= ~(kWidgetLeftDown | kWidgetMovedLeft);
        if (pressed >= 0 && titleCellAt(m.localX, m.localY) == pressed)
          act(title_[static_cast<std::size_t>(pressed)].action);
        return (flags & kWidgetRightDown) != 0;
      }
      // A list panel has no alternate display: letting go ends a move and nothing else.
      flags &= ~(kWidgetLeftDown | kWidgetMovedLeft);
      return (flags & kWidgetRightDown) != 0;
    }
    case kWmMouseWheel:
      if (hasRows()) {
        list_.scroll(-m.wheel * kWheelRows);
        dirty_ = true;
      }
      return false;
    default:
      return Widget::onMouse(m);
  }
}

std::vector<std::uint32_t*> CButtonList::coloursAt(float lx, float ly) {
  switch (partAt(lx, ly)) {
    case 1:
      return {&colourHeader, &colourHeaderText};
    case 2:
      return {&list_.colourRow, &list_.colourRowAlt, &list_.colourText};
    case 3: {
      CListDisplaySlider& s = list_.slider();
      return {&s.colourTrack, &s.colourThumb, &s.colourFrame};
    }
    default:
      return Widget::coloursAt(lx, ly);
  }
}

void CButtonList::layoutTitle(const GlyphFont& font, int& room) {
  const float rh = rowHeight(), th = textHeight();
  const float top = -kMargin;
  quads_.rect(QuadLayer::Plain, kMargin, top, width - 2 * kMargin, rh, colourHeader, darker(colourHeader));
  const float share = sharedCellWidth();
  float left = kMargin;
  for (const TitleCell& c : title_) {
    const float w = c.width > 0.0f ? c.width : share;
    if (c.action != kNoAction) quads_.frame(left + 0.05f, top - 0.05f, w - 0.1f, rh - 0.1f, 0.03f, colourHeaderText);
    // Buttons centre their text; the other cells start at their left edge.
    const float tw = textWidth(font, c.text, th);
    const float tx = c.action != kNoAction ? left + std::max(0.1f, (w - tw) * 0.5f) : left + 0.15f;
    quads_.text(font, tx, top - (rh - th) * 0.5f, th, c.text, colourHeaderText, left + w - 0.05f, room);
    left += w;
  }
}

void CButtonList::layout(const GlyphFont& font) {
  layoutPanel();
  int room = capacity > 0 ? capacity : 0x7FFFFFFF;
  layoutTitle(font, room);
  if (hasRows()) {
    fitRows();
    // The rows have their own room: the capacity counts the panel's own texts.
    int rowRoom = 0x7FFFFFFF;
    list_.layout(quads_, font, kMargin, -listTop(), width - 2 * kMargin, rowHeight(), textHeight(), rowRoom);
  } else {
    layoutContent(font, room);
  }
  if (!footer_.empty()) {
    const float th = textHeight();
    quads_.text(font, kMargin + 0.1f, -(height - kMargin - rowHeight() + (rowHeight() - th) * 0.5f), th, footer_,
                colourText, width - kMargin, room);
  }
  dirty_ = false;
}

// After the plain state: the list display's entry, then its slider's.
void CButtonList::saveState(Bytes& out) const {
  Widget::saveState(out);
  list_.save(out);
  list_.slider().save(out);
}

bool CButtonList::loadState(ByteSpan in) {
  if (!Widget::loadState(in)) return false;
  RecordReader r(in.subspan(kStateBytes));
  std::string_view key;
  ByteSpan state;
  while (r.remaining() > 0 && readEntry(r, key, state)) {
    if (key == kListKey) {
      list_.load(state);
    } else if (key == kSliderKey) {
      list_.slider().load(state);
      fitRows();
      list_.restoreScroll(list_.slider().position());
    }
  }
  return true;
}

}  // namespace skyloom
