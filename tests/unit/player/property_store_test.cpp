#include "player/property_store.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "player/engine_error.h"

namespace skyloom {
namespace {

// Records each change and what the store answers for the name at that moment, which it can
// only do if the store's lock is free during the notification.
class RecordingWatcher : public PropertyWatcher {
 public:
  explicit RecordingWatcher(PropertyStore& store) : store_(store) {}
  void propertyChanged(const std::string& name, const std::string& value) override {
    std::optional<std::string> current;
    store_.getProperty(name, current);
    seen.push_back(name + "=" + value + " (" + current.value_or("?") + ")");
  }
  std::vector<std::string> seen;

 private:
  PropertyStore& store_;
};

TEST(PropertyStore, MissingNamesAnswerNotFoundAndResetTheOutput) {
  PropertyStore store;
  std::optional<std::string> out = "stale";
  EXPECT_EQ(store.getProperty("pcm_volume", out), kErrorNotFound);
  EXPECT_FALSE(out.has_value());

  EXPECT_EQ(store.setProperty("pcm_volume", "80"), kErrorNone);
  EXPECT_EQ(store.getProperty("pcm_volume", out), kErrorNone);
  EXPECT_EQ(out, "80");
  EXPECT_EQ(store.getProperty("PCM_VOLUME", out), kErrorNotFound);  // names compare exactly
  EXPECT_FALSE(out.has_value());
}

TEST(PropertyStore, WatchersHearChangesOfTheirNameOnly) {
  PropertyStore store;
  RecordingWatcher first(store);
  RecordingWatcher second(store);
  EXPECT_EQ(store.registerWatcher("pcm_volume", &first), kErrorNone);
  EXPECT_EQ(store.registerWatcher("pcm_volume", &first), kErrorNone);  // once is enough
  EXPECT_EQ(store.registerWatcher("pcm_volume", &second), kErrorNone);
  EXPECT_EQ(store.registerWatcher("pcm_volume", nullptr), kErrorInvalidParam);

  // Watching a name does not give it a value.
  std::optional<std::string> out;
  EXPECT_EQ(store.getProperty("pcm_volume", out), kErrorNotFound);

  store.setProperty("pcm_volume", "50");
  store.setProperty("other", "x");
  EXPECT_EQ(first.seen, std::vector<std::string>{"pcm_volume=50 (50)"});
  EXPECT_EQ(second.seen, std::vector<std::string>{"pcm_volume=50 (50)"});

  EXPECT_EQ(store.unregisterWatcher("pcm_volume", &first), kErrorNone);
  EXPECT_EQ(store.unregisterWatcher("pcm_volume", &first), kErrorNotFound);
  EXPECT_EQ(store.unregisterWatcher("nobody", &first), kErrorNotFound);
  store.setProperty("pcm_volume", "60");
  EXPECT_EQ(first.seen.size(), 1u);
  EXPECT_EQ(second.seen.back(), "pcm_volume=60 (60)");
}

}  // namespace
}  // namespace skyloom
