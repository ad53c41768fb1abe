// The dialog manager and the driver that plays a person through modal dialogs.
//
//   DialogTemplates.*  DIALOG and DIALOGEX templates read into windows; damaged ones refused
//   ModalDialogs.*     modal loops driven by the script, nested, owner disabled, no leftovers
//   DialogKeys.*       tab order, default button, Enter and Esc, group arrows
//   DialogItems.*      item text, check boxes and radio groups, DWL_MSGRESULT
#include <gtest/gtest-spi.h>

#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"

namespace {

using platform::testing::DeviceTest;
using platform::testing::DialogDriver;
using platform::testing::UiScript;

// Writes DIALOG and DIALOGEX templates as the resource compiler lays them out.
class TemplateBuilder {
 public:
  TemplateBuilder(DWORD style, const char16_t* title, short cx, short cy, bool extended = false)
      : m_extended(extended) {
    style |= DS_SETFONT;
    if (extended) {
      Word(1);
      Word(0xFFFF);
      Dword(0);  // help id
      Dword(0);  // extended style
      Dword(style);
    } else {
      Dword(style);
      Dword(0);
    }
    m_countAt = m_bytes.size();
    Word(0);
    Word(0);
    Word(0);
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(0);  // no menu
    Word(0);  // the dialog class
    Text(title);
    Word(8);
    if (extended) {
      Word(400);
      m_bytes.push_back(0);
      m_bytes.push_back(1);
    }
    Text(u"Tahoma");
  }

  TemplateBuilder& Item(const char16_t* cls, WORD ordinal, const char16_t* text, DWORD id, DWORD style, short x,
                        short y, short cx, short cy) {
    Align();
    if (m_extended) {
      Dword(0);
      Dword(0);
      Dword(style | WS_CHILD | WS_VISIBLE);
    } else {
      Dword(style | WS_CHILD | WS_VISIBLE);
      Dword(0);
    }
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    if (m_extended) Dword(id);
    else Word(static_cast<WORD>(id));
    if (cls) {
      Text(cls);
    } else {
      Word(0xFFFF);
      Word(ordinal);
    }
    Text(text);
    Word(0);
    ++m_count;
    m_bytes[m_countAt] = static_cast<std::uint8_t>(m_count);
    return *this;
  }
  TemplateBuilder& Button(const char16_t* text, DWORD id, DWORD style, short x, short y) {
    return Item(nullptr, 0x80, text, id, style | WS_TABSTOP, x, y, 40, 14);
  }
  TemplateBuilder& Edit(DWORD id, DWORD style, short x, short y, short cx = 80) {
    return Item(nullptr, 0x81, u"", id, style | WS_TABSTOP | WS_BORDER, x, y, cx, 12);
  }
  TemplateBuilder& Static(const char16_t* text, DWORD id, short x, short y) {
    return Item(nullptr, 0x82, text, id, 0, x, y, 60, 10);
  }
  TemplateBuilder& Combo(DWORD id, short x, short y) {
    return Item(nullptr, 0x85, u"", id, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, x, y, 80, 60);
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data()); }
  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

 private:
  void Word(WORD w) {
    m_bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    m_bytes.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  void Dword(DWORD d) {
    Word(static_cast<WORD>(d & 0xFFFF));
    Word(static_cast<WORD>(d >> 16));
  }
  void Text(const char16_t* s) {
    for (; *s; ++s) Word(*s);
    Word(0);
  }
  void Align() {
    while (m_bytes.size() % 4) m_bytes.push_back(0);
  }

  bool m_extended;
  size_t m_countAt = 0;
  int m_count = 0;
  std::vector<std::uint8_t> m_bytes;
};

constexpr int kName = 1001;
constexpr int kTerms = 1002;
constexpr int kTaxable = 1003;
constexpr int kMore = 1004;
constexpr int kLabel = 1005;

TemplateBuilder CustomerTemplate(bool extended = false) {
  TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_VISIBLE, u"Customer", 150, 120, extended);
  t.Static(u"Name:", kLabel, 4, 4)
      .Edit(kName, ES_AUTOHSCROLL, 50, 4)
      .Combo(kTerms, 50, 20)
      .Button(u"Taxable", kTaxable, BS_AUTOCHECKBOX, 4, 40)
      .Button(u"More...", kMore, BS_PUSHBUTTON, 4, 60)
      .Button(u"OK", IDOK, BS_DEFPUSHBUTTON, 50, 100)
      .Button(u"Cancel", IDCANCEL, BS_PUSHBUTTON, 100, 100);
  return t;
}

struct CustomerArgs {
  std::u16string name;
  int terms = -1;
  bool taxable = false;
  const DLGTEMPLATE* nested = nullptr;
  INT_PTR nestedResult = 0;
};

INT_PTR CustomerProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* args = reinterpret_cast<CustomerArgs*>(GetWindowLongW(dlg, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG:
      args = reinterpret_cast<CustomerArgs*>(lParam);
      SetWindowLongW(dlg, GWL_USERDATA, lParam);
      SetDlgItemTextW(dlg, kName, args->name.c_str());
      for (const char16_t* t : {u"Due on receipt", u"Net 15", u"Net 30", u"Net 60"})
        SendDlgItemMessageW(dlg, kTerms, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          WCHAR buf[64];
          GetDlgItemTextW(dlg, kName, buf, 64);
          args->name = buf;
          args->terms = static_cast<int>(SendDlgItemMessageW(dlg, kTerms, CB_GETCURSEL, 0, 0));
          args->taxable = IsDlgButtonChecked(dlg, kTaxable) == BST_CHECKED;
          EndDialog(dlg, IDOK);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        case kMore:
          if (args->nested) args->nestedResult = DialogBoxIndirectParamW(nullptr, args->nested, dlg, CustomerProc,
                                                                         reinterpret_cast<LPARAM>(args));
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

class DialogTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WNDCLASSW wc;
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = u"Main";
    RegisterClassW(&wc);
    m_main = CreateWindowExW(0, u"Main", u"Main", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(m_main);
    DeviceTest::TearDown();
  }
  HWND m_main = nullptr;
};

using DialogTemplates = DialogTest;
using ModalDialogs = DialogTest;
using DialogKeys = DialogTest;
using DialogItems = DialogTest;

TEST_F(ModalDialogs, ScriptTypesChoosesAndPressesOk) {
  TemplateBuilder t = CustomerTemplate();
  CustomerArgs args;
  args.name = u"old";
  UiScript ui;
  ui.ExpectDialog(0, [&](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), u"Customer");
    EXPECT_FALSE(IsWindowEnabled(m_main));  // the owner waits while the dialog is up
    EXPECT_EQ(d.Text(kName), u"old");
    EXPECT_EQ(d.Rows(kTerms), (std::vector<std::u16string>{u"Due on receipt", u"Net 15", u"Net 30", u"Net 60"}));
    d.TypeInto(kName, u"acme Ltd");
    d.Choose(kTerms, u"net 30");
    d.Tap(kTaxable);
    EXPECT_TRUE(d.IsChecked(kTaxable));
    EXPECT_EQ(d.Selection(kTerms), 2);
    d.Ok();
  });
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, t.Get(), m_main, CustomerProc, reinterpret_cast<LPARAM>(&args)), IDOK);
  EXPECT_EQ(args.name, u"acme Ltd");
  EXPECT_EQ(args.terms, 2);
  EXPECT_TRUE(args.taxable);
  EXPECT_TRUE(IsWindowEnabled(m_main));
  EXPECT_EQ(GetActiveWindow(), m_main);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(platform::LiveWindowCount(), 1);  // only the main window is left
  EXPECT_EQ(platform::LiveDialogCount(), 0);
}

TEST_F(ModalDialogs, DialogInsideADialogEachDrivenByTheScript) {
  TemplateBuilder outer = CustomerTemplate();
  TemplateBuilder inner = CustomerTemplate(true);  // the same form as DIALOGEX
  CustomerArgs args;
  args.nested = inner.Get();
  std::vector<std::string> order;
  UiScript ui;
  ui.ExpectDialog(0, [&](DialogDriver& d) {
      order.push_back("outer");
      d.Tap(kMore);  // opens the inner dialog; the next step runs inside this tap
      order.push_back("outer after inner");
      EXPECT_EQ(args.nestedResult, IDCANCEL);
      EXPECT_TRUE(IsWindowEnabled(d.Window()));
      d.Cancel();
    })
      .ExpectDialog(0, [&](DialogDriver& d) {
        order.push_back("inner");
        EXPECT_EQ(platform::LiveDialogCount(), 2);
        d.TypeInto(kName, u"x");
        d.Key(VK_ESCAPE);  // Esc is Cancel
      });
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, outer.Get(), m_main, CustomerProc, reinterpret_cast<LPARAM>(&args)),
            IDCANCEL);
  EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner", "outer after inner"}));
  EXPECT_EQ(platform::LiveWindowCount(), 1);
}

TEST_F(ModalDialogs, IdleDialogWithNothingScriptedFailsAndEndsWithCancel) {
  TemplateBuilder t = CustomerTemplate();
  CustomerArgs args;
  INT_PTR result = 0;
  EXPECT_NONFATAL_FAILURE(
      {
        UiScript ui;
        result = DialogBoxIndirectParamW(nullptr, t.Get(), m_main, CustomerProc, reinterpret_cast<LPARAM>(&args));
      },
      "nothing more is scripted");
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(platform::LiveDialogCount(), 0);
  EXPECT_TRUE(IsWindowEnabled(m_main));
}

TEST_F(ModalDialogs, UnexpectedDialogFailsTheStepMeantForAnother) {
  TemplateBuilder t = CustomerTemplate();
  CustomerArgs args;
  EXPECT_NONFATAL_FAILURE(
      {
        UiScript ui;
        ui.ExpectDialog(4242, [](DialogDriver& d) { d.Ok(); });
        DialogBoxIndirectParamW(nullptr, t.Get(), m_main, CustomerProc, reinterpret_cast<LPARAM>(&args));
      },
      "expected dialog 4242");
}

// ---- Templates ------------------------------------------------------------------------------

TEST_F(DialogTemplates, ControlsArePlacedInPixelsByTheDialogBaseUnit) {
  for (bool extended : {false, true}) {
    TemplateBuilder t = CustomerTemplate(extended);
    CustomerArgs args;
    HWND dlg = CreateDialogIndirectParamW(nullptr, t.Get(), m_main, CustomerProc, reinterpret_cast<LPARAM>(&args));
    ASSERT_NE(dlg, nullptr) << extended;
    EXPECT_TRUE(IsWindowVisible(dlg));
    WCHAR cls[16];
    GetClassNameW(GetDlgItem(dlg, kTerms), cls, 16);
    EXPECT_EQ(std::u16string(cls), u"COMBOBOX");
    RECT r;
    GetWindowRect(GetDlgItem(dlg, kName), &r);
    POINT p{r.left, r.top};
    ScreenToClient(dlg, &p);
    // 4 x 8 dialog units are 6 x 13 pixels on the classic screen.
    EXPECT_EQ(p.x, 50 * 6 / 4);
    EXPECT_EQ(p.y, 4 * 13 / 8);
    EXPECT_EQ(r.right - r.left, 80 * 6 / 4);
    RECT client;
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, 150 * 6 / 4);
    EXPECT_EQ(client.bottom, 120 * 13 / 8);
    EXPECT_EQ(GetDialogBaseUnits(), static_cast<LONG>(MAKELONG(6, 13)));
    // The template's font (8 points of Tahoma) goes to the dialog and every control and
    // dies with the dialog.
    auto font = reinterpret_cast<HFONT>(SendDlgItemMessageW(dlg, kName, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0)), font);
    LOGFONTW lf;
    ASSERT_GT(GetObjectW(font, sizeof(lf), &lf), 0);
    EXPECT_EQ(lf.lfHeight, -11);  // 8 points at 96 pixels per inch
    EXPECT_EQ(std::u16string(lf.lfFaceName), u"Tahoma");
    int objects = platform::LiveGdiObjectCount();
    DestroyWindow(dlg);
    EXPECT_EQ(platform::LiveGdiObjectCount(), objects - 1);
  }
}

TEST_F(DialogTemplates, DamagedTemplatesAreRefusedWithoutLeavingWindows) {
  TemplateBuilder good = CustomerTemplate();
  const auto& bytes = good.Bytes();
  // Every cut that loses part of the header, a text or an item.
  for (size_t cut : {size_t{0}, size_t{10}, size_t{17}, size_t{30}, bytes.size() / 2, bytes.size() - 3}) {
    std::vector<std::uint8_t> damaged(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    // The parser is told the template's size when it comes from a module; here the
    // copy is padded with 0xFF so an unterminated text runs into the limit.
    damaged.resize(70 * 1024, 0xFF);
    std::vector<std::uint8_t> copy(damaged);
    SetLastError(0);
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, reinterpret_cast<const DLGTEMPLATE*>(copy.data()), m_main,
                                      CustomerProc, 0),
              -1)
        << cut;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA) << cut;
    EXPECT_EQ(platform::LiveWindowCount(), 1) << cut;
  }
  EXPECT_EQ(CreateDialogIndirectParamW(nullptr, nullptr, m_main, CustomerProc, 0), nullptr);
}

TEST_F(DialogTemplates, UnknownControlClassFailsTheWholeDialog) {
  TemplateBuilder t(WS_POPUP | WS_VISIBLE, u"x", 50, 50);
  t.Item(u"NoSuchControl", 0, u"", 5, 0, 0, 0, 10, 10);
  EXPECT_EQ(CreateDialogIndirectParamW(nullptr, t.Get(), m_main, CustomerProc, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(platform::LiveWindowCount(), 1);
}

// ---- Keys ---------------------------------------------------------------------------------------

TEST_F(DialogKeys, TabFollowsTheTemplateOrderSkippingDisabledAndNonTabStops) {
  TemplateBuilder t = CustomerTemplate();
  CustomerArgs args;
  HWND dlg = CreateDialogIndirectParamW(nullptr, t.Get(), m_main, CustomerProc, reinterpret_cast<LPARAM>(&args));
  ASSERT_NE(dlg, nullptr);
  EnableWindow(GetDlgItem(dlg, kMore), FALSE);
  DialogDriver d(dlg);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kName));  // the first tab stop, as WM_INITDIALOG returned TRUE
  std::vector<int> visited;
  for (int i = 0; i < 5; ++i) {
    d.Key(VK_TAB);
    visited.push_back(GetDlgCtrlID(GetFocus()));
  }
  EXPECT_EQ(visited, (std::vector<int>{kTerms, kTaxable, IDOK, IDCANCEL, kName}));
  platform::KeyDown(VK_SHIFT);
  d.Key(VK_TAB);
  platform::KeyUp(VK_SHIFT);
  d.Pump();
  EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDCANCEL);
  // Tab into an edit selects its text.
  SetDlgItemTextW(dlg, kName, u"abc");
  d.Key(VK_TAB);
  DWORD a = 9, b = 9;
  SendDlgItemMessageW(dlg, kName, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(b, 3u);
  DestroyWindow(dlg);
}

std::vector<int> g_commands;

INT_PTR RecordingProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND) {
    if (HIWORD(wParam) == BN_CLICKED) g_commands.push_back(LOWORD(wParam));
    return TRUE;
  }
  if (msg == WM_NOTIFY) {
    SetWindowLongW(dlg, DWL_MSGRESULT, 1);  // the answer of a handled notification
    return TRUE;
  }
  return msg == WM_INITDIALOG;
}

TEST_F(DialogKeys, TabRunsThroughTheControlsOfAPageInsideTheDialog) {
  TemplateBuilder outer(WS_POPUP | WS_VISIBLE, u"Options", 150, 120);
  outer.Edit(10, 0, 4, 4).Button(u"OK", IDOK, BS_DEFPUSHBUTTON, 4, 100);
  TemplateBuilder page(WS_CHILD | WS_VISIBLE | DS_CONTROL, u"", 140, 60);
  page.Edit(20, 0, 4, 4).Edit(21, 0, 4, 20);
  HWND dlg = CreateDialogIndirectParamW(nullptr, outer.Get(), m_main, RecordingProc, 0);
  HWND inner = CreateDialogIndirectParamW(nullptr, page.Get(), dlg, RecordingProc, 0);
  ASSERT_NE(inner, nullptr);
  MoveWindow(inner, 0, 30, 200, 80, TRUE);
  SetFocus(GetDlgItem(dlg, 10));
  DialogDriver d(dlg);
  std::vector<int> visited;
  for (int i = 0; i < 4; ++i) {
    d.Key(VK_TAB);
    visited.push_back(GetDlgCtrlID(GetFocus()));
  }
  EXPECT_EQ(visited, (std::vector<int>{IDOK, 20, 21, 10}));  // the page sits after OK in z-order
  DestroyWindow(dlg);
  EXPECT_FALSE(IsWindow(inner));
}

TEST_F(DialogKeys, EnterPressesTheDefaultButtonAndEscCancels) {
  TemplateBuilder t = CustomerTemplate();
  HWND dlg = CreateDialogIndirectParamW(nullptr, t.Get(), m_main, RecordingProc, 0);
  DialogDriver d(dlg);
  g_commands.clear();
  d.Key(VK_RETURN);  // focus in the edit: the default button
  d.Key(VK_ESCAPE);
  SetFocus(GetDlgItem(dlg, kMore));
  d.Key(VK_RETURN);  // a focused push button is the one pressed
  SendMessageW(dlg, DM_SETDEFID, IDCANCEL, 0);
  SetFocus(GetDlgItem(dlg, kName));
  d.Key(VK_RETURN);
  EXPECT_EQ(g_commands, (std::vector<int>{IDOK, IDCANCEL, kMore, IDCANCEL}));
  EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDCANCEL);
  EXPECT_EQ(SendDlgItemMessageW(dlg, IDCANCEL, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
  EXPECT_EQ(SendDlgItemMessageW(dlg, IDOK, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0);
  // WM_CLOSE acts as Cancel.
  SendMessageW(dlg, WM_CLOSE, 0, 0);
  EXPECT_EQ(g_commands.back(), IDCANCEL);
  // A handled notification answers through DWL_MSGRESULT.
  NMHDR nm;
  EXPECT_EQ(SendMessageW(dlg, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm)), 1);
  DestroyWindow(dlg);
}

// ---- Items --------------------------------------------------------------------------------------

TEST_F(DialogItems, TextNumbersChecksAndRadioGroups) {
  TemplateBuilder t(WS_POPUP | WS_VISIBLE, u"Options", 150, 100);
  t.Edit(10, 0, 0, 0)
      .Button(u"A", 20, BS_AUTORADIOBUTTON | WS_GROUP, 0, 20)
      .Button(u"B", 21, BS_AUTORADIOBUTTON, 0, 35)
      .Button(u"C", 22, BS_AUTORADIOBUTTON, 0, 50)
      .Button(u"Other", 30, BS_AUTORADIOBUTTON | WS_GROUP, 60, 20)
      .Button(u"Check", 40, BS_AUTOCHECKBOX | WS_GROUP, 60, 50);
  HWND dlg = CreateDialogIndirectParamW(nullptr, t.Get(), m_main, RecordingProc, 0);
  ASSERT_NE(dlg, nullptr);
  DialogDriver d(dlg);
  EXPECT_TRUE(SetDlgItemInt(dlg, 10, static_cast<UINT>(-42), TRUE));
  BOOL ok = FALSE;
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(dlg, 10, &ok, TRUE)), -42);
  EXPECT_TRUE(ok);
  SetDlgItemTextW(dlg, 10, u"12x");
  GetDlgItemInt(dlg, 10, &ok, FALSE);
  EXPECT_FALSE(ok);
  WCHAR small[3];
  EXPECT_EQ(GetDlgItemTextW(dlg, 10, small, 3), 2u);
  EXPECT_EQ(GetDlgItemTextW(dlg, 999, small, 3), 0u);
  EXPECT_EQ(small[0], 0);

  CheckDlgButton(dlg, 30, BST_CHECKED);
  g_commands.clear();
  d.Tap(21);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 21), BST_CHECKED);
  d.Tap(22);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 21), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 22), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 30), BST_CHECKED);  // another group
  d.Key(VK_UP);  // arrows move within the group and check the button reached
  EXPECT_EQ(GetDlgCtrlID(GetFocus()), 21);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 21), BST_CHECKED);
  d.Tap(40).Tap(40).Tap(40);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 40), BST_CHECKED);
  EXPECT_EQ(g_commands, (std::vector<int>{21, 22, 21, 40, 40, 40}));
  CheckRadioButton(dlg, 20, 22, 20);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 20), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 21), BST_UNCHECKED);
  DestroyWindow(dlg);
}

}  // namespace
