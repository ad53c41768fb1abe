#include "platform/htmlview/HtmlPageRuns.h"

#include <algorithm>
#include <array>
#include <map>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "platform/htmlview/HtmlPageInternal.h"
#include "platform/htmlview/HtmlSource.h"

namespace platform::htmlview {

namespace {

// Sections laid out from the start, as a page is first shown from its top.
constexpr size_t kFirstLaidOut = 40;
// Sections read and measured at a time: what they hold as elements is let go after each.
constexpr size_t kMeasuredAtOnce = 64;
// The id the place of a run holds in the page read without it.
constexpr char kRunMark[] = ":kept-run-";

// An empty row of the height given. Its one cell has no measure a column could take, and
// counts the row into the table's height, which a row without cells at a table's end is not.
std::string StandInText(int height) {
  return "<tbody><tr style=\"height:" + std::to_string(std::max(0, height)) +
         "px\"><td style=\"padding:0;border:0\"></td></tr></tbody>";
}

int SpacingY(const litehtml::element::ptr& table) {
  return Collapsed(table) ? 0 : Tag(table).*TableAccess::kSpacingY;
}

// What a section's heights depend on: the width cells are measured against and each
// column's place.
std::vector<int> ColumnsOf(const litehtml::element::ptr& table, litehtml::table_grid& grid) {
  std::vector<int> at{CellMeasureWidth(table, grid)};
  for (int col = 0; col < grid.cols_count(); ++col) {
    at.push_back(grid.column(col).left);
    at.push_back(grid.column(col).right);
  }
  return at;
}

// The grid rows of a laid-out table part, in order; false when one is not in the grid.
bool GridRowsOf(litehtml::table_grid& grid, const litehtml::element::ptr& part, std::vector<int>& out) {
  std::vector<litehtml::element::ptr> rows;
  if (!RowsOf({part}, rows)) return false;
  for (const auto& row : rows) {
    const int at = GridRowOf(grid, row);
    if (at < 0) return false;
    out.push_back(at);
  }
  return true;
}

// The height a stretch of sections takes on the page, each measured alone: its rows'
// heights and the spacing between rows where borders are apart.
int StretchHeight(const std::vector<int>& heights, int spacing) {
  int sum = 0;
  for (int h : heights) sum += std::max(0, h) + spacing;
  return heights.empty() ? 0 : sum - spacing;
}

// The best two sections by one measure of a cell: where the text suggests the widest.
struct TopTwo {
  std::array<std::pair<int, size_t>, 2> best{{{-1, 0}, {-1, 0}}};
  void Offer(int value, size_t section) {
    if (value > best[0].first) {
      best[1] = best[0];
      best[0] = {value, section};
    } else if (value > best[1].first) {
      best[1] = {value, section};
    }
  }
};

// A section's text as the measures kept of it are found again.
std::uint64_t TextKey(std::string_view text) {
  return std::hash<std::string_view>{}(text) ^ (static_cast<std::uint64_t>(text.size()) * 0x9E3779B97F4A7C15ULL);
}

}  // namespace

std::pair<size_t, size_t> HtmlPage::RunRange(const LongRun& run, const litehtml::elements_vector& children) {
  std::unordered_set<const litehtml::element*> ofRun;
  for (const auto& standIn : run.standIns) ofRun.insert(standIn.group.get());
  for (const auto& section : run.sections)
    if (section->element) ofRun.insert(section->element.get());
  size_t first = children.size(), last = 0;
  for (size_t i = 0; i < children.size(); ++i)
    if (ofRun.count(children[i].get())) first = std::min(first, i), last = i;
  return {first, last};
}

// ---- Reading a page with long runs -------------------------------------------------------------

void HtmlPage::LoadWithRuns(const std::string& html, const std::vector<SectionRun>& runs) {
  if (m_measuresHead != m_head) m_measuresBefore.clear();
  // The page is read without its runs, a mark in the place of each.
  std::string rest;
  rest.reserve(html.size() / 8);
  size_t from = 0;
  for (size_t k = 0; k < runs.size(); ++k) {
    rest.append(html, from, runs[k].begin - from);
    rest += "<tbody id=\"" + std::string(kRunMark) + std::to_string(k) + "\"></tbody>";
    from = runs[k].end;
  }
  rest.append(html, from, std::string::npos);
  m_document = litehtml::document::createFromUTF8(rest.c_str(), this, &m_context);
  std::vector<litehtml::element::ptr> marks;
  for (size_t k = 0; k < runs.size(); ++k) {
    litehtml::element::ptr mark = ElementById(kRunMark + std::to_string(k));
    litehtml::element::ptr table = mark ? mark->parent() : nullptr;
    if (!table || !IsTable(table)) {
      // The parser put a run's place elsewhere than where the run stood: read it whole.
      m_document = litehtml::document::createFromUTF8(html.c_str(), this, &m_context);
      m_ids.clear();
      m_idsValid = false;
      m_measuresBefore.clear();
      return;
    }
    marks.push_back(mark);
  }
  for (size_t k = 0; k < runs.size(); ++k) {
    auto run = std::make_unique<LongRun>();
    run->table = marks[k]->parent();
    run->standIns.push_back({marks[k], nullptr, 0});
    // The sections whose text suggests the widest cells are laid out from the start, so
    // that the first layout gives the columns their widths as near as the text can tell.
    std::map<std::tuple<int, int, int>, std::pair<TopTwo, TopTwo>> widest;
    std::vector<char> lay(runs[k].sections.size(), 0);
    for (size_t i = 0; i < runs[k].sections.size(); ++i) {
      const auto [begin, end] = runs[k].sections[i];
      auto section = std::make_unique<RunSection>();
      section->run = run.get();
      section->source = html.substr(begin, end - begin);
      if (auto before = m_measuresBefore.find(TextKey(section->source)); before != m_measuresBefore.end()) {
        section->rows = std::move(before->second.rows);
        section->height = before->second.height;
        section->measuredAt = std::move(before->second.measuredAt);
        m_measuresBefore.erase(before);
      }
      for (const CellText& cell : CellTextsOf(section->source)) {
        auto& [byLength, byWord] = widest[{cell.row, cell.cell, cell.colspan}];
        byLength.Offer(cell.length, i);
        byWord.Offer(cell.longestWord, i);
      }
      lay[i] = i < kFirstLaidOut;
      IndexKept(*section);
      run->sections.push_back(std::move(section));
    }
    for (const auto& [key, tops] : widest)
      for (const TopTwo* top : {&tops.first, &tops.second})
        for (const auto& [value, section] : top->best)
          if (value >= 0) lay[section] = 1;
    LongRun& placed = *run;
    m_runs.push_back(std::move(run));
    LayRunOut(placed, lay);
  }
  m_measuresBefore.clear();
}

// What the page's sections were measured at outlives the page: a page read again after a
// change to anything but its lines (its number, a mark) finds every line measured, and
// shows at once instead of reading each line again. Kept for one page, and only while the
// style sheets stay the same.
void HtmlPage::KeepMeasures() {
  if (m_runs.empty()) return;
  m_measuresBefore.clear();
  m_measuresHead = m_head;
  for (auto& run : m_runs) {
    if (run->whole) continue;
    for (auto& section : run->sections) {
      if (section->element && !CaptureMeasures(run->table.lock(), *section)) continue;
      if (section->height < 0) continue;
      m_measuresBefore[TextKey(section->source)] =
          KeptMeasures{std::move(section->rows), section->height, std::move(section->measuredAt)};
    }
  }
}

// ---- Laying sections out and keeping them as text ------------------------------------------------

void HtmlPage::IndexKept(RunSection& section) {
  for (std::string& id : IdsIn(section.source)) m_keptIds.try_emplace(std::move(id), &section);
}

void HtmlPage::ForgetKept(RunSection& section) {
  for (const std::string& id : IdsIn(section.source)) {
    auto it = m_keptIds.find(id);
    if (it != m_keptIds.end() && it->second == &section) m_keptIds.erase(it);
  }
}

// A laid-out section leaving the page takes its measures from the grid, where it stands
// laid out at the columns the page has now.
bool HtmlPage::CaptureMeasures(const litehtml::element::ptr& table, RunSection& section) {
  litehtml::table_grid* grid = GridOf(table);
  std::vector<int> rows;
  if (m_layoutDirty || !grid || !GridRowsOf(*grid, section.element, rows) || rows.empty()) return false;
  std::vector<std::vector<CellMeasure>> measured;
  std::vector<int> heights;
  for (int row : rows) {
    // A row whose top border joins the one above would stand lower after a stand-in.
    if (Collapsed(table) && grid->row(row).border_top > 0) return false;
    std::vector<CellMeasure>& cells = measured.emplace_back();
    for (int col = 0; col < grid->cols_count(); ++col) cells.push_back(MeasureOf(*grid->cell(col, row)));
    heights.push_back(grid->row(row).height);
  }
  section.rows = std::move(measured);
  section.height = StretchHeight(heights, SpacingY(table));
  section.measuredAt = ColumnsOf(table, *grid);
  return true;
}

void HtmlPage::LayRunOut(LongRun& run, std::vector<char> lay) {
  litehtml::element::ptr table = run.table.lock();
  if (!table) return;
  const size_t count = run.sections.size();
  lay.resize(count, 1);
  for (size_t i = 0; i < count; ++i) {
    RunSection& section = *run.sections[i];
    if (section.champion) lay[i] = 1;
    if (!section.element) continue;
    if (!section.sourced) lay[i] = 1;
    if (!lay[i] && !CaptureMeasures(table, section)) lay[i] = 1;
  }
  // What the table takes in anew, in order: sections coming back and a stand-in for each
  // stretch kept; all read at once.
  struct Part {
    RunSection* section = nullptr;  // null: a stand-in for `count` sections from `first`
    RunSection* first = nullptr;
    size_t count = 0;
  };
  std::vector<Part> order;
  std::string text;
  const int spacing = SpacingY(table);
  for (size_t i = 0; i < count;) {
    RunSection& section = *run.sections[i];
    if (lay[i]) {
      order.push_back({&section});
      if (!section.element) text += section.source;
      ++i;
      continue;
    }
    std::vector<int> heights;
    size_t end = i;
    for (; end < count && !lay[end]; ++end) heights.push_back(run.sections[end]->height);
    order.push_back({nullptr, &section, end - i});
    text += StandInText(StretchHeight(heights, spacing));
    i = end;
  }
  std::vector<litehtml::element::ptr> groups;
  if (!text.empty())
    for (const auto& part : ParseAsContentOf(table, text))
      if (!part->is_white_space()) groups.push_back(part);
  size_t fresh = 0;
  for (const Part& part : order) fresh += !part.section || !part.section->element;
  if (groups.size() != fresh || !std::all_of(groups.begin(), groups.end(), [](const auto& g) { return IsRowGroup(g); })) {
    // What the sections' text gives is not what they were: the page holds them laid out.
    MakeWhole(run);
    return;
  }

  litehtml::elements_vector& children = ChildrenOf(table);
  const auto [first, last] = RunRange(run, children);
  if (first == children.size()) return;

  std::vector<litehtml::element::ptr> placed;
  std::vector<LongRun::StandIn> standIns;
  size_t next = 0;
  for (const Part& part : order) {
    if (part.section && part.section->element) {
      placed.push_back(part.section->element);
      continue;
    }
    litehtml::element::ptr group = groups[next++];
    group->parent(table);
    TakeFonts(group);
    if (part.section) {
      ForgetKept(*part.section);
      part.section->element = group;
      part.section->rows.clear();
      m_laidOutSections[group.get()] = part.section;
      IndexIds(group);
    } else {
      standIns.push_back({group, part.first, part.count});
    }
    placed.push_back(group);
  }
  for (size_t i = 0; i < count; ++i) {
    RunSection& section = *run.sections[i];
    if (lay[i] || !section.element) continue;
    ForgetIds(section.element);
    m_laidOutSections.erase(section.element.get());
    section.element.reset();
    IndexKept(section);
  }
  for (const auto& standIn : run.standIns) ForgetIds(standIn.group);
  children.erase(children.begin() + static_cast<std::ptrdiff_t>(first),
                 children.begin() + static_cast<std::ptrdiff_t>(last) + 1);
  children.insert(children.begin() + static_cast<std::ptrdiff_t>(first), placed.begin(), placed.end());
  run.standIns = std::move(standIns);
  run.standInsStale = false;
  ChildrenChanged(table);
}

// Every section of the run laid out, each stretch kept read from its text, and the run
// let go: the table is one as any other from now on.
void HtmlPage::MakeWhole(LongRun& run) {
  run.whole = true;
  litehtml::element::ptr table = run.table.lock();
  litehtml::elements_vector* children = table ? &ChildrenOf(table) : nullptr;
  const auto [first, last] = children ? RunRange(run, *children) : std::pair<size_t, size_t>{0, 0};
  // The run's elements in order: each laid-out section's own, and what the text of each
  // stretch kept gives.
  std::vector<litehtml::element::ptr> placed;
  std::string text;
  auto readText = [&] {
    if (text.empty() || !table) return;
    for (const auto& part : ParseAsContentOf(table, text)) {
      part->parent(table);
      TakeFonts(part);
      IndexIds(part);
      placed.push_back(part);
    }
    text.clear();
  };
  for (auto& section : run.sections) {
    ForgetKept(*section);
    if (!section->element) {
      text += section->source;
      continue;
    }
    readText();
    m_laidOutSections.erase(section->element.get());
    placed.push_back(section->element);
  }
  readText();
  for (const auto& standIn : run.standIns) ForgetIds(standIn.group);
  if (children && first < children->size()) {
    children->erase(children->begin() + static_cast<std::ptrdiff_t>(first),
                    children->begin() + static_cast<std::ptrdiff_t>(last) + 1);
    children->insert(children->begin() + static_cast<std::ptrdiff_t>(first), placed.begin(), placed.end());
  }
  run.standIns.clear();
  run.sections.clear();
  if (table) ChildrenChanged(table);
}

// ---- Measuring the kept sections -----------------------------------------------------------------

// Reads the sections from their text a few at a time, as they would stand in the table,
// and measures their cells and rows as a layout of the table at its columns now would.
bool HtmlPage::MeasureKept(LongRun& run, const std::vector<RunSection*>& sections) {
  litehtml::element::ptr table = run.table.lock();
  litehtml::table_grid* grid = table ? GridOf(table) : nullptr;
  if (!grid) return false;
  const std::vector<int> at = ColumnsOf(table, *grid);
  const int spacing = SpacingY(table);
  for (size_t from = 0; from < sections.size(); from += kMeasuredAtOnce) {
    const size_t to = std::min(sections.size(), from + kMeasuredAtOnce);
    std::string text;
    for (size_t i = from; i < to; ++i) text += sections[i]->source;
    // A small page of its own for each batch, so what it keeps of the batch goes with it.
    m_scratch.reset();
    std::vector<litehtml::element::ptr> groups;
    for (const auto& part : ParseAsContentOf(table, text))
      if (!part->is_white_space()) groups.push_back(part);
    if (groups.size() != to - from) return false;
    for (size_t i = from; i < to; ++i) {
      const litehtml::element::ptr& group = groups[i - from];
      std::vector<litehtml::element::ptr> rows;
      litehtml::table_grid made;
      if (!IsRowGroup(group) || !RowsOf({group}, rows) || rows.empty()) return false;
      TakeFonts(group);
      if (!GridOfRows(rows, made) || !MeasureNewCells(table, *grid, made) ||
          !LayOutRows(*grid, made, 0, made.rows_count()))
        return false;
      RunSection& section = *sections[i];
      section.rows.clear();
      std::vector<int> heights;
      for (int row = 0; row < made.rows_count(); ++row) {
        if (Collapsed(table) && made.row(row).border_top > 0) return false;
        std::vector<CellMeasure>& cells = section.rows.emplace_back();
        for (int col = 0; col < grid->cols_count(); ++col) {
          const litehtml::table_cell* cell = made.cell(col, row);
          cells.push_back(cell ? MeasureOf(*cell) : CellMeasure{});
        }
        heights.push_back(made.row(row).height);
      }
      section.height = StretchHeight(heights, spacing);
      section.measuredAt = at;
    }
  }
  m_scratch.reset();
  return true;
}

// True when the table's columns, worked out from the cells laid out, are those every cell
// of the run would give; `champions` are the sections whose cells give the columns their
// measures (the widest of each column, and cells spanning columns that widen them).
bool HtmlPage::ColumnsHold(LongRun& run, litehtml::table_grid& grid, std::vector<RunSection*>& champions) {
  std::unordered_map<const litehtml::element*, const LongRun::StandIn*> standInRows;
  for (const auto& standIn : run.standIns) {
    std::vector<litehtml::element::ptr> rows;
    if (RowsOf({standIn.group}, rows) && rows.size() == 1) standInRows[rows.front().get()] = &standIn;
  }
  std::unordered_map<const RunSection*, size_t> index;
  for (size_t i = 0; i < run.sections.size(); ++i) index[run.sections[i].get()] = i;
  const int cols = grid.cols_count();
  std::vector<std::vector<CellMeasure>> columns(static_cast<size_t>(cols));
  std::vector<std::vector<RunSection*>> owners(static_cast<size_t>(cols));
  auto take = [&](const std::vector<CellMeasure>& cells, RunSection* owner) {
    for (int col = 0; col < cols; ++col) {
      columns[static_cast<size_t>(col)].push_back(static_cast<size_t>(col) < cells.size() ? cells[static_cast<size_t>(col)]
                                                                                          : CellMeasure{});
      owners[static_cast<size_t>(col)].push_back(owner);
    }
  };
  for (int row = 0; row < grid.rows_count(); ++row) {
    const litehtml::element::ptr& el = grid.row(row).el_row;
    auto standIn = el ? standInRows.find(el.get()) : standInRows.end();
    if (standIn != standInRows.end()) {
      const size_t from = index[standIn->second->first];
      for (size_t i = from; i < from + standIn->second->count; ++i)
        for (const auto& cells : run.sections[i]->rows) take(cells, run.sections[i].get());
      continue;
    }
    std::vector<CellMeasure> cells;
    for (int col = 0; col < cols; ++col) cells.push_back(MeasureOf(*grid.cell(col, row)));
    auto owner = el && el->parent() ? m_laidOutSections.find(el->parent().get()) : m_laidOutSections.end();
    take(cells, owner == m_laidOutSections.end() ? nullptr : owner->second);
  }
  // The widest of each column, by either measure, and each cell spanning columns that is
  // wider than every one spanning from that column before it.
  std::unordered_set<RunSection*> chosen;
  for (int col = 0; col < cols; ++col) {
    const auto& cells = columns[static_cast<size_t>(col)];
    const auto& of = owners[static_cast<size_t>(col)];
    int widestMin = -1, widestMax = -1, spanMin = -1, spanMax = -1;
    RunSection *byMin = nullptr, *byMax = nullptr;
    for (size_t i = 0; i < cells.size(); ++i) {
      const CellMeasure& cell = cells[i];
      if (!cell.holdsElement) continue;
      if (cell.colspan > 1) {
        if (cell.minWidth > spanMin || cell.maxWidth > spanMax) {
          if (of[i]) chosen.insert(of[i]);
          spanMin = std::max(spanMin, cell.minWidth);
          spanMax = std::max(spanMax, cell.maxWidth);
        }
        continue;
      }
      if (cell.minWidth > widestMin) widestMin = cell.minWidth, byMin = of[i];
      if (cell.maxWidth > widestMax) widestMax = cell.maxWidth, byMax = of[i];
    }
    if (byMin) chosen.insert(byMin);
    if (byMax) chosen.insert(byMax);
  }
  champions.assign(chosen.begin(), chosen.end());
  litehtml::table_grid worked = grid;
  return ColumnsStayWith(worked, columns);
}

// After a whole layout: the kept sections measured at the columns the layout gave, the
// columns checked against every section's cells, the stand-ins made as tall as what they
// stand for. Each of these may lay the page out again; the run is laid out whole when
// that does not settle.
void HtmlPage::SettleRuns() {
  if (m_settlingRuns) return;
  m_settlingRuns = true;
  constexpr int kTries = 4;
  bool settled = false;
  for (int tries = 0; !settled && tries < kTries; ++tries) {
    settled = true;
    for (auto& run : m_runs)
      if (!run->whole && !SettleRun(*run)) settled = false;
    if (!settled) RenderWhole();
  }
  if (!settled) {
    for (auto& run : m_runs)
      if (!run->whole) MakeWhole(*run);
    RenderWhole();
  }
  m_settlingRuns = false;
}

// True when the run needs nothing more of this layout.
bool HtmlPage::SettleRun(LongRun& run) {
  litehtml::element::ptr table = run.table.lock();
  litehtml::table_grid* grid = table ? GridOf(table) : nullptr;
  if (!grid || grid->cols_count() == 0) {
    MakeWhole(run);
    return false;
  }
  const std::vector<int> at = ColumnsOf(table, *grid);
  std::vector<RunSection*> stale;
  for (auto& section : run.sections)
    if (!section->element && (section->height < 0 || section->measuredAt != at)) stale.push_back(section.get());
  if (!stale.empty() && !MeasureKept(run, stale)) {
    MakeWhole(run);
    return false;
  }
  if (run.standInsStale) {
    std::vector<char> lay;
    for (auto& section : run.sections) lay.push_back(section->element != nullptr);
    LayRunOut(run, lay);
    return false;
  }
  std::vector<RunSection*> champions;
  const bool hold = ColumnsHold(run, *grid, champions);
  for (auto& section : run.sections) section->champion = false;
  bool missing = false;
  for (RunSection* champion : champions) {
    champion->champion = true;
    missing = missing || !champion->element;
  }
  std::vector<char> lay;
  for (auto& section : run.sections) lay.push_back(section->element != nullptr);
  if (!hold) {
    if (!missing) {
      // Every section that gives the columns their measures is laid out, and still the
      // columns are not those of the whole table: it is laid out whole.
      MakeWhole(run);
      return false;
    }
    LayRunOut(run, lay);
    return false;
  }
  // The stand-ins stand for sections just measured anew, or were made before they were.
  std::unordered_map<const RunSection*, size_t> index;
  for (size_t i = 0; i < run.sections.size(); ++i) index[run.sections[i].get()] = i;
  const int spacing = SpacingY(table);
  for (const auto& standIn : run.standIns) {
    std::vector<int> heights, rows;
    const size_t from = index[standIn.first];
    for (size_t i = from; i < from + standIn.count; ++i) heights.push_back(run.sections[i]->height);
    if (!GridRowsOf(*grid, standIn.group, rows) || rows.size() != 1 ||
        grid->row(rows.front()).height != StretchHeight(heights, spacing)) {
      LayRunOut(run, lay);
      return false;
    }
  }
  return true;
}

void HtmlPage::RenderWhole() {
  for (const auto& weak : m_tablesToTakeApart)
    if (litehtml::element::ptr table = weak.lock()) table->init();
  m_tablesToTakeApart.clear();
  m_document->render(m_layoutWidth);
  m_layoutDirty = false;
}

// ---- What is shown ---------------------------------------------------------------------------------

void HtmlPage::ShowRows(int top, int bottom) {
  if (m_runs.empty() || !m_document) return;
  EnsureLayout();
  const int margin = std::max(bottom - top, 320);
  for (auto& run : m_runs) {
    litehtml::element::ptr table = run->table.lock();
    litehtml::table_grid* grid = table ? GridOf(table) : nullptr;
    if (run->whole || run->standInsStale || !grid) continue;
    std::unordered_map<const RunSection*, const LongRun::StandIn*> starts;
    for (const auto& standIn : run->standIns) starts[standIn.first] = &standIn;
    const int spacing = SpacingY(table);
    const int tableTop = table->get_placement().y;
    std::vector<char> lay;
    bool needed = false;
    size_t laidOut = 0, wanted = 0;
    int y = 0;
    for (auto& section : run->sections) {
      int height = section->height;
      if (section->element) {
        std::vector<int> rows;
        if (!GridRowsOf(*grid, section->element, rows)) return;
        height = 0;  // a section without rows takes no room
        if (!rows.empty()) {
          y = tableTop + grid->row(rows.front()).top;
          height = tableTop + grid->row(rows.back()).bottom - y;
        }
      } else if (auto start = starts.find(section.get()); start != starts.end()) {
        std::vector<int> rows;
        if (GridRowsOf(*grid, start->second->group, rows) && !rows.empty()) y = tableTop + grid->row(rows.front()).top;
      }
      const bool want = y < bottom + margin && y + height > top - margin;
      const bool keep = section->element && y < bottom + 4 * margin && y + height > top - 4 * margin;
      lay.push_back(want || keep);
      needed = needed || (want && !section->element);
      laidOut += section->element != nullptr;
      wanted += want;
      y += height + spacing;
    }
    // Sections far from the view are kept as text again once many are laid out.
    const bool crowded = laidOut > 3 * wanted + kFirstLaidOut;
    if (needed || crowded) LayRunOut(*run, lay);
  }
  if (m_layoutDirty) {
    EnsureLayout();
    // What was shown stands where it stood: only a layout of the page's own asks to draw all.
    m_changedTop = kNothingChanged;
  }
}

litehtml::element::ptr HtmlPage::LayOutSectionOf(const std::string& id) {
  auto kept = m_keptIds.find(id);
  if (kept == m_keptIds.end()) return ElementById(id);
  RunSection* target = kept->second;
  LongRun& run = *target->run;
  std::vector<char> lay;
  for (auto& section : run.sections) lay.push_back(section->element != nullptr || section.get() == target);
  LayRunOut(run, lay);
  EnsureLayout();
  return ElementById(id);
}

// ---- Changes followed in the sections' text --------------------------------------------------------

HtmlPage::RunSection* HtmlPage::SectionHolding(const litehtml::element::ptr& element, bool& itself) {
  for (litehtml::element::ptr e = element; e; e = e->parent()) {
    auto found = m_laidOutSections.find(e.get());
    if (found == m_laidOutSections.end()) continue;
    itself = e == element;
    return found->second;
  }
  return nullptr;
}

namespace {

// The element at [outerBegin, outerEnd) of `source` changed in its text as `change` says.
void Splice(std::string& source, const SourceElement& at, HtmlPage::TextChange change, const std::string& html) {
  using Change = HtmlPage::TextChange;
  switch (change) {
    case Change::kContent: source.replace(at.innerBegin, at.innerEnd - at.innerBegin, html); break;
    case Change::kReplace: source.replace(at.outerBegin, at.outerEnd - at.outerBegin, html); break;
    case Change::kBefore: source.insert(at.outerBegin, html); break;
    case Change::kAfter: source.insert(at.outerEnd, html); break;
    case Change::kRemove: source.erase(at.outerBegin, at.outerEnd - at.outerBegin); break;
  }
}

// The section's own element: its first tag to the end of its text.
std::optional<SourceElement> WholeOf(const std::string& source) {
  size_t at = 0;
  SourceTag tag;
  if (!NextTag(source, at, tag) || tag.begin != 0 || tag.closing) return std::nullopt;
  if (const std::optional<std::string> id = AttributeOf(source, tag, "id")) return FindById(source, *id);
  const size_t close = source.rfind("</");
  if (close == std::string::npos || close < tag.end) return std::nullopt;
  return SourceElement{0, tag.end, close, source.size()};
}

}  // namespace

void HtmlPage::FollowInText(const litehtml::element::ptr& element, TextChange change, const std::string& html,
                            const std::vector<litehtml::element::ptr>& made) {
  bool itself = false;
  RunSection* section = element ? SectionHolding(element, itself) : nullptr;
  if (!section) return;
  LongRun& run = *section->run;
  if (!itself || change == TextChange::kContent) {
    const char* id = element->get_attr("id");
    std::optional<SourceElement> at = itself ? WholeOf(section->source) : id ? FindById(section->source, id) : std::nullopt;
    if (at)
      Splice(section->source, *at, change, html);
    else
      section->sourced = false;
    return;
  }
  auto place = std::find_if(run.sections.begin(), run.sections.end(), [&](const auto& s) { return s.get() == section; });
  if (change == TextChange::kRemove) {
    m_laidOutSections.erase(section->element.get());
    run.sections.erase(place);
    return;
  }
  std::vector<litehtml::element::ptr> groups;
  for (const auto& part : made)
    if (!part->is_white_space()) groups.push_back(part);
  if (!std::all_of(groups.begin(), groups.end(), [](const auto& g) { return IsRowGroup(g); })) {
    // Something other than sections came into the run: the table is laid out whole.
    MakeWhole(run);
    return;
  }
  const std::optional<std::vector<std::string>> sources = SplitSections(html);
  const bool followed = sources && sources->size() == groups.size();
  if (change == TextChange::kReplace && groups.size() == 1 && groups.front() == section->element) {
    // Replaced by one of the same shape: the section kept its element and took the new cells.
    if (followed) section->source = sources->front();
    section->sourced = followed;
    return;
  }
  size_t at = static_cast<size_t>(place - run.sections.begin());
  if (change == TextChange::kReplace) {
    m_laidOutSections.erase(section->element.get());
    run.sections.erase(run.sections.begin() + static_cast<std::ptrdiff_t>(at));
  } else if (change == TextChange::kAfter) {
    ++at;
  }
  for (size_t i = 0; i < groups.size(); ++i) {
    auto added = std::make_unique<RunSection>();
    added->run = &run;
    added->element = groups[i];
    added->sourced = followed;
    if (followed) added->source = (*sources)[i];
    m_laidOutSections[groups[i].get()] = added.get();
    run.sections.insert(run.sections.begin() + static_cast<std::ptrdiff_t>(at + i), std::move(added));
  }
}

bool HtmlPage::ApplyToElement(const litehtml::element::ptr& element, TextChange change, const std::string& html) {
  if (!element) return false;
  switch (change) {
    case TextChange::kContent: SetElementContent(element, html); return true;
    case TextChange::kReplace: return ReplaceElement(element, html);
    case TextChange::kBefore: return InsertBeside(element, html, false);
    case TextChange::kAfter: return InsertBeside(element, html, true);
    case TextChange::kRemove: return RemoveElement(element);
  }
  return false;
}

bool HtmlPage::ChangeKeptText(const std::string& id, TextChange change, const std::string& html) {
  auto kept = m_keptIds.find(id);
  if (kept == m_keptIds.end()) return false;
  RunSection* section = kept->second;
  LongRun& run = *section->run;
  const std::optional<SourceElement> at = FindById(section->source, id);
  const bool itself = at && at->outerBegin == 0 && at->outerEnd == section->source.size();
  std::optional<std::vector<std::string>> sources;
  if (itself && change != TextChange::kContent && change != TextChange::kRemove) sources = SplitSections(html);
  if (!at || (itself && change != TextChange::kContent && change != TextChange::kRemove && !sources))
    // Text this cannot follow: the element is changed laid out.
    return ApplyToElement(LayOutSectionOf(id), change, html);
  // A section shown again as it stands (a line whose figures came out the same) keeps its
  // measures: a change to the document's head shows every line again.
  const bool inside = !itself || change == TextChange::kContent;
  std::string changed = section->source;
  if (inside) Splice(changed, *at, change, html);
  if (inside ? changed == section->source
             : change == TextChange::kReplace && sources->size() == 1 && sources->front() == section->source)
    return true;
  ForgetKept(*section);
  if (inside) {
    section->source = std::move(changed);
    section->height = -1;
    IndexKept(*section);
  } else {
    size_t place = static_cast<size_t>(
        std::find_if(run.sections.begin(), run.sections.end(), [&](const auto& s) { return s.get() == section; }) -
        run.sections.begin());
    if (change == TextChange::kRemove || change == TextChange::kReplace) {
      run.sections.erase(run.sections.begin() + static_cast<std::ptrdiff_t>(place));
    } else {
      IndexKept(*section);
      if (change == TextChange::kAfter) ++place;
    }
    if (sources)
      for (size_t i = 0; i < sources->size(); ++i) {
        auto added = std::make_unique<RunSection>();
        added->run = &run;
        added->source = (*sources)[i];
        IndexKept(*added);
        run.sections.insert(run.sections.begin() + static_cast<std::ptrdiff_t>(place + i), std::move(added));
      }
  }
  // The stand-ins are made again for what the run holds, as tall as it is, once the changed
  // sections are measured at the next layout.
  run.standInsStale = true;
  if (litehtml::element::ptr table = run.table.lock()) ChildrenChanged(table);
  m_linksValid = false;
  return true;
}

}  // namespace platform::htmlview
