// The document page in the HTML display, side by side in one run: the golden invoice grown
// to 500 lines transformed, laid out and painted through the page wrapper and the control,
// against litehtml alone (parse, lay out, paint the same HTML with the same drawing); and
// the in-place update of one line's cells after a quantity change.
//
// Run by hand from a Release build: build/bin/htmlview_benchmarks
#include <benchmark/benchmark.h>

#include <cairo.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "DocumentBenchmark.h"
#include "core/CustomSettings.h"
#include "datastore/DbRecord.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "document/StylesheetBuilder.h"
#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/htmlview/HtmlPage.h"
#include "platform/user/Paint.h"
#include "platform/user/Window.h"

namespace {

namespace fs = std::filesystem;
constexpr int kLines = 500;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The golden invoice with its first line repeated until there are kLines lines.
std::string GrownInvoice() {
  std::string xml = ReadFile(fs::path(SLATEWAY_GOLDEN_FOLDER) / "invoice.QVN");
  std::smatch line;
  std::regex first("<LINEITEM ID=\"2\">.*?</LINEITEM>");
  if (!std::regex_search(xml, line, first)) return xml;
  std::string model = line.str();
  std::string more;
  for (int i = 3; i <= kLines; ++i) more += std::regex_replace(model, std::regex("ID=\"2\""), "ID=\"" + std::to_string(i) + "\"");
  xml.insert(xml.find("</SALESDOCUMENT>"), more);
  return xml;
}

// Device root, language library, the grown document with the screen stylesheet, and an
// editor window the size of the screen.
struct Setup {
  Setup() {
    platform::SetTextProfile(platform::TextProfile::Display);
    CStylesheetSource source;
    source.settings = &settings;
    source.customerCompany = u"Lee & Co";
    source.customerHasAddress = true;
    xml = std::make_unique<CXmlDocument>(nullptr);
    xml->GetDataDocument()->loadBytes(GrownInvoice());
    xml->LoadStylesheet(BuildStylesheetText(source, false, kOwnDocumentType, true));
    CBstr page;
    xml->Transform(&page);
    html = platform::ToUtf8(page.view());
    editor = bench::ScreenSizedWindow();
  }
  ~Setup() {
    DestroyWindow(editor);
    xml.reset();
  }
  bench::ScratchDevice device{true};
  CCustomSettings settings;
  std::unique_ptr<CXmlDocument> xml;
  std::string html;
  HWND editor = nullptr;
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

// Transform, load into the control, lay out, and paint the screen.
void BM_DocumentPageFirstPaint(benchmark::State& state) {
  Setup& s = Shared();
  CHtmlView view(nullptr, s.editor, *s.xml);
  for (auto _ : state) {
    view.Render(1, -1);
    platform::PaintScreen();
  }
  state.counters["page_bytes"] = static_cast<double>(s.html.size());
}
BENCHMARK(BM_DocumentPageFirstPaint)->Unit(benchmark::kMillisecond);

// litehtml alone on the same HTML: parse, lay out at the window's width, paint what the
// window shows.
void BM_LitehtmlAloneFirstPaint(benchmark::State& state) {
  Setup& s = Shared();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 240, 320);
  for (auto _ : state) {
    platform::htmlview::HtmlPage page;
    page.Load(s.html);
    page.Layout(240);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    page.Draw(cr, litehtml::position(0, 0, 240, 320));
    cairo_destroy(cr);
  }
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_LitehtmlAloneFirstPaint)->Unit(benchmark::kMillisecond);

// The layout alone (what an in-place update costs at least).
void BM_LitehtmlAloneLayout(benchmark::State& state) {
  platform::htmlview::HtmlPage page;
  page.Load(Shared().html);
  for (auto _ : state) page.Layout(240);
}
BENCHMARK(BM_LitehtmlAloneLayout)->Unit(benchmark::kMillisecond);

// One line's quantity changed: its eight cells written into the shown page, which is laid
// out again and repainted.
void BM_UpdateOneLineCells(benchmark::State& state) {
  Setup& s = Shared();
  CHtmlView view(nullptr, s.editor, *s.xml);
  view.Render(1, -1);
  CDbRecord line;
  line.SetField(13, u"250");
  line.SetField(3, u"Nut");
  line.SetField(6, u"Nut");
  line.SetField(11, u"0.50");
  line.SetField(8, u"Tax");
  int quantity = 1;
  for (auto _ : state) {
    line.SetField(10, platform::ToUtf16(std::to_string(++quantity)));
    if (!view.UpdateLineItemCells(line)) state.SkipWithError("the line's cells are not in the page");
    UpdateWindow(view.GetInnerWindow());
  }
}
BENCHMARK(BM_UpdateOneLineCells)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
