// What opening many documents costs: a document object built without settings given to it
// against one given the program's settings, and the fields of the register's rows read from
// 2,000 document files against a libxml2 parse of the same files.
//
// Run by hand from a Release build: bin/document_register_benchmarks
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ScratchDevice.h"
#include "core/CustomSettings.h"
#include "document/RegisterRowFields.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"

namespace {

constexpr int kFiles = 2000;

// A device root of its own for the run, with kFiles invoices of a dozen lines each.
struct Device {
  Device() {
    const std::filesystem::path& root = scratch.Root();
    std::filesystem::create_directories(root / "My Documents");
    for (int i = 0; i < kFiles; ++i) {
      std::string number = std::to_string(1000 + i);
      std::ofstream out(root / "My Documents" / ("INV" + number + ".QVN"), std::ios::binary);
      out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          << "<SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\" STYLE=\"4\" ID=\"" << number
          << "\" DATE=\"3/10/2026\" DATEQB=\"2026-03-10\" DUEDATE=\"4/9/2026\" TERMS=\"Net 30\" TAXNAME=\"State\" "
             "TAXRATE=\"8.25%\" COMPLETE=\"no\" WIRELESS=\"NO\" PAID=\"NO\" VOID=\"NO\" NOTES=\"Thank you &amp; "
             "see you soon\">"
          << "<COMPANY><NAME>Owner &amp; Sons</NAME><ADDRESS1>1 Main St</ADDRESS1><PHONE>555-0100</PHONE></COMPANY>"
          << "<SHIPTO><NAME>Ann Lee</NAME><ADDRESS1>2 Side Rd</ADDRESS1><CITY>Springfield</CITY></SHIPTO>"
          << "<CUSTOMER><LISTID>80000007-1234567890</LISTID><FIRSTNAME>Ann</FIRSTNAME><LASTNAME>Lee</LASTNAME>"
          << "<COMPANYNAME>Lee &amp; Co</COMPANYNAME><FULLNAME>Lee &amp; Co " << number
          << "</FULLNAME><CITY>Springfield</CITY></CUSTOMER><JOB/>";
      for (int line = 1; line <= 12; ++line) {
        out << "<LINEITEM ID=\"" << line << "\"><CODE>ITEM" << line << "</CODE><TYPE>Service</TYPE>"
            << "<DESCRIPTION>Work done on site, hour " << line << "</DESCRIPTION><QUANTITY>2</QUANTITY>"
            << "<PRICE>12.50</PRICE><AMOUNT>25.00</AMOUNT><TAXABLE>Tax</TAXABLE></LINEITEM>";
      }
      out << "<TOTALS><SUBTOTAL>300.00</SUBTOTAL><TAX>24.75</TAX><TOTAL>324.75</TOTAL></TOTALS></SALESDOCUMENT>\n";
    }
  }
  bench::ScratchDevice scratch;
};

Device& TheDevice() {
  static Device device;
  return device;
}

// No settings given and no other document open: the document reads the stored settings.
void BM_DocumentWithoutSettingsAlone(benchmark::State& state) {
  TheDevice();
  for (auto _ : state) {
    CSalesDocument doc(nullptr, nullptr, 4, false, nullptr);
    benchmark::DoNotOptimize(&doc);
  }
}

// No settings given while another document is open: the two share one copy.
void BM_DocumentWithoutSettingsBesideAnother(benchmark::State& state) {
  TheDevice();
  CSalesDocument open(nullptr, nullptr, 4, false, nullptr);
  for (auto _ : state) {
    CSalesDocument doc(nullptr, nullptr, 4, false, nullptr);
    benchmark::DoNotOptimize(&doc);
  }
}

void BM_DocumentGivenTheProgramSettings(benchmark::State& state) {
  TheDevice();
  CCustomSettings settings;
  for (auto _ : state) {
    CSalesDocument doc(nullptr, nullptr, 4, false, &settings);
    benchmark::DoNotOptimize(&doc);
  }
}

// Reads every document file of the folder with `read` (the file's path; it returns the
// number of characters it read, or -1 when it could not read the file), each iteration.
template <class Read>
void ReadEveryDocument(benchmark::State& state, Read read) {
  std::filesystem::path folder = TheDevice().scratch.Root() / "My Documents";
  long long characters = 0;
  for (auto _ : state) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() != ".QVN") continue;
      long long n = read(entry.path());
      if (n < 0) continue;
      characters += n;
      ++files;
    }
    if (files != kFiles) state.SkipWithError("files missing");
  }
  benchmark::DoNotOptimize(characters);
  state.SetItemsProcessed(state.iterations() * kFiles);
}

// Every file parsed by libxml2 and the root's attributes read: the anchor.
void BM_RegisterRowsLibxml2Parse(benchmark::State& state) {
  ReadEveryDocument(state, [](const std::filesystem::path& file) -> long long {
    // Read by hand: the program's XML layer refuses every entity load, the file itself
    // included, so xmlReadFile would find nothing.
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET);
    if (!doc) return -1;
    long long characters = 0;
    for (xmlAttrPtr a = xmlDocGetRootElement(doc)->properties; a; a = a->next) {
      xmlChar* value = xmlNodeListGetString(doc, a->children, 1);
      characters += xmlStrlen(value);
      xmlFree(value);
    }
    xmlFreeDoc(doc);
    return characters;
  });
}

// The fields of every row read by the register's reader of root attributes.
void BM_RegisterRowsRootReader(benchmark::State& state) {
  ReadEveryDocument(state, [](const std::filesystem::path& file) -> long long {
    CRegisterRowFields fields;
    if (!ReadRegisterRowFields(platform::ToDevicePath(file), fields)) return -1;
    return static_cast<long long>(fields.number.size() + fields.date.size() + fields.docType.size());
  });
}

// The same fields read the way a whole document is read: the file loaded into the
// program's XML document, then each root attribute asked for.
void BM_RegisterRowsWholeDocument(benchmark::State& state) {
  CXmlDocument xml(nullptr);
  ReadEveryDocument(state, [&xml](const std::filesystem::path& file) -> long long {
    CBstr error;
    if (!xml.LoadFile(platform::ToDevicePath(file), &error)) return -1;
    long long characters = 0;
    for (const char16_t* name : {u"VERSION", u"DOCTYPE", u"ORIGINAL_DOCTYPE", u"ESTIMATE", u"ID", u"DATE",
                                 u"COMPLETE", u"WIRELESS", u"PAYAMOUNT", u"VOID", u"PAID"}) {
      CBstr value;
      xml.GetRootAttribute(name, &value);
      characters += value.Length();
    }
    return characters;
  });
}

BENCHMARK(BM_DocumentWithoutSettingsAlone)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_DocumentWithoutSettingsBesideAnother)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_DocumentGivenTheProgramSettings)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_RegisterRowsLibxml2Parse)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RegisterRowsWholeDocument)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RegisterRowsRootReader)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
