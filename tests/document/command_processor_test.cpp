// The command processor and its history.
//   CommandProcessor.Run*      a command that runs enters the history; a failing one and
//                              one that cannot be undone do not
//   CommandProcessor.Bound*    the history keeps `depth` commands and drops the oldest
//   CommandProcessor.Undo*/Redo*  stepping back and forth, empty stacks, stale redo steps
//   CommandProcessor.Message*  message 1125 to the window of a history
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Parcel.h"
#include "document/EditCommand.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Window.h"

namespace {

// A command that appends to a shared journal and counts its deletions.
struct Journal {
  std::vector<std::string> steps;
  int deleted = 0;
};

class FakeCommand : public CEditCommand {
 public:
  FakeCommand(Journal& journal, std::string tag, bool undoable = true, bool doWorks = true)
      : CEditCommand(std::u16string(tag.begin(), tag.end()).c_str()),
        m_journal(journal),
        m_tag(std::move(tag)),
        m_undoable(undoable),
        m_doWorks(doWorks) {}
  ~FakeCommand() override { ++m_journal.deleted; }
  bool Do(bool isRedo) override {
    m_journal.steps.push_back((isRedo ? "redo " : "do ") + m_tag);
    return m_doWorks;
  }
  bool Undo() override {
    m_journal.steps.push_back("undo " + m_tag);
    return true;
  }
  bool CanUndo() const override { return m_undoable; }
  bool CanRedo() const override { return m_undoable; }

 private:
  Journal& m_journal;
  std::string m_tag;
  bool m_undoable;
  bool m_doWorks;
};

class CommandProcessor : public platform::testing::DeviceTest {
 protected:
  bool Run(CCommandProcessor& processor, std::string tag, bool undoable = true, bool works = true) {
    processor.Submit(std::make_unique<FakeCommand>(journal, std::move(tag), undoable, works));
    return processor.ExecutePending();
  }
  // The 1153 messages waiting for the window.
  int Notices(HWND window) {
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, window, kMsgHistoryChanged, kMsgHistoryChanged, PM_REMOVE)) ++count;
    return count;
  }
  HWND MakeListener() {
    HWND window = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    m_windows.push_back(window);
    return window;
  }
  void TearDown() override {
    for (HWND window : m_windows) DestroyWindow(window);
    DeviceTest::TearDown();
  }
  Journal journal;
  std::vector<HWND> m_windows;
};

TEST_F(CommandProcessor, RunKeepsUndoableCommandsAndDropsFailedOnes) {
  CCommandProcessor processor(kDocumentHistoryDepth);
  HWND listener = MakeListener(), second = MakeListener(), third = MakeListener();
  processor.AddListener(listener);
  processor.AddListener(second);
  processor.AddListener(third);  // at most two are told
  EXPECT_FALSE(processor.ExecutePending()) << "nothing pending";
  EXPECT_TRUE(Run(processor, "a"));
  EXPECT_EQ(Notices(listener), 1);
  EXPECT_EQ(Notices(second), 1);
  EXPECT_EQ(Notices(third), 0);
  ASSERT_NE(processor.GetUndoName(), nullptr);
  EXPECT_EQ(processor.GetUndoName()->str(), u"a");

  EXPECT_FALSE(Run(processor, "refused", true, false));
  EXPECT_EQ(journal.deleted, 1);
  EXPECT_EQ(processor.GetUndoCount(), 1u);
  EXPECT_EQ(Notices(listener), 0) << "a failed command tells nobody";
}

TEST_F(CommandProcessor, RunOfACommandThatCannotBeUndoneEmptiesBothStacks) {
  CCommandProcessor processor(kDocumentHistoryDepth);
  HWND listener = MakeListener();
  processor.AddListener(listener);
  for (const char* tag : {"1", "2", "3", "4", "5"}) Run(processor, tag);
  processor.Undo();
  Notices(listener);
  EXPECT_TRUE(Run(processor, "final", false));
  EXPECT_FALSE(processor.CanUndo());
  EXPECT_FALSE(processor.CanRedo());
  EXPECT_EQ(journal.deleted, 6);
  EXPECT_EQ(Notices(listener), 1);
}

TEST_F(CommandProcessor, BoundDropsTheOldestCommand) {
  CCommandProcessor processor(kDocumentHistoryDepth);
  for (int i = 1; i <= 11; ++i) Run(processor, std::to_string(i));
  EXPECT_EQ(journal.deleted, 1);
  int undone = 0;
  while (processor.Undo()) ++undone;
  EXPECT_EQ(undone, 10);
  EXPECT_EQ(journal.steps.back(), "undo 2") << "the first command is gone";

  CCommandProcessor list(kListHistoryDepth);
  list.Submit(std::make_unique<FakeCommand>(journal, "never run"));
  list.Submit(std::make_unique<FakeCommand>(journal, "x"));
  EXPECT_EQ(journal.deleted, 2) << "the pending command pushed out is deleted";
  list.ExecutePending();
  Run(list, "y");
  EXPECT_TRUE(list.Undo());
  EXPECT_FALSE(list.Undo());
  EXPECT_EQ(journal.steps.back(), "undo y");
}

TEST_F(CommandProcessor, UndoAndRedoStepThroughTheHistory) {
  CCommandProcessor processor(kDocumentHistoryDepth);
  HWND listener = MakeListener();
  processor.AddListener(listener);
  EXPECT_FALSE(processor.Undo());
  EXPECT_FALSE(processor.Redo());
  EXPECT_EQ(Notices(listener), 0);

  Run(processor, "a");
  Run(processor, "b");
  EXPECT_TRUE(processor.Undo());
  EXPECT_EQ(processor.GetRedoName()->str(), u"b");
  EXPECT_TRUE(processor.Redo());
  EXPECT_EQ(journal.steps, (std::vector<std::string>{"do a", "do b", "undo b", "redo b"}));
  EXPECT_EQ(Notices(listener), 4);
}

// Undone steps were taken against the document as it was; after a new change they would
// re-apply stale values, so the new change ends them.
TEST_F(CommandProcessor, UndoneStepsEndWithANewChange) {
  CCommandProcessor processor(kDocumentHistoryDepth);
  Run(processor, "a");
  Run(processor, "b");
  processor.Undo();
  processor.Undo();
  Run(processor, "c");
  EXPECT_FALSE(processor.CanRedo());
  EXPECT_EQ(journal.deleted, 2);
  processor.Clear();
  EXPECT_FALSE(processor.CanUndo());
  EXPECT_EQ(journal.deleted, 3);
}

// A command that submits another while it runs (adding items through their own line
// commands): the inner one enters the history first.
TEST_F(CommandProcessor, RunNestsInsideARunningCommand) {
  class Outer : public FakeCommand {
   public:
    Outer(Journal& journal, CCommandProcessor& processor)
        : FakeCommand(journal, "outer"), m_journal(journal), m_processor(processor) {}
    bool Do(bool isRedo) override {
      m_processor.Submit(std::make_unique<FakeCommand>(m_journal, "inner"));
      m_processor.ExecutePending();
      return FakeCommand::Do(isRedo);
    }
    Journal& m_journal;
    CCommandProcessor& m_processor;
  };
  CCommandProcessor processor(kDocumentHistoryDepth);
  processor.Submit(std::make_unique<Outer>(journal, processor));
  EXPECT_TRUE(processor.ExecutePending());
  EXPECT_EQ(processor.GetUndoCount(), 2u);
  EXPECT_EQ(processor.GetUndoName()->str(), u"outer");
}

TEST_F(CommandProcessor, MessageRunsUndoesAndRedoes) {
  CCommandProcessor processor(kDocumentHistoryDepth);
  const LPARAM ticket = CParcelDesk::Leave(nullptr, std::unique_ptr<CEditCommand>(new FakeCommand(journal, "m")));
  EXPECT_EQ(HandleEditCommandMessage(processor, kEditCommandRun, ticket), 1);
  EXPECT_EQ(HandleEditCommandMessage(processor, kEditCommandRun, ticket), 0) << "a ticket runs once";
  EXPECT_EQ(HandleEditCommandMessage(processor, kEditCommandUndo, 0), 1);
  EXPECT_EQ(HandleEditCommandMessage(processor, kEditCommandRedo, 0), 1);
  EXPECT_EQ(HandleEditCommandMessage(processor, kEditCommandRedo, 0), 0);
  EXPECT_EQ(SendEditCommand(nullptr, std::make_unique<FakeCommand>(journal, "lost")), 0);
  EXPECT_EQ(journal.deleted, 1) << "a command with no window to take it is deleted";
}

}  // namespace
