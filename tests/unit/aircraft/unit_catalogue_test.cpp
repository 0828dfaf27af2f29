#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "aircraft/unit_catalogue.h"
#include "config/aircraft_settings.h"

namespace skyloom {
namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Every name resolves to its own mesh index (entry + 3, past the three built-in meshes), so a
// member's value leads back to its name.
constexpr int kFirstMesh = 3;
UnitCatalogue everyMeshPresent() {
  return UnitCatalogue([](std::string_view name) {
    const auto& names = UnitCatalogue::names();
    const auto at = std::find(names.begin(), names.end(), name);
    return at == names.end() ? 0 : static_cast<int>(at - names.begin()) + kFirstMesh;
  });
}

std::string meshOf(const TemplateMember& m) {
  return std::string(UnitCatalogue::names().at(static_cast<std::size_t>(m.value - kFirstMesh)));
}

struct Placed {
  std::string mesh;
  float x = 0, z = 0;
  int side = 0;  // of the row the unit belongs to
};

// The unit members of row r, depth first, at the offsets summed along their nesting (the
// heading turns every level's offset the same way, so sums in the row frame are the layout).
void expand(const UnitCatalogue& c, int r, float x, float z, int depth, std::vector<Placed>& out) {
  ASSERT_LT(depth, 50) << "row " << r << " nests too deep";
  const TemplateRow& row = c.row(r);
  for (const TemplateMember& m : row.members) {
    if (m.isRow()) {
      expand(c, m.row(), x + m.offset.x, z + m.offset.z, depth + 1, out);
    } else {
      out.push_back({meshOf(m), x + m.offset.x, z + m.offset.z, row.side});
    }
  }
}

std::vector<Placed> expand(const UnitCatalogue& c, int r) {
  std::vector<Placed> out;
  expand(c, r, 0, 0, 0, out);
  return out;
}

const std::set<std::string> kFleet = {"biplane",  "mplane",     "trainer",  "transport", "fighter",
                                      "airliner", "helicopter", "seaplane", "glider"};

TEST(UnitCatalogueNames, HoldTheFixedEntriesTheFleetAndFitTheMeshNameField) {
  const auto& names = UnitCatalogue::names();
  ASSERT_EQ(names.size(), 179u);
  const std::vector<std::string_view> first = {"107.x", "122.x",     "130RCKET.x", "152.x",
                                               "155.x", "2_tower.x", "3_tower.x"};
  EXPECT_TRUE(std::equal(first.begin(), first.end(), names.begin()));
  // The last 68: "NAME1.x", then "name2.x" to "name68.x".
  const std::size_t last = 179 - 68;
  EXPECT_EQ(names[last], "NAME1.x");
  for (std::size_t i = 2; i <= 68; ++i) EXPECT_EQ(names[last + i - 1], "name" + std::to_string(i) + ".x");

  std::set<std::string> seen;
  for (const std::string_view name : names) {
    EXPECT_LE(name.size(), 15u) << name;  // 16 chars with the NUL
    EXPECT_TRUE(seen.insert(lower(name)).second) << "twice: " << name;
  }
  for (const std::string& type : kFleet) EXPECT_TRUE(seen.count(type + ".x")) << type;
}

TEST(UnitCatalogueResolution, AsksEveryNameOnceAndKeepsAbsentMeshesAsUnitsOfMeshZero) {
  // A library with a few meshes, found regardless of case.
  const std::map<std::string, int> library = {{"biplane.x", 3}, {"fighter.x", 7}, {"107.x", 4}, {"name68.x", 9}};
  std::vector<std::string> asked;
  const UnitCatalogue c([&](std::string_view name) {
    asked.emplace_back(name);
    const auto hit = library.find(lower(name));
    return hit == library.end() ? 0 : hit->second;
  });
  ASSERT_EQ(asked.size(), 179u);
  EXPECT_TRUE(std::equal(asked.begin(), asked.end(), UnitCatalogue::names().begin()));

  EXPECT_EQ(c.type(0), 4);
  EXPECT_EQ(c.type(178), 9);
  EXPECT_EQ(c.type(1), 0);
  EXPECT_EQ(c.type(179), 0);  // past the table
  EXPECT_EQ(c.type(static_cast<std::size_t>(-1)), 0);

  // Rows carry the resolved indices: row 0 is three fighters.
  for (const TemplateMember& m : c.row(0).members) EXPECT_EQ(m.value, 7);
  // A mesh that is absent stays a unit member (of mesh 0), never the end marker or a row.
  const TemplateMember& trainer = c.row(c.trainingRow).members.front();
  EXPECT_EQ(trainer.value, 0);
  EXPECT_FALSE(trainer.isRow());
  EXPECT_EQ(c.row(c.trainingRow).members.size(), 3u);
}

TEST(UnitCatalogueResolution, AnswersThatAreNotMeshIndicesCountAsAbsent) {
  // An index that would read as a row reference, the end marker or any negative value.
  for (const int answer : {50000, 50001, 99999, -1, -7}) {
    const UnitCatalogue c([answer](std::string_view) { return answer; });
    for (std::size_t i = 0; i < 179; ++i) ASSERT_EQ(c.type(i), 0) << answer;
    EXPECT_FALSE(c.row(0).members.front().isRow());
  }
  const UnitCatalogue none{UnitCatalogue::MeshLookup{}};
  EXPECT_EQ(none.type(5), 0);
  EXPECT_EQ(none.row(1).members.size(), 4u);
}

TEST(UnitCatalogueRows, FirstThreeBuildTheNestedFormationsExactly) {
  const UnitCatalogue c = everyMeshPresent();
  auto expectRow = [&](int r, std::vector<std::pair<std::string, Vec3>> want) {
    const TemplateRow& row = c.row(r);
    EXPECT_EQ(row.side, 1);
    ASSERT_EQ(row.members.size(), want.size()) << "row " << r;
    for (std::size_t i = 0; i < want.size(); ++i) {
      const TemplateMember& m = row.members[i];
      EXPECT_EQ(m.isRow() ? "row " + std::to_string(m.row()) : meshOf(m), want[i].first) << r << "/" << i;
      EXPECT_EQ(m.offset.x, want[i].second.x) << r << "/" << i;
      EXPECT_EQ(m.offset.y, 0.0f) << r << "/" << i;
      EXPECT_EQ(m.offset.z, want[i].second.z) << r << "/" << i;
    }
  };
  expectRow(0, {{"fighter.x", {0, 0, 0}}, {"fighter.x", {-30, 0, 0}}, {"fighter.x", {30, 0, 0}}});
  expectRow(1, {{"fighter.x", {0, 0, 0}}, {"row 0", {0, 0, 50}}, {"row 0", {-100, 0, -50}}, {"row 0", {100, 0, -50}}});
  expectRow(2,
            {{"fighter.x", {0, 0, 0}}, {"row 1", {0, 0, 300}}, {"row 1", {-500, 0, -300}}, {"row 1", {500, 0, -300}}});
  EXPECT_EQ(c.row(1).members[1].value, 50000);
  EXPECT_EQ(expand(c, 2).size(), 31u);

  // Out of range: an empty row.
  EXPECT_TRUE(c.row(-1).members.empty());
  EXPECT_TRUE(c.row(static_cast<int>(c.rowCount())).members.empty());
  EXPECT_TRUE(c.row(50000).members.empty());
}

TEST(UnitCatalogueRows, TableHasValidWidthsSidesAndReferencesAndNoCycles) {
  const UnitCatalogue c = everyMeshPresent();
  EXPECT_GE(c.rowCount(), 90u);
  EXPECT_LE(c.rowCount(), UnitCatalogue::kMaxRows);
  std::set<int> sides;
  for (int r = 0; r < static_cast<int>(c.rowCount()); ++r) {
    const TemplateRow& row = c.row(r);
    EXPECT_GE(row.members.size(), 1u) << r;
    EXPECT_LE(row.members.size(), 16u) << r;
    EXPECT_TRUE(row.side == 1 || row.side == 2) << r;
    sides.insert(row.side);
    for (const TemplateMember& m : row.members) {
      if (m.isRow()) {
        EXPECT_LT(m.row(), static_cast<int>(c.rowCount())) << r;
      } else {
        EXPECT_GE(m.value, kFirstMesh) << r;  // every member names a mesh of the table
      }
    }
  }
  EXPECT_EQ(sides, (std::set<int>{1, 2}));

  // No row reaches itself: walk every path keeping the rows on it.
  std::vector<int> path;
  std::function<bool(int)> acyclic = [&](int r) {
    if (std::find(path.begin(), path.end(), r) != path.end()) return false;
    path.push_back(r);
    bool ok = true;
    for (const TemplateMember& m : c.row(r).members)
      if (m.isRow() && !acyclic(m.row())) ok = false;
    path.pop_back();
    return ok;
  };
  for (int r = 0; r < static_cast<int>(c.rowCount()); ++r) EXPECT_TRUE(acyclic(r)) << "row " << r;
}

TEST(UnitCatalogueRows, TheTableCheckRejectsEveryKindOfBadTable) {
  auto unitAt = [](int entry) { return MemberDef{false, entry, 0, 0, 0}; };
  auto rowAt = [](int r) { return MemberDef{true, r, 0, 0, 0}; };
  auto def = [](int id, int side, std::vector<MemberDef> members) {
    RowDef s;
    s.id = id;
    s.side = side;
    s.count = members.size();
    for (std::size_t i = 0; i < members.size() && i < s.members.size(); ++i) s.members[i] = members[i];
    return s;
  };
  auto check = [](std::vector<RowDef> rows) { return checkRowTable(rows, 10, 200); };

  // A valid nested table: row 2 uses row 0 twice and row 1, which uses row 0.
  EXPECT_EQ(check({def(0, 1, {unitAt(1)}), def(1, 2, {unitAt(2), rowAt(0)}),
                   def(2, 1, {rowAt(0), rowAt(1), rowAt(0)})}),
            RowTableFault::none);
  // A reference may point forward too.
  EXPECT_EQ(check({def(0, 1, {rowAt(1)}), def(1, 1, {unitAt(0)})}), RowTableFault::none);

  EXPECT_EQ(check({def(1, 1, {unitAt(1)})}), RowTableFault::misnumbered);
  EXPECT_EQ(check({def(0, 1, {})}), RowTableFault::badWidth);
  EXPECT_EQ(check({def(0, 1, std::vector<MemberDef>(17, unitAt(1)))}), RowTableFault::badWidth);
  EXPECT_EQ(check({def(0, 1, std::vector<MemberDef>(16, unitAt(1)))}), RowTableFault::none);
  EXPECT_EQ(check({def(0, 0, {unitAt(1)})}), RowTableFault::badSide);
  EXPECT_EQ(check({def(0, 3, {unitAt(1)})}), RowTableFault::badSide);
  EXPECT_EQ(check({def(0, 1, {unitAt(10)})}), RowTableFault::unknownName);
  EXPECT_EQ(check({def(0, 1, {unitAt(-1)})}), RowTableFault::unknownName);
  EXPECT_EQ(check({def(0, 1, {rowAt(1)})}), RowTableFault::missingRow);
  EXPECT_EQ(check({def(0, 1, {rowAt(-1)})}), RowTableFault::missingRow);
  EXPECT_EQ(check({def(0, 1, {unitAt(1), rowAt(0)})}), RowTableFault::cycle);
  EXPECT_EQ(check({def(0, 1, {rowAt(1)}), def(1, 1, {unitAt(1), rowAt(0)})}), RowTableFault::cycle);
  // A row that only leads into a cycle elsewhere.
  EXPECT_EQ(check({def(0, 1, {rowAt(1)}), def(1, 1, {rowAt(2)}), def(2, 1, {rowAt(1)})}), RowTableFault::cycle);
  EXPECT_EQ(checkRowTable(std::vector<RowDef>(3, def(0, 1, {unitAt(1)})), 10, 2), RowTableFault::tooManyRows);

  EXPECT_EQ(checkRowTable(UnitCatalogue::rowTable(), UnitCatalogue::kNameCount, UnitCatalogue::kMaxRows),
            RowTableFault::none);
}

TEST(UnitCatalogueRows, MembersOfEveryFormationKeepASpanAndAHalfApart) {
  // Approximate spans of the fleet and lengths of the ground objects the rows use.
  const std::map<std::string, float> size = {
      {"biplane.x", 9},   {"mplane.x", 11},      {"trainer.x", 10},  {"glider.x", 15},       {"seaplane.x", 12},
      {"helicopter.x", 11}, {"fighter.x", 10},   {"transport.x", 29}, {"airliner.x", 35},   {"truck.x", 8},
      {"tank.x", 8},      {"jeep.x", 5},         {"apc.x", 7},       {"aagun.x", 6},         {"radar.x", 10},
      {"antenna.x", 6},   {"bunker.x", 10},      {"searchlight.x", 3}, {"controltower.x", 12}, {"hangar.x", 40},
      {"hangar2.x", 40},  {"fueltank.x", 15},    {"windsock.x", 2},  {"107.x", 8},           {"122.x", 8},
      {"130RCKET.x", 8},  {"152.x", 10},         {"155.x", 10},      {"2_tower.x", 10},      {"3_tower.x", 10},
      {"4_tower.x", 10}};
  const UnitCatalogue c = everyMeshPresent();
  for (int r = 0; r < static_cast<int>(c.rowCount()); ++r) {
    const std::vector<Placed> units = expand(c, r);
    for (std::size_t i = 0; i < units.size(); ++i) {
      ASSERT_TRUE(size.count(units[i].mesh)) << "row " << r << " uses " << units[i].mesh;
      for (std::size_t j = i + 1; j < units.size(); ++j) {
        const float apart = std::hypot(units[i].x - units[j].x, units[i].z - units[j].z);
        const float needed = 1.5f * std::max(size.at(units[i].mesh), size.at(units[j].mesh));
        EXPECT_GE(apart, needed) << "row " << r << ": " << units[i].mesh << " " << i << " and " << units[j].mesh
                                 << " " << j;
      }
    }
  }
}

TEST(UnitCatalogueRows, StartingFormationTakesTheDefaultFleetInItsOwnOrder) {
  const UnitCatalogue c = everyMeshPresent();
  const std::vector<Placed> units = expand(c, c.startingRow);
  const auto fleet = AircraftSettings::defaultAircraft();
  ASSERT_EQ(units.size(), fleet.size());
  EXPECT_GE(units.size(), 16u);
  EXPECT_LE(units.size(), 24u);
  std::set<std::string> types;
  std::set<int> sides;
  for (std::size_t i = 0; i < units.size(); ++i) {
    EXPECT_EQ(units[i].mesh, std::string(fleet[i]) + ".x") << "slot " << i;
    EXPECT_TRUE(kFleet.count(std::string(fleet[i]))) << fleet[i];
    types.insert(std::string(fleet[i]));
    sides.insert(units[i].side);
  }
  EXPECT_EQ(types, kFleet);  // the whole fleet shows
  EXPECT_EQ(sides, (std::set<int>{1, 2}));
  EXPECT_EQ(c.row(c.startingRow).side, 1);
  // The first unit leads: it sits at the formation's origin.
  EXPECT_EQ(units.front().x, 0.0f);
  EXPECT_EQ(units.front().z, 0.0f);
}

TEST(UnitCatalogueRows, NamedRowsHoldWhatTheirNamesSay) {
  const UnitCatalogue c = everyMeshPresent();
  auto meshes = [&](int r) {
    std::vector<std::string> out;
    for (const Placed& p : expand(c, r)) out.push_back(p.mesh);
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(meshes(c.airlinerRow), V{"airliner.x"});
  EXPECT_EQ(meshes(c.escortRow), (V{"airliner.x", "fighter.x", "fighter.x"}));
  EXPECT_EQ(meshes(c.helicopterRow), (V{"helicopter.x", "helicopter.x"}));
  const V training = meshes(c.trainingRow);
  EXPECT_EQ(training.size(), 5u);
  EXPECT_TRUE(std::all_of(training.begin(), training.end(), [](const std::string& m) { return m == "trainer.x"; }));
  EXPECT_EQ(meshes(c.leisureRow), (V{"biplane.x", "seaplane.x", "mplane.x", "glider.x"}));
  for (const std::string& m : meshes(c.groundRow)) EXPECT_FALSE(kFleet.count(m.substr(0, m.size() - 2))) << m;
  EXPECT_EQ(c.row(c.groundRow).side, 2);
}

}  // namespace
}  // namespace skyloom
