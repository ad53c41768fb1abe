// The progress window driven as a long operation drives it: steps between pumps, the
// user's Abort seen at the next step, Ok closing the window once.
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
    ASSERT_NE(m_owner, nullptr);
  }
  void TearDown() override {
    DestroyWindow(m_owner);
    EXPECT_EQ(platform::LiveWindowCount(), 0);
    s_self = nullptr;
    LanguageLibraryTest::TearDown();
  }
  static LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (s_self && msg == CProgressWnd::kClosed) ++s_self->m_closed;
    if (s_self && msg == kPing) ++s_self->m_pings;
    // A request for the work while it runs is refused, as the program's handlers do.
    if (s_self && msg == kStartWork) {
      if (s_self->m_progress->IsRunning()) ++s_self->m_refused;
      else s_self->RunWork();
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  // The operation: five steps, each announced, stopping when told.
  void RunWork() {
    ++m_runs;
    for (int step = 0; step < 5; ++step) {
      if (step == 2) {
        PostMessageW(m_owner, kPing, 0, 0);
        if (m_abortAt2) PostMessageW(m_progress->GetHwnd(), WM_COMMAND, IDCANCEL, 0);
        else PostMessageW(m_owner, kStartWork, 0, 0);  // a second request while the first runs
      }
      if (!m_progress->SetStatus(CBstr(u"Step " + std::u16string(1, u'1' + step)))) return;
      ++m_steps;
    }
    m_progress->SetStatusId(IDS_PROGRESS_ABORTED, true);
  }
  std::u16string Text(int id) const {
    platform::testing::DialogDriver d(m_progress->GetHwnd());
    return d.Text(id);
  }
  void Pump() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  static inline ProgressWindow* s_self = nullptr;
  HWND m_owner = nullptr;
  CProgressWnd* m_progress = nullptr;
  bool m_abortAt2 = false;
  int m_runs = 0;
  int m_steps = 0;
  int m_pings = 0;
  int m_closed = 0;
  int m_refused = 0;
};

TEST_F(ProgressWindow, AbortIsSeenAtTheNextStepAndOkClosesOnce) {
  CProgressWnd progress(GetResourceInstance(), m_owner, m_owner);
  m_progress = &progress;
  ASSERT_TRUE(progress.Show(CBstr(u"Updating lists"), true));
  EXPECT_EQ(platform::testing::DialogDriver(progress.GetHwnd()).Caption(), u"Updating lists");
  EXPECT_TRUE(progress.IsRunning());
  EXPECT_EQ(Text(IDCANCEL), u"Abort");
  m_abortAt2 = true;
  RunWork();
  // Abort did not close the window: the step after it stopped the work.
  EXPECT_EQ(m_steps, 2);
  ASSERT_NE(progress.GetHwnd(), nullptr);
  EXPECT_TRUE(progress.IsAborted());
  EXPECT_FALSE(progress.IsRunning());
  EXPECT_EQ(Text(IDC_PROGRESS_STATUS), u"Aborted.");
  EXPECT_EQ(Text(IDCANCEL), u"Ok");
  EXPECT_EQ(m_pings, 1);

  // Showing again clears the stop request and turns the button back into Abort.
  progress.Show(CBstr(u"Again"), true);
  EXPECT_FALSE(progress.IsAborted());
  EXPECT_EQ(Text(IDCANCEL), u"Abort");
  progress.SetStatusId(IDS_PROGRESS_ABORTED, true);

  platform::testing::DialogDriver(progress.GetHwnd()).Tap(IDCANCEL);
  EXPECT_EQ(progress.GetHwnd(), nullptr);
  Pump();
  EXPECT_EQ(m_closed, 1);
  // The window is gone: further steps neither fail nor bring it back.
  EXPECT_EQ(progress.SetStatus(CBstr(u"late")), 1);
  EXPECT_EQ(progress.GetHwnd(), nullptr);
}

TEST_F(ProgressWindow, PumpingLetsOtherWindowsWorkWithoutRunningTheWorkTwice) {
  CProgressWnd progress(GetResourceInstance(), m_owner, m_owner);
  m_progress = &progress;
  ASSERT_TRUE(progress.Show(CBstr(u"Loading"), false));
  EXPECT_FALSE(platform::testing::DialogDriver(progress.GetHwnd()).IsVisible(IDCANCEL));
  RunWork();
  // The messages posted during the work were each handled once by the pump; the second
  // request came while the work ran and did not start it again.
  EXPECT_EQ(m_pings, 1);
  EXPECT_EQ(m_refused, 1);
  EXPECT_EQ(m_runs, 1);
  EXPECT_EQ(m_steps, 5);
  // Finished: the hidden button came back as Ok.
  EXPECT_FALSE(progress.IsRunning());
  EXPECT_TRUE(platform::testing::DialogDriver(progress.GetHwnd()).IsVisible(IDCANCEL));
  EXPECT_EQ(Text(IDCANCEL), u"Ok");
  EXPECT_EQ(m_closed, 0);
}

}  // namespace
