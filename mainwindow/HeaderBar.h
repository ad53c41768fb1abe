// The bar above the register: "Show" on the left picks which documents the register
// lists, "Sort By" on the right picks the order. Both are owner-drawn drop-down buttons
// whose popups hand the choice to the main window.
#pragma once

#include <string>

#include "platform/gdi/GdiScopes.h"
#include "platform/platform.h"

class CMainFrame;

inline constexpr int kHeaderBarId = 100;
inline constexpr int kShowButtonId = 105;
inline constexpr int kSortButtonId = 106;

class CHeaderBar {
 public:
  CHeaderBar(HINSTANCE instance, CMainFrame& frame);
  ~CHeaderBar();
  CHeaderBar(const CHeaderBar&) = delete;
  CHeaderBar& operator=(const CHeaderBar&) = delete;

  // Makes the bar as a child of `parent`, its client width wide.
  HWND Create(HWND parent);
  HWND GetHwnd() const { return m_hwnd; }
  HWND GetShowButton() const { return m_show; }
  HWND GetSortButton() const { return m_sort; }

  // Put the name of the kind on its button; an unknown code leaves the text.
  void SetShowText(int showKind);
  void SetSortText(int sortKind);
  // The popups; true when a choice was made, which the main window then applies.
  bool ShowFilterMenu(int& showKind);
  bool ShowSortMenu(int& sortKind);

 private:
  static LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateButtons();
  void DrawButton(const DRAWITEMSTRUCT& item);

  HINSTANCE m_instance;
  CMainFrame& m_frame;
  HWND m_hwnd = nullptr;
  HWND m_show = nullptr;
  HWND m_sort = nullptr;
  CGdiObject<HFONT> m_font;
};
