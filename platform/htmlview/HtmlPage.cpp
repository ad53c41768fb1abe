#include "platform/htmlview/HtmlPage.h"

#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/htmlview/MasterCss.h"

namespace platform::htmlview {

namespace {

constexpr int kDefaultFontSize = 12;

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

}  // namespace

// A font: pango's description, the decoration litehtml asks for, its metrics, and the
// widths of the words measured so far (pages repeat the same words many times).
struct HtmlPage::Font {
  PangoFontDescription* description = nullptr;
  unsigned decoration = 0;
  int ascent = 0;
  int descent = 0;
  int underlinePosition = 0;
  std::unordered_map<std::string, int> widths;
  ~Font() { pango_font_description_free(description); }
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
  m_ids.clear();
  m_idsValid = false;
  m_head.clear();
  m_scratch.reset();
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
  m_document->render(m_layoutWidth);
  ++m_layoutCount;
  m_linksValid = false;
  m_layoutDirty = false;
  return m_document->width();
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
  m_document->draw(reinterpret_cast<litehtml::uint_ptr>(cr), 0, 0, &clip);
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
int HtmlPage::AnchorTop(const std::string& name) {
  EnsureLayout();
  if (!m_document || name.empty()) return -1;
  std::vector<litehtml::element::ptr> stack{m_document->root()};
  while (!stack.empty()) {
    litehtml::element::ptr el = stack.back();
    stack.pop_back();
    const char* own = el->get_attr("name");
    if (!own) own = el->get_attr("id");
    if (own && name == own) return el->get_placement().y;
    for (int i = static_cast<int>(el->get_children_count()) - 1; i >= 0; --i) stack.push_back(el->get_child(i));
  }
  return -1;
}

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
// it was; returns the width the content asked for.
static int RelayoutInPlace(const litehtml::element::ptr& cell, int* height) {
  const litehtml::position box = cell->get_position();
  int needed = cell->render(cell->left(), cell->top(), cell->width());
  litehtml::position& after = cell->get_position();
  if (height) *height = after.height;
  after = box;  // the row keeps its height, the cell its place
  cell->apply_vertical_align();
  return needed;
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
  constexpr int kFragmentsPerScratchPage = 256;
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

void HtmlPage::SetElementContent(const litehtml::element::ptr& element, const std::string& html) {
  if (!m_document || !element) return;
  PutContent(element, ParseAsContentOf(element, html));
}

void HtmlPage::PutContent(const litehtml::element::ptr& element, const std::vector<litehtml::element::ptr>& content) {
  // A table cell whose new content needs no more room than the old is laid out alone: the
  // table's columns and rows stay as they are. Anything else lays the page out again.
  litehtml::element::ptr cell = m_layoutDirty || m_layoutWidth <= 0 ? nullptr : HoldingCell(element);
  const int oldHeight = cell ? cell->get_position().height : 0;
  const int oldNeeded = cell ? RelayoutInPlace(cell, nullptr) : 0;
  while (element->get_children_count() > 0) {
    litehtml::element::ptr child = element->get_child(0);
    ForgetIds(child);
    element->removeChild(child);
  }
  for (const auto& child : content) {
    element->appendChild(child);
    TakeFonts(child);
    IndexIds(child);
  }
  int newHeight = 0;
  if (!cell || RelayoutInPlace(cell, &newHeight) > std::max(oldNeeded, cell->width()) || newHeight > oldHeight)
    m_layoutDirty = true;
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
  ChildrenChanged(parent);
}

void HtmlPage::ChildrenChanged(const litehtml::element::ptr& parent) {
  // A table knows its rows and cells from when it was made: it is taken apart again.
  if (litehtml::element::ptr table = TableOf(parent)) table->init();
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
  ForgetIds(element);
  parent->removeChild(element);
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
  ForgetIds(element);
  parent->removeChild(element);
  ChildrenChanged(parent);
  return true;
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
    it->second = logical.width;
  }
  return it->second;
}

void HtmlPage::draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                         litehtml::web_color color, const litehtml::position& pos) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  Font* font = reinterpret_cast<Font*>(hFont);
  if (!cr || !font || !text) return;
  PangoLayout* layout = MakeLayout(cr, font->description, text, m_smoothText);
  int baseline = pango_layout_get_baseline(layout) / PANGO_SCALE;
  int top = pos.y + font->ascent - baseline;
  SetColor(cr, color);
  cairo_move_to(cr, pos.x, top);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
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
