// The driver for modal user interface in tests: a script of steps the window system
// plays whenever a modal loop (a modal dialog, a popup menu) has nothing left to do.
//
//   UiScript ui;
//   ui.ExpectDialog(127, [](DialogDriver& d) {
//     d.TypeInto(1001, u"Acme");
//     d.Choose(1002, u"Net 30");
//     d.Ok();
//   });
//   ...code that opens the dialog...
//   EXPECT_EQ(ui.Pending(), 0u);
//
// Message boxes and popup menus are modal too; a script answers them in turn with the dialogs (a test
// that installs a MessageBoxScript instead has its boxes answered by that).
// A modal loop that goes idle with no step left, or with a step for something else,
// fails the test with a picture of the screen and the loop gives up (a dialog ends with
// IDCANCEL), so nothing hangs. Steps left over when the script goes fail the test too.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/testing/ControlDrivers.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/Menu.h"
#include "platform/user/Window.h"

namespace platform::testing {

// Acts in one dialog as a person would. Every action lets the dialog handle what it
// caused before it returns (a nested modal dialog it opens runs the next steps).
class DialogDriver {
 public:
  explicit DialogDriver(HWND dialog) : m_dialog(dialog) {}

  HWND Window() const { return m_dialog; }
  int TemplateId() const;
  std::u16string Caption() const;
  // The control with `id`; a missing control fails the test and gives null.
  HWND Control(int id) const;
  std::u16string Text(int id) const;
  bool IsChecked(int id) const;
  bool IsEnabled(int id) const;
  bool IsVisible(int id) const;
  // The entries of a list box, combo box or list view (its first column), and the
  // selected one (-1 none).
  std::vector<std::u16string> Rows(int id) const;
  int Selection(int id) const;
  HWND Focus() const;
  // Drivers of the dialog's common controls.
  ListViewDriver ListView(int id) const { return ListViewDriver(Control(id)); }
  TreeViewDriver TreeView(int id) const { return TreeViewDriver(Control(id)); }
  TabDriver Tabs(int id) const { return TabDriver(Control(id)); }
  ToolbarDriver Toolbar(int id) const { return ToolbarDriver(Control(id)); }

  DialogDriver& Tap(int id);
  DialogDriver& TapAt(int id, int x, int y);  // client coordinates of the control
  // Pen down on the control, held for a second on the test clock, then up.
  DialogDriver& Hold(int id);
  // Types into the focused control, one key at a time.
  DialogDriver& Type(std::u16string_view text);
  // Types by tapping the input panel's keys (it must be up), one sign of `text` at a time.
  DialogDriver& TapPanel(std::u16string_view text);
  // Taps the control, selects its whole text and types `text` over it.
  DialogDriver& TypeInto(int id, std::u16string_view text);
  DialogDriver& Key(UINT vk);
  // Opens a combo box's list and taps the entry with this text (ignoring case) or index.
  DialogDriver& Choose(int comboId, std::u16string_view entry);
  DialogDriver& Choose(int comboId, int index);
  // Presses OK or Cancel: taps the button when the dialog shows it, else sends the
  // command as the title bar's button does.
  void Ok();
  void Cancel();
  void Press(int id);

  // Handles what is queued for this thread, through the dialog's keyboard handling.
  void Pump();

 private:
  void TapScreen(HWND control, POINT client);
  HWND m_dialog;
};

// Acts in the popup menu being tracked. Its actions give input to the menu's own loop,
// which handles it once the step returns.
class MenuDriver {
 public:
  struct ItemView {
    UINT id = 0;
    std::u16string text;
    bool grayed = false;
    bool checked = false;
    bool separator = false;
    bool popup = false;
  };

  // The items of the innermost open menu.
  std::vector<ItemView> Items() const;
  std::vector<std::u16string> Texts() const;
  // Taps the item with this command id, or this text; an item that is not there fails
  // the test and cancels the menu instead.
  void Choose(UINT id);
  void Choose(std::u16string_view text);
  // Taps a popup item to open its menu (the next step acts in it).
  void Open(std::u16string_view text);
  // Taps beside the menu.
  void Cancel();

 private:
  void TapRow(int row);
};

class UiScript final : public platform::IdleHandler {
 public:
  using DialogAction = std::function<void(DialogDriver&)>;

  // Installs the script for the current scope.
  UiScript();
  ~UiScript() override;
  UiScript(const UiScript&) = delete;
  UiScript& operator=(const UiScript&) = delete;

  // Expects a modal dialog made from template `templateId` (0: any dialog) and acts in it.
  UiScript& ExpectDialog(int templateId, DialogAction act);
  // Expects a message box showing exactly `text` and presses `answer` (IDOK, IDYES...).
  UiScript& ExpectMessageBox(std::u16string text, int answer);
  // Expects a popup menu and acts in it.
  using MenuAction = std::function<void(MenuDriver&)>;
  UiScript& ExpectPopupMenu(MenuAction act);

  // Steps not yet played.
  size_t Pending() const { return m_steps.size() - m_next; }
  // What modal user interface appeared, in order ("dialog 127"...).
  const std::vector<std::string>& Seen() const { return m_seen; }

  bool OnIdle(HWND modalWindow, const std::u16string& what) override;

 private:
  enum class Kind { Dialog, MessageBox, PopupMenu };
  struct Step {
    Kind kind = Kind::Dialog;
    int templateId = 0;
    DialogAction dialog;
    MenuAction menu;
    std::u16string text;
    int answer = 0;
  };
  static std::string Describe(const Step& step);

  std::deque<Step> m_steps;
  size_t m_next = 0;
  int m_idle = 0;
  std::vector<std::string> m_seen;
  platform::IdleHandler* m_previous = nullptr;
};

}  // namespace platform::testing
