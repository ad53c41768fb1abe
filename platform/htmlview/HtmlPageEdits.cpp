// Changes made to a laid-out page: fragments read where they will stand, content replaced,
// table parts put in and taken out, and the id index that follows them.
#include "platform/htmlview/HtmlPage.h"

#include <glib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <litehtml/el_text.h>

#include "platform/htmlview/HtmlPageInternal.h"

namespace platform::htmlview {

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
  FollowInText(element, TextChange::kContent, html, {});
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
    FollowInText(element, TextChange::kReplace, html, {element});
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
  FollowInText(element, TextChange::kReplace, html, made);
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
  FollowInText(element, after ? TextChange::kAfter : TextChange::kBefore, html, made);
  PutChildren(parent, IndexIn(parent, element) + (after ? 1 : 0), made);
  return true;
}

bool HtmlPage::RemoveElement(const litehtml::element::ptr& element) {
  litehtml::element::ptr parent = element ? element->parent() : nullptr;
  if (!m_document || !parent) return false;
  FollowInText(element, TextChange::kRemove, "", {});
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

}  // namespace platform::htmlview
