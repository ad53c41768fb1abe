// What the full-screen dialogs share: the area a full-screen dialog may use, the white
// dialog with its blue title, and a tab control whose tabs each show one page window.
#pragma once

#include <functional>
#include <vector>

#include "platform/platform.h"

namespace full_screen {

inline constexpr COLORREF kTitleColour = 0x009C0000;  // RGB(0, 0, 156)

// The visible desktop when the input panel is up, else the window's client area.
RECT VisibleArea(HWND window);
// Where the desktop begins on the screen, below the shell's navigation bar.
int DesktopTop();
// WM_CTLCOLORDLG / WM_CTLCOLORSTATIC / WM_CTLCOLORBTN: a white brush, and the title
// colour for the heading control 1040. Null for other messages.
HBRUSH ControlColour(UINT msg, WPARAM wParam, LPARAM lParam);

// The shell's full-screen set-up of a dialog, without a Done button.
void MakeFullScreen(HWND dialog);

// The messages the full-screen tabbed dialogs answer alike: OK (1009) and Cancel from the
// title row, a tab chosen on the tab control, a new layout on WM_SIZE and on input panel
// changes, help, the title buttons and the colours. The answer to the message (FALSE for
// one not handled).
struct TabbedDialogActions {
  int helpTopic = 0;
  std::function<void()> ok;
  std::function<void()> tabChosen;
  std::function<void()> layOut;
};
INT_PTR HandleTabbedDialogMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam,
                                  const TabbedDialogActions& actions);

// A tab control (id 200, tabs at the bottom) whose tab i shows page window i.
class CPageTabs {
 public:
  static constexpr int kTabControlId = 200;

  // Creates the control in `dialog`.
  HWND Create(HWND dialog);
  HWND Window() const { return m_tabs; }
  // Adds a tab at `index` for `page` (the tab's parameter is the page window).
  void Insert(int index, const char16_t* caption, HWND page);
  void Remove(int index);
  int Count() const;
  int Selected() const;
  // The page of tab `index` (null when there is no such tab).
  HWND PageOf(int index) const;
  // Selects the tab, shows its page with the focus and hides every other page in `pages`.
  void Show(int index, const std::vector<HWND>& pages);
  // Places the control at `top` over the visible area below it and gives every page in
  // `pages` the control's display rectangle.
  void Place(HWND dialog, int top, const std::vector<HWND>& pages);

 private:
  HWND m_tabs = nullptr;
};

}  // namespace full_screen
