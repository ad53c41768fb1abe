// Reading HTML text without building it: its tags one by one, the long runs of table
// sections a page may keep as text while they are out of view, and the place of an element
// by its id, so that a change to such a section is made to its text. Only text that says
// plainly where each element ends is read so: an element left to end by itself (an omitted
// end tag) is not found, and a run holding one is not taken.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::htmlview {

// A tag of HTML text: "<name ...>", "</name>" or "<name .../>".
struct SourceTag {
  size_t begin = 0;  // where "<" stands
  size_t end = 0;    // just after ">"
  std::string name;  // lower case
  bool closing = false;
  bool selfClosing = false;
};

// The next tag of `html` from `at`, which moves past it; false at the end. Comments,
// declarations and processing instructions are passed over, and the content of script,
// style, textarea and title is text.
bool NextTag(std::string_view html, size_t& at, SourceTag& tag);

// The value of attribute `name` (lower case) of a start tag, entities left as written;
// nothing when it has none.
std::optional<std::string> AttributeOf(std::string_view html, const SourceTag& tag, std::string_view name);

// A table's row groups (tbody, thead, tfoot) that follow one another with only white space
// between: [begin, end) of each, from its start tag to just after its end tag.
struct SectionRun {
  size_t begin = 0;
  size_t end = 0;
  std::vector<std::pair<size_t, size_t>> sections;
};

// The runs of at least `least` sections in `html`. A run's sections end with their own end
// tags, hold no picture and no element without an end tag of its own where one is needed.
std::vector<SectionRun> FindSectionRuns(std::string_view html, size_t least);

// The text split into the row groups it is made of (white space between them dropped);
// nothing when it holds anything else or a group is not read plainly.
std::optional<std::vector<std::string>> SplitSections(std::string_view html);

// Where the element with this id stands in `source`: its start tag from `outerBegin`, its
// content [innerBegin, innerEnd), its end tag up to `outerEnd`. Nothing when no element has
// it or the element does not end with its own end tag.
struct SourceElement {
  size_t outerBegin = 0;
  size_t innerBegin = 0;
  size_t innerEnd = 0;
  size_t outerEnd = 0;
};
std::optional<SourceElement> FindById(std::string_view source, std::string_view id);

// The ids of the elements in `source`, in order.
std::vector<std::string> IdsIn(std::string_view source);

// What the text of a section's cells suggests of their widths, before any is laid out:
// each cell's row, place in its row and span, its text's length and its longest word, in
// characters.
struct CellText {
  int row = 0;
  int cell = 0;
  int colspan = 1;
  int length = 0;
  int longestWord = 0;
};
std::vector<CellText> CellTextsOf(std::string_view section);

}  // namespace platform::htmlview
