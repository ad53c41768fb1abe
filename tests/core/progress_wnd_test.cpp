// The progress window driven as a long operation drives it: steps between pumps, the
// user's Abort seen at the next step, Ok closing the window once.
#include <memory>

#include "LanguageLibraryFixture.h"
#include "core/ProgressWnd.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT kStartWork = WM_USER + 1;
constexpr UINT kPing = WM_USER + 2;

class ProgressWindow : public slateway::testing::LanguageLibraryTest {
 protected:
  void SetUp() override {
    LanguageLibraryTest::SetUp();
    s_self = this;
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = u"ProgressOwner";
    RegisterClassW(&wc);
    m_owner = CreateWindowExW(0, u"ProgressOwner", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr,
                              nullptr, nullptr);
    m_progress = std::make_unique<CProgressWnd>(GetResourceInstance(), m_owner, m_owner);
  }
  void TearDown() override {
    m_progress.reset();
    DestroyWindow(m_owner);
    EXPECT_EQ(platform::LiveWindowCount(), 0);
    LanguageLibraryTest::TearDown();
  }
  // Counts the owner's messages; a request for the work while it runs is refused, as the
  // program's handlers do.
  static LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ProgressWindow& t = *s_self;
    if (msg == kMsgProgressClosed) ++t.m_closed;
    if (msg == kPing) ++t.m_pings;
    if (msg == kStartWork && t.m_progress && t.m_progress->IsRunning()) ++t.m_refused;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  // Five steps, each announced; at step 2 the user presses Abort or asks for the work again.
  void RunWork(bool abortAt2) {
    for (int step = 0; step < 5; ++step) {
      if (step == 2) {
        PostMessageW(m_owner, kPing, 0, 0);
        PostMessageW(abortAt2 ? m_progress->GetHwnd() : m_owner, abortAt2 ? WM_COMMAND : kStartWork, IDCANCEL, 0);
      }
      if (!m_progress->SetStatus(CBstr(u"Step"))) return;
      ++m_steps;
    }
    m_progress->SetStatusId(IDS_PROGRESS_ABORTED, true);
  }
  std::u16string Text(int id) const { return platform::testing::DialogDriver(m_progress->GetHwnd()).Text(id); }

  static inline ProgressWindow* s_self = nullptr;
  HWND m_owner = nullptr;
  std::unique_ptr<CProgressWnd> m_progress;
  int m_steps = 0, m_pings = 0, m_closed = 0, m_refused = 0;
};

TEST_F(ProgressWindow, AbortIsSeenAtTheNextStepAndOkClosesOnce) {
  ASSERT_TRUE(m_progress->Show(CBstr(u"Updating lists"), true));
  EXPECT_EQ(platform::testing::DialogDriver(m_progress->GetHwnd()).Caption(), u"Updating lists");
  EXPECT_EQ(Text(IDCANCEL), u"Abort");
  RunWork(true);
  // Abort did not close the window: the step after it stopped the work.
  EXPECT_EQ(m_steps, 2);
  EXPECT_EQ(m_pings, 1);
  EXPECT_TRUE(m_progress->IsAborted());
  EXPECT_FALSE(m_progress->IsRunning());
  EXPECT_EQ(Text(IDC_PROGRESS_STATUS), u"Aborted.");
  EXPECT_EQ(Text(IDCANCEL), u"Ok");

  // Showing again clears the stop request and only relabels the button.
  m_progress->Show(CBstr(u"Again"), true);
  EXPECT_FALSE(m_progress->IsAborted());
  EXPECT_EQ(Text(IDCANCEL), u"Abort");
  m_progress->SetStatusId(IDS_PROGRESS_ABORTED, true);
  platform::testing::DialogDriver(m_progress->GetHwnd()).Tap(IDCANCEL);
  EXPECT_EQ(m_progress->GetHwnd(), nullptr);
  m_progress->PumpMessages();
  EXPECT_EQ(m_closed, 1);
  EXPECT_EQ(m_progress->SetStatus(CBstr(u"late")), 1);  // no window comes back
}

TEST_F(ProgressWindow, PumpingLetsOtherWindowsWorkWithoutRunningTheWorkTwice) {
  ASSERT_TRUE(m_progress->Show(CBstr(u"Loading"), false));
  EXPECT_FALSE(platform::testing::DialogDriver(m_progress->GetHwnd()).IsVisible(IDCANCEL));
  RunWork(false);
  // The messages posted during the work were each handled once; the second request came
  // while the work ran.
  EXPECT_EQ(m_pings, 1);
  EXPECT_EQ(m_refused, 1);
  EXPECT_EQ(m_steps, 5);
  // Finished: the hidden button came back as Ok.
  EXPECT_FALSE(m_progress->IsRunning());
  EXPECT_TRUE(platform::testing::DialogDriver(m_progress->GetHwnd()).IsVisible(IDCANCEL));
  EXPECT_EQ(Text(IDCANCEL), u"Ok");
  EXPECT_EQ(m_closed, 0);
}

}  // namespace
