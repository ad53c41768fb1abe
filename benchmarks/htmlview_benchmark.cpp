// The document page in the HTML display, side by side in one run: the golden invoice grown
// to 500 lines transformed, laid out and painted through the page wrapper and the control,
// against libxslt and litehtml alone doing the same work (the same stylesheet compiled and
// applied to the same document, the HTML parsed, laid out and painted with the same
// drawing), and against litehtml alone on the HTML already made (the paint's share); and
// the in-place update of one line's cells after a quantity change.
//
// Run by hand from a Release build: build/bin/htmlview_benchmarks
#include <benchmark/benchmark.h>

#include <cairo.h>
#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>
#include <stdlib.h>

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
    data = GrownInvoice();
    xml->GetDataDocument()->loadBytes(data);
    const std::u16string xsl = BuildStylesheetText(source, false, kOwnDocumentType, true);
    stylesheet = platform::ToUtf8(xsl);
    xml->LoadStylesheet(xsl);
    CBstr page;
    xml->Transform(&page);
    html = platform::ToUtf8(page.view());
    editor = bench::ScreenSizedWindow();
  }
  ~Setup() {
    DestroyWindow(editor);
    xml.reset();
  }
  bench::ScratchDevice device{bench::ScratchDevice::Language::Loaded};
  CCustomSettings settings;
  std::unique_ptr<CXmlDocument> xml;
  std::string data;        // the document's XML
  std::string stylesheet;  // the screen stylesheet
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
    view.Render(RenderMode::ScrollToTop, -1);
    platform::PaintScreen();
  }
  state.counters["page_bytes"] = static_cast<double>(s.html.size());
}
BENCHMARK(BM_DocumentPageFirstPaint)->Unit(benchmark::kMillisecond);

// litehtml alone on `html`: parse, lay out at the window's width, paint what the window
// shows.
void PaintWithLitehtml(const std::string& html, cairo_surface_t* surface) {
  platform::htmlview::HtmlPage page;
  page.Load(html);
  page.Layout(240);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  page.Draw(cr, litehtml::position(0, 0, 240, 320));
  cairo_destroy(cr);
}

// The anchor of the first paint: libxslt compiles the same stylesheet (from its parsed
// document, as the program holds it) and applies it to the same document (parsed once, as
// the program holds it), the result is written out as HTML, and litehtml paints it.
void BM_LibxsltAndLitehtmlFirstPaint(benchmark::State& state) {
  Setup& s = Shared();
  xmlDocPtr data = xmlReadMemory(s.data.data(), static_cast<int>(s.data.size()), nullptr, nullptr, XML_PARSE_NONET);
  xmlDocPtr sheet =
      xmlReadMemory(s.stylesheet.data(), static_cast<int>(s.stylesheet.size()), nullptr, nullptr, XML_PARSE_NONET);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 240, 320);
  size_t bytes = 0;
  for (auto _ : state) {
    xsltStylesheetPtr style = xsltParseStylesheetDoc(xmlCopyDoc(sheet, 1));
    xmlDocPtr result = style ? xsltApplyStylesheet(style, data, nullptr) : nullptr;
    xmlChar* text = nullptr;
    int length = 0;
    if (!result || xsltSaveResultToString(&text, &length, result, style) != 0 || !text) {
      state.SkipWithError("not transformed");
      break;
    }
    std::string html(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    xmlFree(text);
    xmlFreeDoc(result);
    xsltFreeStylesheet(style);
    PaintWithLitehtml(html, surface);
    bytes = html.size();
  }
  cairo_surface_destroy(surface);
  xmlFreeDoc(sheet);
  xmlFreeDoc(data);
  state.counters["page_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_LibxsltAndLitehtmlFirstPaint)->Unit(benchmark::kMillisecond);

// The paint's share alone: litehtml on the HTML already made.
void BM_LitehtmlAloneFirstPaint(benchmark::State& state) {
  Setup& s = Shared();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 240, 320);
  for (auto _ : state) PaintWithLitehtml(s.html, surface);
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
  view.Render(RenderMode::ScrollToTop, -1);
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
