#include "aircraft/unit_catalogue.h"

#include <initializer_list>

namespace skyloom {
namespace {

// The meshes group templates and destroyed units are drawn with. The order is fixed: a
// template member names its mesh by position in this table. Artillery and towers first, then
// the fleet's aircraft, further aircraft and ground objects alphabetically, and last the free
// slots "NAME1.x" to "name68.x" for meshes an added aircraft file may bring.
constexpr std::array<std::string_view, UnitCatalogue::kNameCount> kNames = {
    "107.x", "122.x", "130RCKET.x", "152.x", "155.x", "2_tower.x", "3_tower.x", "4_tower.x",
    "aagun.x", "airliner.x", "airship.x", "ambulance.x", "amphibian.x", "antenna.x", "apc.x",
    "autogyro.x", "balloon.x", "barge.x", "barn.x", "barracks.x", "beacon.x", "biplane.x",
    "bizjet.x", "boathouse.x", "bomber.x", "bridge.x", "bulldozer.x", "bunker.x", "bus.x",
    "canard.x", "car.x", "cargoship.x", "chapel.x", "church.x", "controltower.x", "cottage.x",
    "crane.x", "cropduster.x", "dam.x", "delta.x", "depot.x", "dish.x", "dock.x", "factory.x",
    "farmhouse.x", "ferry.x", "fighter.x", "firetruck.x", "flyingboat.x", "fuelpump.x",
    "fueltank.x", "gasholder.x", "glider.x", "granary.x", "gunship.x", "hangar.x", "hangar2.x",
    "helicopter.x", "helipad.x", "house1.x", "house2.x", "house3.x", "hut.x", "jeep.x",
    "jetliner.x", "launcher.x", "lighthouse.x", "locomotive.x", "mast.x", "mill.x", "motorboat.x",
    "motorglider.x", "mplane.x", "office.x", "oilrig.x", "pier.x", "powerline.x", "pylon.x",
    "racer.x", "radar.x", "radar2.x", "railcar.x", "refinery.x", "sailboat.x", "seaplane.x",
    "searchlight.x", "shed.x", "silo.x", "skyscraper.x", "stadium.x", "station.x", "tank.x",
    "tanker.x", "tent.x", "tiltrotor.x", "tractor.x", "trailer.x", "trainer.x", "transport.x",
    "triplane.x", "truck.x", "tug.x", "twinprop.x", "ultralight.x", "van.x", "warehouse.x",
    "waterbomber.x", "watertower.x", "windmill.x", "windsock.x", "yacht.x", "NAME1.x", "name2.x",
    "name3.x", "name4.x", "name5.x", "name6.x", "name7.x", "name8.x", "name9.x", "name10.x",
    "name11.x", "name12.x", "name13.x", "name14.x", "name15.x", "name16.x", "name17.x", "name18.x",
    "name19.x", "name20.x", "name21.x", "name22.x", "name23.x", "name24.x", "name25.x", "name26.x",
    "name27.x", "name28.x", "name29.x", "name30.x", "name31.x", "name32.x", "name33.x", "name34.x",
    "name35.x", "name36.x", "name37.x", "name38.x", "name39.x", "name40.x", "name41.x", "name42.x",
    "name43.x", "name44.x", "name45.x", "name46.x", "name47.x", "name48.x", "name49.x", "name50.x",
    "name51.x", "name52.x", "name53.x", "name54.x", "name55.x", "name56.x", "name57.x", "name58.x",
    "name59.x", "name60.x", "name61.x", "name62.x", "name63.x", "name64.x", "name65.x", "name66.x",
    "name67.x", "name68.x",
};

constexpr std::int32_t entryOf(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (kNames[i] == name) return static_cast<std::int32_t>(i);
  return -1;  // the table check rejects it, so a misspelt name fails the build
}

// Approximate spans the offsets are laid out for (members keep about 1.5 spans apart):
// biplane 9 m, fighter and trainer 10 m, mplane and helicopter rotor 11 m, seaplane 12 m,
// glider 15 m, transport 29 m, airliner 35 m.
constexpr std::int32_t kBiplane = entryOf("biplane.x");
constexpr std::int32_t kMonoplane = entryOf("mplane.x");
constexpr std::int32_t kTrainer = entryOf("trainer.x");
constexpr std::int32_t kTransport = entryOf("transport.x");
constexpr std::int32_t kFighter = entryOf("fighter.x");
constexpr std::int32_t kAirliner = entryOf("airliner.x");
constexpr std::int32_t kHelicopter = entryOf("helicopter.x");
constexpr std::int32_t kSeaplane = entryOf("seaplane.x");
constexpr std::int32_t kGlider = entryOf("glider.x");

// Ground objects: trucks and tanks about 8 m long, guns and launchers 6 to 10 m, hangars 40 m.
constexpr std::int32_t kTruck = entryOf("truck.x");
constexpr std::int32_t kTank = entryOf("tank.x");
constexpr std::int32_t kJeep = entryOf("jeep.x");
constexpr std::int32_t kCarrier = entryOf("apc.x");
constexpr std::int32_t kFlakGun = entryOf("aagun.x");
constexpr std::int32_t kRadar = entryOf("radar.x");
constexpr std::int32_t kAntenna = entryOf("antenna.x");
constexpr std::int32_t kBunker = entryOf("bunker.x");
constexpr std::int32_t kSearchlight = entryOf("searchlight.x");
constexpr std::int32_t kControlTower = entryOf("controltower.x");
constexpr std::int32_t kHangar = entryOf("hangar.x");
constexpr std::int32_t kHangar2 = entryOf("hangar2.x");
constexpr std::int32_t kFuelTank = entryOf("fueltank.x");
constexpr std::int32_t kWindsock = entryOf("windsock.x");
constexpr std::int32_t kRocket107 = entryOf("107.x");
constexpr std::int32_t kRocket122 = entryOf("122.x");
constexpr std::int32_t kRocket130 = entryOf("130RCKET.x");
constexpr std::int32_t kGun152 = entryOf("152.x");
constexpr std::int32_t kGun155 = entryOf("155.x");
constexpr std::int32_t kTower2 = entryOf("2_tower.x");
constexpr std::int32_t kTower3 = entryOf("3_tower.x");
constexpr std::int32_t kTower4 = entryOf("4_tower.x");

// Row numbers: a row's position in kRows, checked against its id.
enum Row : std::int32_t {
  kFighterLineAbreast,
  kFighterVicSquadron,
  kFighterWing,
  kFighterPair,
  kFighterPairSide2,
  kFighterVic,
  kFighterVicSide2,
  kFighterFingerFour,
  kFighterFingerFourSide2,
  kFighterEchelonRight,
  kFighterEchelonLeft,
  kFighterEchelonRightSide2,
  kFighterEchelonLeftSide2,
  kFighterDiamond,
  kFighterDiamondSide2,
  kFighterTrail,
  kFighterTrailSide2,
  kFighterLineOfFour,
  kFighterTwoPairs,
  kFighterTwoPairsSide2,
  kFingerFourSquadron,
  kFingerFourSquadronSide2,
  kVicSquadronBox,
  kVicSquadronBoxSide2,
  kTransportPair,
  kTransportVic,
  kTransportBox,
  kTransportBoxSide2,
  kTransportTrail,
  kTransportStream,
  kEscortedTransportBox,
  kEscortedTransportBoxSide2,
  kLoneAirliner,
  kEscortedAirliner,
  kEscortedAirlinerSide2,
  kAirlinerTrail,
  kAirlinerWithCover,
  kAirlinerEchelon,
  kAirlinerWithTwoPairs,
  kHelicopterPair,
  kHelicopterPairSide2,
  kHelicopterTrail,
  kHelicopterLineSide2,
  kHelicopterTwoPairs,
  kHelicopterSquadron,
  kRescuePair,
  kTrainerPair,
  kTrainerVic,
  kTrainerVicSide2,
  kTrainerLineAbreast,
  kTrainerEchelonRight,
  kTrainerDiamond,
  kTrainerDisplayTeam,
  kTrainingFlight,
  kTrainerSquadron,
  kLoneBiplane,
  kBiplanePair,
  kBiplaneVic,
  kBiplaneVicSide2,
  kBiplaneTrail,
  kMonoplanePair,
  kMonoplaneVicSide2,
  kGliderTow,
  kGliderTowByTrainer,
  kGliderPair,
  kGliderTrioSide2,
  kLoneSeaplane,
  kSeaplanePair,
  kSeaplaneLineSide2,
  kVintagePair,
  kLeisureGroup,
  kLeisureGroupSide2,
  kFlyIn,
  kEscortedTransport,
  kEscortedTransportSide2,
  kChasedHelicopter,
  kStrikePackageSide2,
  kFighterWingOfSquadrons,
  kFighterWingOfSquadronsSide2,
  kTransportWing,
  kFighterArrowhead,
  kFighterVicOfFive,
  kFighterVicOfFiveSide2,
  kTransportEchelonLeftSide2,
  kRaidSide2,
  kCoastalPatrol,
  kTruckConvoySide2,
  kArmourColumnSide2,
  kFlakBatterySide2,
  kRadarSiteSide2,
  kAirfield,
  kRocketBatterySide2,
  kArtilleryBatterySide2,
  kTowerLine,
  kJeepPatrol,
  kGliderTowLine,
  kBiplaneCircusSide2,
  kStartingFormation,
  kRowTotal
};

// x across (positive is what these rows call right), z along the heading (ahead positive), y up:
// a unit member's y is added to the height its target starts at, so trailing members step down
// out of the wake.
constexpr MemberDef unit(std::int32_t entry, float x, float z, float y = 0) {
  return {false, entry, x, y, z};
}
constexpr MemberDef group(Row row, float x, float z) { return {true, row, x, 0, z}; }

constexpr RowDef row(Row id, std::int32_t side, std::initializer_list<MemberDef> members) {
  RowDef def;
  def.id = id;
  def.side = side;
  def.count = members.size();  // a count above the width fails the table check
  std::size_t i = 0;
  for (const MemberDef& m : members)
    if (i < def.members.size()) def.members[i++] = m;
  return def;
}

constexpr RowDef kRows[] = {
    // The pattern the larger formations repeat: three abreast, then a lead with three of them,
    // then a lead with three of those.
    row(kFighterLineAbreast, 1, {unit(kFighter, 0, 0), unit(kFighter, -30, 0), unit(kFighter, 30, 0)}),
    row(kFighterVicSquadron, 1,
        {unit(kFighter, 0, 0), group(kFighterLineAbreast, 0, 50), group(kFighterLineAbreast, -100, -50),
         group(kFighterLineAbreast, 100, -50)}),
    row(kFighterWing, 1,
        {unit(kFighter, 0, 0), group(kFighterVicSquadron, 0, 300), group(kFighterVicSquadron, -500, -300),
         group(kFighterVicSquadron, 500, -300)}),

    // Fighters.
    // A lead with its wingman behind on the right.
    row(kFighterPair, 1, {unit(kFighter, 0, 0), unit(kFighter, 25, -20)}),
    row(kFighterPairSide2, 2, {unit(kFighter, 0, 0), unit(kFighter, 25, -20)}),
    // A vic of three.
    row(kFighterVic, 1, {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, 25, -20)}),
    row(kFighterVicSide2, 2, {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, 25, -20)}),
    // Finger-four: lead and wingman, element lead and its wingman to the right.
    row(kFighterFingerFour, 1,
        {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, 35, -20), unit(kFighter, 60, -40)}),
    row(kFighterFingerFourSide2, 2,
        {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, 35, -20), unit(kFighter, 60, -40)}),
    // Echelons of four, right and left.
    row(kFighterEchelonRight, 1,
        {unit(kFighter, 0, 0), unit(kFighter, 25, -20), unit(kFighter, 50, -40), unit(kFighter, 75, -60)}),
    row(kFighterEchelonLeft, 1,
        {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, -50, -40), unit(kFighter, -75, -60)}),
    row(kFighterEchelonRightSide2, 2,
        {unit(kFighter, 0, 0), unit(kFighter, 25, -20), unit(kFighter, 50, -40), unit(kFighter, 75, -60)}),
    row(kFighterEchelonLeftSide2, 2,
        {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, -50, -40), unit(kFighter, -75, -60)}),
    // Diamond: a vic with a slot man stepped down behind the lead.
    row(kFighterDiamond, 1,
        {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, 25, -20), unit(kFighter, 0, -40, -5)}),
    row(kFighterDiamondSide2, 2,
        {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, 25, -20), unit(kFighter, 0, -40, -5)}),
    // Trail of four, each stepped down below the one ahead.
    row(kFighterTrail, 1,
        {unit(kFighter, 0, 0), unit(kFighter, 0, -35, -5), unit(kFighter, 0, -70, -10),
         unit(kFighter, 0, -105, -15)}),
    row(kFighterTrailSide2, 2,
        {unit(kFighter, 0, 0), unit(kFighter, 0, -35, -5), unit(kFighter, 0, -70, -10),
         unit(kFighter, 0, -105, -15)}),
    // Four abreast, the lead second from the left.
    row(kFighterLineOfFour, 1,
        {unit(kFighter, 0, 0), unit(kFighter, -30, 0), unit(kFighter, 30, 0), unit(kFighter, 60, 0)}),
    // Two pairs, the second behind on the left.
    row(kFighterTwoPairs, 1, {group(kFighterPair, 0, 0), group(kFighterPair, -80, -60)}),
    row(kFighterTwoPairsSide2, 2, {group(kFighterPairSide2, 0, 0), group(kFighterPairSide2, -80, -60)}),
    // A squadron of three finger-fours in a vic.
    row(kFingerFourSquadron, 1,
        {group(kFighterFingerFour, 0, 0), group(kFighterFingerFour, -150, -100),
         group(kFighterFingerFour, 150, -100)}),
    row(kFingerFourSquadronSide2, 2,
        {group(kFighterFingerFourSide2, 0, 0), group(kFighterFingerFourSide2, -150, -100),
         group(kFighterFingerFourSide2, 150, -100)}),
    // A squadron of four vics in a box.
    row(kVicSquadronBox, 1,
        {group(kFighterVic, 0, 0), group(kFighterVic, -100, -70), group(kFighterVic, 100, -70),
         group(kFighterVic, 0, -140)}),
    row(kVicSquadronBoxSide2, 2,
        {group(kFighterVicSide2, 0, 0), group(kFighterVicSide2, -100, -70), group(kFighterVicSide2, 100, -70),
         group(kFighterVicSide2, 0, -140)}),

    // Transports.
    // Two transports in echelon.
    row(kTransportPair, 1, {unit(kTransport, 0, 0), unit(kTransport, 50, -40)}),
    // A vic of three transports.
    row(kTransportVic, 1, {unit(kTransport, 0, 0), unit(kTransport, -50, -40), unit(kTransport, 50, -40)}),
    // A box of four: lead, left, right and slot.
    row(kTransportBox, 1,
        {unit(kTransport, 0, 0), unit(kTransport, -50, -40), unit(kTransport, 50, -40), unit(kTransport, 0, -80)}),
    row(kTransportBoxSide2, 2,
        {unit(kTransport, 0, 0), unit(kTransport, -50, -40), unit(kTransport, 50, -40), unit(kTransport, 0, -80)}),
    // Three transports in trail, stepped down.
    row(kTransportTrail, 1, {unit(kTransport, 0, 0), unit(kTransport, 0, -70, -10), unit(kTransport, 0, -140, -20)}),
    // A stream of two boxes.
    row(kTransportStream, 1, {group(kTransportBox, 0, 0), group(kTransportBox, 0, -250)}),
    // A box with a fighter pair on each side.
    row(kEscortedTransportBox, 1,
        {group(kTransportBox, 0, 0), group(kFighterPair, -140, 20), group(kFighterPair, 140, 20)}),
    row(kEscortedTransportBoxSide2, 2,
        {group(kTransportBoxSide2, 0, 0), group(kFighterPairSide2, -140, 20), group(kFighterPairSide2, 140, 20)}),

    // Airliners.
    // A lone airliner.
    row(kLoneAirliner, 1, {unit(kAirliner, 0, 0)}),
    // An airliner with a fighter off each wing, a little behind.
    row(kEscortedAirliner, 1, {unit(kAirliner, 0, 0), unit(kFighter, -60, -10), unit(kFighter, 60, -10)}),
    row(kEscortedAirlinerSide2, 2, {unit(kAirliner, 0, 0), unit(kFighter, -60, -10), unit(kFighter, 60, -10)}),
    // Two airliners in trail, the second lower.
    row(kAirlinerTrail, 1, {unit(kAirliner, 0, 0), unit(kAirliner, 0, -120, -30)}),
    // An airliner with a fighter pair flying cover above and ahead.
    row(kAirlinerWithCover, 1,
        {unit(kAirliner, 0, 0), unit(kFighter, -15, 70, 40), unit(kFighter, 15, 55, 40)}),
    // Two airliners in echelon right.
    row(kAirlinerEchelon, 1, {unit(kAirliner, 0, 0), unit(kAirliner, 80, -60)}),
    // An airliner with a fighter pair off each side.
    row(kAirlinerWithTwoPairs, 1,
        {unit(kAirliner, 0, 0), group(kFighterPair, -90, -20), group(kFighterPair, 70, -20)}),

    // Helicopters.
    // A helicopter pair.
    row(kHelicopterPair, 1, {unit(kHelicopter, 0, 0), unit(kHelicopter, 35, -25)}),
    row(kHelicopterPairSide2, 2, {unit(kHelicopter, 0, 0), unit(kHelicopter, 35, -25)}),
    // Three helicopters in trail.
    row(kHelicopterTrail, 1, {unit(kHelicopter, 0, 0), unit(kHelicopter, 0, -35), unit(kHelicopter, 0, -70)}),
    // Four helicopters abreast.
    row(kHelicopterLineSide2, 2,
        {unit(kHelicopter, 0, 0), unit(kHelicopter, 35, 0), unit(kHelicopter, 70, 0), unit(kHelicopter, 105, 0)}),
    // Two helicopter pairs.
    row(kHelicopterTwoPairs, 1, {group(kHelicopterPair, 0, 0), group(kHelicopterPair, -90, -40)}),
    // A squadron of two flights of two pairs, side by side.
    row(kHelicopterSquadron, 1, {group(kHelicopterTwoPairs, 0, 0), group(kHelicopterTwoPairs, 200, 0)}),
    // Search and rescue: a seaplane with a helicopter.
    row(kRescuePair, 1, {unit(kSeaplane, 0, 0), unit(kHelicopter, 40, -30)}),

    // Trainers.
    // A trainer pair.
    row(kTrainerPair, 1, {unit(kTrainer, 0, 0), unit(kTrainer, 25, -20)}),
    // A vic of three trainers.
    row(kTrainerVic, 1, {unit(kTrainer, 0, 0), unit(kTrainer, -25, -20), unit(kTrainer, 25, -20)}),
    row(kTrainerVicSide2, 2, {unit(kTrainer, 0, 0), unit(kTrainer, -25, -20), unit(kTrainer, 25, -20)}),
    // Three trainers abreast.
    row(kTrainerLineAbreast, 1, {unit(kTrainer, 0, 0), unit(kTrainer, -25, 0), unit(kTrainer, 25, 0)}),
    // Four trainers in echelon right.
    row(kTrainerEchelonRight, 1,
        {unit(kTrainer, 0, 0), unit(kTrainer, 25, -20), unit(kTrainer, 50, -40), unit(kTrainer, 75, -60)}),
    // A diamond of trainers.
    row(kTrainerDiamond, 1,
        {unit(kTrainer, 0, 0), unit(kTrainer, -25, -20), unit(kTrainer, 25, -20), unit(kTrainer, 0, -40, -5)}),
    // A display team: the diamond with two solo aircraft wide behind it.
    row(kTrainerDisplayTeam, 1,
        {unit(kTrainer, 0, 0), unit(kTrainer, -25, -20), unit(kTrainer, 25, -20), unit(kTrainer, 0, -40, -5),
         unit(kTrainer, -70, -60), unit(kTrainer, 70, -60)}),
    // A training flight: the instructor ahead of two student pairs.
    row(kTrainingFlight, 1, {unit(kTrainer, 0, 0), group(kTrainerPair, -60, -50), group(kTrainerPair, 40, -50)}),
    // A trainer squadron: three vics and a pair behind.
    row(kTrainerSquadron, 1,
        {group(kTrainerVic, 0, 0), group(kTrainerVic, -90, -60), group(kTrainerVic, 90, -60),
         group(kTrainerPair, 0, -120)}),

    // Leisure flying.
    // A lone biplane.
    row(kLoneBiplane, 1, {unit(kBiplane, 0, 0)}),
    // A biplane pair.
    row(kBiplanePair, 1, {unit(kBiplane, 0, 0), unit(kBiplane, 25, -20)}),
    // A vic of three biplanes.
    row(kBiplaneVic, 1, {unit(kBiplane, 0, 0), unit(kBiplane, -25, -20), unit(kBiplane, 25, -20)}),
    row(kBiplaneVicSide2, 2, {unit(kBiplane, 0, 0), unit(kBiplane, -25, -20), unit(kBiplane, 25, -20)}),
    // Three biplanes in trail, stepped down.
    row(kBiplaneTrail, 1, {unit(kBiplane, 0, 0), unit(kBiplane, 0, -30, -5), unit(kBiplane, 0, -60, -10)}),
    // A monoplane pair.
    row(kMonoplanePair, 1, {unit(kMonoplane, 0, 0), unit(kMonoplane, 30, -20)}),
    // A vic of three monoplanes.
    row(kMonoplaneVicSide2, 2, {unit(kMonoplane, 0, 0), unit(kMonoplane, -30, -20), unit(kMonoplane, 30, -20)}),
    // A monoplane towing a glider on a 60 m rope.
    row(kGliderTow, 1, {unit(kMonoplane, 0, 0), unit(kGlider, 0, -60)}),
    // A trainer towing a glider.
    row(kGliderTowByTrainer, 1, {unit(kTrainer, 0, 0), unit(kGlider, 0, -60)}),
    // Two gliders soaring together.
    row(kGliderPair, 1, {unit(kGlider, 0, 0), unit(kGlider, 40, -30)}),
    // Three gliders in a loose vic.
    row(kGliderTrioSide2, 2, {unit(kGlider, 0, 0), unit(kGlider, -40, -30), unit(kGlider, 40, -30)}),
    // A lone seaplane.
    row(kLoneSeaplane, 1, {unit(kSeaplane, 0, 0)}),
    // A seaplane pair.
    row(kSeaplanePair, 1, {unit(kSeaplane, 0, 0), unit(kSeaplane, 35, -25)}),
    // Three seaplanes abreast.
    row(kSeaplaneLineSide2, 2, {unit(kSeaplane, 0, 0), unit(kSeaplane, -35, 0), unit(kSeaplane, 35, 0)}),
    // A biplane and a monoplane flying together.
    row(kVintagePair, 1, {unit(kBiplane, 0, 0), unit(kMonoplane, 30, -25)}),
    // A mixed leisure group: biplane, seaplane, and a monoplane towing a glider.
    row(kLeisureGroup, 1,
        {unit(kBiplane, 0, 0), unit(kSeaplane, -45, -30), unit(kMonoplane, 45, -30), unit(kGlider, 45, -90)}),
    row(kLeisureGroupSide2, 2,
        {unit(kBiplane, 0, 0), unit(kSeaplane, -45, -30), unit(kMonoplane, 45, -30), unit(kGlider, 45, -90)}),
    // A fly-in: a biplane pair, a seaplane pair and a glider on tow.
    row(kFlyIn, 1, {group(kBiplanePair, 0, 0), group(kSeaplanePair, -100, -60), group(kGliderTow, 100, -60)}),

    // Mixed escorts and packages.
    // A transport with a fighter off each wing.
    row(kEscortedTransport, 1, {unit(kTransport, 0, 0), unit(kFighter, -50, -10), unit(kFighter, 50, -10)}),
    row(kEscortedTransportSide2, 2, {unit(kTransport, 0, 0), unit(kFighter, -50, -10), unit(kFighter, 50, -10)}),
    // A helicopter with a trainer flying chase.
    row(kChasedHelicopter, 1, {unit(kHelicopter, 0, 0), unit(kTrainer, 30, -30)}),
    // A strike package: a transport box with a finger-four ahead on each side.
    row(kStrikePackageSide2, 2,
        {group(kTransportBoxSide2, 0, 0), group(kFighterFingerFourSide2, -160, 40),
         group(kFighterFingerFourSide2, 100, 40)}),
    // A fighter wing: a squadron of finger-fours, then a box of vics.
    row(kFighterWingOfSquadrons, 1, {group(kFingerFourSquadron, 0, 0), group(kVicSquadronBox, 0, -400)}),
    row(kFighterWingOfSquadronsSide2, 2,
        {group(kFingerFourSquadronSide2, 0, 0), group(kVicSquadronBoxSide2, 0, -400)}),
    // A transport wing: the escorted box leading a stream.
    row(kTransportWing, 1, {group(kEscortedTransportBox, 0, 0), group(kTransportStream, 0, -300)}),
    // An arrowhead: a lead fighter ahead of two vics.
    row(kFighterArrowhead, 1, {unit(kFighter, 0, 0), group(kFighterVic, -70, -60), group(kFighterVic, 70, -60)}),
    // A vic of five fighters.
    row(kFighterVicOfFive, 1,
        {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, 25, -20), unit(kFighter, -50, -40),
         unit(kFighter, 50, -40)}),
    row(kFighterVicOfFiveSide2, 2,
        {unit(kFighter, 0, 0), unit(kFighter, -25, -20), unit(kFighter, 25, -20), unit(kFighter, -50, -40),
         unit(kFighter, 50, -40)}),
    // Three transports in echelon left.
    row(kTransportEchelonLeftSide2, 2,
        {unit(kTransport, 0, 0), unit(kTransport, -50, -40), unit(kTransport, -100, -80)}),
    // A raid: a transport box with a fighter vic ahead and a helicopter pair off to the right.
    row(kRaidSide2, 2,
        {group(kTransportBoxSide2, 0, 0), group(kFighterVicSide2, 0, 120), group(kHelicopterPairSide2, 200, -50)}),
    // A coastal patrol: helicopters, trainers and seaplanes side by side.
    row(kCoastalPatrol, 1,
        {group(kHelicopterPair, 0, 0), group(kTrainerPair, -120, -40), group(kSeaplanePair, 120, -40)}),

    // Ground objects.
    // A convoy of four trucks.
    row(kTruckConvoySide2, 2, {unit(kTruck, 0, 0), unit(kTruck, 0, -20), unit(kTruck, 0, -40), unit(kTruck, 0, -60)}),
    // A column of four tanks.
    row(kArmourColumnSide2, 2, {unit(kTank, 0, 0), unit(kTank, 0, -20), unit(kTank, 0, -40), unit(kTank, 0, -60)}),
    // A flak battery: three guns around their radar.
    row(kFlakBatterySide2, 2,
        {unit(kFlakGun, 0, 0), unit(kFlakGun, -25, -15), unit(kFlakGun, 25, -15), unit(kRadar, 0, -40)}),
    // A radar site with its antenna, bunker and searchlight.
    row(kRadarSiteSide2, 2,
        {unit(kRadar, 0, 0), unit(kAntenna, 30, 0), unit(kBunker, 0, -30), unit(kSearchlight, -25, -10)}),
    // An airfield: control tower, two hangars, a fuel tank and the windsock.
    row(kAirfield, 1,
        {unit(kControlTower, 60, 30), unit(kHangar, -70, -40), unit(kHangar2, 0, -40), unit(kFuelTank, 120, -40),
         unit(kWindsock, 120, 30)}),
    // A rocket battery: three launchers abreast.
    row(kRocketBatterySide2, 2, {unit(kRocket107, 0, 0), unit(kRocket122, 25, 0), unit(kRocket130, 50, 0)}),
    // An artillery battery of four guns.
    row(kArtilleryBatterySide2, 2,
        {unit(kGun152, 0, 0), unit(kGun152, 30, 0), unit(kGun155, 60, 0), unit(kGun155, 90, 0)}),
    // A line of three towers.
    row(kTowerLine, 1, {unit(kTower2, 0, 0), unit(kTower3, 40, 0), unit(kTower4, 80, 0)}),
    // A patrol of two jeeps and a carrier.
    row(kJeepPatrol, 1, {unit(kJeep, 0, 0), unit(kJeep, 0, -15), unit(kCarrier, 0, -35)}),

    // More leisure groups.
    // Three gliders on tow side by side, the middle one behind a trainer.
    row(kGliderTowLine, 1, {group(kGliderTow, 0, 0), group(kGliderTowByTrainer, 80, 0), group(kGliderTow, 160, 0)}),
    // A flying circus: three biplane vics.
    row(kBiplaneCircusSide2, 2,
        {group(kBiplaneVicSide2, 0, 0), group(kBiplaneVicSide2, -90, -60), group(kBiplaneVicSide2, 90, -60)}),

    // The scene's first group, showing the whole fleet: a lead fighter vic, an escorted airliner
    // behind it, a transport box and a trainer vic on the flanks, and further back a leisure
    // group, a helicopter pair and a fighter pair of the other side. The default aircraft list
    // names its 21 units in this order.
    row(kStartingFormation, 1,
        {group(kFighterVic, 0, 0), group(kEscortedAirliner, 0, -220), group(kTransportBox, -260, -160),
         group(kTrainerVic, 260, -160), group(kLeisureGroupSide2, -200, -420),
         group(kHelicopterPairSide2, 200, -420), group(kFighterPairSide2, 0, -600)}),
};

static_assert(std::size(kRows) == kRowTotal, "every row number has its row");
static_assert(checkRowTable(kRows, UnitCatalogue::kNameCount, UnitCatalogue::kMaxRows) == RowTableFault::none,
              "the template table has a misnumbered, empty or too wide row, a bad side, an unknown mesh, "
              "a missing row or a cycle");

// A lookup answer that could read as a row reference (or the end marker) is not a mesh.
std::int32_t meshIndexOrNull(int found) {
  return found > 0 && found < kRowReferenceBase ? found : 0;
}

}  // namespace

const std::array<std::string_view, UnitCatalogue::kNameCount>& UnitCatalogue::names() { return kNames; }

std::span<const RowDef> UnitCatalogue::rowTable() { return kRows; }

UnitCatalogue::UnitCatalogue(const MeshLookup& find) {
  for (std::size_t i = 0; i < kNames.size(); ++i) types_[i] = meshIndexOrNull(find ? find(kNames[i]) : 0);
  rows_.reserve(std::size(kRows));
  for (const RowDef& def : kRows) {
    TemplateRow& built = rows_.emplace_back();
    built.side = def.side;
    for (std::size_t m = 0; m < def.count; ++m) {
      const MemberDef& member = def.members[m];
      const std::int32_t value =
          member.isRow ? kRowReferenceBase + member.index : types_[static_cast<std::size_t>(member.index)];
      built.members.push_back({value, Vec3{member.x, member.y, member.z}});
    }
  }
  startingRow = kStartingFormation;
  escortRow = kEscortedAirliner;
  airlinerRow = kLoneAirliner;
  helicopterRow = kHelicopterPair;
  trainingRow = kTrainingFlight;
  leisureRow = kLeisureGroup;
  groundRow = kFlakBatterySide2;
}

const TemplateRow& UnitCatalogue::row(int r) const {
  static const TemplateRow kEmpty;
  if (r < 0 || static_cast<std::size_t>(r) >= rows_.size()) return kEmpty;
  return rows_[static_cast<std::size_t>(r)];
}

}  // namespace skyloom
