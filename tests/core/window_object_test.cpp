// Objects that run windows and dialogs. Groups:
//   WindowObject  - a window class reaches its object from WM_NCCREATE on; unbound after
//                   WM_NCDESTROY; a handler destroying its own window; an object that goes
//                   first takes its window along; a second window never steals an object
//   DialogObject  - modeless and modal dialogs from a template, through a plain procedure
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/WindowObject.h"
#include "platform/testing/DeviceFixture.h"

namespace {

using platform::testing::DeviceTest;

constexpr UINT kCloseYourself = WM_USER + 1;

// Records what reached it, by name, in one log the test reads.
class CLogWindow : public CWindowObject<CLogWindow> {
 public:
  explicit CLogWindow(std::vector<std::string>& log) : m_log(log) {}

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_NCCREATE: m_log.push_back(GetHwnd() ? "nccreate bound" : "nccreate unbound"); break;
      case WM_CREATE: m_log.push_back("create"); break;
      case WM_NCDESTROY: m_log.push_back("ncdestroy"); break;
      case kCloseYourself:
        DestroyWindow(GetHwnd());
        // Still here, and told the window is gone.
        m_log.push_back(GetHwnd() ? "after destroy bound" : "after destroy unbound");
        return 7;
    }
    return DefaultHandling(msg, wParam, lParam);
  }
  void OnFinalMessage(HWND) {
    m_log.push_back("final");
    if (m_onFinal) m_onFinal();
  }

  std::function<void()> m_onFinal;

 private:
  std::vector<std::string>& m_log;
};

class WindowObject : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WNDCLASSW wc;
    wc.lpfnWndProc = CLogWindow::Dispatch;
    wc.lpszClassName = u"ObjectWindow";
    ASSERT_NE(RegisterClassW(&wc), 0);
  }
  static HWND Make(CLogWindow& object) {
    return object.Create(0, u"ObjectWindow", u"", WS_POPUP, RECT{0, 0, 100, 100}, nullptr, nullptr, nullptr);
  }
  std::vector<std::string> m_log;
};

TEST_F(WindowObject, WindowReachesItsObjectUntilItIsDestroyed) {
  CLogWindow object(m_log);
  HWND hwnd = Make(object);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(object.GetHwnd(), hwnd);
  EXPECT_EQ(CLogWindow::FromHandle(hwnd), &object);
  DestroyWindow(hwnd);
  EXPECT_EQ(object.GetHwnd(), nullptr);
  EXPECT_EQ(m_log, (std::vector<std::string>{"nccreate bound", "create", "ncdestroy", "final"}));
  EXPECT_EQ(platform::LiveWindowCount(), 0);
}

TEST_F(WindowObject, HandlerMayDestroyItsWindowAndTheObjectGoesLast) {
  auto owned = std::make_unique<CLogWindow>(m_log);
  // The object owns itself through the test's pointer: the final message deletes it.
  owned->m_onFinal = [&owned] { owned.reset(); };
  HWND hwnd = Make(*owned);
  ASSERT_NE(hwnd, nullptr);
  m_log.clear();
  EXPECT_EQ(SendMessageW(hwnd, kCloseYourself, 0, 0), 7);
  EXPECT_EQ(m_log, (std::vector<std::string>{"ncdestroy", "after destroy unbound", "final"}));
  EXPECT_EQ(owned, nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowObject, ObjectThatGoesFirstTakesItsWindowAlong) {
  HWND hwnd = nullptr;
  {
    CLogWindow object(m_log);
    hwnd = Make(object);
    ASSERT_NE(hwnd, nullptr);
  }
  EXPECT_FALSE(IsWindow(hwnd));
  // The window's last messages found no object.
  EXPECT_EQ(m_log, (std::vector<std::string>{"nccreate bound", "create"}));
}

TEST_F(WindowObject, SecondWindowDoesNotTakeABoundObject) {
  CLogWindow object(m_log);
  HWND first = Make(object);
  HWND second = Make(object);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(object.GetHwnd(), first);
  EXPECT_EQ(CLogWindow::FromHandle(second), nullptr);
  DestroyWindow(second);
  EXPECT_EQ(object.GetHwnd(), first);
  DestroyWindow(first);
}

// ---- Dialogs ---------------------------------------------------------------------------

// A DIALOG template with no controls, no menu, the dialog class and no title.
struct EmptyTemplate {
  alignas(4) WORD words[12] = {};
  explicit EmptyTemplate(DWORD style) {
    DLGTEMPLATE header{style, 0, 0, 0, 0, 80, 40};
    std::memcpy(words, &header, sizeof header);
  }
  LPCDLGTEMPLATEW get() const { return reinterpret_cast<LPCDLGTEMPLATEW>(words); }
};

class CNotesDialog : public CDialogObject<CNotesDialog> {
 public:
  INT_PTR HandleMessage(UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
      m_initialised = true;
      if (m_endAtOnce) EndDialog(GetHwnd(), 42);
      return TRUE;
    }
    if (msg == WM_NCDESTROY) m_destroyedWhileBound = GetHwnd() != nullptr;
    return FALSE;
  }
  void OnFinalMessage(HWND) { ++m_finalMessages; }

  bool m_endAtOnce = false;
  bool m_initialised = false;
  bool m_destroyedWhileBound = false;
  int m_finalMessages = 0;
};

// The procedure a dialog is known by stays a plain one that hands over to its object.
INT_PTR NotesDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CNotesDialog::Dispatch(hwnd, msg, wParam, lParam);
}

using DialogObject = DeviceTest;

TEST_F(DialogObject, ModelessDialogReachesItsObjectThroughAPlainProcedure) {
  EmptyTemplate templ(WS_POPUP | WS_VISIBLE);
  CNotesDialog notes;
  HWND dialog = notes.CreateModeless(nullptr, templ.get(), nullptr, NotesDlgProc);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(notes.m_initialised);
  EXPECT_EQ(CNotesDialog::FromHandle(dialog), &notes);
  EXPECT_EQ(GetWindowLongW(dialog, DWL_USER), reinterpret_cast<LONG_PTR>(&notes));
  DestroyWindow(dialog);
  EXPECT_TRUE(notes.m_destroyedWhileBound);
  EXPECT_EQ(notes.GetHwnd(), nullptr);
  EXPECT_EQ(notes.m_finalMessages, 1);
  EXPECT_EQ(platform::LiveDialogCount(), 0);
}

TEST_F(DialogObject, ModalDialogEndsWithItsObjectsResult) {
  EmptyTemplate templ(WS_POPUP);
  CNotesDialog notes;
  notes.m_endAtOnce = true;
  EXPECT_EQ(notes.DoModal(nullptr, templ.get(), nullptr), 42);
  EXPECT_TRUE(notes.m_initialised);
  EXPECT_EQ(notes.GetHwnd(), nullptr);
  EXPECT_EQ(notes.m_finalMessages, 1);
  EXPECT_EQ(platform::LiveWindowCount(), 0);
}

}  // namespace
