// Tests of the forms built on the data-entry dialog: the language library installed, an
// edit typed into a field as a person would, and no window left behind.
#pragma once

#include "LanguageLibraryFixture.h"
#include "FieldFormTyping.h"

namespace slateway::testing {

class FieldFormTest : public LanguageLibraryTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(platform::LiveWindowCount(), 0) << "a window outlived its form";
    LanguageLibraryTest::TearDown();
  }
  // Opens the editor of `field`, selects its text and types `text` over it.
  static void Edit(platform::testing::DialogDriver& d, int field, std::u16string_view text) {
    TypeIntoField(d, d.Window(), field, text);
  }
};

}  // namespace slateway::testing
