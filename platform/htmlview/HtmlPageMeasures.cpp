#include "platform/htmlview/HtmlPageMeasures.h"

#include <algorithm>

#include "platform/htmlview/HtmlPageInternal.h"

namespace platform::htmlview {

CellMeasure MeasureOf(const litehtml::table_cell& cell) {
  return {cell.min_width, cell.max_width, cell.borders.left, cell.borders.right,
          cell.colspan,   cell.rowspan > 1, cell.el != nullptr};
}

bool ColumnsStayWith(litehtml::table_grid& grid, const std::vector<std::vector<CellMeasure>>& cells) {
  litehtml::table_column::vector& columns = grid.*MemberOf(GridColumns());
  const litehtml::table_column::vector before = columns;
  for (auto& column : columns) column.min_width = column.max_width = column.border_left = column.border_right = 0;
  // Each column sees its cells in order, as a layout reads them row by row.
  bool spanning = false;
  for (size_t col = 0; col < columns.size(); ++col) {
    litehtml::table_column& column = columns[col];
    for (const CellMeasure& cell : cells[col]) {
      if (cell.holdsElement) {
        column.border_left = column.border_left ? std::min(column.border_left, cell.borderLeft) : cell.borderLeft;
        column.border_right = column.border_right ? std::min(column.border_right, cell.borderRight) : cell.borderRight;
      }
      if (cell.colspan > 1) {
        spanning = true;
        continue;
      }
      column.max_width = std::max(column.max_width, cell.maxWidth);
      column.min_width = std::max(column.min_width, cell.minWidth);
    }
  }
  // Cells spanning columns widen them column by column, top to bottom, as a layout does.
  const int count = static_cast<int>(columns.size());
  for (int col = 0; spanning && col < count; ++col)
    for (const CellMeasure& cell : cells[static_cast<size_t>(col)]) {
      if (cell.colspan <= 1) continue;
      const int end = std::min(col + cell.colspan, count) - 1;
      int maxTotal = 0, minTotal = 0;
      for (int c = col; c <= end; ++c) {
        maxTotal += columns[static_cast<size_t>(c)].max_width;
        minTotal += columns[static_cast<size_t>(c)].min_width;
      }
      if (minTotal < cell.minWidth) grid.distribute_min_width(cell.minWidth - minTotal, col, end);
      if (maxTotal < cell.maxWidth) grid.distribute_max_width(cell.maxWidth - maxTotal, col, end);
    }
  for (size_t c = 0; c < columns.size(); ++c) {
    const litehtml::table_column& a = columns[c];
    const litehtml::table_column& b = before[c];
    if (a.min_width != b.min_width || a.max_width != b.max_width || a.border_left != b.border_left ||
        a.border_right != b.border_right)
      return false;
  }
  return true;
}

namespace {

void Count(Tally& tally, int value, int by) {
  if ((tally[value] += by) == 0) tally.erase(value);
}
int Largest(const Tally& tally) { return tally.empty() ? 0 : tally.rbegin()->first; }

}  // namespace

void HtmlPage::TableMeasures::Tell(int col, const CellMeasure& cell, int by) {
  ColumnTally& tally = tallies[static_cast<size_t>(col)];
  if (cell.holdsElement) {
    Count(tally.bordersLeft, cell.borderLeft, by);
    Count(tally.bordersRight, cell.borderRight, by);
  }
  if (cell.spansRows) spanningRows += by;
  if (cell.colspan > 1) {
    spanningChanged.emplace_back(col, cell);
    return;
  }
  Count(tally.minWidths, cell.minWidth, by);
  Count(tally.maxWidths, cell.maxWidth, by);
}

void HtmlPage::TableMeasures::Read(litehtml::table_grid& grid, int from, int to) {
  for (int col = 0; col < grid.cols_count(); ++col) {
    std::vector<CellMeasure>& cells = columns[static_cast<size_t>(col)];
    std::vector<CellMeasure> read;
    read.reserve(static_cast<size_t>(to - from));
    for (int row = from; row < to; ++row) {
      read.push_back(MeasureOf(*grid.cell(col, row)));
      Tell(col, read.back(), 1);
    }
    cells.insert(cells.begin() + from, read.begin(), read.end());
  }
  rows += to - from;
}

void HtmlPage::TableMeasures::Forget(int from, int count) {
  for (size_t col = 0; col < columns.size(); ++col) {
    std::vector<CellMeasure>& cells = columns[col];
    for (int row = from; row < from + count; ++row) Tell(static_cast<int>(col), cells[static_cast<size_t>(row)], -1);
    cells.erase(cells.begin() + from, cells.begin() + from + count);
  }
  rows -= count;
}

void HtmlPage::TableMeasures::Remeasure(int col, int row, int minWidth, int maxWidth) {
  CellMeasure& cell = columns[static_cast<size_t>(col)][static_cast<size_t>(row)];
  Tell(col, cell, -1);
  cell.minWidth = minWidth;
  cell.maxWidth = maxWidth;
  Tell(col, cell, 1);
}

HtmlPage::Unspread HtmlPage::TableMeasures::Now() const {
  Unspread now;
  for (const ColumnTally& tally : tallies) {
    now.minWidths.push_back(Largest(tally.minWidths));
    now.maxWidths.push_back(Largest(tally.maxWidths));
    now.bordersLeft.push_back(Largest(tally.bordersLeft));
    now.bordersRight.push_back(Largest(tally.bordersRight));
    now.uniform = now.uniform && tally.bordersLeft.size() <= 1 && tally.bordersRight.size() <= 1;
  }
  return now;
}

bool HtmlPage::TableMeasures::ColumnsStay(litehtml::table_grid& grid) {
  const std::vector<std::pair<int, CellMeasure>> changed = std::exchange(spanningChanged, {});
  if (!followed || spanningRows > 0) return false;
  for (int col = 0; col < grid.cols_count(); ++col) {
    const litehtml::css_length& width = grid.column(col).css_width;
    if (!width.is_predefined() && width.units() != litehtml::css_units_percentage) return false;
  }
  Unspread now = Now();
  bool stay = now.uniform && now == shown;
  for (const auto& [col, cell] : changed) {
    const int end = std::min(col + cell.colspan, grid.cols_count());
    int minTotal = 0, maxTotal = 0;
    for (int c = col; c < end; ++c) {
      minTotal += now.minWidths[static_cast<size_t>(c)];
      maxTotal += now.maxWidths[static_cast<size_t>(c)];
    }
    stay = stay && cell.minWidth <= minTotal && cell.maxWidth <= maxTotal;
  }
  if (stay) return true;
  shown = std::move(now);
  return ColumnsStayWith(grid, columns);
}

HtmlPage::TableMeasures& HtmlPage::MeasuresOf(const litehtml::element::ptr& table, litehtml::table_grid& grid) {
  std::unique_ptr<TableMeasures>& kept = m_tableMeasures[table.get()];
  if (kept && kept->table.lock() == table && kept->rows == grid.rows_count() &&
      kept->columns.size() == static_cast<size_t>(grid.cols_count()))
    return *kept;
  kept = std::make_unique<TableMeasures>();
  kept->table = table;
  kept->columns.resize(static_cast<size_t>(grid.cols_count()));
  kept->tallies.resize(static_cast<size_t>(grid.cols_count()));
  kept->Read(grid, 0, grid.rows_count());
  kept->spanningChanged.clear();
  kept->shown = kept->Now();
  kept->followed = ColumnsStayWith(grid, kept->columns);
  return *kept;
}

}  // namespace platform::htmlview
