// The HTML viewer control's windows: the outer control (class "DISPLAYCLASS") takes the
// owner's messages and tells its parent of link taps and picture requests; the inner
// window (its first child) paints the page and carries the vertical scroll bar.
#include "platform/htmlview/HtmlControl.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include <glib.h>

#include "platform/base/Base.h"
#include "platform/base/Bstr.h"
#include "platform/gdi/BitmapRows.h"
#include "platform/gdi/CairoAccess.h"
#include "platform/htmlview/HtmlPage.h"
#include "platform/imaging/ImageDecompress.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Screen.h"

namespace {

using platform::htmlview::HtmlPage;

constexpr const char16_t* kInnerClass = u"DISPLAYCLASS_PAGE";
constexpr int kLineStep = 14;
constexpr double kZoomScale[5] = {0.75, 0.875, 1.0, 1.25, 1.5};
constexpr uintmax_t kMaxPictureBytes = 64u << 20;

// What one control keeps; the page object is shared with the document objects handed out,
// which hold it weakly so that a destroyed control leaves them harmless.
struct Control {
  HWND control = nullptr;
  HWND inner = nullptr;
  std::shared_ptr<HtmlPage> page = std::make_shared<HtmlPage>();
  std::string source;          // UTF-8 HTML added since the last clear
  std::u16string pictureFolder;  // device folder of file pictures
  std::map<DWORD, std::string> pendingPictures;  // cookie -> source
  DWORD nextCookie = 1;
  int zoom = 2;
  bool shrink = false;
  double scale = 1.0;  // page pixels -> window pixels
  bool loading = false;  // inside DTM_ENDOFSOURCE: pictures given now need no layout of their own
  // The page was last laid out beside the scroll bar (it was taller than the window). A
  // first page starts there too: documents are mostly taller than a handheld's screen.
  bool besideBar = true;
};

Control* ControlOf(HWND hwnd) { return reinterpret_cast<Control*>(GetWindowLongW(hwnd, GWL_USERDATA)); }

int ClientWidth(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return std::max<int>(1, r.right - r.left);
}
int ClientHeight(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return std::max<int>(1, r.bottom - r.top);
}

// The page's height in window pixels.
int PageHeight(const Control& c) { return static_cast<int>(std::ceil(c.page->Height() * c.scale)); }

void UpdateScrollRange(Control& c) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = 0;
  si.nMax = std::max(PageHeight(c) - 1, 0);
  si.nPage = static_cast<UINT>(ClientHeight(c.inner));
  SetScrollInfo(c.inner, SB_VERT, &si, TRUE);
}

// Page pixels are 1/96 inch: a screen of more dots per inch shows the page larger.
double ScreenScale() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

// Lays the page out for the window's width at the zoom; a page that stays wider than the
// window is shrunk to fit when asked to.
void LayOutAt(Control& c, int windowWidth) {
  double zoom = kZoomScale[c.zoom] * ScreenScale();
  windowWidth = std::max(windowWidth, 1);
  int width = static_cast<int>(windowWidth / zoom);
  int pageWidth = c.page->Layout(width);
  c.scale = zoom;
  if (c.shrink && pageWidth > width) c.scale = windowWidth / static_cast<double>(pageWidth);
}

// A page taller than the window is laid out beside the scroll bar, which then shows. The
// page starts from where the last one was (a page shown again keeps its height), so it is
// laid out a second time only when it crosses the window's height.
void Layout(Control& c) {
  if (!c.page->HasDocument()) return;
  auto width = [&](bool beside) { return ClientWidth(c.inner) - (beside ? GetSystemMetrics(SM_CXVSCROLL) : 0); };
  LayOutAt(c, width(c.besideBar));
  bool taller = PageHeight(c) > ClientHeight(c.inner);
  if (taller != c.besideBar) {
    c.besideBar = taller;
    LayOutAt(c, width(taller));
  }
  UpdateScrollRange(c);
  InvalidateRect(c.inner, nullptr, TRUE);
  // The whole window is drawn anew: what the layout changed is drawn with it, and the next
  // change in place draws only what it changes.
  c.page->TakeChangedTop();
  c.page->TakeChangedBands();
}

// Replaced content that did not fit its cell waits for the page's layout until the page is
// next painted or hit. Rows put in or taken out in place move only the page's end: the bar
// follows it, and the page is laid out again only when it crosses the window's height.
void Settle(Control& c) {
  if (c.page->NeedsLayout()) {
    Layout(c);
    return;
  }
  if (!c.page->TakeHeightChange()) return;
  if ((PageHeight(c) > ClientHeight(c.inner)) != c.besideBar)
    Layout(c);
  else
    UpdateScrollRange(c);
}

// A file picture named by the page: the name is URI-unescaped and found in the picture
// folder (a name with a folder part is a device path of its own); the device root bounds both.
cairo_surface_t* LoadFilePicture(const Control& c, const std::string& source) {
  std::string name = source;
  if (name.rfind("file:", 0) == 0) name.erase(0, name.find_first_not_of('/', 5));
  if (char* unescaped = g_uri_unescape_string(name.c_str(), nullptr)) {
    name = unescaped;
    g_free(unescaped);
  }
  if (name.empty() || name.find("://") != std::string::npos) return nullptr;
  std::u16string device = platform::ToUtf16(name);
  bool hasFolder = device.find_first_of(u"\\/") != std::u16string::npos;
  if (!hasFolder) device = c.pictureFolder + u"\\" + device;
  std::filesystem::path path = platform::MapDevicePath(device);
  std::error_code ec;
  uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size == 0 || size > kMaxPictureBytes) return nullptr;
  std::ifstream in(path, std::ios::binary);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) return nullptr;
  platform::RgbaPicture picture;
  if (!platform::DecodePicture(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), picture)) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  auto stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(platform::RowStart(data, stride, y));
    for (int x = 0; x < picture.width; ++x) {
      std::uint32_t p = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      std::uint32_t a = p >> 24;
      auto pre = [a](std::uint32_t v) { return v * a / 255; };
      row[x] = (a << 24) | (pre((p >> 16) & 0xFF) << 16) | (pre((p >> 8) & 0xFF) << 8) | pre(p & 0xFF);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

LRESULT NotifyParent(Control& c, UINT code, NM_HTMLVIEWW& nm) {
  nm.hdr.hwndFrom = c.control;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(c.control));
  nm.hdr.code = code;
  HWND parent = GetParent(c.control);
  return parent ? SendMessageW(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)) : 0;
}

// Asks the parent for each picture of the page; what it leaves to the control is loaded
// from its file. A picture nobody can give stays an empty box.
void RequestPictures(Control& c) {
  std::vector<std::string> sources = c.page->PictureSources();
  unsigned generation = c.page->Generation();
  for (const std::string& source : sources) {
    DWORD cookie = c.nextCookie++;
    c.pendingPictures[cookie] = source;
    std::u16string text = platform::ToUtf16(source);
    NM_HTMLVIEWW nm;
    nm.szTarget = text.c_str();
    nm.dwCookie = cookie;
    LRESULT answered = NotifyParent(c, NM_INLINE_IMAGE, nm);
    if (c.page->Generation() != generation) return;  // the parent replaced the page meanwhile
    if (!answered && c.pendingPictures.erase(cookie)) c.page->SetPicture(source, LoadFilePicture(c, source));
  }
}

void EndOfSource(Control& c) {
  c.page->Load(c.source);
  c.pendingPictures.clear();
  c.loading = true;
  RequestPictures(c);
  c.loading = false;
  Layout(c);
}

void Clear(Control& c) {
  std::string().swap(c.source);  // a long page's text is let go, not only emptied
  c.page->Clear();
  c.pendingPictures.clear();
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  SetScrollInfo(c.inner, SB_VERT, &si, TRUE);
  InvalidateRect(c.inner, nullptr, TRUE);
}

void SetImage(Control& c, const INLINEIMAGEINFO* info) {
  if (!info) return;
  auto it = c.pendingPictures.find(info->dwCookie);
  cairo_surface_t* surface = info->hbm ? platform::CopyBitmapToSurface(info->hbm) : nullptr;
  if (info->hbm && info->bOwnBitmap) DeleteObject(info->hbm);
  if (it == c.pendingPictures.end()) {
    if (surface) cairo_surface_destroy(surface);
    return;
  }
  std::string source = it->second;
  c.pendingPictures.erase(it);
  c.page->SetPicture(source, surface);
  if (!c.loading) Layout(c);
}

int ScrollPos(Control& c) { return GetScrollPos(c.inner, SB_VERT); }

void Paint(Control& c) {
  Settle(c);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(c.inner, &ps);
  RECT client{};
  GetClientRect(c.inner, &client);
  // Only what needs drawing is drawn: the page's elements outside it are not visited.
  const RECT area{std::max(client.left, ps.rcPaint.left), std::max(client.top, ps.rcPaint.top),
                  std::min(client.right, ps.rcPaint.right), std::min(client.bottom, ps.rcPaint.bottom)};
  if (area.left >= area.right || area.top >= area.bottom) {
    EndPaint(c.inner, &ps);
    platform::RedrawVerticalScrollBar(c.inner);
    return;
  }
  // The scroll position is read before drawing: the window list is never locked inside the
  // drawing lock, which GetDC takes the other way round.
  const int pos = ScrollPos(c);
  platform::DrawWithCairo(dc, [&](cairo_t* cr) {
    cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    if (!c.page->HasDocument()) return;
    cairo_translate(cr, 0, -pos);
    cairo_scale(cr, c.scale, c.scale);
    const int top = static_cast<int>(std::floor((pos + area.top) / c.scale)) - 1;
    litehtml::position clip(0, top, static_cast<int>(client.right / c.scale) + 1,
                            static_cast<int>(std::ceil((pos + area.bottom) / c.scale)) + 2 - top);
    c.page->Draw(cr, clip);
  });
  EndPaint(c.inner, &ps);
  platform::RedrawVerticalScrollBar(c.inner);
}

// After a change to the page: a change made in place is measured at once (the scroll
// range follows the page's new end) and only what it changed is drawn again: what moved
// from its top down, content replaced where it stood in its own band; anything else is
// laid out and drawn whole when next painted, so several changes cost one layout.
void ShowChange(Control& c) {
  if (!c.page->NeedsLayout()) {
    const int before = ScrollPos(c);
    Settle(c);
    const int top = c.page->TakeChangedTop();
    const std::vector<std::pair<int, int>> bands = c.page->TakeChangedBands();
    if (top == platform::htmlview::HtmlPage::kNothingChanged && bands.empty()) return;
    if (top != platform::htmlview::HtmlPage::kAllChanged && ScrollPos(c) == before) {
      RECT client{};
      GetClientRect(c.inner, &client);
      // Page rows [from, to) as window rows, a pixel more on each side for what rounds.
      auto redraw = [&](int from, std::optional<int> to) {
        const int y = std::max(0, static_cast<int>(std::floor(from * c.scale)) - before - 1);
        const int end = to ? std::min<int>(client.bottom, static_cast<int>(std::ceil(*to * c.scale)) - before + 1)
                           : static_cast<int>(client.bottom);
        if (y >= end) return;
        RECT band{client.left, y, client.right, end};
        InvalidateRect(c.inner, &band, TRUE);
      };
      if (top != platform::htmlview::HtmlPage::kNothingChanged) redraw(top, std::nullopt);
      for (const auto& [from, to] : bands) redraw(from, to);
      return;
    }
  }
  InvalidateRect(c.inner, nullptr, TRUE);
}

void Scroll(Control& c, WORD code) {
  // A page changed in place is measured first: its end may have moved.
  Settle(c);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(c.inner, SB_VERT, &si);
  int pos = si.nPos;
  int page = static_cast<int>(si.nPage);
  // A line is a line of text of the screen's density; a page keeps a line of the last in view.
  int line = static_cast<int>(kLineStep * ScreenScale());
  switch (code) {
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= std::max(1, page - line); break;
    case SB_PAGEDOWN: pos += std::max(1, page - line); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: pos = si.nTrackPos; break;
    default: return;
  }
  SCROLLINFO set;
  set.fMask = SIF_POS;
  set.nPos = pos;
  if (SetScrollInfo(c.inner, SB_VERT, &set, TRUE) != si.nPos) InvalidateRect(c.inner, nullptr, TRUE);
}

const platform::htmlview::PageLink* LinkAtClient(Control& c, POINT p) {
  if (!c.page->HasDocument()) return nullptr;
  Settle(c);
  int x = static_cast<int>(p.x / c.scale);
  int y = static_cast<int>((p.y + ScrollPos(c)) / c.scale);
  return c.page->LinkAt(x, y);
}

void PenUp(Control& c, LPARAM lParam) {
  const platform::htmlview::PageLink* link = LinkAtClient(c, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  if (!link) return;
  std::u16string target = platform::ToUtf16(link->target);
  std::u16string data = platform::ToUtf16(link->text);
  NM_HTMLVIEWW nm;
  nm.szTarget = target.c_str();
  nm.szData = data.c_str();
  NotifyParent(c, NM_HOTSPOT, nm);
}

// ---- The page as an object ---------------------------------------------------------------------

// An element of the page; one of a section the page keeps as text (`keptId`) is changed in
// that text while it is kept, and as an element once it is laid out.
class ElementObject final : public IHtmlElementObject {
 public:
  ElementObject(std::weak_ptr<HtmlPage> page, Control* control, litehtml::element::ptr element, std::string keptId = {})
      : m_page(std::move(page)),
        m_control(control),
        m_generation(0),
        m_element(std::move(element)),
        m_keptId(std::move(keptId)) {
    if (auto p = m_page.lock()) m_generation = p->Generation();
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT put_innerHTML(const char16_t* html) override {
    auto page = Live();
    if (!page) return E_FAIL;
    if (IsKept(*page)) return Changed(page->ChangeKeptText(m_keptId, HtmlPage::TextChange::kContent, Utf8(html)));
    page->SetElementContent(Element(*page), Utf8(html));
    ShowChange(*m_control);
    return S_OK;
  }
  HRESULT put_outerHTML(const char16_t* html) override {
    auto page = Live();
    if (page && IsKept(*page)) return Changed(page->ChangeKeptText(m_keptId, HtmlPage::TextChange::kReplace, Utf8(html)));
    return Changed(page && page->ReplaceElement(Element(*page), Utf8(html)));
  }
  HRESULT insertAdjacentHTML(const char16_t* where, const char16_t* html) override {
    const std::u16string_view place = where ? std::u16string_view(where) : std::u16string_view();
    const bool after = place == u"afterEnd";
    if (!after && place != u"beforeBegin") return E_INVALIDARG;
    auto page = Live();
    if (page && IsKept(*page))
      return Changed(page->ChangeKeptText(m_keptId, after ? HtmlPage::TextChange::kAfter : HtmlPage::TextChange::kBefore,
                                          Utf8(html)));
    return Changed(page && page->InsertBeside(Element(*page), Utf8(html), after));
  }
  HRESULT removeNode() override {
    auto page = Live();
    if (page && IsKept(*page)) return Changed(page->ChangeKeptText(m_keptId, HtmlPage::TextChange::kRemove, ""));
    return Changed(page && page->RemoveElement(Element(*page)));
  }
  HRESULT get_innerText(BSTR* text) override {
    if (!text) return E_POINTER;
    *text = nullptr;
    auto page = Live();
    litehtml::element::ptr element = page ? (IsKept(*page) ? page->LayOutSectionOf(m_keptId) : Element(*page)) : nullptr;
    if (!element) return E_FAIL;
    std::string utf8;
    element->get_text(utf8);
    std::u16string wide = platform::ToUtf16(utf8);
    *text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return S_OK;
  }

 private:
  static std::string Utf8(const char16_t* text) {
    return platform::ToUtf8(text ? std::u16string_view(text) : std::u16string_view());
  }
  HRESULT Changed(bool done) {
    if (!done) return E_FAIL;
    ShowChange(*m_control);
    return S_OK;
  }
  std::shared_ptr<HtmlPage> Live() {
    auto page = m_page.lock();
    return page && page->Generation() == m_generation ? page : nullptr;
  }
  bool IsKept(const HtmlPage& page) const { return !m_element && page.IsKeptAsText(m_keptId); }
  // A kept element laid out since it was asked for is changed as an element.
  litehtml::element::ptr Element(HtmlPage& page) const { return m_element ? m_element : page.ElementById(m_keptId); }
  std::atomic<ULONG> m_refs{1};
  std::weak_ptr<HtmlPage> m_page;
  Control* m_control;  // valid while the page lives (the control owns the page)
  unsigned m_generation;
  litehtml::element::ptr m_element;
  std::string m_keptId;
};

class DocumentObject final : public IHtmlDocumentObject {
 public:
  DocumentObject(std::weak_ptr<HtmlPage> page, Control* control) : m_page(std::move(page)), m_control(control) {}
  HRESULT QueryInterface(const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!(iid == IID_IHtmlDocument)) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IHtmlDocumentObject*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT getElementById(const char16_t* id, IHtmlElementObject** element) override {
    if (!element) return E_POINTER;
    *element = nullptr;
    auto page = m_page.lock();
    if (!page || !id) return E_FAIL;
    const std::string wanted = platform::ToUtf8(id);
    litehtml::element::ptr found = page->ElementById(wanted);
    if (!found && !page->IsKeptAsText(wanted)) return S_FALSE;
    std::string keptId = found ? std::string() : wanted;
    *element = new ElementObject(m_page, m_control, std::move(found), std::move(keptId));
    return S_OK;
  }

 private:
  std::atomic<ULONG> m_refs{1};
  std::weak_ptr<HtmlPage> m_page;
  Control* m_control;
};

// ---- Window procedures ------------------------------------------------------------------------

LRESULT InnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Control* c = ControlOf(hwnd);
  if (!c) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: Paint(*c); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_VSCROLL: Scroll(*c, LOWORD(wParam)); return 0;
    // A tapped page takes the keys: they scroll it, as its bar does.
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    case WM_LBUTTONUP: PenUp(*c, lParam); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      if (int code = platform::ScrollCodeForKey(static_cast<UINT>(wParam)); code >= 0)
        SendMessageW(hwnd, WM_VSCROLL, static_cast<WPARAM>(code), 0);
      return 0;
    case WM_MOUSEWHEEL: platform::ScrollByWheel(hwnd, wParam); return 0;
    case WM_NOTIFY: return 1;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

LRESULT ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Control* c = ControlOf(hwnd);
  switch (msg) {
    case WM_CREATE: {
      auto owned = std::make_unique<Control>();
      owned->control = hwnd;
      // The page takes the keys that scroll it: a dialog gives it the focus as its first stop.
      SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) | WS_TABSTOP);
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(owned.get()));
      RECT r{};
      GetClientRect(hwnd, &r);
      owned->inner = CreateWindowExW(0, kInnerClass, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 0, 0,
                                     r.right, r.bottom, hwnd, nullptr, cs ? cs->hInstance : nullptr, nullptr);
      if (!owned->inner) {
        SetWindowLongW(hwnd, GWL_USERDATA, 0);
        return -1;
      }
      SetWindowLongW(owned->inner, GWL_USERDATA, reinterpret_cast<LONG_PTR>(owned.get()));
      platform::AttachVerticalScrollBar(owned->inner);
      owned.release();
      return 0;
    }
    case WM_NCDESTROY:
      if (c) {
        SetWindowLongW(hwnd, GWL_USERDATA, 0);
        delete c;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_DESTROY:
      if (c && c->inner) {
        SetWindowLongW(c->inner, GWL_USERDATA, 0);
        c->page->Clear();
      }
      return 0;
    default: break;
  }
  if (!c) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_SIZE:
      MoveWindow(c->inner, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      Layout(*c);
      return 0;
    case WM_SETFOCUS: SetFocus(c->inner); return 0;
    // The control scrolls its page as its scroll bar would.
    case WM_VSCROLL: return SendMessageW(c->inner, msg, wParam, lParam);
    case WM_SETTEXT: {
      Clear(*c);
      auto* text = reinterpret_cast<const char16_t*>(lParam);
      if (text && *text) c->source = platform::ToUtf8(text);
      return TRUE;
    }
    case DTM_ADDTEXTW: {
      auto* text = reinterpret_cast<const char16_t*>(lParam);
      if (!text) return 0;
      std::string utf8 = platform::ToUtf8(text);
      c->source += wParam ? platform::htmlview::EscapeHtml(utf8) : utf8;
      return 0;
    }
    case DTM_ENDOFSOURCE: EndOfSource(*c); return 0;
    case DTM_SETIMAGE: SetImage(*c, reinterpret_cast<const INLINEIMAGEINFO*>(lParam)); return 0;
    case DTM_IMAGEFAIL: c->pendingPictures.erase(static_cast<DWORD>(lParam)); return 0;
    case DTM_ENABLESHRINK:
      c->shrink = lParam != 0;
      Layout(*c);
      return 0;
    case DTM_ENABLECLEARTYPE:
      c->page->SetSmoothText(lParam != 0);
      InvalidateRect(c->inner, nullptr, TRUE);
      return 0;
    case DTM_ZOOMLEVEL:
      c->zoom = static_cast<int>(std::clamp<LPARAM>(lParam, 0, 4));
      Layout(*c);
      return 0;
    case DTM_DOCUMENTDISPATCH: {
      auto** out = reinterpret_cast<IHtmlDocumentObject**>(lParam);
      if (!out) return 0;
      *out = new DocumentObject(c->page, c);
      return 1;
    }
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

BOOL InitHTMLControl(HINSTANCE instance) {
  WNDCLASSW wc;
  wc.lpfnWndProc = ControlProc;
  wc.hInstance = instance;
  wc.lpszClassName = DISPLAYCLASS;
  WNDCLASSW inner;
  inner.lpfnWndProc = InnerProc;
  inner.hInstance = instance;
  inner.lpszClassName = kInnerClass;
  // Registering again (a second control, a second module) finds the classes in place.
  RegisterClassW(&wc);
  RegisterClassW(&inner);
  WNDCLASSW check;
  return GetClassInfoW(instance, DISPLAYCLASS, &check) && GetClassInfoW(instance, kInnerClass, &check);
}

namespace platform {

void SetHtmlPictureFolder(HWND control, std::u16string_view deviceFolder) {
  if (Control* c = ControlOf(control)) c->pictureFolder = std::u16string(deviceFolder);
}

int HtmlLayoutCount(HWND control) {
  Control* c = ControlOf(control);
  return c ? c->page->LayoutCount() : 0;
}

int HtmlLayoutWidth(HWND control) {
  Control* c = ControlOf(control);
  return c ? c->page->LayoutWidth() : 0;
}

bool HtmlScrollToAnchor(HWND control, std::u16string_view name) {
  Control* c = ControlOf(control);
  if (!c || !c->page->HasDocument()) return false;
  Settle(*c);
  const int top = c->page->AnchorTop(ToUtf8(name));
  if (top < 0) return false;
  SCROLLINFO set;
  set.fMask = SIF_POS;
  set.nPos = static_cast<int>(top * c->scale);
  SetScrollInfo(c->inner, SB_VERT, &set, TRUE);
  InvalidateRect(c->inner, nullptr, TRUE);
  return true;
}

std::u16string HtmlLinkAt(HWND control, POINT client) {
  Control* c = ControlOf(control);
  const htmlview::PageLink* link = c ? LinkAtClient(*c, client) : nullptr;
  return link ? ToUtf16(link->target) : std::u16string();
}

std::string HtmlPageDump(HWND control) {
  Control* c = ControlOf(control);
  return c ? c->page->Dump() : std::string();
}

void SetHtmlLongRun(HWND control, size_t sections) {
  if (Control* c = ControlOf(control)) c->page->SetLongRun(sections);
}

}  // namespace platform
