// The program's message boxes and the wait cursor they suspend.
//
// Groups:
//   MessageBoxes.*   each routine's text, caption, style, result and cursor handling
//   WaitCursor.*     nesting, force, and what a box in between shows
#include <gtest/gtest.h>

#include <functional>

#include "LanguageLibraryFixture.h"
#include "core/MessageBoxes.h"
#include "platform/testing/MessageBoxScript.h"

namespace {

using platform::testing::MessageBoxScript;
using slateway::testing::LanguageLibraryTest;

// Answers every box with one button and notes what the cursor was while it showed.
class CursorWatcher final : public platform::MessageBoxHandler {
 public:
  explicit CursorWatcher(int answer) : m_answer(answer) { m_previous = platform::SetMessageBoxHandler(this); }
  ~CursorWatcher() override { platform::SetMessageBoxHandler(m_previous); }
  int OnMessageBox(const platform::MessageBoxRecord& box) override {
    boxes.push_back(box);
    cursors.push_back(platform::CurrentCursorId());
    counts.push_back(GetWaitCursorCount());
    return m_answer;
  }
  std::vector<platform::MessageBoxRecord> boxes;
  std::vector<WORD> cursors;
  std::vector<int> counts;

 private:
  int m_answer;
  platform::MessageBoxHandler* m_previous = nullptr;
};

const HWND kOwner = reinterpret_cast<HWND>(0x4242);
const std::u16string kVersionFormat = u"This document was saved by a newer version of Slateway (version %s). "
                                      u"Some of its details may not show.";

struct RoutineCase {
  const char* name;
  std::function<int()> call;  // the routine's result as a number (-1 for none)
  std::u16string text;
  UINT style;
  bool suspends;
  bool hasOwner;
  int answer;
  int result;
};

std::vector<RoutineCase> Routines() {
  auto fill = [](std::u16string_view value) {
    std::u16string text = kVersionFormat;
    text.replace(text.find(u"%s"), 2, value);
    return text;
  };
  return {
      {"MessageBoxFromResource", [] { return MessageBoxFromResource(kOwner, 40113, MB_OKCANCEL); }, u"Invoice",
       MB_OKCANCEL, false, true, IDCANCEL, IDCANCEL},
      {"ShowWarningMessage", [] { ShowWarningMessage(kOwner, 40235); return -1; }, u"Aborted.", 48, true, true, IDOK, -1},
      {"ShowMemoryErrorMessage", [] { ShowMemoryErrorMessage(kOwner); return -1; },
       u"There is not enough memory to finish this operation. Close other programs and try again.", 48, false, true,
       IDOK, -1},
      {"AskYesNoRes yes", [] { return int(AskYesNoRes(kOwner, 40118)); }, u"Estimate", 52, false, true, IDYES, 1},
      {"AskYesNoRes no", [] { return int(AskYesNoRes(kOwner, 40118)); }, u"Estimate", 52, false, true, IDNO, 0},
      {"ShowWarningResText", [] { return int(ShowWarningResText(kOwner, 16, u"6.1")); }, fill(u"6.1"), 48, true, true,
       IDOK, 0},
      // A value given to a format that asks for a text fills nothing, safely.
      {"AskYesNoResValue", [] { return int(AskYesNoResValue(kOwner, 16, 7)); }, fill(u""), 52, true, true, IDYES, 1},
      {"AskYesNoResValue text", [] { return int(AskYesNoResValue(kOwner, 16, u"Acme")); }, fill(u"Acme"), 52, true,
       true, IDNO, 0},
      {"ShowErrorResValue", [] { ShowErrorResValue(kOwner, 40113, 5); return -1; }, u"Invoice", 16, true, true, IDOK, -1},
      {"ShowFormattedInfoMessage", [] { return int(ShowFormattedInfoMessage(kOwner, 16, u"5")); }, fill(u"5"), 64,
       true, true, IDOK, 0},
      {"ShowUpdateError", [] { ShowUpdateError(kOwner, u"Items"); return -1; }, u"Error updating Items.", 48, true,
       true, IDOK, -1},
      {"ShowWarningFmtValue", [] { ShowWarningFmtValue(kOwner, u"Code %d.", static_cast<DWORD>(-3)); return -1; },
       u"Code -3.", 48, true, true, IDOK, -1},
      {"AskYesNoFmtText yes", [] { return int(AskYesNoFmtText(kOwner, u"Delete %s?", u"Acme")); }, u"Delete Acme?", 52,
       true, true, IDYES, 1},
      {"AskYesNoFmtText no", [] { return int(AskYesNoFmtText(kOwner, u"Delete %s?", u"Acme")); }, u"Delete Acme?", 52,
       true, true, IDNO, 0},
      {"ShowInfoFmtValue", [] { ShowInfoFmtValue(kOwner, u"%lu items updated.", 12); return -1; },
       u"12 items updated.", 64, true, true, IDOK, -1},
      {"ShowLastErrorBox",
       [] {
         SetLastError(ERROR_ACCESS_DENIED);
         return int(ShowLastErrorBox(u"Cannot open the file (%ld)."));
       },
       u"Error 5 occurred.  Cannot open the file (5).", 48, false, false, IDOK, 5},
  };
}

// ---- MessageBoxes ----------------------------------------------------------------------

TEST_F(LanguageLibraryTest, MessageBoxesShowTextCaptionStyleAndGiveTheirResult) {
  for (const RoutineCase& c : Routines()) {
    SCOPED_TRACE(c.name);
    BeginWaitCursor(true);
    CursorWatcher watcher(c.answer);
    EXPECT_EQ(c.call(), c.result);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    const platform::MessageBoxRecord& box = watcher.boxes[0];
    EXPECT_EQ(platform::ToUtf8(box.text), platform::ToUtf8(c.text));
    EXPECT_EQ(box.caption, u"Slateway");
    EXPECT_EQ(box.style, c.style);
    EXPECT_EQ(box.owner, c.hasOwner ? kOwner : nullptr);
    // With the wait cursor up once, a suspending routine shows the arrow during its box.
    EXPECT_EQ(watcher.cursors[0], c.suspends ? IDC_ARROW_ID : IDC_WAIT_ID);
    EXPECT_EQ(watcher.counts[0], c.suspends ? 0 : 1);
    EXPECT_EQ(GetWaitCursorCount(), 1) << "the count is back after the box";
    EXPECT_EQ(platform::CurrentCursorId(), IDC_WAIT_ID);
    EndWaitCursor(true);
  }
}

TEST_F(LanguageLibraryTest, MessageBoxesFormattedTextsAreCutNotOverrun) {
  std::u16string name(500, u'n');
  MessageBoxScript boxes;
  boxes.ExpectAny();
  boxes.ExpectAny();
  ShowUpdateError(nullptr, name.c_str());
  SetLastError(2);
  EXPECT_EQ(ShowLastErrorBox(u"Missing: " + name), 2u);
  ASSERT_EQ(boxes.Shown().size(), 2u);
  EXPECT_EQ(boxes.Shown()[0].text.size(), 383u);
  EXPECT_EQ(boxes.Shown()[0].text.substr(0, 16), u"Error updating n");
  // The first step stops at 255 characters, then the prefix is added.
  EXPECT_EQ(boxes.Shown()[1].text, u"Error 2 occurred.  Missing: " + name.substr(0, 255 - 9));
}

TEST_F(LanguageLibraryTest, MessageBoxesMissingTextShowsAnEmptyBox) {
  MessageBoxScript boxes;
  boxes.Expect(u"").Caption(u"Slateway").Style(48);
  ShowWarningMessage(nullptr, 40119);
}

// ---- WaitCursor ------------------------------------------------------------------------

TEST_F(LanguageLibraryTest, WaitCursorNestsAndShowsOnlyAtTheEdges) {
  BeginWaitCursor();
  BeginWaitCursor();
  EXPECT_EQ(GetWaitCursorCount(), 2);
  EndWaitCursor();
  EXPECT_EQ(platform::CurrentCursorId(), IDC_WAIT_ID) << "one level still waits";
  EndWaitCursor();
  EXPECT_EQ(platform::CurrentCursorId(), IDC_ARROW_ID);
  EXPECT_EQ(platform::CursorHistory(), (std::vector<WORD>{IDC_WAIT_ID, IDC_ARROW_ID}))
      << "inner levels show nothing";
}

TEST_F(LanguageLibraryTest, WaitCursorBoxInsideTwoLevelsKeepsTheWaitCursor) {
  BeginWaitCursor();
  BeginWaitCursor();
  {
    CursorWatcher watcher(IDOK);
    ShowWarningMessage(nullptr, 40235);
    ASSERT_EQ(watcher.cursors.size(), 1u);
    EXPECT_EQ(watcher.cursors[0], IDC_WAIT_ID);
    EXPECT_EQ(watcher.counts[0], 1);
  }
  EXPECT_EQ(GetWaitCursorCount(), 2);
  EXPECT_EQ(platform::CursorHistory(), (std::vector<WORD>{IDC_WAIT_ID}));
}

TEST_F(LanguageLibraryTest, WaitCursorBoxWithoutWaitCursorGoesThroughMinusOne) {
  CursorWatcher watcher(IDOK);
  ShowUpdateError(nullptr, u"Items");
  EXPECT_EQ(watcher.counts[0], -1);
  EXPECT_EQ(GetWaitCursorCount(), 0);
  EXPECT_TRUE(platform::CursorHistory().empty()) << "no cursor change when none was up";
}

TEST_F(LanguageLibraryTest, WaitCursorForceSetsAndClears) {
  BeginWaitCursor();
  BeginWaitCursor();
  BeginWaitCursor();
  EndWaitCursor(true);
  EXPECT_EQ(GetWaitCursorCount(), 0);
  EXPECT_EQ(platform::CurrentCursorId(), IDC_ARROW_ID);
  EndWaitCursor();
  EXPECT_EQ(GetWaitCursorCount(), -1);
  BeginWaitCursor(true);
  EXPECT_EQ(GetWaitCursorCount(), 1);
  EXPECT_EQ(platform::CurrentCursorId(), IDC_WAIT_ID);
}

}  // namespace
