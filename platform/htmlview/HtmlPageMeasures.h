// What a laid-out table's columns are worked out from, kept beside its grid: each cell's
// measures, column by column, with a count of each column's measures and borders. A row put
// in or taken out, or a cell measured anew, tells only its own cells; the columns are worked
// out again from every cell's measures only when a column's widest cell or its border
// changes. Private to the page's own files.
#pragma once

#include <litehtml/litehtml.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/htmlview/HtmlPage.h"

namespace platform::htmlview {

// A cell's part in its column's measures.
struct CellMeasure {
  int minWidth = 0;
  int maxWidth = 0;
  int borderLeft = 0;
  int borderRight = 0;
  int colspan = 1;
  bool spansRows = false;
  bool holdsElement = false;
};

CellMeasure MeasureOf(const litehtml::table_cell& cell);

// The grid's columns' measures and borders worked out again from the cells', column by
// column (each column's cells in order down the table) as a layout does; true when they are
// what they were.
bool ColumnsStayWith(litehtml::table_grid& grid, const std::vector<std::vector<CellMeasure>>& cells);

// How many of a column's cells measure so.
using Tally = std::map<int, int>;

// A table's columns before cells spanning columns widen them: each the widest of its cells
// that span no column, and its border the one all its cells have (a layout keeps the
// narrowest border after the last cell without one: with borders that differ this is not
// followed, and `uniform` is false).
struct HtmlPage::Unspread {
  std::vector<int> minWidths, maxWidths, bordersLeft, bordersRight;
  bool uniform = true;
  bool operator==(const Unspread&) const = default;
};

struct HtmlPage::TableMeasures {
  std::weak_ptr<litehtml::element> table;
  int rows = 0;
  std::vector<std::vector<CellMeasure>> columns;  // [column][row]
  // Per column: the cells (that span no column) by their measures, the cells by their borders.
  struct ColumnTally {
    Tally minWidths, maxWidths, bordersLeft, bordersRight;
  };
  std::vector<ColumnTally> tallies;
  int spanningRows = 0;
  // The columns as the grid has them now, before spanning cells widen them.
  Unspread shown;
  // The grid's columns are what its cells' measures give (false: the layout worked them
  // out in a way not followed here, and every change lays the page out whole).
  bool followed = false;
  // Cells spanning columns come or gone since the columns were last worked out.
  std::vector<std::pair<int, CellMeasure>> spanningChanged;

  void Tell(int col, const CellMeasure& cell, int by);
  // The grid's rows [from, to) read in where they stand.
  void Read(litehtml::table_grid& grid, int from, int to);
  void Forget(int from, int count);
  void Remeasure(int col, int row, int minWidth, int maxWidth);
  Unspread Now() const;
  // True when the columns stay as they are with the cells measured now. Cells that span no
  // column and leave every column's widest and borders as they were change nothing; nor
  // does a cell spanning columns that come or go when they are wide enough for it before
  // any is widened (widening only adds, so it never widened them). Anything else works the
  // columns out again from every cell's measures.
  bool ColumnsStay(litehtml::table_grid& grid);
};

}  // namespace platform::htmlview
