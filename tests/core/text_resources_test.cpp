// The helpers that speak through the language library: document kind names, the
// required-field box, the document version check and the out-of-memory warning of the
// text-file reader.
#include <string>
#include <vector>

#include "LanguageLibraryFixture.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"

namespace {

class TextResources : public slateway::testing::LanguageLibraryTest {};

// Records the wait cursor's count while each box is up.
class CountingHandler : public platform::MessageBoxHandler {
 public:
  int OnMessageBox(const platform::MessageBoxRecord& box) override {
    counts.push_back(GetWaitCursorCount());
    return platform::DefaultMessageBoxButton(box.style);
  }
  std::vector<int> counts;
};

TEST_F(TextResources, DocumentKindNamesComeFromTheLibrary) {
  struct Row {
    int kind;
    const char16_t* name;
  } rows[] = {{0, u"Invoice"},     {1, u"Estimate"},    {2, u"Sales Receipt"}, {3, u"Payment"},
              {4, u"Sales Order"}, {5, u"Credit Memo"}, {6, u"Memorized"},     {7, u"Invoice"}, {-1, u"Invoice"}};
  for (const auto& r : rows) {
    CBstr out;
    EXPECT_EQ(GetDocumentTypeName(r.kind, out), static_cast<int>(std::u16string(r.name).size()));
    EXPECT_EQ(out.str(), r.name);
  }
}

TEST_F(TextResources, RequiredFieldBoxNamesTheLabelWithoutItsColon) {
  CountingHandler handler;
  platform::SetMessageBoxHandler(&handler);
  BeginWaitCursor();
  ShowRequiredFieldMessage(nullptr, u"Customer:");
  ShowRequiredFieldMessage(nullptr, u"Rate 100%: per hour");
  EndWaitCursor();
  platform::SetMessageBoxHandler(nullptr);
  auto log = platform::MessageBoxLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].text, u"'Customer' is a required field.");
  EXPECT_EQ(log[0].caption, u"Slateway");
  EXPECT_EQ(log[0].style, 48u);
  EXPECT_EQ(log[1].text, u"'Rate 100%' is a required field.");
  EXPECT_EQ(handler.counts, (std::vector<int>{0, 0}));  // the arrow during each box
  EXPECT_EQ(GetWaitCursorCount(), 0);
}

TEST_F(TextResources, DocumentVersionsAndTheNewerVersionWarning) {
  struct Row {
    const char16_t* text;
    int version;
    bool warns;
  } rows[] = {{u"", 2, false},  {u"2", 2, false},  {u"1", 2, false},   {u"V3", 3, false}, {u"v4", 4, false},
              {u"VV3", 3, false}, {u"ab3", 3, false}, {u"x", 2, false}, {u"5", 4, true},   {u"V10", 4, true}};
  for (const auto& r : rows) {
    platform::ClearMessageBoxLog();
    EXPECT_EQ(ParseDocumentVersion(nullptr, CBstr(r.text)), r.version) << platform::ToUtf8(r.text);
    auto log = platform::MessageBoxLog();
    ASSERT_EQ(log.size(), r.warns ? 1u : 0u) << platform::ToUtf8(r.text);
    if (r.warns) {
      EXPECT_NE(log[0].text.find(u"(version " + std::u16string(r.text) + u")"), std::u16string::npos);
      EXPECT_EQ(log[0].style, 48u);
    }
  }
}

TEST_F(TextResources, ReadTextFileWarnsWhenMemoryRunsOut) {
  WriteText(u"\\Temp\\list.txt", "some text");
  CBstr out(u"kept");
  platform::InjectFault(platform::Fault::Allocation);
  EXPECT_EQ(ReadTextFile(nullptr, u"\\Temp\\list.txt", out), 0);
  EXPECT_EQ(out.str(), u"kept");
  auto log = platform::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].text.find(u"not enough memory"), std::u16string::npos);
  // The file was closed: it opens unshared again.
  EXPECT_EQ(ReadTextFile(nullptr, u"\\Temp\\list.txt", out), 1);
  EXPECT_EQ(out.str(), u"some text");
}

}  // namespace
