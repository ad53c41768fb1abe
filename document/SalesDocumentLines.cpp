// The line items of a sales document and the one computation that works out every line
// amount and the document's subtotal, tax, total and total quantity.
#include <cmath>
#include <vector>

#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "datastore/DbRecord.h"
#include "document/SalesDocument.h"
#include "platform/user/Sound.h"

namespace {

// A figure as the lines show it: the regional number format with two decimals.
CBstr LineFigure(double value) { return FormatNumberText(value, true, true); }

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

}  // namespace

// What a percentage line needs of the line it is based on, as written by this pass.
struct CSalesDocument::LineFigures {
  LineKind kind = LineKind::kItem;
  std::u16string quantity;
  std::u16string price;
  std::u16string total;
  std::u16string taxCode;
};

bool CSalesDocument::IsLineTaxable(std::u16string_view code) {
  if (IDocumentLists* lists = GetDocumentLists()) return lists->IsTaxable(m_version, code);
  return IsTaxableWithoutList(m_version, code);
}

void CSalesDocument::RecalcTotals(bool pricesNowIncludeTax, bool pricesNowExcludeTax) {
  const bool showLineTax = GetTypeFlag(kRowLineTotalOnScreen) != 0;
  const bool amountsIncludeTax = GetBoolAttribute(u"AMTINCTAX", false);
  const double rateFactor = m_taxRateFactor;
  double subtotalSum = 0, taxSum = 0, quantitySum = 0;

  // The base of a percentage line is the nearest line above that is no adjustment; it is
  // kept while walking, so a run of adjustments never searches backwards.
  bool haveBase = false;
  LineFigures base;

  CLineItemTexts line;
  for (LONG i = 0; m_xml->ReadLineItemAt(i, &line, i > 0); ++i) {
    const LineKind kind = KindOf(line.type.view());
    CLineItemTexts out;
    LineFigures written{kind, line.quantity.str(), line.price.str(), line.total.str(), line.taxable.str()};

    if (kind == LineKind::kLabel) {
      // Text only: no figure changes.
    } else if (kind == LineKind::kSubtotal) {
      out.total = LineFigure(subtotalSum);
      out.quantity = CBstr(u" ");
      out.price = CBstr(u" ");
    } else if (kind == LineKind::kPayment) {
      std::u16string newPrice = WithMinusInFront(WithoutThousandSeparator(line.price.view()));
      double value = ParseNumberText(newPrice);
      if (value > 0) value = -value;
      out.quantity = CBstr(u"");
      out.total = LineFigure(value);
      out.price = CBstr(newPrice);
      subtotalSum += RoundMoney(value);
    } else if (IsAdjustment(kind) && !Contains(line.price.view(), u'%')) {
      std::u16string priceText = WithoutThousandSeparator(line.price.view());
      std::u16string newPrice = kind == LineKind::kDiscount ? WithMinusInFront(priceText) : priceText;
      double value = ParseNumberText(newPrice);
      if (kind == LineKind::kDiscount && value > 0) value = -value;
      if (subtotalSum != 0 && IsLineTaxable(line.taxable.view())) taxSum += rateFactor * value;
      out.quantity = CBstr(u"");
      out.total = LineFigure(value);
      out.price = CBstr(newPrice);
      subtotalSum += RoundMoney(value);
    } else if (IsAdjustment(kind)) {
      double baseAmount = 0;
      bool baseTaxable = false;
      if (haveBase) {
        // A blank quantity (a subtotal line writes one blank) counts as one.
        std::u16string_view quantity = base.quantity;
        double baseQuantity = IsBlankText(quantity) ? 1 : ParseNumberText(quantity);
        baseAmount = ParseNumberText(base.kind == LineKind::kSubtotal ? base.total : base.price) * baseQuantity;
        baseTaxable = IsLineTaxable(base.taxCode);
      }
      std::u16string newPrice =
          kind == LineKind::kDiscount ? WithMinusInFront(line.price.view()) : line.price.str();
      const double percent = ParseNumberText(newPrice);
      double value = 0;
      if (kind == LineKind::kDiscount) {
        value = baseAmount * (percent * 0.01);
        if (value > 0) value = -value;
        const double taxEffect = baseTaxable ? rateFactor * value : 0;
        if (IsLineTaxable(line.taxable.view())) taxSum += taxEffect;
      }
      out.quantity = CBstr(u"");
      out.total = LineFigure(value);
      out.price = CBstr(newPrice);
      subtotalSum += RoundMoney(value);
    } else {
      const double quantity = ParseNumberText(line.quantity.view());
      double price = ParseNumberText(line.price.view());
      const bool taxable = IsLineTaxable(line.taxable.view());
      const double rate = taxable ? rateFactor : 0;
      if (taxable && (pricesNowIncludeTax || pricesNowExcludeTax)) {
        // The tax of one unit from the line's figures before the switch. A line without
        // price or total (a zero quantity) has no unit tax: its price stays as it is.
        const double lineTotal = ParseNumberText(line.total.view());
        double unitTax = 0;
        if (price != 0 && lineTotal != 0) unitTax = ParseNumberText(line.taxAmount.view()) / (lineTotal / price);
        if (!std::isfinite(unitTax)) unitTax = 0;
        if (amountsIncludeTax) {
          if (pricesNowIncludeTax)
            price += unitTax;
          else if (pricesNowExcludeTax)
            price -= unitTax;
        } else if (pricesNowExcludeTax) {
          price -= unitTax;
        }
      }
      out.price = LineFigure(price);
      // A quantity read as none though it names a figure ("1e308", beyond any quantity)
      // shows what it counts.
      if (quantity == 0 && line.quantity.view().find_first_of(u"123456789") != std::u16string_view::npos)
        out.quantity = CBstr(u"0");
      quantitySum += quantity;
      const double amount = price * quantity;
      subtotalSum += RoundMoney(amount);
      if (rate != 0) taxSum += rate * amount;
      if (price == 0) {
        out.total = line.price;
      } else {
        std::u16string text = LineFigure(amount).str();
        if (taxable) text += u"T";
        out.total = CBstr(text);
      }
      ShowInPage(u"AJIDLT" + line.key.str(), out.total.view());
      if (showLineTax && m_useSalesTax) {
        out.taxAmount = LineFigure(taxable ? rateFactor * amount : 0);
        // The line's tax has a cell of its own: the total just shown stays visible.
        ShowInPage(u"AJIDX" + line.key.str(), out.taxAmount.view());
      }
    }

    m_xml->UpdateLineItemAt(i, out, true);
    if (!IsAdjustment(kind)) {
      if (!out.quantity.IsNull()) written.quantity = out.quantity.str();
      if (!out.price.IsNull()) written.price = out.price.str();
      if (!out.total.IsNull()) written.total = out.total.str();
      base = std::move(written);
      haveBase = true;
    }
  }

  if (!m_useSalesTax) taxSum = 0;
  const double subtotal = RoundMoney(subtotalSum);
  const double tax = RoundMoney(taxSum);
  const double total = subtotal + tax;
  FormatCurrencyValue(subtotal, m_subtotalText, true);
  FormatCurrencyValue(tax, m_taxText, true);
  FormatCurrencyValue(total, m_totalText, true);
  m_totalQuantityText = FormatNumberText(quantitySum, true, false);
  TrimTrailingZeros(m_totalQuantityText);
  m_xml->WriteTotals(m_subtotalText, m_taxText, m_totalText, m_totalQuantityText);
  ShowInPage(u"AJIDSubtotal", m_subtotalText.view());
  ShowInPage(u"AJIDTaxes", m_taxText.view());
  ShowInPage(u"AJIDTotal", m_totalText.view());
  ShowInPage(u"AJIDTotalQty", m_totalQuantityText.view());
  MarkModified();
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
  const HRESULT hr = m_xml->InsertLineItem(appendAtEnd ? CBstr() : m_currentLineKey, record);
  if (playSound && m_playSounds && m_docType != kDocCreditMemo) PlayAddItemSound();
  if (recalc == 1) RecalcTotals(false, false);
  return hr == S_OK;
}

bool CSalesDocument::InsertLineItem(CDbRecord& record) {
  BeginWaitCursor();
  MarkModified();
  CBstr key = m_xml->ChooseLineKey(CBstr(record.FieldView(kLineFieldKey)));
  record.SetField(kLineFieldKey, key);
  const HRESULT hr = m_xml->InsertLineItem(m_currentLineKey, record);
  RecalcTotals(false, false);
  EndWaitCursor();
  return hr == S_OK;
}

bool CSalesDocument::UpdateLineItem(const CDbRecord& record) {
  const CBstr key(record.FieldView(kLineFieldKey));
  // A record whose line is gone rewrites nothing; that is no success.
  bool done = m_xml->HasLineItem(key) && m_xml->UpdateLineItem(record) == S_OK;
  RecalcTotals(false, false);
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
  m_xml->RemoveLineItem(key);
  if (!m_currentLineKey.IsNull() && m_currentLineKey.view() == key.view()) m_currentLineKey = CBstr();
  RecalcTotals(false, false);
  if (keepAsCurrent && removed) m_currentLine = CDbRecord::CDbRecordCopy(*removed, removed->GetObjectPosition());
  return removed;
}

std::unique_ptr<CDbRecord> CSalesDocument::DeleteLineItem(const CBstr& key, CBstr* nextKey, bool keepRecord) {
  auto removed = DeleteLineItem(key, nextKey, keepRecord, keepRecord);
  if (!keepRecord) m_currentLine.reset();
  return removed;
}

void CSalesDocument::ClearLineQuantities() {
  CLineItemTexts values;
  values.quantity = CBstr(u"0");
  for (LONG i = 0; m_xml->UpdateLineItemAt(i, values, i > 0); ++i) {
  }
  RecalcTotals(false, false);
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
