// What a long document costs in the editor: a saved invoice of N lines (about 500 bytes of
// file a line, so 10,000 lines make 5 MB, under the largest file a document may be) opened
// and shown on a 240x320 page, then "Mark as Paid" tapped on it as the editor's menu does,
// the page painted after each step as the message loop paints it. MarkAsPaidWholePage makes
// the page again whole after each tap instead: what any header change the page shows costs. N = 500 is the anchor of
// 10,000 in the same run: a tap should answer within a second at 10,000 lines, and the
// program should hold no more than twenty times the file's size for it.
//
// Counters: "file_MB" the file's size; "open_ms" opening it (read, worked out, shown and
// painted); the timed iteration is one tap (the document's change and the page's answer,
// painted); "peak_MB" the most the process held from before the open to the last tap,
// over what it held before the open, and "peak_x_file" that over the file's size;
// "held_MB" what the open left held once freed memory was given back (the page itself).
//
// Run by hand from a Release build: build/bin/large_document_benchmarks. Each tap is timed
// 5 times; LARGE_BENCH_ITERATIONS sets another count.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "DocumentBenchmark.h"
#include "core/CustomSettings.h"
#include "datastore/DbRecord.h"
#include "document/DocumentServices.h"
#include "document/DocumentStartup.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "editor/DocumentCommand.h"
#include "platform/base/Base.h"
#include "platform/user/Window.h"

namespace {

using Setup = bench::PageSetup;

std::u16string Number(int n) { return platform::ToUtf16(std::to_string(n)); }

// A line as a salesperson's long invoice carries it: an item with a full description.
std::unique_ptr<CDbRecord> LineRecord(int i) {
  auto record = std::make_unique<CDbRecord>();
  record->SetField(kLineFieldType, u"Inventory Part");
  record->SetField(kLineFieldName, u"Part " + Number(i));
  record->SetField(6 /* description */,
                   u"Part " + Number(i) + u", galvanised steel bracket with two bolts, washers and nuts, "
                                          u"for shelving of 40 cm depth, boxed by ten");
  record->SetField(kLineFieldQuantity, Number(1 + i % 7));
  record->SetField(kLineFieldPrice, u"12.35");
  record->SetField(kLineFieldTaxable, i % 3 == 0 ? u"Tax" : u"Non");
  return record;
}

// The saved file of an invoice of `lines` lines; its path on the device.
std::u16string SavedInvoice(int lines) {
  Setup& s = Setup::Shared();
  const std::u16string path = u"\\invoice" + Number(lines) + u".QVN";
  CSalesDocument doc(s.editor, nullptr, 4, false, &s.settings);
  doc.GetXmlDocument().LoadXmlText(platform::ToUtf16(bench::kInvoiceSkeleton));
  doc.SetVersion(4);
  doc.SetTax(CBstr(u"State"), CBstr(u"8.25%"), CBstr(u""), false);
  for (int i = 0; i < lines; ++i) doc.AddLineItem(*LineRecord(i), true, false, 0);
  doc.RecalcTotals();
  if (!doc.GetXmlDocument().SaveFile(path)) std::abort();
  return path;
}

// What the process holds now and the most it held since the last reset, in bytes.
long long StatusBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word)
    if (word == field) {
      long long kb = 0;
      status >> kb;
      return kb * 1024;
    }
  return 0;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void Paint(CSalesDocument& doc) {
  if (auto* view = dynamic_cast<CHtmlView*>(doc.GetView())) UpdateWindow(view->GetInnerWindow());
}

// Opens the invoice of state.range(0) lines and times taps on it; `whole` makes the page
// again whole after each, as every header change once did.
void RunTaps(benchmark::State& state, bool whole) {
  Setup& s = Setup::Shared();
  const int lines = static_cast<int>(state.range(0));
  const std::u16string path = SavedInvoice(lines);
  const double fileBytes = static_cast<double>(std::filesystem::file_size(platform::MapDevicePath(path)));

  // What earlier runs freed is given back, so that it is not counted as held before.
  malloc_trim(0);
  ResetPeak();
  const long long before = StatusBytes("VmRSS:");
  const auto start = std::chrono::steady_clock::now();
  auto doc = std::make_unique<CSalesDocument>(s.editor, nullptr, 4, true, &s.settings);
  if (!doc->Open(path)) std::abort();
  doc->Render(RenderMode::KeepPosition);
  Paint(*doc);
  const double openMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

  malloc_trim(0);
  state.counters["held_MB"] = (StatusBytes("VmRSS:") - before) / 1e6;
  for (auto _ : state) {
    doc->TogglePaid();
    if (whole)
      doc->Render(RenderMode::KeepPosition);
    else
      doc->ShowAttributeChange(u"PAID", RenderMode::KeepPosition);
    Paint(*doc);
  }
  const double peak = static_cast<double>(StatusBytes("VmHWM:") - before);
  doc.reset();
  state.counters["lines"] = lines;
  state.counters["file_MB"] = fileBytes / 1e6;
  state.counters["open_ms"] = openMs;
  state.counters["peak_MB"] = peak / 1e6;
  state.counters["peak_x_file"] = peak / fileBytes;
}

void BM_MarkAsPaid(benchmark::State& state) { RunTaps(state, false); }
void BM_MarkAsPaidWholePage(benchmark::State& state) { RunTaps(state, true); }

int Iterations() {
  const char* count = std::getenv("LARGE_BENCH_ITERATIONS");
  return count && std::atoi(count) > 0 ? std::atoi(count) : 5;
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgName("lines")->Arg(500)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(Iterations());
}
BENCHMARK(BM_MarkAsPaid)->Apply(Sizes);
BENCHMARK(BM_MarkAsPaidWholePage)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
