// The cost of the sales document's line work as a document grows: recomputing every line
// and the totals, and adding one more line (key choice, insertion, recalculation).
// Run by hand from a Release build: bin/document_benchmarks
#include <benchmark/benchmark.h>

#include <memory>

#include "DocumentBenchmark.h"
#include "datastore/DbRecord.h"
#include "document/DocumentServices.h"
#include "document/SalesDocument.h"
#include "platform/base/Base.h"

namespace {

// A device root of its own for the run.
struct Device {
  Device() { SetDocumentLists(&lists); }
  ~Device() { SetDocumentLists(nullptr); }
  bench::ScratchDevice device;
  bench::TaxLists lists;
};

Device& TheDevice() {
  static Device device;
  return device;
}

// Lines of every kind in a repeating pattern: items, a discount, a subtotal, a payment.
std::unique_ptr<CDbRecord> LineNumber(int i) {
  auto record = std::make_unique<CDbRecord>();
  static const char16_t* const kTypes[] = {u"Service", u"Inventory Part", u"Discount", u"Service", u"Subtotal",
                                           u"Service", u"Payment", u"Service"};
  const char16_t* type = kTypes[i % 8];
  record->SetField(kLineFieldType, type);
  record->SetField(kLineFieldName, u"Line");
  record->SetField(kLineFieldQuantity, u"2");
  record->SetField(kLineFieldPrice, std::u16string(type) == u"Discount" ? u"10%" : u"12.50");
  record->SetField(kLineFieldTaxable, i % 3 ? u"Tax" : u"Non");
  return record;
}

std::unique_ptr<CSalesDocument> DocumentWithLines(int lines) {
  TheDevice();
  auto doc = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, false, nullptr);
  doc->GetXmlDocument().LoadXmlText(platform::ToUtf16(bench::kInvoiceSkeleton));
  doc->SetVersion(4);
  doc->SetTax(CBstr(u"State"), CBstr(u"8.25%"), CBstr(u""), false);
  for (int i = 0; i < lines; ++i) {
    auto record = LineNumber(i);
    doc->AddLineItem(*record, true, false, 0);
  }
  return doc;
}

void BM_RecalcTotals(benchmark::State& state) {
  auto doc = DocumentWithLines(static_cast<int>(state.range(0)));
  for (auto _ : state) doc->RecalcTotals();
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RecalcTotals)->Arg(50)->Arg(100)->Arg(200)->Arg(500)->Complexity();

// Adds line number N to a document of N - 1 lines (removed again outside the timing).
void BM_AddLastLine(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  auto doc = DocumentWithLines(lines - 1);
  for (auto _ : state) {
    auto record = LineNumber(lines - 1);
    doc->AddLineItem(*record, true, false, 1);
    state.PauseTiming();
    doc->DeleteLineItem(CBstr(record->FieldView(kLineFieldKey)), nullptr, false, false);
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AddLastLine)->Arg(50)->Arg(100)->Arg(200)->Arg(500)->Complexity();

}  // namespace

BENCHMARK_MAIN();
