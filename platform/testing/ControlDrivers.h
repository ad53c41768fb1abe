// Drivers for the common controls in tests: each acts on one control as a person would
// (taps, holds, double taps on a row, a node, a tab or a toolbar button) and reads what the
// control shows (texts as displayed, asking the owner for callback texts; selection,
// expansion, scroll position). Every action handles what it caused before it returns.
//
//   ListViewDriver list(GetDlgItem(dialog, 1000));
//   list.Tap(u"INV-10");
//   EXPECT_EQ(list.Selection(), 3);
//   TreeViewDriver tree(treeWindow);
//   tree.TapButton(tree.Find(u"Parts"));      // expands
//   tree.TapCheck(tree.Find(u"Bolt"));
//
// A row, node or button that is not there fails the test and the action does nothing.
#pragma once

#include <string>
#include <vector>

#include "platform/commctrl/CommCtrl.h"

namespace platform::testing {

// Taps, holds and double taps at a point of a control's client area.
void TapControl(HWND control, POINT client);
// Pen down, one second on the test clock, pen up: the controls take it for tap-and-hold.
void HoldControl(HWND control, POINT client);
void DoubleTapControl(HWND control, POINT client);

class ListViewDriver {
 public:
  explicit ListViewDriver(HWND list) : m_list(list) {}
  HWND Window() const { return m_list; }

  int Count() const;
  // The texts row `row` shows, one per column.
  std::vector<std::u16string> Row(int row) const;
  std::u16string Text(int row, int column = 0) const;
  // The rows on screen now (whole or in part), from the top row.
  std::vector<std::vector<std::u16string>> VisibleRows() const;
  // The first row whose column text equals `text` (-1: none; asks every row for it).
  int Find(std::u16string_view text, int column = 0) const;
  int Selection() const;  // the first selected row, -1 none
  int Focused() const;
  int Top() const;
  int PerPage() const;

  // Scrolls the row into view when needed, then acts on its column.
  ListViewDriver& Tap(int row, int column = 0);
  ListViewDriver& Tap(std::u16string_view text, int column = 0);
  ListViewDriver& Hold(int row);
  ListViewDriver& DoubleTap(int row);
  ListViewDriver& TapColumnTitle(int column);

 private:
  POINT CellPoint(int row, int column) const;
  bool Check(int row) const;
  HWND m_list;
};

class TreeViewDriver {
 public:
  explicit TreeViewDriver(HWND tree) : m_tree(tree) {}
  HWND Window() const { return m_tree; }

  HTREEITEM Root() const;
  // The first node (depth first, loaded nodes only) showing `text`; null when none.
  HTREEITEM Find(std::u16string_view text) const;
  std::vector<HTREEITEM> Children(HTREEITEM node) const;
  std::u16string Text(HTREEITEM node) const;
  // The texts of the rows on screen, from the top row.
  std::vector<std::u16string> VisibleTexts() const;
  HTREEITEM Selection() const;
  bool IsExpanded(HTREEITEM node) const;
  // The state image index (bits 12-15 of the state): 0 none, 1 unchecked, 2 checked...
  UINT StateImage(HTREEITEM node) const;
  int Top() const;

  TreeViewDriver& Tap(HTREEITEM node);
  TreeViewDriver& Tap(std::u16string_view text) { return Tap(Find(text)); }
  // Taps the node's expand button.
  TreeViewDriver& TapButton(HTREEITEM node);
  // Taps the node's state image (its check box).
  TreeViewDriver& TapCheck(HTREEITEM node);
  TreeViewDriver& Hold(HTREEITEM node);
  TreeViewDriver& DoubleTap(HTREEITEM node);

 private:
  // A point of the node's row: on its button, its state image or its label.
  enum class Part { Button, StateIcon, Label };
  bool PointOf(HTREEITEM node, Part part, POINT* pt) const;
  HWND m_tree;
};

class TabDriver {
 public:
  explicit TabDriver(HWND tabs) : m_tabs(tabs) {}
  std::vector<std::u16string> Texts() const;
  int Current() const;
  TabDriver& Tap(int index);
  TabDriver& Tap(std::u16string_view text);

 private:
  HWND m_tabs;
};

class ToolbarDriver {
 public:
  explicit ToolbarDriver(HWND toolbar) : m_toolbar(toolbar) {}
  int State(int id) const;  // TB_GETSTATE
  std::u16string Tooltip(int id) const;
  ToolbarDriver& Tap(int id);
  // Taps the button whose tooltip is `text`.
  ToolbarDriver& Tap(std::u16string_view text);

 private:
  HWND m_toolbar;
};

}  // namespace platform::testing
