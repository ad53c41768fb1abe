#include "platform/htmlview/HtmlPage.h"

#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include <litehtml/el_text.h>

#include "platform/htmlview/MasterCss.h"

namespace platform::htmlview {

namespace {

constexpr int kDefaultFontSize = 12;
// The widest one word may take on the page. A page is shrunk to fit its widest line, so a
// word of thousands of letters without a space would shrink it to nothing; such a word is
// shortened on the page, with an ellipsis, to a handheld screen's width instead.
constexpr int kWidestWord = 240;

void SetColor(cairo_t* cr, const litehtml::web_color& c) {
  cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void Rect(cairo_t* cr, const litehtml::position& p) { cairo_rectangle(cr, p.x, p.y, p.width, p.height); }

bool Contains(const litehtml::position& p, int x, int y) {
  return x >= p.x && x < p.x + p.width && y >= p.y && y < p.y + p.height;
}

// The element's position on the page (its placement is relative to its parent's content).
litehtml::position PagePosition(const litehtml::element::ptr& element) { return element->get_placement(); }

// Inline boxes are measured from the content of the block whose lines hold them.
litehtml::position LineOrigin(const litehtml::element::ptr& element) {
  litehtml::element::ptr block = element->parent();
  while (block && (block->get_display() == litehtml::display_inline ||
                   block->get_display() == litehtml::display_inline_text))
    block = block->parent();
  return block ? block->get_placement() : litehtml::position();
}

// A long table draws every row it holds, whatever the clip. Its grid is what litehtml
// walks, so while the page is drawn a long table holds only the rows that meet the clip
// (one more on each side, for borders and content that overflows its row by a little).
// Grid members litehtml keeps private are named through an explicit instantiation, which
// the language lets name them.
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
template struct ExposeMember<GridCells, &litehtml::table_grid::m_cells>;
template struct ExposeMember<GridRows, &litehtml::table_grid::m_rows>;
template struct ExposeMember<GridRowCount, &litehtml::table_grid::m_rows_count>;

struct TagAccess : litehtml::html_tag {
  static constexpr std::unique_ptr<litehtml::table_grid> litehtml::html_tag::*kGrid = &TagAccess::m_grid;
};

litehtml::table_grid* GridOf(const litehtml::element::ptr& table) {
  auto* tag = dynamic_cast<litehtml::html_tag*>(table.get());
  return tag ? ((*tag).*TagAccess::kGrid).get() : nullptr;
}

// While it lives, `table` holds only the rows of its grid that meet page rows
// [clipTop, clipBottom); the grid is whole again when it ends.
class VisibleRows {
 public:
  VisibleRows(const litehtml::element::ptr& table, int clipTop, int clipBottom) : m_grid(GridOf(table)) {
    if (!m_grid) return;
    litehtml::table_row::vector& rows = (*m_grid).*MemberOf(GridRows());
    const int top = table->get_placement().y;
    auto first = std::partition_point(rows.begin(), rows.end(),
                                      [&](const litehtml::table_row& r) { return top + r.bottom < clipTop; });
    auto last = std::partition_point(first, rows.end(),
                                     [&](const litehtml::table_row& r) { return top + r.top < clipBottom; });
    const auto from = std::max<std::ptrdiff_t>(first - rows.begin() - 1, 0);
    const auto to = std::min<std::ptrdiff_t>(last - rows.begin() + 1, static_cast<std::ptrdiff_t>(rows.size()));
    if (from == 0 && to == static_cast<std::ptrdiff_t>(rows.size())) {
      m_grid = nullptr;
      return;
    }
    litehtml::table_grid::rows& cells = (*m_grid).*MemberOf(GridCells());
    m_rows = litehtml::table_row::vector(rows.begin() + from, rows.begin() + to);
    m_cells = litehtml::table_grid::rows(cells.begin() + from, cells.begin() + to);
    std::swap(rows, m_rows);
    std::swap(cells, m_cells);
    m_count = std::exchange((*m_grid).*MemberOf(GridRowCount()), static_cast<int>(to - from));
  }
  ~VisibleRows() {
    if (!m_grid) return;
    std::swap((*m_grid).*MemberOf(GridRows()), m_rows);
    std::swap((*m_grid).*MemberOf(GridCells()), m_cells);
    (*m_grid).*MemberOf(GridRowCount()) = m_count;
  }
  VisibleRows(const VisibleRows&) = delete;
  VisibleRows& operator=(const VisibleRows&) = delete;

 private:
  litehtml::table_grid* m_grid;
  litehtml::table_row::vector m_rows;
  litehtml::table_grid::rows m_cells;
  int m_count = 0;
};

}  // namespace

// A font: pango's description, the decoration litehtml asks for, its metrics, and the
// widths of the words measured so far (pages repeat the same words many times), and the
// layouts of the words drawn so far: a page is painted again after every change, and
// shaping a word costs far more than drawing it.
struct HtmlPage::Font {
  // A layout is shaped for the context it was made on: it is kept for contexts that draw
  // the same way (the same kind of surface, scale and smoothing).
  struct Drawn {
    PangoLayout* layout = nullptr;
    bool smooth = true;
    cairo_surface_type_t surface = CAIRO_SURFACE_TYPE_IMAGE;
    double xx = 1, yx = 0, xy = 0, yy = 1;
    static Drawn On(cairo_t* cr, bool smooth) {
      cairo_matrix_t m;
      cairo_get_matrix(cr, &m);
      return {nullptr, smooth, cairo_surface_get_type(cairo_get_target(cr)), m.xx, m.yx, m.xy, m.yy};
    }
    bool DrawsLike(const Drawn& other) const {
      return smooth == other.smooth && surface == other.surface && xx == other.xx && yx == other.yx &&
             xy == other.xy && yy == other.yy;
    }
  };
  // Enough for the words of a few screens; past it the layouts are made anew.
  static constexpr size_t kMostDrawn = 4096;

  PangoFontDescription* description = nullptr;
  unsigned decoration = 0;
  int ascent = 0;
  int descent = 0;
  int underlinePosition = 0;
  std::unordered_map<std::string, int> widths;
  std::unordered_map<std::string, Drawn> drawn;
  void ForgetDrawn() {
    for (auto& [text, entry] : drawn) g_object_unref(entry.layout);
    drawn.clear();
  }
  ~Font() {
    ForgetDrawn();
    pango_font_description_free(description);
  }
};

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

HtmlPage::HtmlPage() {
  m_context.load_master_stylesheet(MasterStyleSheet());
  m_measureSurface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
  m_measure = cairo_create(m_measureSurface);
}

HtmlPage::~HtmlPage() {
  Clear();
  cairo_destroy(m_measure);
  cairo_surface_destroy(m_measureSurface);
}

void HtmlPage::Clear() {
  m_document.reset();  // deletes its fonts through delete_font
  for (auto& [source, picture] : m_pictures)
    if (picture.surface) cairo_surface_destroy(picture.surface);
  m_pictures.clear();
  m_pictureOrder.clear();
  m_links.clear();
  m_linksValid = false;
  m_layoutDirty = false;
  m_heightMoved = false;
  m_changedTop = kAllChanged;
  m_changedBands.clear();
  m_ids.clear();
  m_idsValid = false;
  m_head.clear();
  m_scratch.reset();
  m_longTables.clear();
  m_tableMeasures.clear();
  m_tablesToTakeApart.clear();
  m_layoutWidth = 0;
  m_layoutCount = 0;
  ++m_generation;
}

void HtmlPage::Load(const std::string& html) {
  Clear();
  m_document = litehtml::document::createFromUTF8(html.c_str(), this, &m_context);
  // The head (the page's style sheets) is kept to read fragments against later.
  std::string lower(html.size(), ' ');
  std::transform(html.begin(), html.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  const size_t start = lower.find("<head");
  const size_t end = start == std::string::npos ? start : lower.find("</head>", start);
  if (end != std::string::npos) m_head = html.substr(start, end + 7 - start);
}

int HtmlPage::Layout(int width) {
  if (!m_document) return 0;
  m_layoutWidth = std::max(1, width);
  for (const auto& weak : m_tablesToTakeApart)
    if (litehtml::element::ptr table = weak.lock()) table->init();
  m_tablesToTakeApart.clear();
  m_document->render(m_layoutWidth);
  ++m_layoutCount;
  m_tableMeasures.clear();
  m_changedTop = kAllChanged;
  m_changedBands.clear();
  CollectLongTables();
  m_linksValid = false;
  m_layoutDirty = false;
  return m_document->width();
}

int HtmlPage::TakeChangedTop() {
  if (m_layoutDirty) return kAllChanged;
  return std::exchange(m_changedTop, kNothingChanged);
}

std::vector<std::pair<int, int>> HtmlPage::TakeChangedBands() {
  if (m_layoutDirty) m_changedBands.clear();
  return std::exchange(m_changedBands, {});
}

void HtmlPage::EnsureLayout() {
  if (m_layoutDirty && m_layoutWidth > 0) Layout(m_layoutWidth);
}

int HtmlPage::Width() {
  EnsureLayout();
  return m_document ? m_document->width() : 0;
}

int HtmlPage::Height() {
  EnsureLayout();
  return m_document ? m_document->height() : 0;
}

void HtmlPage::Draw(cairo_t* cr, const litehtml::position& clip) {
  if (!m_document) return;
  EnsureLayout();
  m_drawing = cr;
  m_clipDepth = 0;
  std::vector<std::unique_ptr<VisibleRows>> trimmed;
  for (const auto& weak : m_longTables)
    if (litehtml::element::ptr table = weak.lock())
      trimmed.push_back(std::make_unique<VisibleRows>(table, clip.top(), clip.bottom()));
  m_document->draw(reinterpret_cast<litehtml::uint_ptr>(cr), 0, 0, &clip);
  trimmed.clear();
  while (m_clipDepth > 0) del_clip();
  m_drawing = nullptr;
}

void HtmlPage::SetPicture(const std::string& source, cairo_surface_t* surface) {
  auto it = m_pictures.find(source);
  if (it == m_pictures.end()) {
    if (surface) cairo_surface_destroy(surface);
    return;
  }
  if (it->second.surface) cairo_surface_destroy(it->second.surface);
  it->second.surface = surface;
}

// ---- Links ---------------------------------------------------------------------------------

void HtmlPage::CollectLinks() {
  m_links.clear();
  m_linksValid = true;
  if (!m_document) return;
  std::vector<litehtml::element::ptr> stack{m_document->root()};
  while (!stack.empty()) {
    litehtml::element::ptr el = stack.back();
    stack.pop_back();
    const char* tag = el->get_tagName();
    const char* href = tag && g_ascii_strcasecmp(tag, "a") == 0 ? el->get_attr("href") : nullptr;
    if (href) {
      PageLink link;
      link.target = href;
      el->get_text(link.text);
      el->get_inline_boxes(link.boxes);
      litehtml::position origin = LineOrigin(el);
      for (litehtml::position& box : link.boxes) {
        box.x += origin.x;
        box.y += origin.y;
      }
      litehtml::position own = PagePosition(el);
      if (link.boxes.empty() && own.width > 0 && own.height > 0) link.boxes.push_back(own);
      m_links.push_back(std::move(link));
    }
    for (int i = static_cast<int>(el->get_children_count()) - 1; i >= 0; --i) stack.push_back(el->get_child(i));
  }
}

const std::vector<PageLink>& HtmlPage::Links() {
  EnsureLayout();
  if (!m_linksValid) CollectLinks();
  return m_links;
}

const PageLink* HtmlPage::LinkAt(int x, int y) {
  for (const PageLink& link : Links())
    for (const litehtml::position& box : link.boxes)
      if (Contains(box, x, y)) return &link;
  return nullptr;
}

// ---- Elements by id ----------------------------------------------------------------------------

// Ids are indexed once per page (a document page has thousands of elements and its
// updates ask for many ids at a time); content replaced since may hold ids of its own, so
// the index is made again when it is stale.
litehtml::element::ptr HtmlPage::ElementById(const std::string& id) {
  if (!m_document || id.empty()) return nullptr;
  if (!m_idsValid) {
    m_ids.clear();
    std::vector<litehtml::element::ptr> stack{m_document->root()};
    while (!stack.empty()) {
      litehtml::element::ptr el = stack.back();
      stack.pop_back();
      if (const char* own = el->get_attr("id")) m_ids.try_emplace(own, el);
      for (int i = static_cast<int>(el->get_children_count()) - 1; i >= 0; --i) stack.push_back(el->get_child(i));
    }
    m_idsValid = true;
  }
  auto it = m_ids.find(id);
  return it == m_ids.end() ? nullptr : it->second.lock();
}

// The table cell whose lines hold `element` (itself when it is one); null when none.
static litehtml::element::ptr HoldingCell(litehtml::element::ptr element) {
  while (element && (element->get_display() == litehtml::display_inline ||
                     element->get_display() == litehtml::display_inline_text))
    element = element->parent();
  return element && element->get_display() == litehtml::display_table_cell ? element : nullptr;
}

// Lays out `cell`'s content again in the box the table gave it and puts the box back as
// it was; returns the height the content asked for.
static int RelayoutInPlace(const litehtml::element::ptr& cell) {
  const litehtml::position box = cell->get_position();
  cell->render(cell->left(), cell->top(), cell->width());
  litehtml::position& after = cell->get_position();
  const int height = after.height;
  after = box;  // the row keeps its height, the cell its place
  cell->apply_vertical_align();
  return height;
}

namespace {

bool IsTable(const litehtml::element::ptr& e) {
  return e->get_display() == litehtml::display_table || e->get_display() == litehtml::display_inline_table;
}

bool IsRowGroup(const litehtml::element::ptr& e) {
  const litehtml::style_display d = e->get_display();
  return d == litehtml::display_table_row_group || d == litehtml::display_table_header_group ||
         d == litehtml::display_table_footer_group;
}

// Parts of a table below the table itself that hold no content of their own.
bool IsTableFrame(const litehtml::element::ptr& e) {
  return IsTable(e) || IsRowGroup(e) || e->get_display() == litehtml::display_table_row;
}

litehtml::element::ptr TableOf(litehtml::element::ptr e) {
  while (e && !IsTable(e)) e = e->parent();
  return e;
}

// What an element keeps that the element itself offers no way to change: its children (it
// offers only appending and removing) and the document it belongs to.
struct ElementAccess : litehtml::element {
  static constexpr litehtml::elements_vector litehtml::element::*kChildren = &ElementAccess::m_children;
  static constexpr std::weak_ptr<litehtml::document> litehtml::element::*kDocument = &ElementAccess::m_doc;
};

litehtml::elements_vector& ChildrenOf(const litehtml::element::ptr& e) { return (*e).*ElementAccess::kChildren; }

// The start tag of an element, with what the page's rules may read of it.
std::string StartTagOf(const litehtml::element::ptr& e) {
  std::string tag = std::string("<") + e->get_tagName();
  for (const char* name : {"class", "style", "colspan"})
    if (const char* value = e->get_attr(name)) tag += std::string(" ") + name + "=\"" + EscapeHtml(value) + "\"";
  return tag + ">";
}

size_t IndexIn(const litehtml::element::ptr& parent, const litehtml::element::ptr& child) {
  const litehtml::elements_vector& children = ChildrenOf(parent);
  return static_cast<size_t>(std::find(children.begin(), children.end(), child) - children.begin());
}

bool SameAttribute(const litehtml::element::ptr& a, const litehtml::element::ptr& b, const char* name) {
  const char* x = a->get_attr(name);
  const char* y = b->get_attr(name);
  return (!x && !y) || (x && y && std::string_view(x) == y);
}

bool IsCell(const litehtml::element::ptr& e) { return e->get_display() == litehtml::display_table_cell; }

// Two table parts of the same shape: the same tags, spans and classes down to the cells
// (the blanks between a table's parts aside).
bool SameShape(const litehtml::element::ptr& a, const litehtml::element::ptr& b) {
  if (a->is_white_space() && b->is_white_space()) return true;
  if (std::string_view(a->get_tagName()) != b->get_tagName() || a->get_display() != b->get_display()) return false;
  for (const char* name : {"class", "colspan", "rowspan"})
    if (!SameAttribute(a, b, name)) return false;
  if (!IsTableFrame(a)) return IsCell(a);
  if (IsTable(a) || a->get_children_count() != b->get_children_count()) return false;
  for (size_t i = 0; i < a->get_children_count(); ++i)
    if (!SameShape(a->get_child(static_cast<int>(i)), b->get_child(static_cast<int>(i)))) return false;
  return true;
}

// The cells of a row group or row, in order.
void CollectCells(const litehtml::element::ptr& e, std::vector<litehtml::element::ptr>& cells) {
  if (IsCell(e)) cells.push_back(e);
  if (!IsTableFrame(e)) return;
  for (size_t i = 0; i < e->get_children_count(); ++i) CollectCells(e->get_child(static_cast<int>(i)), cells);
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

// The top of the anchor named `name`: the element with that id, else the first named so.
int HtmlPage::AnchorTop(const std::string& name) {
  EnsureLayout();
  if (!m_document || name.empty()) return -1;
  if (litehtml::element::ptr own = ElementById(name)) return own->get_placement().y;
  int top = -1;
  ForEachElement(m_document->root(), [&](const litehtml::element::ptr& el) {
    const char* own = el->get_attr("name");
    if (top < 0 && own && name == own) top = el->get_placement().y;
  });
  return top;
}

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

struct GridColumns {
  using Type = litehtml::table_column::vector litehtml::table_grid::*;
  friend Type MemberOf(GridColumns);
};
template struct ExposeMember<GridColumns, &litehtml::table_grid::m_columns>;
struct DocumentSize {
  using Type = litehtml::size litehtml::document::*;
  friend Type MemberOf(DocumentSize);
};
template struct ExposeMember<DocumentSize, &litehtml::document::m_size>;

struct TableAccess : litehtml::html_tag {
  static constexpr litehtml::border_collapse litehtml::html_tag::*kCollapse = &TableAccess::m_border_collapse;
  static constexpr int litehtml::html_tag::*kSpacingX = &TableAccess::m_border_spacing_x;
  static constexpr int litehtml::html_tag::*kSpacingY = &TableAccess::m_border_spacing_y;
  static constexpr litehtml::css_length litehtml::html_tag::*kMinHeight = &TableAccess::m_css_min_height;
};

litehtml::html_tag& Tag(const litehtml::element::ptr& e) { return static_cast<litehtml::html_tag&>(*e); }
bool Collapsed(const litehtml::element::ptr& table) {
  return Tag(table).*TableAccess::kCollapse == litehtml::border_collapse_collapse;
}

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

CellMeasure MeasureOf(const litehtml::table_cell& cell) {
  return {cell.min_width, cell.max_width, cell.borders.left, cell.borders.right,
          cell.colspan,   cell.rowspan > 1, cell.el != nullptr};
}

// The columns' measures and borders worked out again from the cells' as a layout does;
// true when they are what they were.
bool ColumnsStay(litehtml::table_grid& grid, const std::vector<std::vector<CellMeasure>>& cells) {
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

// How many of a column's cells measure so.
using Tally = std::map<int, int>;
void Count(Tally& tally, int value, int by) {
  if ((tally[value] += by) == 0) tally.erase(value);
}
int Largest(const Tally& tally) { return tally.empty() ? 0 : tally.rbegin()->first; }

}  // namespace

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

  void Tell(int col, const CellMeasure& cell, int by) {
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
  void Read(litehtml::table_grid& grid, int from, int to) {
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
  void Forget(int from, int count) {
    for (size_t col = 0; col < columns.size(); ++col) {
      std::vector<CellMeasure>& cells = columns[col];
      for (int row = from; row < from + count; ++row) Tell(static_cast<int>(col), cells[static_cast<size_t>(row)], -1);
      cells.erase(cells.begin() + from, cells.begin() + from + count);
    }
    rows -= count;
  }
  void Remeasure(int col, int row, int minWidth, int maxWidth) {
    CellMeasure& cell = columns[static_cast<size_t>(col)][static_cast<size_t>(row)];
    Tell(col, cell, -1);
    cell.minWidth = minWidth;
    cell.maxWidth = maxWidth;
    Tell(col, cell, 1);
  }
  Unspread Now() const {
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
  // True when the columns stay as they are with the cells measured now. Cells that span no
  // column and leave every column's widest and borders as they were change nothing; nor
  // does a cell spanning columns that come or go when they are wide enough for it before
  // any is widened (widening only adds, so it never widened them). Anything else works the
  // columns out again from every cell's measures.
  bool ColumnsStay(litehtml::table_grid& grid) {
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
    return platform::htmlview::ColumnsStay(grid, columns);
  }
};

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
  kept->followed = ColumnsStay(grid, kept->columns);
  return *kept;
}

namespace {

// The width a layout measures the table's cells against at most.
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

// The rows of the table parts `parts` in order; false when a part is not made of rows.
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

// The grid row of `row`, -1 when none. Searched from the end, where a document grows and
// is most often edited.
int GridRowOf(litehtml::table_grid& grid, const litehtml::element::ptr& row) {
  for (int i = grid.rows_count() - 1; i >= 0; --i)
    if (grid.row(i).el_row == row) return i;
  return -1;
}

// The part of `parent` before its child `index` that shows (blanks between a table's parts
// are not laid out); the child itself when none does.
litehtml::element::ptr PartBefore(const litehtml::element::ptr& parent, size_t index) {
  for (size_t i = index; i-- > 0;)
    if (!parent->get_child(static_cast<int>(i))->is_white_space()) return parent->get_child(static_cast<int>(i));
  return parent->get_child(static_cast<int>(index));
}

// Where `part` starts on the page. Rows and row groups have no place of their own (their
// table places their rows): theirs is their first row's.
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

}  // namespace

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
  if (made.cols_count() > grid->cols_count()) return false;
  const int maxWidth = CellMeasureWidth(table, *grid);
  litehtml::table_grid::rows& madeCells = made.*MemberOf(GridCells());
  for (int row = 0; row < made.rows_count(); ++row) {
    madeCells[row].resize(grid->cols_count());
    for (int col = 0; col < made.cols_count(); ++col) {
      litehtml::table_cell* cell = made.cell(col, row);
      if (!cell->el) continue;
      if (cell->rowspan > 1 || !made.column(col).css_width.is_predefined()) return false;
      cell->el->set_css_width(grid->column(col).css_width);
      cell->min_width = cell->el->render(0, 0, 1);
      cell->max_width = cell->el->render(0, 0, maxWidth);
    }
  }
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
  for (int row = at; row < newTo; ++row) {
    litehtml::table_row& r = grid->row(row);
    r.height = 0;
    for (int col = 0; col < grid->cols_count(); ++col) {
      litehtml::table_cell* cell = grid->cell(col, row);
      if (!cell->el) continue;
      const int end = std::min(col + cell->colspan, grid->cols_count()) - 1;
      const int width = grid->column(end).right - grid->column(col).left;
      cell->el->render(grid->column(col).left, 0, width);
      cell->el->get_position().width = width - cell->el->content_margins_left() - cell->el->content_margins_right();
      r.height = std::max(r.height, cell->el->height());
    }
    if (!r.css_height.is_predefined()) {
      if (r.css_height.units() == litehtml::css_units_percentage) return false;
      r.height = std::max(r.height, static_cast<int>(r.css_height.val()));
    }
    r.min_height = r.height;
  }
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

// Elements read in a small page of their own take their fonts from the page.
void HtmlPage::TakeFonts(const litehtml::element::ptr& subtree) {
  ForEachElement(subtree, [](const litehtml::element::ptr& el) { el->init_font(); });
}

void HtmlPage::IndexIds(const litehtml::element::ptr& subtree) {
  if (!m_idsValid) return;
  ForEachElement(subtree, [&](const litehtml::element::ptr& el) {
    if (const char* own = el->get_attr("id")) m_ids.insert_or_assign(own, el);
  });
}

void HtmlPage::ForgetIds(const litehtml::element::ptr& subtree) {
  if (!m_idsValid) return;
  ForEachElement(subtree, [&](const litehtml::element::ptr& el) {
    const char* own = el->get_attr("id");
    if (!own) return;
    auto it = m_ids.find(own);
    if (it != m_ids.end() && it->second.lock() == el) m_ids.erase(it);
  });
}

// The fragment is read in a small page of its own that holds the page's head (its style
// sheets): below the elements from the body down to `parent`, with their tags and classes,
// so that the page's rules apply to it as they will where it goes. The page itself is not
// touched: the parser keeps every table part it ever styled to check its table later, and
// walks them all again for each fragment; the small page is made anew now and then, so
// that what it keeps stays small.
std::vector<litehtml::element::ptr> HtmlPage::ParseAsContentOf(const litehtml::element::ptr& parent,
                                                               const std::string& html) {
  std::vector<litehtml::element::ptr> made;
  if (!m_document || !parent || html.empty()) return made;
  constexpr int kFragmentsPerScratchPage = 32;
  if (!m_scratch || ++m_scratchUses > kFragmentsPerScratchPage) {
    const std::string empty = "<html>" + m_head + "<body></body></html>";
    m_scratch = litehtml::document::createFromUTF8(empty.c_str(), this, &m_context);
    m_scratchUses = 0;
  }
  litehtml::element::ptr body = m_scratch ? m_scratch->root()->select_one("body") : nullptr;
  if (!body) return made;
  std::vector<litehtml::element::ptr> chain;
  for (litehtml::element::ptr e = parent; e && !e->is_body() && e->have_parent(); e = e->parent()) chain.push_back(e);
  std::string text;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) text += StartTagOf(*it);
  text += html;
  for (const auto& e : chain) text += std::string("</") + e->get_tagName() + ">";
  const size_t first = body->get_children_count();
  m_scratch->append_children_from_utf8(*body, text.c_str());
  std::vector<litehtml::element::ptr> wrappers;
  for (size_t i = first; i < body->get_children_count(); ++i) wrappers.push_back(body->get_child(static_cast<int>(i)));
  for (const auto& wrapper : wrappers) body->removeChild(wrapper);
  // Down the same chain in what was read to the element that stands for `parent`.
  litehtml::element::ptr holder = wrappers.empty() ? nullptr : wrappers.front()->select_one("body");
  for (auto it = chain.rbegin(); holder && it != chain.rend(); ++it) {
    litehtml::element::ptr next;
    for (size_t i = 0; !next && i < holder->get_children_count(); ++i)
      if (std::string_view(holder->get_child(static_cast<int>(i))->get_tagName()) == (*it)->get_tagName())
        next = holder->get_child(static_cast<int>(i));
    holder = next;
  }
  if (!holder) return made;
  for (size_t i = 0; i < holder->get_children_count(); ++i) made.push_back(holder->get_child(static_cast<int>(i)));
  for (const auto& child : made) {
    holder->removeChild(child);
    // The elements belong to the page from now on (their fonts are taken from it once
    // they stand there).
    ForEachElement(child, [&](const litehtml::element::ptr& el) {
      (*el).*ElementAccess::kDocument = m_document;
    });
  }
  return made;
}

namespace {

// Whether the fragment is a single word of plain text (an amount, a count): the parser
// would make it one text element, styled only by the element it stands in.
bool IsOneWord(const std::string& html) {
  if (html.empty() || !g_utf8_validate(html.data(), static_cast<gssize>(html.size()), nullptr)) return false;
  for (const char* p = html.c_str(); *p; p = g_utf8_next_char(p)) {
    const gunichar c = g_utf8_get_char(p);
    // Spaces and controls split or drop text, markup and entities are read, and from the
    // ideographs on the parser cuts text into single characters.
    if (c <= 0x20 || (c >= 0x7F && c < 0xA0) || c == '<' || c == '>' || c == '&' || c >= 0x3000) return false;
  }
  return true;
}

}  // namespace

void HtmlPage::SetElementContent(const litehtml::element::ptr& element, const std::string& html) {
  if (!m_document || !element) return;
  // A word needs no parse: it is made where it goes and styled there, as the parser would.
  if (IsOneWord(html)) {
    PutContent(element, {std::make_shared<litehtml::el_text>(html.c_str(), m_document)}, true);
    return;
  }
  PutContent(element, ParseAsContentOf(element, html));
}

void HtmlPage::PutContent(const litehtml::element::ptr& element, const std::vector<litehtml::element::ptr>& content,
                          bool styleInPlace) {
  // A table cell whose new content leaves its table's columns as they were and needs no
  // more height than its row has is laid out alone. Anything else lays the page out again.
  litehtml::element::ptr cell = m_layoutDirty || m_layoutWidth <= 0 ? nullptr : HoldingCell(element);
  const int oldHeight = cell ? cell->get_position().height : 0;
  while (element->get_children_count() > 0) {
    litehtml::element::ptr child = element->get_child(0);
    ForgetIds(child);
    element->removeChild(child);
  }
  for (const auto& child : content) {
    element->appendChild(child);
    if (styleInPlace) {
      child->parse_styles(false);
      child->init();
    }
    TakeFonts(child);
    IndexIds(child);
  }
  if (!cell || !CellMeasuresStay(cell) || RelayoutInPlace(cell) > oldHeight) m_layoutDirty = true;
  if (cell && !m_layoutDirty) {
    // Nothing moved: only the band of the cell's row is drawn again.
    const litehtml::position box = cell->get_placement();
    m_changedBands.emplace_back(box.y - cell->content_margins_top(),
                                box.y + box.height + cell->content_margins_bottom());
  }
  m_linksValid = false;
}

void HtmlPage::PutChildren(const litehtml::element::ptr& parent, size_t index,
                           const std::vector<litehtml::element::ptr>& children) {
  litehtml::elements_vector& list = ChildrenOf(parent);
  index = std::min(index, list.size());
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), children.begin(), children.end());
  for (const auto& child : children) {
    child->parent(parent);
    TakeFonts(child);
    IndexIds(child);
  }
  if (!m_layoutDirty && m_layoutWidth > 0 && InsertRowsInPlace(parent, index, children)) {
    // What stands before the new rows stays; the one just before is drawn again all the
    // same, for the borders it may share with them.
    m_changedTop = std::min(m_changedTop, PartTop(index > 0 ? PartBefore(parent, index) : children.front()));
    m_heightMoved = true;
    m_linksValid = false;
    return;
  }
  ChildrenChanged(parent);
}

// `element`, just taken out of `parent`, taken out of the laid-out page too; false when the
// page must be laid out whole.
bool HtmlPage::TakeOutInPlace(const litehtml::element::ptr& parent, const litehtml::element::ptr& element) {
  if (m_layoutDirty || m_layoutWidth <= 0 || !RemoveRowsInPlace(parent, element)) return false;
  m_heightMoved = true;
  m_linksValid = false;
  return true;
}

void HtmlPage::ChildrenChanged(const litehtml::element::ptr& parent) {
  // A table knows its rows and cells from when it was made: it is taken apart again before
  // the next layout (once, however many of its parts changed meanwhile).
  if (litehtml::element::ptr table = TableOf(parent)) {
    const bool listed = std::any_of(m_tablesToTakeApart.begin(), m_tablesToTakeApart.end(),
                                    [&](const std::weak_ptr<litehtml::element>& kept) { return kept.lock() == table; });
    if (!listed) m_tablesToTakeApart.push_back(table);
  }
  m_layoutDirty = true;
  m_linksValid = false;
}

bool HtmlPage::ReplaceElement(const litehtml::element::ptr& element, const std::string& html) {
  litehtml::element::ptr parent = element ? element->parent() : nullptr;
  if (!m_document || !parent) return false;
  std::vector<litehtml::element::ptr> made = ParseAsContentOf(parent, html);
  if (made.empty()) return false;
  if (made.size() == 1 && IsRowGroup(element) && SameShape(element, made[0])) {
    std::vector<litehtml::element::ptr> oldCells, newCells;
    CollectCells(element, oldCells);
    CollectCells(made[0], newCells);
    for (size_t i = 0; i < oldCells.size(); ++i) {
      std::vector<litehtml::element::ptr> content;
      for (size_t c = 0; c < newCells[i]->get_children_count(); ++c)
        content.push_back(newCells[i]->get_child(static_cast<int>(c)));
      for (const auto& child : content) newCells[i]->removeChild(child);
      PutContent(oldCells[i], content);
    }
    return true;
  }
  const size_t index = IndexIn(parent, element);
  TakeOut(parent, element);
  PutChildren(parent, index, made);
  return true;
}

bool HtmlPage::InsertBeside(const litehtml::element::ptr& element, const std::string& html, bool after) {
  litehtml::element::ptr parent = element ? element->parent() : nullptr;
  if (!m_document || !parent) return false;
  std::vector<litehtml::element::ptr> made = ParseAsContentOf(parent, html);
  if (made.empty()) return false;
  PutChildren(parent, IndexIn(parent, element) + (after ? 1 : 0), made);
  return true;
}

bool HtmlPage::RemoveElement(const litehtml::element::ptr& element) {
  litehtml::element::ptr parent = element ? element->parent() : nullptr;
  if (!m_document || !parent) return false;
  TakeOut(parent, element);
  return true;
}

void HtmlPage::TakeOut(const litehtml::element::ptr& parent, const litehtml::element::ptr& element) {
  // Measured while it still stands in the page; the row before it is drawn again too.
  const size_t index = IndexIn(parent, element);
  const int top = PartTop(index > 0 ? PartBefore(parent, index) : element);
  ForgetIds(element);
  parent->removeChild(element);
  if (TakeOutInPlace(parent, element))
    m_changedTop = std::min(m_changedTop, top);
  else
    ChildrenChanged(parent);
}

std::string HtmlPage::Dump() {
  std::string out;
  if (!m_document) return out;
  EnsureLayout();
  ForEachElement(m_document->root(), [&](const litehtml::element::ptr& el) {
    const litehtml::position at = el->get_placement();
    out += el->get_tagName();
    for (const char* name : {"id", "class", "colspan"})
      if (const char* value = el->get_attr(name)) out += std::string(" ") + name + "=" + value;
    out += " @" + std::to_string(at.x) + "," + std::to_string(at.y) + " " + std::to_string(at.width) + "x" +
           std::to_string(at.height);
    if (el->get_children_count() == 0) {
      std::string text;
      el->get_text(text);
      if (!text.empty()) out += " \"" + text + "\"";
    }
    out += "\n";
  });
  return out;
}

// ---- Fonts and text ----------------------------------------------------------------------------

litehtml::uint_ptr HtmlPage::create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                         litehtml::font_style italic, unsigned int decoration,
                                         litehtml::font_metrics* fm) {
  auto font = std::make_unique<Font>();
  std::string families = faceName ? faceName : "";
  std::replace(families.begin(), families.end(), '\'', ' ');
  std::replace(families.begin(), families.end(), '"', ' ');
  // Whatever the page names, the faces of this device follow.
  families += ",DejaVu Sans";
  font->description = pango_font_description_new();
  pango_font_description_set_family(font->description, families.c_str());
  pango_font_description_set_absolute_size(font->description, std::max(1, size) * PANGO_SCALE);
  pango_font_description_set_weight(font->description, static_cast<PangoWeight>(std::clamp(weight, 100, 1000)));
  if (italic == litehtml::fontStyleItalic) pango_font_description_set_style(font->description, PANGO_STYLE_ITALIC);
  font->decoration = decoration;

  PangoContext* context = pango_cairo_create_context(m_measure);
  PangoFontMetrics* metrics = pango_context_get_metrics(context, font->description, nullptr);
  font->ascent = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(metrics));
  font->descent = PANGO_PIXELS_CEIL(pango_font_metrics_get_descent(metrics));
  font->underlinePosition = std::max(1, -PANGO_PIXELS(pango_font_metrics_get_underline_position(metrics)));
  pango_font_metrics_unref(metrics);
  g_object_unref(context);
  if (fm) {
    fm->ascent = font->ascent;
    fm->descent = font->descent;
    fm->height = font->ascent + font->descent;
    fm->x_height = std::max(1, font->ascent / 2);
    fm->draw_spaces = (decoration & (litehtml::font_decoration_underline | litehtml::font_decoration_linethrough)) != 0;
  }
  return reinterpret_cast<litehtml::uint_ptr>(font.release());
}

void HtmlPage::delete_font(litehtml::uint_ptr hFont) { delete reinterpret_cast<Font*>(hFont); }

namespace {
PangoLayout* MakeLayout(cairo_t* cr, PangoFontDescription* description, const char* text, bool smooth) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout);
  pango_layout_set_font_description(layout, description);
  pango_layout_set_text(layout, text, -1);
  return layout;
}
}  // namespace

int HtmlPage::text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) {
  Font* font = reinterpret_cast<Font*>(hFont);
  if (!font || !text || !*text) return 0;
  auto [it, fresh] = font->widths.try_emplace(text, 0);
  if (fresh) {
    PangoLayout* layout = MakeLayout(m_measure, font->description, text, m_smoothText);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    it->second = std::min(logical.width, kWidestWord);
  }
  return it->second;
}

void HtmlPage::draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                         litehtml::web_color color, const litehtml::position& pos) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  Font* font = reinterpret_cast<Font*>(hFont);
  if (!cr || !font || !text) return;
  Font::Drawn wanted = Font::Drawn::On(cr, m_smoothText);
  auto found = font->drawn.find(text);
  if (found != font->drawn.end() && !found->second.DrawsLike(wanted)) {
    g_object_unref(found->second.layout);
    font->drawn.erase(found);
    found = font->drawn.end();
  }
  if (found == font->drawn.end()) {
    if (font->drawn.size() >= Font::kMostDrawn) font->ForgetDrawn();
    wanted.layout = MakeLayout(cr, font->description, text, m_smoothText);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(wanted.layout, nullptr, &logical);
    if (logical.width > kWidestWord) {
      pango_layout_set_width(wanted.layout, kWidestWord * PANGO_SCALE);
      pango_layout_set_ellipsize(wanted.layout, PANGO_ELLIPSIZE_END);
    }
    found = font->drawn.emplace(text, wanted).first;
  }
  PangoLayout* layout = found->second.layout;
  int baseline = pango_layout_get_baseline(layout) / PANGO_SCALE;
  int top = pos.y + font->ascent - baseline;
  SetColor(cr, color);
  cairo_move_to(cr, pos.x, top);
  pango_cairo_show_layout(cr, layout);
  int lineY = -1;
  if (font->decoration & litehtml::font_decoration_underline) lineY = pos.y + font->ascent + font->underlinePosition;
  if (font->decoration & litehtml::font_decoration_linethrough) lineY = pos.y + font->ascent * 2 / 3;
  if (font->decoration & litehtml::font_decoration_overline) lineY = pos.y;
  if (lineY >= 0) {
    cairo_rectangle(cr, pos.x, lineY, text_width(text, hFont), 1);
    cairo_fill(cr);
  }
}

int HtmlPage::pt_to_px(int pt) const { return pt * 96 / 72; }
int HtmlPage::get_default_font_size() const { return kDefaultFontSize; }
const litehtml::tchar_t* HtmlPage::get_default_font_name() const { return "DejaVu Sans"; }

void HtmlPage::transform_text(litehtml::tstring& text, litehtml::text_transform tt) {
  gchar* changed = nullptr;
  if (tt == litehtml::text_transform_uppercase) changed = g_utf8_strup(text.c_str(), -1);
  if (tt == litehtml::text_transform_lowercase) changed = g_utf8_strdown(text.c_str(), -1);
  if (tt == litehtml::text_transform_capitalize && !text.empty()) {
    text[0] = g_ascii_toupper(text[0]);
    return;
  }
  if (changed) {
    text = changed;
    g_free(changed);
  }
}

// ---- Shapes and pictures -------------------------------------------------------------------------

void HtmlPage::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  if (!cr || marker.marker_type == litehtml::list_style_type_none) return;
  SetColor(cr, marker.color);
  const litehtml::position& p = marker.pos;
  if (marker.marker_type == litehtml::list_style_type_square) {
    Rect(cr, p);
    cairo_fill(cr);
    return;
  }
  cairo_arc(cr, p.x + p.width / 2.0, p.y + p.height / 2.0, std::max(1, p.width / 2) * 1.0, 0, 2 * M_PI);
  if (marker.marker_type == litehtml::list_style_type_circle)
    cairo_stroke(cr);
  else
    cairo_fill(cr);
}

void HtmlPage::load_image(const litehtml::tchar_t* src, const litehtml::tchar_t*, bool) {
  if (!src || !*src) return;
  if (m_pictures.try_emplace(src).second) m_pictureOrder.emplace_back(src);
}

void HtmlPage::get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t*, litehtml::size& sz) {
  sz.width = sz.height = 0;
  if (!src) return;
  auto it = m_pictures.find(src);
  if (it == m_pictures.end() || !it->second.surface) return;
  sz.width = cairo_image_surface_get_width(it->second.surface);
  sz.height = cairo_image_surface_get_height(it->second.surface);
}

void HtmlPage::draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  if (!cr) return;
  cairo_save(cr);
  Rect(cr, bg.clip_box);
  cairo_clip(cr);
  if (bg.color.alpha > 0) {
    SetColor(cr, bg.color);
    cairo_paint(cr);
  }
  auto it = bg.image.empty() ? m_pictures.end() : m_pictures.find(bg.image);
  if (it != m_pictures.end() && it->second.surface && bg.image_size.width > 0 && bg.image_size.height > 0) {
    cairo_surface_t* s = it->second.surface;
    double sx = bg.image_size.width / static_cast<double>(cairo_image_surface_get_width(s));
    double sy = bg.image_size.height / static_cast<double>(cairo_image_surface_get_height(s));
    cairo_translate(cr, bg.position_x, bg.position_y);
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    if (bg.repeat == litehtml::background_repeat_no_repeat) {
      cairo_rectangle(cr, 0, 0, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s));
      cairo_fill(cr);
    } else {
      cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_REPEAT);
      cairo_paint(cr);
    }
  }
  cairo_restore(cr);
}

void HtmlPage::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& b, const litehtml::position& p, bool) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  if (!cr) return;
  auto side = [&](const litehtml::border& border, double x, double y, double w, double h) {
    if (border.width <= 0 || border.style == litehtml::border_style_none ||
        border.style == litehtml::border_style_hidden)
      return;
    SetColor(cr, border.color);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
  };
  side(b.top, p.x, p.y, p.width, b.top.width);
  side(b.bottom, p.x, p.bottom() - b.bottom.width, p.width, b.bottom.width);
  side(b.left, p.x, p.y, b.left.width, p.height);
  side(b.right, p.right() - b.right.width, p.y, b.right.width, p.height);
}

void HtmlPage::set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool valid_x, bool valid_y) {
  if (!m_drawing) return;
  cairo_save(m_drawing);
  ++m_clipDepth;
  double x = valid_x ? pos.x : -1e6, w = valid_x ? pos.width : 2e6;
  double y = valid_y ? pos.y : -1e6, h = valid_y ? pos.height : 2e6;
  cairo_rectangle(m_drawing, x, y, w, h);
  cairo_clip(m_drawing);
}

void HtmlPage::del_clip() {
  if (!m_drawing || m_clipDepth == 0) return;
  cairo_restore(m_drawing);
  --m_clipDepth;
}

void HtmlPage::get_client_rect(litehtml::position& client) const {
  client = litehtml::position(0, 0, std::max(1, m_layoutWidth), 320);
}

void HtmlPage::get_media_features(litehtml::media_features& media) const {
  media.type = litehtml::media_type_screen;
  media.width = media.device_width = std::max(1, m_layoutWidth);
  media.height = media.device_height = 320;
  media.color = 8;
  media.color_index = 0;
  media.monochrome = 0;
  media.resolution = 96;
}

void HtmlPage::get_language(litehtml::tstring& language, litehtml::tstring& culture) const {
  language = "en";
  culture.clear();
}

}  // namespace platform::htmlview
