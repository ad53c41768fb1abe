// Printing a 500-line invoice to PDF: the whole job from connecting the engine to the
// written file. Run by hand from a Release build: bin/print_benchmarks
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "core/CustomSettings.h"
#include "core/Preferences.h"
#include "devices/PrintEngine.h"
#include "document/SalesDocument.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/printing/PrintEngines.h"

namespace {

struct Device {
  Device() {
    root = std::filesystem::temp_directory_path() / ("slateway-print-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    platform::SetDeviceRoot(root);
    RegisterPrintEngineClasses();
    CPreferences().SetDword(u"PrintNumCopies", 0);
  }
  ~Device() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::filesystem::path root;
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

void BM_PrintInvoiceToPdf(benchmark::State& state) {
  static Device device;
  CCustomSettings settings;
  auto doc = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, false, &settings);
  doc->GetXmlDocument().LoadXmlText(platform::ToUtf16(InvoiceWithLines(static_cast<int>(state.range(0)))));
  doc->SetVersion(4);
  doc->ReadTotalsFromDocument();
  int pages = 0;
  for (auto _ : state) {
    platform::printing::ClearRecordedOps();
    CPrintEngine engine(nullptr);
    if (!engine.PrintDocument(u"\\Signature.bmp", &settings, doc.get(), false)) state.SkipWithError("not printed");
    pages = platform::printing::RecordedOps().back().page;
    std::filesystem::remove(platform::MapDevicePath(platform::printing::LastOutputFile()));
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_PrintInvoiceToPdf)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
