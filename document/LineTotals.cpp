#include "document/LineTotals.h"

#include <algorithm>

void CLineEffect::AddTo(CLineSums& sums, const CDecimal& rateFactor) const {
  switch (rule) {
    case LineRule::kLabel:
    case LineRule::kSubtotal:
      break;
    case LineRule::kPayment:
      sums.subtotal += amount;
      break;
    case LineRule::kFixedAdjustment:
      if (!sums.subtotal.IsZero() && taxable) sums.tax += rateFactor * value;
      sums.subtotal += amount;
      break;
    case LineRule::kPercentAdjustment:
      if (addsTax) sums.tax += tax;
      sums.subtotal += amount;
      break;
    case LineRule::kItem:
      sums.quantity += quantity;
      sums.subtotal += amount;
      if (addsTax) sums.tax += tax;
      break;
  }
}

bool CLineEffect::SameEffect(const CLineEffect& other) const {
  return rule == other.rule && addsTax == other.addsTax && taxable == other.taxable &&
         amount == other.amount && tax == other.tax && value == other.value && quantity == other.quantity;
}

void CLineTotals::Reset(std::vector<CLineEffect> lines, const CLineSums& after, const CTotalsContext& context,
                        std::uint64_t lineVersion) {
  m_lines = std::move(lines);
  m_after = after;
  m_context = context;
  m_from = Count();
  m_to = -1;
  m_start = m_after;
  for (LONG i = 0; i < Count(); ++i)
    if (At(i).stale) Touch(i, At(i).before);
  m_lineVersion = lineVersion;
  m_current = true;
}

void CLineTotals::Touch(LONG position, const CLineSums& before) {
  if (position < m_from) {
    m_from = position;
    m_start = before;
  }
  m_to = std::max(m_to, position);
}

void CLineTotals::Inserted(LONG position, std::uint64_t lineVersion) {
  CLineEffect line;
  // Before From() the lines are settled and their sums are right; at From() Start() is.
  line.before = position == m_from ? m_start : Before(position);
  m_lines.insert(m_lines.begin() + position, line);
  if (m_from >= position) ++m_from;
  if (m_to >= position) ++m_to;
  Touch(position, line.before);
  m_lineVersion = lineVersion;
}

// The line that follows keeps the sums it met before, so that a run can tell when the
// sums are again what they were.
void CLineTotals::Removed(LONG position, std::uint64_t lineVersion) {
  const CLineSums before = At(position).before;
  m_lines.erase(m_lines.begin() + position);
  if (m_from > position) --m_from;
  if (m_to > position) --m_to;
  if (position <= m_from) {
    m_from = position;
    m_start = before;
  }
  // A run must reach the line that now stands there: it meets other sums than it kept.
  m_to = std::max(m_to, position);
  m_lineVersion = lineVersion;
}

void CLineTotals::Changed(LONG position, std::uint64_t lineVersion) {
  At(position).stale = true;
  Touch(position, At(position).before);
  m_lineVersion = lineVersion;
}

void CLineTotals::Ran(LONG from, LONG to, const CLineSums* after, std::uint64_t lineVersion) {
  if (after) m_after = *after;
  m_from = from <= to ? from : Count();
  m_to = to;
  m_start = Before(m_from);
  m_lineVersion = lineVersion;
}
