// Printing one sales document on the graphic engine, once per copy, laid out like the
// document on the screen: title, header band with company and logo, number and date, the
// address blocks and header fields, the item table, totals, message, notes, signature.
// Every block asks the printer's status first and does nothing once it is not ready; the
// job is always ended.
#include <algorithm>

#include "core/CompanyInfo.h"
#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/SignatureBitmap.h"
#include "datastore/LineItemRow.h"
#include "devices/PrintEngine.h"
#include "devices/PrintLayout.h"
#include "document/SalesDocument.h"
#include "document/ShipToAddress.h"
#include "document/XmlDocument.h"
#include "platform/locale/Locale.h"

namespace {

// On-printer flag rows and caption rows of the custom settings.
constexpr int kFlagCompanyName = 1, kFlagLogo = 5, kFlagTitle = 7, kFlagDate = 9, kFlagNumber = 11;
constexpr int kFlagBillTo = 13, kFlagShipTo = 15, kFlagShipDate = 17, kFlagShipVia = 19, kFlagPoNumber = 21;
constexpr int kFlagTerms = 23, kFlagDueDate = 25, kFlagRep = 27, kFlagJob = 31, kFlagSubtotal = 33;
constexpr int kFlagTax = 35, kFlagTotal = 37, kFlagTotalQuantity = 39, kFlagMessage = 41, kFlagSignature = 43;
constexpr int kFlagPaymentMethod = 45, kFlagCheckNumber = 47, kFlagNotes = 50, kFlagCompanyBox = 68;
constexpr int kFlagOther1 = 70, kFlagOther2 = 72, kFlagOther3 = 74;
constexpr int kCaptionTitle = 0, kCaptionDate = 1, kCaptionNumber = 2, kCaptionBillTo = 3, kCaptionShipTo = 4;
constexpr int kCaptionPoNumber = 5, kCaptionTerms = 6, kCaptionDueDate = 7, kCaptionRep = 8, kCaptionShipDate = 10;
constexpr int kCaptionShipVia = 11, kCaptionJob = 12, kCaptionSubtotal = 13, kCaptionTotal = 15;
constexpr int kCaptionTotalQuantity = 16, kCaptionPaymentMethod = 19, kCaptionCheckNumber = 20;
constexpr int kCaptionOther1 = 32, kCaptionOther2 = 33, kCaptionOther3 = 34;
constexpr LONG kLightGrey = 0xC0C0C0;

std::u16string ProgressTitle(int type) {
  switch (type) {
    case kDocEstimate: return u"Printing Estimate";
    case kDocSalesReceipt: return u"Printing Sales Receipt";
    case kDocPayment: return u"Printing Payment";
    case kDocSalesOrder: return u"Printing Sales Order";
    case kDocCreditMemo: return u"Printing Credit Memo";
    default: return u"Printing Invoice";
  }
}

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
  for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// The city line: "state postcode city" in the European order, else "city, state postcode".
std::u16string CityLine(std::u16string_view city, std::u16string_view state, std::u16string_view zip, bool euro) {
  std::u16string line;
  if (euro) {
    for (std::u16string_view part : {state, zip, city})
      if (!part.empty()) line += std::u16string(part) + u" ";
    return line;
  }
  line = city;
  if (!city.empty() && !state.empty()) line += u", ";
  line += std::u16string(state) + u" " + std::u16string(zip);
  return line;
}

// The customer's name often heads the address lines as well: a block shows each line once.
void AddAddressLine(std::vector<std::u16string>& lines, std::u16string text) {
  if (text.empty() || std::find(lines.begin(), lines.end(), text) != lines.end()) return;
  lines.push_back(std::move(text));
}

// The texts of the children of one of the document's blocks (empty when missing). A
// document without the block is known so after the first child, which spares the others
// a search through the whole document with its lines.
class BlockTexts {
 public:
  BlockTexts(CXmlDocument& xml, std::u16string_view block) : m_xml(xml), m_block(block), m_present(xml.IsUsable()) {}

  std::u16string operator()(std::u16string_view child) {
    CBstr text;
    m_present = m_present && m_xml.ReadBlockChild(m_block, child, &text);
    return m_present ? text.str() : std::u16string();
  }

 private:
  CXmlDocument& m_xml;  // not owned
  std::u16string_view m_block;
  bool m_present;
};

}  // namespace

BYTE CPrintEngine::Flag(int row) const { return m_settings->GetFlag(m_kind, row); }
const std::u16string& CPrintEngine::Caption(int row) const { return m_settings->GetCaption(m_kind, row); }

bool CPrintEngine::Ready() { return CheckJobProgress(); }

void CPrintEngine::DrawAt(std::u16string_view text, float x, std::optional<float> y) {
  m_printer->DrawText(text, x, y, std::nullopt);
}
float CPrintEngine::Width(std::u16string_view text) {
  float width = 0;
  m_printer->GetTextWidth(text, &width);
  return width;
}
float CPrintEngine::Height(std::u16string_view text) {
  float height = 0;
  m_printer->GetTextHeight(text, &height);
  return height;
}
void CPrintEngine::Bold(bool on) { m_printer->SetFontBold(on ? 1 : 0); }

bool CPrintEngine::PrintDocument(LPCWSTR signaturePath, CCustomSettings* settings, CSalesDocument* document,
                                 bool skipPageSetup) {
  if (!document) return false;
  m_document = document;
  m_settings = settings ? settings : &document->GetCustomSettings();
  int type = document->GetDocType();
  m_kind = (type >= 0 && type <= 5) ? type : 0;
  m_skipPageSetup = skipPageSetup;
  m_signaturePath = signaturePath ? signaturePath : u"";
  std::u16string title = ProgressTitle(type);
  bool printed = StartDocumentJob(title);
  if (printed) {
    for (m_copy = 1; m_copy <= m_copyCount; ++m_copy) {
      PrintCopy();
      EndCopy();
      if (!Ready() || m_copy == m_copyCount) break;
      ShowJobProgress(m_copy + 1, m_copyCount, title);
    }
    m_printer->EndDocument();
    printed = Ready();
  }
  m_layout.reset();
  m_company.reset();
  m_document = nullptr;
  EndJobProgress();
  return printed;
}

bool CPrintEngine::StartDocumentJob(std::u16string_view title) {
  if (!OpenJob(m_skipPageSetup, title, 0, false)) return false;
  CPreferences preferences;
  CPrintLayoutArgs args;
  args.engine = m_printer;
  args.style = m_document->GetStyle();
  args.paperType0 = m_paperType0;
  args.printerId = m_printerId;
  args.skipPageSetup = m_skipPageSetup;
  args.settings = m_settings;
  args.kind = m_kind;
  args.textSize = static_cast<int>(preferences.Get(pref::kPrintTextSize));
  m_company = std::make_unique<CCompanyInfo>(nullptr, CCompanyInfo::kFirstCompany);
  m_document->GetXmlDocument().ReadCompany(m_company.get());
  args.company = m_company.get();
  CBstr logo;
  if (Flag(kFlagLogo)) {
    int width = 0, height = 0;
    m_document->GetLogo(logo, width, height);
    if (!logo.IsEmpty()) GetLogoFilePath(logo);
  }
  args.logoPath = logo.view();
  CBstr message, listId;
  m_document->GetCustomerMessage(message, listId);
  std::u16string notes = m_document->GetNotes().str();
  ReplaceAll(notes, notes.find(u"&lt;br&gt;") != std::u16string::npos ? u"&lt;br&gt;" : u"<br>", u"\r\n");
  args.customerMessage = message.view();
  args.notes = notes;
  args.signatureFlag = Flag(kFlagSignature) != 0;
  args.hasSignature = !m_document->GetSignature().IsEmpty();
  m_layout = std::make_unique<CPrintLayout>(args);
  return true;
}

void CPrintEngine::PrintCopy() {
  m_layout->ResetFields();
  PrintHeader();
  PrintAddressBlocks();
  PrintHeaderFields();
  PrintColumnHeadings();
  PrintLineItems();
  PrintTotals();
  PrintCustomerMessage();
  PrintNotes();
  PrintSignature();
}

void CPrintEngine::PrintHeader() {
  if (!Ready()) return;
  int size = m_layout->GetTextSize();
  const float width = m_layout->GetPageWidth();
  if (Flag(kFlagTitle)) {
    m_printer->SetFontSize(CPrintLayout::PointSize(size, kPrintTitle));
    Bold(true);
    float y = 0;
    m_printer->GetCurrentY(&y);
    DrawAt(Caption(kCaptionTitle), width - Width(Caption(kCaptionTitle)), y);
    Bold(false);
  }
  m_printer->SetFontSize(CPrintLayout::PointSize(size, kPrintBody));
  float top = 0;
  m_printer->GetCurrentY(&top);
  m_layout->SetBandTop(top);
  float bottom = top + m_layout->GetBandHeight();
  if (Flag(kFlagCompanyBox)) {
    m_printer->SetFillColor(kLightGrey);
    m_printer->SetFillStyle(0);
    m_printer->SetLineWidth(0);
    m_printer->DrawRect(0, top, width, bottom, std::nullopt);
    m_printer->SetFillStyle(1);
  } else {
    m_printer->SetCurrentY(bottom);
  }
  bool logo = Flag(kFlagLogo) && m_layout->HasLogo();
  if (logo) {
    CBstr path;
    int w = 0, h = 0;
    m_document->GetLogo(path, w, h);
    GetLogoFilePath(path);
    m_printer->DrawPicture(path.view(), 0.0625f, top + 0.0625f, m_layout->GetLogoWidth(), m_layout->GetLogoHeight());
  }
  // Where the logo and the company lines end: the corners must stay clear of them.
  float companyRight = logo ? m_layout->GetLogoWidth() + 0.0625f : 0.0f;
  if (Flag(kFlagCompanyName)) {
    float x = logo ? m_layout->GetLogoWidth() + 0.125f : 0.125f;
    auto line = [&](const std::u16string& text, std::optional<float> y) {
      DrawAt(text, x, y);
      companyRight = std::max(companyRight, x + Width(text));
    };
    Bold(true);
    line(m_company->GetName(), top + 0.0625f);
    Bold(false);
    if (m_company->GetUserName() != m_company->GetName()) line(m_company->GetUserName(), std::nullopt);
    for (const std::u16string* address : {&m_company->GetAddress1(), &m_company->GetAddress2(), &m_company->GetAddress3()})
      line(*address, std::nullopt);
    std::u16string last = m_company->GetPhone();
    if (!m_company->GetEMail().empty()) last += (last.empty() ? u"" : u"  ") + m_company->GetEMail();
    line(last, std::nullopt);
  }
  m_printer->SetCurrentY(bottom);
  // Number at the band's top, date on its last line, both right-aligned; on paper too
  // narrow for them beside the company lines they go below the band, as the first fields.
  struct Corner {
    int caption, flag;
    const char16_t* attribute;
    float y;
  };
  for (const Corner& corner : {Corner{kCaptionNumber, kFlagNumber, u"ID", top + 0.0625f},
                               Corner{kCaptionDate, kFlagDate, u"DATE", bottom - 0.25f}}) {
    if (!Flag(corner.flag)) continue;
    std::u16string label = Caption(corner.caption) + u" ";
    std::u16string value = m_document->GetAttribute(corner.attribute).str();
    Bold(true);
    float labelWidth = Width(label);
    Bold(false);
    float labelX = 0, valueX = 0;
    m_layout->PlaceRightAligned(labelWidth, Width(value), &labelX, &valueX);
    if (labelX < companyRight + 0.0625f) {
      PrintField(corner.caption, corner.flag, value);
      continue;
    }
    Bold(true);
    DrawAt(label, labelX, corner.y);
    Bold(false);
    DrawAt(value, valueX, corner.y);
  }
  m_printer->SetCurrentY(bottom);
}

// A labelled block of lines placed as a two-column field whose value is its widest line.
void CPrintEngine::PrintBlock(int captionRow, const std::vector<std::u16string>& lines) {
  std::u16string label = Caption(captionRow) + u" ";
  Bold(true);
  float labelWidth = Width(label);
  Bold(false);
  float widest = 0, height = 0;
  for (const std::u16string& line : lines) {
    widest = std::max(widest, Width(line));
    height += Height(line);
  }
  height = std::max(height, Height(label));
  float labelX = 0, valueX = 0, y = 0;
  m_layout->PlaceField(labelWidth, widest, height, &labelX, &valueX, &y);
  Bold(true);
  DrawAt(label, labelX, y);
  Bold(false);
  for (size_t i = 0; i < lines.size(); ++i) DrawAt(lines[i], valueX, i == 0 ? std::optional<float>(y) : std::nullopt);
}

void CPrintEngine::PrintAddressBlocks() {
  CPreferences preferences;
  bool euro = preferences.Get(pref::kUseEuroAddrFormat) != 0;
  if (Ready() && Flag(kFlagBillTo)) {
    BlockTexts child(m_document->GetXmlDocument(), u"CUSTOMER");
    std::u16string name = child(u"COMPANYNAME");
    if (name.empty()) {
      name = child(u"FIRSTNAME");
      std::u16string last = child(u"LASTNAME");
      if (!last.empty()) name += (name.empty() ? u"" : u" ") + last;
    }
    if (name.empty()) name = child(u"FULLNAME");
    std::vector<std::u16string> lines{name};
    for (const char16_t* address : {u"ADDRESS1", u"ADDRESS2", u"ADDRESS3", u"ADDRESS4"})
      AddAddressLine(lines, child(address));
    lines.push_back(CityLine(child(u"CITY"), child(u"STATE"), child(u"ZIP"), euro));
    lines.push_back(child(u"COUNTRY"));
    if (preferences.Get(pref::kPrintBillToPhone)) lines.push_back(child(u"PHONE"));
    PrintBlock(kCaptionBillTo, lines);
  }
  if (Ready() && Flag(kFlagShipTo)) {
    CShipToAddress shipTo(nullptr, &m_document->GetXmlDocument());
    const CShipToTexts& texts = shipTo.GetTexts();
    std::vector<std::u16string> lines{texts.name.str()};
    for (const CBstr* address : {&texts.address1, &texts.address2, &texts.address3})
      AddAddressLine(lines, address->str());
    lines.push_back(CityLine(texts.city.view(), texts.state.view(), texts.zip.view(), euro));
    lines.push_back(texts.country.str());
    PrintBlock(kCaptionShipTo, lines);
  }
}

void CPrintEngine::PrintField(int captionRow, int flagRow, std::u16string_view value) {
  if (!Ready() || !Flag(flagRow)) return;
  PrintBlock(captionRow, {std::u16string(value)});
}

void CPrintEngine::PrintHeaderFields() {
  auto attribute = [this](const char16_t* name) { return m_document->GetAttribute(name).str(); };
  PrintField(kCaptionShipVia, kFlagShipVia, attribute(u"SHIPVIA"));
  PrintField(kCaptionShipDate, kFlagShipDate, attribute(u"SHIPDATE"));
  bool payment = m_document->GetDocType() == kDocPayment;
  PrintField(kCaptionOther1, kFlagOther1, attribute(payment ? u"CCARDNUM" : u"OTHER1"));
  PrintField(kCaptionOther2, kFlagOther2, attribute(payment ? u"CCARDEXP" : u"OTHER2"));
  PrintField(kCaptionOther3, kFlagOther3, attribute(payment ? u"PAYAMOUNT" : u"OTHER3"));
  PrintField(kCaptionPoNumber, kFlagPoNumber, attribute(u"PONUM"));
  PrintField(kCaptionPaymentMethod, kFlagPaymentMethod, attribute(u"PAYMENT"));
  PrintField(kCaptionCheckNumber, kFlagCheckNumber, attribute(u"CHKNUM"));
  PrintField(kCaptionTerms, kFlagTerms, attribute(u"TERMS"));
  std::u16string job = BlockTexts(m_document->GetXmlDocument(), u"JOB")(u"NAME");
  if (!job.empty()) PrintField(kCaptionJob, kFlagJob, job);
  PrintField(kCaptionDueDate, kFlagDueDate, attribute(u"DUEDATE"));
  PrintField(kCaptionRep, kFlagRep, attribute(u"REP"));
}

void CPrintEngine::PrintColumnHeadings() {
  if (!Ready() || m_layout->GetColumnCount() == 0) return;
  int size = m_layout->GetTextSize();
  float top = m_layout->HeadingTop() + 0.0625f;
  float bottom = top + m_layout->GetRowHeight() + (size == 3 ? 0.0625f : size == 4 ? 0.125f : 0.0f);
  for (int i = 0; const CPrintLayout::Column* column = m_layout->GetColumn(i); ++i) {
    m_printer->SetFillColor(kLightGrey);
    m_printer->SetFillStyle(0);
    // Grey with no outline, whatever line width the rule of a previous copy or an earlier
    // job left on the engine.
    m_printer->SetLineWidth(0);
    m_printer->DrawRect(column->left, top, column->right, bottom, std::nullopt);
    m_printer->SetFillStyle(1);
    float textWidth = Width(column->heading);
    float x = column->left + std::max(0.0f, (column->right - column->left - textWidth) / 2);
    DrawAt(column->heading, x, top + 0.0625f);
  }
  m_printer->SetCurrentY(bottom);
}

void CPrintEngine::PrintLineItems() {
  if (!Ready() || m_layout->GetColumnCount() == 0) return;
  int size = m_layout->GetTextSize();
  m_printer->SetFontSize(CPrintLayout::PointSize(size, kPrintItems));
  int mode = static_cast<int>(CPreferences().Get(pref::kPrintItemsUsing));
  CBstr type, quantity;
  float lineHeight = Height(u"I");
  for (std::unique_ptr<CLineItemRow> row = m_document->GetFirstLineRow(mode, &type, &quantity); row && Ready();
       row = m_document->GetNextLineRow(mode, &type, &quantity)) {
    bool label = type == std::u16string_view(kLabelLineType);
    int columns = label ? 1 : m_layout->GetColumnCount();
    // The rest of each wrapping cell, printed below the row side by side.
    std::vector<std::u16string> rests(static_cast<size_t>(columns));
    float top = m_layout->StartRow();
    if (label) Bold(true);
    for (int i = 0; i < columns; ++i) {
      const CPrintLayout::Column& column = *m_layout->GetColumn(i);
      BSTR cell = row->GetColumn(i);
      std::u16string text = cell ? std::u16string(cell, SysStringLen(cell)) : std::u16string();
      if (i == 0) ReplaceAll(text, u"\r\n", u"  ");
      float cellWidth = column.right - column.left;
      if (column.wraps || label) {
        std::u16string line;
        m_layout->WrapLine(text, cellWidth, false, line);
        rests[static_cast<size_t>(i)] = std::move(text);
        DrawAt(line, column.left, top);
      } else if (column.rightAligned) {
        // Amounts line up whether or not they carry the taxable mark.
        bool marked = column.taxMark && text.find(u'T') == std::u16string::npos;
        DrawAt(text, column.right - Width(marked ? text + u"T" : text), top);
      } else {
        DrawAt(text, column.left, top);
      }
    }
    m_printer->SetCurrentY(top + lineHeight);
    while (Ready() && std::any_of(rests.begin(), rests.end(), [](const auto& rest) { return !rest.empty(); })) {
      float y = m_layout->ContinuationTop(lineHeight);
      for (int i = 0; i < columns; ++i) {
        std::u16string& rest = rests[static_cast<size_t>(i)];
        if (rest.empty()) continue;
        const CPrintLayout::Column& column = *m_layout->GetColumn(i);
        std::u16string line;
        m_layout->WrapLine(rest, column.right - column.left, false, line);
        DrawAt(line, column.left, y);
      }
      m_printer->SetCurrentY(y + lineHeight);
    }
    if (label) Bold(false);
  }
  m_printer->SetFontSize(CPrintLayout::PointSize(size, kPrintBody));
}

void CPrintEngine::PrintTotals() {
  if (!Ready()) return;
  const float width = m_layout->GetPageWidth();
  float rule = m_layout->PlaceItemRule();
  if (m_document->GetDocType() != kDocPayment) {
    m_printer->SetLineWidth(0.02f);
    m_printer->DrawLine(0, rule, width, rule, std::nullopt, std::nullopt);
  } else {
    m_printer->SetCurrentY(rule);
  }
  CBstr subtotal, tax, total, totalQuantity;
  m_document->GetTotals(subtotal, tax, total, totalQuantity);
  CBstr taxName, taxRate, vendor;
  m_document->GetTax(taxName, taxRate, vendor);
  std::u16string taxLabel;
  if (!taxName.IsEmpty()) {
    taxLabel = taxName.str() + u" (" + taxRate.str() + u")";
  } else {
    WCHAR separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    taxLabel = std::u16string(u"Tax (0") + separator + u"00%)";
  }
  struct TotalsRow {
    int flag;
    std::u16string label;
    std::u16string value;
    bool boldLabel;
  };
  const TotalsRow rows[] = {{kFlagSubtotal, Caption(kCaptionSubtotal), subtotal.str(), false},
                            {kFlagTax, taxLabel, tax.str(), false},
                            {kFlagTotal, Caption(kCaptionTotal), total.str(), true},
                            {kFlagTotalQuantity, Caption(kCaptionTotalQuantity), totalQuantity.str(), true}};
  bool first = true;
  for (const TotalsRow& row : rows) {
    if (!Ready() || !Flag(row.flag)) continue;
    float y = first ? m_layout->FirstTotalsTop() : m_layout->NextTotalsTop(Height(row.label));
    first = false;
    Bold(row.boldLabel);
    DrawAt(row.label, width - 1.0f - Width(row.label), y);
    Bold(false);
    DrawAt(row.value, width - Width(row.value), y);
  }
}

void CPrintEngine::PrintCustomerMessage() {
  if (!Ready() || !Flag(kFlagMessage)) return;
  CBstr message, listId;
  m_document->GetCustomerMessage(message, listId);
  if (message.IsEmpty()) return;
  Bold(true);
  m_printer->SetFontItalic(1);
  std::u16string rest = message.str();
  float y = m_layout->TextBlockTop(m_layout->CountLines(rest, false));
  std::u16string line;
  float height = Height(u" ");
  for (bool firstLine = true; m_layout->WrapLine(rest, m_layout->GetPageWidth(), false, line); firstLine = false) {
    DrawAt(line, 0, firstLine ? y : m_layout->ContinuationTop(height));
  }
  m_printer->SetFontItalic(0);
  Bold(false);
}

void CPrintEngine::PrintNotes() {
  if (!Ready() || !Flag(kFlagNotes)) return;
  std::u16string notes = m_document->GetNotes().str();
  ReplaceAll(notes, notes.find(u"&lt;br&gt;") != std::u16string::npos ? u"&lt;br&gt;" : u"<br>", u"\r\n");
  if (notes.empty()) return;
  int notesSize = static_cast<int>(CPreferences().Get(pref::kPrintNotesTextSize));
  m_printer->SetFontSize(CPrintLayout::PointSize(notesSize, kPrintNotes));
  float y = m_layout->TextBlockTop(m_layout->CountLines(notes, true));
  float height = Height(u" ");
  std::u16string line;
  for (bool firstLine = true; Ready() && m_layout->WrapLine(notes, m_layout->GetPageWidth(), true, line);
       firstLine = false) {
    if (!firstLine) y = m_layout->ContinuationTop(height);
    if (line.empty() && !firstLine) {
      m_printer->SetCurrentY(y + height);
      continue;
    }
    DrawAt(line, 0, y);
  }
  m_printer->SetFontSize(CPrintLayout::PointSize(m_layout->GetTextSize(), kPrintBody));
}

void CPrintEngine::PrintSignature() {
  if (!Ready() || !Flag(kFlagSignature)) return;
  CBstr strokes = m_document->GetSignature();
  if (strokes.IsEmpty() || m_signaturePath.empty()) return;
  if (!SaveSignatureBitmap(m_owner, strokes.view(), m_signaturePath.c_str())) return;
  int size = m_layout->GetTextSize();
  std::u16string signedText = m_document->GetAttribute(u"SIGNED").str();
  float height = CPrintLayout::SignatureHeight(size) + (signedText.empty() ? 0.0f : Height(signedText));
  float y = m_layout->SignatureTop(height);
  m_printer->DrawPicture(m_signaturePath, 0, y, CPrintLayout::SignatureWidth(size), CPrintLayout::SignatureHeight(size));
  if (!signedText.empty()) DrawAt(signedText, 0, std::nullopt);
}

void CPrintEngine::EndCopy() {
  if (m_skipPageSetup || !m_paperType0) {
    m_printer->NewPage();
    return;
  }
  LONG result = 0;
  m_printer->SetupPage(2, 1.0f, 2, 0, 0, 1, 0, 0, &result);
  m_printer->NewPage();
  m_printer->SetTopOffset(m_keptTopOffset);
  m_printer->SetLeftOffset(m_keptLeftOffset);
  m_printer->SetupPage(0, 0, 2, 0, 0, 1, 0, 0, &result);
}
