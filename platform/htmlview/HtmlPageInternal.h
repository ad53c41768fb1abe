// What the pieces of HtmlPage share and nobody else sees: the litehtml members the page
// reaches past the library's interface (a table's grid, an element's children and document,
// the page's size), and the questions it asks of elements' table roles. Included only by
// the page's own files; each gets its own copy of the member access below, which the
// language lets name private members only through an explicit instantiation.
#pragma once

#include <litehtml/litehtml.h>

#include <memory>
#include <string>
#include <vector>

namespace platform::htmlview {

namespace {

template <typename Tag, typename Tag::Type kMember>
struct ExposeMember {
  friend typename Tag::Type MemberOf(Tag) { return kMember; }
};
struct GridCells {
  using Type = litehtml::table_grid::rows litehtml::table_grid::*;
  friend Type MemberOf(GridCells);
};
struct GridRows {
  using Type = litehtml::table_row::vector litehtml::table_grid::*;
  friend Type MemberOf(GridRows);
};
struct GridRowCount {
  using Type = int litehtml::table_grid::*;
  friend Type MemberOf(GridRowCount);
};
struct GridColumns {
  using Type = litehtml::table_column::vector litehtml::table_grid::*;
  friend Type MemberOf(GridColumns);
};
struct DocumentSize {
  using Type = litehtml::size litehtml::document::*;
  friend Type MemberOf(DocumentSize);
};
template struct ExposeMember<GridCells, &litehtml::table_grid::m_cells>;
template struct ExposeMember<GridRows, &litehtml::table_grid::m_rows>;
template struct ExposeMember<GridRowCount, &litehtml::table_grid::m_rows_count>;
template struct ExposeMember<GridColumns, &litehtml::table_grid::m_columns>;
template struct ExposeMember<DocumentSize, &litehtml::document::m_size>;

struct TagAccess : litehtml::html_tag {
  static constexpr std::unique_ptr<litehtml::table_grid> litehtml::html_tag::*kGrid = &TagAccess::m_grid;
};

inline litehtml::table_grid* GridOf(const litehtml::element::ptr& table) {
  auto* tag = dynamic_cast<litehtml::html_tag*>(table.get());
  return tag ? ((*tag).*TagAccess::kGrid).get() : nullptr;
}

// What an element keeps that the element itself offers no way to change: its children (it
// offers only appending and removing) and the document it belongs to.
struct ElementAccess : litehtml::element {
  static constexpr litehtml::elements_vector litehtml::element::*kChildren = &ElementAccess::m_children;
  static constexpr std::weak_ptr<litehtml::document> litehtml::element::*kDocument = &ElementAccess::m_doc;
};

inline litehtml::elements_vector& ChildrenOf(const litehtml::element::ptr& e) {
  return (*e).*ElementAccess::kChildren;
}

inline bool IsTable(const litehtml::element::ptr& e) {
  return e->get_display() == litehtml::display_table || e->get_display() == litehtml::display_inline_table;
}

inline bool IsRowGroup(const litehtml::element::ptr& e) {
  const litehtml::style_display d = e->get_display();
  return d == litehtml::display_table_row_group || d == litehtml::display_table_header_group ||
         d == litehtml::display_table_footer_group;
}

// Parts of a table below the table itself that hold no content of their own.
inline bool IsTableFrame(const litehtml::element::ptr& e) {
  return IsTable(e) || IsRowGroup(e) || e->get_display() == litehtml::display_table_row;
}

inline bool IsCell(const litehtml::element::ptr& e) { return e->get_display() == litehtml::display_table_cell; }

inline litehtml::element::ptr TableOf(litehtml::element::ptr e) {
  while (e && !IsTable(e)) e = e->parent();
  return e;
}

struct TableAccess : litehtml::html_tag {
  static constexpr litehtml::border_collapse litehtml::html_tag::*kCollapse = &TableAccess::m_border_collapse;
  static constexpr int litehtml::html_tag::*kSpacingX = &TableAccess::m_border_spacing_x;
  static constexpr int litehtml::html_tag::*kSpacingY = &TableAccess::m_border_spacing_y;
  static constexpr litehtml::css_length litehtml::html_tag::*kMinHeight = &TableAccess::m_css_min_height;
};

inline litehtml::html_tag& Tag(const litehtml::element::ptr& e) { return static_cast<litehtml::html_tag&>(*e); }
inline bool Collapsed(const litehtml::element::ptr& table) {
  return Tag(table).*TableAccess::kCollapse == litehtml::border_collapse_collapse;
}

template <typename Visit>
void ForEachElement(const litehtml::element::ptr& top, Visit visit) {
  std::vector<litehtml::element::ptr> stack{top};
  while (!stack.empty()) {
    litehtml::element::ptr el = stack.back();
    stack.pop_back();
    visit(el);
    for (int i = static_cast<int>(el->get_children_count()) - 1; i >= 0; --i) stack.push_back(el->get_child(i));
  }
}

}  // namespace

// The width a layout measures the table's cells against at most.
int CellMeasureWidth(const litehtml::element::ptr& table, litehtml::table_grid& grid);
// The rows of the table parts `parts` in order; false when a part is not made of rows.
bool RowsOf(const std::vector<litehtml::element::ptr>& parts, std::vector<litehtml::element::ptr>& rows);
// The grid row of `row`, -1 when none. Searched from the end, where a document grows and
// is most often edited.
int GridRowOf(litehtml::table_grid& grid, const litehtml::element::ptr& row);
// New rows as a grid of their own; false when a row holds something other than cells.
bool GridOfRows(const std::vector<litehtml::element::ptr>& rows, litehtml::table_grid& made);
// The new rows' cells measured as a layout of `table` measures them (its grid `grid` gives
// the columns' given widths); false when a cell spans rows, the rows have more columns than
// the table, or a column of theirs has a width of its own.
bool MeasureNewCells(const litehtml::element::ptr& table, litehtml::table_grid& grid, litehtml::table_grid& made);
// The cells of `rows`' rows [from, to) laid out at the columns of `columns`, and each row
// given the height its cells and its own height ask; false for a height given in percent.
bool LayOutRows(litehtml::table_grid& columns, litehtml::table_grid& rows, int from, int to);
// The part of `parent` before its child `index` that shows (blanks between a table's parts
// are not laid out); the child itself when none does.
litehtml::element::ptr PartBefore(const litehtml::element::ptr& parent, size_t index);
// Where `part` starts on the page. Rows and row groups have no place of their own (their
// table places their rows): theirs is their first row's.
int PartTop(const litehtml::element::ptr& part);

}  // namespace platform::htmlview
