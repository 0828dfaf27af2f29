// Our decoder against libmpg123 on every stream of the catalog: float output within full accuracy
// (RMS of the difference below 2^-15/sqrt(12), no sample off by more than 2^-14), 16-bit output
// within one step, the same number of samples. A table of the figures ends the run (stdout and
// build/logs/decoder_accuracy.txt when more than one stream ran).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "player/mpeg/mpeg_stream.h"
#include "test_streams.h"

namespace skyloom::testing {
namespace {

struct Row {
  std::string stream;
  std::size_t samples = 0;
  double rms = 0, max = 0;
  int maxSteps = 0;  // 16-bit
};
std::vector<Row> rows;

const double kFullRms = std::ldexp(1.0, -15) / std::sqrt(12.0);
const double kFullMax = std::ldexp(1.0, -14);
const double kLimitedRms = std::ldexp(1.0, -11) / std::sqrt(12.0);

const char* accuracyClass(const Row& r) {
  if (r.rms < kFullRms && r.max <= kFullMax) return "full accuracy";
  return r.rms < kLimitedRms ? "limited accuracy" : "not compliant";
}

class AccuracyTable : public ::testing::Environment {
 public:
  void TearDown() override {
    if (rows.empty()) return;
    std::string text = "| stream | samples | RMS diff | max diff | 16-bit max diff | class |\n|---|---|---|---|---|---|\n";
    for (const Row& r : rows) {
      char line[256];
      std::snprintf(line, sizeof line, "| %s | %zu | %.3g | %.3g | %d | %s |\n", r.stream.c_str(), r.samples, r.rms,
                    r.max, r.maxSteps, accuracyClass(r));
      text += line;
    }
    std::printf("\nDecoder against libmpg123 (float: full accuracy is RMS < %.3g and max <= %.3g)\n%s", kFullRms,
                kFullMax, text.c_str());
    if (rows.size() > 1) {
      std::error_code ec;
      std::filesystem::create_directories(SKYLOOM_LOGS_DIR, ec);
      std::ofstream(SKYLOOM_LOGS_DIR "/decoder_accuracy.txt") << text;
    }
  }
};
[[maybe_unused]] ::testing::Environment* const table = ::testing::AddGlobalTestEnvironment(new AccuracyTable);

struct Ours {
  player::StreamSummary summary;
  std::vector<std::uint8_t> pcm;
};

Ours decodeOurs(const std::vector<std::uint8_t>& bytes, int convert) {
  Ours o;
  player::StreamOptions options;
  options.convert = convert;
  o.summary = player::decodeStream(bytes, options,
                                      [&](std::span<const std::uint8_t> pcm) { o.pcm.insert(o.pcm.end(), pcm.begin(), pcm.end()); });
  return o;
}

template <typename T>
std::vector<T> samplesOf(const std::vector<std::uint8_t>& pcm) {
  std::vector<T> s(pcm.size() / sizeof(T));
  std::memcpy(s.data(), pcm.data(), s.size() * sizeof(T));
  return s;
}

class DecoderAccuracy : public ::testing::TestWithParam<StreamRecipe> {};

TEST_P(DecoderAccuracy, MatchesMpg123InFloatAndWithinOneStepIn16Bit) {
  const StreamRecipe& recipe = GetParam();
  const std::string path = streamFile(recipe);
  ASSERT_FALSE(path.empty());
  const std::vector<std::uint8_t> bytes = readBytes(path);

  const Ours ours = decodeOurs(bytes, player::kConvertFloat);
  ASSERT_TRUE(ours.summary.found);
  EXPECT_EQ(ours.summary.framesSkipped, 0);
  EXPECT_EQ(static_cast<std::size_t>(ours.summary.framesDecoded), walkFrames(bytes).size());
  EXPECT_EQ(ours.summary.output.channels, recipe.channels);
  EXPECT_EQ(ours.summary.output.sampleRate, recipe.rate);

  const OracleOutput ref = mpg123Decode(path, true);
  ASSERT_TRUE(ref.ok);
  const std::vector<float> a = samplesOf<float>(ours.pcm), b = samplesOf<float>(ref.pcm);
  ASSERT_EQ(a.size(), b.size());
  Row row{recipe.name, a.size()};
  double sum = 0;
  std::size_t worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = std::abs(static_cast<double>(a[i]) - b[i]);
    sum += d * d;
    if (d > row.max) row.max = d, worst = i;
  }
  row.rms = a.empty() ? 0 : std::sqrt(sum / static_cast<double>(a.size()));

  const std::vector<std::int16_t> a16 = samplesOf<std::int16_t>(decodeOurs(bytes, 0).pcm);
  const std::vector<std::int16_t> b16 = samplesOf<std::int16_t>(mpg123Decode(path, false).pcm);
  ASSERT_EQ(a16.size(), b16.size());
  for (std::size_t i = 0; i < a16.size(); ++i) row.maxSteps = std::max(row.maxSteps, std::abs(a16[i] - b16[i]));
  rows.push_back(row);

  const std::size_t perFrame = static_cast<std::size_t>(ours.summary.output.samplesPerFrame);
  EXPECT_LT(row.rms, kFullRms);
  EXPECT_LE(row.max, kFullMax) << "largest difference in frame " << worst / perFrame << ", channel "
                               << worst % static_cast<std::size_t>(recipe.channels) << ": ours " << a[worst]
                               << ", mpg123 " << b[worst];
  EXPECT_LE(row.maxSteps, 1);
}

INSTANTIATE_TEST_SUITE_P(Streams, DecoderAccuracy, ::testing::ValuesIn(streamCatalog()),
                         [](const ::testing::TestParamInfo<StreamRecipe>& info) { return info.param.name; });

// The streams must hold what their names promise, or the comparison proves less than it seems.
TEST(TestStreams, HoldShortBlocksIntensityStereoAndTheirFrameCounts) {
  for (const char* name : {"L3_M1_44k_ms_transients", "L3_M2_16k_stereo_transients", "L3_M25_12k_stereo_transients"})
    EXPECT_GT(shortBlockGranules(readBytes(streamFile(catalogStream(name)))), 10) << name;
  for (const char* name : {"L3_M1_44k_intensity_mix"}) {
    const StreamRecipe& recipe = catalogStream(name);
    const std::vector<std::uint8_t> bytes = readBytes(streamFile(recipe));
    int intensityFrames = 0;
    for (const RawFrame& f : walkFrames(bytes)) intensityFrames += (bytes[f.offset + 3] & 0xD0) == 0x50;
    EXPECT_GT(intensityFrames, 40) << name;
    // The intensity bit must change the sound, or there were no zero parts to read positions from.
    StreamRecipe plain = recipe;
    plain.name += "_without_intensity";
    plain.intensity = false;
    const std::vector<float> a = samplesOf<float>(decodeOurs(bytes, player::kConvertFloat).pcm);
    const std::vector<float> b = samplesOf<float>(decodeOurs(readBytes(streamFile(plain)), player::kConvertFloat).pcm);
    ASSERT_EQ(a.size(), b.size());
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    EXPECT_GT(std::sqrt(sum / static_cast<double>(a.size())), 1e-3) << name;
  }
  const StreamRecipe& l1 = catalogStream("L1_44k_stereo_sines");
  EXPECT_EQ(walkFrames(readBytes(streamFile(l1))).size(), static_cast<std::size_t>(l1.layer1.frames));
}

}  // namespace
}  // namespace skyloom::testing
