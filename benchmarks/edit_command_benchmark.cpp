// What one line edit costs through the document history as the document grows: on a
// document of N lines (items, taxable and not, with a subtotal and a percentage discount
// every hundred lines), one command executed by the command processor, N = 500 and 5,000.
// The cost at 500 lines is each command's anchor: an edit should cost what it changes, so
// the same command on ten times the lines should cost about the same.
//
// At the end of the document, where a document grows:
//   Add       a line added at the end ("Add Line Item", with recalculation)
//   Change    the quantity of the last line changed ("Edit Item")
//   Remove    the last line deleted ("Delete line item")
//   Undo      the added line taken back
//   Redo      the added line put back
// In the middle, where a change moves every subtotal and percentage below it (a tenth of a
// percent of the lines here, so the work grows with the lines it changes):
//   ChangeMiddle, RemoveMiddle, UndoMiddle (the removal taken back), RedoMiddle
//
// Each runs headless (the document alone) and on the screen page (the document shown in
// the HTML display of a 240x320 editor). On the page the time is the command's (the
// document and the page's elements changed); the page is then painted as the program's
// message loop does, timed apart: "paint_us" is what the display's layout and drawing cost
// per command, "layouts" how many whole layouts that took. BM_BuildLineByLine times a
// whole document built through the commands, one "Add Line Item" per line, the page
// painted after each.
//
// Run by hand from a Release build: build/bin/edit_command_benchmarks. Each command is
// timed 20 times; EDIT_BENCH_ITERATIONS sets another count (a slow build of the program
// may want fewer).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "DocumentBenchmark.h"
#include "core/CustomSettings.h"
#include "datastore/DbRecord.h"
#include "document/DocumentServices.h"
#include "document/DocumentStartup.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "document/EditCommand.h"
#include "editor/LineItemCommands.h"
#include "platform/base/Base.h"
#include "platform/htmlview/HtmlControl.h"
#include "platform/user/Paint.h"
#include "platform/user/Window.h"

namespace {

using Setup = bench::PageSetup;

std::u16string Number(int n) { return platform::ToUtf16(std::to_string(n)); }

// Line i of the test documents: mostly items, a subtotal and a 10 % discount every hundred.
std::unique_ptr<CDbRecord> LineRecord(int i) {
  auto record = std::make_unique<CDbRecord>();
  const bool subtotal = i % 100 == 98;
  const bool discount = i % 100 == 99;
  record->SetField(kLineFieldType, subtotal ? u"Subtotal" : discount ? u"Discount" : u"Service");
  record->SetField(kLineFieldName, u"Line " + Number(i));
  record->SetField(kLineFieldQuantity, subtotal || discount ? u"" : Number(1 + i % 7));
  record->SetField(kLineFieldPrice, discount ? u"10%" : subtotal ? u"" : u"12.35");
  record->SetField(kLineFieldTaxable, i % 3 == 0 ? u"Tax" : u"Non");
  return record;
}

// A document of `lines` lines, worked out and (with a page) shown from the top.
class Document {
 public:
  Document(int lines, bool page) {
    Setup& s = Setup::Shared();
    m_doc = std::make_unique<CSalesDocument>(s.editor, nullptr, 4, page, &s.settings);
    m_doc->GetXmlDocument().LoadXmlText(platform::ToUtf16(bench::kInvoiceSkeleton));
    m_doc->SetVersion(4);
    m_doc->SetTax(CBstr(u"State"), CBstr(u"8.25%"), CBstr(u""), false);
    m_doc->RebuildStylesheet();
    for (int i = 0; i < lines; ++i) m_doc->AddLineItem(*LineRecord(i), true, false, 0);
    m_doc->RecalcTotals();
    m_doc->Render(RenderMode::ScrollToTop, -1);
    Paint();
  }
  CSalesDocument& Doc() { return *m_doc; }
  CCommandProcessor& History() { return m_history; }
  void Run(std::unique_ptr<CEditCommand> command) {
    m_history.Submit(std::move(command));
    m_history.ExecutePending();
  }
  // What the message loop does once a command has run: the page is painted.
  void Paint() {
    if (auto* view = dynamic_cast<CHtmlView*>(m_doc->GetView())) UpdateWindow(view->GetInnerWindow());
  }
  // The paint after a timed command, timed apart.
  void TimedPaint(benchmark::State& state) {
    state.PauseTiming();
    const auto start = std::chrono::steady_clock::now();
    Paint();
    m_paint += std::chrono::steady_clock::now() - start;
    state.ResumeTiming();
  }
  double PaintMicroseconds() const { return std::chrono::duration<double, std::micro>(m_paint).count(); }
  // The key of the line at `index`.
  // How many times the page was laid out whole since it was shown.
  int Layouts() {
    auto* view = dynamic_cast<CHtmlView*>(m_doc->GetView());
    return view ? platform::HtmlLayoutCount(view->GetControl()) : 0;
  }
  CBstr KeyAt(LONG index) {
    CLineItemTexts line;
    m_doc->GetXmlDocument().ReadLineItemAt(index, &line);
    return line.key;
  }

 private:
  std::unique_ptr<CSalesDocument> m_doc;
  CCommandProcessor m_history{kDocumentHistoryDepth};
  std::chrono::steady_clock::duration m_paint{};
};

enum class Op { kAdd, kChange, kRemove, kUndo, kRedo };

// Times `op` on a document of state.range(0) lines, with (state.range(1) = 1) or without a
// page, on its last line or (`middle`) on its middle one. Whatever the timed command
// changed is put back, untimed, before the next one.
void RunOp(benchmark::State& state, Op op, bool middle) {
  const int lines = static_cast<int>(state.range(0));
  const bool page = state.range(1) != 0;
  Document d(lines, page);
  const CBstr target = d.KeyAt(middle ? lines / 2 + 1 : lines - 1);
  int next = lines;
  int quantity = 1;
  // The command an undo or redo takes back or applies again: the removal of the middle
  // line, or the addition of a line at the end.
  auto undoable = [&] {
    if (middle)
      d.Run(std::make_unique<CDeleteLineItemCommand>(d.Doc(), target));
    else
      d.Run(std::make_unique<CAddLineItemCommand>(
          d.Doc(), nullptr, nullptr, LineRecord(next++),
          CAddLineItemCommand::Placing{.render = true, .atEnd = true, .recalc = 1}));
    d.Paint();
  };
  auto untimed = [&](const std::function<void()>& step) {
    state.PauseTiming();
    step();
    d.Paint();
    state.ResumeTiming();
  };
  // The page's first change after it is shown builds what later changes keep (the index
  // of its ids, its tables' column measures: about 30 ms for 5,000 lines, once); one change
  // made and taken back before the timing, so that each command is timed as it costs from
  // then on. A redo then has its command to apply again.
  undoable();
  d.History().Undo();
  d.Paint();
  const int layouts = d.Layouts();
  for (auto _ : state) {
    switch (op) {
      case Op::kAdd:
        d.Run(std::make_unique<CAddLineItemCommand>(
            d.Doc(), nullptr, nullptr, LineRecord(next++),
            CAddLineItemCommand::Placing{.render = true, .atEnd = true, .recalc = 1}));
        d.TimedPaint(state);
        untimed([&] { d.History().Undo(); });
        break;
      case Op::kChange:
        d.Run(std::make_unique<CEditLineItemCommand>(d.Doc(), nullptr, nullptr, target, u'Q',
                                                     [&](CDbRecord& line, WCHAR) {
                                                       line.SetField(kLineFieldQuantity, Number(1 + ++quantity % 9));
                                                       return true;
                                                     }));
        d.TimedPaint(state);
        break;
      case Op::kRemove:
        d.Run(std::make_unique<CDeleteLineItemCommand>(d.Doc(), target));
        d.TimedPaint(state);
        untimed([&] { d.History().Undo(); });
        break;
      case Op::kUndo:
        untimed(undoable);
        d.History().Undo();
        d.TimedPaint(state);
        break;
      case Op::kRedo:
        d.History().Redo();
        d.TimedPaint(state);
        untimed([&] { d.History().Undo(); });
        break;
    }
  }
  state.counters["lines"] = lines;
  // Whole layouts of the page per command (the untimed steps' own included).
  state.counters["layouts"] = static_cast<double>(d.Layouts() - layouts) / static_cast<double>(state.iterations());
  if (page) state.counters["paint_us"] = d.PaintMicroseconds() / static_cast<double>(state.iterations());
}

void BM_Add(benchmark::State& state) { RunOp(state, Op::kAdd, false); }
void BM_Change(benchmark::State& state) { RunOp(state, Op::kChange, false); }
void BM_Remove(benchmark::State& state) { RunOp(state, Op::kRemove, false); }
void BM_Undo(benchmark::State& state) { RunOp(state, Op::kUndo, false); }
void BM_Redo(benchmark::State& state) { RunOp(state, Op::kRedo, false); }
void BM_ChangeMiddle(benchmark::State& state) { RunOp(state, Op::kChange, true); }
void BM_RemoveMiddle(benchmark::State& state) { RunOp(state, Op::kRemove, true); }
void BM_UndoMiddle(benchmark::State& state) { RunOp(state, Op::kUndo, true); }
void BM_RedoMiddle(benchmark::State& state) { RunOp(state, Op::kRedo, true); }

int Iterations() {
  const char* count = std::getenv("EDIT_BENCH_ITERATIONS");
  return count && std::atoi(count) > 0 ? std::atoi(count) : 20;
}

// Headless and on the page, 500 and 5,000 lines.
void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"lines", "page"});
  b->Args({500, 0})->Args({5000, 0})->Args({500, 1})->Args({5000, 1});
  b->Unit(benchmark::kMicrosecond)->Iterations(Iterations());
}
BENCHMARK(BM_Add)->Apply(Sizes);
BENCHMARK(BM_Change)->Apply(Sizes);
BENCHMARK(BM_Remove)->Apply(Sizes);
BENCHMARK(BM_Undo)->Apply(Sizes);
BENCHMARK(BM_Redo)->Apply(Sizes);
BENCHMARK(BM_ChangeMiddle)->Apply(Sizes);
BENCHMARK(BM_RemoveMiddle)->Apply(Sizes);
BENCHMARK(BM_UndoMiddle)->Apply(Sizes);
BENCHMARK(BM_RedoMiddle)->Apply(Sizes);

// A document of state.range(0) lines built through the commands, one "Add Line Item"
// (with recalculation) per line; the page is painted after each when there is one.
void BM_BuildLineByLine(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const bool page = state.range(1) != 0;
  for (auto _ : state) {
    Document d(0, page);
    for (int i = 0; i < lines; ++i) {
      d.Run(std::make_unique<CAddLineItemCommand>(
          d.Doc(), nullptr, nullptr, LineRecord(i),
          CAddLineItemCommand::Placing{.render = true, .atEnd = true, .recalc = 1}));
      d.Paint();
    }
  }
  state.counters["lines"] = lines;
}
BENCHMARK(BM_BuildLineByLine)
    ->ArgNames({"lines", "page"})
    ->Args({500, 0})
    ->Args({5000, 0})
    ->Args({500, 1})
    ->Args({5000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
