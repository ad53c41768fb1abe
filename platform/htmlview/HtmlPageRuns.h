// A long table's sections kept as text while they are out of view. Laid out, every word of
// a document line is an element of its own, so a document of thousands of lines would hold
// hundreds of megabytes; the page lays out only the sections near what it shows and those
// whose cells give the columns their widths, and stands in for each stretch of the others
// with one empty row exactly as tall as they are. A change to an element of a section is
// made to its text as well, so any section can be laid out again, as it stands, at any time.
// Private to the page's own files.
#pragma once

#include <litehtml/litehtml.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/htmlview/HtmlPage.h"
#include "platform/htmlview/HtmlPageMeasures.h"

namespace platform::htmlview {

struct HtmlPage::RunSection {
  LongRun* run = nullptr;  // not owned: the run holding it
  std::string source;      // the section's HTML as it stands
  // False once changed in a way its text does not follow: it stays laid out.
  bool sourced = true;
  // Holds a cell whose measures its columns take: it stays laid out, so that a layout of
  // the page gives the columns the widths they have with every section laid out.
  bool champion = false;
  litehtml::element::ptr element;  // laid out: its element in the table; kept: null
  // While kept: its rows' cells as its columns see them ([row][column]), and its rows'
  // heights summed (negative: not measured) at the columns `measuredAt` (see ColumnsOf).
  std::vector<std::vector<CellMeasure>> rows;
  int height = -1;
  std::vector<int> measuredAt;
};

struct HtmlPage::KeptMeasures {
  std::vector<std::vector<CellMeasure>> rows;
  int height = -1;
  std::vector<int> measuredAt;
};

struct HtmlPage::LongRun {
  std::weak_ptr<litehtml::element> table;
  std::vector<std::unique_ptr<RunSection>> sections;  // in the table's order
  // One empty row stands in for each stretch of kept sections: `count` of them from `first`.
  struct StandIn {
    litehtml::element::ptr group;
    RunSection* first = nullptr;
    size_t count = 0;
  };
  std::vector<StandIn> standIns;
  // The kept sections changed since the stand-ins were made: they are made again (and
  // `first` read) only at the next layout, so that many changes cost one.
  bool standInsStale = false;
  // Laid out whole for good (its sections could not be kept exactly): a table as any other.
  bool whole = false;
};

}  // namespace platform::htmlview
