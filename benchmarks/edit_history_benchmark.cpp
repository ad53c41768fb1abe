// The cost of the edit history on a working document: N line-item adds through the
// command processor, then N undos, on a document that starts with 500 lines. The time
// per command should stay flat as N grows (the history itself adds nothing per entry;
// each command costs what the document's own line work costs).
// Run by hand from a Release build: bin/edit_history_benchmarks
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "DocumentBenchmark.h"
#include "datastore/DbRecord.h"
#include "document/DocumentServices.h"
#include "document/SalesDocument.h"
#include "editor/LineItemCommands.h"
#include "platform/base/Base.h"

namespace {

std::unique_ptr<CDbRecord> ServiceLine(int i) {
  auto record = std::make_unique<CDbRecord>();
  record->SetField(kLineFieldType, u"Service");
  record->SetField(kLineFieldName, u"Line " + platform::ToUtf16(std::to_string(i)));
  record->SetField(kLineFieldQuantity, u"2");
  record->SetField(kLineFieldPrice, u"12.50");
  record->SetField(kLineFieldTaxable, u"Non");
  return record;
}

void BM_AddThenUndoLines(benchmark::State& state) {
  bench::Scratch();
  const int commands = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    CSalesDocument doc(nullptr, nullptr, 4, false, nullptr);
    doc.GetXmlDocument().LoadXmlText(platform::ToUtf16(bench::kInvoiceSkeleton));
    doc.SetVersion(4);
    for (int i = 0; i < 500; ++i) {
      auto record = ServiceLine(i);
      doc.AddLineItem(*record, true, false, 0);
    }
    CCommandProcessor history(static_cast<unsigned>(commands));
    state.ResumeTiming();
    for (int i = 0; i < commands; ++i) {
      history.Submit(std::make_unique<CAddLineItemCommand>(doc, nullptr, nullptr, ServiceLine(500 + i),
                                                           CAddLineItemCommand::Placing{.atEnd = true}));
      history.ExecutePending();
    }
    while (history.Undo()) {
    }
    state.PauseTiming();
    history.Clear();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
  state.counters["per_command"] =
      benchmark::Counter(2.0 * commands, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddThenUndoLines)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity();

// The history alone: commands that change nothing, N runs then N undos.
class NoChange : public CEditCommand {
 public:
  NoChange() : CEditCommand(u"Nothing") {}
  bool Do(bool) override { return true; }
  bool Undo() override { return true; }
  bool CanUndo() const override { return true; }
  bool CanRedo() const override { return true; }
};

void BM_HistoryAlone(benchmark::State& state) {
  const int commands = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CCommandProcessor history(static_cast<unsigned>(commands));
    for (int i = 0; i < commands; ++i) {
      history.Submit(std::make_unique<NoChange>());
      history.ExecutePending();
    }
    while (history.Undo()) {
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HistoryAlone)->Arg(250)->Arg(500)->Arg(1000)->Arg(4000)->Complexity();

}  // namespace

BENCHMARK_MAIN();
