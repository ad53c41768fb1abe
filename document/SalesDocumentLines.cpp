// The line items of a sales document and the one computation that works out every line
// amount and the document's subtotal, tax, total and total quantity. RecalcTotals runs it
// over every line; a line edit runs it only over the lines the edit can move, from what
// the last run kept of each line (LineTotals.h), with the same steps in the same order, so
// that both give the same texts and totals to the last bit. What changed in the lines is
// noted for the page, which shows it in place (ShowChanges).
#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <vector>

#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "datastore/DbRecord.h"
#include "document/LineFigures.h"
#include "document/SalesDocument.h"
#include "platform/user/Sound.h"

namespace {

// A figure as the lines show it: the regional number format with two decimals.
CBstr LineFigure(double value) { return FormatNumberText(value, NumberDigits::TwoDigits); }
CBstr LineFigure(const CDecimal& value) { return LineFigure(value.ToDouble()); }

// The exact decimal of a figure's text.
CDecimal Figure(std::u16string_view text) { return ReadLineFigure(text); }

bool Contains(std::u16string_view text, char16_t c) { return text.find(c) != std::u16string_view::npos; }

// Line kinds by TYPE (exact text).
enum class LineKind { kItem, kSubtotal, kPayment, kDiscount, kSalesTaxItem, kSalesTaxGroup, kLabel };

LineKind KindOf(std::u16string_view type) {
  if (type == u"Subtotal") return LineKind::kSubtotal;
  if (type == u"Payment") return LineKind::kPayment;
  if (type == u"Discount") return LineKind::kDiscount;
  if (type == u"Sales Tax Item") return LineKind::kSalesTaxItem;
  if (type == u"Sales Tax Group") return LineKind::kSalesTaxGroup;
  if (type == u"QVNLABEL") return LineKind::kLabel;
  return LineKind::kItem;
}

bool IsAdjustment(LineKind kind) {
  return kind == LineKind::kDiscount || kind == LineKind::kSalesTaxItem || kind == LineKind::kSalesTaxGroup;
}

std::u16string WithoutThousandSeparator(std::u16string_view text) {
  std::u16string s(text);
  RegionalSettings().RemoveThousandSeparators(s);
  return s;
}

// The amount as a negative text. A bracketed amount ("(30.00)") is negative already: it
// becomes "-30.00" rather than "-(30.00)", which reads as no amount at all. A text that
// an earlier pass left as "-(30.00)" is mended the same way.
std::u16string WithMinusInFront(std::u16string_view text) {
  if (Contains(text, u'(')) {
    std::u16string digits(text);
    for (char16_t sign : {u'(', u')', u'-'}) RemoveCharFromText(digits, sign);
    return u"-" + TrimWhitespace(digits);
  }
  if (Contains(text, u'-')) return std::u16string(text);
  return u"-" + std::u16string(text);
}

// The texts the computation writes into a line.
constexpr CBstr CLineItemTexts::*kWrittenTexts[] = {&CLineItemTexts::quantity, &CLineItemTexts::price,
                                                    &CLineItemTexts::total, &CLineItemTexts::taxAmount};

// The texts a worked-out line writes (absent ones are left alone) put over the line's own.
CLineItemTexts Merged(const CLineItemTexts& line, const CLineItemTexts& out) {
  CLineItemTexts merged = line;
  for (auto text : kWrittenTexts)
    if (!(out.*text).IsNull()) merged.*text = out.*text;
  return merged;
}

// Whether writing `out` changes a text of the line.
bool WouldChange(const CLineItemTexts& line, const CLineItemTexts& out) {
  for (auto text : kWrittenTexts)
    if (!(out.*text).IsNull() && (out.*text).view() != (line.*text).view()) return true;
  return false;
}

// Sample figures in the user's number and money formats: when they read differently, every
// line is written differently.
std::u16string NumberStyle() {
  constexpr double kSample = -1234.565;
  CBstr money;
  FormatCurrencyValue(kSample, money, true);
  return FormatNumberText(kSample, NumberDigits::TwoDigits).str() + u"|" +
         FormatNumberText(kSample, NumberDigits::CurrencyDigits).str() + u"|" + money.str();
}

}  // namespace

// What a percentage line needs of the line it is based on, as written by this pass.
struct CSalesDocument::LineFigures {
  LineKind kind = LineKind::kItem;
  std::u16string quantity;
  std::u16string price;
  std::u16string total;
  std::u16string taxCode;

  static LineFigures Of(const CLineItemTexts& line) {
    return {KindOf(line.type.view()), line.quantity.str(), line.price.str(), line.total.str(), line.taxable.str()};
  }
};

bool CSalesDocument::IsLineTaxable(std::u16string_view code) {
  bool taxable;
  if (IDocumentLists* lists = GetDocumentLists())
    taxable = lists->IsTaxable(m_version, code);
  else
    taxable = IsTaxableWithoutList(m_version, code);
  if (m_taxCodesMet) m_taxCodesMet->emplace(code, taxable);
  return taxable;
}

CTotalsContext CSalesDocument::TotalsContext() {
  CTotalsContext context;
  context.rateFactor = m_taxRateFactor;
  context.includesTax = GetBoolAttribute(u"AMTINCTAX", false);
  context.useSalesTax = m_useSalesTax != 0;
  context.showLineTax = GetTypeFlag(kRowLineTotalOnScreen) != 0;
  context.version = m_version;
  context.numberStyle = NumberStyle();
  return context;
}

// One line worked out with the sums before it and its base (null: none): the texts it
// writes and what it adds to the sums. Every figure is an exact decimal of the text it was
// read from; what a line shows is what it adds (rounded to cents once, half away from zero).
// Whether prices include tax or not, a line's amount is its quantity times the price it
// shows; a price switch turns each price that bears tax into the other kind.
void CSalesDocument::WorkOutLine(const CLineItemTexts& line, const CLineSums& before, const LineFigures* base,
                                 PriceSwitch prices, CLineItemTexts& out, CLineEffect& effect) {
  const LineKind kind = KindOf(line.type.view());
  const CDecimal& rateFactor = m_taxRate;
  // Prices that bear tax are turned up when the switch has just been put on, down when off.
  const bool includesTax = GetBoolAttribute(u"AMTINCTAX", false);
  const bool turnUp = prices == PriceSwitch::NowIncludeTax && includesTax;
  const bool turnPrices = turnUp || prices == PriceSwitch::NowExcludeTax;
  out = CLineItemTexts();
  effect = CLineEffect();
  effect.stale = false;
  effect.before = before;

  if (kind == LineKind::kLabel) {
    // Text only: no figure changes.
    effect.rule = LineRule::kLabel;
  } else if (kind == LineKind::kSubtotal) {
    effect.rule = LineRule::kSubtotal;
    out.total = LineFigure(before.subtotal);
    out.quantity = CBstr(u" ");
    out.price = CBstr(u" ");
  } else if (kind == LineKind::kPayment) {
    effect.rule = LineRule::kPayment;
    std::u16string newPrice = WithMinusInFront(WithoutThousandSeparator(line.price.view()));
    CDecimal value = Figure(newPrice);
    if (value.Sign() > 0) value = -value;
    effect.amount = value.Cents();
    out.quantity = CBstr(u"");
    out.total = LineFigure(effect.amount);
    out.price = CBstr(newPrice);
  } else if (IsAdjustment(kind) && !Contains(line.price.view(), u'%')) {
    effect.rule = LineRule::kFixedAdjustment;
    effect.taxable = IsLineTaxable(line.taxable.view());
    std::u16string priceText = WithoutThousandSeparator(line.price.view());
    // Its tax is added only where the subtotal before it is not 0 (CLineEffect::AddTo):
    // only then is its amount one that bears tax, turned by the switch like an item's price.
    if (effect.taxable && !before.subtotal.IsZero() && turnPrices)
      priceText = WithoutThousandSeparator(LineFigure(ConvertedPrice(Figure(priceText).Cents(), turnUp)).view());
    std::u16string newPrice = kind == LineKind::kDiscount ? WithMinusInFront(priceText) : priceText;
    CDecimal value = Figure(newPrice);
    if (kind == LineKind::kDiscount && value.Sign() > 0) value = -value;
    effect.value = value;
    effect.amount = value.Cents();
    out.quantity = CBstr(u"");
    out.total = LineFigure(effect.amount);
    out.price = CBstr(newPrice);
  } else if (IsAdjustment(kind)) {
    effect.rule = LineRule::kPercentAdjustment;
    CDecimal baseAmount;
    bool baseTaxable = false;
    if (base) {
      // A blank quantity (a subtotal line writes one blank) counts as one.
      std::u16string_view quantity = base->quantity;
      const CDecimal baseQuantity = IsBlankText(quantity) ? CDecimal(1, 0) : Figure(quantity);
      baseTaxable = IsLineTaxable(base->taxCode);
      baseAmount = Figure(base->kind == LineKind::kSubtotal ? base->total : base->price) * baseQuantity;
    }
    std::u16string newPrice =
        kind == LineKind::kDiscount ? WithMinusInFront(line.price.view()) : line.price.str();
    CDecimal value;
    if (kind == LineKind::kDiscount) {
      value = baseAmount * Figure(newPrice) * CDecimal(1, 2);
      if (value.Sign() > 0) value = -value;
      if (baseTaxable) effect.tax = rateFactor * value;
      effect.addsTax = IsLineTaxable(line.taxable.view());
    }
    effect.amount = value.Cents();
    out.quantity = CBstr(u"");
    out.total = LineFigure(effect.amount);
    out.price = CBstr(newPrice);
  } else {
    effect.rule = LineRule::kItem;
    const CDecimal quantity = Figure(line.quantity.view());
    const bool taxable = IsLineTaxable(line.taxable.view());
    const CDecimal rate = taxable ? rateFactor : CDecimal();
    // The price as the line shows and stores it: in cents.
    CDecimal price = Figure(line.price.view()).Cents();
    if (taxable && turnPrices) price = ConvertedPrice(price, turnUp);
    out.price = LineFigure(price);
    // A quantity read as none though it names a figure ("1e308", beyond any quantity)
    // shows what it counts.
    if (quantity.IsZero() && line.quantity.view().find_first_of(u"123456789") != std::u16string_view::npos)
      out.quantity = CBstr(u"0");
    const CDecimal amount = price * quantity;
    effect.quantity = quantity;
    effect.amount = amount.Cents();
    effect.addsTax = !rate.IsZero();
    // A price that includes tax holds it in the amount the customer pays, to the cent.
    effect.tax = rate * (includesTax ? effect.amount : amount);
    if (price.IsZero()) {
      out.total = line.price;
    } else {
      std::u16string text = LineFigure(effect.amount).str();
      if (taxable) text += u"T";
      out.total = CBstr(text);
    }
    if (GetTypeFlag(kRowLineTotalOnScreen) && m_useSalesTax)
      out.taxAmount = LineFigure(includesTax ? TaxHeld(effect.tax) : effect.tax.Cents());
  }
}

CDecimal CSalesDocument::ConvertedPrice(const CDecimal& price, bool up) const {
  // A rate of -100 % or below has no price without tax.
  if (m_taxRate.IsZero() || (CDecimal(1, 0) + m_taxRate).Sign() <= 0) return price;
  return up ? (price * (CDecimal(1, 0) + m_taxRate)).Cents() : price.DividedBy(CDecimal(1, 0) + m_taxRate, 2);
}

CDecimal CSalesDocument::TaxHeld(const CDecimal& taxAtRate) const {
  return taxAtRate.DividedBy(CDecimal(1, 0) + m_taxRate, 2);
}

// A line worked out once may write texts that, read again by the next pass, work out
// differently (a price of three decimals written with two; a price of 0 whose total is
// its old price text): such a line is marked stale, so the next run works it out again,
// as the next whole pass would. A line whose texts stay as they were, worked out without
// a price conversion, is read again as it was read: it is settled without a second pass.
void CSalesDocument::SettleLine(const CLineItemTexts& line, const CLineItemTexts& out, const CLineSums& before,
                                const LineFigures* base, bool pricesConverted, CLineEffect& effect) {
  if (!pricesConverted && !WouldChange(line, out)) {
    effect.stale = false;
    return;
  }
  const CLineItemTexts written = Merged(line, out);
  CLineItemTexts again;
  CLineEffect next;
  WorkOutLine(written, before, base, PriceSwitch::Keep, again, next);
  effect.stale = WouldChange(written, again) || !effect.SameEffect(next);
}

void CSalesDocument::RecalcLine(LONG position, const CLineItemTexts& line, const CLineSums& before,
                                const std::optional<LineFigures>& base, PriceSwitch prices, CLineItemTexts& out,
                                CLineEffect& effect) {
  const LineFigures* lineBase = base ? &*base : nullptr;
  WorkOutLine(line, before, lineBase, prices, out, effect);
  m_xml->UpdateLineItemAt(position, out);
  if (WouldChange(line, out)) NotePageChange(PageChange::kChanged, line.key.str());
  SettleLine(line, out, before, lineBase, prices != PriceSwitch::Keep, effect);
}

// With prices that include tax the lines add up to the total; the tax is what the taxed
// lines hold, worked out once on their sum, and the subtotal the amount before it. Either
// way subtotal + tax = total, to the cent.
void CSalesDocument::FinishTotals(const CLineSums& sums) {
  const CDecimal lines = sums.subtotal.Cents();
  CDecimal subtotal = lines, tax, total;
  if (!m_useSalesTax) {
    total = lines;
  } else if (GetBoolAttribute(u"AMTINCTAX", false)) {
    tax = TaxHeld(sums.tax);
    subtotal = lines - tax;
    total = lines;
  } else {
    tax = sums.tax.Cents();
    total = lines + tax;
  }
  FormatCurrencyValue(subtotal.ToDouble(), m_subtotalText, true);
  FormatCurrencyValue(tax.ToDouble(), m_taxText, true);
  FormatCurrencyValue(total.ToDouble(), m_totalText, true);
  m_totalQuantityText = FormatQuantity(sums.quantity);
  m_xml->WriteTotals(m_subtotalText, m_taxText, m_totalText, m_totalQuantityText);
  ShowInPage(u"AJIDSubtotal", m_subtotalText.view());
  ShowInPage(u"AJIDTaxes", m_taxText.view());
  ShowInPage(u"AJIDTotal", m_totalText.view());
  ShowInPage(u"AJIDTotalQty", m_totalQuantityText.view());
  MarkModified();
}

void CSalesDocument::RecalcTotals(PriceSwitch prices) {
  CTotalsContext context = TotalsContext();
  m_taxCodesMet = &context.taxCodes;
  const bool showLineTax = context.showLineTax && m_useSalesTax;
  std::vector<CLineEffect> effects;
  CLineSums sums;
  // The base of a percentage line is the nearest line above that is no adjustment; it is
  // kept while walking, so a run of adjustments never searches backwards.
  std::optional<LineFigures> base;
  CLineItemTexts line;
  for (LONG i = 0; m_xml->ReadLineItemAt(i, &line); ++i) {
    CLineItemTexts out;
    CLineEffect effect;
    RecalcLine(i, line, sums, base, prices, out, effect);
    if (effect.rule == LineRule::kItem) {
      ShowInPage(u"AJIDLT" + line.key.str(), out.total.view());
      // The line's tax has a cell of its own: the total just shown stays visible.
      if (showLineTax) ShowInPage(u"AJIDX" + line.key.str(), out.taxAmount.view());
    }
    effect.AddTo(sums, m_taxRate);
    if (!IsAdjustmentRule(effect.rule)) base = LineFigures::Of(Merged(line, out));
    effects.push_back(effect);
  }
  m_taxCodesMet = nullptr;
  m_lineTotals.Reset(std::move(effects), sums, context, m_xml->GetLineVersion());
  FinishTotals(sums);
}

bool CSalesDocument::TotalsCacheUsable() {
  if (!m_incrementalTotals || !TotalsCacheCurrent() || !m_lineTotals.Context().SameAs(TotalsContext())) return false;
  // A tax code the lists now answer differently changes every line that carries it.
  for (const auto& [code, taxable] : m_lineTotals.Context().taxCodes)
    if (IsLineTaxable(code) != taxable) return false;
  return true;
}

void CSalesDocument::RecalcChangedTotals() {
  if (!TotalsCacheUsable()) {
    RecalcTotals();
    return;
  }
  CLineTotals& kept = m_lineTotals;
  m_taxCodesMet = &kept.Context().taxCodes;
  const LONG count = kept.Count();
  LONG i = kept.From();
  CLineSums sums = kept.Start();
  // The base of the first line worked out: read from the document only when a percentage
  // line asks for it.
  LONG baseIndex = i - 1;
  while (baseIndex >= 0 && IsAdjustmentRule(kept.At(baseIndex).rule)) --baseIndex;
  std::optional<LineFigures> base;
  LONG staleFrom = count, staleTo = -1;
  bool toTheEnd = true;
  for (; i < count; ++i) {
    CLineEffect& effect = kept.At(i);
    const bool sameSums = sums.SameAs(effect.before);
    if (i > kept.To() && sameSums && !IsAdjustmentRule(effect.rule)) {
      toTheEnd = false;
      break;
    }
    // A line worked out again: one that changed or did not settle, a percentage (its base
    // may have changed), a subtotal that meets other sums. The others add what they added.
    if (effect.stale || effect.rule == LineRule::kPercentAdjustment ||
        (effect.rule == LineRule::kSubtotal && !sameSums)) {
      CLineItemTexts line;
      m_xml->ReadLineItemAt(i, &line);
      if (!base && baseIndex >= 0 && IsAdjustment(KindOf(line.type.view()))) {
        CLineItemTexts baseLine;
        m_xml->ReadLineItemAt(baseIndex, &baseLine);
        base = LineFigures::Of(baseLine);
      }
      CLineItemTexts out;
      RecalcLine(i, line, sums, base, PriceSwitch::Keep, out, effect);
      if (!IsAdjustmentRule(effect.rule)) {
        baseIndex = i;
        base = LineFigures::Of(Merged(line, out));
      }
    } else {
      effect.before = sums;
      if (!IsAdjustmentRule(effect.rule)) {
        baseIndex = i;
        base.reset();
      }
    }
    if (effect.stale) {
      staleFrom = std::min(staleFrom, i);
      staleTo = i;
    }
    effect.AddTo(sums, m_taxRate);
  }
  m_taxCodesMet = nullptr;
  const CLineSums after = toTheEnd ? sums : kept.After();
  kept.Ran(staleFrom, staleTo, toTheEnd ? &sums : nullptr, m_xml->GetLineVersion());
  FinishTotals(after);
}

// ---- The page ------------------------------------------------------------------------------------

void CSalesDocument::NotePageChange(PageChange change, std::u16string key) {
  if (m_view) m_pageChanges.emplace_back(change, std::move(key));
}

// The changes are shown in the order made, each against the document as it is now: a line
// inserted and removed since is never shown, a line shown once needs no second showing.
bool CSalesDocument::ShowChangesInPlace() {
  std::set<std::u16string> shown, neverShown;
  for (const auto& [change, key] : m_pageChanges) {
    const LONG position = m_xml->GetLinePosition(CBstr(key));
    switch (change) {
      case PageChange::kInserted:
        if (position < 0) {
          neverShown.insert(key);
          break;
        }
        if (!m_view->InsertLine(position)) return false;
        shown.insert(key);
        break;
      case PageChange::kChanged:
        if (position < 0 || shown.count(key)) break;
        if (!m_view->ShowLine(position)) return false;
        shown.insert(key);
        break;
      case PageChange::kRemoved:
        shown.erase(key);
        if (neverShown.erase(key)) break;
        if (!m_view->RemoveLine(key)) return false;
        break;
    }
  }
  return true;
}

void CSalesDocument::ShowChanges(RenderMode mode) {
  if (!m_view) return;
  // Without the line table the page shows no line: the totals are shown already. Each line
  // shown in place costs a small transformation of its own: when most lines changed, the
  // whole document is shown again instead.
  const bool most = m_pageChanges.size() > static_cast<size_t>(m_xml->GetLineCount()) / 2;
  const bool inPlace = !m_showLineTo || (!most && ShowChangesInPlace());
  if (!inPlace) {
    Render(mode);
    return;
  }
  m_pageChanges.clear();
  if (mode == RenderMode::ScrollToEnd) m_view->ScrollToEnd();
}

// ---- Line edits -----------------------------------------------------------------------------------

void CSalesDocument::PlayAddItemSound() {
  PlaySoundW(u"ADDITEMSOUNDNAME2", GetResourceInstance(), SND_RESOURCE | SND_ASYNC | SND_NOWAIT);
}

bool CSalesDocument::AddLineItem(CDbRecord& record, bool appendAtEnd, bool playSound, int recalc) {
  MarkModified();
  // The level is applied to a record that is no line yet. A record read from a line (one
  // that is pasted, or put back by an undo) already carries the level in its price;
  // applying it again would raise the price a second time.
  const bool alreadyALine = !record.FieldView(kLineFieldKey).empty();
  if (IDocumentLists* lists = GetDocumentLists(); lists && !alreadyALine) {
    const double factor = lists->GetLevelFactor(record.FieldView(kLineFieldPriceLevel));
    if (factor != 0) {
      const double price = ParseNumberText(record.FieldView(kLineFieldPrice));
      const double newPrice = price + price * factor;
      record.SetField(kLineFieldPrice, LineFigure(newPrice));
      record.SetField(kLineFieldTotal,
                      LineFigure(ParseNumberText(record.FieldView(kLineFieldQuantity)) * newPrice));
    }
  }
  CBstr key = m_xml->ChooseLineKey(CBstr(record.FieldView(kLineFieldKey)));
  record.SetField(kLineFieldKey, key);
  const bool cacheCurrent = TotalsCacheCurrent();
  LONG position = -1;
  const HRESULT hr = m_xml->InsertLineItem(appendAtEnd ? CBstr() : m_currentLineKey, record, &position);
  LineInserted(position, key, cacheCurrent);
  if (playSound && m_playSounds && m_docType != kDocCreditMemo) PlayAddItemSound();
  if (recalc == 1) RecalcChangedTotals();
  return hr == S_OK;
}

bool CSalesDocument::InsertLineItem(CDbRecord& record) {
  BeginWaitCursor();
  MarkModified();
  CBstr key = m_xml->ChooseLineKey(CBstr(record.FieldView(kLineFieldKey)));
  record.SetField(kLineFieldKey, key);
  const bool cacheCurrent = TotalsCacheCurrent();
  LONG position = -1;
  const HRESULT hr = m_xml->InsertLineItem(m_currentLineKey, record, &position);
  LineInserted(position, key, cacheCurrent);
  RecalcChangedTotals();
  EndWaitCursor();
  return hr == S_OK;
}

bool CSalesDocument::UpdateLineItem(const CDbRecord& record) {
  const CBstr key(record.FieldView(kLineFieldKey));
  const bool cacheCurrent = TotalsCacheCurrent();
  const LONG position = m_xml->GetLinePosition(key);
  // A record whose line is gone rewrites nothing; that is no success.
  const bool done = position >= 0 && m_xml->UpdateLineItem(record) == S_OK;
  if (done) {
    if (cacheCurrent) m_lineTotals.Changed(position, m_xml->GetLineVersion());
    NotePageChange(PageChange::kChanged, key.str());
  }
  RecalcChangedTotals();
  return done;
}

std::unique_ptr<CDbRecord> CSalesDocument::DeleteLineItem(const CBstr& key, CBstr* nextKey, bool keepAsCurrent,
                                                          bool readRecord) {
  std::unique_ptr<CDbRecord> removed;
  if (readRecord) {
    removed = ReadLineItem(key);
    if (!removed) {
      if (keepAsCurrent) m_currentLine.reset();
      return nullptr;
    }
  }
  CBstr next;
  if (!m_xml->GetNextLineKey(key, &next)) next = CBstr(u"");
  if (nextKey) *nextKey = next;
  const bool cacheCurrent = TotalsCacheCurrent();
  LONG position = -1;
  if (m_xml->RemoveLineItem(key, &position)) {
    if (cacheCurrent) m_lineTotals.Removed(position, m_xml->GetLineVersion());
    NotePageChange(PageChange::kRemoved, key.str());
  }
  if (!m_currentLineKey.IsNull() && m_currentLineKey.view() == key.view()) m_currentLineKey = CBstr();
  RecalcChangedTotals();
  if (keepAsCurrent && removed) m_currentLine = CDbRecord::CDbRecordCopy(*removed, removed->GetObjectPosition());
  return removed;
}

std::unique_ptr<CDbRecord> CSalesDocument::DeleteLineItem(const CBstr& key, CBstr* nextKey, bool keepRecord) {
  auto removed = DeleteLineItem(key, nextKey, keepRecord, keepRecord);
  if (!keepRecord) m_currentLine.reset();
  return removed;
}

// A line put in at `position` (-1: none was) while the totals cache was (not) current.
void CSalesDocument::LineInserted(LONG position, const CBstr& key, bool cacheCurrent) {
  if (position < 0) return;
  if (cacheCurrent) m_lineTotals.Inserted(position, m_xml->GetLineVersion());
  NotePageChange(PageChange::kInserted, key.str());
}

void CSalesDocument::ClearLineQuantities() {
  CLineItemTexts values;
  values.quantity = CBstr(u"0");
  for (LONG i = 0; m_xml->UpdateLineItemAt(i, values, i > 0); ++i) {
  }
  RecalcTotals();
}

// ---- Line rows ---------------------------------------------------------------------------------------

std::unique_ptr<CLineItemRow> CSalesDocument::GetFirstLineRow(int mode, CBstr* type, CBstr* quantity) {
  m_rowCursor = 0;
  return GetNextLineRow(mode, type, quantity);
}

std::unique_ptr<CLineItemRow> CSalesDocument::GetNextLineRow(int mode, CBstr* type, CBstr* quantity) {
  CLineItemTexts line;
  if (!m_xml->ReadLineItemAt(m_rowCursor, &line, m_rowCursor > 0)) return nullptr;
  CLineRowTexts texts{line.key.view(),      line.type.view(),        line.name.view(),
                      line.description.view(), line.quantity.view(), line.price.view(),
                      line.total.view(),    line.taxable.view(),     line.taxAmount.view(),
                      line.serviceDate.view(), line.customValue1.view(), line.customValue2.view()};
  auto row = CLineItemRow::LayOut(texts, m_style, mode, [this](int flagRow) { return GetTypeFlag(flagRow) != 0; });
  if (type) *type = line.type;
  if (quantity) *quantity = line.quantity;
  ++m_rowCursor;
  return row;
}
