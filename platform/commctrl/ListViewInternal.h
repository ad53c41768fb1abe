// Internal to the list view, whose pieces are ListView.cpp (the rows, columns and states,
// and the messages on them), ListViewLayout.cpp (where the header, rows and cells lie, and
// the scrolling), ListViewPaint.cpp and ListViewInput.cpp (the pen and the keys): the model
// a list keeps as its window data, and what the pieces call on one another.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/commctrl/CommCtrlInternal.h"

namespace platform::commctrl::listview {

using platform::user::DataOf;
using platform::user::StyleOf;

struct Column {
  std::u16string text;
  int width = 0;
  int fmt = LVCFMT_LEFT;
  int subItem = 0;
  int image = -1;  // of the small image list, shown in the title with LVCFMT_IMAGE
};

struct Cell {
  std::u16string text;
  bool callback = false;
  int image = -1;
};

struct Row {
  std::vector<Cell> cells{1};  // cell 0 is the item itself
  LPARAM lParam = 0;
  UINT state = 0;
  int indent = 0;
};

class ListView : public platform::user::WindowData {
 public:
  std::vector<Column> columns;
  std::vector<Row> rows;
  int ownerCount = 0;               // owner data: the rows there are
  std::map<int, UINT> ownerStates;  // owner data: states of rows that have one
  HIMAGELIST normal = nullptr;
  HIMAGELIST small = nullptr;
  HIMAGELIST stateImages = nullptr;
  DWORD exStyle = 0;
  int mark = -1;  // selection mark
  COLORREF background = CLR_NONE;
  int measured = 0;  // row height the parent gave an owner-drawn list
  PenTrack pen;
  int headerDown = -1;  // column whose title the pen went down on
};

// What one cell shows: its stored text and image, or what the parent answers.
struct Shown {
  std::u16string text;
  int image = -1;
};

struct Hit {
  int item = -1;
  int column = -1;
  UINT flags = LVHT_NOWHERE;
};

// ---- The model (ListView.cpp) -------------------------------------------------------------
bool Report(HWND hwnd);
int Count(HWND hwnd, const ListView& m);
bool Valid(HWND hwnd, const ListView& m, int i);
UINT StateOf(HWND hwnd, const ListView& m, int i);
LPARAM ParamOf(HWND hwnd, const ListView& m, int i);
Shown CellOf(HWND hwnd, ListView& m, int i, int sub, bool wantImage);
void SetState(HWND hwnd, ListView& m, int i, UINT state, UINT mask);
int NextItem(HWND hwnd, const ListView& m, int start, UINT flags);
void Choose(HWND hwnd, ListView& m, int i);

// ---- Layout and scrolling (ListViewLayout.cpp) ---------------------------------------------
int HeaderHeight(HWND hwnd);
SIZE ImageSize(HIMAGELIST list);
int ContentRight(HWND hwnd);
int PerLine(HWND hwnd, const ListView& m);
int LineHeightOfView(HWND hwnd, const ListView& m);
int LinesPerPage(HWND hwnd, const ListView& m);
int LineCount(HWND hwnd, const ListView& m);
int TopLine(HWND hwnd);
void UpdateScroll(HWND hwnd, const ListView& m);
void ScrollToLine(HWND hwnd, const ListView& m, int line);
int ColumnLeft(const ListView& m, int column);
RECT RowBounds(HWND hwnd, const ListView& m, int i);
RECT CellRect(HWND hwnd, const ListView& m, int i, int column, int code);
Hit HitTest(HWND hwnd, const ListView& m, POINT pt);
void RedrawRow(HWND hwnd, const ListView& m, int i);
void EnsureVisible(HWND hwnd, const ListView& m, int i);
// Asks an owner-drawn list's parent for the row height (WM_MEASUREITEM).
void Measure(HWND hwnd, ListView& m);

// ---- Painting (ListViewPaint.cpp) --------------------------------------------------------------
COLORREF Background(const ListView& m);
void Paint(HWND hwnd, ListView& m);

// ---- Pen and keys (ListViewInput.cpp), found by RouteInput beside the model ----------------------
void OnPenDown(HWND hwnd, ListView& m, LPARAM lParam);
void OnPenUp(HWND hwnd, ListView& m, LPARAM lParam);
void OnDoubleTap(HWND hwnd, ListView& m, LPARAM lParam);
void OnKey(HWND hwnd, ListView& m, WPARAM vk);
LRESULT OnScroll(HWND hwnd, const ListView& m, WPARAM wParam);

}  // namespace platform::commctrl::listview
