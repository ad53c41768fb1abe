// The language-library test device with a fresh drawing area; at the end it checks that
// the test left no drawing object or context alive.
#pragma once

#include "LanguageLibraryFixture.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Files.h"
#include "platform/testing/DrawingFixture.h"

namespace slateway::testing {

class DrawingLibraryTest : public LanguageLibraryTest {
 protected:
  void SetUp() override {
    platform::ResetGdi();
    LanguageLibraryTest::SetUp();
    CreateDirectoryW(u"\\My Documents", nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(platform::LiveGdiObjectCount(), 0) << "a drawing object or context was left alive";
    platform::ResetGdi();
    LanguageLibraryTest::TearDown();
  }

};

}  // namespace slateway::testing
