// The graphic engine: page geometry and state as the program sees it, every step
// recorded, and the pages drawn with cairo into a PDF kept in memory until the job ends.
#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/base/Base.h"
#include "platform/gdi/BitmapRows.h"
#include "platform/imaging/ImageDecompress.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/printing/PrintEngines.h"

namespace platform::printing {
namespace {

std::vector<PrintOp> g_ops;
EngineConditions g_conditions;
std::u16string g_lastOutput;

// The paper's unprintable edge around the printable area, in inches.
constexpr double kPaperMargin = 0.25;
constexpr double kPointsPerInch = 72.0;

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// Sets a context to draw in inches with the engine's font, metrics unhinted so that a
// text measures the same on the measuring surface and on the page.
void PrepareContext(cairo_t* cr) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

// The engine's font: a context is given it again only when it changes.
struct FontChoice {
  float points = 10;
  bool bold = false;
  bool italic = false;
  bool operator==(const FontChoice&) const = default;
};

void UseFont(cairo_t* cr, std::optional<FontChoice>& selected, const FontChoice& font) {
  if (selected == font) return;
  cairo_select_font_face(cr, "DejaVu Sans", font.italic ? CAIRO_FONT_SLANT_OBLIQUE : CAIRO_FONT_SLANT_NORMAL,
                         font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, font.points / kPointsPerInch);
  selected = font;
}

// One measuring context for every engine, in the font asked: texts measure without a job.
cairo_t* Measurer(const FontChoice& font) {
  static std::optional<FontChoice> selected;
  static cairo_t* cr = [] {
    cairo_surface_t* surface = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
    cairo_t* context = cairo_create(surface);
    cairo_surface_destroy(surface);
    cairo_scale(context, kPointsPerInch, kPointsPerInch);
    PrepareContext(context);
    return context;
  }();
  UseFont(cr, selected, font);
  return cr;
}


// The job file's name: the moment it ended, and a number when that name is taken.
std::u16string NextOutputPath() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "Print %04u-%02u-%02u %02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  std::u16string base = u"\\Printer Output\\" + ToUtf16(stamp);
  std::u16string path = base + u".pdf";
  for (int n = 2; std::filesystem::exists(MapDevicePath(path)); ++n)
    path = base + u" (" + ToUtf16(std::to_string(n)) + u").pdf";
  return path;
}

void Record(PrintOp op) { g_ops.push_back(std::move(op)); }

// A step drawn over a box of the page.
PrintOp Placed(PrintOp::Kind kind, float x, float y, float x2, float y2, int page) {
  PrintOp op(kind);
  op.x = x;
  op.y = y;
  op.x2 = x2;
  op.y2 = y2;
  op.page = page;
  return op;
}

// The engine's one-value operations: an answer handed out, a setting kept.
template <class T>
HRESULT Answer(T* out, T value) {
  *out = value;
  return S_OK;
}
template <class T>
HRESULT Keep(T& setting, T value) {
  setting = value;
  return S_OK;
}

}  // namespace

const std::vector<PrintOp>& RecordedOps() { return g_ops; }
void ClearRecordedOps() { g_ops.clear(); }
EngineConditions& Conditions() { return g_conditions; }
void ResetConditions() {
  g_conditions = EngineConditions{};
  g_lastOutput.clear();
}
std::u16string LastOutputFile() { return g_lastOutput; }

}  // namespace platform::printing

using namespace platform::printing;

// The open job: the PDF being drawn and the bytes it has produced so far.
struct CPrinterCE::Job {
  std::string bytes;
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  std::optional<FontChoice> font;  // what `cr` has selected
  std::vector<cairo_glyph_t> placed;  // a text's glyphs where they go on the page
  int page = 1;
  bool pageBreakPending = false;  // drawn at the next step, so a last break adds no blank page
  ~Job() {
    if (cr) cairo_destroy(cr);
    if (surface) cairo_surface_destroy(surface);
  }
};

// A text as the engine draws it (cairo ends a text at a U+0000): its glyphs placed from x
// 0 on the baseline, where each glyph ends, and the whole width, all in inches and in the
// font it was measured in. The widths are the same numbers cairo_text_extents gives for
// each beginning of the text: a glyph starts where the one before ended.
struct CPrinterCE::TextRun {
  FontChoice font;
  std::u16string text;
  std::vector<cairo_glyph_t> glyphs;
  std::vector<double> ends;
  double width = 0;
  size_t characters = 0;  // drawn: up to a U+0000, a surrogate pair counting one

  static size_t CountCharacters(std::u16string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size() && text[i] != u'\0'; ++count)
      i += platform::IsHighSurrogate(text[i]) && i + 1 < text.size() && platform::IsLowSurrogate(text[i + 1]) ? 2 : 1;
    return count;
  }

  // Becomes the run of a beginning of its text: with one glyph a character, that is the
  // first glyphs, where they stand (a glyph's place depends only on those before it).
  // False, the run unchanged, when the fonts gave another number of glyphs or the
  // beginning ends inside a surrogate pair.
  bool TakeBeginning(size_t units) {
    if (glyphs.size() != characters || units >= text.size()) return false;
    if (units > 0 && platform::IsHighSurrogate(text[units - 1]) && platform::IsLowSurrogate(text[units])) return false;
    text.resize(units);
    characters = CountCharacters(text);
    glyphs.resize(characters);
    ends.resize(characters);
    width = ends.empty() ? 0 : ends.back();
    return true;
  }

  void Shape(cairo_t* cr) {
    std::string utf8 = platform::ToUtf8(text);
    utf8.resize(std::strlen(utf8.c_str()));
    cairo_scaled_font_t* scaled = cairo_get_scaled_font(cr);
    cairo_glyph_t* shaped = nullptr;
    int count = 0;
    glyphs.clear();
    if (cairo_scaled_font_text_to_glyphs(scaled, 0, 0, utf8.data(), static_cast<int>(utf8.size()), &shaped, &count,
                                         nullptr, nullptr, nullptr) == CAIRO_STATUS_SUCCESS)
      glyphs.assign(shaped, shaped + count);
    cairo_glyph_free(shaped);
    ends.resize(glyphs.size());
    for (size_t i = 0; i + 1 < glyphs.size(); ++i) ends[i] = glyphs[i + 1].x;
    if (!glyphs.empty()) {
      // The last glyph's advance, measured where it stands alone so that nothing rounds.
      cairo_glyph_t last = glyphs.back();
      last.x = last.y = 0;
      cairo_text_extents_t extents{};
      cairo_scaled_font_glyph_extents(scaled, &last, 1, &extents);
      ends.back() = glyphs.back().x + extents.x_advance;
    }
    width = ends.empty() ? 0 : ends.back();
    characters = CountCharacters(text);
  }
};

CPrinterCE::CPrinterCE() : m_status(Conditions().statusAtStart) {}
CPrinterCE::~CPrinterCE() = default;

ULONG CPrinterCE::Release() {
  delete this;
  return 0;
}

HRESULT CPrinterCE::GetVersion(LONG* version) { return Answer(version, Conditions().version); }

HRESULT CPrinterCE::GetStatus(LONG* status) { return Answer(status, m_status); }

// Counts a drawing step against the injected failure; false once the printer failed, so
// nothing more is drawn.
bool CPrinterCE::Step() {
  if (m_status != kPrinterReady && m_status != kPrinterBusy) return false;
  EngineConditions& conditions = Conditions();
  if (conditions.failAfterSteps >= 0) {
    if (conditions.failAfterSteps == 0) {
      m_status = conditions.failStatus;
      return false;
    }
    --conditions.failAfterSteps;
  }
  m_status = kPrinterReady;
  return true;
}

CPrinterCE::Job& CPrinterCE::EnsureJob() {
  if (m_job) return *m_job;
  m_job = std::make_unique<Job>();
  double width = (m_pageWidth + 2 * kPaperMargin) * kPointsPerInch;
  double height = (m_pageHeight + 2 * kPaperMargin) * kPointsPerInch;
  m_job->surface = cairo_pdf_surface_create_for_stream(AppendToString, &m_job->bytes, width, height);
  m_job->cr = cairo_create(m_job->surface);
  cairo_scale(m_job->cr, kPointsPerInch, kPointsPerInch);
  cairo_translate(m_job->cr, kPaperMargin, kPaperMargin);
  PrepareContext(m_job->cr);
  return *m_job;
}

CPrinterCE::Job& CPrinterCE::PageForDrawing() {
  Job& job = EnsureJob();
  if (job.pageBreakPending) {
    cairo_show_page(job.cr);
    job.pageBreakPending = false;
  }
  return job;
}

const CPrinterCE::TextRun& CPrinterCE::Measure(std::u16string_view text) {
  const FontChoice font{m_fontSize, m_bold, m_italic};
  if (m_lastRun && m_lastRun->font == font) {
    if (m_lastRun->text == text) return *m_lastRun;
    // A beginning of the text measured last: a wrapped line, an amount without its mark.
    if (std::u16string_view(m_lastRun->text).starts_with(text) && m_lastRun->TakeBeginning(text.size()))
      return *m_lastRun;
  }
  if (!m_lastRun) m_lastRun = std::make_unique<TextRun>();
  m_lastRun->font = font;
  m_lastRun->text = text;
  m_lastRun->Shape(Measurer(font));
  return *m_lastRun;
}

HRESULT CPrinterCE::SelectPrinter(LONG printerId, LONG /*portId*/, LONG /*reserved*/, LONG* result) {
  m_printerId = printerId;
  if (printerId == 6 || printerId == 7 || printerId == 18) {
    m_pageWidth = 2.8f;
    m_pageHeight = 11.0f;
  } else if (printerId >= 8 && printerId <= 17) {
    m_pageWidth = 3.8f;
    m_pageHeight = 11.0f;
  } else {
    m_pageWidth = 8.0f;
    m_pageHeight = 10.5f;
  }
  if (result) *result = -1;
  return S_OK;
}

HRESULT CPrinterCE::SetScaleMode(LONG) { return S_OK; }

HRESULT CPrinterCE::SetupPage(LONG mode, float length, LONG, LONG, LONG, LONG, LONG, LONG, LONG* result) {
  PrintOp op{PrintOp::kSetupPage};
  op.x = static_cast<float>(mode);
  op.y = length;
  op.page = m_job ? m_job->page : 1;
  Record(op);
  if (result) *result = -1;
  return S_OK;
}

HRESULT CPrinterCE::GetTopOffset(float* value) { return Answer(value, m_topOffset); }
HRESULT CPrinterCE::SetTopOffset(float value) { return Keep(m_topOffset, value); }
HRESULT CPrinterCE::GetLeftOffset(float* value) { return Answer(value, m_leftOffset); }
HRESULT CPrinterCE::SetLeftOffset(float value) { return Keep(m_leftOffset, value); }
HRESULT CPrinterCE::GetPageWidth(float* value) { return Answer(value, m_pageWidth); }
HRESULT CPrinterCE::GetPageHeight(float* value) { return Answer(value, m_pageHeight); }
HRESULT CPrinterCE::GetTopMargin(float* value) { return Answer(value, static_cast<float>(kPaperMargin)); }
HRESULT CPrinterCE::GetLeftMargin(float* value) { return Answer(value, static_cast<float>(kPaperMargin)); }

HRESULT CPrinterCE::ShowStatus(std::u16string_view text, std::u16string_view, std::u16string_view) {
  PrintOp op{PrintOp::kStatusText};
  op.text = text;
  Record(op);
  if (Conditions().abortAtStatusText) m_status = kPrinterAborted;
  return S_OK;
}

// The contexts take the font when they next measure or draw.
HRESULT CPrinterCE::SetFontSize(float points) { return Keep(m_fontSize, points); }
HRESULT CPrinterCE::SetFontBold(LONG on) { return Keep(m_bold, on != 0); }
HRESULT CPrinterCE::SetFontItalic(LONG on) { return Keep(m_italic, on != 0); }

HRESULT CPrinterCE::GetTextWidth(std::u16string_view text, float* width) {
  *width = static_cast<float>(Measure(text).width);
  return S_OK;
}

HRESULT CPrinterCE::GetTextPrefixWidths(std::u16string_view text, std::vector<float>* widths) {
  if (!widths) return E_POINTER;
  widths->assign(text.size(), 0.0f);
  const TextRun& run = Measure(text);
  if (run.glyphs.size() == run.characters) {
    // A glyph a character up to a U+0000; from there on nothing is drawn and the width stays.
    size_t glyph = 0;
    float reached = 0;
    for (size_t i = 0; i < text.size();) {
      const size_t units = platform::IsHighSurrogate(text[i]) && i + 1 < text.size() && platform::IsLowSurrogate(text[i + 1]) ? 2 : 1;
      if (glyph < run.ends.size()) reached = static_cast<float>(run.ends[glyph++]);
      for (size_t k = 0; k < units; ++k) (*widths)[i + k] = reached;
      i += units;
    }
    return S_OK;
  }
  // A font that does not give one glyph per character: each beginning is measured alone.
  std::u16string copy(text);
  for (size_t i = 0; i < copy.size(); ++i) {
    const size_t end = platform::IsHighSurrogate(copy[i]) && i + 1 < copy.size() && platform::IsLowSurrogate(copy[i + 1]) ? i + 2 : i + 1;
    GetTextWidth(std::u16string_view(copy).substr(0, end), &(*widths)[i]);
  }
  return S_OK;
}

HRESULT CPrinterCE::GetTextHeight(std::u16string_view, float* height) {
  cairo_font_extents_t extents{};
  cairo_font_extents(Measurer(FontChoice{m_fontSize, m_bold, m_italic}), &extents);
  *height = static_cast<float>(extents.height);
  return S_OK;
}

HRESULT CPrinterCE::GetCurrentX(float* x) { return Answer(x, m_x); }
HRESULT CPrinterCE::GetCurrentY(float* y) { return Answer(y, m_y); }
HRESULT CPrinterCE::SetCurrentY(float y) { return Keep(m_y, y); }

HRESULT CPrinterCE::DrawText(std::u16string_view text, std::optional<float> x, std::optional<float> y,
                             std::optional<bool>) {
  if (!Step()) return S_OK;
  float left = x.value_or(m_x);
  float top = y.value_or(m_y);
  float height = 0;
  GetTextHeight(text, &height);
  const TextRun& run = Measure(text);
  const float width = static_cast<float>(run.width);
  Job& job = PageForDrawing();
  UseFont(job.cr, job.font, run.font);
  cairo_font_extents_t extents{};
  cairo_font_extents(job.cr, &extents);
  cairo_set_source_rgb(job.cr, 0, 0, 0);
  // The glyphs measured are the glyphs drawn: the page's font measures as the measuring
  // context's does (same face, size and metrics options).
  job.placed = run.glyphs;
  for (cairo_glyph_t& glyph : job.placed) {
    glyph.x += left;
    glyph.y += top + extents.ascent;
  }
  cairo_show_glyphs(job.cr, job.placed.data(), static_cast<int>(job.placed.size()));
  PrintOp op = Placed(PrintOp::kText, left, top, left + width, top + height, job.page);
  op.text = text;
  op.fontSize = m_fontSize;
  op.bold = m_bold;
  op.italic = m_italic;
  Record(op);
  m_x = left + width;
  m_y = top + height;
  return S_OK;
}

HRESULT CPrinterCE::DrawLine(float x1, float y1, float x2, float y2, std::optional<bool>, std::optional<bool>) {
  if (!Step()) return S_OK;
  Job& job = PageForDrawing();
  cairo_set_source_rgb(job.cr, 0, 0, 0);
  // A width of 0 is the thinnest line the printer makes.
  cairo_set_line_width(job.cr, m_lineWidth > 0 ? m_lineWidth : 0.01);
  cairo_move_to(job.cr, x1, y1);
  cairo_line_to(job.cr, x2, y2);
  cairo_stroke(job.cr);
  PrintOp op = Placed(PrintOp::kLine, x1, y1, x2, y2, job.page);
  Record(op);
  m_x = x2;
  m_y = y2;
  return S_OK;
}

HRESULT CPrinterCE::DrawRect(float x1, float y1, float x2, float y2, std::optional<bool>) {
  if (!Step()) return S_OK;
  Job& job = PageForDrawing();
  cairo_rectangle(job.cr, x1, y1, x2 - x1, y2 - y1);
  if (m_fillStyle == 0) {
    cairo_set_source_rgb(job.cr, (m_fillColor & 0xFF) / 255.0, ((m_fillColor >> 8) & 0xFF) / 255.0,
                         ((m_fillColor >> 16) & 0xFF) / 255.0);
    cairo_fill_preserve(job.cr);
  }
  if (m_lineWidth > 0 || m_fillStyle != 0) {
    cairo_set_source_rgb(job.cr, 0, 0, 0);
    cairo_set_line_width(job.cr, m_lineWidth > 0 ? m_lineWidth : 0.01);
    cairo_stroke(job.cr);
  } else {
    cairo_new_path(job.cr);
  }
  PrintOp op = Placed(PrintOp::kRect, x1, y1, x2, y2, job.page);
  op.fill = m_fillStyle == 0 ? m_fillColor : -1;
  Record(op);
  m_x = x2;
  m_y = y2;
  return S_OK;
}

HRESULT CPrinterCE::SetLineWidth(float inches) { return Keep(m_lineWidth, inches); }
HRESULT CPrinterCE::SetFillStyle(LONG style) { return Keep(m_fillStyle, style); }
HRESULT CPrinterCE::SetFillColor(LONG rgb) { return Keep(m_fillColor, rgb); }
HRESULT CPrinterCE::SetTextAlignment(LONG) { return S_OK; }

HRESULT CPrinterCE::DrawPicture(std::u16string_view path, float x, float y, float width, float height) {
  if (!Step()) return S_OK;
  Job& job = PageForDrawing();
  std::ifstream in(platform::MapDevicePath(path), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  platform::RgbaPicture picture;
  bool drawn = false;
  if (!bytes.empty() && platform::DecodePicture(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), picture) &&
      picture.width > 0 && picture.height > 0 && width > 0 && height > 0) {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
    auto* data = cairo_image_surface_get_data(image);
    auto stride = static_cast<size_t>(cairo_image_surface_get_stride(image));
    for (int row = 0; row < picture.height; ++row) {
      auto* out = reinterpret_cast<std::uint32_t*>(platform::RowStart(data, stride, row));
      for (int col = 0; col < picture.width; ++col) {
        // cairo wants premultiplied alpha.
        std::uint32_t p = picture.pixels[static_cast<size_t>(row) * picture.width + col];
        std::uint32_t a = p >> 24;
        auto mul = [a](std::uint32_t c) { return c * a / 255; };
        out[col] = (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
      }
    }
    cairo_surface_mark_dirty(image);
    cairo_save(job.cr);
    cairo_translate(job.cr, x, y);
    cairo_scale(job.cr, width / picture.width, height / picture.height);
    cairo_set_source_surface(job.cr, image, 0, 0);
    cairo_paint(job.cr);
    cairo_restore(job.cr);
    cairo_surface_destroy(image);
    drawn = true;
  }
  PrintOp op = Placed(PrintOp::kPicture, x, y, x + width, y + height, job.page);
  op.text = path;
  op.fill = drawn ? 1 : 0;
  Record(op);
  m_y = y + height;
  return S_OK;
}

HRESULT CPrinterCE::NewPage() {
  if (!Step()) return S_OK;
  Job& job = PageForDrawing();
  job.pageBreakPending = true;
  ++job.page;
  Record(Placed(PrintOp::kNewPage, 0, 0, 0, 0, job.page));
  m_x = 0;
  m_y = 0;
  return S_OK;
}

HRESULT CPrinterCE::AbortJob() {
  m_status = kPrinterAborted;
  return S_OK;
}

HRESULT CPrinterCE::TestPrint() {
  Record(PrintOp{PrintOp::kTestPrint});
  float size = m_fontSize;
  SetFontSize(12);
  DrawText(u"Printer test", 0.0f, 0.0f, std::nullopt);
  DrawText(u"The printer is connected and prints.", 0.0f, std::nullopt, std::nullopt);
  SetFontSize(size);
  return EndDocument();
}

HRESULT CPrinterCE::EndDocument() {
  PrintOp op{PrintOp::kEndDocument};
  // The pages the job holds: a break nothing was drawn after adds none.
  op.page = m_job ? m_job->page - (m_job->pageBreakPending ? 1 : 0) : 0;
  Record(op);
  std::unique_ptr<Job> job = std::move(m_job);
  m_x = m_y = 0;
  if (!job) return S_OK;
  cairo_destroy(job->cr);
  job->cr = nullptr;
  cairo_surface_finish(job->surface);
  bool good = cairo_surface_status(job->surface) == CAIRO_STATUS_SUCCESS;
  // A job that failed on the way is dropped: no half-printed file appears.
  if (m_status != kPrinterReady && m_status != kPrinterBusy) return S_OK;
  std::u16string path = NextOutputPath();
  std::filesystem::path linux = platform::MapDevicePath(path);
  std::error_code ec;
  std::filesystem::create_directories(linux.parent_path(), ec);
  if (!good || !platform::WriteFileAtomic(linux, job->bytes)) {
    m_status = kPrinterOutputFailed;
    return S_OK;
  }
  g_lastOutput = path;
  return S_OK;
}
