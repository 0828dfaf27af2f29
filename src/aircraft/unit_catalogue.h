#pragma once
// UnitCatalogue: the table of mesh names a group template's members name by index, resolved
// against the ModelLibrary at start-up, and the group templates themselves: rows of members,
// each a unit type or a reference to another row (a nested group), with an offset in the
// group's frame (x across, z along the heading) and the side every group of the row takes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/math.h"

namespace skyloom {

class ModelLibrary;

constexpr std::int32_t kRowReferenceBase = 50000;  // member value 50000 + r names row r
constexpr std::int32_t kEndOfRow = -1;

struct TemplateMember {
  std::int32_t value = kEndOfRow;  // below 50000: a resolved mesh index; 50000 + r: row r
  Vec3 offset;                     // x across, y up, z along the heading
  bool isRow() const { return value >= kRowReferenceBase; }
  int row() const { return value - kRowReferenceBase; }
};

struct TemplateRow {
  std::vector<TemplateMember> members;  // at most kRowWidth
  std::int32_t side = 1;                // 1 or 2
};

class UnitCatalogue {
 public:
  static constexpr std::size_t kNameCount = 179;
  static constexpr std::size_t kMaxRows = 200;
  static constexpr std::size_t kRowWidth = 16;

  // The fixed table of mesh names, in order.
  static const std::array<std::string_view, kNameCount>& names();

  // Resolves the names against models and builds the rows.
  explicit UnitCatalogue(const ModelLibrary& models);

  // The resolved mesh index of name-table entry i (0 when the mesh is absent).
  std::int32_t type(std::size_t i) const { return types_[i]; }
  std::size_t rowCount() const { return rows_.size(); }
  // Row r; an empty row for an r out of range.
  const TemplateRow& row(int r) const;

  // Rows the flight code asks for by purpose.
  int startingRow = 0;
  int escortRow = 0;
  int airlinerRow = 0;
  int helicopterRow = 0;
  int trainingRow = 0;
  int leisureRow = 0;

 private:
  std::array<std::int32_t, kNameCount> types_{};
  std::vector<TemplateRow> rows_;
};

}  // namespace skyloom
