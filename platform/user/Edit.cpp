// The edit control: single-line, password and multi-line text with word wrap.
//
// A multi-line edit without ES_AUTOHSCROLL wraps its text to its client width minus a
// one-pixel margin on each side, measured by the window system's text measure. A line
// breaks after the last blank that still fits (the blanks stay at the end of the line);
// a word longer than the whole width is cut where it stops fitting. Hard breaks are
// CR LF; the line messages report visual lines, their lengths without the CR LF.
//
// A multi-line edit whose lines do not all fit shows its scroll bar at its right edge and
// wraps beside it. The first visible line is the vertical scroll position: the bar, the
// wheel and WM_VSCROLL move it, and the caret moved by a key or by typing brings its line
// into view.
#include <algorithm>

#include "platform/base/Base.h"
#include "platform/base/UniqueHandle.h"
#include "platform/module/Module.h"
#include "platform/user/Clipboard.h"
#include "platform/user/ControlsInternal.h"
#include "platform/user/Dialog.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/TextMeasure.h"

namespace platform::user {

namespace {

constexpr size_t kDefaultLimit = 0x7FFFFFFE;
constexpr int kMargin = 1;

struct Line {
  size_t start = 0;
  size_t length = 0;
};

class EditData : public WindowData {
 public:
  std::u16string text;
  size_t selStart = 0;
  size_t selEnd = 0;  // the caret
  size_t limit = kDefaultLimit;
  bool modified = false;
  WCHAR password = 0;
  bool capitalise = false;
  std::vector<Line> lines;
  int width = 0;  // wrap width
  HFONT font = nullptr;
};

std::shared_ptr<EditData> Data(HWND hwnd) { return DataOf<EditData>(hwnd); }

bool Multi(HWND hwnd) { return StyleOf(hwnd) & ES_MULTILINE; }

int LineHeightOf(const EditData& d) { return std::max(TextLineHeight(d.font), 1); }

// The whole lines the edit shows (at least one).
int VisibleLines(HWND hwnd, const EditData& d) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return std::max(1, static_cast<int>(r.bottom - kMargin) / LineHeightOf(d));
}

int TopLine(HWND hwnd) { return GetScrollPos(hwnd, SB_VERT); }

void WrapLines(HWND hwnd, EditData& d) {
  d.lines.clear();
  DWORD style = StyleOf(hwnd);
  bool wrap = (style & ES_MULTILINE) && !(style & ES_AUTOHSCROLL);
  if (!(style & ES_MULTILINE)) {
    d.lines.push_back(Line{0, d.text.size()});
    return;
  }
  RECT r{};
  GetClientRect(hwnd, &r);
  d.width = std::max<int>(0, r.right - 2 * kMargin - platform::VerticalScrollBarWidth(hwnd));
  size_t pos = 0;
  for (;;) {
    size_t brk = d.text.find(u"\r\n", pos);
    size_t end = brk == std::u16string::npos ? d.text.size() : brk;
    // Wrap the paragraph [pos, end).
    size_t at = pos;
    do {
      std::u16string_view rest(d.text.data() + at, end - at);
      size_t fit = wrap ? CharsThatFit(d.font, rest, d.width) : rest.size();
      if (fit >= rest.size()) {
        d.lines.push_back(Line{at, rest.size()});
        at = end;
        break;
      }
      size_t cut = fit;
      // Blanks right after the fitting part stay on this line.
      if (rest[cut] == u' ') {
        while (cut < rest.size() && rest[cut] == u' ') ++cut;
      } else {
        size_t blank = rest.substr(0, fit).find_last_of(u' ');
        if (blank != std::u16string_view::npos) {
          cut = blank + 1;
        } else if (cut == 0) {
          cut = 1;  // not even one character fits: one per line
        }
      }
      d.lines.push_back(Line{at, cut});
      at += cut;
    } while (at < end);
    if (brk == std::u16string::npos) break;
    pos = brk + 2;
    if (pos == d.text.size()) {
      d.lines.push_back(Line{pos, 0});
      break;
    }
  }
  if (d.lines.empty()) d.lines.push_back(Line{0, 0});
}

size_t LineOf(const EditData& d, size_t index) {
  for (size_t i = d.lines.size(); i-- > 0;)
    if (d.lines[i].start <= index) return i;
  return 0;
}

void UpdateScroll(HWND hwnd, const EditData& d) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = 0;
  si.nMax = static_cast<int>(d.lines.size()) - 1;
  si.nPage = static_cast<UINT>(VisibleLines(hwnd, d));
  SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

// Wraps the text; a multi-line edit then shows or hides its scroll bar, and wraps again
// beside it (or without it) when that changed.
void Wrap(HWND hwnd, EditData& d) {
  StoreText(hwnd, d.text);  // the window's own text follows, for pictures of the screen
  WrapLines(hwnd, d);
  if (!Multi(hwnd)) return;
  int bar = platform::VerticalScrollBarWidth(hwnd);
  UpdateScroll(hwnd, d);
  if (platform::VerticalScrollBarWidth(hwnd) == bar) return;
  WrapLines(hwnd, d);
  UpdateScroll(hwnd, d);
}

// Moves the first visible line (kept in range by the scroll bar) and repaints.
void ScrollToLine(HWND hwnd, int line) {
  int before = TopLine(hwnd);
  SetScrollPos(hwnd, SB_VERT, line, TRUE);
  if (TopLine(hwnd) != before) InvalidateRect(hwnd, nullptr, TRUE);
}

// Brings the caret's line into view.
void ScrollToCaret(HWND hwnd, const EditData& d) {
  if (!Multi(hwnd)) return;
  int line = static_cast<int>(LineOf(d, d.selEnd));
  int top = TopLine(hwnd);
  int page = VisibleLines(hwnd, d);
  if (line < top) ScrollToLine(hwnd, line);
  else if (line >= top + page) ScrollToLine(hwnd, line - page + 1);
}

void OnScroll(HWND hwnd, const EditData& d, WPARAM wParam) {
  if (!Multi(hwnd)) return;
  std::optional<int> top = platform::ScrolledTopLine(hwnd, wParam, VisibleLines(hwnd, d), static_cast<int>(d.lines.size()));
  if (top) ScrollToLine(hwnd, *top);
}

void Changed(HWND hwnd, EditData& d) {
  d.modified = true;
  Wrap(hwnd, d);
  NotifyParent(hwnd, EN_UPDATE);
  NotifyParent(hwnd, EN_CHANGE);
}

// Replaces the selection with `insert`, within the text limit; false when nothing of a
// non-empty insert fitted.
bool ReplaceSelection(HWND hwnd, EditData& d, std::u16string insert, bool notify) {
  size_t a = std::min(d.selStart, d.selEnd);
  size_t b = std::max(d.selStart, d.selEnd);
  size_t room = d.limit > d.text.size() - (b - a) ? d.limit - (d.text.size() - (b - a)) : 0;
  bool cut = insert.size() > room;
  if (cut) {
    insert.resize(room);
    // Never leave half of a CR LF pair behind.
    if (!insert.empty() && insert.back() == u'\r') insert.pop_back();
  }
  bool changes = b > a || !insert.empty();
  d.text.replace(a, b - a, insert);
  d.selStart = d.selEnd = a + insert.size();
  if (notify && changes) Changed(hwnd, d);
  else Wrap(hwnd, d);
  ScrollToCaret(hwnd, d);
  if (cut) NotifyParent(hwnd, EN_MAXTEXT);
  return !cut || !insert.empty();
}

void TypeChar(HWND hwnd, EditData& d, WCHAR c) {
  DWORD style = StyleOf(hwnd);
  if (style & ES_READONLY) {
    MessageBeep(0);
    return;
  }
  if (c == u'\b') {
    if (d.selStart == d.selEnd) {
      if (d.selEnd == 0) return;
      size_t back = (d.selEnd >= 2 && d.text.compare(d.selEnd - 2, 2, u"\r\n") == 0) ? 2 : 1;
      d.selStart = d.selEnd - back;
    }
    ReplaceSelection(hwnd, d, u"", true);
    return;
  }
  std::u16string insert;
  if (c == u'\r') {
    if (!(style & ES_MULTILINE)) return;
    insert = u"\r\n";
  } else if (c == u'\t') {
    if (!(style & ES_MULTILINE)) return;
    insert = u"\t";
  } else if (c < 0x20) {
    return;
  } else {
    if ((style & ES_NUMBER) && (c < u'0' || c > u'9')) {
      MessageBeep(0);
      return;
    }
    if (style & ES_UPPERCASE) c = platform::UpperCase(c);
    if (style & ES_LOWERCASE) c = platform::LowerCase(c);
    // The capitalising edit starts a text with a capital.
    if (d.capitalise && d.text.empty()) c = platform::UpperCase(c);
    insert.assign(1, c);
  }
  if (!ReplaceSelection(hwnd, d, insert, true)) MessageBeep(0);
}

void MoveCaret(HWND hwnd, EditData& d, UINT vk) {
  bool extend = GetKeyState(VK_SHIFT) & 0x8000;
  size_t caret = d.selEnd;
  size_t line = LineOf(d, caret);
  switch (vk) {
    case VK_LEFT:
      if (caret > 0) caret -= (caret >= 2 && d.text.compare(caret - 2, 2, u"\r\n") == 0) ? 2 : 1;
      break;
    case VK_RIGHT:
      if (caret < d.text.size()) caret += d.text.compare(caret, 2, u"\r\n") == 0 ? 2 : 1;
      break;
    case VK_HOME: caret = d.lines[line].start; break;
    case VK_END: caret = d.lines[line].start + d.lines[line].length; break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      if (!Multi(hwnd)) return;
      size_t column = caret - d.lines[line].start;
      size_t step = (vk == VK_UP || vk == VK_DOWN) ? 1 : static_cast<size_t>(VisibleLines(hwnd, d));
      bool up = vk == VK_UP || vk == VK_PRIOR;
      if (up ? line == 0 : line + 1 >= d.lines.size()) return;
      size_t target = up ? line - std::min(step, line) : std::min(line + step, d.lines.size() - 1);
      const Line& to = d.lines[target];
      // The end of a line the wrap broke is where the next line starts: the caret stops
      // before it to stay on the line it moved to.
      bool wrapped = target + 1 < d.lines.size() && d.lines[target + 1].start == to.start + to.length;
      caret = to.start + std::min(column, wrapped && to.length > 0 ? to.length - 1 : to.length);
      break;
    }
    case VK_DELETE:
      if (StyleOf(hwnd) & ES_READONLY) return;
      if (d.selStart == d.selEnd) {
        if (caret >= d.text.size()) return;
        d.selEnd = caret + (d.text.compare(caret, 2, u"\r\n") == 0 ? 2 : 1);
        d.selStart = caret;
      }
      ReplaceSelection(hwnd, d, u"", true);
      return;
    default:
      return;
  }
  d.selEnd = caret;
  if (!extend) d.selStart = caret;
  ScrollToCaret(hwnd, d);
  InvalidateRect(hwnd, nullptr, FALSE);  // the caret or selection is drawn where it now is
}

// The character position nearest to a client point.
size_t PositionAt(HWND hwnd, EditData& d, int x, int y) {
  size_t line = 0;
  if (Multi(hwnd)) {
    int at = TopLine(hwnd) + std::max(y, 0) / LineHeightOf(d);
    line = static_cast<size_t>(std::clamp(at, 0, static_cast<int>(d.lines.size()) - 1));
  }
  const Line& l = d.lines[line];
  std::u16string_view text(d.text.data() + l.start, l.length);
  size_t fit = CharsThatFit(d.font, text, std::max(0, x - kMargin));
  // Past the middle of a character the caret goes after it.
  if (fit < text.size()) {
    int before = TextWidth(d.font, text.substr(0, fit));
    int after = TextWidth(d.font, text.substr(0, fit + 1));
    if (x - kMargin - before > (after - before) / 2) ++fit;
  }
  return l.start + fit;
}

// The clipboard holds text as format 1: UTF-16 with its null.
void CopySelection(HWND hwnd, const EditData& d) {
  size_t a = std::min(d.selStart, d.selEnd);
  size_t b = std::max(d.selStart, d.selEnd);
  if (a == b || d.password) return;  // a password never leaves its edit
  std::u16string text = d.text.substr(a, b - a);
  CLocalMemory block = CLocalMemory::Allocate((text.size() + 1) * sizeof(WCHAR), LMEM_FIXED);
  if (!block) return;
  std::copy(text.begin(), text.end(), block.as<WCHAR>());
  block.as<WCHAR>()[text.size()] = 0;
  if (!OpenClipboard(hwnd)) return;
  EmptyClipboard();
  // The clipboard owns the block once it has taken it.
  if (SetClipboardData(CF_TEXT, block.get())) block.release();
  CloseClipboard();
}

void Paste(HWND hwnd, EditData& d) {
  if (StyleOf(hwnd) & ES_READONLY) return;
  std::u16string text;
  if (!OpenClipboard(hwnd)) return;
  if (HANDLE block = GetClipboardData(CF_TEXT)) {
    auto* chars = static_cast<const WCHAR*>(block);
    size_t limit = LocalSize(block) / sizeof(WCHAR);
    size_t n = 0;
    while (n < limit && chars[n]) ++n;
    text.assign(chars, n);
  }
  CloseClipboard();
  if (!(StyleOf(hwnd) & ES_MULTILINE)) {
    size_t end = text.find_first_of(u"\r\n");
    if (end != std::u16string::npos) text.resize(end);  // one line only
  }
  if (!text.empty() && !ReplaceSelection(hwnd, d, text, true)) MessageBeep(0);
}

void ClearSelection(HWND hwnd, EditData& d) {
  if ((StyleOf(hwnd) & ES_READONLY) || d.selStart == d.selEnd) return;
  ReplaceSelection(hwnd, d, u"", true);
}

LRESULT GetLine(EditData& d, HWND hwnd, WPARAM line, LPARAM buffer) {
  if (!buffer) return 0;
  auto* out = reinterpret_cast<WCHAR*>(buffer);
  size_t room = static_cast<WORD>(out[0]);
  size_t index = Multi(hwnd) ? line : 0;
  if (index >= d.lines.size()) return 0;
  const Line& l = d.lines[index];
  size_t count = std::min(room, l.length);
  std::copy_n(d.text.data() + l.start, count, out);
  return static_cast<LRESULT>(count);
}

}  // namespace

LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto d = std::make_shared<EditData>();
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    if (cs && cs->lpszName) d->text = cs->lpszName;
    if (cs && (static_cast<DWORD>(cs->style) & ES_PASSWORD) && !(static_cast<DWORD>(cs->style) & ES_MULTILINE))
      d->password = u'*';
    d->capitalise = cs && cs->lpszClass && !IS_INTRESOURCE(cs->lpszClass) &&
                    platform::EqualsIgnoreCase(cs->lpszClass, u"CAPEDIT");
    SetData(hwnd, d);
    return TRUE;
  }
  auto d = Data(hwnd);
  if (!d) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_CREATE:
      if (Multi(hwnd)) platform::AttachVerticalScrollBar(hwnd);
      Wrap(hwnd, *d);
      return 0;
    case WM_SIZE:
      Wrap(hwnd, *d);
      return 0;
    case WM_VSCROLL:
      OnScroll(hwnd, *d, wParam);
      return 0;
    case WM_MOUSEWHEEL:
      if (Multi(hwnd)) platform::ScrollByWheel(hwnd, wParam);
      return 0;
    case WM_SETFONT:
      d->font = reinterpret_cast<HFONT>(wParam);
      Wrap(hwnd, *d);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_SETTEXT:
      d->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
      d->selStart = d->selEnd = 0;
      d->modified = false;
      Wrap(hwnd, *d);
      ScrollToLine(hwnd, 0);
      NotifyParent(hwnd, EN_UPDATE);
      NotifyParent(hwnd, EN_CHANGE);
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      size_t count = std::min<size_t>(d->text.size(), wParam - 1);
      auto* out = reinterpret_cast<LPWSTR>(lParam);
      std::copy_n(d->text.data(), count, out);
      out[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(d->text.size());
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      auto* m = reinterpret_cast<MSG*>(lParam);
      if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN && (StyleOf(hwnd) & (ES_MULTILINE | ES_WANTRETURN)) ==
                                                                          (ES_MULTILINE | ES_WANTRETURN))
        code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_CHAR:
      switch (wParam) {
        case 3: CopySelection(hwnd, *d); return 0;  // Ctrl+C
        case 22: Paste(hwnd, *d); return 0;         // Ctrl+V
        case 24:                                    // Ctrl+X
          CopySelection(hwnd, *d);
          if (!d->password) ClearSelection(hwnd, *d);
          return 0;
        default: TypeChar(hwnd, *d, static_cast<WCHAR>(wParam)); return 0;
      }
    case WM_COPY:
      CopySelection(hwnd, *d);
      return 0;
    case WM_CUT:
      CopySelection(hwnd, *d);
      if (!d->password) ClearSelection(hwnd, *d);
      return 0;
    case WM_PASTE:
      Paste(hwnd, *d);
      return 0;
    case WM_CLEAR:
      ClearSelection(hwnd, *d);
      return 0;
    case WM_KEYDOWN:
      MoveCaret(hwnd, *d, static_cast<UINT>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      d->selStart = d->selEnd = PositionAt(hwnd, *d, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);  // the caret shows only with the focus
      NotifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      NotifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case EM_GETSEL: {
      size_t a = std::min(d->selStart, d->selEnd);
      size_t b = std::max(d->selStart, d->selEnd);
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(a);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(b);
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min<size_t>(a, 0xFFFF)),
                                           static_cast<WORD>(std::min<size_t>(b, 0xFFFF))));
    }
    case EM_SETSEL: {
      auto start = static_cast<INT_PTR>(wParam);
      auto end = static_cast<INT_PTR>(lParam);
      size_t size = d->text.size();
      if (start < 0) {
        d->selStart = d->selEnd;  // -1 removes the selection
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      }
      d->selStart = std::min<size_t>(static_cast<size_t>(start), size);
      d->selEnd = end < 0 ? size : std::min<size_t>(static_cast<size_t>(end), size);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case EM_CHARFROMPOS: {
      size_t at = PositionAt(hwnd, *d, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min<size_t>(at, 0xFFFF)),
                                           static_cast<WORD>(std::min<size_t>(LineOf(*d, at), 0xFFFF))));
    }
    case EM_REPLACESEL:
      ReplaceSelection(hwnd, *d, lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"", true);
      return 0;
    case EM_LIMITTEXT:
      d->limit = wParam ? static_cast<size_t>(wParam) : kDefaultLimit;
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(d->limit);
    case EM_GETMODIFY:
      return d->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      d->modified = wParam != 0;
      return 0;
    case EM_SETPASSWORDCHAR:
      d->password = static_cast<WCHAR>(wParam);
      return 0;
    case EM_GETPASSWORDCHAR:
      return d->password;
    case EM_SETREADONLY: {
      DWORD style = StyleOf(hwnd);
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
      return TRUE;
    }
    case EM_SCROLLCARET:
      ScrollToCaret(hwnd, *d);
      return TRUE;
    case EM_GETFIRSTVISIBLELINE:
      return Multi(hwnd) ? TopLine(hwnd) : 0;
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(d->lines.size());
    case EM_LINEINDEX: {
      auto line = static_cast<INT_PTR>(wParam);
      size_t index = line < 0 ? LineOf(*d, d->selEnd) : static_cast<size_t>(line);
      return index < d->lines.size() ? static_cast<LRESULT>(d->lines[index].start) : -1;
    }
    case EM_LINELENGTH: {
      auto at = static_cast<INT_PTR>(wParam);
      if (at < 0) {
        // The characters on the selection's lines that are not selected.
        size_t a = std::min(d->selStart, d->selEnd);
        size_t b = std::max(d->selStart, d->selEnd);
        const Line& first = d->lines[LineOf(*d, a)];
        const Line& last = d->lines[LineOf(*d, b)];
        return static_cast<LRESULT>((a - first.start) + (last.start + last.length - std::min(b, last.start + last.length)));
      }
      if (static_cast<size_t>(at) > d->text.size()) return 0;
      return static_cast<LRESULT>(d->lines[LineOf(*d, static_cast<size_t>(at))].length);
    }
    case EM_LINEFROMCHAR: {
      auto at = static_cast<INT_PTR>(wParam);
      return static_cast<LRESULT>(LineOf(*d, at < 0 ? d->selEnd : std::min<size_t>(static_cast<size_t>(at), d->text.size())));
    }
    case EM_GETLINE:
      return GetLine(*d, hwnd, wParam, lParam);
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::user

namespace platform {

// What an edit shows: its text, or the password character for each character.
std::u16string EditDisplayText(HWND edit) {
  auto d = user::DataOf<user::EditData>(edit);
  if (!d) return {};
  return d->password ? std::u16string(d->text.size(), d->password) : d->text;
}

}  // namespace platform
