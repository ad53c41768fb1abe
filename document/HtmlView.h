// The page of a document or a report in the HTML display control: renders the transformed
// XML into it, keeps the scroll position, zoom and shrink-to-fit, gives the page its logo and
// signature pictures, turns taps and holds on links into messages for the owner window, and
// replaces single elements by id so that an edited line or a new total shows at once.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/WindowMessages.h"
#include "document/DocumentServices.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"
#include "platform/htmlview/HtmlControl.h"

class CDbRecord;
class CImageFile;
class CXmlDocument;


// One element id and the text to show in it.
struct CElementText {
  std::u16string id;
  std::u16string text;
};

class CHtmlView : public IDocumentView {
 public:
  // The page of `document` (not owned: the sales document owns its XML document) in a new
  // control filling `owner`; becomes the current document page.
  CHtmlView(HINSTANCE instance, HWND owner, CXmlDocument& document);
  ~CHtmlView() override;
  CHtmlView(const CHtmlView&) = delete;
  CHtmlView& operator=(const CHtmlView&) = delete;

  void SetFitToScreen(bool on) override;
  void SetZoomLevel(int level) override;
  void SetHidden(bool hidden) override;
  void Render(RenderMode mode, int position) override;
  bool SetElementText(std::u16string_view id, std::u16string_view text) override;
  bool SetElementTexts(const CElementText* pairs, int count);
  // The raw texts of the line record in its cells (quantity, name, description, price,
  // service date, tax code, custom values); true when any cell was found.
  bool UpdateLineItemCells(const CDbRecord& line);
  bool ShowLine(LONG position) override;
  bool InsertLine(LONG position) override;
  bool RemoveLine(std::u16string_view key) override;
  void ScrollToEnd() override;

  // The control's notifications forwarded by the owner (WM_NOTIFY of control id 10).
  bool OnNotify(HWND window, int controlId, NMHDR* notification);
  // A notification the inner window relayed (kMsgRelayNotify).
  bool OnRelayedNotify(HWND window, const HTMLVIEW_INNER_NOTIFY* record);
  void OnLinkTapped(const char16_t* target, const char16_t* data);

  HWND GetControl() const { return m_control; }
  HWND GetInnerWindow() const { return m_inner; }
  int GetScrollPosition() const { return m_scrollPosition; }
  int GetZoomLevel() const { return m_zoomLevel; }
  bool GetFitToScreen() const { return m_fitToScreen; }

 private:
  friend LRESULT HtmlViewSubclassProc(HWND, UINT, WPARAM, LPARAM);
  void GiveImage(HWND window, const char16_t* source, DWORD cookie);
  // The shown page's document object (released by the caller), null without a page.
  IHtmlDocumentObject* PageDocument() const;
  // Runs `act` on the page element with the id; false when there is none, else its answer.
  bool OnElement(std::u16string_view id, const std::function<bool(IHtmlElementObject&)>& act);
  bool LineRows(LONG position, std::u16string& rows, std::u16string& key);

  HWND m_control = nullptr;
  CXmlDocument& m_document;
  HINSTANCE m_instance;
  HWND m_owner;
  HWND m_inner = nullptr;
  std::unique_ptr<CImageFile> m_image;
  bool m_hold = false;
  int m_zoomLevel = 2;
  bool m_fitToScreen = true;
  int m_scrollPosition = 0;
  bool m_hidden = false;
  POINT m_penDown;
};

// The report window's page: render, scroll position and tap-and-hold only. What the
// transformation gives is handed to `keepHtml` (the report keeps a copy).
class CReportHtmlView {
 public:
  CReportHtmlView(HINSTANCE instance, HWND owner, CXmlDocument& document,
                  std::function<void(std::u16string_view html)> keepHtml);
  ~CReportHtmlView();
  CReportHtmlView(const CReportHtmlView&) = delete;
  CReportHtmlView& operator=(const CReportHtmlView&) = delete;

  void Render(RenderMode mode, int position);
  HWND GetControl() const { return m_control; }
  HWND GetInnerWindow() const { return m_inner; }

 private:
  friend LRESULT ReportHtmlViewSubclassProc(HWND, UINT, WPARAM, LPARAM);

  HWND m_control = nullptr;
  CXmlDocument& m_document;
  HWND m_owner;
  HWND m_inner = nullptr;
  bool m_hold = false;
  int m_scrollPosition = 0;
  POINT m_penDown;
  std::function<void(std::u16string_view)> m_keepHtml;
};

LRESULT HtmlViewSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ReportHtmlViewSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The factory the program installs: every document built with a page gets a CHtmlView.
DocumentViewFactory MakeHtmlViewFactory(HINSTANCE instance);
