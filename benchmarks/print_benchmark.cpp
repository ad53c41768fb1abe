// Printing a 500-line invoice to PDF: the whole job from connecting the engine to the
// written file, beside its anchor, cairo alone replaying the same drawing steps (the
// engine's record of the job: the same texts in the same fonts, lines, rectangles, the
// signature picture written, read back, decoded and painted, the same pages) into a PDF
// written the same way. Both write their files durably, so compare the times (wall) and
// the CPU times each.
// Run by hand from a Release build: bin/print_benchmarks
#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <cairo.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ScratchDevice.h"
#include "core/CustomSettings.h"
#include "core/Preferences.h"
#include "devices/PrintEngine.h"
#include "document/SalesDocument.h"
#include "platform/base/Base.h"
#include "platform/imaging/ImageDecompress.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/printing/PrintEngines.h"

namespace {

struct Device {
  Device() {
    RegisterPrintEngineClasses();
    CPreferences().SetDword(u"PrintNumCopies", 0);
  }
  bench::ScratchDevice scratch;
};

// The golden invoice with its two lines replaced by `lines` lines, every fifth of them
// with a description long enough to wrap.
std::string InvoiceWithLines(int lines) {
  std::ifstream in(std::filesystem::path(SLATEWAY_GOLDEN_FOLDER) / "invoice.QVN", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t first = text.find("<LINEITEM");
  size_t end = text.rfind("</SALESDOCUMENT>");
  std::string body;
  for (int i = 1; i <= lines; ++i) {
    std::string n = std::to_string(i);
    std::string description = "Part " + n + (i % 5 ? "" : " with a long description that runs past its column and wraps");
    body += "<LINEITEM ID=\"" + n + "\"><TYPE>Inventory Part</TYPE><QUANTITY>" + std::to_string(i % 7 + 1) +
            "</QUANTITY><NAME>P" + n + "</NAME><DESCRIPTION>" + description +
            "</DESCRIPTION><PRICE>1.25</PRICE><TOTAL>" + std::to_string(i % 7 + 1) + ".25T</TOTAL><TAXABLE>Tax</TAXABLE></LINEITEM>";
  }
  return text.substr(0, first) + body + text.substr(end);
}

// The invoice of `lines` lines, ready to print.
std::unique_ptr<CSalesDocument> Invoice(CCustomSettings& settings, int lines) {
  auto doc = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, false, &settings);
  doc->GetXmlDocument().LoadXmlText(platform::ToUtf16(InvoiceWithLines(lines)));
  doc->SetVersion(4);
  doc->ReadTotalsFromDocument();
  return doc;
}

// One print job; false when it printed nothing.
bool PrintOnce(CCustomSettings& settings, CSalesDocument& doc) {
  platform::printing::ClearRecordedOps();
  CPrintEngine engine(nullptr);
  if (!engine.PrintDocument(u"\\Signature.bmp", &settings, &doc, false)) return false;
  std::filesystem::remove(platform::MapDevicePath(platform::printing::LastOutputFile()));
  return true;
}

void BM_PrintInvoiceToPdf(benchmark::State& state) {
  static Device device;
  CCustomSettings settings;
  auto doc = Invoice(settings, static_cast<int>(state.range(0)));
  int pages = 0;
  for (auto _ : state) {
    if (!PrintOnce(settings, *doc)) state.SkipWithError("not printed");
    pages = platform::printing::RecordedOps().back().page;
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_PrintInvoiceToPdf)->Arg(500)->Unit(benchmark::kMillisecond);

cairo_status_t AppendTo(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// A recorded step with its text already in UTF-8, as a program using cairo alone holds it;
// a picture step holds the picture file's bytes.
struct ReplayStep {
  platform::printing::PrintOp op;
  std::string utf8;
  std::string picture;
};

// Draws the steps as the engine would, on a letter page with the engine's quarter-inch
// edge, and writes the PDF the way the engine writes its job. A picture is written to its
// file first and read back, as the job writes the signature picture it prints.
bool Replay(const std::vector<ReplayStep>& steps, const std::filesystem::path& file) {
  using platform::printing::PrintOp;
  std::string bytes;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(AppendTo, &bytes, 8.5 * 72, 11 * 72);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, 72, 72);
  cairo_translate(cr, 0.25, 0.25);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  float size = -1;
  bool bold = false, italic = false, pageBreak = false;
  for (const ReplayStep& step : steps) {
    const PrintOp& op = step.op;
    if (op.kind == PrintOp::kNewPage) {
      pageBreak = true;
      continue;
    }
    if (op.kind != PrintOp::kText && op.kind != PrintOp::kLine && op.kind != PrintOp::kRect &&
        op.kind != PrintOp::kPicture)
      continue;
    if (pageBreak) cairo_show_page(cr);
    pageBreak = false;
    cairo_set_source_rgb(cr, 0, 0, 0);
    if (op.kind == PrintOp::kText) {
      if (op.fontSize != size || op.bold != bold || op.italic != italic) {
        cairo_select_font_face(cr, "DejaVu Sans", op.italic ? CAIRO_FONT_SLANT_OBLIQUE : CAIRO_FONT_SLANT_NORMAL,
                               op.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, op.fontSize / 72.0);
        size = op.fontSize;
        bold = op.bold;
        italic = op.italic;
      }
      cairo_font_extents_t extents;
      cairo_font_extents(cr, &extents);
      cairo_move_to(cr, op.x, op.y + extents.ascent);
      cairo_show_text(cr, step.utf8.c_str());
    } else if (op.kind == PrintOp::kLine) {
      cairo_set_line_width(cr, 0.02);
      cairo_move_to(cr, op.x, op.y);
      cairo_line_to(cr, op.x2, op.y2);
      cairo_stroke(cr);
    } else if (op.kind == PrintOp::kRect) {
      cairo_rectangle(cr, op.x, op.y, op.x2 - op.x, op.y2 - op.y);
      if (op.fill >= 0) {
        cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
        cairo_fill(cr);
      } else {
        cairo_set_line_width(cr, 0.01);
        cairo_stroke(cr);
      }
    } else {
      if (!platform::WriteFileAtomic(platform::MapDevicePath(op.text), step.picture)) return false;
      std::ifstream in(platform::MapDevicePath(op.text), std::ios::binary);
      std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      platform::RgbaPicture picture;
      if (file.empty() || !platform::DecodePicture(reinterpret_cast<const BYTE*>(file.data()), file.size(), picture) ||
          picture.width <= 0 || picture.height <= 0)
        continue;
      cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
      unsigned char* data = cairo_image_surface_get_data(image);
      const int stride = cairo_image_surface_get_stride(image);
      for (int row = 0; row < picture.height; ++row)
        std::memcpy(data + row * stride, picture.pixels.data() + static_cast<size_t>(row) * picture.width,
                    static_cast<size_t>(picture.width) * 4);
      cairo_surface_mark_dirty(image);
      cairo_save(cr);
      cairo_translate(cr, op.x, op.y);
      cairo_scale(cr, (op.x2 - op.x) / picture.width, (op.y2 - op.y) / picture.height);
      cairo_set_source_surface(cr, image, 0, 0);
      cairo_paint(cr);
      cairo_restore(cr);
      cairo_surface_destroy(image);
    }
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool good = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return good && platform::WriteFileAtomic(file, bytes);
}

void BM_CairoReplayOfTheSameSteps(benchmark::State& state) {
  static Device device;
  CCustomSettings settings;
  auto doc = Invoice(settings, static_cast<int>(state.range(0)));
  // The signature picture stays for the replay to read.
  platform::printing::ClearRecordedOps();
  CPrintEngine engine(nullptr);
  if (!engine.PrintDocument(u"\\Signature.bmp", &settings, doc.get(), false)) state.SkipWithError("not printed");
  std::vector<ReplayStep> steps;
  for (const platform::printing::PrintOp& op : platform::printing::RecordedOps()) {
    std::string picture;
    if (op.kind == platform::printing::PrintOp::kPicture) {
      std::ifstream in(platform::MapDevicePath(op.text), std::ios::binary);
      picture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    steps.push_back({op, platform::ToUtf8(op.text), std::move(picture)});
  }
  const std::filesystem::path file = platform::MapDevicePath(platform::printing::LastOutputFile());
  for (auto _ : state) {
    if (!Replay(steps, file)) state.SkipWithError("not replayed");
  }
  state.counters["pages"] = steps.back().op.page;
  std::filesystem::remove(file);
}
BENCHMARK(BM_CairoReplayOfTheSameSteps)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
