// The document's page in the HTML display: a golden invoice renders with its pictures, taps
// and holds on its links reach the editor, and line and total cells change in place; the
// help viewer opens a help file at its anchor.
#include <gtest/gtest.h>

#include <cairo.h>

#include <fstream>
#include <optional>
#include <algorithm>
#include <set>

#include "PagePixels.h"
#include "SalesDocumentFixture.h"
#include "StylesheetTestSupport.h"
#include "core/HtmlViewWindow.h"
#include "document/HtmlView.h"
#include "platform/gdi/Gdi.h"
#include "platform/htmlview/HelpViewer.h"
#include "platform/htmlview/HtmlControl.h"
#include "platform/htmlview/HtmlPage.h"
#include "platform/shell/Gesture.h"
#include "platform/testing/GestureClock.h"
#include "platform/user/Input.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"

namespace {

struct Sent {
  UINT message;
  WPARAM wParam;
  std::u16string text;
};

std::vector<Sent>* g_sent = nullptr;
CHtmlView* g_view = nullptr;

LRESULT EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY && g_view && g_view->OnNotify(window, static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam)))
    return 1;
  if (g_sent && message >= 1126 && message <= 1192 && message != WM_NOTIFY) {
    std::u16string text = message == 1126 || message == 1130
                              ? std::u16string(lParam ? reinterpret_cast<const char16_t*>(lParam) : u"<null>")
                              : u"";
    g_sent->push_back({message, wParam, text});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void WritePng(const std::filesystem::path& file, int width, int height, double red) {
  std::filesystem::create_directories(file.parent_path());
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, red, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(s, file.c_str());
  cairo_surface_destroy(s);
}

void SetHtmlPictureFolderForTest(HWND control) { platform::SetHtmlPictureFolder(control, u"\\Pics"); }

class HtmlViewTest : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    MakeFolders();
    platform::SetScreenSize(240, 470);  // the whole invoice at 96 dots per inch
    platform::SetTextProfile(platform::TextProfile::Display);
    g_sent = &sent;
  }
  void TearDown() override {
    m_doc.reset();
    g_view = nullptr;
    g_sent = nullptr;
    if (m_editor) DestroyWindow(m_editor);
    EXPECT_EQ(platform::LiveGdiObjectCount(), 0);
    platform::SetTextProfile(platform::TextProfile::Fixed);
    SalesDocumentTest::TearDown();
  }

  // The golden invoice, with its logo and signature pictures when asked, in a page of an
  // editor window filling the screen.
  CHtmlView& OpenGolden(bool pictures) {
    if (pictures) {
      CBstr logo(u"logo.bmp"), sign(u"KTWSignatureLine.bmp");
      GetLogoFilePath(logo);
      GetImageFilePath(sign);
      WritePng(Linux(logo.str()), 40, 20, 1.0);
      WritePng(Linux(sign.str()), 60, 10, 0.0);
    }
    MakeEditor();
    InstallServices();
    SetDocumentViewFactory(MakeHtmlViewFactory(nullptr));
    m_doc = std::make_unique<CSalesDocument>(m_editor, m_editor, 4, true, nullptr);
    g_view = static_cast<CHtmlView*>(m_doc->GetView());
    EXPECT_EQ(m_doc->GetXmlDocument().GetDataDocument()->loadBytes(
                  slateway::testing::ReadBytes(std::filesystem::path(SLATEWAY_DOCUMENT_TEST_DATA) / "golden" / "invoice.QVN")),
              S_OK);
    m_doc->SetDocType(kDocInvoice);
    m_doc->SetVersion(4);
    m_doc->RebuildStylesheet();
    g_view->SetZoomLevel(2);
    m_doc->Render(RenderMode::ScrollToTop, -1);
    return *g_view;
  }

  void MakeEditor() {
    WNDCLASSW wc;
    wc.lpfnWndProc = EditorProc;
    wc.lpszClassName = u"TestEditor";
    RegisterClassW(&wc);
    // Placed by the system, as the program's windows are: below the navigation bar.
    m_editor = CreateWindowExW(0, u"TestEditor", u"", WS_POPUP | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  }

  // Where the page shows a link to `target` (inner-window coordinates).
  std::optional<POINT> FindLink(std::u16string_view target) {
    RECT r;
    GetClientRect(g_view->GetInnerWindow(), &r);
    for (int y = 0; y < r.bottom; y += 2)
      for (int x = 0; x < r.right; x += 2)
        if (platform::HtmlLinkAt(g_view->GetControl(), POINT{x, y}) == target) return POINT{x, y};
    return std::nullopt;
  }

  void Tap(POINT at, bool hold) {
    HWND inner = g_view->GetInnerWindow();
    if (hold) {
      PenHold(inner, at);
      return;
    }
    SendMessageW(inner, WM_LBUTTONDOWN, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(inner, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    DispatchPosted();
  }

  // The pen put down on the window and held there past the hold time, then lifted.
  void PenHold(HWND window, POINT at) {
    platform::testing::GestureClock clock;
    ClientToScreen(window, &at);
    platform::PenDown(at);
    platform::PumpMessages();
    platform::PenUp(at);
    platform::PumpMessages();
    DispatchPosted();
  }

  COLORREF ScreenPixel(int x, int y) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
  }

  std::u16string Cell(const std::u16string& id) {
    IHtmlDocumentObject* page = nullptr;
    SendMessageW(g_view->GetControl(), DTM_DOCUMENTDISPATCH, 0, reinterpret_cast<LPARAM>(&page));
    if (!page) return u"<no page>";
    IHtmlElementObject* element = nullptr;
    std::u16string text = u"<none>";
    if (page->getElementById(id.c_str(), &element) == S_OK) {
      BSTR inner = nullptr;
      element->get_innerText(&inner);
      text = inner ? std::u16string(inner, SysStringLen(inner)) : u"";
      SysFreeString(inner);
      element->Release();
    }
    page->Release();
    return text;
  }

  std::vector<Sent> sent;
  HWND m_editor = nullptr;
  std::unique_ptr<CSalesDocument> m_doc;
};

TEST_F(HtmlViewTest, GoldenInvoiceRendersItsLinksAndPictures) {
  CHtmlView& view = OpenGolden(true);
  ASSERT_TRUE(view.GetControl());
  EXPECT_EQ(GetDlgCtrlID(view.GetControl()), kHtmlViewControlId);
  EXPECT_EQ(GetWindow(view.GetControl(), GW_CHILD), view.GetInnerWindow());
  EXPECT_EQ(platform::HtmlLayoutCount(view.GetControl()), 1);  // both pictures, one layout
  for (std::u16string_view target : {u"BILLTO", u"L", u"2,Q", u"1,Q"}) EXPECT_TRUE(FindLink(target)) << platform::ToUtf8(target);
  // The logo is drawn red where its link is.
  std::optional<POINT> logo = FindLink(u"L");
  ASSERT_TRUE(logo);
  platform::PaintScreen();
  POINT onScreen = *logo;
  ClientToScreen(view.GetInnerWindow(), &onScreen);
  COLORREF c = ScreenPixel(onScreen.x, onScreen.y);
  EXPECT_GT(GetRValue(c), 200);
  EXPECT_LT(GetGValue(c), 60);
  // The page is not blank.
  int dark = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 240; ++x) dark += GetRValue(ScreenPixel(x, y)) < 100 && GetBValue(ScreenPixel(x, y)) < 100;
  EXPECT_GT(dark, 50);
}

TEST_F(HtmlViewTest, TapAndHoldOnLinksReachTheEditor) {
  OpenGolden(false);
  std::optional<POINT> quantity = FindLink(u"2,Q");
  std::optional<POINT> billTo = FindLink(u"BILLTO");
  ASSERT_TRUE(quantity && billTo);
  Tap(*quantity, false);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].message, 1130u);
  EXPECT_EQ(sent[0].text, u"2,Q");
  sent.clear();
  Tap(*quantity, true);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].message, 1126u);
  EXPECT_EQ(sent[0].text, u"2");
  EXPECT_EQ(sent[1].message, 1131u);
  EXPECT_EQ(sent[1].wParam, static_cast<WPARAM>('Q'));
  sent.clear();
  Tap(*billTo, true);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].message, 1146u);
  sent.clear();
  // A hold beside every link: the line is unselected, then the page's own hold.
  RECT page;
  GetClientRect(g_view->GetInnerWindow(), &page);
  Tap(POINT{2, page.bottom - 4}, true);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].message, 1126u);
  EXPECT_EQ(sent[0].text, u"<null>");
  EXPECT_EQ(sent[1].message, 1132u);
}

TEST_F(HtmlViewTest, QuantityChangeUpdatesItsCellsAndTotalsInPlace) {
  CHtmlView& view = OpenGolden(true);
  ASSERT_EQ(Cell(u"AJIDQ2"), u"2");
  std::u16string priceBefore = Cell(u"AJIDP2");
  std::u16string totalBefore = Cell(u"AJIDTotal");
  std::u16string otherLine = Cell(u"AJIDQ1");
  int layouts = platform::HtmlLayoutCount(view.GetControl());
  std::unique_ptr<CDbRecord> line = m_doc->ReadLineItem(CBstr(u"2"));
  ASSERT_TRUE(line);
  line->SetField(kLineFieldQuantity, u"7");
  ASSERT_TRUE(m_doc->UpdateLineItem(*line));
  ASSERT_TRUE(view.UpdateLineItemCells(*line));
  EXPECT_EQ(Cell(u"AJIDQ2"), u"7");
  EXPECT_EQ(Cell(u"AJIDP2"), priceBefore);
  EXPECT_EQ(Cell(u"AJIDQ1"), otherLine);
  EXPECT_EQ(Cell(u"AJIDLT2"), u"3.50T");
  EXPECT_NE(Cell(u"AJIDTotal"), totalBefore);
  EXPECT_NE(Cell(u"AJIDTotal").find(u"7.25"), std::u16string::npos) << platform::ToUtf8(Cell(u"AJIDTotal"));
  // Changed in place: the line's cells are laid out alone; the total, now wider, gives its
  // column new measures, so the page is laid out once as a whole layout would place it.
  UpdateWindow(view.GetInnerWindow());
  EXPECT_EQ(platform::HtmlLayoutCount(view.GetControl()), layouts + 1);
  layouts = platform::HtmlLayoutCount(view.GetControl());
  // A text too wide for its cell lays the page out again; shrunk to fit the window, the
  // page is no longer taller than it and is laid out once more without the scroll bar.
  EXPECT_TRUE(view.SetElementText(u"AJIDQ1", u"123456789 123456789 123456789 123456789"));
  UpdateWindow(view.GetInnerWindow());
  EXPECT_EQ(platform::HtmlLayoutCount(view.GetControl()), layouts + 2);
  EXPECT_TRUE(FindLink(u"2,Q"));
  // Text is shown as text; line breaks stay breaks; an unknown id is no success.
  EXPECT_TRUE(view.SetElementText(u"AJIDQ2", u"A<b>&amp;<br>B"));
  EXPECT_EQ(Cell(u"AJIDQ2"), u"A<b>&amp;B");
  EXPECT_FALSE(view.SetElementText(u"NoSuchId", u"x"));
}

// A paint of part of a long table draws only the rows there, and shows what a paint of the
// whole page shows there: rows cut by either edge, borders and backgrounds included.
TEST(HtmlPageTest, APaintOfPartOfALongTableShowsWhatTheWholePageShowsThere) {
  std::string html = "<html><head><style>td{border-bottom:1px solid #888;padding:2px}.odd{background:#cde}"
                     "</style></head><body><p>Above</p><table>";
  for (int row = 0; row < 300; ++row)
    html += "<tr" + std::string(row % 2 ? " class=odd" : "") + "><td>Row " + std::to_string(row) +
            "</td><td align=right>" + std::to_string(row * 7) + ".00</td></tr>";
  html += "</table><p>Below</p></body></html>";
  platform::htmlview::HtmlPage page;
  page.Load(html);
  page.Layout(200);
  const int height = page.Height();
  ASSERT_GT(height, 3000);
  const std::vector<unsigned char> whole = page_test::DrawnPixels(page, 200, 0, height);
  for (int top : {0, 1234, 2001, height - 320}) {
    const std::vector<unsigned char> part = page_test::DrawnPixels(page, 200, top, 320);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + top * page_test::PixelRowBytes(200))) << "from " << top;
  }
}

// A customer name of thousands of letters without a space: the page keeps a width it can
// be shown at (it would otherwise be shrunk to nothing), and the name is drawn shortened.
TEST(HtmlPageTest, AWordOfThousandsOfLettersKeepsThePageShowable) {
  platform::htmlview::HtmlPage page;
  page.Load("<html><body><p>Bill To:</p><p>" + std::string(5000, 'W') + "</p><p>Total 10.00</p></body></html>");
  const int width = page.Layout(200);
  EXPECT_GE(width, 200);
  EXPECT_LE(width, 300);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, page.Height());
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  page.Draw(cr, litehtml::position(0, 0, width, page.Height()));
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  // Ink reaches the page's right half (the shortened name) but stays inside the page.
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  bool inkRight = false;
  for (int y = 0; y < page.Height(); ++y)
    for (int x = width / 2; x < width; ++x)
      if (data[y * stride + x * 4] < 128) inkRight = true;
  EXPECT_TRUE(inkRight);
  cairo_surface_destroy(surface);
}

// What a change in place gives to draw again: a cell's new content of no greater height
// only its row's band; rows put in or taken out of a long table what lies from the row
// before them down, not the whole table.
TEST(HtmlPageTest, AChangeInPlaceNamesOnlyWhatItChanged) {
  std::string html = "<html><head><style>td{padding:2px}</style></head><body><p>Above</p><table>";
  for (int row = 0; row < 100; ++row)
    html += "<tbody id=s" + std::to_string(row) + "><tr><td id=c" + std::to_string(row) + ">Row " +
            std::to_string(row) + "</td><td>" + std::to_string(row * 7) + ".00</td></tr></tbody>";
  html += "</table></body></html>";
  platform::htmlview::HtmlPage page;
  page.Load(html);
  page.Layout(200);
  using Page = platform::htmlview::HtmlPage;
  EXPECT_EQ(page.TakeChangedTop(), Page::kAllChanged);
  const litehtml::position cell = page.ElementById("c50")->get_placement();
  const int tableTop = page.ElementById("s0")->get_placement().y;

  page.SetElementContent(page.ElementById("c50"), "Row L");
  EXPECT_EQ(page.TakeChangedTop(), Page::kNothingChanged);
  const std::vector<std::pair<int, int>> bands = page.TakeChangedBands();
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_LE(bands[0].first, cell.y);
  EXPECT_GE(bands[0].second, cell.y + cell.height);
  EXPECT_LT(bands[0].second - bands[0].first, 3 * cell.height);

  const int layouts = page.LayoutCount();
  ASSERT_TRUE(page.InsertBeside(page.ElementById("s80"), "<tbody id=n><tr><td>Row 7</td><td>1.00</td></tr></tbody>",
                                true));
  const int row80 = page.ElementById("c80")->get_placement().y;
  int top = page.TakeChangedTop();
  EXPECT_LE(top, row80);
  EXPECT_GT(top, row80 - 2 * cell.height) << "the table starts at " << tableTop;
  ASSERT_TRUE(page.RemoveElement(page.ElementById("n")));
  top = page.TakeChangedTop();
  EXPECT_LE(top, row80);
  EXPECT_GT(top, row80 - 2 * cell.height);
  EXPECT_TRUE(page.TakeChangedBands().empty());
  EXPECT_EQ(page.LayoutCount(), layouts) << "changed in place";
}

TEST_F(HtmlViewTest, AnAttributeChangeMakesThePageAgainOnlyWhenThePageShowsIt) {
  CHtmlView& view = OpenGolden(false);
  UpdateWindow(view.GetInnerWindow());
  const int layouts = platform::HtmlLayoutCount(view.GetControl());
  const std::string page = platform::HtmlPageDump(view.GetControl());
  m_doc->TogglePaid();
  m_doc->ShowAttributeChange(u"PAID");
  UpdateWindow(view.GetInnerWindow());
  EXPECT_EQ(platform::HtmlLayoutCount(view.GetControl()), layouts);
  EXPECT_EQ(platform::HtmlPageDump(view.GetControl()), page);
  // The number is on the page: it is made again and shows the new one.
  m_doc->GetXmlDocument().SetRootAttribute(u"ID", CBstr(u"4321"));
  m_doc->ShowAttributeChange(u"ID");
  UpdateWindow(view.GetInnerWindow());
  EXPECT_NE(platform::HtmlPageDump(view.GetControl()).find("4321"), std::string::npos);
}

TEST_F(HtmlViewTest, ZoomChangesTheLayoutWidth) {
  CHtmlView& view = OpenGolden(false);
  int normal = platform::HtmlLayoutWidth(view.GetControl());
  view.SetZoomLevel(4);
  int large = platform::HtmlLayoutWidth(view.GetControl());
  view.SetZoomLevel(0);
  EXPECT_LT(large, normal);
  EXPECT_GT(platform::HtmlLayoutWidth(view.GetControl()), normal);
}

TEST_F(HtmlViewTest, MissingPicturesLeaveTheRestOfThePage) {
  CHtmlView& view = OpenGolden(false);
  EXPECT_TRUE(FindLink(u"BILLTO"));  // the logo's box stays empty
  EXPECT_TRUE(FindLink(u"1,Q"));
  EXPECT_EQ(Cell(u"AJIDQ1"), u"3");
  EXPECT_TRUE(IsWindowVisible(view.GetControl()));
}

// A page handed to the control directly: pictures by cookie, file pictures, bad input.
TEST_F(HtmlViewTest, ControlTakesPicturesByCookieAndFromFiles) {
  WritePng(Linux(u"\\Pics\\a b.png"), 30, 30, 1.0);
  WritePng(platform::DeviceRoot().parent_path() / "outside.png", 30, 30, 1.0);
  struct Host {
    static LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_NOTIFY) {
        auto* nm = reinterpret_cast<NM_HTMLVIEWW*>(lParam);
        if (nm->hdr.code != NM_INLINE_IMAGE || std::u16string(nm->szTarget) != u"cookie") return 0;
        HDC screen = GetDC(nullptr);
        INLINEIMAGEINFO info;
        info.dwCookie = nm->dwCookie;
        info.hbm = CreateCompatibleBitmap(screen, 20, 20);
        info.iOrigWidth = info.iOrigHeight = 20;
        info.bOwnBitmap = TRUE;
        ReleaseDC(nullptr, screen);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, info.hbm);
        RECT r{0, 0, 20, 20};
        HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
        FillRect(dc, &r, green);
        DeleteObject(green);
        SelectObject(dc, old);
        DeleteDC(dc);
        SendMessageW(nm->hdr.hwndFrom, DTM_SETIMAGE, 0, reinterpret_cast<LPARAM>(&info));
        return 1;
      }
      return DefWindowProcW(window, message, wParam, lParam);
    }
  };
  WNDCLASSW wc;
  wc.lpfnWndProc = Host::Proc;
  wc.lpszClassName = u"TestHost";
  RegisterClassW(&wc);
  m_editor = CreateWindowExW(0, u"TestHost", u"", WS_POPUP | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  HWND control = CreateHtmlViewWindow(nullptr, m_editor);
  ASSERT_TRUE(control);
  SendMessageW(control, DTM_ADDTEXTW, 0, reinterpret_cast<LPARAM>(
      u"<p><img src='cookie'></p><p><img src='a%20b.png'></p><p><img src='../outside.png'></p>"
      u"<table><tr><td><b>broken <i>markup</td></tr></table><div><a href='X'>link</a"));
  SendMessageW(control, DTM_ADDTEXTW, 1, reinterpret_cast<LPARAM>(u"<plain & text>"));
  SetHtmlPictureFolderForTest(control);
  SendMessageW(control, DTM_ENDOFSOURCE, 0, 0);
  platform::PaintScreen();
  HDC screen = GetDC(nullptr);
  int green = 0, red = 0;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) {
      COLORREF c = GetPixel(screen, x, y);
      green += c == RGB(0, 200, 0);
      red += GetRValue(c) > 200 && GetGValue(c) < 50 && GetBValue(c) < 50;
    }
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(green, 400);  // by cookie
  EXPECT_EQ(red, 900);    // the file inside the device; the one outside is never read
  bool brokenLinkShown = false;  // what follows the broken markup still shows
  for (int y = 0; y < 320 && !brokenLinkShown; y += 2)
    for (int x = 0; x < 240 && !brokenLinkShown; x += 2) brokenLinkShown = platform::HtmlLinkAt(control, POINT{x, y}) == u"X";
  EXPECT_TRUE(brokenLinkShown);
  SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u""));
  EXPECT_EQ(platform::HtmlLinkAt(control, POINT{10, 10}), u"");
}


// The page at the two screen widths; SLATEWAY_PAGE_SHOTS names a folder to keep the PNGs in.
TEST_F(HtmlViewTest, PageIsLaidOutForTheScreensDotsPerInch) {
  const char* keep = std::getenv("SLATEWAY_PAGE_SHOTS");
  int widths[2] = {};
  for (int i = 0; i < 2; ++i) {
    int width = i == 0 ? 240 : 480;
    platform::SetScreenSize(width, width * 47 / 24);
    CHtmlView& view = OpenGolden(true);
    widths[i] = platform::HtmlLayoutWidth(view.GetControl());
    std::filesystem::path shot = Linux(u"\\page.png");
    ASSERT_TRUE(platform::SaveScreenshot(shot));
    if (keep) std::filesystem::copy_file(shot, std::filesystem::path(keep) / ("page-" + std::to_string(width) + ".png"),
                                         std::filesystem::copy_options::overwrite_existing);
    m_doc.reset();
    DestroyWindow(m_editor);
    m_editor = nullptr;
  }
  // Beside the scroll bar (the invoice is taller than the screen), whose width doubles too.
  EXPECT_EQ(widths[0], 240 - 13);
  EXPECT_EQ(widths[1], 240 - 13);  // twice the dots per inch: the same page, twice as large
}

TEST_F(HtmlViewTest, RenderModesPlaceTheScrollBar) {
  platform::SetScreenSize(240, 200);
  CHtmlView& view = OpenGolden(false);
  HWND inner = view.GetInnerWindow();
  m_doc->Render(RenderMode::ScrollToEnd, -1);
  int bottom = GetScrollPos(inner, SB_VERT);
  EXPECT_GT(bottom, 100);
  EXPECT_EQ(view.GetScrollPosition(), bottom);
  m_doc->Render(RenderMode::ScrollToTop, -1);
  EXPECT_EQ(GetScrollPos(inner, SB_VERT), 0);
  m_doc->Render(RenderMode::KeepPosition, 120);  // the bar is set there, then one line up
  EXPECT_EQ(GetScrollPos(inner, SB_VERT), 120 - 14);
  m_doc->Render(RenderMode::KeepPosition, 0);
  m_doc->Render(RenderMode::KeepPosition, -1);
  EXPECT_EQ(GetScrollPos(inner, SB_VERT), 0);
}

// A page taller than its window carries its scroll bar at the inner window's right edge;
// the bar's track, its thumb, the keys and the wheel move the page, the owner remembers
// where it went, and a link below the fold is hit where it has been scrolled to.
TEST_F(HtmlViewTest, TallPageScrollsByItsBarKeysAndWheel) {
  platform::SetScreenSize(240, 200);
  CHtmlView& view = OpenGolden(false);
  HWND inner = view.GetInnerWindow();
  RECT client;
  GetClientRect(inner, &client);
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  ASSERT_EQ(platform::VerticalScrollBarWidth(inner), bar);
  EXPECT_EQ(platform::HtmlLayoutWidth(view.GetControl()), 240 - bar);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(inner, SB_VERT, &si);
  const int bottom = si.nMax - static_cast<int>(si.nPage) + 1;
  ASSERT_GT(bottom, 100);
  auto pen = [&](std::initializer_list<POINT> path) {
    std::vector<POINT> points(path);
    for (POINT& p : points) ClientToScreen(inner, &p);
    platform::PenDown(points.front());
    platform::PumpMessages();
    for (size_t i = 1; i < points.size(); ++i) platform::PenMove(points[i]);
    platform::PenUp(points.back());
    platform::PumpMessages();
  };
  const int x = client.right - bar / 2;
  // The track below the thumb: a page, less the line kept in view.
  pen({POINT{x, client.bottom - bar - 4}});
  EXPECT_EQ(GetScrollPos(inner, SB_VERT), client.bottom - 14);
  EXPECT_EQ(view.GetScrollPosition(), client.bottom - 14);
  // The thumb dragged to the end of the track shows the end of the page; back up by half.
  SetScrollPos(inner, SB_VERT, 0, TRUE);
  pen({POINT{x, bar + 2}, POINT{x, bar + 40}, POINT{x, client.bottom - 1}});
  EXPECT_EQ(GetScrollPos(inner, SB_VERT), bottom);
  EXPECT_EQ(view.GetScrollPosition(), bottom);
  // A tap on the page gives it the keys.
  POINT page{4, 4};
  ClientToScreen(inner, &page);
  platform::Tap(page);
  platform::PumpMessages();
  platform::PressKey(VK_HOME);
  platform::PumpMessages();
  EXPECT_EQ(GetScrollPos(inner, SB_VERT), 0);
  platform::PressKey(VK_DOWN);
  platform::PumpMessages();
  EXPECT_EQ(GetScrollPos(inner, SB_VERT), 14);
  platform::TurnWheel(POINT{page.x + 16, page.y + 16}, -WHEEL_DELTA);  // towards the user: three lines on
  platform::PumpMessages();
  EXPECT_EQ(GetScrollPos(inner, SB_VERT), 4 * 14);
  EXPECT_EQ(view.GetScrollPosition(), 4 * 14);
  // The total's line lies below the window at the top of the page and is hit once scrolled.
  SendMessageW(inner, WM_VSCROLL, SB_TOP, 0);
  EXPECT_FALSE(FindLink(u"2,Q"));
  platform::PressKey(VK_END);
  platform::PumpMessages();
  std::optional<POINT> below = FindLink(u"2,Q");
  ASSERT_TRUE(below);
  Tap(*below, false);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, u"2,Q");
  if (const char* keep = std::getenv("SLATEWAY_PAGE_SHOTS")) {
    EXPECT_TRUE(platform::SaveScreenshot(std::filesystem::path(keep) / "page-scrolled-240.png"));
  }
}

TEST_F(HtmlViewTest, ReportPageTellsOnlyItsHold) {
  MakeEditor();
  CXmlDocument xml(m_editor);
  ASSERT_TRUE(xml.LoadXmlText(u"<?xml version='1.0'?><R><A>Sales by item</A></R>"));
  ASSERT_EQ(xml.LoadStylesheet(
                u"<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
                u"<xsl:template match='/'><html><body><a href='Z'><xsl:value-of select='R/A'/></a></body></html>"
                u"</xsl:template></xsl:stylesheet>"),
            S_OK);
  std::u16string kept;
  CReportHtmlView report(nullptr, m_editor, xml, [&](std::u16string_view html) { kept = html; });
  report.Render(RenderMode::ScrollToTop, -1);
  EXPECT_NE(kept.find(u"Sales by item"), std::u16string::npos);
  std::optional<POINT> link;
  for (int x = 0; x < 100 && !link; ++x)
    if (platform::HtmlLinkAt(report.GetControl(), POINT{x, 10}) == u"Z") link = POINT{x, 10};
  ASSERT_TRUE(link);
  PenHold(report.GetInnerWindow(), *link);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].message, 1164u);
}


// Pictures asked for by the page are read by file name only, from the picture folders; a
// notification the inner window is handed is relayed to the editor as a record.
TEST_F(HtmlViewTest, PicturesAreReadByNameFromTheirFoldersAndRecordsAreRelayed) {
  CHtmlView& view = OpenGolden(false);
  CBstr sign(u"KTWSignatureLine.bmp");
  GetImageFilePath(sign);
  WritePng(Linux(sign.str()), 8, 8, 0.0);
  static std::vector<UINT> answers;
  static WNDPROC previous = nullptr;
  answers.clear();
  previous = reinterpret_cast<WNDPROC>(SetWindowLongW(
      view.GetControl(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == DTM_SETIMAGE || m == DTM_IMAGEFAIL) answers.push_back(m);
        return CallWindowProcW(previous, w, m, wp, lp);
      })));
  NM_HTMLVIEWW request;
  request.hdr.hwndFrom = view.GetControl();
  request.hdr.idFrom = kHtmlViewControlId;
  request.hdr.code = NM_INLINE_IMAGE;
  request.szTarget = u"..\\..\\Windows\\KTWSignatureLine.bmp";
  request.dwCookie = 77;
  EXPECT_TRUE(view.OnNotify(m_editor, kHtmlViewControlId, &request.hdr));
  request.szTarget = u"..\\missing.bmp";
  EXPECT_TRUE(view.OnNotify(m_editor, kHtmlViewControlId, &request.hdr));
  EXPECT_EQ(answers, (std::vector<UINT>{DTM_SETIMAGE, DTM_IMAGEFAIL}));

  HTMLVIEW_INNER_NOTIFY record;
  record.dwKind = HTMLVIEW_KIND_LINK;
  record.szText = u"NOTES";
  EXPECT_EQ(SendMessageW(view.GetInnerWindow(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&record)), 1);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].message, 1192u);
  EXPECT_TRUE(view.OnRelayedNotify(view.GetInnerWindow(), &record));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].message, 1130u);
  EXPECT_EQ(sent[1].text, u"NOTES");
}

// The help viewer programs start as "peghelp.exe": the named file in \Windows shown full
// screen at its anchor, links within it followed, a missing file refused with nothing shown.
TEST_F(HtmlViewTest, HelpOpensAtItsAnchorAndAMissingFileOpensNothing) {
  std::string html = "<html><body><h2><a name='top'></a>Guide</h2>";
  for (int i = 0; i < 60; ++i) html += "<p>Line " + std::to_string(i) + "</p>";
  html += "<h2><a name='last'></a>Last</h2></body></html>";
  std::filesystem::create_directories(platform::DeviceRoot() / "Windows");
  std::ofstream(platform::DeviceRoot() / "Windows" / "Guide.htm") << html;
  platform::SetProcessLauncher(&platform::LaunchHelpViewer);
  PROCESS_INFORMATION process;
  std::u16string missing = u"file:Missing.htm#top";
  EXPECT_FALSE(CreateProcessW(u"peghelp.exe", missing.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                              &process));
  EXPECT_EQ(FindWindowW(u"HelpViewer", nullptr), nullptr);
  std::u16string guide = u"file:Guide.htm#last";
  ASSERT_TRUE(CreateProcessW(u"peghelp.exe", guide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                             &process));
  platform::SetProcessLauncher(nullptr);
  HWND viewer = FindWindowW(u"HelpViewer", nullptr);
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(GetForegroundWindow(), viewer);
  WCHAR title[16] = {};
  GetWindowTextW(viewer, title, 16);
  EXPECT_EQ(std::u16string(title), u"Help");
  HWND inner = GetWindow(GetWindow(viewer, GW_CHILD), GW_CHILD);
  const int atLast = GetScrollPos(inner, SB_VERT);
  EXPECT_GT(atLast, 0);
  // A link to the top of the file moves there.
  NM_HTMLVIEWW link;
  link.hdr.hwndFrom = GetWindow(viewer, GW_CHILD);
  link.hdr.code = NM_HOTSPOT;
  link.szTarget = u"#top";
  SendMessageW(viewer, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&link));
  EXPECT_LT(GetScrollPos(inner, SB_VERT), atLast);
  DestroyWindow(viewer);
}

}  // namespace
