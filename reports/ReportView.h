// The report viewer: a modeless full-screen window in which one report is chosen, built
// and shown as HTML, with zoom, fit-to-screen, a toolbar and the commands to print, save
// and e-mail it. Printing, saving and mailing are the main window's work: the viewer asks
// for them with messages that carry the report.
#pragma once

#include <memory>
#include <string>

#include "core/WindowMessages.h"
#include "platform/base/Win32Types.h"
#include "platform/user/Window.h"

class CItemStore;
class CReport;
class CReportHtmlView;

class CReportView {
 public:
  // `instance` is the program's; `items` the item list the route accountability report
  // reads (not owned). Creates the hidden window over `parent`.
  CReportView(HINSTANCE instance, HWND parent, CItemStore* items, int kind, std::u16string_view documentId);
  virtual ~CReportView();
  CReportView(const CReportView&) = delete;
  CReportView& operator=(const CReportView&) = delete;

  // Shows the window, asks for the options where the report needs them, builds and shows
  // the report. A cancelled form closes the viewer without building.
  void ShowReport();

  HWND GetWindow() const { return m_window; }
  CReport* GetReport() const { return m_report.get(); }
  CReportHtmlView* GetView() const { return m_view.get(); }
  HWND GetToolbar() const { return m_toolbar; }
  HWND GetMenuBar() const { return m_menuBar; }
  int GetZoom() const { return m_zoom; }
  bool GetFitToScreen() const { return m_fitToScreen; }

  void OnCommand(int command);

 private:
  static INT_PTR DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void Close();
  void SetZoom(int zoom);
  void ToggleFitToScreen();
  void ToggleToolbar();
  void CreateToolbar();
  void CreateBar();
  void UpdateToolbarButton();
  void LayOut();
  void CheckMenu(HMENU menu);
  void ShowPopup(const POINT& point);
  // Posts `msg` to the main window with the report.
  void Ask(UINT msg, WPARAM wParam);

  HINSTANCE m_instance;
  HWND m_parent;
  CItemStore* m_items;
  int m_kind;
  std::u16string m_documentId;
  HWND m_window = nullptr;
  HWND m_toolbar = nullptr;
  HWND m_menuBar = nullptr;
  std::unique_ptr<CReport> m_report;
  std::unique_ptr<CReportHtmlView> m_view;
  int m_zoom = 1;
  bool m_fitToScreen = true;
};
