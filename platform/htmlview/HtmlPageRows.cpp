#include "platform/htmlview/HtmlPage.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/htmlview/HtmlPageInternal.h"
#include "platform/htmlview/HtmlPageMeasures.h"

namespace platform::htmlview {

// ---- Rows put in or taken out of a laid-out table ----------------------------------------------
//
// A table section added or removed among a long table's sections changes the table's rows,
// not its columns: the new rows are laid out alone at the widths the columns have, the rows
// below move, and the table's height change moves what follows it and grows or shrinks what
// holds it, up to the page. The columns are worked out again from every cell's measured
// widths (no cell is laid out for that); when they would change, or the table is laid out
// in ways this does not follow (one column, cells spanning rows, heights given to the
// table or its holders), the page is laid out whole instead.

namespace {

// No height of its own decides the element's: its content does.
bool HeightFollowsContent(const litehtml::element::ptr& e) {
  int height = 0;
  if (e->get_predefined_height(height)) return false;
  if (!dynamic_cast<litehtml::html_tag*>(e.get())) return false;
  const litehtml::css_length& min = Tag(e).*TableAccess::kMinHeight;
  return min.is_predefined() || min.val() == 0;
}

// Where the table's rows end, as its height counts them.
int RowsBottom(const litehtml::element::ptr& table, litehtml::table_grid& grid) {
  if (grid.rows_count() == 0) return 0;
  const litehtml::table_row& last = grid.row(grid.rows_count() - 1);
  if (Collapsed(table)) return last.bottom - std::min(table->border_bottom(), last.border_bottom);
  return last.bottom + Tag(table).*TableAccess::kSpacingY;
}

// Rows from `from` on placed below one another again; the cells of rows [from, newTo) are
// new (laid out, not yet given their heights), the others only move.
void PlaceRows(const litehtml::element::ptr& table, litehtml::table_grid& grid, int from, int newTo) {
  litehtml::margins borders = table->get_borders();
  grid.calc_vertical_positions(borders, Tag(table).*TableAccess::kCollapse, Tag(table).*TableAccess::kSpacingY);
  for (int row = from; row < grid.rows_count(); ++row)
    for (int col = 0; col < grid.cols_count(); ++col) {
      const litehtml::table_cell* cell = grid.cell(col, row);
      if (!cell->el) continue;
      litehtml::position& pos = cell->el->get_position();
      pos.y = grid.row(row).top + cell->el->content_margins_top();
      if (row >= newTo) continue;
      pos.height = grid.row(row).bottom - grid.row(row).top - cell->el->content_margins_top() -
                   cell->el->content_margins_bottom();
      cell->el->apply_vertical_align();
    }
}

// Rows of a grid cannot be assigned, only made anew: the rows from `at` on are taken off the
// end and put back, `count` of them left out and `added` put in their place. An edit near
// the table's end (where a document grows) moves only the rows after it.
void SpliceRows(litehtml::table_row::vector& rows, size_t at, size_t count, litehtml::table_row::vector added) {
  litehtml::table_row::vector after;
  after.reserve(rows.size() - at - count);
  for (size_t i = at + count; i < rows.size(); ++i) after.emplace_back(std::move(rows[i]));
  while (rows.size() > at) rows.pop_back();
  for (auto& row : added) rows.emplace_back(std::move(row));
  for (auto& row : after) rows.emplace_back(std::move(row));
}

}  // namespace

int CellMeasureWidth(const litehtml::element::ptr& table, litehtml::table_grid& grid) {
  const int parentWidth = table->parent()->get_position().width;
  int width = table->get_css_width().is_predefined()
                  ? parentWidth - table->content_margins_left() - table->content_margins_right()
                  : table->calc_width(parentWidth) - table->get_paddings().width() - table->get_borders().width();
  const int cols = grid.cols_count();
  if (!Collapsed(table)) return width - Tag(table).*TableAccess::kSpacingX * (cols + 1);
  width -= std::min(table->border_left(), grid.column(0).border_left);
  width -= std::min(table->border_right(), grid.column(cols - 1).border_right);
  for (int col = 1; col < cols; ++col) width -= std::min(grid.column(col).border_left, grid.column(col - 1).border_right);
  return width;
}

bool RowsOf(const std::vector<litehtml::element::ptr>& parts, std::vector<litehtml::element::ptr>& rows) {
  for (const auto& part : parts) {
    if (part->is_white_space()) continue;
    if (part->get_display() == litehtml::display_table_row) {
      rows.push_back(part);
      continue;
    }
    if (!IsRowGroup(part)) return false;
    for (size_t i = 0; i < part->get_children_count(); ++i) {
      litehtml::element::ptr row = part->get_child(static_cast<int>(i));
      if (row->get_display() == litehtml::display_table_row)
        rows.push_back(row);
      else if (!row->is_white_space())
        return false;
    }
  }
  return true;
}

int GridRowOf(litehtml::table_grid& grid, const litehtml::element::ptr& row) {
  for (int i = grid.rows_count() - 1; i >= 0; --i)
    if (grid.row(i).el_row == row) return i;
  return -1;
}

bool GridOfRows(const std::vector<litehtml::element::ptr>& rows, litehtml::table_grid& made) {
  for (auto row : rows) {
    made.begin_row(row);
    for (size_t i = 0; i < row->get_children_count(); ++i) {
      litehtml::element::ptr cell = row->get_child(static_cast<int>(i));
      if (IsCell(cell))
        made.add_cell(cell);
      else if (!cell->is_white_space())
        return false;
    }
  }
  made.finish();
  return true;
}

bool MeasureNewCells(const litehtml::element::ptr& table, litehtml::table_grid& grid, litehtml::table_grid& made) {
  if (made.cols_count() > grid.cols_count()) return false;
  const int maxWidth = CellMeasureWidth(table, grid);
  litehtml::table_grid::rows& madeCells = made.*MemberOf(GridCells());
  for (int row = 0; row < made.rows_count(); ++row) {
    madeCells[row].resize(grid.cols_count());
    for (int col = 0; col < made.cols_count(); ++col) {
      litehtml::table_cell* cell = made.cell(col, row);
      if (!cell->el) continue;
      if (cell->rowspan > 1 || !made.column(col).css_width.is_predefined()) return false;
      cell->el->set_css_width(grid.column(col).css_width);
      cell->min_width = cell->el->render(0, 0, 1);
      cell->max_width = cell->el->render(0, 0, maxWidth);
    }
  }
  return true;
}

bool LayOutRows(litehtml::table_grid& columns, litehtml::table_grid& rows, int from, int to) {
  for (int row = from; row < to; ++row) {
    litehtml::table_row& r = rows.row(row);
    r.height = 0;
    for (int col = 0; col < columns.cols_count(); ++col) {
      litehtml::table_cell* cell = rows.cell(col, row);
      if (!cell || !cell->el) continue;
      const int end = std::min(col + cell->colspan, columns.cols_count()) - 1;
      const int width = columns.column(end).right - columns.column(col).left;
      cell->el->render(columns.column(col).left, 0, width);
      cell->el->get_position().width = width - cell->el->content_margins_left() - cell->el->content_margins_right();
      r.height = std::max(r.height, cell->el->height());
    }
    if (!r.css_height.is_predefined()) {
      if (r.css_height.units() == litehtml::css_units_percentage) return false;
      r.height = std::max(r.height, static_cast<int>(r.css_height.val()));
    }
    r.min_height = r.height;
  }
  return true;
}

litehtml::element::ptr PartBefore(const litehtml::element::ptr& parent, size_t index) {
  for (size_t i = index; i-- > 0;)
    if (!parent->get_child(static_cast<int>(i))->is_white_space()) return parent->get_child(static_cast<int>(i));
  return parent->get_child(static_cast<int>(index));
}

int PartTop(const litehtml::element::ptr& part) {
  std::vector<litehtml::element::ptr> rows;
  const litehtml::element::ptr table = TableOf(part);
  litehtml::table_grid* grid = table ? GridOf(table) : nullptr;
  if (grid && IsTableFrame(part) && !IsTable(part) && RowsOf({part}, rows) && !rows.empty()) {
    const int row = GridRowOf(*grid, rows.front());
    if (row >= 0) return table->get_placement().y + grid->row(row).top;
  }
  return part->get_placement().y;
}

// Measures `cell` (its content just changed) as a layout measures its table's cells;
// true when its table's columns stay as they are.
bool HtmlPage::CellMeasuresStay(const litehtml::element::ptr& cell) {
  litehtml::element::ptr table = TableOf(cell);
  litehtml::table_grid* grid = table ? GridOf(table) : nullptr;
  const int row = grid && grid->cols_count() > 1 ? GridRowOf(*grid, cell->parent()) : -1;
  if (row < 0) return false;
  int col = 0;
  while (col < grid->cols_count() && grid->cell(col, row)->el != cell) ++col;
  if (col == grid->cols_count()) return false;
  litehtml::table_cell* entry = grid->cell(col, row);
  const litehtml::position box = cell->get_position();
  const int minWidth = cell->render(0, 0, 1);
  const int maxWidth = cell->render(0, 0, CellMeasureWidth(table, *grid));
  cell->get_position() = box;
  if (minWidth == entry->min_width && maxWidth == entry->max_width) return true;
  TableMeasures& measures = MeasuresOf(table, *grid);
  entry->min_width = minWidth;
  entry->max_width = maxWidth;
  measures.Remeasure(col, row, minWidth, maxWidth);
  return measures.ColumnsStay(*grid);
}

// The height of `element` changed by `delta` after its own layout: what follows it moves and
// what holds it grows, up to the page. False when a holder is laid out in a way this does
// not follow.
bool HtmlPage::CarryHeightChange(litehtml::element::ptr element, int delta) {
  while (delta != 0) {
    litehtml::element::ptr parent = element->parent();
    if (!parent) {
      // The page's own box covers at least the window; the page's size is its content's.
      litehtml::size& size = (*m_document).*MemberOf(DocumentSize());
      size.height += delta;
      litehtml::position client;
      get_client_rect(client);
      element->get_position().height =
          std::max(size.height, client.height) - element->content_margins_top() - element->content_margins_bottom();
      return true;
    }
    const litehtml::element_position place = element->get_element_position();
    if (element->get_float() != litehtml::float_none ||
        (place != litehtml::element_position_static && place != litehtml::element_position_relative))
      return false;
    if (parent->get_display() == litehtml::display_table_cell) {
      // A cell alone in its row, its content at the top: the row grows with the content.
      litehtml::element::ptr table = TableOf(parent);
      litehtml::table_grid* grid = table ? GridOf(table) : nullptr;
      const int row = grid ? GridRowOf(*grid, parent->parent()) : -1;
      if (row < 0 || !HeightFollowsContent(parent) || parent->get_vertical_align() != litehtml::va_top) return false;
      for (int col = 0; col < grid->cols_count(); ++col)
        if (grid->cell(col, row)->el && grid->cell(col, row)->el != parent) return false;
      int content = 0;
      for (size_t i = 0; i < parent->get_children_count(); ++i)
        content = std::max(content, parent->get_child(static_cast<int>(i))->bottom());
      litehtml::table_row& r = grid->row(row);
      const int margins = parent->content_margins_top() + parent->content_margins_bottom();
      if (r.height != content - delta + margins || !r.css_height.is_predefined()) return false;
      if (!ShiftFollowing(parent, element, delta)) return false;
      const int before = RowsBottom(table, *grid);
      r.height = r.min_height = r.height + delta;
      PlaceRows(table, *grid, row, row + 1);
      delta = RowsBottom(table, *grid) - before;
      table->get_position().height += delta;
      element = table;
      continue;
    }
    if (parent->get_display() != litehtml::display_block || !HeightFollowsContent(parent)) return false;
    if (!parent->have_parent()) {
      // The page's size is that of its content only while nothing overflows it.
      int content = 0;
      for (size_t i = 0; i < parent->get_children_count(); ++i)
        content = std::max(content, parent->get_child(static_cast<int>(i))->bottom());
      const int bottom = parent->top() + content - delta + parent->content_margins_top() + parent->content_margins_bottom();
      if (((*m_document).*MemberOf(DocumentSize())).height != bottom) return false;
    }
    if (!ShiftFollowing(parent, element, delta)) return false;
    if (parent->have_parent()) parent->get_position().height += delta;
    element = parent;
  }
  return true;
}

// Moves `parent`'s children after `child` down by `delta`; false when one is placed apart
// from the flow.
bool HtmlPage::ShiftFollowing(const litehtml::element::ptr& parent, const litehtml::element::ptr& child, int delta) {
  const litehtml::elements_vector& children = ChildrenOf(parent);
  auto it = std::find(children.begin(), children.end(), child);
  if (it == children.end()) return false;
  for (++it; it != children.end(); ++it) {
    const litehtml::element_position place = (*it)->get_element_position();
    if (place == litehtml::element_position_absolute || place == litehtml::element_position_fixed) return false;
    // Blanks between blocks are not laid out: they stay where they are.
    if (!(*it)->is_white_space()) (*it)->get_position().y += delta;
  }
  return true;
}

bool HtmlPage::InsertRowsInPlace(const litehtml::element::ptr& table, size_t index,
                                 const std::vector<litehtml::element::ptr>& parts) {
  litehtml::table_grid* grid = IsTable(table) ? GridOf(table) : nullptr;
  std::vector<litehtml::element::ptr> rows;
  if (!grid || grid->rows_count() == 0 || grid->cols_count() < 2 || !RowsOf(parts, rows) || rows.empty())
    return false;
  // The new rows go before the first row of what follows them in the table.
  int at = grid->rows_count();
  const litehtml::elements_vector& children = ChildrenOf(table);
  std::vector<litehtml::element::ptr> following;
  for (size_t i = index + parts.size(); i < children.size(); ++i) following.push_back(children[i]);
  std::vector<litehtml::element::ptr> after;
  if (!RowsOf(following, after)) return false;
  if (!after.empty() && (at = GridRowOf(*grid, after.front())) < 0) return false;

  litehtml::table_grid made;
  if (!GridOfRows(rows, made) || !MeasureNewCells(table, *grid, made)) return false;
  litehtml::table_grid::rows& madeCells = made.*MemberOf(GridCells());
  const int before = RowsBottom(table, *grid);
  TableMeasures& measures = MeasuresOf(table, *grid);
  litehtml::table_grid::rows& cells = (*grid).*MemberOf(GridCells());
  litehtml::table_row::vector& gridRows = (*grid).*MemberOf(GridRows());
  cells.insert(cells.begin() + at, std::make_move_iterator(madeCells.begin()), std::make_move_iterator(madeCells.end()));
  SpliceRows(gridRows, static_cast<size_t>(at), 0, std::move(made.*MemberOf(GridRows())));
  (*grid).*MemberOf(GridRowCount()) += made.rows_count();
  const int newTo = at + made.rows_count();
  measures.Read(*grid, at, newTo);
  if (!measures.ColumnsStay(*grid)) return false;
  if (!LayOutRows(*grid, *grid, at, newTo)) return false;
  PlaceRows(table, *grid, at, newTo);
  const int delta = RowsBottom(table, *grid) - before;
  table->get_position().height += delta;
  return CarryHeightChange(table, delta);
}

bool HtmlPage::RemoveRowsInPlace(const litehtml::element::ptr& table, const litehtml::element::ptr& part) {
  litehtml::table_grid* grid = IsTable(table) ? GridOf(table) : nullptr;
  std::vector<litehtml::element::ptr> rows;
  if (!grid || !RowsOf({part}, rows)) return false;
  if (rows.empty()) return true;
  const int at = GridRowOf(*grid, rows.front());
  const int count = static_cast<int>(rows.size());
  if (at < 0 || count >= grid->rows_count() || grid->cols_count() < 2) return false;
  for (int i = 0; i < count; ++i)
    if (grid->row(at + i).el_row != rows[i]) return false;
  const int before = RowsBottom(table, *grid);
  TableMeasures& measures = MeasuresOf(table, *grid);
  litehtml::table_grid::rows& cells = (*grid).*MemberOf(GridCells());
  litehtml::table_row::vector& gridRows = (*grid).*MemberOf(GridRows());
  cells.erase(cells.begin() + at, cells.begin() + at + count);
  SpliceRows(gridRows, static_cast<size_t>(at), static_cast<size_t>(count), {});
  (*grid).*MemberOf(GridRowCount()) -= count;
  measures.Forget(at, count);
  if (!measures.ColumnsStay(*grid)) return false;
  PlaceRows(table, *grid, at, at);
  const int delta = RowsBottom(table, *grid) - before;
  table->get_position().height += delta;
  return CarryHeightChange(table, delta);
}

// Tables of more rows than a screen shows, and no cell spanning rows (a row drawn would
// then depend on rows above it).
void HtmlPage::CollectLongTables() {
  constexpr int kLongTable = 32;
  m_longTables.clear();
  ForEachElement(m_document->root(), [&](const litehtml::element::ptr& el) {
    litehtml::table_grid* grid = IsTable(el) ? GridOf(el) : nullptr;
    if (!grid || grid->rows_count() < kLongTable) return;
    for (int row = 0; row < grid->rows_count(); ++row)
      for (int col = 0; col < grid->cols_count(); ++col)
        if (grid->cell(col, row)->rowspan > 1) return;
    m_longTables.push_back(el);
  });
}
}  // namespace platform::htmlview
