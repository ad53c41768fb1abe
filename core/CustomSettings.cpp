#include "core/CustomSettings.h"

#include <cassert>

CCustomSettings* g_customSettings = nullptr;

namespace {

constexpr int kKinds = CCustomSettings::kKinds;

// Caption rows: the invoice's value name (others put their kind prefix in front) and the
// default text of each kind.
struct CaptionRow {
  const WCHAR* name;
  const WCHAR* defaults[kKinds];
};

#define SAME6(t) {t, t, t, t, t, t}
const CaptionRow kCaptionTable[CCustomSettings::kCaptionRows] = {
    {u"Title", {u"Invoice", u"Estimate", u"Sales Receipt", u"Customer Payment", u"Sales Order", u"Credit Memo"}},
    {u"Date", SAME6(u"Date:")},
    {u"Number", {u"Number:", u"Number:", u"Number:", u"Reference #:", u"S.O. No.:", u"Credit No.:"}},
    {u"BillTo", {u"Bill To:", u"Name/Address:", u"Sold To:", u"Received From:", u"Name/Address:", u"Customer:"}},
    {u"ShipTo", SAME6(u"Ship To:")},
    {u"PONum", {u"P.O. No:", u"P.O. No:", u"P.O. No:", u"P.O. No:", u"P.O. No:", u"P.O. No.:"}},
    {u"Terms", SAME6(u"Terms:")},
    {u"DueDate", SAME6(u"Due Date:")},
    {u"REP", SAME6(u"Sales REP:")},
    {u"Account", SAME6(u"Account:")},
    {u"ShipDate", SAME6(u"Ship Date:")},
    {u"ShipVia", SAME6(u"Ship Via:")},
    {u"Job", SAME6(u"Job:")},
    {u"Subtotal", SAME6(u"Subtotal")},
    {u"SalesTax", SAME6(u"Sales Tax")},
    {u"Total", SAME6(u"Total")},
    {u"TotalQty", SAME6(u"Total Qty")},
    {nullptr, SAME6(u"")},
    {nullptr, SAME6(u"")},
    {u"Payment", SAME6(u"Pmt Method:")},
    {u"ChkNum", SAME6(u"Check No.")},
    {u"Notes", {u"Notes", u"Notes", u"Notes", u"Memo", u"Notes", u"Notes"}},
    {u"NotesText", SAME6(u"")},
    {u"Serviced", SAME6(u"Serviced")},
    {u"Item", SAME6(u"Item")},
    {u"Description", SAME6(u"Description")},
    {u"Qty", SAME6(u"Qty")},
    {u"Rate", SAME6(u"Rate")},
    {u"Amount", SAME6(u"Amount")},
    {u"TaxCode", SAME6(u"Tax")},
    {u"TaxAmount", {u"TAX AMT", u"TAX AMT", u"TAX AMT", u"Tax AMT", u"TAX AMT", u"TAX AMT"}},
    {u"Company", SAME6(u"")},
    {u"Other1", {u"Other 1:", u"Other 1:", u"Other 1:", u"Credit Card:", u"Other 1:", u"Other 1:"}},
    {u"Other2", {u"Other 2:", u"Other 2:", u"Other 2:", u"Exp. Date:", u"Other 2:", u"Other 2:"}},
    {u"Other3", {u"Other 3:", u"Other 3:", u"Other 3:", u"Amount:", u"Other 3:", u"Other 3:"}},
    {u"Class", SAME6(u"Class:")},
    {nullptr, SAME6(u"")},
    {u"CustC1", SAME6(u"Custom 1")},
    {u"CustC2", SAME6(u"Custom 2")},
};
#undef SAME6

const WCHAR* const kCaptionPrefixes[kKinds] = {u"", u"Est", u"Rec", u"Pay", u"SO", u"CM"};
const WCHAR* const kFlagPrefixes[kKinds] = {u"Inv", u"Est", u"Rec", u"Pay", u"SO", u"CM"};

// Flag rows: a name without its kind prefix and the defaults of each kind. Most places
// come as a pair (on screen, on printer); one row stands alone and shifts the rest.
struct FlagRow {
  const WCHAR* name;
  BYTE defaults[kKinds];
};

struct FlagPair {
  const WCHAR* place;  // "CompanyName" gives "...CompanyNameOnScreen" and "...OnPrinter"
  BYTE screen[kKinds];
  BYTE printer[kKinds];
};

#define ALL(v) {v, v, v, v, v, v}
const FlagPair kPairsBeforeNotesReuse[] = {
    {u"CompanyName", ALL(1), ALL(1)},
    {u"CompanyAddress", ALL(1), ALL(1)},
    {u"CompanyLogo", {1, 1, 1, 0, 1, 1}, ALL(1)},
    {u"Title", ALL(1), ALL(1)},
    {u"Date", ALL(1), ALL(1)},
    {u"Number", ALL(1), ALL(1)},
    {u"BillTo", ALL(1), ALL(1)},
    {u"ShipTo", {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 1, 0}},
    {u"ShipDate", ALL(0), ALL(0)},
    {u"ShipVia", ALL(0), ALL(0)},
    {u"PONum", {0, 0, 0, 0, 1, 1}, {0, 0, 0, 0, 1, 1}},
    {u"Terms", {1, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}},
    {u"DueDate", {1, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}},
    {u"REP", {0, 1, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}},
    {u"Account", ALL(0), ALL(0)},
    {u"Project", {1, 1, 1, 0, 0, 0}, {1, 1, 1, 0, 0, 0}},
    {u"Subtotal", {1, 1, 1, 0, 1, 1}, {1, 1, 1, 0, 1, 1}},
    {u"SalesTax", {1, 1, 1, 0, 1, 1}, {1, 1, 1, 0, 1, 1}},
    {u"Total", {1, 1, 1, 0, 1, 1}, {1, 1, 1, 0, 1, 1}},
    {u"TotalQty", ALL(0), ALL(0)},
    {u"Message", {1, 1, 1, 0, 1, 1}, {1, 1, 1, 0, 1, 1}},
    {u"Signature", {1, 1, 0, 0, 1, 0}, {1, 1, 0, 0, 1, 0}},
    {u"Payment", {0, 0, 1, 1, 0, 0}, {0, 0, 1, 1, 0, 0}},
    {u"ChkNum", ALL(0), ALL(0)},
};
const FlagPair kPairsAfterNotesReuse[] = {
    {u"Notes", ALL(1), ALL(1)},  // invoices: "InvNotesInv..."
    {u"DateCol", ALL(0), ALL(0)},
    {u"ItemCol", {0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 1}},
    {u"DescCol", {1, 1, 1, 0, 1, 1}, {1, 1, 1, 0, 1, 1}},
    {u"QtyCol", {1, 1, 1, 0, 1, 1}, {1, 1, 1, 0, 1, 1}},
    {u"RateCol", {1, 1, 1, 0, 1, 1}, {1, 1, 1, 0, 1, 1}},
    {u"AmountCol", {1, 1, 1, 0, 1, 1}, {1, 1, 1, 0, 1, 1}},
    {u"TaxCodeCol", ALL(0), ALL(0)},
    {u"TaxAmountCol", ALL(0), ALL(0)},
    {u"CompanyBox", ALL(1), ALL(1)},
    {u"Other1", {0, 0, 0, 1, 0, 0}, {0, 0, 0, 1, 0, 0}},
    {u"Other2", {0, 0, 0, 1, 0, 0}, {0, 0, 0, 1, 0, 0}},
    {u"Other3", {0, 0, 0, 1, 0, 0}, {0, 0, 0, 1, 0, 0}},
    {u"Class", ALL(0), ALL(0)},
    {u"Tax2", ALL(0), ALL(0)},
    {u"CustC1", ALL(0), ALL(0)},  // invoices: no kind prefix
    {u"CustC2", ALL(0), ALL(0)},  // invoices: no kind prefix
};
#undef ALL

// The 83 flag rows, laid out once from the pairs above.
struct FlagTable {
  struct Row {
    std::u16string place;  // name without the kind prefix, e.g. "CompanyNameOnScreen"
    BYTE defaults[kKinds];
  };
  std::array<Row, CCustomSettings::kFlagRows> rows;

  FlagTable() {
    int r = 0;
    auto addPair = [&](const FlagPair& p) {
      rows[r].place = std::u16string(p.place) + u"OnScreen";
      std::copy(std::begin(p.screen), std::end(p.screen), rows[r].defaults);
      ++r;
      rows[r].place = std::u16string(p.place) + u"OnPrinter";
      std::copy(std::begin(p.printer), std::end(p.printer), rows[r].defaults);
      ++r;
    };
    for (const FlagPair& p : kPairsBeforeNotesReuse) addPair(p);
    rows[r].place = u"NotesReuse";
    std::fill(std::begin(rows[r].defaults), std::end(rows[r].defaults), 0);
    ++r;
    for (const FlagPair& p : kPairsAfterNotesReuse) addPair(p);
    assert(r == CCustomSettings::kFlagRows);
  }
};

const FlagTable& Flags() {
  static const FlagTable table;
  return table;
}

int Index(int kind, int row) {
  assert(kind >= 0 && kind < kKinds);
  return kind + kKinds * row;
}

}  // namespace

std::u16string CCustomSettings::CaptionValueName(int kind, int row) {
  assert(row >= 0 && row < kCaptionRows);
  const WCHAR* name = kCaptionTable[row].name;
  if (!name) return {};
  if (kind == 4 && row == 0) return u"SOitle";  // the sales order title has always been stored so
  return std::u16string(kCaptionPrefixes[kind]) + name;
}

std::u16string CCustomSettings::FlagValueName(int kind, int row) {
  assert(row >= 0 && row < kFlagRows);
  const std::u16string& place = Flags().rows[row].place;
  if (kind == 0) {
    if (place == u"NotesOnScreen") return u"InvNotesInvOnScreen";
    if (place == u"NotesOnPrinter") return u"InvNotesInvOnPrinter";
    if (place.rfind(u"CustC", 0) == 0) return place;
  }
  return std::u16string(kFlagPrefixes[kind]) + place;
}

const WCHAR* CCustomSettings::DefaultCaption(int kind, int row) {
  assert(row >= 0 && row < kCaptionRows);
  return kCaptionTable[row].defaults[kind];
}

BYTE CCustomSettings::DefaultFlag(int kind, int row) {
  assert(row >= 0 && row < kFlagRows);
  return Flags().rows[row].defaults[kind];
}

CCustomSettings::CCustomSettings() : m_key(std::make_unique<CRegistryKey>(HKEY_CURRENT_USER, kCustomSettingsKeyPath)) {
  Load();
}

CCustomSettings::~CCustomSettings() = default;

int CCustomSettings::Load() {
  for (int kind = 0; kind < kKinds; ++kind) {
    for (int row = 0; row < kCaptionRows; ++row) {
      std::u16string& caption = m_captions[Index(kind, row)];
      caption = DefaultCaption(kind, row);
      std::u16string name = CaptionValueName(kind, row);
      if (name.empty()) continue;
      CBstr value(caption);
      if (m_key->GetString(CBstr(name), value)) caption = value.str();
    }
  }
  for (int kind = 0; kind < kKinds; ++kind) {
    for (int row = 0; row < kFlagRows; ++row) {
      DWORD value = DefaultFlag(kind, row);
      m_key->GetDword(FlagValueName(kind, row).c_str(), value);
      m_flags[Index(kind, row)] = value != 0 ? 1 : 0;
    }
  }
  return 1;
}

int CCustomSettings::Save() {
  // One batch: the hive is written once, and a failure leaves every stored value as it was.
  platform::CRegistryBatch batch;
  bool written = true;
  for (int kind = 0; kind < kKinds; ++kind) {
    for (int row = 0; row < kCaptionRows; ++row) {
      std::u16string name = CaptionValueName(kind, row);
      if (!name.empty()) written = m_key->SetString(CBstr(name), CBstr(m_captions[Index(kind, row)])) && written;
    }
  }
  for (int kind = 0; kind < kKinds; ++kind) {
    for (int row = 0; row < kFlagRows; ++row)
      written = m_key->SetDword(FlagValueName(kind, row).c_str(), m_flags[Index(kind, row)] ? 1 : 0) && written;
  }
  return batch.End() == ERROR_SUCCESS && written ? 1 : 0;
}

const std::u16string& CCustomSettings::GetCaption(int kind, int row) const {
  assert(row >= 0 && row < kCaptionRows);
  return m_captions[Index(kind, row)];
}

void CCustomSettings::SetCaption(int kind, int row, std::u16string_view text) {
  assert(row >= 0 && row < kCaptionRows);
  m_captions[Index(kind, row)] = std::u16string(text);
}

BYTE CCustomSettings::GetFlag(int kind, int row) const {
  assert(row >= 0 && row < kFlagRows);
  return m_flags[Index(kind, row)];
}

void CCustomSettings::SetFlag(int kind, int row, BYTE value) {
  assert(row >= 0 && row < kFlagRows);
  m_flags[Index(kind, row)] = value;
}

BYTE CCustomSettings::IsShown(int kind, int screenRow, int printerRow, bool forScreen) const {
  return GetFlag(kind, forScreen ? screenRow : printerRow);
}
