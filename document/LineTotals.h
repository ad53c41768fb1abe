// What the totals computation of a sales document keeps between two runs, so that a line
// edit works out only the lines whose figures it can move (SalesDocumentLines.cpp).
//
// The computation is one pass over the lines in order that carries three sums (subtotal,
// tax, quantity) and the last line that is no adjustment (the base of a percentage line).
// Kept per line: the sums the pass met before the line and what the line added to them.
// Invariants between runs, while the cache is current:
//   1. Every line outside [From(), To()] is settled: worked out again with the sums kept
//      before it, it writes the texts it holds and adds what is kept.
//   2. The lines past To() keep sums that follow from each other (a line put in or taken
//      out before them leaves them as they were, and puts To() at its place).
//   3. Start() holds the sums the pass meets before line From().
// So a run may start at From() with Start(); once the sums before a line past To() that
// is no adjustment are again those kept, every later line comes out as it is kept, and
// the run ends there.
#pragma once

#include <bit>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/Decimal.h"
#include "platform/base/Win32Types.h"

// The same double, bit for bit (a zero of the other sign is not the same: it can round
// differently later).
inline bool SameDouble(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// The three sums of the pass, exact decimals.
struct CLineSums {
  CDecimal subtotal;  // line amounts rounded to cents
  CDecimal tax;       // unrounded line taxes: the amounts times the rate (the tax that
                      // prices including tax hold is this over 1 + rate)
  CDecimal quantity;

  bool SameAs(const CLineSums& other) const {
    return subtotal == other.subtotal && tax == other.tax && quantity == other.quantity;
  }
};

// How a line takes part, by its TYPE and (for adjustments) its price text.
enum class LineRule : unsigned char { kLabel, kSubtotal, kPayment, kFixedAdjustment, kPercentAdjustment, kItem };

inline bool IsAdjustmentRule(LineRule rule) {
  return rule == LineRule::kFixedAdjustment || rule == LineRule::kPercentAdjustment;
}

// One line as the pass last worked it out.
struct CLineEffect {
  LineRule rule = LineRule::kLabel;
  bool stale = true;     // to be worked out at the next run
  bool addsTax = false;  // `tax` goes into the tax sum
  bool taxable = false;  // a fixed adjustment's own tax code
  CLineSums before;      // the sums the pass met before the line
  CDecimal amount;       // the amount in cents added to the subtotal
  CDecimal tax;
  CDecimal value;  // a fixed adjustment's amount: its tax depends on the subtotal before it
  CDecimal quantity;

  // What the line adds, given the sums before it and the tax rate factor.
  void AddTo(CLineSums& sums, const CDecimal& rateFactor) const;
  // Worked out from the same texts, the line adds the same.
  bool SameEffect(const CLineEffect& other) const;
};

// What the figures of every line depend on besides the lines themselves; a run finding
// any of it changed works out every line.
struct CTotalsContext {
  double rateFactor = 0;
  bool includesTax = false;  // prices include tax
  bool useSalesTax = true;
  bool showLineTax = false;
  int version = 0;
  std::u16string numberStyle;               // sample figures in the user's formats
  std::map<std::u16string, bool> taxCodes;  // the tax codes met, and whether each is taxable

  bool SameAs(const CTotalsContext& other) const {
    return SameDouble(rateFactor, other.rateFactor) && includesTax == other.includesTax &&
           useSalesTax == other.useSalesTax && showLineTax == other.showLineTax && version == other.version &&
           numberStyle == other.numberStyle;
  }
};

class CLineTotals {
 public:
  // True while the lines are as the cache last saw them (`lineVersion` of the XML document).
  bool IsCurrent(std::uint64_t lineVersion) const { return m_current && m_lineVersion == lineVersion; }
  // Starts over after a run over every line: `lines` in line order, the sums after the last.
  void Reset(std::vector<CLineEffect> lines, const CLineSums& after, const CTotalsContext& context,
             std::uint64_t lineVersion);
  // The lines changed, and the XML document now says `lineVersion`: a line put in at
  // `position`, taken out from there, or rewritten.
  void Inserted(LONG position, std::uint64_t lineVersion);
  void Removed(LONG position, std::uint64_t lineVersion);
  void Changed(LONG position, std::uint64_t lineVersion);
  // A run from From() ended: the lines it left stale lie in [from, to] (from > to: none);
  // `after`, when given, holds the sums after the last line (the run went to the end).
  void Ran(LONG from, LONG to, const CLineSums* after, std::uint64_t lineVersion);

  LONG Count() const { return static_cast<LONG>(m_lines.size()); }
  CLineEffect& At(LONG position) { return m_lines[static_cast<size_t>(position)]; }
  // A run starts at From() (the line count when nothing changed) with the sums Start(),
  // and may end only past To().
  LONG From() const { return m_from; }
  LONG To() const { return m_to; }
  const CLineSums& Start() const { return m_start; }
  const CLineSums& After() const { return m_after; }
  CTotalsContext& Context() { return m_context; }

 private:
  // The sums kept before the line at `position` (after the last for the count).
  const CLineSums& Before(LONG position) const {
    return position < Count() ? m_lines[static_cast<size_t>(position)].before : m_after;
  }
  // A run must start at `position` (with `before`, when it starts there) and reach it.
  void Touch(LONG position, const CLineSums& before);

  bool m_current = false;
  std::uint64_t m_lineVersion = 0;
  std::vector<CLineEffect> m_lines;
  CLineSums m_after;
  CLineSums m_start;
  LONG m_from = 0;
  LONG m_to = -1;
  CTotalsContext m_context;
};
