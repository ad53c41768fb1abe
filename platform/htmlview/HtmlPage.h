// One laid-out HTML page: the litehtml document with our drawing container (pango text,
// cairo drawing), the master style sheet, the page's pictures and its links. Knows no
// window: the control (HtmlControl.cpp) owns one and feeds it.
#pragma once

#include <cairo.h>

#include <litehtml/litehtml.h>

#include <climits>
#include <cstdint>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform::htmlview {

struct SectionRun;

// A link of the laid-out page: its target, its text and where it shows (page pixels).
struct PageLink {
  std::string target;
  std::string text;
  std::vector<litehtml::position> boxes;
};

class HtmlPage final : public litehtml::document_container {
 public:
  HtmlPage();
  ~HtmlPage();
  HtmlPage(const HtmlPage&) = delete;
  HtmlPage& operator=(const HtmlPage&) = delete;

  // Parses UTF-8 HTML (malformed input gives what can be made of it). Picture sources the
  // page names are collected (PictureSources) with no size until SetPicture.
  void Load(const std::string& html);
  void Clear();
  bool HasDocument() const { return m_document != nullptr; }
  // Lays the page out `width` pixels wide; returns the page's width (wider than `width`
  // when something cannot be broken).
  int Layout(int width);
  int Width();
  int Height();
  // True when a replaced element still waits for the layout it needs.
  bool NeedsLayout() const { return m_layoutDirty; }
  // True once after rows put in or taken out in place moved the page's end.
  bool TakeHeightChange() { return std::exchange(m_heightMoved, false); }
  // The page's top of what changed since last asked, in page pixels: all below it may
  // have moved, nothing above it did. kAllChanged after a whole layout or while one is
  // due; kNothingChanged when nothing did.
  static constexpr int kAllChanged = INT_MIN;
  static constexpr int kNothingChanged = INT_MAX;
  int TakeChangedTop();
  // The page rows [top, bottom) drawn anew where they stood since last asked (content put in
  // place of other content of no greater height; nothing moved). Empty after a whole layout
  // or while one is due: TakeChangedTop then says all changed.
  std::vector<std::pair<int, int>> TakeChangedBands();
  int LayoutCount() const { return m_layoutCount; }
  int LayoutWidth() const { return m_layoutWidth; }
  // Paints the page area `clip` (page pixels) with the page's (0, 0) at the context's origin.
  void Draw(cairo_t* cr, const litehtml::position& clip);

  const std::vector<std::string>& PictureSources() const { return m_pictureOrder; }
  // Takes `surface` (owned from now on; null: the picture is missing and stays empty).
  void SetPicture(const std::string& source, cairo_surface_t* surface);

  // The link shown at (x, y) in page pixels, null when none.
  const PageLink* LinkAt(int x, int y);
  const std::vector<PageLink>& Links();

  // The element with this id, null when the page has none.
  litehtml::element::ptr ElementById(const std::string& id);
  // The top (page pixels) of the anchor named `name` (an element with that name or id),
  // -1 when the page has none.
  int AnchorTop(const std::string& name);
  // Replaces the content of `element` by the HTML fragment. The page is laid out again
  // when it is next measured, painted or hit (several replacements cost one layout).
  void SetElementContent(const litehtml::element::ptr& element, const std::string& html);
  // Replaces `element` itself by what the HTML fragment gives where it stands (read as the
  // content of its parent: sections in a table, rows in a section, cells in a row). A
  // table section replaced by one of the same shape (its rows, and cells of the same spans
  // and classes) keeps its place in the laid-out table: each cell takes its new content as
  // SetElementContent gives it. False when the fragment gives nothing to put there.
  bool ReplaceElement(const litehtml::element::ptr& element, const std::string& html);
  // Puts what the fragment gives (read as for ReplaceElement) just before or after `element`.
  bool InsertBeside(const litehtml::element::ptr& element, const std::string& html, bool after);
  // Takes `element` out of the page.
  bool RemoveElement(const litehtml::element::ptr& element);
  // The laid-out page changes each Load and Clear; element objects of an older one are stale.
  unsigned Generation() const { return m_generation; }

  // A table holding at least `sections` row groups one after another keeps those far from
  // what is shown as text, lays them out when they come into view, and in place of each
  // stretch of them holds one empty row as tall as they are: a page of thousands of lines
  // holds elements for a few screens, and draws as it would laid out whole. 0 lays out
  // every page whole. Takes effect at the next Load.
  static constexpr size_t kLongRun = 128;
  void SetLongRun(size_t sections) { m_longRun = sections; }
  // Lays out the sections kept as text that page rows [top, bottom) show, and keeps as text
  // again those far from them. Draw and LinkAt do it for what they reach.
  void ShowRows(int top, int bottom);
  // An element of a section kept as text: ElementById gives none for it.
  bool IsKeptAsText(const std::string& id) const { return m_keptIds.count(id) > 0; }
  // Changes an element kept as text, in its section's text: its content, the element
  // itself, what stands before or after it, or the element taken out. The section is
  // measured again when the page is next laid out. False when no element kept has the id.
  enum class TextChange { kContent, kReplace, kBefore, kAfter, kRemove };
  bool ChangeKeptText(const std::string& id, TextChange change, const std::string& html);
  // Lays out the section holding the element of this id; the element, null when none.
  litehtml::element::ptr LayOutSectionOf(const std::string& id);

  // The laid-out page as text, one element a line (see platform::HtmlPageDump).
  std::string Dump();

  // Text smoothing (on by default).
  void SetSmoothText(bool on) { m_smoothText = on; }

  // ---- litehtml::document_container ----
  litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                 litehtml::font_style italic, unsigned int decoration,
                                 litehtml::font_metrics* fm) override;
  void delete_font(litehtml::uint_ptr hFont) override;
  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) override;
  void draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                 litehtml::web_color color, const litehtml::position& pos) override;
  int pt_to_px(int pt) const override;
  int get_default_font_size() const override;
  const litehtml::tchar_t* get_default_font_name() const override;
  void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override;
  void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, bool redraw_on_ready) override;
  void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, litehtml::size& sz) override;
  void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override;
  void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                    const litehtml::position& draw_pos, bool root) override;
  void set_caption(const litehtml::tchar_t*) override {}
  void set_base_url(const litehtml::tchar_t*) override {}
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const litehtml::tchar_t*, const litehtml::element::ptr&) override {}
  void set_cursor(const litehtml::tchar_t*) override {}
  void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override;
  // A page never pulls style sheets from elsewhere.
  void import_css(litehtml::tstring&, const litehtml::tstring&, litehtml::tstring&) override {}
  void set_clip(const litehtml::position& pos, const litehtml::border_radiuses& radius, bool valid_x,
                bool valid_y) override;
  void del_clip() override;
  void get_client_rect(litehtml::position& client) const override;
  std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t*, const litehtml::string_map&,
                                                    const std::shared_ptr<litehtml::document>&) override {
    return nullptr;
  }
  void get_media_features(litehtml::media_features& media) const override;
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override;

 private:
  struct Font;
  struct Picture {
    cairo_surface_t* surface = nullptr;
  };

  void CollectLinks();
  void CollectLongTables();
  void EnsureLayout();
  // The elements the fragment gives as the content of `parent` (parsed against the page's
  // styles where they will stand), not yet in the page.
  std::vector<litehtml::element::ptr> ParseAsContentOf(const litehtml::element::ptr& parent, const std::string& html);
  // `styleInPlace`: the content was made for the page unstyled, and is styled once placed.
  void PutContent(const litehtml::element::ptr& element, const std::vector<litehtml::element::ptr>& content,
                  bool styleInPlace = false);
  // Places new elements among `parent`'s children from `index` on; the table around them
  // is taken apart into rows and cells again and the page laid out again when next needed.
  void PutChildren(const litehtml::element::ptr& parent, size_t index,
                   const std::vector<litehtml::element::ptr>& children);
  void ChildrenChanged(const litehtml::element::ptr& parent);
  // `element` taken out of `parent`, and out of the laid-out page where it can be.
  void TakeOut(const litehtml::element::ptr& parent, const litehtml::element::ptr& element);
  // Rows put in or taken out of a laid-out table without laying the page out whole; false
  // when the page must be laid out whole (what was done to the table's grid is then
  // undone by that layout).
  bool InsertRowsInPlace(const litehtml::element::ptr& table, size_t index,
                         const std::vector<litehtml::element::ptr>& parts);
  bool RemoveRowsInPlace(const litehtml::element::ptr& table, const litehtml::element::ptr& part);
  bool TakeOutInPlace(const litehtml::element::ptr& parent, const litehtml::element::ptr& element);
  bool CellMeasuresStay(const litehtml::element::ptr& cell);
  // What a laid-out table's columns are worked out from: its cells' measures, column by
  // column, kept beside its grid with a count of each column's measures. A row put in or
  // taken out, or a cell measured anew, reads only its own cells from the grid; the columns
  // are worked out again from every cell's measures only when a column's widest cell or its
  // border changes. Made when first asked after a whole layout.
  struct Unspread;
  struct TableMeasures;
  // Long runs of sections and what they keep as text (HtmlPageRuns.cpp).
  struct RunSection;
  struct LongRun;
  void LoadWithRuns(const std::string& html, const std::vector<SectionRun>& runs);
  void RenderWhole();
  void SettleRuns();
  bool SettleRun(LongRun& run);
  // Lays out the run's sections marked in `lay` and keeps the others as text, with their
  // stand-ins; the page is laid out whole when next needed.
  void LayRunOut(LongRun& run, std::vector<char> lay);
  void MakeWhole(LongRun& run);
  // Where the run stands among its table's children: from its first element (a laid-out
  // section or a stand-in) to its last; first is `children.size()` when none stands there.
  static std::pair<size_t, size_t> RunRange(const LongRun& run, const litehtml::elements_vector& children);
  bool MeasureKept(LongRun& run, const std::vector<RunSection*>& sections);
  bool CaptureMeasures(const litehtml::element::ptr& table, RunSection& section);
  bool ColumnsHold(LongRun& run, litehtml::table_grid& grid, std::vector<RunSection*>& champions);
  void IndexKept(RunSection& section);
  void ForgetKept(RunSection& section);
  RunSection* SectionHolding(const litehtml::element::ptr& element, bool& itself);
  // Follows a change made to the laid-out element `element` in its section's text; `made`
  // are the elements the change put in the page.
  void FollowInText(const litehtml::element::ptr& element, TextChange change, const std::string& html,
                    const std::vector<litehtml::element::ptr>& made);
  bool ApplyToElement(const litehtml::element::ptr& element, TextChange change, const std::string& html);
  TableMeasures& MeasuresOf(const litehtml::element::ptr& table, litehtml::table_grid& grid);
  bool CarryHeightChange(litehtml::element::ptr element, int delta);
  bool ShiftFollowing(const litehtml::element::ptr& parent, const litehtml::element::ptr& child, int delta);
  void TakeFonts(const litehtml::element::ptr& subtree);
  // The id index follows elements that come into the page and go out of it.
  void IndexIds(const litehtml::element::ptr& subtree);
  void ForgetIds(const litehtml::element::ptr& subtree);

  std::vector<std::unique_ptr<LongRun>> m_runs;
  // The measures of the last page's sections by their text (its length and hash: the text
  // itself is let go with the page), for the next page read with the same style sheets (a
  // document shown again after a change above its lines).
  struct KeptMeasures;
  std::unordered_map<std::uint64_t, KeptMeasures> m_measuresBefore;
  std::string m_measuresHead;
  void KeepMeasures();
  std::unordered_map<std::string, RunSection*> m_keptIds;  // the ids of the sections kept as text
  std::unordered_map<const litehtml::element*, RunSection*> m_laidOutSections;
  size_t m_longRun = kLongRun;
  bool m_settlingRuns = false;
  litehtml::context m_context;
  litehtml::document::ptr m_document;
  std::map<std::string, Picture> m_pictures;
  std::vector<std::string> m_pictureOrder;
  std::vector<PageLink> m_links;
  std::vector<std::weak_ptr<litehtml::element>> m_tablesToTakeApart;  // before the next layout
  std::vector<std::weak_ptr<litehtml::element>> m_longTables;  // drawn only where the clip meets them
  std::unordered_map<const litehtml::element*, std::unique_ptr<TableMeasures>> m_tableMeasures;
  bool m_linksValid = false;
  bool m_layoutDirty = false;
  bool m_heightMoved = false;
  int m_changedTop = kAllChanged;
  std::vector<std::pair<int, int>> m_changedBands;
  std::unordered_map<std::string, std::weak_ptr<litehtml::element>> m_ids;
  std::string m_head;  // the loaded page's head, its style sheets
  litehtml::document::ptr m_scratch;  // where fragments are read (ParseAsContentOf)
  int m_scratchUses = 0;
  bool m_idsValid = false;
  cairo_surface_t* m_measureSurface = nullptr;
  cairo_t* m_measure = nullptr;
  cairo_t* m_drawing = nullptr;  // while Draw runs (clips apply to it)
  int m_clipDepth = 0;
  int m_layoutWidth = 0;
  int m_layoutCount = 0;
  unsigned m_generation = 0;
  bool m_smoothText = true;
};

// Escapes & < > " so that `text` shows as itself inside HTML.
std::string EscapeHtml(std::string_view text);

}  // namespace platform::htmlview
