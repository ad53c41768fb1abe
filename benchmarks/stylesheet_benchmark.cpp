// Building the page stylesheet of a document and transforming a 500-line document with it,
// against the command-line transformer xsltproc on the same XML and XSL files in the same
// run. xsltproc is not a dependency of the program; install it only to run this.
//
// Run by hand from a Release build: build/bin/stylesheet_benchmarks [iterations]
// It prints the mean times and the ratios, and leaves the files it compared (document,
// stylesheet, both pages) in a scratch folder it names.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ScratchDevice.h"
#include "core/CustomSettings.h"
#include "core/ResourceText.h"
#include "document/StylesheetBuilder.h"
#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/module/Module.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kLines = 500;

std::string Document() {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\" STYLE=\"4\" ID=\"1001\" DATE=\"3/10/2026\" "
         "DUEDATE=\"4/9/2026\" TERMS=\"Net 30\" TAXNAME=\"State\" TAXRATE=\"8.25%\" REP=\"PO\" "
         "CUSTOMERMSG=\"Thank you for your business.\" NOTES=\"First line&lt;br&gt;Second &amp; last\">"
      << "<COMPANY><NAME>Owner &amp; Sons</NAME><ADDRESS1>1 Main St</ADDRESS1><PHONE>555-0100</PHONE>"
         "<GRAPHIC>logo.bmp</GRAPHIC></COMPANY>"
      << "<SHIPTO><NAME>Ann Lee</NAME><ADDRESS1>2 Side Rd</ADDRESS1><CITY>Springfield</CITY><STATE>IL</STATE>"
         "<ZIP>62701</ZIP></SHIPTO>"
      << "<CUSTOMER><NAME>Ann Lee</NAME><COMPANYNAME>Lee Supplies</COMPANYNAME><ADDRESS1>2 Side Rd</ADDRESS1>"
         "<CITY>Springfield</CITY><STATE>IL</STATE><ZIP>62701</ZIP>"
         "<SIGNATURE_FILE>KTWSignatureLine.bmp</SIGNATURE_FILE></CUSTOMER><JOB/>"
      << "<TOTALS><SUBTOTAL>4,987.50</SUBTOTAL><TAX>411.47</TAX><TOTAL>5,398.97</TOTAL><TOTALQTY>1250</TOTALQTY>"
         "</TOTALS>";
  for (int i = 1; i <= kLines; ++i) {
    xml << "<LINEITEM ID=\"" << i << "\"><TYPE>Inventory Part</TYPE><ACCOUNT></ACCOUNT><VENDOR></VENDOR>"
        << "<CATNAME>Hardware</CATNAME><NUMBER>8000-" << i << "</NUMBER><QUANTITY>" << (i % 5 + 1)
        << "</QUANTITY><NAME>Part " << i << "</NAME><DESCRIPTION>Hex bolt, zinc &amp; steel, size " << i
        << "</DESCRIPTION><PRICE>3.99</PRICE><COST>1.20</COST><PRICELEVEL></PRICELEVEL><TOTAL>"
        << (i % 5 + 1) * 3.99 << "T</TOTAL><TAXABLE>Tax</TAXABLE><UNITOFMEASURE>each</UNITOFMEASURE>"
        << "<TAX_AMOUNT></TAX_AMOUNT><SERVICED>3/10/2026</SERVICED><QBSERVICED>2026-03-10</QBSERVICED></LINEITEM>";
  }
  xml << "</SALESDOCUMENT>";
  return xml.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Mean seconds of `iterations` runs after one warm-up run.
double Time(int iterations, const std::function<void()>& run) {
  run();
  auto start = Clock::now();
  for (int i = 0; i < iterations; ++i) run();
  return std::chrono::duration<double>(Clock::now() - start).count() / iterations;
}

int RunProcess(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  bench::ScratchDevice device(bench::ScratchDevice::Language::Loaded);
  device.Keep();  // its pages and stylesheets, for looking at
  const fs::path& root = device.Root();
  int result = 0;
  {
    CCustomSettings settings;
    for (int row = 51; row <= 66; ++row) settings.SetFlag(0, row, 1);  // every standard column
    CStylesheetSource source;
    source.type = 0;
    source.styleCode = 4;
    source.settings = &settings;
    source.customerCompany = u"Lee Supplies";
    source.customerPerson = u"Ann Lee";
    source.customerHasAddress = true;

    const std::string xml = Document();
    const std::u16string xsl = BuildStylesheetText(source, true, kOwnDocumentType, false);
    const fs::path xmlPath = root / "document.xml", xslPath = root / "page.xsl";
    const fs::path ownPath = root / "page-own.html", toolPath = root / "page-xsltproc.html";
    WriteFile(xmlPath, xml);
    WriteFile(xslPath, platform::ToUtf8(xsl));
    {
      // For looking at: the screen page of the default settings.
      CCustomSettings defaults;
      CStylesheetSource screen = source;
      screen.settings = &defaults;
      WriteFile(root / "screen.xsl", platform::ToUtf8(BuildStylesheetText(screen, false, kOwnDocumentType, true)));
      WriteFile(root / "print.xsl", platform::ToUtf8(BuildStylesheetText(screen, true, kOwnDocumentType, false)));
    }

    // 1. Generating the stylesheet.
    size_t sink = 0;
    const double build = Time(iterations * 20, [&] { sink += BuildStylesheetText(source, true, kOwnDocumentType, false).size(); });

    // 2. In process, what xsltproc does too: parse the stylesheet and the document,
    //    transform, and write the page.
    std::u16string html;
    const double own = Time(iterations, [&] {
      CXmlDocument doc(nullptr);
      doc.GetDataDocument()->loadBytes(ReadFile(xmlPath));
      doc.LoadStylesheet(platform::ToUtf16(ReadFile(xslPath)));
      CBstr out;
      doc.Transform(&out);
      html = out.str();
      WriteFile(ownPath, platform::ToUtf8(html));
    });
    // 3. The transformation alone, stylesheet and document already parsed.
    CXmlDocument parsed(nullptr);
    parsed.GetDataDocument()->loadBytes(xml);
    parsed.LoadStylesheet(xsl);
    const double transformOnly = Time(iterations, [&] {
      CBstr out;
      parsed.Transform(&out);
      sink += out.str().size();
    });
    // 4. xsltproc on the same files: a whole process each time.
    const std::vector<std::string> tool = {"xsltproc", "--nonet", "-o", toolPath.string(), xslPath.string(),
                                           xmlPath.string()};
    if (RunProcess(tool) != 0) {
      std::fprintf(stderr, "xsltproc did not run (apt-get install xsltproc)\n");
      result = 1;
    } else {
      const double xsltproc = Time(iterations, [&] { RunProcess(tool); });
      const double empty = Time(iterations, [&] { RunProcess({"true"}); });
      std::printf("document: %d lines, %zu bytes; stylesheet: %zu characters; page: %zu characters\n", kLines,
                  xml.size(), xsl.size(), html.size());
      std::printf("generate stylesheet                       %9.3f ms\n", build * 1e3);
      std::printf("transform only (parsed, in process)       %9.3f ms\n", transformOnly * 1e3);
      std::printf("parse + transform + write (in process)    %9.3f ms\n", own * 1e3);
      std::printf("generate + parse + transform + write      %9.3f ms\n", (build + own) * 1e3);
      std::printf("xsltproc process, same files              %9.3f ms\n", xsltproc * 1e3);
      std::printf("  of which process start (/bin/true)      %9.3f ms\n", empty * 1e3);
      std::printf("ratio in-process / xsltproc               %9.3f\n", own / xsltproc);
      std::printf("ratio in-process / (xsltproc - start)     %9.3f\n", own / std::max(1e-9, xsltproc - empty));
      std::printf("ratio generate+in-process / xsltproc      %9.3f\n", (build + own) / xsltproc);
      const std::string a = ReadFile(ownPath), b = ReadFile(toolPath);
      std::printf("pages identical: %s (%zu and %zu bytes)\n", a == b ? "yes" : "no", a.size(), b.size());
      std::printf("files in %s\n", root.c_str());
    }
    if (sink == 0) result = 1;
  }
  return result;
}
