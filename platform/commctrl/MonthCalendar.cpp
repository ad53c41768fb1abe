// The month calendar and the progress bar.
//
// The month calendar shows one month: a title row with the month and arrows to page, the
// day initials, six weeks of days (from the locale's first day of the week) and a "Today" row. A tap on a day or on
// the today row selects that date (MCN_SELCHANGE, then MCN_SELECT); paging keeps the day of
// the month and tells only MCN_SELCHANGE, so a dialog that closes on MCN_SELECT stays open.
#include <algorithm>

#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrlInternal.h"
#include "platform/kernel/Clock.h"
#include "platform/locale/Locale.h"
#include "platform/user/Dialog.h"
#include "platform/user/Paint.h"

namespace platform::commctrl {

namespace {

// ---- Dates ----------------------------------------------------------------------------------------

// Days since 1970-01-01 of a proleptic Gregorian date.
int DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

int DayOfWeek(int y, int m, int d) { return ((DaysFromCivil(y, m, d) % 7) + 11) % 7; }  // 0 = Sunday

SYSTEMTIME MakeDate(int y, int m, int d) {
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  st.wDayOfWeek = static_cast<WORD>(DayOfWeek(y, m, d));
  return st;
}

bool ValidDate(const SYSTEMTIME& st) {
  return st.wYear >= 1601 && st.wYear <= 9999 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
         st.wDay <= DaysInMonth(st.wYear, st.wMonth);
}

// The date `days` after (or before) a date.
SYSTEMTIME AddDays(const SYSTEMTIME& st, int days) {
  int z = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + days + 719468;
  int era = (z >= 0 ? z : z - 146096) / 146097;
  int doe = z - era * 146097;
  int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int mp = (5 * doy + 2) / 153;
  int d = doy - (153 * mp + 2) / 5 + 1;
  int m = mp + (mp < 10 ? 3 : -9);
  int y = yoe + era * 400 + (m <= 2);
  return MakeDate(y, m, d);
}

// ---- Model and layout -------------------------------------------------------------------------

// Starts on today, chosen and shown.
class MonthCalendar : public platform::user::WindowData {
 public:
  MonthCalendar() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    today = MakeDate(now.wYear, now.wMonth, now.wDay);
    selected = today;
    year = today.wYear;
    month = today.wMonth;
  }
  SYSTEMTIME selected;
  SYSTEMTIME today;
  int year = 0;   // the month shown
  int month = 0;
};

std::shared_ptr<MonthCalendar> Model(HWND hwnd) { return platform::user::DataOf<MonthCalendar>(hwnd); }

struct Layout {
  int cellW = 0;
  int cellH = 0;
  int titleH = 0;
  int left = 0;
  int daysTop = 0;   // first week row
  int todayTop = 0;  // the today row
  int width = 0;
  int height = 0;
};

Layout LayoutOf(HWND hwnd) {
  Layout l;
  int line = LineHeight(hwnd);
  l.cellW = TextWidthOf(hwnd, u"30") + 8;
  l.cellH = line + 4;
  l.titleH = line + 8;
  l.left = 4;
  l.daysTop = l.titleH + l.cellH + 2;
  l.todayTop = l.daysTop + 6 * l.cellH + 2;
  l.width = 7 * l.cellW + 2 * l.left;
  l.height = l.todayTop + line + 6;
  return l;
}

// The day a week row begins with, Sunday 0, as the user's locale has it.
int FirstDayOfWeek() {
  DWORD monday0 = 6;  // Sunday, when the locale does not say
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&monday0),
                 sizeof monday0 / sizeof(WCHAR));
  return static_cast<int>((monday0 + 1) % 7);
}

// The date in the first row's first column of the month shown: days of the months around
// it fill the first and last weeks.
SYSTEMTIME FirstShown(const MonthCalendar& m) {
  SYSTEMTIME first = MakeDate(m.year, m.month, 1);
  return AddDays(first, -((first.wDayOfWeek - FirstDayOfWeek() + 7) % 7));
}

// The date in week row `row`, column `col`, counted from the first date shown.
SYSTEMTIME DateAt(const SYSTEMTIME& firstShown, int row, int col) { return AddDays(firstShown, row * 7 + col); }

struct Hit {
  UINT what = MCHT_NOWHERE;
  SYSTEMTIME date;
};

constexpr UINT kHitToday = 0x00030000;  // the today row (MCHT_TODAYLINK)

Hit HitTest(HWND hwnd, const MonthCalendar& m, POINT pt) {
  Layout l = LayoutOf(hwnd);
  Hit hit;
  if (pt.y >= 0 && pt.y < l.titleH) {
    if (pt.x < l.left + l.cellW) hit.what = MCHT_TITLEBTNPREV;
    else if (pt.x >= l.width - l.left - l.cellW && pt.x < l.width) hit.what = MCHT_TITLEBTNNEXT;
    return hit;
  }
  int col = (pt.x - l.left) / std::max(l.cellW, 1);
  if (pt.y >= l.daysTop && pt.y < l.todayTop - 2 && pt.x >= l.left && col < 7) {
    hit.what = MCHT_CALENDARDATE;
    hit.date = DateAt(FirstShown(m), (pt.y - l.daysTop) / l.cellH, col);
    return hit;
  }
  if (pt.y >= l.todayTop && pt.y < l.height) {
    hit.what = kHitToday;
    hit.date = m.today;
  }
  return hit;
}

void Show(MonthCalendar& m, const SYSTEMTIME& date) {
  m.year = date.wYear;
  m.month = date.wMonth;
}

void Tell(HWND hwnd, const MonthCalendar& m, UINT code) {
  NMSELCHANGE nm;
  nm.stSelStart = m.selected;
  nm.stSelEnd = m.selected;
  Notify(hwnd, code, &nm.hdr);
}

void SelectDate(HWND hwnd, MonthCalendar& m, const SYSTEMTIME& date, bool explicitChoice) {
  m.selected = MakeDate(date.wYear, date.wMonth, date.wDay);
  Show(m, m.selected);
  Redraw(hwnd);
  Tell(hwnd, m, MCN_SELCHANGE);
  if (explicitChoice && Model(hwnd)) Tell(hwnd, m, MCN_SELECT);
}

// Pages by `months`, keeping the day of the month where the new month has it.
void Page(HWND hwnd, MonthCalendar& m, int months) {
  int index = m.year * 12 + (m.month - 1) + months;
  int y = index / 12;
  int mo = index % 12 + 1;
  int d = std::min<int>(m.selected.wDay, DaysInMonth(y, mo));
  if (y < 1601 || y > 9999) return;
  SelectDate(hwnd, m, MakeDate(y, mo, d), false);
}

std::u16string Format(const SYSTEMTIME& st, const char16_t* picture) {
  WCHAR buffer[64] = {};
  int n = GetDateFormatW(LOCALE_USER_DEFAULT, picture ? 0 : DATE_SHORTDATE, &st, picture, buffer, 64);
  return std::u16string(buffer, static_cast<size_t>(std::max(n - 1, 0)));
}

void Paint(HWND hwnd, MonthCalendar& m) {
  PaintScope paint(hwnd);
  HDC dc = paint.dc();
  if (!dc) return;
  const RECT& client = paint.client();
  FillColor(dc, client, GetSysColor(COLOR_WINDOW));
  Layout l = LayoutOf(hwnd);
  COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  RECT title{0, 0, l.width, l.titleH};
  FillColor(dc, title, GetSysColor(COLOR_HIGHLIGHT));
  COLORREF titleText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  DrawLabel(dc, Format(MakeDate(m.year, m.month, 1), u"MMMM yyyy"), title, DT_CENTER | DT_VCENTER, titleText);
  DrawLabel(dc, u"<", RECT{l.left, 0, l.left + l.cellW, l.titleH}, DT_CENTER | DT_VCENTER, titleText);
  DrawLabel(dc, u">", RECT{l.width - l.left - l.cellW, 0, l.width - l.left, l.titleH}, DT_CENTER | DT_VCENTER, titleText);
  const SYSTEMTIME firstShown = FirstShown(m);
  for (int col = 0; col < 7; ++col) {
    std::u16string day = Format(DateAt(firstShown, 1, col), u"ddd").substr(0, 1);
    RECT r{l.left + col * l.cellW, l.titleH, l.left + (col + 1) * l.cellW, l.titleH + l.cellH};
    DrawLabel(dc, day, r, DT_CENTER | DT_VCENTER, text);
  }
  Line(dc, l.left, l.daysTop - 1, l.width - l.left - 1, l.daysTop - 1, GetSysColor(COLOR_BTNSHADOW));
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 7; ++col) {
      SYSTEMTIME d = DateAt(firstShown, row, col);
      RECT r{l.left + col * l.cellW, l.daysTop + row * l.cellH, l.left + (col + 1) * l.cellW, l.daysTop + (row + 1) * l.cellH};
      bool chosen = d.wYear == m.selected.wYear && d.wMonth == m.selected.wMonth && d.wDay == m.selected.wDay;
      if (chosen) FillColor(dc, r, GetSysColor(COLOR_HIGHLIGHT));
      bool isToday = d.wYear == m.today.wYear && d.wMonth == m.today.wMonth && d.wDay == m.today.wDay;
      if (isToday) FrameColor(dc, r, RGB(255, 0, 0));
      COLORREF color = chosen ? GetSysColor(COLOR_HIGHLIGHTTEXT) : d.wMonth == m.month ? text : GetSysColor(COLOR_GRAYTEXT);
      DrawLabel(dc, std::u16string(platform::ToUtf16(std::to_string(d.wDay))), r, DT_CENTER | DT_VCENTER, color);
    }
  RECT todayRow{l.left, l.todayTop, l.width - l.left, l.height};
  DrawLabel(dc, u"Today: " + Format(m.today, nullptr), todayRow, DT_LEFT | DT_VCENTER, text);
}

LRESULT OnKey(HWND hwnd, MonthCalendar& m, WPARAM vk) {
  int days = vk == VK_LEFT ? -1 : vk == VK_RIGHT ? 1 : vk == VK_UP ? -7 : vk == VK_DOWN ? 7 : 0;
  if (days) SelectDate(hwnd, m, AddDays(m.selected, days), false);
  else if (vk == VK_PRIOR) Page(hwnd, m, -1);
  else if (vk == VK_NEXT) Page(hwnd, m, 1);
  else if (vk == VK_RETURN) Tell(hwnd, m, MCN_SELECT);
  return 0;
}

}  // namespace

LRESULT MonthCalendarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto m = ModelFor<MonthCalendar>(hwnd, msg);
  if (!m || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case MCM_GETCURSEL:
      if (!lParam) return FALSE;
      *reinterpret_cast<SYSTEMTIME*>(lParam) = m->selected;
      return TRUE;
    case MCM_SETCURSEL: {
      auto* st = reinterpret_cast<const SYSTEMTIME*>(lParam);
      if (!st || !ValidDate(*st)) return FALSE;
      m->selected = MakeDate(st->wYear, st->wMonth, st->wDay);
      Show(*m, m->selected);
      Redraw(hwnd);
      return TRUE;
    }
    case MCM_GETTODAY:
      if (!lParam) return FALSE;
      *reinterpret_cast<SYSTEMTIME*>(lParam) = m->today;
      return TRUE;
    case MCM_SETTODAY:
      if (auto* st = reinterpret_cast<const SYSTEMTIME*>(lParam); st && ValidDate(*st))
        m->today = MakeDate(st->wYear, st->wMonth, st->wDay);
      Redraw(hwnd);
      return 0;
    case MCM_GETMINREQRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return FALSE;
      Layout l = LayoutOf(hwnd);
      *r = RECT{0, 0, l.width, l.height};
      return TRUE;
    }
    case MCM_HITTEST: {
      auto* info = reinterpret_cast<MCHITTESTINFO*>(lParam);
      if (!info) return static_cast<LRESULT>(MCHT_NOWHERE);
      Hit hit = HitTest(hwnd, *m, info->pt);
      info->uHit = hit.what;
      info->st = hit.date;
      return static_cast<LRESULT>(hit.what);
    }
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      Hit hit = HitTest(hwnd, *m, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (hit.what == MCHT_TITLEBTNPREV) Page(hwnd, *m, -1);
      else if (hit.what == MCHT_TITLEBTNNEXT) Page(hwnd, *m, 1);
      else if (hit.what == MCHT_CALENDARDATE || hit.what == kHitToday) SelectDate(hwnd, *m, hit.date, true);
      return 0;
    }
    case WM_KEYDOWN: return OnKey(hwnd, *m, wParam);
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(hwnd, *m); return 0;
    case WM_SIZE:
    case WM_SETFONT:
      if (msg == WM_SETFONT) DefWindowProcW(hwnd, msg, wParam, lParam);
      Redraw(hwnd);
      return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// ---- Progress bar -------------------------------------------------------------------------------

namespace {

class Progress : public platform::user::WindowData {
 public:
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
};

void PaintProgress(HWND hwnd, const Progress& p) {
  PaintScope paint(hwnd);
  HDC dc = paint.dc();
  if (!dc) return;
  const RECT& client = paint.client();
  FillColor(dc, client, GetSysColor(COLOR_WINDOW));
  int span = std::max(p.high - p.low, 1);
  int inner = std::max<int>(client.right - 2, 0);
  RECT done{1, 1, 1 + static_cast<int>(static_cast<long long>(inner) * (p.pos - p.low) / span), client.bottom - 1};
  FillColor(dc, done, GetSysColor(COLOR_HIGHLIGHT));
  FrameColor(dc, client, GetSysColor(COLOR_BTNSHADOW));
}

}  // namespace

LRESULT ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto p = ModelFor<Progress>(hwnd, msg);
  if (!p || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto setPos = [&](int pos) {
    int old = p->pos;
    p->pos = std::clamp(pos, p->low, std::max(p->low, p->high));
    if (p->pos != old) Redraw(hwnd);
    return static_cast<LRESULT>(old);
  };
  auto setRange = [&](int low, int high) {
    LRESULT old = MAKELONG(static_cast<WORD>(p->low), static_cast<WORD>(p->high));
    p->low = low;
    p->high = high;
    setPos(p->pos);
    Redraw(hwnd);
    return old;
  };
  switch (msg) {
    case PBM_SETRANGE: return setRange(static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)));
    case PBM_SETRANGE32: return setRange(static_cast<int>(wParam), static_cast<int>(lParam));
    case PBM_GETRANGE:
      if (auto* r = reinterpret_cast<PBRANGE*>(lParam)) *r = PBRANGE{p->low, p->high};
      return wParam ? p->low : p->high;
    case PBM_SETPOS: return setPos(static_cast<int>(wParam));
    case PBM_DELTAPOS: return setPos(p->pos + static_cast<int>(wParam));
    case PBM_GETPOS: return p->pos;
    case PBM_SETSTEP: {
      int old = p->step;
      p->step = static_cast<int>(wParam);
      return old;
    }
    case PBM_STEPIT: {
      // Past the end the bar starts over from the beginning.
      int next = p->pos + p->step;
      if (next > p->high) next = p->low;
      return setPos(next);
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintProgress(hwnd, *p); return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::commctrl

namespace platform {

SYSTEMTIME MonthCalendarShownMonth(HWND calendar) {
  SYSTEMTIME st;
  if (auto m = commctrl::Model(calendar)) st = commctrl::MakeDate(m->year, m->month, 1);
  return st;
}

}  // namespace platform
