// Modal user interface from the resource library and message boxes, played by the script.
//
//   ResourceDialogs.*  a template of the language library loaded by id and driven
//   ModalBoxes.*       message boxes as modal boxes: scripted, unattended, inside dialogs
#include <filesystem>

#include "platform/module/Module.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/gdi/Gdi.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DeviceTest;
using platform::testing::DialogDriver;
using platform::testing::UiScript;

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 7) {
    *reinterpret_cast<int*>(l) += 1;
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

class ModalTest : public DeviceTest {
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
    if (m_library) FreeLibrary(m_library);
    DeviceTest::TearDown();
  }
  HMODULE Library() {
    std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, Root() / "QVNLANGUAGE.DLL");
    m_library = LoadLibraryW(u"\\QVNLANGUAGE.DLL");
    return m_library;
  }
  HWND m_main = nullptr;
  HMODULE m_library = nullptr;
};

using ResourceDialogs = ModalTest;
using ModalBoxes = ModalTest;

struct Memorize {
  std::u16string name;
  bool clearQuantities = false;
  bool second = false;
};

INT_PTR MemorizeProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* m = reinterpret_cast<Memorize*>(GetWindowLongW(dlg, GWL_USERDATA));
  if (msg == WM_INITDIALOG) {
    m = reinterpret_cast<Memorize*>(lParam);
    SetWindowLongW(dlg, GWL_USERDATA, lParam);
    SendDlgItemMessageW(dlg, IDC_MEMORIZE_NAME, EM_LIMITTEXT, 40, 0);
    SetDlgItemTextW(dlg, IDC_MEMORIZE_NAME, m->name.c_str());
    SendDlgItemMessageW(dlg, IDC_MEMORIZE_NAME, EM_SETSEL, 0, -1);
    SetFocus(GetDlgItem(dlg, IDC_MEMORIZE_NAME));
    return FALSE;
  }
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == 1009)) {
    WCHAR name[81];
    GetDlgItemTextW(dlg, IDC_MEMORIZE_NAME, name, 81);
    if (!name[0]) {
      // An empty name is refused with a box; the dialog stays.
      MessageBoxW(dlg, u"Enter a name.", u"Slateway", MB_OK | MB_ICONEXCLAMATION);
      return TRUE;
    }
    m->name = name;
    m->clearQuantities = IsDlgButtonChecked(dlg, IDC_MEMORIZE_CLEAR_QTYS) == BST_CHECKED;
    m->second = IsDlgButtonChecked(dlg, IDC_MEMORIZE_SECOND) == BST_CHECKED;
    EndDialog(dlg, 1);
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    EndDialog(dlg, 0);
    return TRUE;
  }
  return FALSE;
}

TEST_F(ResourceDialogs, TemplateOfTheLanguageLibraryIsShownTypedIntoAndAccepted) {
  HMODULE lib = Library();
  ASSERT_NE(lib, nullptr);
  Memorize m;
  m.name = u"Invoice 12";
  UiScript ui;
  ui.ExpectDialog(IDD_MEMORIZE, [&](DialogDriver& d) {
      EXPECT_EQ(d.TemplateId(), IDD_MEMORIZE);
      EXPECT_EQ(d.Caption(), u"Memorize");
      EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Memorize Transaction");
      EXPECT_EQ(d.Focus(), d.Control(IDC_MEMORIZE_NAME));
      d.Key(VK_DELETE);  // the proposed name is selected: one key clears it
      d.Ok();            // refused with a box
      EXPECT_TRUE(IsWindow(d.Window()));
      d.Type(u"weekly order for a very long customer name that goes on");
      EXPECT_EQ(d.Text(IDC_MEMORIZE_NAME).size(), 40u);  // the edit's limit
      d.Tap(IDC_MEMORIZE_SECOND);
      d.Key(VK_RETURN);  // Enter is OK
    })
      .ExpectMessageBox(u"Enter a name.", IDOK);
  EXPECT_EQ(DialogBoxParamW(lib, MAKEINTRESOURCEW(IDD_MEMORIZE), m_main, MemorizeProc, reinterpret_cast<LPARAM>(&m)), 1);
  EXPECT_EQ(m.name, u"weekly order for a very long customer na");
  EXPECT_FALSE(m.clearQuantities);
  EXPECT_TRUE(m.second);
  EXPECT_EQ(ui.Seen(), (std::vector<std::string>{"dialog 230", "message box"}));
  EXPECT_EQ(platform::LiveWindowCount(), 1);
  // The same template found through FindResourceW and shown indirectly keeps its id.
  HRSRC res = FindResourceW(lib, MAKEINTRESOURCEW(IDD_MEMORIZE), RT_DIALOG);
  auto* templ = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(lib, res)));
  ui.ExpectDialog(IDD_MEMORIZE, [](DialogDriver& d) { d.Cancel(); });
  EXPECT_EQ(DialogBoxIndirectParamW(lib, templ, m_main, MemorizeProc, reinterpret_cast<LPARAM>(&m)), 0);
  EXPECT_EQ(DialogBoxParamW(lib, MAKEINTRESOURCEW(4711), m_main, MemorizeProc, 0), -1);
}

// The data-entry form puts its editors over the dialog in code: an edit from the
// template, a drop-down list made at WM_INITDIALOG.
constexpr int kTermsCombo = 3001;

struct Entry {
  std::u16string name;
  std::u16string terms;
};

INT_PTR EntryProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* e = reinterpret_cast<Entry*>(GetWindowLongW(dlg, GWL_USERDATA));
  if (msg == WM_INITDIALOG) {
    SetWindowLongW(dlg, GWL_USERDATA, lParam);
    HWND combo = CreateWindowExW(0, u"COMBOBOX", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 60, 110,
                                 120, 100, dlg, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kTermsCombo)), nullptr,
                                 nullptr);
    for (const char16_t* t : {u"Due on receipt", u"Net 15", u"Net 30"})
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    WCHAR buf[64];
    GetDlgItemTextW(dlg, IDC_MEMORIZE_NAME, buf, 64);
    e->name = buf;
    LRESULT i = SendDlgItemMessageW(dlg, kTermsCombo, CB_GETCURSEL, 0, 0);
    if (i >= 0) {
      SendDlgItemMessageW(dlg, kTermsCombo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
      e->terms = buf;
    }
    EndDialog(dlg, IDOK);
    return TRUE;
  }
  return FALSE;
}

TEST_F(ResourceDialogs, TypeIntoTheEditPickFromTheComboAndPressOk) {
  HMODULE lib = Library();
  Entry e;
  UiScript ui;
  ui.ExpectDialog(IDD_MEMORIZE, [](DialogDriver& d) {
    d.TypeInto(IDC_MEMORIZE_NAME, u"Acme");
    d.Choose(kTermsCombo, u"Net 15");
    EXPECT_EQ(d.Text(kTermsCombo), u"Net 15");
    d.Ok();
  });
  EXPECT_EQ(DialogBoxParamW(lib, MAKEINTRESOURCEW(IDD_MEMORIZE), m_main, EntryProc, reinterpret_cast<LPARAM>(&e)),
            IDOK);
  EXPECT_EQ(e.name, u"Acme");
  EXPECT_EQ(e.terms, u"Net 15");
  EXPECT_EQ(platform::LiveWindowCount(), 1);
}

TEST_F(ModalBoxes, ScriptAnswersAndTheBoxIsRecordedAndGone) {
  UiScript ui;
  ui.ExpectMessageBox(u"Delete this invoice?", IDNO).ExpectMessageBox(u"Saved.", IDOK);
  platform::ClearMessageBoxLog();
  EXPECT_EQ(MessageBoxW(m_main, u"Delete this invoice?", u"Slateway", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, u"Saved.", u"Slateway", MB_OK), IDOK);
  auto log = platform::MessageBoxLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].style, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
  EXPECT_EQ(log[0].result, IDNO);
  EXPECT_EQ(platform::LiveWindowCount(), 1);
  EXPECT_TRUE(IsWindowEnabled(m_main));
  EXPECT_EQ(GetActiveWindow(), m_main);
}

TEST_F(ModalBoxes, UnattendedBoxTakesItsDefaultAndPostedMessagesRunMeanwhile) {
  int handled = 0;
  PostMessageW(m_main, WM_USER + 7, 0, reinterpret_cast<LPARAM>(&handled));
  EXPECT_EQ(MessageBoxW(m_main, u"Replace?", nullptr, MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(handled, 1);  // the box's loop dispatched what was waiting
  EXPECT_EQ(platform::MessageBoxLog().back().caption, u"Error");
  EXPECT_EQ(MessageBoxW(m_main, u"x", u"y", 0x0F), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// Reads the height of a box's text when it shows, then answers it.
// Reads the box's text control, its text as drawn at its width and the box, then answers.
class TextHeightOfBox : public platform::IdleHandler {
 public:
  bool OnIdle(HWND modal, const std::u16string&) override {
    if (!modal) return false;
    HWND text = GetDlgItem(modal, 0xFFFF);
    GetWindowRect(text, &control);
    GetWindowRect(modal, &box);
    scrolls = (GetWindowLongW(text, GWL_STYLE) & WS_VSCROLL) != 0;
    CWindowDC dc(text);
    std::u16string words(static_cast<size_t>(GetWindowTextLengthW(text)), u'\0');
    GetWindowTextW(text, words.data(), static_cast<int>(words.size()) + 1);
    RECT drawn{0, 0, control.right - control.left, 0};
    DrawTextW(dc.get(), words.c_str(), static_cast<int>(words.size()), &drawn,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    needed = drawn.bottom;
    DialogDriver(modal).Key(VK_RETURN);
    return true;
  }
  RECT control{}, box{};
  int needed = 0;
  bool scrolls = false;
};

// The box's text control is as tall as its text broken at blanks and drawn in its font,
// on both screens, with the fixed test font and the display's own; a text taller than
// the screen keeps the box between the bars and scrolls.
TEST_F(ModalBoxes, ABoxIsTallEnoughForItsWholeTextOrScrollsIt) {
  auto show = [this](const std::u16string& text) {
    TextHeightOfBox handler;
    platform::IdleHandler* old = platform::SetIdleHandler(&handler);
    MessageBoxW(m_main, text.c_str(), u"Slateway", MB_YESNO);
    platform::SetIdleHandler(old);
    return handler;
  };
  const std::u16string texts[] = {
      u"A file already exists with this number.  This may cause you to lose an existing document.  Are you sure "
      u"you want to choose this number?",
      u"\\My Documents\\Invoice100.HTM already exists.\nDo you want to replace it?",
      u"The document '\\My Documents\\Nothing.QVN' could not be found."};
  std::u16string long_text;
  for (int i = 0; i < 30; ++i) long_text += u"A line of a long report that goes on. ";
  for (auto profile : {platform::TextProfile::Fixed, platform::TextProfile::Display}) {
    platform::SetTextProfile(profile);
    for (auto screen : {platform::ScreenProfile::Portrait240x320, platform::ScreenProfile::Portrait480x640}) {
      platform::SetScreenProfile(screen);
      for (const std::u16string& text : texts) {
        TextHeightOfBox box = show(text);
        EXPECT_FALSE(box.scrolls);
        EXPECT_GE(box.control.bottom - box.control.top, box.needed) << platform::ToUtf8(text);
      }
      TextHeightOfBox tall = show(long_text);
      EXPECT_TRUE(tall.scrolls);
      EXPECT_GE(tall.box.top, platform::TaskBarHeight());
      EXPECT_LE(tall.box.bottom, platform::ScreenHeight());
    }
  }
  platform::SetTextProfile(platform::TextProfile::Fixed);
  platform::ResetScreenAndVersion();
}

// Presses Esc on the first idle round and `then` on the next (0: nothing).
class EscapeThen : public platform::IdleHandler {
 public:
  explicit EscapeThen(int then) : m_then(then) {}
  bool OnIdle(HWND modal, const std::u16string&) override {
    if (!modal || m_round >= 2) return false;
    DialogDriver d(modal);
    if (m_round++ == 0) d.Key(VK_ESCAPE);
    else if (m_then) d.Press(m_then);
    else return false;
    return true;
  }

 private:
  int m_then;
  int m_round = 0;
};

TEST_F(ModalBoxes, EscapeAnswersCancelOrOkAndNothingOnAYesNoBox) {
  struct Case {
    UINT style;
    int then;
    int expected;
  };
  for (Case c : {Case{MB_OKCANCEL, 0, IDCANCEL}, Case{MB_OK, 0, IDOK}, Case{MB_YESNO, IDYES, IDYES}}) {
    EscapeThen handler(c.then);
    platform::IdleHandler* old = platform::SetIdleHandler(&handler);
    EXPECT_EQ(MessageBoxW(m_main, u"q", u"t", c.style), c.expected) << c.style;
    platform::SetIdleHandler(old);
  }
}

}  // namespace

namespace {

using Accelerators = ModalTest;

TEST_F(Accelerators, MatchingKeysBecomeCommandsAndANullTableTranslatesNothing) {
  ACCEL table[] = {{FVIRTKEY | FCONTROL, 'Q', 40002}, {0, 'x', 40003}};
  HACCEL accel = CreateAcceleratorTableW(table, 2);
  ASSERT_NE(accel, nullptr);
  MSG m;
  m.hwnd = m_main;
  m.message = WM_KEYDOWN;
  m.wParam = 'Q';
  EXPECT_EQ(TranslateAcceleratorW(m_main, accel, &m), 0);  // Ctrl is not down
  platform::KeyDown(VK_CONTROL);
  platform::PumpMessages();
  EXPECT_EQ(TranslateAcceleratorW(m_main, accel, &m), 1);
  platform::KeyUp(VK_CONTROL);
  platform::PumpMessages();
  m.message = WM_CHAR;
  m.wParam = 'x';
  EXPECT_EQ(TranslateAcceleratorW(m_main, accel, &m), 1);
  EXPECT_EQ(TranslateAcceleratorW(m_main, nullptr, &m), 0);
  EXPECT_TRUE(DestroyAcceleratorTable(accel));
  EXPECT_EQ(LoadAcceleratorsW(Library(), u"Slateway"), nullptr);  // the library has none
}

}  // namespace
