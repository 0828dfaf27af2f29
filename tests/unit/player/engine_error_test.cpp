#include "player/engine_error.h"

#include <gtest/gtest.h>

#include <cstring>

namespace skyloom {
namespace {

TEST(EngineError, TextsGiveEachCodesMeaning) {
  EXPECT_STREQ(engineErrorText(kErrorNone), "The operation was successful");
  EXPECT_STREQ(engineErrorText(kErrorNoPrefs), "Unable to locate preferences");
  EXPECT_STREQ(engineErrorText(kErrorNoPrefValue), "No preference value was found");
  EXPECT_STREQ(engineErrorText(kErrorNotFound), "Error, not found");
  EXPECT_STREQ(engineErrorText(70), "Download denied");
  // Codes that only ever had a name answer the name.
  EXPECT_STREQ(engineErrorText(kError_FileNoHandles), "kError_FileNoHandles");
  EXPECT_STREQ(engineErrorText(kError_NoMoreLibDirs), "kError_NoMoreLibDirs");
  EXPECT_STREQ(engineErrorText(kError_EventPending), "kError_EventPending");
  EXPECT_STREQ(engineErrorText(kError_LastError), "kError_LastError");
}

TEST(EngineError, EveryCodeHasATextAndStrangersReadAsUnknown) {
  for (int code = 0; code < kEngineErrorCount; ++code) {
    ASSERT_NE(engineErrorText(code), nullptr);
    EXPECT_GT(std::strlen(engineErrorText(code)), 0u) << code;
  }
  EXPECT_STREQ(engineErrorText(-1), "An unknown error occurred");
  EXPECT_STREQ(engineErrorText(kEngineErrorCount), "An unknown error occurred");
  EXPECT_STREQ(engineErrorText(INT32_MIN), "An unknown error occurred");
}

}  // namespace
}  // namespace skyloom
