#include "document/HtmlView.h"

#include "core/Folders.h"
#include "core/HtmlViewWindow.h"
#include "core/ImageFile.h"
#include "core/TextHelpers.h"
#include "core/WaitCursor.h"
#include "datastore/DbRecord.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "platform/user/Paint.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/shell/Gesture.h"
#include "platform/user/Controls.h"

namespace {

// One document page and one report page at a time: their inner windows reach them here.
CHtmlView* g_currentView = nullptr;
WNDPROC g_previousProc = nullptr;
CReportHtmlView* g_currentReportView = nullptr;
WNDPROC g_previousReportProc = nullptr;

// Line breaks of notes reach the page escaped by the transformation; they are shown as breaks.
std::u16string RepairLineBreaks(std::u16string text, bool* repaired = nullptr) {
  static constexpr std::u16string_view kEscaped = u"&lt;br&gt;";
  bool any = false;
  for (size_t at = text.find(kEscaped); at != std::u16string::npos; at = text.find(kEscaped, at + 4)) {
    text.replace(at, kEscaped.size(), u"<br>");
    any = true;
  }
  if (repaired) *repaired = any;
  return text;
}

// A record's raw text shown as text (never as markup), with its line breaks kept.
std::u16string AsPageText(std::u16string_view text) { return RepairLineBreaks(EscapeXmlText(text, false)); }

HWND SubclassInner(HWND control, WNDPROC proc, WNDPROC& previous) {
  HWND inner = control ? GetWindow(control, GW_CHILD) : nullptr;
  if (inner) previous = reinterpret_cast<WNDPROC>(SetWindowLongW(inner, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
  return inner;
}

void Unsubclass(HWND inner, WNDPROC proc, WNDPROC previous) {
  if (inner && IsWindow(inner) && reinterpret_cast<WNDPROC>(GetWindowLongW(inner, GWL_WNDPROC)) == proc)
    SetWindowLongW(inner, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
}

bool RecognizeHold(HWND inner, POINT at) {
  SHRGINFO info;
  info.hwndClient = inner;
  info.ptDown = at;
  info.dwFlags = SHRG_RETURNCMD;
  return SHRecognizeGesture(&info) == SHRG_GN_CONTEXTMENU;
}

// Scroll position after a render: to the end, to the top, or to `position` (-1: keep).
void PlaceScroll(HWND inner, RenderMode mode, int position, int& remembered) {
  if (!inner) return;
  if (mode == RenderMode::ScrollToEnd) {
    SendMessageW(inner, WM_VSCROLL, SB_BOTTOM, 0);
    remembered = GetScrollPos(inner, SB_VERT);
    return;
  }
  if (mode == RenderMode::ScrollToTop) {
    SendMessageW(inner, WM_VSCROLL, SB_TOP, 0);
    remembered = 0;
    return;
  }
  if (position != -1) remembered = position;
  if (remembered == 0 || remembered == -1) {
    SendMessageW(inner, WM_VSCROLL, SB_TOP, 0);
    return;
  }
  SCROLLINFO si;
  si.fMask = SIF_POS;
  if (!GetScrollInfo(inner, SB_VERT, &si) || si.nPos == remembered) return;
  si.nPos = remembered;
  SetScrollInfo(inner, SB_VERT, &si, TRUE);
  SendMessageW(inner, WM_VSCROLL, SB_LINEUP, 0);
}

// Clears the control and loads `html` into it, hidden meanwhile, then places the scroll bar.
// The text is let go once the control has it: a long document's page is large.
void LoadPage(HWND control, HWND inner, std::u16string html, RenderMode mode, int position, int& remembered) {
  ShowWindow(control, SW_HIDE);
  SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u""));
  SendMessageW(control, DTM_ENABLECLEARTYPE, 0, -1);
  SendMessageW(control, DTM_ADDTEXTW, 0, reinterpret_cast<LPARAM>(html.c_str()));
  std::u16string().swap(html);
  // The page must exist before the scroll bar can be placed on it.
  SendMessageW(control, DTM_ENDOFSOURCE, 0, 0);
  PlaceScroll(inner, mode, position, remembered);
  ShowWindow(control, SW_SHOW);
}

// What a page's inner window keeps of the pen and the scroll bar.
struct InnerState {
  bool& hold;
  POINT& penDown;
  int& scrollPosition;
  bool liftAfterHold;  // a recognised hold lifts the pen at once (the report page)
};

// What both pages' inner windows do alike: the pen's hold recognised at pen-down and
// ended by a self-posted message after the lift; no horizontal scroll bar; the scroll
// position remembered whenever it moves. True when `msg` was one of these (`result` set).
bool CommonInnerMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC previous, const InnerState& state,
                        LRESULT& result) {
  if (msg == WM_LBUTTONDOWN) {
    state.penDown = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    state.hold = RecognizeHold(hwnd, state.penDown);
    if (state.hold && state.liftAfterHold) PostMessageW(hwnd, WM_LBUTTONUP, 0, lParam);
    result = CallWindowProcW(previous, hwnd, msg, wParam, lParam);
    return true;
  }
  if (msg == WM_LBUTTONUP) {
    if (state.hold) PostMessageW(hwnd, kMsgEndHold, 0, 0);
    result = CallWindowProcW(previous, hwnd, msg, wParam, lParam);
    return true;
  }
  if (msg == WM_CREATE) {
    SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_HSCROLL));
    result = CallWindowProcW(previous, hwnd, msg, wParam, lParam);
    return true;
  }
  if (msg == WM_VSCROLL) {
    result = CallWindowProcW(previous, hwnd, msg, wParam, lParam);
    SCROLLINFO si;
    si.fMask = SIF_POS;
    if (GetScrollInfo(hwnd, SB_VERT, &si)) state.scrollPosition = si.nPos;
    return true;
  }
  return false;
}

}  // namespace

// ---- CHtmlView -------------------------------------------------------------------------------

CHtmlView::CHtmlView(HINSTANCE instance, HWND owner, CXmlDocument& document)
    : m_document(document), m_instance(instance), m_owner(owner), m_image(std::make_unique<CImageFile>(false)) {
  g_currentView = this;
  m_control = CreateHtmlViewWindow(instance, owner);
  m_inner = SubclassInner(m_control, HtmlViewSubclassProc, g_previousProc);
  SendMessageW(m_control, DTM_ZOOMLEVEL, 0, 2);
  SendMessageW(m_control, DTM_ENABLESHRINK, 0, -1);
}

CHtmlView::~CHtmlView() {
  Unsubclass(m_inner, HtmlViewSubclassProc, g_previousProc);
  if (m_control && IsWindow(m_control)) DestroyWindow(m_control);
  if (g_currentView == this) g_currentView = nullptr;
}

void CHtmlView::SetFitToScreen(bool on) {
  m_fitToScreen = on;
  if (m_control) SendMessageW(m_control, DTM_ENABLESHRINK, 0, on ? -1 : 0);
}

void CHtmlView::SetZoomLevel(int level) {
  m_zoomLevel = level;
  if (m_control) SendMessageW(m_control, DTM_ZOOMLEVEL, 0, level);
}

void CHtmlView::SetHidden(bool hidden) {
  m_hidden = hidden;
  if (m_control) ShowWindow(m_control, hidden ? SW_HIDE : SW_SHOW);
}

void CHtmlView::Render(RenderMode mode, int position) {
  CWaitCursorScope wait;
  // The page shown goes before the next is made: a long document's two pages are not held
  // at once.
  if (m_control) SendMessageW(m_control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u""));
  std::u16string page;
  {
    CBstr html;
    m_document.Transform(&html);
    page = RepairLineBreaks(html.str());
  }
  if (m_control) LoadPage(m_control, m_inner, std::move(page), mode, position, m_scrollPosition);
}

IHtmlDocumentObject* CHtmlView::PageDocument() const {
  if (!m_control) return nullptr;
  IHtmlDocumentObject* dispatch = nullptr;
  SendMessageW(m_control, DTM_DOCUMENTDISPATCH, 0, reinterpret_cast<LPARAM>(&dispatch));
  if (!dispatch) return nullptr;
  IHtmlDocumentObject* page = nullptr;
  dispatch->QueryInterface(IID_IHtmlDocument, reinterpret_cast<void**>(&page));
  dispatch->Release();
  return page;
}

bool CHtmlView::SetElementTexts(const CElementText* pairs, int count) {
  if (!pairs) return false;
  IHtmlDocumentObject* page = PageDocument();
  if (!page) return false;
  bool any = false;
  for (int i = 0; i < count; ++i) {
    IHtmlElementObject* element = nullptr;
    if (page->getElementById(pairs[i].id.c_str(), &element) != S_OK || !element) continue;
    any |= element->put_innerHTML(AsPageText(pairs[i].text).c_str()) == S_OK;
    element->Release();
  }
  page->Release();
  return any;
}

bool CHtmlView::SetElementText(std::u16string_view id, std::u16string_view text) {
  CElementText pair{std::u16string(id), std::u16string(text)};
  return SetElementTexts(&pair, 1);
}

bool CHtmlView::UpdateLineItemCells(const CDbRecord& line) {
  static constexpr struct {
    const char16_t* prefix;
    int field;
  } kCells[] = {{u"AJIDQ", 10}, {u"AJIDN", 3},  {u"AJIDD", 6},  {u"AJIDP", 11},
                {u"AJIDS", 19}, {u"AJIDT", 8}, {u"AJIDC", 26}, {u"AJIDE", 28}};
  const std::u16string key(line.FieldView(13));
  CElementText pairs[std::size(kCells)];
  for (size_t i = 0; i < std::size(kCells); ++i)
    pairs[i] = CElementText{kCells[i].prefix + key, std::u16string(line.FieldView(kCells[i].field))};
  return SetElementTexts(pairs, static_cast<int>(std::size(pairs)));
}

// ---- Lines changed in place ------------------------------------------------------------------

namespace {

// Every line's rows stand in a table section of their own, "AJIDR" + the line's key.
constexpr char16_t kLineRowsId[] = u"AJIDR";

// The line's table section of a page that shows only that line; empty when there is none.
std::u16string LineSectionOf(const std::u16string& page) {
  std::u16string lower = page;
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  const size_t start = lower.find(u"<tbody");
  const size_t end = start == std::u16string::npos ? start : lower.find(u"</tbody>", start);
  if (end == std::u16string::npos) return {};
  return page.substr(start, end + 8 - start);
}

}  // namespace

bool CHtmlView::OnElement(std::u16string_view id, const std::function<bool(IHtmlElementObject&)>& act) {
  IHtmlDocumentObject* page = PageDocument();
  if (!page) return false;
  IHtmlElementObject* element = nullptr;
  const std::u16string wanted(id);
  const bool found = page->getElementById(wanted.c_str(), &element) == S_OK && element;
  page->Release();
  if (!found) return false;
  const bool done = act(*element);
  element->Release();
  return done;
}

// A line's rows as the page shows them: what the stylesheet makes of a document holding
// only that line. A key carried by another line too cannot tell their rows apart.
bool CHtmlView::LineRows(LONG position, std::u16string& rows, std::u16string& key) {
  CBstr lineKey;
  if (!m_document.GetLineKeyAt(position, &lineKey) || m_document.GetLinePosition(lineKey) != position) return false;
  CBstr page;
  if (m_document.TransformLine(position, &page) != S_OK) return false;
  rows = LineSectionOf(RepairLineBreaks(page.str()));
  key = lineKey.str();
  return !rows.empty();
}

bool CHtmlView::ShowLine(LONG position) {
  std::u16string rows, key;
  if (!LineRows(position, rows, key)) return false;
  return OnElement(kLineRowsId + key, [&](IHtmlElementObject& e) { return e.put_outerHTML(rows.c_str()) == S_OK; });
}

bool CHtmlView::InsertLine(LONG position) {
  std::u16string rows, key;
  if (!LineRows(position, rows, key)) return false;
  auto beside = [&](LONG neighbour, const char16_t* where) {
    CBstr other;
    return m_document.GetLineKeyAt(neighbour, &other) && m_document.GetLinePosition(other) == neighbour &&
           OnElement(kLineRowsId + other.str(),
                     [&](IHtmlElementObject& e) { return e.insertAdjacentHTML(where, rows.c_str()) == S_OK; });
  };
  return beside(position + 1, u"beforeBegin") || (position > 0 && beside(position - 1, u"afterEnd"));
}

bool CHtmlView::RemoveLine(std::u16string_view key) {
  if (m_document.GetLinePosition(CBstr(key)) >= 0) return false;
  return OnElement(kLineRowsId + std::u16string(key), [](IHtmlElementObject& e) { return e.removeNode() == S_OK; });
}

void CHtmlView::ScrollToEnd() { PlaceScroll(m_inner, RenderMode::ScrollToEnd, -1, m_scrollPosition); }

void CHtmlView::GiveImage(HWND window, const char16_t* source, DWORD cookie) {
  std::u16string name = source ? source : u"";
  // Only the file name of what the page names: the picture folders bound where it is read.
  size_t slash = name.find_last_of(u"\\/");
  if (slash != std::u16string::npos) name.erase(0, slash + 1);
  CBstr path(name);
  if (name.find(u"KTWSign") != std::u16string::npos)
    GetImageFilePath(path);
  else
    GetLogoFilePath(path);
  CWindowDC dc(window ? window : m_control);
  if (!name.empty() && m_image->Load(dc.get(), path.c_str(), 0, 0) && m_image->IsLoaded()) {
    INLINEIMAGEINFO info;
    info.dwCookie = cookie;
    info.iOrigHeight = m_image->GetHeight();
    info.iOrigWidth = m_image->GetWidth();
    info.hbm = m_image->GetBitmap();
    info.bOwnBitmap = TRUE;
    SendMessageW(m_control, DTM_SETIMAGE, 0, reinterpret_cast<LPARAM>(&info));
  } else {
    SendMessageW(m_control, DTM_IMAGEFAIL, 0, static_cast<LPARAM>(cookie));
  }
}

bool CHtmlView::OnNotify(HWND window, int controlId, NMHDR* notification) {
  if (controlId != kHtmlViewControlId || !notification) return false;
  auto* record = reinterpret_cast<NM_HTMLVIEWW*>(notification);
  if (notification->code == NM_HOTSPOT) {
    OnLinkTapped(record->szTarget, record->szData);
    return true;
  }
  if (notification->code == NM_INLINE_IMAGE) {
    GiveImage(window ? window : notification->hwndFrom, record->szTarget, record->dwCookie);
    return true;
  }
  return false;
}

bool CHtmlView::OnRelayedNotify(HWND window, const HTMLVIEW_INNER_NOTIFY* record) {
  if (!record) return false;
  if (record->dwKind == HTMLVIEW_KIND_LINK) {
    OnLinkTapped(record->szText, record->szData);
    return true;
  }
  if (record->dwKind == HTMLVIEW_KIND_IMAGE) {
    GiveImage(window, record->szText, record->dwCookie);
    return true;
  }
  return false;
}

void CHtmlView::OnLinkTapped(const char16_t* target, const char16_t*) {
  if (!target) return;
  if (!m_hold) {
    SendMessageW(m_owner, kMsgLinkTapped, 0, reinterpret_cast<LPARAM>(target));
    return;
  }
  m_hold = false;
  WCHAR after = 0;
  CBstr name;
  const HeaderField code = GetHeaderFieldCode(CBstr(target), after, name);
  LPARAM point = reinterpret_cast<LPARAM>(&m_penDown);
  if (std::u16string_view(target).find(u',') != std::u16string_view::npos) {
    std::u16string key(name.view());
    SendMessageW(m_owner, kMsgSetCurrentLine, 0, reinterpret_cast<LPARAM>(key.c_str()));
    SendMessageW(m_owner, kMsgHoldLine, static_cast<WPARAM>(static_cast<signed char>(after)), point);
    return;
  }
  switch (code) {
    case HeaderField::None: return;
    case HeaderField::BillTo: SendMessageW(m_owner, kMsgHoldBillTo, 0, point); return;
    case HeaderField::BillFrom: SendMessageW(m_owner, kMsgHoldBillFrom, 0, point); return;
    case HeaderField::Logo: SendMessageW(m_owner, kMsgHoldLogo, 0, point); return;
    default: SendMessageW(m_owner, kMsgHoldField, static_cast<WPARAM>(code), point); return;
  }
}

LRESULT HtmlViewSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CHtmlView* view = g_currentView;
  WNDPROC previous = g_previousProc;
  if (!view || !previous) return DefWindowProcW(hwnd, msg, wParam, lParam);
  LRESULT result = 0;
  if (CommonInnerMessage(hwnd, msg, wParam, lParam, previous,
                         InnerState{view->m_hold, view->m_penDown, view->m_scrollPosition, false}, result))
    return result;
  switch (msg) {
    case kMsgEndHold:
      if (!view->m_hold) break;
      view->m_hold = false;
      SendMessageW(view->m_owner, kMsgSetCurrentLine, 0, 0);
      SendMessageW(view->m_owner, kMsgHoldPage, 0, reinterpret_cast<LPARAM>(&view->m_penDown));
      return 1;
    case WM_PAINT:
      if (view->m_hidden) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* record = reinterpret_cast<HTMLVIEW_INNER_NOTIFY*>(lParam);
      if (record && (record->dwKind == HTMLVIEW_KIND_LINK || record->dwKind == HTMLVIEW_KIND_IMAGE))
        SendMessageW(view->m_owner, kMsgRelayNotify, reinterpret_cast<WPARAM>(hwnd), lParam);
      return 1;
    }
    default: break;
  }
  return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
}

DocumentViewFactory MakeHtmlViewFactory(HINSTANCE instance) {
  return [instance](HWND parent, CSalesDocument& document) -> std::unique_ptr<IDocumentView> {
    return std::make_unique<CHtmlView>(instance, parent, document.GetXmlDocument());
  };
}

// ---- CReportHtmlView --------------------------------------------------------------------------

CReportHtmlView::CReportHtmlView(HINSTANCE instance, HWND owner, CXmlDocument& document,
                                 std::function<void(std::u16string_view)> keepHtml)
    : m_document(document), m_owner(owner), m_keepHtml(std::move(keepHtml)) {
  g_currentReportView = this;
  m_control = CreateHtmlViewWindow(instance, owner);
  m_inner = SubclassInner(m_control, ReportHtmlViewSubclassProc, g_previousReportProc);
}

CReportHtmlView::~CReportHtmlView() {
  Unsubclass(m_inner, ReportHtmlViewSubclassProc, g_previousReportProc);
  if (m_control && IsWindow(m_control)) DestroyWindow(m_control);
  if (g_currentReportView == this) g_currentReportView = nullptr;
}

void CReportHtmlView::Render(RenderMode mode, int position) {
  CWaitCursorScope wait;
  CBstr html;
  m_document.Transform(&html);
  if (m_keepHtml) m_keepHtml(html.view());
  if (m_control) LoadPage(m_control, m_inner, html.str(), mode, position, m_scrollPosition);
}

LRESULT ReportHtmlViewSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CReportHtmlView* view = g_currentReportView;
  WNDPROC previous = g_previousReportProc;
  if (!view || !previous) return DefWindowProcW(hwnd, msg, wParam, lParam);
  LRESULT result = 0;
  if (CommonInnerMessage(hwnd, msg, wParam, lParam, previous,
                         InnerState{view->m_hold, view->m_penDown, view->m_scrollPosition, true}, result))
    return result;
  switch (msg) {
    case kMsgEndHold:
      if (!view->m_hold) break;
      view->m_hold = false;
      SendMessageW(view->m_owner, kMsgHoldReport, 0, reinterpret_cast<LPARAM>(&view->m_penDown));
      return 1;
    default: break;
  }
  return CallWindowProcW(previous, hwnd, msg, wParam, lParam);
}
