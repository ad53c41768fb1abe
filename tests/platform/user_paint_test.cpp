// Painting and the composed screen.
//
//   Painting.*     update regions, WM_PAINT from the queue, erasing, validation
//   Screenshots.*  a dialog of the language library composed on the screen and saved as
//                  a PNG: a few pixels checked (background, caption, heading colour, the
//                  edit's frame, an owner-drawn button, a check box)
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/gdi/Gdi.h"
#include "platform/module/Module.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DeviceTest;
using platform::testing::DialogDriver;
using platform::testing::UiScript;

struct PaintLog {
  int paints = 0;
  int erases = 0;
  RECT lastPaint;
  bool validate = true;
} g_paint;

LRESULT Counting(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_ERASEBKGND) ++g_paint.erases;
  if (m == WM_PAINT) {
    ++g_paint.paints;
    if (!g_paint.validate) return 0;  // a careless procedure that never paints
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    g_paint.lastPaint = ps.rcPaint;
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

class PaintTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_paint = {};
    WNDCLASSW wc;
    wc.lpfnWndProc = Counting;
    wc.lpszClassName = u"Counting";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    RegisterClassW(&wc);
  }
  void TearDown() override {
    EXPECT_EQ(platform::LiveGdiObjectCount(), 0) << "a drawing object or context was left";
    DeviceTest::TearDown();
  }
};

using Painting = PaintTest;
using Screenshots = PaintTest;

TEST_F(Painting, InvalidationsGatherIntoOnePaintFromTheQueue) {
  HWND w = CreateWindowExW(0, u"Counting", u"", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  InvalidateRect(w, nullptr, TRUE);
  EXPECT_EQ(platform::PumpMessages(), 0);  // hidden: nothing to paint
  ShowWindow(w, SW_SHOW);
  platform::PumpMessages();
  EXPECT_EQ(g_paint.paints, 1);
  EXPECT_EQ(g_paint.erases, 1);
  EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));

  RECT a{10, 10, 20, 20};
  RECT b{30, 5, 40, 15};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, FALSE);
  RECT pending;
  EXPECT_TRUE(GetUpdateRect(w, &pending, FALSE));
  EXPECT_EQ(pending.left, 10);
  EXPECT_EQ(pending.right, 40);
  platform::PumpMessages();
  EXPECT_EQ(g_paint.paints, 2);
  EXPECT_EQ(g_paint.erases, 1);  // neither asked for erasing
  EXPECT_EQ(g_paint.lastPaint.top, 5);
  EXPECT_EQ(g_paint.lastPaint.bottom, 20);

  InvalidateRect(w, nullptr, FALSE);
  ValidateRect(w, nullptr);
  EXPECT_EQ(platform::PumpMessages(), 0);
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);  // at once, without the queue
  EXPECT_EQ(g_paint.paints, 3);
  EXPECT_EQ(platform::PumpMessages(), 0);

  // While redrawing is off, updates wait.
  SendMessageW(w, WM_SETREDRAW, FALSE, 0);
  InvalidateRect(w, nullptr, FALSE);
  EXPECT_EQ(platform::PumpMessages(), 0);
  SendMessageW(w, WM_SETREDRAW, TRUE, 0);
  EXPECT_EQ(platform::PumpMessages(), 1);
  EXPECT_EQ(g_paint.paints, 4);

  g_paint.validate = false;
  InvalidateRect(w, nullptr, FALSE);
  EXPECT_EQ(platform::PumpMessages(), 1);  // not again and again
  DestroyWindow(w);
}

// ---- Screenshots ---------------------------------------------------------------------------

constexpr COLORREF kHeading = 0x9C0000;  // dark blue
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr int kTitleOk = 1009;

struct DrawLog {
  int draws = 0;
  RECT item;
  UINT state = 0;
} g_draw;

INT_PTR TitledProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      // The title row's OK button: owner-drawn, 22 pixels square at the top right.
      RECT client;
      GetClientRect(dlg, &client);
      CreateWindowExW(0, u"TTBUTTON", u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, client.right - 25, 3, 22, 22, dlg,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kTitleOk)), nullptr, nullptr);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_DIALOG_HEADING) {
        SetTextColor(reinterpret_cast<HDC>(wParam), kHeading);
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      }
      return FALSE;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      ++g_draw.draws;
      g_draw.item = item->rcItem;
      g_draw.state = item->itemState;
      HBRUSH green = CreateSolidBrush(kGreen);
      FillRect(item->hDC, &item->rcItem, green);
      DeleteObject(green);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kTitleOk || LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

COLORREF ScreenPixel(POINT p) {
  HDC dc = GetDC(nullptr);
  COLORREF c = GetPixel(dc, p.x, p.y);
  ReleaseDC(nullptr, dc);
  return c;
}

POINT At(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

bool AnyPixel(HWND control, COLORREF color) {
  RECT r;
  GetClientRect(control, &r);
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x)
      if (ScreenPixel(At(control, x, y)) == color) return true;
  return false;
}

TEST_F(Screenshots, DialogOfTheLanguageLibraryIsComposedAndSavedAsPng) {
  std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, Root() / "QVNLANGUAGE.DLL");
  HMODULE lib = LoadLibraryW(u"\\QVNLANGUAGE.DLL");
  ASSERT_NE(lib, nullptr);
  std::filesystem::path png = Root() / "memorize.png";
  UiScript ui;
  ui.ExpectDialog(IDD_MEMORIZE, [&](DialogDriver& d) {
    d.TypeInto(IDC_MEMORIZE_NAME, u"Weekly");
    d.Tap(IDC_MEMORIZE_CLEAR_QTYS);
    ASSERT_TRUE(platform::SaveScreenshot(png));
    HWND dlg = d.Window();
    // The dialog's background, away from every control.
    RECT client;
    GetClientRect(dlg, &client);
    EXPECT_EQ(ScreenPixel(At(dlg, client.right - 3, client.bottom - 3)), GetSysColor(COLOR_WINDOW));
    // Its caption row, above the client area.
    POINT caption = At(dlg, client.right / 2, -GetSystemMetrics(SM_CYCAPTION) / 2);
    EXPECT_EQ(ScreenPixel(caption), GetSysColor(COLOR_ACTIVECAPTION));
    // The heading in the colour the dialog chose, on white.
    HWND heading = d.Control(IDC_DIALOG_HEADING);
    EXPECT_TRUE(AnyPixel(heading, kHeading));
    // The edit's frame and the owner-drawn button.
    RECT edit;
    GetWindowRect(d.Control(IDC_MEMORIZE_NAME), &edit);
    EXPECT_EQ(ScreenPixel(POINT{edit.left, edit.top + 3}), RGB(0, 0, 0));
    EXPECT_EQ(ScreenPixel(At(d.Control(kTitleOk), 11, 11)), kGreen);
    EXPECT_GE(g_draw.draws, 1);
    EXPECT_EQ(g_draw.item.right, 22);
    EXPECT_EQ(g_draw.item.bottom, 22);
    // The tapped check box shows a check mark (its vee and its long arm), not a cross.
    HWND check = d.Control(IDC_MEMORIZE_CLEAR_QTYS);
    RECT cr;
    GetClientRect(check, &cr);
    int top = (cr.bottom - 11) / 2;
    EXPECT_EQ(ScreenPixel(At(check, 1 + 4, top + 7)), RGB(0, 0, 0));
    EXPECT_EQ(ScreenPixel(At(check, 1 + 8, top + 3)), RGB(0, 0, 0));
    EXPECT_EQ(ScreenPixel(At(check, 1 + 2, top + 2)), GetSysColor(COLOR_WINDOW)) << "no cross";
    // What typing replaces shows: the whole name highlighted, then only the caret.
    HWND name = d.Control(IDC_MEMORIZE_NAME);
    SetFocus(name);
    SendMessageW(name, EM_SETSEL, 0, -1);
    d.Pump();
    EXPECT_TRUE(AnyPixel(name, GetSysColor(COLOR_HIGHLIGHT)));
    SendMessageW(name, EM_SETSEL, 3, 3);
    d.Pump();
    EXPECT_FALSE(AnyPixel(name, GetSysColor(COLOR_HIGHLIGHT)));
    d.Press(kTitleOk);
  });
  EXPECT_EQ(DialogBoxParamW(lib, MAKEINTRESOURCEW(IDD_MEMORIZE), nullptr, TitledProc, 0), kTitleOk);
  std::ifstream in(png, std::ios::binary);
  char signature[8] = {};
  in.read(signature, 8);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
  EXPECT_GT(std::filesystem::file_size(png), 100u);
  // To look at it: SLATEWAY_SCREENSHOT_DIR names a folder that receives a copy.
  if (const char* dir = std::getenv("SLATEWAY_SCREENSHOT_DIR"))
    std::filesystem::copy_file(png, std::filesystem::path(dir) / "memorize.png",
                               std::filesystem::copy_options::overwrite_existing);
  EXPECT_EQ(platform::LiveWindowCount(), 0);
  FreeLibrary(lib);
}

}  // namespace
