// The HTML viewer control: window class "DISPLAYCLASS". The owner adds HTML text, ends the
// source, answers the control's requests for pictures, and is told of taps on links. The
// page is laid out and painted by litehtml inside the control's inner window (its first
// child), which carries the vertical scroll bar.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"
#include "platform/user/Window.h"

inline constexpr const char16_t* DISPLAYCLASS = u"DISPLAYCLASS";

// ---- Messages to the control ------------------------------------------------------------------
constexpr UINT DTM_ADDTEXTW = 1126;          // wParam 0: HTML, 1: plain text; lParam the text
constexpr UINT DTM_SETIMAGE = 1127;          // lParam: INLINEIMAGEINFO*
constexpr UINT DTM_ENDOFSOURCE = 1128;       // the source is complete: lay it out and show it
constexpr UINT DTM_ENABLESHRINK = 1131;      // lParam nonzero: shrink a page wider than the window
constexpr UINT DTM_IMAGEFAIL = 1133;         // lParam: the cookie of a picture that cannot be given
constexpr UINT DTM_ENABLECLEARTYPE = 1138;   // lParam nonzero: smooth text
constexpr UINT DTM_ZOOMLEVEL = 1140;         // lParam 0-4 (2 is the normal size)
constexpr UINT DTM_DOCUMENTDISPATCH = 1147;  // lParam: IHtmlDocumentObject** that receives the page
// WM_SETTEXT with an empty text clears the control.

// ---- Notifications to the parent (WM_NOTIFY, the control's id) ---------------------------------
constexpr UINT NM_HOTSPOT = 1125;       // NM_HTMLVIEWW: a link was tapped
constexpr UINT NM_INLINE_IMAGE = 1126;  // NM_HTMLVIEWW: the page shows a picture; answer
                                        // DTM_SETIMAGE or DTM_IMAGEFAIL with its cookie and
                                        // return nonzero, or return 0 to let the control load
                                        // the file itself

struct NM_HTMLVIEWW {
  NMHDR hdr;
  const char16_t* szTarget = nullptr;  // link target / picture source, as the page gives it
  const char16_t* szData = nullptr;    // link: the text of the link
  DWORD dwCookie = 0;                  // picture: the request's cookie
};

struct INLINEIMAGEINFO {
  DWORD dwCookie = 0;
  int iOrigHeight = 0;
  int iOrigWidth = 0;
  HBITMAP hbm = nullptr;
  BOOL bOwnBitmap = FALSE;  // the control deletes the bitmap once it has taken its pixels
};

// The record a host's inner window may be handed with WM_NOTIFY (a link or picture
// request seen from inside the page).
struct HTMLVIEW_INNER_NOTIFY {
  NMHDR hdr;
  DWORD dwKind = 0;  // 1 link, 2 picture
  const char16_t* szText = nullptr;
  const char16_t* szData = nullptr;
  DWORD dwCookie = 0;
};
constexpr DWORD HTMLVIEW_KIND_LINK = 1;
constexpr DWORD HTMLVIEW_KIND_IMAGE = 2;

// ---- The page as an object ----------------------------------------------------------------------
// {F1210A64-E50F-49E7-9E3B-81A25415A583}: the page's document interface.
inline constexpr IID IID_IHtmlDocument = {0xF1210A64, 0xE50F, 0x49E7, {0x9E, 0x3B, 0x81, 0xA2, 0x54, 0x15, 0xA5, 0x83}};

class IHtmlElementObject {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  // Replaces the element's content by `html` and lays the page out again.
  virtual HRESULT put_innerHTML(const char16_t* html) = 0;
  // The element's text content.
  virtual HRESULT get_innerText(BSTR* text) = 0;
  // Replaces the element itself by `html`, read as content of the element's parent (table
  // sections, rows or cells stand inside their table). A table section replaced by one of
  // the same shape keeps the table's layout: only the cells are laid out again.
  virtual HRESULT put_outerHTML(const char16_t* html) = 0;
  // Puts `html` (read as for put_outerHTML) just before ("beforeBegin") or after
  // ("afterEnd") the element.
  virtual HRESULT insertAdjacentHTML(const char16_t* where, const char16_t* html) = 0;
  // Takes the element out of the page.
  virtual HRESULT removeNode() = 0;

 protected:
  virtual ~IHtmlElementObject() = default;
};

class IHtmlDocumentObject {
 public:
  virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  // The element with this id; S_FALSE and null when the page has none.
  virtual HRESULT getElementById(const char16_t* id, IHtmlElementObject** element) = 0;

 protected:
  virtual ~IHtmlDocumentObject() = default;
};

// Registers the control's window classes for the module; false when they cannot be.
BOOL InitHTMLControl(HINSTANCE instance);

namespace platform {
// Where the control's file pictures are taken from: a device folder (default the root).
// A picture's name from the page is URI-unescaped and looked up there; it never reaches
// outside the device root.
void SetHtmlPictureFolder(HWND control, std::u16string_view deviceFolder);
// Counters tests read: how many times the page was laid out in full since it was loaded.
int HtmlLayoutCount(HWND control);
// The page's laid-out width at the current zoom (in page pixels), 0 without a page.
int HtmlLayoutWidth(HWND control);
// The text of the link under `client` (inner-window coordinates), empty when none.
std::u16string HtmlLinkAt(HWND control, POINT client);
// The laid-out page, one element a line in document order: its tag, id and class, its
// place and size (page pixels) and, for text, the text. Two pages that dump alike look
// alike.
std::string HtmlPageDump(HWND control);
// How many sections one after another make a table's run long enough to keep the sections
// out of view as text (see HtmlPage::SetLongRun; 0: pages are laid out whole). Tests hold a
// page so kept against the page laid out whole. Takes effect at the next page loaded.
void SetHtmlLongRun(HWND control, size_t sections);
// Scrolls the page so that the anchor `name` (an element's name or id) is at the top;
// false when the page has no such anchor.
bool HtmlScrollToAnchor(HWND control, std::u16string_view name);
}  // namespace platform
