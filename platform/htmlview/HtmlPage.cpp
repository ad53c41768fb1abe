#include "platform/htmlview/HtmlPage.h"

#include <glib.h>

#include <algorithm>
#include <utility>

#include "platform/htmlview/HtmlPageInternal.h"
#include "platform/htmlview/HtmlPageMeasures.h"
#include "platform/htmlview/HtmlPageRuns.h"
#include "platform/htmlview/HtmlSource.h"
#include "platform/htmlview/MasterCss.h"

namespace platform::htmlview {

namespace {

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
// While a VisibleRows lives, `table` holds only the rows of its grid that meet page rows
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
  KeepMeasures();
  m_keptIds.clear();
  m_laidOutSections.clear();
  m_runs.clear();
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
  // The head (the page's style sheets) is kept to read fragments against later.
  size_t at = 0, start = std::string::npos;
  SourceTag tag;
  while (NextTag(html, at, tag) && tag.name != "body") {
    if (tag.name != "head") continue;
    if (!tag.closing) start = tag.begin;
    if (tag.closing && start != std::string::npos) {
      m_head = html.substr(start, tag.end - start);
      break;
    }
  }
  const std::vector<SectionRun> runs = m_longRun > 0 ? FindSectionRuns(html, m_longRun) : std::vector<SectionRun>{};
  if (!runs.empty()) {
    LoadWithRuns(html, runs);
    return;
  }
  m_document = litehtml::document::createFromUTF8(html.c_str(), this, &m_context);
}

int HtmlPage::Layout(int width) {
  if (!m_document) return 0;
  m_layoutWidth = std::max(1, width);
  for (const auto& weak : m_tablesToTakeApart)
    if (litehtml::element::ptr table = weak.lock()) table->init();
  m_tablesToTakeApart.clear();
  m_document->render(m_layoutWidth);
  m_layoutDirty = false;
  if (!m_runs.empty()) SettleRuns();
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
  ShowRows(clip.top(), clip.bottom());
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
  ShowRows(y, y + 1);
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

// The top of the anchor named `name`: the element with that id, else the first named so.
int HtmlPage::AnchorTop(const std::string& name) {
  EnsureLayout();
  if (!m_document || name.empty()) return -1;
  if (litehtml::element::ptr own = LayOutSectionOf(name)) return own->get_placement().y;
  int top = -1;
  ForEachElement(m_document->root(), [&](const litehtml::element::ptr& el) {
    const char* own = el->get_attr("name");
    if (top < 0 && own && name == own) top = el->get_placement().y;
  });
  return top;
}

std::string HtmlPage::Dump() {
  std::string out;
  if (!m_document) return out;
  // The page as laid out whole: every section kept as text is laid out for it.
  for (auto& run : m_runs)
    if (!run->whole) LayRunOut(*run, std::vector<char>(run->sections.size(), 1));
  EnsureLayout();
  ForEachElement(m_document->root(), [&](const litehtml::element::ptr& el) {
    // Blanks between a table's parts are not laid out: a page read in parts may lack them.
    if (el->is_white_space() && el->parent() && IsTableFrame(el->parent())) return;
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

}  // namespace platform::htmlview
