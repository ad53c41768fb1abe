// The graphic engine: page geometry and state as the program sees it, every step
// recorded, and the pages drawn with cairo into a PDF kept in memory until the job ends.
#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/base/Base.h"
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

void SelectFont(cairo_t* cr, float points, bool bold, bool italic) {
  cairo_select_font_face(cr, "DejaVu Sans", italic ? CAIRO_FONT_SLANT_OBLIQUE : CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, points / kPointsPerInch);
}

// One measuring context for every engine: texts measure without a job.
cairo_t* Measurer() {
  static cairo_t* cr = [] {
    cairo_surface_t* surface = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
    cairo_t* context = cairo_create(surface);
    cairo_surface_destroy(surface);
    cairo_scale(context, kPointsPerInch, kPointsPerInch);
    PrepareContext(context);
    return context;
  }();
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
  int page = 1;
  bool pageBreakPending = false;  // drawn at the next step, so a last break adds no blank page
  ~Job() {
    if (cr) cairo_destroy(cr);
    if (surface) cairo_surface_destroy(surface);
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

void CPrinterCE::ApplyFont() {
  SelectFont(Measurer(), m_fontSize, m_bold, m_italic);
  if (m_job) SelectFont(m_job->cr, m_fontSize, m_bold, m_italic);
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

HRESULT CPrinterCE::SetFontSize(float points) {
  m_fontSize = points;
  ApplyFont();
  return S_OK;
}
HRESULT CPrinterCE::SetFontBold(LONG on) {
  m_bold = on != 0;
  ApplyFont();
  return S_OK;
}
HRESULT CPrinterCE::SetFontItalic(LONG on) {
  m_italic = on != 0;
  ApplyFont();
  return S_OK;
}

HRESULT CPrinterCE::GetTextWidth(std::u16string_view text, float* width) {
  cairo_t* cr = Measurer();
  SelectFont(cr, m_fontSize, m_bold, m_italic);
  cairo_text_extents_t extents{};
  std::string utf8 = platform::ToUtf8(text);
  cairo_text_extents(cr, utf8.c_str(), &extents);
  *width = static_cast<float>(extents.x_advance);
  return S_OK;
}

HRESULT CPrinterCE::GetTextHeight(std::u16string_view, float* height) {
  cairo_t* cr = Measurer();
  SelectFont(cr, m_fontSize, m_bold, m_italic);
  cairo_font_extents_t extents{};
  cairo_font_extents(cr, &extents);
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
  float width = 0, height = 0;
  GetTextWidth(text, &width);
  GetTextHeight(text, &height);
  Job& job = PageForDrawing();
  SelectFont(job.cr, m_fontSize, m_bold, m_italic);
  cairo_font_extents_t extents{};
  cairo_font_extents(job.cr, &extents);
  cairo_set_source_rgb(job.cr, 0, 0, 0);
  cairo_move_to(job.cr, left, top + extents.ascent);
  cairo_show_text(job.cr, platform::ToUtf8(text).c_str());
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
    int stride = cairo_image_surface_get_stride(image);
    for (int row = 0; row < picture.height; ++row) {
      auto* out = reinterpret_cast<std::uint32_t*>(data + row * stride);
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
