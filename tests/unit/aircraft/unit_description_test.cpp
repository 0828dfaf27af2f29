// Aircraft files: the writer's records read back field for field; damaged files refused whole
// whatever is cut or corrupted; the description library's loading, lookups and units.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "aircraft/model_library.h"
#include "aircraft/model_pack.h"
#include "aircraft/unit_description.h"
#include "aircraft/unit_description_library.h"
#include "core/bytes.h"
#include "resources/pack.h"
#include "resources/pack_test_util.h"

namespace skyloom {
namespace {

using testing::ScratchDir;

Model boxModel(const std::string& name, float size) {
  Model m;
  m.name = name;
  ModelSubset s;
  s.textureName = name + ".jpg";
  s.material.diffuse = {1, 0.5f, 0.25f, 1};
  s.material.power = 20;
  for (int i = 0; i < 8; ++i) {
    const float x = (i & 1) ? size : -size, y = (i & 2) ? size : -size, z = (i & 4) ? size : -size;
    s.vertices.push_back({x, y, z, x / size * 0.57735f, y / size * 0.57735f, z / size * 0.57735f, (i & 1) * 1.0f, 0.5f});
  }
  s.indices = {0, 1, 2, 2, 1, 3, 4, 6, 5, 5, 6, 7};
  m.subsets.push_back(s);
  m.subsets.push_back(s);
  m.subsets[1].textureName = "canopy.jpg";
  m.boundsMin = {-size, -size, -size};
  m.boundsMax = {size, size, size};
  m.radius = size * 1.7320508f;
  m.countTotals();
  return m;
}

struct Fixture {
  Model lod0 = boxModel("jet.x", 5);
  Model lod1 = boxModel("jet1.x", 5);

  UnitDescriptionSource source(const std::string& name = "jet") const {
    UnitDescriptionSource s;
    UnitDescription& d = s.description;
    d.name = name;
    d.lodCount = 2;
    d.kind = 3;
    d.flight.topSpeed = 600;
    d.flight.turnRate = 2;
    d.flight.classCode = 0x101;
    d.flight.ceiling = 15000;
    d.flight.range = 3000;
    d.slots.resize(2);
    d.slots[0].meshName = "jet.x";
    d.slots[1].meshName = "jet1.x";
    d.slots[1].matrix = translation(1, 2, 3);
    d.slots[1].subObject = {9, 8, 7};
    AttachmentPoint nozzle;
    nozzle.offset = {-6, 0.5f, 0};
    nozzle.scale = {0.4f, 0.4f, 0.4f};
    nozzle.flags = kAttachSmoke | kAttachFlame;
    AttachmentPoint rotor;
    rotor.offset = {0, 2, 0};
    rotor.angle = 1.5707964f;
    rotor.scale = {1, 5.5f, 5.5f};
    rotor.flags = kAttachRotor;
    d.attachments = {nozzle, rotor};
    s.models = {&lod0, &lod1};
    s.textures = {{"jet.jpg", Bytes(300, 0x5A)}, {"canopy.jpg", Bytes(40, 0x11)}};
    return s;
  }
};

TEST(UnitDescriptionFile, EveryFieldTheWriterPutsComesBack) {
  Fixture f;
  const Bytes file = writeUnitFile({f.source("jet"), f.source("jet two")});
  const auto parsed = parseUnitFile(file);
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->size(), 2u);
  const UnitDescription& d = (*parsed)[1].description;
  EXPECT_EQ(d.name, "jet two");
  EXPECT_EQ(d.lodCount, 2);
  EXPECT_EQ(d.kind, 3);
  EXPECT_EQ(d.flight.topSpeed, 600.0f);
  EXPECT_EQ(d.flight.turnRate, 2.0f);
  EXPECT_EQ(d.flight.classCode, 0x101);
  EXPECT_EQ(d.flight.ceiling, 15000.0f);
  EXPECT_EQ(d.flight.range, 3000.0f);
  EXPECT_EQ(d.flight.word84, 40);
  ASSERT_EQ(d.slots.size(), 2u);
  EXPECT_EQ(d.slots[1].meshName, "jet1.x");
  EXPECT_EQ(d.slots[1].matrix.m[3][2], 3.0f);
  EXPECT_EQ(d.slots[1].subObject, (Bytes{9, 8, 7}));
  ASSERT_EQ(d.attachments.size(), 2u);
  EXPECT_EQ(d.attachments[0].flags, kAttachSmoke | kAttachFlame);
  EXPECT_EQ(d.attachments[0].offset.x, -6.0f);
  EXPECT_EQ(d.attachments[1].angle, 1.5707964f);
  EXPECT_EQ(d.attachments[1].scale.y, 5.5f);

  const auto& models = (*parsed)[1].models;
  ASSERT_EQ(models.size(), 2u);
  const Model& m = *models[0];
  EXPECT_EQ(m.name, "jet.x");
  ASSERT_EQ(m.subsets.size(), 2u);
  EXPECT_EQ(m.subsets[1].textureName, "canopy.jpg");
  EXPECT_EQ(m.subsets[0].material.diffuse.g, 0.5f);
  EXPECT_EQ(m.subsets[0].material.power, 20.0f);
  EXPECT_EQ(m.subsets[0].indices, f.lod0.subsets[0].indices);
  EXPECT_EQ(m.vertexTotal, 16);
  EXPECT_EQ(m.indexTotal, 24);
  EXPECT_FLOAT_EQ(m.radius, f.lod0.radius);
  EXPECT_EQ(m.boundsMin.y, -5.0f);
  EXPECT_NEAR(m.subsets[0].vertices[7].nz, 0.57735f, 1e-5f);

  // The record's texture pack: where it lies in the file, and its entries' bytes.
  ASSERT_TRUE(d.texturePack);
  const TexturePackEntry* e = d.texturePack->find("CANOPY.JPG");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->length, 40u);
  EXPECT_EQ(file[d.texturePackOffset + e->offset], 0x11);
  EXPECT_EQ(readLE32(file.data() + d.texturePackOffset), kTexturePackMagic);
}

TEST(UnitDescriptionFile, LoadingRepairsDamagedNormalsAndKeepsGoodOnes) {
  ModelVertex v{0, 0, 0, 1.5f, 0, 0, 0, 0};  // x beyond 1
  repairNormal(v);
  EXPECT_NEAR(v.nx, 0.57735f, 1e-5f);
  EXPECT_NEAR(v.nz, 0.57735f, 1e-5f);
  ModelVertex nose{0, 0, 0, 1.0f, 0, 0, 0, 0};  // exactly along the nose: a good normal
  repairNormal(nose);
  EXPECT_EQ(nose.nx, 1.0f);
  EXPECT_EQ(nose.ny, 0.0f);
  ModelVertex none{0, 0, 0, 0, 0, 0, 0, 0};
  repairNormal(none);
  EXPECT_NEAR(none.ny, 0.57735f, 1e-5f);
  ModelVertex huge{0, 0, 0, 0, 3e38f, 3e38f, 0, 0};
  repairNormal(huge);
  EXPECT_NEAR(huge.nx, 0.57735f, 1e-5f);
  ModelVertex w{0, 0, 0, 0, 0, 2, 0, 0};
  repairNormal(w);
  EXPECT_FLOAT_EQ(w.nz, 1.0f);
  ModelVertex nan{0, 0, 0, std::nanf(""), 0, 0, 0, 0};
  repairNormal(nan);
  EXPECT_NEAR(nan.ny, 0.57735f, 1e-5f);
}

// Whatever is cut off or corrupted, a file is refused whole or read within its bytes; the
// parser never reads past them (the sanitizer build would say so).
TEST(UnitDescriptionFile, DamagedFilesAreRefusedWhole) {
  Fixture f;
  const Bytes good = writeUnitFile({f.source()});
  for (std::size_t cut = 0; cut < good.size(); cut += (cut < 1400 ? 1 : 97)) {
    const Bytes shorter(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(parseUnitFile(shorter)) << "cut at " << cut;
  }
  const std::size_t record = kUnitFileHeaderSize + 4;
  auto corrupted = [&](std::size_t at, std::uint32_t value) {
    Bytes b = good;
    writeLE32(b.data() + at, value);
    return parseUnitFile(b);
  };
  EXPECT_FALSE(corrupted(record, 1234));                  // magic
  EXPECT_FALSE(corrupted(44, 1000000));                   // description count
  EXPECT_FALSE(corrupted(record + 56, 0));                // no mesh slots
  EXPECT_FALSE(corrupted(record + 56, 0x7FFFFFFF));       // slot count
  EXPECT_FALSE(corrupted(record + 76, 0xFFFFFFFF));       // attachment count
  // More levels than slots are read as one level per slot.
  const auto clamped = corrupted(record + 44, 9);
  ASSERT_TRUE(clamped);
  EXPECT_EQ((*clamped)[0].description.lodCount, 2);

  // Inside the model pack: a subset count, a vertex count and an index past its vertices.
  const std::size_t subObjects = record + kUnitDescriptionFixedSize + 2 * (4 + 16 + 64) + 2 * kAttachmentSize + 2 * 4;
  const std::size_t pack = subObjects + 4 + 3;  // after the one sub-object blob
  ASSERT_EQ(readLE32(good.data() + pack + 44), 2u);
  const std::size_t mesh = pack + kModelPackHeaderSize;
  EXPECT_FALSE(corrupted(mesh + 24, 100000));
  EXPECT_FALSE(corrupted(mesh + kMeshHeaderSize + 8, 70000));  // first subset's vertex count
  Bytes badIndex = good;
  const std::size_t firstIndex = mesh + kMeshHeaderSize + 16 + kSubsetHeaderSize + 8 * 32;
  writeLE16(badIndex.data() + firstIndex, 8);
  EXPECT_FALSE(parseUnitFile(badIndex));
  // A sub-object blob longer than the record.
  EXPECT_FALSE(corrupted(subObjects, 0x10000000));
  // A texture pack larger than the bytes left.
  EXPECT_FALSE(corrupted(good.size() - (12 + 2 * 24 + 340) + 4, 0x7FFFFFFF));
}

TEST(UnitDescriptionLibrary, AnEmptyListLeavesOnlyTheBuiltInDescription) {
  ModelLibrary models;
  UnitDescriptionLibrary library(models, nullptr);
  EXPECT_EQ(library.loadFiles({}), 0u);
  EXPECT_EQ(library.loadFiles({"null", ""}), 0u);
  ASSERT_EQ(library.size(), 1u);
  const UnitDescription& null = library.description(0);
  EXPECT_EQ(null.name, "null.cu");
  EXPECT_EQ(null.slots[0].meshName, "null.x");
  EXPECT_EQ(null.slots[0].meshIndex, ModelLibrary::kNullMesh);
  ASSERT_EQ(null.attachments.size(), 9u);
  EXPECT_EQ(null.attachments[0].flags, kAttachSmoke | kAttachFlame);
  EXPECT_EQ(null.attachments[0].scale.x, 0.5f);

  // Every unit is then the small sphere with a trail, whatever it asks for.
  auto unit = library.create("fighter");
  ASSERT_TRUE(unit);
  EXPECT_EQ(unit->descriptionIndex, 0);
  EXPECT_EQ(unit->topSpeed, 1000.0f);
  EXPECT_EQ(unit->speed, 1000.0f);
  EXPECT_EQ(unit->turnRate, 2.0f);
  EXPECT_EQ(unit->classCode, -1);
  EXPECT_EQ(unit->side, -1);
  EXPECT_EQ(unit->ceiling, 50.0f);
  EXPECT_EQ(unit->range, 3000.0f);
  EXPECT_FLOAT_EQ(unit->radius, 1.0f);
  EXPECT_FLOAT_EQ(unit->groundOffset(), 0.5f);
}

TEST(UnitDescriptionLibrary, FilesLoadFromTheAircraftFolderAndBadOnesAreSkipped) {
  ScratchDir dir;
  Fixture f;
  const Bytes good = writeUnitFile({f.source("jet")});
  Bytes bad = good;
  writeLE32(bad.data() + kUnitFileHeaderSize + 4, 0);  // no magic
  testing::writeFile(dir.path() / "aircraft" / "jet.cu", std::string(good.begin(), good.end()));
  testing::writeFile(dir.path() / "aircraft" / "broken.cu", std::string(bad.begin(), bad.end()));

  ModelLibrary models;
  const std::size_t builtIn = models.size();
  UnitDescriptionLibrary library(models, nullptr);
  EXPECT_EQ(library.loadFiles({"broken", "jet", "missing"}), 1u);
  ASSERT_EQ(library.size(), 2u);
  EXPECT_EQ(models.size(), builtIn + 2);  // nothing of the broken file got in
  EXPECT_EQ(library.find("JET"), 1);
  const UnitDescription& jet = library.description(1);
  EXPECT_EQ(jet.slots[0].meshIndex, models.find("jet.x"));
  EXPECT_EQ(jet.slots[1].meshIndex, models.find("jet1.x"));
  EXPECT_NE(jet.slots[0].meshIndex, 0);

  auto unit = library.create("jet");
  ASSERT_TRUE(unit);
  EXPECT_EQ(unit->description, &jet);
  EXPECT_EQ(unit->topSpeed, 600.0f);
  EXPECT_EQ(unit->classCode, 0x101);
  EXPECT_FLOAT_EQ(unit->groundOffset(), 5.0f);
  EXPECT_FALSE(unit->isStatic);

  // A kind that makes no unit, and the static kind.
  UnitDescriptionSource odd = f.source("odd");
  odd.description.kind = 9;
  UnitDescriptionSource tower = f.source("tower");
  tower.description.kind = 1;
  ASSERT_TRUE(library.loadFileBytes("more.cu", writeUnitFile({odd, tower})));
  EXPECT_FALSE(library.create("odd"));
  auto t = library.create("tower");
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->isStatic);
}

TEST(UnitDescriptionLibrary, EmbeddedFilesAnswerThePackLayerAndALooseFileWins) {
  ScratchDir dir;
  Fixture f;
  const Bytes file = writeUnitFile({f.source("jet")});
  testing::writeFile(dir.path() / "aircraft" / "jet.cu", std::string(file.begin(), file.end()));
  ModelLibrary models;
  {
    UnitDescriptionLibrary library(models, nullptr);
    ASSERT_EQ(library.loadFiles({"jet"}), 1u);
    const auto embedded = library.findEmbedded("Jet.JPG");
    ASSERT_TRUE(embedded);
    EXPECT_EQ(*embedded, Bytes(300, 0x5A));
    EXPECT_FALSE(library.findEmbedded("nothing.jpg"));

    FileData out;
    EXPECT_EQ(readProgramFile("canopy.jpg", out), kPackFromFallback);
    EXPECT_EQ(out.size, 40u);
    testing::writeFile(dir.path() / "canopy.jpg", "loose");
    EXPECT_EQ(readProgramFile("canopy.jpg", out), kPackFromLooseFile);
    EXPECT_EQ(out.view(), "loose");
  }
  // The library is gone, and with it the fallback it gave the pack layer.
  EXPECT_EQ(packFallbackReader, nullptr);
  FileData out;
  EXPECT_EQ(readProgramFile("jet.jpg", out), kPackNotFound);
}

}  // namespace
}  // namespace skyloom
