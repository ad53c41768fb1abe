#include "platform/user/MessageBox.h"

#include <cstdio>
#include <algorithm>
#include <deque>
#include <mutex>
#include <set>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowManager.h"

namespace {

constexpr size_t kLogLength = 256;

std::mutex g_lock;
platform::MessageBoxHandler* g_handler = nullptr;
std::deque<platform::MessageBoxRecord> g_log;
std::set<HWND> g_open;  // the boxes on screen now

// The buttons of a style in order, or an empty list when the style names none we know.
std::vector<int> Buttons(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OK: return {IDOK};
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {};
  }
}

void Record(const platform::MessageBoxRecord& box) {
  std::lock_guard guard(g_lock);
  g_log.push_back(box);
  while (g_log.size() > kLogLength) g_log.pop_front();
}

// ---- The box itself: a modal dialog built in code ------------------------------------------

std::u16string ButtonText(int id) {
  switch (id) {
    case IDOK: return u"OK";
    case IDCANCEL: return u"Cancel";
    case IDABORT: return u"Abort";
    case IDRETRY: return u"Retry";
    case IDIGNORE: return u"Ignore";
    case IDYES: return u"Yes";
    case IDNO: return u"No";
    default: return {};
  }
}

// The height in pixels of `text` broken into lines `width` pixels wide, as the box's text
// control breaks and draws it (in the system font): at blanks, and a word wider than the
// line (a long path) where the line ends, so that all of it shows.
int WrappedTextHeight(std::u16string_view text, int width) {
  CMemoryDC dc = CMemoryDC::CompatibleWith(nullptr);
  if (!dc) return 0;
  RECT r{0, 0, std::max(width, 1), 0};
  DrawTextW(dc.get(), text.data(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  return static_cast<int>(r.bottom);
}

// A DIALOG template in memory: the text on top, the buttons in a row below it.
class BoxTemplate {
 public:
  BoxTemplate(const platform::MessageBoxRecord& box, const std::vector<int>& buttons) {
    const int scale = platform::ScreenScale();
    // Dialog units: 4 to 6 pixels across, 8 to 13 down, at the classic scale.
    const int baseX = 6 * scale, baseY = 13 * scale;
    short cx = static_cast<short>(std::max(60, (platform::ScreenWidth() / scale - 16) * 4 / 6));
    // The text is as tall as its lines, measured as they will be drawn; a box that would
    // outgrow the screen between its bars keeps to it and its text scrolls.
    const int textPixels = WrappedTextHeight(box.text, (cx - 8) * baseX / 4);
    const int frame = GetSystemMetrics(SM_CYCAPTION) + 2;
    const int room = (platform::ScreenHeight() - 2 * platform::TaskBarHeight() - frame) * 8 / baseY - kChrome;
    int textHeight = (textPixels * 8 + baseY - 1) / baseY;
    m_scrolls = textHeight > room;
    if (m_scrolls) textHeight = std::max(8, room);
    short cy = static_cast<short>(textHeight + kChrome);
    Dword(WS_POPUP | WS_CAPTION | DS_CENTER | DS_MODALFRAME);
    Dword(0);
    Word(static_cast<WORD>(buttons.size() + 1));
    Word(0);
    Word(0);
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(0);
    Word(0);
    Text(box.caption);
    // The text is set once the box exists: a template item holds a limited text.
    if (m_scrolls)
      Item(0x81, u"", kTextId, WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 4, 6,
           static_cast<short>(cx - 8), static_cast<short>(textHeight));
    else
      Item(0x82, u"", kTextId, WS_VISIBLE | SS_EDITCONTROL, 4, 6, static_cast<short>(cx - 8),
           static_cast<short>(textHeight));
    short width = 40;
    short gap = 4;
    short total = static_cast<short>(buttons.size() * width + (buttons.size() - 1) * gap);
    short x = static_cast<short>(std::max(0, (cx - total) / 2));
    int def = platform::DefaultMessageBoxButton(box.style);
    for (int id : buttons) {
      DWORD style = WS_VISIBLE | WS_TABSTOP | (id == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      Item(0x80, ButtonText(id), static_cast<WORD>(id), style, x, static_cast<short>(textHeight + 14), width, 14);
      x = static_cast<short>(x + width + gap);
    }
  }
  const void* Data() const { return m_words.data(); }

  static constexpr WORD kTextId = 0xFFFF;

 private:
  static constexpr int kChrome = 34;  // the margins and the button row, in dialog units
  bool m_scrolls = false;  // the text outgrew the screen and scrolls in a read-only edit
  void Word(WORD w) { m_words.push_back(w); }
  void Dword(DWORD d) {
    Word(static_cast<WORD>(d & 0xFFFF));
    Word(static_cast<WORD>(d >> 16));
  }
  void Text(std::u16string_view s) {
    for (char16_t c : s) Word(c);
    Word(0);
  }
  void Item(WORD cls, std::u16string_view text, WORD id, DWORD style, short x, short y, short cx, short cy) {
    if (m_words.size() % 2) Word(0);  // items start on a DWORD boundary
    Dword(style | WS_CHILD);
    Dword(0);
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF);
    Word(cls);
    Text(text);
    Word(0);
  }
  std::vector<WORD> m_words;
};

struct BoxState {
  platform::MessageBoxRecord* box = nullptr;
  HWND dialog = nullptr;
};

INT_PTR BoxProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<BoxState*>(GetWindowLongW(dialog, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongW(dialog, GWL_USERDATA, lParam);
      reinterpret_cast<BoxState*>(lParam)->dialog = dialog;
      SetDlgItemTextW(dialog, BoxTemplate::kTextId, reinterpret_cast<BoxState*>(lParam)->box->text.c_str());
      {
        std::lock_guard guard(g_lock);
        g_open.insert(dialog);
      }
      return TRUE;
    case WM_DESTROY: {
      std::lock_guard guard(g_lock);
      g_open.erase(dialog);
      return FALSE;
    }
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (!state) return FALSE;
      UINT style = state->box->style;
      // Esc answers Cancel, or OK on a box with only OK, and nothing otherwise.
      if (id == IDCANCEL && !platform::IsMessageBoxButton(style, IDCANCEL)) {
        if ((style & MB_TYPEMASK) != MB_OK) return TRUE;
        id = IDOK;
      }
      if (platform::IsMessageBoxButton(style, id)) EndDialog(dialog, id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  std::vector<int> buttons = Buttons(type);
  if (buttons.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  platform::MessageBoxRecord box;
  box.owner = owner;
  box.text = text ? text : u"";
  box.caption = caption ? caption : u"Error";
  box.style = type;
  // The debug trace names every box, so a run on a real screen can tell what it was told.
  char style[16];
  std::snprintf(style, sizeof style, "%x", type);
  const std::u16string trace =
      u"[message box shown] " + box.caption + u": " + box.text + u" (style 0x" + platform::ToUtf16(style) + u")\n";
  OutputDebugStringW(trace.c_str());

  platform::MessageBoxHandler* handler = nullptr;
  {
    std::lock_guard guard(g_lock);
    handler = g_handler;
  }
  // The box runs its own modal loop. When that loop has nothing to do, an installed
  // answerer presses the button it chooses; else the test driver acts; with neither the
  // box is answered with its default button, as an unattended device would.
  // The box's own window, not the active one: a window shown meanwhile may be active.
  BoxState state{&box};
  bool asked = false;
  auto ownIdle = [&]() -> bool {
    if (asked) return false;
    HWND boxWindow = state.dialog;
    if (handler) {
      asked = true;
      int answer = handler->OnMessageBox(box);
      // A handler that answers with a button the box does not have gets the default.
      if (!platform::IsMessageBoxButton(type, answer)) answer = platform::DefaultMessageBoxButton(type);
      EndDialog(boxWindow, answer);
      return true;
    }
    if (!platform::user::HasIdleHandler()) {
      asked = true;
      int answer = platform::DefaultMessageBoxButton(type);
      std::fprintf(stderr, "[message box] %s: %s (style 0x%x, answered %d)\n", platform::ToUtf8(box.caption).c_str(),
                   platform::ToUtf8(box.text).c_str(), type, answer);
      EndDialog(boxWindow, answer);
      return true;
    }
    return false;
  };
  BoxTemplate templ(box, buttons);
  INT_PTR result = platform::user::RunModalDialog(nullptr, templ.Data(), owner, BoxProc,
                                                  reinterpret_cast<LPARAM>(&state), 0, u"message box", ownIdle);
  box.result = platform::IsMessageBoxButton(type, static_cast<int>(result)) ? static_cast<int>(result)
                                                                            : platform::DefaultMessageBoxButton(type);
  Record(box);
  return box.result;
}

namespace platform {

MessageBoxHandler* SetMessageBoxHandler(MessageBoxHandler* handler) {
  std::lock_guard guard(g_lock);
  MessageBoxHandler* previous = g_handler;
  g_handler = handler;
  return previous;
}

int DefaultMessageBoxButton(UINT style) {
  std::vector<int> buttons = Buttons(style);
  if (buttons.empty()) return 0;
  size_t index = (style & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons[0];
}

bool IsMessageBoxButton(UINT style, int answer) {
  for (int button : Buttons(style))
    if (button == answer) return true;
  return false;
}

std::vector<MessageBoxRecord> MessageBoxLog() {
  std::lock_guard guard(g_lock);
  return {g_log.begin(), g_log.end()};
}

bool IsMessageBoxWindow(HWND hwnd) {
  std::lock_guard guard(g_lock);
  return hwnd && g_open.contains(hwnd);
}

void ClearMessageBoxLog() {
  std::lock_guard guard(g_lock);
  g_log.clear();
}

}  // namespace platform
