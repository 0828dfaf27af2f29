#pragma once
// UnitCatalogue: the table of mesh names a group template's members name by index, resolved
// against the ModelLibrary at start-up, and the group templates themselves: rows of members,
// each a unit type or a reference to another row (a nested group), with an offset in the
// group's frame (x across, z along the heading) and the side every group of the row takes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "aircraft/model_library.h"
#include "core/math.h"

namespace skyloom {

constexpr std::int32_t kRowReferenceBase = 50000;  // member value 50000 + r names row r
constexpr std::int32_t kEndOfRow = -1;

struct TemplateMember {
  std::int32_t value = kEndOfRow;  // below 50000: a resolved mesh index; 50000 + r: row r
  Vec3 offset;                     // x across, y up, z along the heading (+z ahead)
  bool isRow() const { return value >= kRowReferenceBase; }
  int row() const { return value - kRowReferenceBase; }
};

struct TemplateRow {
  std::vector<TemplateMember> members;  // at most kRowWidth
  std::int32_t side = 1;                // 1 or 2
};

// A row as the template table in the source writes it, before the names are resolved: a unit
// member names an entry of the name table, a row member another row of the same table.
struct MemberDef {
  bool isRow = false;
  std::int32_t index = 0;  // name-table entry, or row number
  float x = 0, y = 0, z = 0;
};

constexpr std::size_t kTemplateRowWidth = 16;

struct RowDef {
  std::int32_t id = 0;  // must equal the row's position in its table
  std::int32_t side = 1;
  std::size_t count = 0;
  std::array<MemberDef, kTemplateRowWidth> members{};
};

enum class RowTableFault {
  none,
  tooManyRows,   // more rows than the catalogue holds
  misnumbered,   // a row's id is not its position
  badWidth,      // no members, or more than a row holds
  badSide,       // neither 1 nor 2
  unknownName,   // a unit member beyond the name table
  missingRow,    // a reference to a row the table does not have
  cycle,         // a row that reaches itself through its references
};

// Checks a template table; constexpr so that the catalogue's own table is checked while it
// compiles. A group is built by following references, so a dangling one would read past the
// table and a cycle would never end.
constexpr RowTableFault checkRowTable(std::span<const RowDef> rows, std::size_t nameCount,
                                      std::size_t maxRows) {
  if (rows.size() > maxRows) return RowTableFault::tooManyRows;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const RowDef& row = rows[r];
    if (row.id != static_cast<std::int32_t>(r)) return RowTableFault::misnumbered;
    if (row.count == 0 || row.count > kTemplateRowWidth) return RowTableFault::badWidth;
    if (row.side != 1 && row.side != 2) return RowTableFault::badSide;
    for (std::size_t m = 0; m < row.count; ++m) {
      const MemberDef& member = row.members[m];
      if (member.index < 0) return member.isRow ? RowTableFault::missingRow : RowTableFault::unknownName;
      const auto index = static_cast<std::size_t>(member.index);
      if (member.isRow && index >= rows.size()) return RowTableFault::missingRow;
      if (!member.isRow && index >= nameCount) return RowTableFault::unknownName;
    }
  }
  // Settle rows whose references all point at settled rows until nothing changes; a row left
  // unsettled lies on or leads into a cycle.
  std::array<bool, 256> settled{};
  if (rows.size() > settled.size()) return RowTableFault::tooManyRows;
  for (bool progress = true; progress;) {
    progress = false;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (settled[r]) continue;
      bool ready = true;
      for (std::size_t m = 0; m < rows[r].count && ready; ++m) {
        const MemberDef& member = rows[r].members[m];
        ready = !member.isRow || settled[static_cast<std::size_t>(member.index)];
      }
      if (ready) settled[r] = progress = true;
    }
  }
  for (std::size_t r = 0; r < rows.size(); ++r)
    if (!settled[r]) return RowTableFault::cycle;
  return RowTableFault::none;
}

class UnitCatalogue {
 public:
  static constexpr std::size_t kNameCount = 179;
  static constexpr std::size_t kMaxRows = 200;
  static constexpr std::size_t kRowWidth = kTemplateRowWidth;

  // Answers the mesh index of a name, 0 when absent (ModelLibrary::find).
  using MeshLookup = std::function<int(std::string_view)>;

  // The fixed table of mesh names, in order.
  static const std::array<std::string_view, kNameCount>& names();
  // The template table as written, before resolution.
  static std::span<const RowDef> rowTable();

  // Resolves the names against models and builds the rows.
  explicit UnitCatalogue(const ModelLibrary& models)
      : UnitCatalogue(MeshLookup([&models](std::string_view name) { return models.find(name); })) {}
  // The same with any lookup; an answer that is not a plain mesh index (negative, or large
  // enough to read as a row reference) counts as absent.
  explicit UnitCatalogue(const MeshLookup& find);

  // The resolved mesh index of name-table entry i (0 when the mesh is absent or i is out of
  // range).
  std::int32_t type(std::size_t i) const { return i < types_.size() ? types_[i] : 0; }
  std::size_t rowCount() const { return rows_.size(); }
  // Row r; an empty row for an r out of range.
  const TemplateRow& row(int r) const;

  // Rows the flight code asks for by purpose. The starting row is the scene's first group;
  // the default chosen-aircraft list names its unit members in depth-first order.
  int startingRow = 0;
  int escortRow = 0;
  int airlinerRow = 0;
  int helicopterRow = 0;
  int trainingRow = 0;
  int leisureRow = 0;
  int groundRow = 0;

 private:
  std::array<std::int32_t, kNameCount> types_{};
  std::vector<TemplateRow> rows_;
};

}  // namespace skyloom
