// Tests of the forms built on the data-entry dialog: the language library installed, an
// edit typed into a field as a person would, and no window left behind.
#pragma once

#include "LanguageLibraryFixture.h"
#include "core/FieldForm.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"

namespace slateway::testing {

class FieldFormTest : public LanguageLibraryTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(platform::LiveWindowCount(), 0) << "a window outlived its form";
    LanguageLibraryTest::TearDown();
  }
  // Opens the editor of `field`, selects its text and types `text` over it.
  static void Edit(platform::testing::DialogDriver& d, int field, std::u16string_view text) {
    SendMessageW(d.Window(), CFieldForm::kStartEditor, 0, field);
    SendMessageW(d.Focus(), EM_SETSEL, 0, -1);
    d.Type(text);
  }
};

}  // namespace slateway::testing
