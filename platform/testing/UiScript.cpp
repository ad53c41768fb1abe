#include "platform/testing/UiScript.h"

#include <gtest/gtest.h>

#include "platform/base/Base.h"
#include "platform/kernel/Clock.h"
#include "platform/shell/InputPanel.h"

namespace platform::testing {

namespace {

// Idle rounds one script answers before it decides the code under test is spinning.
constexpr int kIdleBudget = 500;

std::string ScreenPicture() { return platform::DescribeScreen(); }

}  // namespace

// ---- DialogDriver ------------------------------------------------------------------------------

int DialogDriver::TemplateId() const { return platform::DialogTemplateId(m_dialog); }

std::u16string DialogDriver::Caption() const {
  WCHAR buf[256] = {};
  GetWindowTextW(m_dialog, buf, 256);
  return buf;
}

HWND DialogDriver::Control(int id) const {
  HWND c = GetDlgItem(m_dialog, id);
  if (!c) ADD_FAILURE() << "dialog " << TemplateId() << " has no control " << id << "; on screen:\n" << ScreenPicture();
  return c;
}

std::u16string DialogDriver::Text(int id) const {
  HWND c = Control(id);
  if (!c) return {};
  int length = GetWindowTextLengthW(c);
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  int got = GetWindowTextW(c, text.data(), length + 1);
  text.resize(static_cast<size_t>(got));
  return text;
}

bool DialogDriver::IsChecked(int id) const { return IsDlgButtonChecked(m_dialog, id) == BST_CHECKED; }

bool DialogDriver::IsEnabled(int id) const {
  HWND c = Control(id);
  return c && IsWindowEnabled(c);
}

bool DialogDriver::IsVisible(int id) const {
  HWND c = Control(id);
  return c && IsWindowVisible(c);
}

std::vector<std::u16string> DialogDriver::Rows(int id) const {
  std::vector<std::u16string> rows;
  HWND c = Control(id);
  if (!c) return rows;
  WCHAR cls[32] = {};
  GetClassNameW(c, cls, 32);
  if (platform::EqualsIgnoreCase(cls, WC_LISTVIEWW)) {
    ListViewDriver list(c);
    for (int i = 0; i < list.Count(); ++i) rows.push_back(list.Text(i));
    return rows;
  }
  bool isCombo = platform::EqualsIgnoreCase(cls, u"COMBOBOX");
  UINT count = isCombo ? CB_GETCOUNT : LB_GETCOUNT;
  UINT len = isCombo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  UINT get = isCombo ? CB_GETLBTEXT : LB_GETTEXT;
  LRESULT n = SendMessageW(c, count, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    LRESULT size = SendMessageW(c, len, static_cast<WPARAM>(i), 0);
    std::u16string text(static_cast<size_t>(std::max<LRESULT>(size, 0)) + 1, u'\0');
    SendMessageW(c, get, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(size, 0)));
    rows.push_back(text);
  }
  return rows;
}

int DialogDriver::Selection(int id) const {
  HWND c = Control(id);
  if (!c) return -1;
  WCHAR cls[32] = {};
  GetClassNameW(c, cls, 32);
  if (platform::EqualsIgnoreCase(cls, WC_LISTVIEWW)) return ListViewDriver(c).Selection();
  bool isCombo = platform::EqualsIgnoreCase(cls, u"COMBOBOX");
  return static_cast<int>(SendMessageW(c, isCombo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
}

HWND DialogDriver::Focus() const { return GetFocus(); }

void DialogDriver::Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    if (IsWindow(m_dialog) && IsDialogMessageW(m_dialog, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

void DialogDriver::TapScreen(HWND control, POINT client) {
  ClientToScreen(control, &client);
  platform::Tap(client);
  Pump();
}

DialogDriver& DialogDriver::Tap(int id) {
  HWND c = Control(id);
  if (!c) return *this;
  if (!IsWindowVisible(c)) ADD_FAILURE() << "control " << id << " is hidden; on screen:\n" << ScreenPicture();
  RECT r;
  GetClientRect(c, &r);
  TapScreen(c, POINT{r.right / 2, r.bottom / 2});
  return *this;
}

DialogDriver& DialogDriver::TapAt(int id, int x, int y) {
  if (HWND c = Control(id)) TapScreen(c, POINT{x, y});
  return *this;
}

DialogDriver& DialogDriver::Hold(int id) {
  HWND c = Control(id);
  if (!c) return *this;
  RECT r;
  GetClientRect(c, &r);
  POINT p{r.right / 2, r.bottom / 2};
  ClientToScreen(c, &p);
  platform::PenDown(p);
  Pump();
  platform::TestClock::Advance(1000);
  Pump();
  platform::PenUp(p);
  Pump();
  return *this;
}

DialogDriver& DialogDriver::Type(std::u16string_view text) {
  for (WCHAR c : text) {
    platform::TypeText(std::u16string_view(&c, 1));
    Pump();
  }
  return *this;
}

DialogDriver& DialogDriver::TapPanel(std::u16string_view text) {
  for (WCHAR c : text) {
    std::optional<POINT> key = platform::InputPanelKeyAt(c);
    if (!key) {
      ADD_FAILURE() << "no key for '" << platform::ToUtf8(std::u16string_view(&c, 1)) << "' on the input panel";
      return *this;
    }
    platform::Tap(*key);
    Pump();
  }
  return *this;
}

DialogDriver& DialogDriver::TypeInto(int id, std::u16string_view text) {
  HWND c = Control(id);
  if (!c) return *this;
  Tap(id);
  if (GetFocus() != c) ADD_FAILURE() << "control " << id << " did not take the focus; on screen:\n" << ScreenPicture();
  SendMessageW(c, EM_SETSEL, 0, -1);
  return Type(text);
}

DialogDriver& DialogDriver::Key(UINT vk) {
  platform::PressKey(vk);
  Pump();
  return *this;
}

DialogDriver& DialogDriver::Choose(int comboId, std::u16string_view entry) {
  std::vector<std::u16string> rows = Rows(comboId);
  for (size_t i = 0; i < rows.size(); ++i)
    if (platform::EqualsIgnoreCase(rows[i], entry)) return Choose(comboId, static_cast<int>(i));
  ADD_FAILURE() << "combo box " << comboId << " has no entry \"" << platform::ToUtf8(entry) << "\"";
  return *this;
}

DialogDriver& DialogDriver::Choose(int comboId, int index) {
  HWND c = Control(comboId);
  if (!c) return *this;
  if (index < 0 || index >= static_cast<int>(SendMessageW(c, CB_GETCOUNT, 0, 0))) {
    ADD_FAILURE() << "combo box " << comboId << " has no entry " << index;
    return *this;
  }
  // Open the list with a tap, then tap the entry's row.
  if (!SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0)) Tap(comboId);
  HWND list = platform::ComboDropList(c);
  if (!list) {
    ADD_FAILURE() << "combo box " << comboId << " did not open its list; on screen:\n" << ScreenPicture();
    return *this;
  }
  RECT client;
  GetClientRect(list, &client);
  int row = index - platform::ComboTopEntry(c);
  int height = platform::ComboRowHeight();
  if (row >= 0 && (row + 1) * height <= client.bottom) {
    POINT p{client.right / 2, row * height + height / 2};
    ClientToScreen(list, &p);
    platform::Tap(p);
    Pump();
  } else {
    // Further down the list than it shows: chosen as a scrolled list would let a person.
    platform::ChooseComboRow(c, index);
    Pump();
  }
  return *this;
}

void DialogDriver::Press(int id) {
  HWND c = GetDlgItem(m_dialog, id);
  if (c && IsWindowVisible(c) && IsWindowEnabled(c)) {
    Tap(id);
    return;
  }
  SendMessageW(m_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(c));
  Pump();
}

void DialogDriver::Ok() { Press(IDOK); }
void DialogDriver::Cancel() { Press(IDCANCEL); }

// ---- MenuDriver ---------------------------------------------------------------------------------

std::vector<MenuDriver::ItemView> MenuDriver::Items() const {
  std::vector<ItemView> items;
  HMENU menu = platform::TrackedMenu();
  for (UINT i = 0;; ++i) {
    WCHAR text[128] = {};
    MENUITEMINFOW info;
    info.fMask = MIIM_TYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 128;
    if (!GetMenuItemInfoW(menu, i, TRUE, &info)) break;
    ItemView v;
    v.id = info.wID;
    v.text = (info.fType & MFT_SEPARATOR) ? u"" : text;
    v.grayed = info.fState & MFS_GRAYED;
    v.checked = info.fState & MFS_CHECKED;
    v.separator = info.fType & MFT_SEPARATOR;
    v.popup = info.hSubMenu != nullptr;
    items.push_back(v);
  }
  return items;
}

std::vector<std::u16string> MenuDriver::Texts() const {
  std::vector<std::u16string> texts;
  for (const ItemView& v : Items()) texts.push_back(v.separator ? u"-" : v.text);
  return texts;
}

void MenuDriver::TapRow(int row) {
  // The tracked menu's window is the topmost window. A row scrolled out of view is
  // brought in by tapping the menu's arrows, as a person would.
  HMENU menu = platform::TrackedMenu();
  HWND window = platform::TrackedMenuWindow();
  if (!window || !menu) {
    ADD_FAILURE() << "no popup menu is open";
    return;
  }
  int count = GetMenuItemCount(menu);
  RECT r;
  for (int taps = 0; !GetMenuItemRect(window, menu, static_cast<UINT>(row), &r); ++taps) {
    RECT up;
    RECT down;
    int shown = 0;
    while (shown < count && !GetMenuItemRect(window, menu, static_cast<UINT>(shown), &r)) ++shown;
    if (taps > count || !platform::MenuScrollArrows(window, &up, &down)) {
      ADD_FAILURE() << "row " << row << " of the popup menu cannot be brought into view";
      return;
    }
    const RECT& arrow = row < shown ? up : down;
    platform::Tap(POINT{(arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2});
    platform::PumpMessages();
  }
  platform::Tap(POINT{r.left + 4, (r.top + r.bottom) / 2});
}

void MenuDriver::Choose(UINT id) {
  std::vector<ItemView> items = Items();
  for (size_t i = 0; i < items.size(); ++i)
    if (!items[i].separator && !items[i].popup && items[i].id == id) return TapRow(static_cast<int>(i));
  ADD_FAILURE() << "the popup menu has no item " << id << "; it has: " << [&] {
    std::string all;
    for (const ItemView& v : items) all += "\n  " + std::to_string(v.id) + " " + platform::ToUtf8(v.text);
    return all;
  }();
  Cancel();
}

void MenuDriver::Choose(std::u16string_view text) {
  std::vector<ItemView> items = Items();
  for (size_t i = 0; i < items.size(); ++i)
    if (!items[i].separator && items[i].text == text) return TapRow(static_cast<int>(i));
  ADD_FAILURE() << "the popup menu has no item \"" << platform::ToUtf8(text) << "\"";
  Cancel();
}

void MenuDriver::Open(std::u16string_view text) { Choose(text); }

void MenuDriver::Cancel() { platform::PressKey(VK_ESCAPE); }

// ---- UiScript --------------------------------------------------------------------------------

UiScript::UiScript() { m_previous = platform::SetIdleHandler(this); }

UiScript::~UiScript() {
  platform::SetIdleHandler(m_previous);
  if (Pending() > 0)
    ADD_FAILURE() << Pending() << " scripted step(s) never came; the first expects " << Describe(m_steps[m_next]);
}

UiScript& UiScript::ExpectMessageBox(std::u16string text, int answer) {
  Step s;
  s.kind = Kind::MessageBox;
  s.text = std::move(text);
  s.answer = answer;
  m_steps.push_back(std::move(s));
  return *this;
}

UiScript& UiScript::ExpectPopupMenu(MenuAction act) {
  Step s;
  s.kind = Kind::PopupMenu;
  s.menu = std::move(act);
  m_steps.push_back(std::move(s));
  return *this;
}

std::string UiScript::Describe(const Step& step) {
  if (step.kind == Kind::PopupMenu) return "a popup menu";
  if (step.kind == Kind::MessageBox) return "message box \"" + platform::ToUtf8(step.text) + "\"";
  return "dialog " + std::to_string(step.templateId);
}

UiScript& UiScript::ExpectDialog(int templateId, DialogAction act) {
  Step s;
  s.kind = Kind::Dialog;
  s.templateId = templateId;
  s.dialog = std::move(act);
  m_steps.push_back(std::move(s));
  return *this;
}

bool UiScript::OnIdle(HWND modalWindow, const std::u16string& what) {
  if (!modalWindow) return false;  // a plain message loop waits for other threads
  std::string name = platform::ToUtf8(what);
  if (++m_idle > kIdleBudget) {
    if (m_idle == kIdleBudget + 1) ADD_FAILURE() << "the modal loops stayed busy for " << kIdleBudget << " idle rounds";
    return false;
  }
  if (m_next >= m_steps.size()) {
    ADD_FAILURE() << name << " is waiting but nothing more is scripted; on screen:\n" << ScreenPicture();
    return false;
  }
  Step& step = m_steps[m_next];
  DialogDriver driver(modalWindow);
  if (what == u"message box") {
    std::u16string shown = GetDlgItem(modalWindow, 0xFFFF) ? driver.Text(0xFFFF) : std::u16string();
    if (step.kind != Kind::MessageBox || shown != step.text) {
      ADD_FAILURE() << "expected " << Describe(step) << " but a message box says \"" << platform::ToUtf8(shown)
                    << "\"; on screen:\n" << ScreenPicture();
      ++m_next;
      return false;
    }
    ++m_next;
    m_seen.push_back("message box");
    if (!GetDlgItem(modalWindow, step.answer)) {
      ADD_FAILURE() << "the message box \"" << platform::ToUtf8(shown) << "\" has no button " << step.answer;
      return false;
    }
    driver.Press(step.answer);
    return true;
  }
  if (what == u"popup menu") {
    if (step.kind != Kind::PopupMenu) {
      ADD_FAILURE() << "expected " << Describe(step) << " but a popup menu is open; on screen:\n" << ScreenPicture();
      ++m_next;
      return false;
    }
    ++m_next;
    m_seen.push_back(name);
    MenuDriver menu;
    MenuAction act = step.menu;
    if (act) act(menu);
    return true;
  }
  int id = platform::DialogTemplateId(modalWindow);
  bool isDialog = what.rfind(u"dialog", 0) == 0;
  if (step.kind != Kind::Dialog || !isDialog || (step.templateId != 0 && step.templateId != id)) {
    ADD_FAILURE() << "expected " << Describe(step) << " but " << name << " is waiting; on screen:\n"
                  << ScreenPicture();
    ++m_next;
    return false;
  }
  ++m_next;
  m_seen.push_back(name);
  DialogAction act = step.dialog;  // the step list may grow while it runs
  if (act) act(driver);
  return true;
}

}  // namespace platform::testing
