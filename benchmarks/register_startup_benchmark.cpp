// What the register costs: the program's start-up until the first frame of the register
// with 1,000 documents in the device, the register's Reload over 1,000 and 10,000 documents,
// and, beside them, the same files' header fields read by libxml2 alone (the anchor).
//
// Run by hand from a Release build: bin/register_startup_benchmarks
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScratchDevice.h"
#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/Program.h"
#include "mainwindow/RegisterList.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

// A device of its own for the run: the program installed, the sample database, and one
// folder of documents per size, each document an invoice of a dozen lines.
struct Device {
  Device() {
    scratch.InstallLanguage();
    fs::copy_file(SLATEWAY_SAMPLE_DB, root / "Slateway.db");
    CRegistryKey rootKey;
    rootKey.SetString(CBstr(u"ProgramPath"), CBstr(u"\\Program Files\\Slateway"));
    CPreferences().SetString(u"Database", u"Slateway.db");
    for (int count : {1000, 10000}) Fill(count);
  }
  static std::string Folder(int count) { return "Docs" + std::to_string(count); }
  void Fill(int count) const {
    const fs::path folder = root / "My Documents" / Folder(count);
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
      const std::string number = std::to_string(1000 + i);
      std::ofstream out(folder / ("INV" + number + ".QVN"), std::ios::binary);
      out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          << "<SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\" STYLE=\"4\" ID=\"" << number
          << "\" DATE=\"3/10/2026\" DATEQB=\"2026-03-10\" TERMS=\"Net 30\" COMPLETE=\"" << (i % 2 ? "yes" : "no")
          << "\" WIRELESS=\"NO\" PAID=\"NO\" VOID=\"NO\">"
          << "<COMPANY><NAME>Owner &amp; Sons</NAME><ADDRESS1>1 Main St</ADDRESS1></COMPANY>"
          << "<CUSTOMER><LISTID>80000007-1234567890</LISTID><FIRSTNAME>Ann</FIRSTNAME><LASTNAME>Lee</LASTNAME>"
          << "<COMPANYNAME>Lee &amp; Co " << i % 97 << "</COMPANYNAME><FULLNAME>Lee &amp; Co</FULLNAME></CUSTOMER>"
          << "<JOB><NAME>Kitchen</NAME></JOB>";
      for (int line = 1; line <= 12; ++line) {
        out << "<LINEITEM ID=\"" << line << "\"><TYPE>Service</TYPE><NAME>Work " << line
            << "</NAME><QUANTITY>2</QUANTITY><PRICE>12.50</PRICE><TOTAL>25.00</TOTAL></LINEITEM>";
      }
      out << "<TOTALS><SUBTOTAL>300.00</SUBTOTAL><TAX>24.75</TAX><TOTAL>" << 300 + i % 50
          << ".00</TOTAL></TOTALS></SALESDOCUMENT>\n";
    }
  }
  void UseFolder(int count) const {
    CPreferences().SetString(u"InvoicePath", platform::ToUtf16(Folder(count)));
  }
  bench::ScratchDevice scratch;
  const fs::path& root = scratch.Root();
};

Device& TheDevice() {
  static Device device;
  return device;
}

// From nothing to the first frame of the register with its 1,000 rows, as the program
// makes it on a display: text measured and drawn in the display's fonts, the messages the
// start-up left handled, then the whole screen composed and its pixels read, which is the
// frame handed to the window (the end is not timed). What happens before the program's
// code runs, and the window itself, are timed by startup_under_xvfb.sh.
void BM_StartupToPaintedRegister(benchmark::State& state) {
  TheDevice().UseFolder(1000);
  platform::SetTextProfile(platform::TextProfile::Display);
  std::vector<std::uint32_t> frame;
  for (auto _ : state) {
    CProgram program;
    if (program.Start(u"") != ProgramStart::Started) state.SkipWithError("the program did not start");
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    platform::PaintScreen();
    int width = 0, height = 0;
    if (!platform::ReadBitmapPixels(platform::ScreenBitmap(), frame, &width, &height)) state.SkipWithError("no frame");
    if (program.GetMainFrame()->GetRegister()->GetRowCount() != 1000) state.SkipWithError("rows missing");
    state.PauseTiming();
    program.End();
    state.ResumeTiming();
  }
  platform::SetTextProfile(platform::TextProfile::Fixed);
}

void BM_RegisterReload(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TheDevice().UseFolder(count);
  InitCommonControls();
  WNDCLASSW wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"BenchOwner";
  RegisterClassW(&wc);
  HWND owner = CreateWindowExW(0, u"BenchOwner", u"", WS_VISIBLE, 0, 0, 240, 300, nullptr, nullptr, nullptr, nullptr);
  {
    CRegisterList list(nullptr, owner, nullptr);
    list.Create(kSortNumber, kShowAllDocuments, true);
    for (auto _ : state) {
      list.Reload(false, false, {}, nullptr);
      if (list.GetRowCount() != count) state.SkipWithError("rows missing");
    }
  }
  DestroyWindow(owner);
  state.SetItemsProcessed(state.iterations() * count);
}

// The anchor: each file parsed by libxml2 and the fields a row shows read from it.
void BM_HeaderFieldsLibxml2(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path folder = TheDevice().root / "My Documents" / Device::Folder(count);
  auto child = [](xmlNodePtr parent, const char* name) -> xmlNodePtr {
    for (xmlNodePtr n = parent ? parent->children : nullptr; n; n = n->next)
      if (n->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(n->name), name) == 0) return n;
    return nullptr;
  };
  for (auto _ : state) {
    long long characters = 0;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET);
      if (!doc) continue;
      xmlNodePtr root = xmlDocGetRootElement(doc);
      for (xmlAttrPtr a = root->properties; a; a = a->next) {
        xmlChar* value = xmlNodeListGetString(doc, a->children, 1);
        characters += xmlStrlen(value);
        xmlFree(value);
      }
      for (xmlNodePtr field : {child(child(root, "CUSTOMER"), "COMPANYNAME"), child(child(root, "CUSTOMER"), "FULLNAME"),
                               child(child(root, "JOB"), "NAME"), child(child(root, "TOTALS"), "TOTAL")}) {
        if (!field) continue;
        xmlChar* value = xmlNodeGetContent(field);
        characters += xmlStrlen(value);
        xmlFree(value);
      }
      xmlFreeDoc(doc);
      ++files;
    }
    if (files != count) state.SkipWithError("files missing");
    benchmark::DoNotOptimize(characters);
  }
  state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(BM_StartupToPaintedRegister)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RegisterReload)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HeaderFieldsLibxml2)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
