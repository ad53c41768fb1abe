#include "platform/htmlview/HtmlSource.h"

#include <algorithm>
#include <cstdlib>

namespace platform::htmlview {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
  if (at + word.size() > text.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (Lower(text[at + i]) != word[i]) return false;
  return true;
}

size_t FindNoCase(std::string_view text, size_t from, std::string_view word) {
  for (size_t at = from; at + word.size() <= text.size(); ++at)
    if (StartsWithNoCase(text, at, word)) return at;
  return std::string_view::npos;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Elements that never have content, and so no end tag.
bool IsVoid(std::string_view name) {
  return OneOf(name, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param", "source",
                      "track", "wbr"});
}
// Elements whose content is text up to their end tag.
bool IsRawText(std::string_view name) { return OneOf(name, {"script", "style", "textarea", "title"}); }
bool IsRowGroup(std::string_view name) { return OneOf(name, {"tbody", "thead", "tfoot"}); }

// An attribute of a start tag: its name and its value as written, quotes off.
struct Attribute {
  std::string_view name;
  std::string_view value;
};

// Reads the attributes of the start tag whose name ends at `at`; stops at the tag's end.
template <typename Visit>
size_t ReadAttributes(std::string_view html, size_t at, Visit visit) {
  while (at < html.size()) {
    while (at < html.size() && IsSpace(html[at])) ++at;
    if (at >= html.size() || html[at] == '>') return at;
    if (html[at] == '/') {
      ++at;
      continue;
    }
    const size_t nameBegin = at;
    while (at < html.size() && !IsSpace(html[at]) && html[at] != '=' && html[at] != '>' && html[at] != '/') ++at;
    const std::string_view name = html.substr(nameBegin, at - nameBegin);
    while (at < html.size() && IsSpace(html[at])) ++at;
    std::string_view value;
    if (at < html.size() && html[at] == '=') {
      ++at;
      while (at < html.size() && IsSpace(html[at])) ++at;
      if (at < html.size() && (html[at] == '"' || html[at] == '\'')) {
        const char quote = html[at++];
        const size_t end = std::min(html.find(quote, at), html.size());
        value = html.substr(at, end - at);
        at = end + 1;
      } else {
        const size_t begin = at;
        while (at < html.size() && !IsSpace(html[at]) && html[at] != '>') ++at;
        value = html.substr(begin, at - begin);
      }
    }
    visit(Attribute{name, value});
  }
  return at;
}

bool SameNameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, 0, b);
}

// The elements open at a point of the text, and whether what was read of them so far is
// read plainly (every element ended by its own end tag, or one that has none).
class OpenElements {
 public:
  // Takes the tag into the stack; false when it ends elements that were not ended by their
  // own end tags (or ends nothing open).
  bool Take(const SourceTag& tag) {
    if (!tag.closing) {
      if (!tag.selfClosing && !IsVoid(tag.name)) m_names.push_back(tag.name);
      return true;
    }
    if (m_names.empty() || m_names.back() != tag.name) return false;
    m_names.pop_back();
    return true;
  }
  size_t Depth() const { return m_names.size(); }
  bool TopIs(std::string_view name) const { return !m_names.empty() && m_names.back() == name; }
  // Ends the innermost element of that name and all open in it, as a parser ends what is
  // left open.
  void EndDown(std::string_view name) {
    auto it = std::find(m_names.rbegin(), m_names.rend(), std::string(name));
    if (it != m_names.rend()) m_names.erase(std::next(it).base(), m_names.end());
  }

 private:
  std::vector<std::string> m_names;
};

// What a section may not hold to be kept as text: pictures (they are asked for when the page
// is read) and what sets the page's own style or base.
bool FitsASection(std::string_view html, const SourceTag& tag) {
  if (tag.closing) return true;
  if (OneOf(tag.name, {"img", "style", "link", "script", "base", "meta", "object", "embed", "iframe"})) return false;
  // An id is looked for as written: one written with an entity would not be found.
  const std::optional<std::string> id = AttributeOf(html, tag, "id");
  return !id || id->find('&') == std::string::npos;
}

// Reads row groups from `at` in text that stands inside a table, until the first thing that
// is not one (or white space). Each group read plainly and fit to be kept is handed to
// `section` with its [begin, end); `at` ends after the last one read.
template <typename Section>
void ReadSections(std::string_view html, size_t& at, Section section) {
  for (;;) {
    size_t next = at;
    while (next < html.size() && IsSpace(html[next])) ++next;
    SourceTag tag;
    size_t after = next;
    if (!NextTag(html, after, tag) || tag.begin != next || tag.closing || !IsRowGroup(tag.name) || tag.selfClosing)
      return;
    const std::string group = tag.name;
    OpenElements open;
    open.Take(tag);
    bool plain = true;
    while (open.Depth() > 0 && NextTag(html, after, tag)) {
      plain = plain && FitsASection(html, tag);
      if (!open.Take(tag)) {
        // An end tag that ends more than the top element, or nothing: not read plainly.
        plain = false;
        if (tag.closing) open.EndDown(tag.name);
      }
    }
    if (open.Depth() > 0 || !plain) return;
    section(next, tag.end);
    at = tag.end;
  }
}

}  // namespace

bool NextTag(std::string_view html, size_t& at, SourceTag& tag) {
  while (at < html.size()) {
    const size_t open = html.find('<', at);
    if (open == std::string_view::npos || open + 1 >= html.size()) {
      at = html.size();
      return false;
    }
    if (html.compare(open, 4, "<!--") == 0) {
      const size_t end = html.find("-->", open + 4);
      at = end == std::string_view::npos ? html.size() : end + 3;
      continue;
    }
    if (html[open + 1] == '!' || html[open + 1] == '?') {
      const size_t end = html.find('>', open);
      at = end == std::string_view::npos ? html.size() : end + 1;
      continue;
    }
    const bool closing = html[open + 1] == '/';
    size_t name = open + (closing ? 2 : 1);
    if (name >= html.size() || !IsLetter(html[name])) {
      at = open + 1;  // a "<" of text
      continue;
    }
    size_t nameEnd = name;
    while (nameEnd < html.size() && !IsSpace(html[nameEnd]) && html[nameEnd] != '>' && html[nameEnd] != '/') ++nameEnd;
    tag = SourceTag{};
    tag.begin = open;
    tag.closing = closing;
    tag.name.reserve(nameEnd - name);
    for (size_t i = name; i < nameEnd; ++i) tag.name += Lower(html[i]);
    size_t end = closing ? html.find('>', nameEnd) : ReadAttributes(html, nameEnd, [](const Attribute&) {});
    if (end == std::string_view::npos || end >= html.size()) {
      at = html.size();
      return false;
    }
    tag.selfClosing = !closing && end > open && html[end - 1] == '/';
    tag.end = end + 1;
    at = tag.end;
    if (!closing && !tag.selfClosing && IsRawText(tag.name)) {
      const size_t close = FindNoCase(html, at, "</" + tag.name);
      at = close == std::string_view::npos ? html.size() : close;
    }
    return true;
  }
  return false;
}

std::optional<std::string> AttributeOf(std::string_view html, const SourceTag& tag, std::string_view name) {
  if (tag.closing) return std::nullopt;
  std::optional<std::string> found;
  ReadAttributes(html.substr(0, tag.end), tag.begin + 1 + tag.name.size(), [&](const Attribute& a) {
    if (!found && SameNameNoCase(a.name, name)) found = std::string(a.value);
  });
  return found;
}

std::vector<SectionRun> FindSectionRuns(std::string_view html, size_t least) {
  std::vector<SectionRun> runs;
  OpenElements open;
  size_t at = 0;
  SourceTag tag;
  while (NextTag(html, at, tag)) {
    if (!tag.closing && !tag.selfClosing && IsRowGroup(tag.name) && open.TopIs("table")) {
      SectionRun run;
      size_t after = tag.begin;
      ReadSections(html, after, [&](size_t begin, size_t end) { run.sections.emplace_back(begin, end); });
      if (!run.sections.empty()) {
        // The sections read end all they open: the text goes on after them as it was.
        at = after;
        if (run.sections.size() >= least) {
          run.begin = run.sections.front().first;
          run.end = run.sections.back().second;
          runs.push_back(std::move(run));
        }
        continue;
      }
    }
    if (!open.Take(tag) && tag.closing) open.EndDown(tag.name);
  }
  return runs;
}

std::optional<std::vector<std::string>> SplitSections(std::string_view html) {
  std::vector<std::string> sections;
  size_t at = 0;
  ReadSections(html, at, [&](size_t begin, size_t end) { sections.emplace_back(html.substr(begin, end - begin)); });
  while (at < html.size() && IsSpace(html[at])) ++at;
  if (at != html.size()) return std::nullopt;
  return sections;
}

std::optional<SourceElement> FindById(std::string_view source, std::string_view id) {
  size_t at = 0;
  SourceTag tag;
  while (NextTag(source, at, tag)) {
    if (tag.closing) continue;
    const std::optional<std::string> own = AttributeOf(source, tag, "id");
    if (!own || *own != id) continue;
    SourceElement found{tag.begin, tag.end, tag.end, tag.end};
    if (tag.selfClosing || IsVoid(tag.name)) return found;
    OpenElements open;
    open.Take(tag);
    while (NextTag(source, at, tag)) {
      if (!open.Take(tag)) return std::nullopt;
      if (open.Depth() == 0) {
        found.innerEnd = tag.begin;
        found.outerEnd = tag.end;
        return found;
      }
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::vector<std::string> IdsIn(std::string_view source) {
  std::vector<std::string> ids;
  size_t at = 0;
  SourceTag tag;
  while (NextTag(source, at, tag))
    if (std::optional<std::string> id = AttributeOf(source, tag, "id")) ids.push_back(std::move(*id));
  return ids;
}

std::vector<CellText> CellTextsOf(std::string_view section) {
  std::vector<CellText> cells;
  size_t at = 0;
  SourceTag tag;
  int row = -1, cell = -1;
  size_t cellDepth = 0;  // the depth of the open cell's content, 0 when none is open
  OpenElements open;
  int word = 0;
  bool space = true;
  auto readText = [&](std::string_view text) {
    if (cellDepth == 0) return;
    CellText& c = cells.back();
    for (size_t i = 0; i < text.size(); ++i) {
      const char ch = text[i];
      if (IsSpace(ch)) {
        if (!space) ++c.length;
        space = true;
        word = 0;
        continue;
      }
      // A character is its first byte; an entity is one character.
      if ((static_cast<unsigned char>(ch) & 0xC0) == 0x80) continue;
      if (ch == '&') {
        const size_t semi = text.find(';', i);
        if (semi != std::string_view::npos && semi - i < 12) i = semi;
      }
      ++c.length;
      c.longestWord = std::max(c.longestWord, ++word);
      space = false;
    }
  };
  size_t textFrom = 0;
  while (NextTag(section, at, tag)) {
    readText(section.substr(textFrom, tag.begin - textFrom));
    textFrom = tag.end;
    if (!open.Take(tag) && tag.closing) open.EndDown(tag.name);
    if (cellDepth > 0 && open.Depth() < cellDepth) cellDepth = 0;
    if (tag.closing) continue;
    if (tag.name == "tr" && open.Depth() == 2) {
      ++row;
      cell = -1;
    } else if ((tag.name == "td" || tag.name == "th") && open.Depth() == 3 && !tag.selfClosing) {
      CellText c;
      c.row = std::max(row, 0);
      c.cell = ++cell;
      if (std::optional<std::string> span = AttributeOf(section, tag, "colspan")) c.colspan = std::max(1, std::atoi(span->c_str()));
      cells.push_back(c);
      cellDepth = open.Depth();
      word = 0;
      space = true;
    }
  }
  return cells;
}

}  // namespace platform::htmlview
