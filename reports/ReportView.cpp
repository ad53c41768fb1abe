#include "reports/ReportView.h"

#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "document/HtmlView.h"
#include "document/XmlDocument.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/htmlview/HtmlControl.h"
#include "platform/module/Module.h"
#include "platform/shell/Shell.h"
#include "platform/user/Dialog.h"
#include "platform/user/Menu.h"
#include "platform/user/Paint.h"
#include "reports/PickListReport.h"
#include "reports/ProfitMarginReport.h"
#include "reports/ReportOptionsForm.h"
#include "reports/RouteAccountReport.h"
#include "reports/RouteCashReport.h"
#include "resources/resource_ids.h"

namespace {
// The one viewer the dialog procedure reaches.
CReportView* g_reportView = nullptr;

constexpr int kToolbarId = 100;
constexpr int kMenuBarMetric = 11;
constexpr int kToolbarImageMetric = 16;
constexpr int kHelpTopic = 3;
constexpr int kZoomLevels = 5;
constexpr BYTE kButtonEnabled = TBSTATE_ENABLED;
constexpr BYTE kButtonPressed = TBSTATE_ENABLED | TBSTATE_PRESSED;
constexpr int kZoomCommands[kZoomLevels] = {IDM_ZOOM0, IDM_ZOOM1, IDM_ZOOM2, IDM_ZOOM3,
                                            IDM_ZOOM4};
}  // namespace

CReportView::CReportView(HINSTANCE instance, HWND parent, CItemStore* items, int kind, std::u16string_view documentId)
    : m_instance(instance), m_parent(parent), m_items(items), m_kind(kind), m_documentId(documentId) {
  g_reportView = this;
  m_window = CreateDialogParamW(GetResourceInstance(), MAKEINTRESOURCEW(IDD_REPORT_VIEW), parent, DialogProc, 0);
}

CReportView::~CReportView() {
  m_view.reset();
  m_report.reset();
  if (m_window && IsWindow(m_window)) DestroyWindow(m_window);
  if (g_reportView == this) g_reportView = nullptr;
}

void CReportView::ShowReport() {
  ShowWindow(m_window, SW_SHOW);
  UpdateWindow(m_window);
  std::u16string start, end, types;
  const bool single = !m_documentId.empty();
  bool asked = false;
  INT_PTR answer = 1;
  auto ask = [&](bool withDocuments) {
    CReportOptionsForm form(GetResourceInstance(), m_window, withDocuments);
    answer = form.Run();
    asked = true;
    start = form.GetFrom().str();
    end = form.GetTo().str();
    if (withDocuments) types = form.GetDocumentType().str();
  };
  switch (m_kind) {
    case kReportRouteAccount: {
      m_report = std::make_unique<CRouteAccountReport>(m_window, m_items);
      CBstr today;
      GetTodayDateText(today);
      start = end = today.str();
      break;
    }
    case kReportRouteCash:
      m_report = std::make_unique<CRouteCashReport>(m_window);
      ask(false);
      break;
    case kReportProfitMargin:
      m_report = std::make_unique<CProfitMarginReport>(m_window, m_documentId);
      if (!single) ask(false);
      break;
    default:
      m_report = std::make_unique<CPickListReport>(m_window, m_documentId);
      if (!single) ask(true);
      break;
  }
  if (asked && answer == 0) {
    Close();
    return;
  }
  m_report->BuildXml(m_window, start, end, types, m_documentId);
  CReport* report = m_report.get();
  m_view = std::make_unique<CReportHtmlView>(m_instance, m_window, report->GetReportDocument(),
                                             [report](std::u16string_view html) { report->SetHtml(html); });
  CPreferences prefs;
  m_fitToScreen = prefs.Get(pref::kFitToScreen) != 0;
  m_zoom = static_cast<int>(prefs.Get(pref::kFontSize));
  if (m_zoom < 0 || m_zoom >= kZoomLevels) m_zoom = 1;
  SendMessageW(m_view->GetControl(), DTM_ENABLESHRINK, 0, m_fitToScreen ? -1 : 0);
  SendMessageW(m_view->GetControl(), DTM_ZOOMLEVEL, 0, m_zoom);
  m_view->Render(RenderMode::KeepPosition, -1);
  CreateBar();
  LayOut();
}

void CReportView::Close() {
  SHFullScreen(m_window, SHFS_HIDESIPBUTTON);
  ShowWindow(m_window, SW_HIDE);
  PostMessageW(m_parent, kMsgReportClosed, 0, 0);
}

void CReportView::Ask(UINT msg, WPARAM wParam) {
  PostMessageW(m_parent, msg, wParam, reinterpret_cast<LPARAM>(m_report.get()));
}

void CReportView::OnCommand(int command) {
  switch (command) {
    case IDOK:
      Close();
      return;
    case IDM_ZOOM0:
    case IDM_ZOOM1:
    case IDM_ZOOM2:
    case IDM_ZOOM3:
    case IDM_ZOOM4:
      for (int level = 0; level < kZoomLevels; ++level)
        if (kZoomCommands[level] == command) SetZoom(level);
      return;
    case IDM_ZOOM_NEXT:
      SetZoom((m_zoom + 1) % kZoomLevels);
      return;
    case IDM_FIT_TO_SCREEN:
      ToggleFitToScreen();
      return;
    case IDM_TOOLBAR_BUTTON:
    case IDM_SHOW_TOOLBAR:
      ToggleToolbar();
      return;
    case IDM_REPORT_PRINT:
      Ask(kMsgPrintReport, reinterpret_cast<WPARAM>(m_window));
      return;
    case IDM_REPORT_SAVE_HTML:
      Ask(kMsgSaveReport, reinterpret_cast<WPARAM>(m_window));
      return;
    case IDM_REPORT_EMAIL_HTML:
      SendMessageW(m_parent, kMsgEmailReport, 0, reinterpret_cast<LPARAM>(m_report.get()));
      return;
    default: return;
  }
}

void CReportView::SetZoom(int zoom) {
  m_zoom = zoom;
  if (m_view) SendMessageW(m_view->GetControl(), DTM_ZOOMLEVEL, 0, zoom);
  CPreferences().Set(pref::kFontSize, static_cast<DWORD>(zoom));
}

void CReportView::ToggleFitToScreen() {
  m_fitToScreen = !m_fitToScreen;
  if (m_view) SendMessageW(m_view->GetControl(), DTM_ENABLESHRINK, 0, m_fitToScreen ? -1 : 0);
  CPreferences().Set(pref::kFitToScreen, m_fitToScreen ? 1 : 0);
}

void CReportView::ToggleToolbar() {
  if (m_toolbar) {
    DestroyWindow(m_toolbar);
    m_toolbar = nullptr;
  } else {
    CreateToolbar();
  }
  UpdateToolbarButton();
  LayOut();
}

void CReportView::CreateToolbar() {
  auto button = [](int image, int command, BYTE style) {
    TBBUTTON b;
    b.iBitmap = image;
    b.idCommand = command;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = style;
    return b;
  };
  const TBBUTTON buttons[] = {
      button(0, IDM_FIT_TO_SCREEN, TBSTYLE_BUTTON),        button(1, IDM_ZOOM_NEXT, TBSTYLE_BUTTON),
      button(0, 0, TBSTYLE_SEP),                        button(2, IDM_REPORT_EMAIL_HTML, TBSTYLE_BUTTON),
      button(0, 0, TBSTYLE_SEP),                        button(3, IDM_REPORT_PRINT, TBSTYLE_BUTTON),
  };
  const int size = GetUiMetric(kToolbarImageMetric, m_window);
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN;
  m_toolbar = CreateToolbarEx(m_window, style, kToolbarId, 4, GetResourceInstance(), IDB_REPORT_TOOLBAR, buttons,
                              static_cast<int>(std::size(buttons)), 0, 0, size, size, sizeof(TBBUTTON));
  if (!m_toolbar) return;
  static const WCHAR* const kTips[] = {u"Fit to Screen", u"Zoom", u"E-mail...", u"Print Report..."};
  SendMessageW(m_toolbar, TB_SETTOOLTIPS, std::size(kTips), reinterpret_cast<LPARAM>(kTips));
}

void CReportView::CreateBar() {
  SHMENUBARINFO info;
  info.hwndParent = m_window;
  info.nToolBarId = IDR_REPORT_MENUBAR;
  info.hInstRes = GetResourceInstance();
  info.nBmpId = IDB_REPORT_MENUBAR;
  info.cBmpImages = 3;
  m_menuBar = CreateMenuBar(&info);
  UpdateToolbarButton();
}

void CReportView::UpdateToolbarButton() {
  if (!m_menuBar) return;
  SendMessageW(m_menuBar, TB_SETSTATE, IDM_TOOLBAR_BUTTON, MAKELPARAM(m_toolbar ? kButtonPressed : kButtonEnabled, 0));
}

void CReportView::LayOut() {
  RECT area{};
  SIPINFO sip;
  if (SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0) && (sip.fdwFlags & SIPF_ON)) {
    // Over what the input panel leaves visible, in the viewer's coordinates.
    POINT topLeft{sip.rcVisibleDesktop.left, sip.rcVisibleDesktop.top};
    POINT bottomRight{sip.rcVisibleDesktop.right, sip.rcVisibleDesktop.bottom};
    ScreenToClient(m_window, &topLeft);
    ScreenToClient(m_window, &bottomRight);
    area = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  } else if (m_parent) {
    GetClientRect(m_parent, &area);
    area.bottom -= GetUiMetric(kMenuBarMetric, m_window);
  } else {
    // Without a main window the viewer's own area already stops at the menu bar.
    GetClientRect(m_window, &area);
  }
  int viewBottom = area.bottom;
  if (m_toolbar) {
    SendMessageW(m_toolbar, TB_AUTOSIZE, 0, 0);
    RECT bar{};
    GetWindowRect(m_toolbar, &bar);
    const int height = bar.bottom - bar.top;
    MoveWindow(m_toolbar, area.left, area.bottom - height, area.right - area.left, height, TRUE);
    viewBottom = area.bottom - height + 2;
  }
  if (m_view && m_view->GetControl())
    MoveWindow(m_view->GetControl(), area.left, area.top, area.right - area.left, viewBottom - area.top, TRUE);
}

void CReportView::CheckMenu(HMENU menu) {
  auto check = [menu](int command, bool on) { CheckMenuItem(menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : 0)); };
  check(IDM_SHOW_TOOLBAR, m_toolbar != nullptr);
  for (int level = 0; level < kZoomLevels; ++level) check(kZoomCommands[level], level == m_zoom);
  check(IDM_FIT_TO_SCREEN, m_fitToScreen);
}

void CReportView::ShowPopup(const POINT& point) {
  HMENU menu = CreatePopupMenu();
  HMENU exportTo = CreatePopupMenu();
  HMENU emailAs = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, IDM_REPORT_PRINT, u"Print...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(exportTo, MF_STRING, IDM_REPORT_SAVE_HTML, u"HTML...");
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(exportTo), u"Export to");
  AppendMenuW(emailAs, MF_STRING, IDM_REPORT_EMAIL_HTML, u"HTML...");
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(emailAs), u"Email as");
  POINT screen = point;
  ClientToScreen(m_view && m_view->GetInnerWindow() ? m_view->GetInnerWindow() : m_window, &screen);
  const int chosen =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, screen.x, screen.y, 0, m_window, nullptr);
  DestroyMenu(menu);
  for (HWND window : {m_window, m_toolbar, m_menuBar}) {
    if (!window) continue;
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
  }
  const WPARAM viewer = reinterpret_cast<WPARAM>(m_window);
  if (chosen == IDM_REPORT_PRINT) Ask(kMsgPrintReport, viewer);
  if (chosen == IDM_REPORT_SAVE_HTML) Ask(kMsgSaveReport, viewer);
  if (chosen == IDM_REPORT_EMAIL_HTML) Ask(kMsgEmailReport, viewer);
}

INT_PTR CReportView::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SHINITDLGINFO info;
    info.dwMask = SHIDIM_FLAGS;
    info.hDlg = hwnd;
    info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
    SHInitDialog(&info);
    return 1;
  }
  CReportView* view = g_reportView;
  if (!view || (view->m_window && view->m_window != hwnd)) return 0;
  return view->HandleMessage(msg, wParam, lParam);
}

INT_PTR CReportView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) return 0;
      SHFullScreen(m_window, SHFS_HIDESIPBUTTON);
      if (IsWindowVisible(m_window)) {
        EnableWindow(m_window, TRUE);
        if (m_report) CreateBar();
        LayOut();
      }
      return 0;
    case WM_SIZE: LayOut(); return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) LayOut();
      return 0;
    case WM_HELP: ShowHelp(kHelpTopic); return 1;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 1;
    case WM_INITMENUPOPUP:
      if (LOWORD(lParam) == IDM_REPORT_MENU) CheckMenu(reinterpret_cast<HMENU>(wParam));
      return 0;
    case kMsgHoldReport:
      if (lParam) ShowPopup(*reinterpret_cast<const POINT*>(lParam));
      return 1;
    case kMsgPrintReport: PostMessageW(m_parent, kMsgPrintReport, reinterpret_cast<WPARAM>(m_window), lParam); return 1;
    default: return 0;
  }
}
