// The report viewer: the options it asks for by report, a cancelled form, figures at the
// right of their column, the zoom and fit-to-screen choices kept for the next viewer, and
// the requests sent to the main window.
#include <algorithm>
#include <vector>

#include "../core/FieldFormTyping.h"
#include "ReportTestSupport.h"
#include "core/FieldForm.h"
#include "platform/testing/UiScript.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Controls.h"
#include "reports/Report.h"
#include "document/HtmlView.h"
#include "reports/ReportView.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;

struct Posted {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Posted>* g_posted = nullptr;

LRESULT MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (g_posted && msg >= WM_USER + 141 && msg <= WM_USER + 148) g_posted->push_back({msg, wParam, lParam});
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class ReportViewTest : public report_test::ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    WNDCLASSW wc{};
    wc.lpfnWndProc = MainWindowProc;
    wc.lpszClassName = u"ReportMain";
    RegisterClassW(&wc);
    main = CreateWindowExW(0, u"ReportMain", u"", 0, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
    g_posted = &posted;
    WriteFixture();
  }
  void TearDown() override {
    DestroyWindow(main);
    g_posted = nullptr;
    ReportTest::TearDown();
  }
  std::unique_ptr<CReportView> Open(int kind, std::u16string_view documentId = u"") {
    auto view = std::make_unique<CReportView>(nullptr, main, items, kind, documentId);
    view->ShowReport();
    DispatchPosted();
    return view;
  }
  static std::u16string Row(DialogDriver& d, int row, int column) {
    return d.ListView(IDC_FORM_LIST).Text(row, column);
  }
  static std::u16string Pref(std::u16string_view name) {
    std::u16string text;
    CPreferences().GetString(name, text);
    return text;
  }

  HWND main = nullptr;
  std::vector<Posted> posted;
};

TEST_F(ReportViewTest, TheOptionsFormGivesTheRangeAndRemembersThePreset) {
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Report Options");
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Count(), 3) << "no Documents row for this report";
    EXPECT_EQ(Row(d, 0, 2), u"Today");
    EXPECT_EQ(Row(d, 1, 2), u"3/10/2026");
    EXPECT_EQ(Row(d, 2, 2), u"3/10/2026");
    SendMessageW(d.Window(), kMsgStartEditor, 0, 1);  // the pickers run the next steps
    SendMessageW(d.Window(), kMsgStartEditor, 0, 2);
    d.Ok();
  });
  for (int daysBack : {9, 7}) {
    ui.ExpectDialog(IDD_DATE_PICKER, [daysBack](DialogDriver& d) {
      SetFocus(d.Control(IDC_DATE_CALENDAR));
      for (int i = 0; i < daysBack; ++i) d.Key(VK_LEFT);
      d.Ok();
    });
  }
  auto view = Open(kReportRouteCash);
  EXPECT_EQ(ui.Pending(), 0u);
  ASSERT_NE(view->GetView(), nullptr);
  EXPECT_EQ(view->GetReport()->GetStartDate(), u"3/1/2026");
  const std::u16string& html = view->GetReport()->GetHtml();
  EXPECT_NE(html.find(u"CHARGE SALES"), std::u16string::npos);
  EXPECT_NE(html.find(u"$125.00"), std::u16string::npos) << platform::ToUtf8(html);
  EXPECT_EQ(Pref(u"LastReportDates"), u"Today");
}

TEST_F(ReportViewTest, ACancelledFormClosesTheViewerWithoutBuilding) {
  CPreferences().SetString(u"LastReportDates", u"All");  // the dates chosen last on a report's options
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(Row(d, 1, 2), u"") << "All: no dates";
    EXPECT_EQ(Row(d, 3, 1), u"Documents:");
    EXPECT_EQ(Row(d, 3, 2), u"Sales Orders");
    // A range chosen shows the dates it runs with at once.
    slateway::testing::ChooseInField(d, d.Window(), 0, u"Last Week");
    EXPECT_EQ(Row(d, 1, 2), u"3/1/2026");
    EXPECT_EQ(Row(d, 2, 2), u"3/7/2026");
    slateway::testing::ChooseInField(d, d.Window(), 0, u"Today");
    EXPECT_EQ(Row(d, 1, 2), u"3/10/2026");
    EXPECT_EQ(Row(d, 2, 2), u"3/10/2026");
    d.Cancel();
  });
  auto view = Open(kReportPickList);
  EXPECT_EQ(view->GetView(), nullptr);
  EXPECT_FALSE(IsWindowVisible(view->GetWindow()));
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].msg, kMsgReportClosed);
}

TEST_F(ReportViewTest, AReportOnOneDocumentAsksNothing) {
  platform::testing::UiScript ui;
  auto view = Open(kReportProfitMargin, u"D2.QVN");
  ASSERT_NE(view->GetView(), nullptr);
  EXPECT_NE(view->GetReport()->GetHtml().find(u"20.00"), std::u16string::npos);
  EXPECT_NE(view->GetReport()->GetHtml().find(u"D2.QVN"), std::u16string::npos);
}

// The figures of a report stand at the right of their column, as its cells ask: on the
// screen the Profit Margin's amounts end at the page's right margin.
TEST_F(ReportViewTest, FiguresStandAtTheRightOfTheirColumn) {
  platform::testing::UiScript ui;
  auto view = Open(kReportProfitMargin, u"D2.QVN");
  ASSERT_NE(view->GetView(), nullptr);
  HWND page = view->GetView()->GetInnerWindow();
  platform::PumpMessages();
  UpdateWindow(page);
  RECT box;
  GetWindowRect(page, &box);
  // The rightmost dark pixel of the text, rules across the page left out.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, platform::ScreenBitmap());
  int rightmost = -1;
  for (int y = box.top; y < box.bottom; ++y) {
    int dark = 0, last = -1;
    for (int x = box.left; x < box.right - 3; ++x) {  // short of the frame
      COLORREF c = GetPixel(dc, x, y);
      if (GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96) ++dark, last = x;
    }
    if (dark < (box.right - box.left) / 2) rightmost = std::max(rightmost, last);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_GT(rightmost, box.right - 16) << "the amounts end " << box.right - rightmost << " px from the right";
}

TEST_F(ReportViewTest, ZoomAndFitAreKeptForTheNextViewer) {
  auto view = Open(kReportRouteAccount);
  EXPECT_EQ(view->GetZoom(), 1);
  EXPECT_TRUE(view->GetFitToScreen());
  for (int i = 0; i < 4; ++i) view->OnCommand(IDM_ZOOM_NEXT);
  EXPECT_EQ(view->GetZoom(), 0) << "zoom wraps after the largest";
  view->OnCommand(IDM_FIT_TO_SCREEN);
  view.reset();
  auto next = Open(kReportRouteAccount);
  EXPECT_EQ(next->GetZoom(), 0);
  EXPECT_FALSE(next->GetFitToScreen());
  next->OnCommand(IDM_ZOOM3);
  EXPECT_EQ(CPreferences().GetDword(u"FontSize", 1), 3u);
}

TEST_F(ReportViewTest, PrintSaveAndMailAreAskedOfTheMainWindowWithTheReport) {
  auto view = Open(kReportRouteAccount);
  EXPECT_NE(view->GetReport()->GetHtml().find(u"Route Sales Accountability"), std::u16string::npos);
  view->OnCommand(IDM_TOOLBAR_BUTTON);
  ASSERT_NE(view->GetToolbar(), nullptr);
  EXPECT_EQ(SendMessageW(view->GetMenuBar(), TB_GETSTATE, IDM_TOOLBAR_BUTTON, 0), TBSTATE_ENABLED | TBSTATE_PRESSED);
  view->OnCommand(IDM_REPORT_PRINT);
  view->OnCommand(IDM_REPORT_SAVE_HTML);
  view->OnCommand(IDM_REPORT_EMAIL_HTML);  // sent at once
  DispatchPosted();
  const LPARAM report = reinterpret_cast<LPARAM>(view->GetReport());
  const WPARAM window = reinterpret_cast<WPARAM>(view->GetWindow());
  ASSERT_EQ(posted.size(), 3u);
  EXPECT_EQ(std::tie(posted[0].msg, posted[0].wParam, posted[0].lParam),
            std::tie(kMsgEmailReport, static_cast<const WPARAM&>(0), report));
  EXPECT_EQ(std::tie(posted[1].msg, posted[1].wParam, posted[1].lParam),
            std::tie(kMsgPrintReport, window, report));
  EXPECT_EQ(posted[2].msg, kMsgSaveReport);
  view->OnCommand(IDOK);
  DispatchPosted();
  EXPECT_EQ(posted.back().msg, kMsgReportClosed);
}

}  // namespace
