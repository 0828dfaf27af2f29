#include "aircraft/model_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/random.h"
#include "platform/gfx/recording_device.h"
#include "resources/image_test_util.h"
#include "resources/pack_test_util.h"
#include "resources/texture.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

std::unique_ptr<Model> triangleModel(std::string name, std::vector<std::string> textures = {""}) {
  auto m = std::make_unique<Model>();
  m->name = std::move(name);
  for (std::string& texture : textures) {
    ModelSubset& s = m->subsets.emplace_back();
    s.textureName = std::move(texture);
    s.vertices = {{0, 0, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 1, 0}, {0, 0, 1, 0, 1, 0, 0, 1}};
    s.indices = {0, 1, 2};
    s.material.emissive = {0.1f, 0.2f, 0.3f, 0.4f};
    s.material.diffuse.a = 0.25f;
    s.material.power = 12;
  }
  m->countTotals();
  return m;
}

std::vector<std::unique_ptr<Model>> listOf(std::unique_ptr<Model> a, std::unique_ptr<Model> b = nullptr) {
  std::vector<std::unique_ptr<Model>> out;
  out.push_back(std::move(a));
  if (b) out.push_back(std::move(b));
  return out;
}

// A 2 × 2 24-bit picture.
std::string smallBmp() {
  BmpShape s;
  s.width = 2;
  s.height = 2;
  s.bits.assign(16, 0x7F);
  return asString(makeBmp(s));
}

// ---------------------------------------------------------------------------------------------
// Lookup and capacity

TEST(ModelLibraryLookup, BuiltInsComeFirstAndNamesMatchWhateverTheirCase) {
  ModelLibrary library;
  ASSERT_EQ(library.size(), 3u);
  EXPECT_EQ(library.model(ModelLibrary::kNullMesh).name, "null.x");
  EXPECT_EQ(library.model(ModelLibrary::kPullMesh).name, "pull.x");
  EXPECT_EQ(library.model(ModelLibrary::kPropellerMesh).name, "Propeller2.x");
  EXPECT_EQ(library.find("PROPELLER2.X"), 2);
  EXPECT_EQ(library.find("Pull.X"), 1);
  EXPECT_EQ(library.find("null.x"), 0);

  EXPECT_EQ(library.add(listOf(triangleModel("Fighter.x"), triangleModel("FIGHTER.X"))), 2u);
  EXPECT_EQ(library.find("fighter.x"), 3);  // the first of equal names
  EXPECT_EQ(library.find("fighter"), 0);    // absent: the sphere
  EXPECT_EQ(library.find(""), 0);
  EXPECT_EQ(library.find("fighter.x.x"), 0);

  // Out of range draws as the sphere instead of reading past the list.
  for (int bad : {-1, 5, 1000, 1 << 30}) EXPECT_EQ(&library.modelOrNull(bad), &library.model(0)) << bad;
  EXPECT_EQ(&library.modelOrNull(4), &library.model(4));
}

TEST(ModelLibraryLookup, HoldsAThousandMeshesAndDropsTheRest) {
  ModelLibrary library;
  std::vector<std::unique_ptr<Model>> many;
  for (int i = 0; i < 1200; ++i) {
    std::string name = std::to_string(i);  // appended, not concatenated: mingw's -O3 warns wrongly on "m" + s
    name.insert(0, 1, 'm');
    name.append(".x");
    many.push_back(triangleModel(name));
  }
  EXPECT_EQ(library.add(std::move(many)), 997u);
  EXPECT_EQ(library.size(), ModelLibrary::kCapacity);
  EXPECT_EQ(library.find("m996.x"), 999);
  EXPECT_EQ(library.find("m997.x"), 0);
  EXPECT_EQ(library.add(listOf(triangleModel("late.x"))), 0u);
  EXPECT_EQ(library.find("late.x"), 0);
}

TEST(ModelLibraryLookup, RefusesMeshesThatWouldMakeTheDeviceReadPastTheirVertices) {
  ModelLibrary library;
  auto outside = triangleModel("outside.x");
  outside->subsets[0].indices = {0, 1, 3};
  auto mixed = triangleModel("mixed.x");
  mixed->coloured = true;  // claims coloured vertices but carries plain ones
  EXPECT_EQ(library.add(listOf(std::move(outside), triangleModel("good.x"))), 1u);
  EXPECT_EQ(library.add(listOf(std::move(mixed))), 0u);
  EXPECT_EQ(library.size(), 4u);
  EXPECT_EQ(library.find("outside.x"), 0);
  EXPECT_EQ(library.find("mixed.x"), 0);
  EXPECT_EQ(library.find("good.x"), 3);
}

TEST(ModelLibraryLookup, ABadPackAddsNothing) {
  ModelLibrary library;
  const std::vector<std::uint8_t> garbage(40, 0xEE);
  EXPECT_EQ(library.loadPack({}), 0u);
  EXPECT_EQ(library.loadPack(garbage), 0u);
  EXPECT_EQ(library.size(), 3u);
}

// ---------------------------------------------------------------------------------------------
// Random colours

TEST(ModelLibraryMaterials, NineDrawsPerSubsetBetweenHalfAndOneAndNeverOnTheSphere) {
  ModelLibrary library;
  library.add(listOf(triangleModel("biplane.x", std::vector<std::string>(300, ""))));
  CrtRandom random(4711), expected(4711);
  library.randomizeMaterials("BIPLANE.x", random);
  float lo = 1, hi = 0;
  for (const ModelSubset& s : library.model(3).subsets) {
    // Diffuse, specular and ambient red, green and blue, in that order.
    for (const ColorValue* c : {&s.material.diffuse, &s.material.specular, &s.material.ambient}) {
      for (float v : {c->r, c->g, c->b}) {
        ASSERT_FLOAT_EQ(v, static_cast<float>(expected.next() + 32768) / 65535.0f);
        lo = std::min(lo, v), hi = std::max(hi, v);
      }
    }
    // Alphas, emissive and power stay as loaded.
    EXPECT_FLOAT_EQ(s.material.diffuse.a + s.material.specular.a, 0.25f);
    EXPECT_FLOAT_EQ(s.material.emissive.g, 0.2f);
    EXPECT_FLOAT_EQ(s.material.power, 12.0f);
  }
  EXPECT_EQ(random.next(), expected.next());  // no draw more or less
  EXPECT_GE(lo, 0.5f);
  EXPECT_LT(lo, 0.51f);
  EXPECT_LE(hi, 1.0f);
  EXPECT_GT(hi, 0.99f);

  // The sphere is asked for by name, and stands in for absent names: neither changes it.
  const Material before = library.model(0).subsets[0].material;
  library.randomizeMaterials("NULL.X", random);
  library.randomizeMaterials("no such mesh.x", random);
  EXPECT_EQ(std::memcmp(&before, &library.model(0).subsets[0].material, sizeof before), 0);
  EXPECT_EQ(random.next(), expected.next());
}

// ---------------------------------------------------------------------------------------------
// Textures across device loss

TEST(ModelLibraryTextures, OneTexturePerDistinctNameSharedBySubsetsAndDrawn) {
  ScratchDir dir;
  writeFile(dir.path() / "pack" / "skin.bmp", smallBmp());
  writeFile(dir.path() / "pack" / "wing.bmp", smallBmp());
  RecordingDevice device;
  ModelLibrary library;
  library.add(listOf(triangleModel("a.x", {"pack\\skin.bmp", "pack\\wing.bmp", ""}),
                     triangleModel("b.x", {"PACK\\SKIN.BMP", "pack\\missing.bmp"})));

  EXPECT_EQ(library.restoreTextures(device), 2u);
  EXPECT_EQ(device.liveTextures(), 2u);
  EXPECT_EQ(textureDevice(), nullptr);  // published only while restoring
  const Model& a = library.model(3);
  const Model& b = library.model(4);
  ASSERT_NE(a.subsets[0].texture, nullptr);
  EXPECT_NE(a.subsets[1].texture, nullptr);
  EXPECT_NE(a.subsets[0].texture, a.subsets[1].texture);
  EXPECT_EQ(a.subsets[2].texture, nullptr);
  EXPECT_EQ(b.subsets[0].texture, a.subsets[0].texture);
  EXPECT_EQ(b.subsets[1].texture, nullptr);  // missing picture: drawn untextured
  const RecordingTexture* skin = RecordingDevice::asRecording(a.subsets[0].texture);
  EXPECT_EQ(skin->format(), Format::A8R8G8B8);
  EXPECT_EQ(skin->levelCount(), 1u);
  EXPECT_EQ(skin->pool(), Pool::Default);

  device.beginScene();
  b.draw(device);
  ASSERT_EQ(device.draws().size(), 2u);
  EXPECT_EQ(device.draws()[0].state.textures[0], skin->id());
  EXPECT_EQ(device.draws()[1].state.textures[0], 0u);
  device.endScene();

  // Restoring again makes nothing new.
  EXPECT_EQ(library.restoreTextures(device), 0u);
  EXPECT_EQ(device.liveTextures(), 2u);
}

TEST(ModelLibraryTextures, RestoreAndReleasePairAHundredTimesWithoutGrowth) {
  ScratchDir dir;
  writeFile(dir.path() / "skin.bmp", smallBmp());
  RecordingDevice device;
  RecordingDevice other;
  setTextureDevice(&other);  // whoever published a device keeps it; the library uses its own
  {
    ModelLibrary library;
    library.add(listOf(triangleModel("a.x", {"skin.bmp", "Skin.bmp"})));
    for (int i = 0; i < 100; ++i) {
      ASSERT_EQ(library.restoreTextures(device), 1u) << i;
      ASSERT_EQ(device.liveTextures(), 1u) << i;
      ASSERT_EQ(textureDevice(), &other);
      library.releaseTextures();
      ASSERT_EQ(device.liveTextures(), 0u) << i;
      ASSERT_EQ(library.model(3).subsets[0].texture, nullptr);
      ASSERT_EQ(library.model(3).subsets[1].texture, nullptr);
    }
    EXPECT_EQ(other.liveTextures(), 0u);
    EXPECT_EQ(device.reset(), kOk);  // nothing of the default pool is left
    library.restoreTextures(device);
  }
  EXPECT_EQ(device.liveTextures(), 0u);  // the library's end releases them too
  setTextureDevice(nullptr);
}

}  // namespace
}  // namespace skyloom
