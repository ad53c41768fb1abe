// Each report built over 1,000 saved documents, beside the same files read with libxml2
// alone (parse each file, read the root's type and date and every line's type, name and
// quantity): what the reports add over plain parsing is the DOM wrapper, the date filter,
// the sums, the report XML and the progress dialog.
//
// Run by hand from a Release build: build/bin/report_benchmarks
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "BenchmarkDevice.h"
#include "core/Folders.h"
#include "core/ResourceText.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/module/Module.h"
#include "reports/PickListReport.h"
#include "reports/ProfitMarginReport.h"
#include "reports/RouteAccountReport.h"
#include "reports/RouteCashReport.h"

namespace {

namespace fs = std::filesystem;
constexpr int kDocuments = 1000;
constexpr int kLinesPerDocument = 12;

// The device with the language library loaded and 1,000 documents in its Documents folder.
fs::path Prepare() {
  static fs::path folder = [] {
    bench::Scratch().LoadLanguage();
    CBstr documents;
    GetDocumentsFolder(documents);
    const fs::path host = platform::MapDevicePath(documents.view());
    fs::create_directories(host);
    static const char* const kTypes[] = {"INVOICE", "SALESRECEIPT", "SALESORDER", "ESTIMATE", "CREDITMEMO", "PAYMENT"};
    for (int d = 0; d < kDocuments; ++d) {
      std::ostringstream xml;
      xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"" << kTypes[d % 6]
          << "\" ID=\"" << d << "\" DATE=\"3/" << (d % 28 + 1) << "/2026\"><COMPANY><NAME>Owner</NAME></COMPANY>"
          << "<CUSTOMER><NAME>Customer " << d % 50 << "</NAME></CUSTOMER>";
      for (int i = 0; i < kLinesPerDocument; ++i) {
        xml << "<LINEITEM ID=\"" << i + 1 << "\"><TYPE>" << (i % 4 ? "Inventory Part" : "Service")
            << "</TYPE><NAME>Part " << (d * 7 + i) % 200 << "</NAME><DESCRIPTION>Item " << i
            << "</DESCRIPTION><QUANTITY>" << i % 5 + 1 << "</QUANTITY><PRICE>3.99</PRICE><COST>1.20</COST>"
            << "<TOTAL>11.97</TOTAL><TAXABLE>Tax</TAXABLE></LINEITEM>";
      }
      xml << "<TOTALS><SUBTOTAL>143.64</SUBTOTAL><TAX>11.85</TAX><TOTAL>155.49</TOTAL></TOTALS></SALESDOCUMENT>";
      std::ofstream(host / ("DOC" + std::to_string(d) + ".QVN"), std::ios::binary) << xml.str();
    }
    return host;
  }();
  return folder;
}

// The anchor: every file read into memory and parsed there by libxml2, as the program reads
// them (a file name handed to libxml2 would go through the entity loader, which the
// program's XML layer refuses, and nothing would be read), and its figures read from the
// tree.
void BM_ReadWithLibxml2(benchmark::State& state) {
  const fs::path folder = Prepare();
  for (auto _ : state) {
    long long quantity = 0;
    int parsed = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET);
      if (!doc) continue;
      ++parsed;
      xmlNodePtr root = xmlDocGetRootElement(doc);
      xmlChar* type = xmlGetProp(root, BAD_CAST "DOCTYPE");
      xmlChar* date = xmlGetProp(root, BAD_CAST "DATE");
      for (xmlNodePtr line = root->children; line; line = line->next) {
        if (line->type != XML_ELEMENT_NODE || strcmp(reinterpret_cast<const char*>(line->name), "LINEITEM")) continue;
        for (xmlNodePtr field = line->children; field; field = field->next) {
          if (field->type != XML_ELEMENT_NODE) continue;
          xmlChar* text = xmlNodeGetContent(field);
          if (!strcmp(reinterpret_cast<const char*>(field->name), "QUANTITY"))
            quantity += atoi(reinterpret_cast<const char*>(text));
          xmlFree(text);
        }
      }
      xmlFree(type);
      xmlFree(date);
      xmlFreeDoc(doc);
    }
    if (parsed != kDocuments) state.SkipWithError("documents not read");
    benchmark::DoNotOptimize(quantity);
  }
}
BENCHMARK(BM_ReadWithLibxml2)->Unit(benchmark::kMillisecond);

void BM_PickList(benchmark::State& state) {
  Prepare();
  CPickListReport report(nullptr, u"");
  for (auto _ : state) report.BuildXml(nullptr, u"3/1/2026", u"3/31/2026", u"All Documents", u"");
}
BENCHMARK(BM_PickList)->Unit(benchmark::kMillisecond);

void BM_ProfitMargin(benchmark::State& state) {
  Prepare();
  CProfitMarginReport report(nullptr, u"");
  for (auto _ : state) report.BuildXml(nullptr, u"3/1/2026", u"3/31/2026", u"", u"");
}
BENCHMARK(BM_ProfitMargin)->Unit(benchmark::kMillisecond);

void BM_RouteAccount(benchmark::State& state) {
  Prepare();
  CRouteAccountReport report(nullptr, nullptr);
  for (auto _ : state) report.BuildXml(nullptr, u"3/10/2026", u"3/10/2026", u"", u"");
}
BENCHMARK(BM_RouteAccount)->Unit(benchmark::kMillisecond);

void BM_RouteCash(benchmark::State& state) {
  Prepare();
  CRouteCashReport report(nullptr);
  for (auto _ : state) report.BuildXml(nullptr, u"3/1/2026", u"3/31/2026", u"", u"");
}
BENCHMARK(BM_RouteCash)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
