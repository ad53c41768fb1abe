#include "reports/Report.h"

#include <array>

#include "core/CompanyInfo.h"
#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "devices/PrintEngine.h"
#include "document/LineFigures.h"
#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/locale/Locale.h"
#include "platform/module/Module.h"
#include "platform/user/Dialog.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

namespace {
constexpr std::u16string_view kDocumentPattern = u".QVN";
// Rows: text size 0-4; columns: titles, column headings, lines and rows.
constexpr std::array<std::array<float, 3>, 5> kFontPoints{{
    {9, 8, 7},
    {11, 10, 9},
    {12, 11, 10},
    {20, 16, 14},
    {22, 18, 16},
}};
constexpr float kLabelGap = 0.0625f;
constexpr float kHeaderGap = 0.125f;
constexpr float kHeadingGap = 0.1875f;
constexpr float kRowGap = 0.0625f;
constexpr float kClosingRule = 0.02f;
// Lengths are inches: the thinnest line the printer makes (0) draws a cell box, which
// leaves its text readable; any width an earlier drawing or job left is not taken over.
constexpr float kHairline = 0;
constexpr LONG kHeadingFill = 0xC0C0C0;
constexpr LONG kFilled = 0;
constexpr LONG kHollow = 1;

INT_PTR SilentDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
}  // namespace

// The modeless progress dialog of one build; destroyed with the object.
class CReport::CBuildProgress {
 public:
  explicit CBuildProgress(HWND parent) {
    m_dialog = CreateDialogParamW(GetResourceInstance(), MAKEINTRESOURCEW(IDD_REGISTER_PROGRESS), parent,
                                  SilentDialogProc, 0);
    if (!m_dialog) return;
    ShowWindow(m_dialog, SW_SHOW);
    UpdateWindow(m_dialog);
    m_bar = GetDlgItem(m_dialog, IDC_PROGRESS_BAR);
  }
  ~CBuildProgress() {
    if (m_dialog) DestroyWindow(m_dialog);
  }
  CBuildProgress(const CBuildProgress&) = delete;
  CBuildProgress& operator=(const CBuildProgress&) = delete;

  void SetRange(int top) {
    if (!m_bar) return;
    SendMessageW(m_bar, PBM_SETRANGE, 0, MAKELPARAM(0, top));
    SendMessageW(m_bar, PBM_SETSTEP, 1, 0);
  }
  void Step() {
    if (m_bar) SendMessageW(m_bar, PBM_STEPIT, 0, 0);
  }

  std::u16string folder;

 private:
  HWND m_dialog = nullptr;
  HWND m_bar = nullptr;
};

CReport::CReport(HWND parent, int kind, std::u16string_view name, std::u16string_view documentId)
    : m_parent(parent),
      m_kind(kind),
      m_name(name),
      m_documentId(documentId),
      m_reader(std::make_unique<CXmlDocument>(parent)),
      m_report(std::make_unique<CXmlDocument>(parent)) {
  std::u16string company, address, phone, email;
  COwnerInfo(false).GetOwnerInfo(m_salesRep, company, address, phone, email);
}

CReport::~CReport() = default;

// ---- Building -------------------------------------------------------------------------------

void CReport::BeginBuild(HWND parent, bool singleFile) {
  // Each build writes a new REPORT document: the element writer only appends.
  m_report = std::make_unique<CXmlDocument>(parent);
  m_report->LoadStylesheet(GetXsl());
  m_notes.clear();
  auto progress = std::make_unique<CBuildProgress>(parent);
  CBstr folder;
  GetDocumentsFolder(folder);
  progress->folder = folder.str();
  const int files = singleFile ? 0 : CountFilesInFolder(progress->folder, kDocumentPattern);
  progress->SetRange(files + 3);
  m_progress = std::move(progress);
}

void CReport::StepProgress() { m_progress->Step(); }

void CReport::ScanDocuments(DocumentScan scan, const std::function<void(CXmlDocument&)>& process) {
  SYSTEMTIME start{}, end{};
  const bool filter = scan.dateFilter && BothDatesSet();
  if (filter) {
    ParseDateText(m_startDate, start);
    ParseDateText(m_endDate, end);
  }
  auto processFile = [&](const std::u16string& path) {
    CBstr error;
    if (!m_reader->LoadFile(path, &error)) {
      // The user learns which file the report left out.
      std::u16string text = error.view() == u"Unknown" ? CXmlDocument::UnreadableFileText(path) : error.str();
      MessageBoxW(m_parent, text.c_str(), kProductName, kStyleWarning);
      return;
    }
    if (filter) {
      CBstr dateText;
      m_reader->GetRootAttribute(u"DATE", &dateText);
      SYSTEMTIME date{};
      ParseDateText(dateText.view(), date);
      if (CompareSystemTimes(date, start) < 0 || CompareSystemTimes(date, end) > 0) return;
    }
    const size_t slash = path.find_last_of(u'\\');
    m_scannedFile = slash == std::u16string::npos ? path : path.substr(slash + 1);
    process(*m_reader);
  };
  CBuildProgress& progress = *m_progress;
  if (scan.singleFile) {
    progress.Step();
    // The editor names its document by its full path (it may live outside the documents
    // folder); a bare file name is one of the documents folder.
    const bool bareName = m_documentId.find(u'\\') == std::u16string::npos;
    processFile(bareName ? progress.folder + m_documentId : m_documentId);
    return;
  }
  WIN32_FIND_DATAW found{};
  // The names first: a report's own work must not disturb the program's one file search.
  std::vector<std::u16string> names;
  if (FindFirstFileInFolder(progress.folder, kDocumentPattern, found)) {
    do {
      names.emplace_back(found.cFileName);
    } while (FindNextSearchFile(found));
  }
  for (const std::u16string& name : names) {
    progress.Step();
    processFile(progress.folder + name);
  }
}

void CReport::EndBuild(const std::function<void()>& write) {
  m_progress->Step();
  m_progress->Step();
  write();
  m_progress->Step();
  m_progress.reset();
}

void CReport::Begin(std::u16string_view name) { m_report->BeginElement(CBstr(name)); }
void CReport::Text(std::u16string_view name, std::u16string_view text) {
  m_report->AddTextElement(CBstr(name), CBstr(text));
}
void CReport::End(std::u16string_view name) { m_report->EndElement(CBstr(name)); }

void CReport::NamedAmount(std::u16string_view element, std::u16string_view name, std::u16string_view amount) {
  Begin(element);
  Text(u"NAME", name);
  Text(u"AMOUNT", amount);
  End(element);
}

std::u16string CReport::ReadDocType(CXmlDocument& document) {
  CBstr type;
  document.GetRootAttribute(u"DOCTYPE", &type);
  std::u16string upper = type.str();
  if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

std::u16string CReport::DocumentFileName() const {
  if (m_documentId.empty()) return {};
  // Named as the file lies on the device, whichever case the caller spelled it in; a bare
  // name is one of the documents folder.
  if (m_documentId.find(u'\\') != std::u16string::npos) return GetDeviceFileName(m_documentId).str();
  CBstr folder;
  GetDocumentsFolder(folder);
  return GetDeviceFileName(folder.str() + m_documentId).str();
}

std::u16string CReport::WrapXsl(std::u16string_view fragments) {
  std::u16string xsl = LoadResString(IDS_XSL_HEAD).str();
  xsl += LoadResString(IDS_XSL_PAGE_HEAD).view();
  xsl += fragments;
  xsl += LoadResString(IDS_XSL_TAIL).view();
  return xsl;
}

std::u16string CReport::XslTitleAndName() const {
  return u"<h2><Center>" + m_name + u"</Center></h2>" u"<TABLE><TR>"
         u"<TD><b>Name: </b><xsl:value-of select='REPORT/SALESREP' /></TD><TD>  </TD>";
}

std::u16string CReport::Quantity(const CDecimal& value) { return FormatQuantity(value).str(); }
std::u16string CReport::Quantity(int value) { return Quantity(CDecimal(value, 0)); }

// ---- Printing --------------------------------------------------------------------------------

CPrinterCE* CReport::Printer() const { return m_engine ? m_engine->GetPrinter() : nullptr; }

bool CReport::BeginPrint(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) {
  m_engine = engine;
  m_skipPageSetup = skipPageSetup;
  // A job that cannot start draws nothing: there is no engine to draw on.
  if (!engine || !engine->ConnectPrinter(true)) return false;
  if (!engine->BeginDocument(skipPageSetup, title)) {
    engine->EndJobProgress();
    return false;
  }
  m_textSize = static_cast<int>(CPreferences().Get(pref::kPrintTextSize));
  if (m_textSize < 0 || m_textSize > 4) m_textSize = 2;
  CPrinterCE* printer = Printer();
  printer->GetTextHeight(u"I", &m_lineHeight);
  m_rowHeight = m_lineHeight;
  m_pageCount = 0;
  printer->GetLeftMargin(&m_leftMargin);
  printer->GetTopMargin(&m_topMargin);
  printer->GetTopOffset(&m_topOffset);
  printer->GetLeftOffset(&m_leftOffset);
  printer->GetPageHeight(&m_pageHeight);
  printer->GetPageWidth(&m_pageWidth);
  return true;
}

bool CReport::EndPrint() {
  m_engine->EndPageSetup();
  Printer()->EndDocument();
  const bool ok = PrinterOk();
  m_engine->EndJobProgress();
  return ok;
}

float CReport::FontSize(int column) const { return kFontPoints[m_textSize][column]; }
void CReport::SetFont(int column) { Printer()->SetFontSize(FontSize(column)); }
void CReport::SetBold(bool on) { Printer()->SetFontBold(on ? 1 : 0); }

float CReport::TextWidth(std::u16string_view text) {
  float width = 0;
  Printer()->GetTextWidth(text, &width);
  return width;
}

float CReport::CurrentY() {
  float y = 0;
  Printer()->GetCurrentY(&y);
  return y;
}

bool CReport::PrinterOk() {
  LONG status = -1;
  Printer()->GetStatus(&status);
  return status == kPrinterReady;
}

void CReport::DrawAt(std::u16string_view text, float x, float y) {
  if (!text.empty()) Printer()->DrawText(text, x, y, std::nullopt);
}

void CReport::TitleLine(std::u16string_view text, bool centred) {
  SetFont(0);
  Printer()->SetTextAlignment(0);
  SetBold(true);
  const float x = centred ? (m_pageWidth - m_leftMargin - TextWidth(text)) * 0.5f : 0.0f;
  DrawAt(text, x, m_topOffset);
  SetBold(false);
}

float CReport::LabelAndValue(std::u16string_view label, std::u16string_view value, float x, float y) {
  SetBold(true);
  DrawAt(label, x, y);
  x += TextWidth(label) + kLabelGap;
  SetBold(false);
  DrawAt(value, x, y);
  return x + TextWidth(value) + kLabelGap;
}

void CReport::HeaderLines() {
  const float y = CurrentY() + kHeaderGap;
  SetFont(2);
  Printer()->SetTextAlignment(0);
  LabelAndValue(u"Name: ", m_salesRep, 0, y);
  if (!BothDatesSet()) return;
  const float next = y + m_lineHeight;
  if (m_startDate == m_endDate) {
    LabelAndValue(u"Date: ", m_startDate, 0, next);
  } else {
    const float x = LabelAndValue(u"From: ", m_startDate, 0, next);
    LabelAndValue(u"To: ", m_endDate, x, next);
  }
}

float CReport::ColumnLeft(const std::vector<CReportColumn>& columns, size_t index) const {
  float before = 0;
  for (size_t i = 0; i < index; ++i) before += columns[i].widthPercent;
  return m_pageWidth * before / 100.0f;
}

float CReport::ColumnRight(const std::vector<CReportColumn>& columns, size_t index) const {
  return ColumnLeft(columns, index) + m_pageWidth * columns[index].widthPercent / 100.0f;
}

void CReport::ColumnHeadings(const std::vector<CReportColumn>& columns) {
  CPrinterCE* printer = Printer();
  SetFont(1);
  printer->SetTextAlignment(0);
  SetBold(true);
  printer->SetFillColor(kHeadingFill);
  // The band is grey with no outline.
  printer->SetLineWidth(kHairline);
  float top = 0, bottom = 0;
  for (size_t i = 0; i < columns.size() && PrinterOk(); ++i) {
    if (i == 0) {
      top = CurrentY() + kHeadingGap;
      bottom = top + m_lineHeight;
      if (m_textSize == 3) bottom += 0.0625f;
      if (m_textSize == 4) bottom += 0.125f;
    }
    const float left = ColumnLeft(columns, i);
    const float right = ColumnRight(columns, i);
    printer->SetFillStyle(kFilled);
    printer->DrawRect(left, top, right, bottom, std::nullopt);
    printer->SetFillStyle(kHollow);
    const std::u16string_view heading = columns[i].heading;
    const float x = columns[i].headingCentred ? left + ((right - left) - TextWidth(heading)) * 0.5f : left;
    DrawAt(heading, x, top);
  }
  SetBold(false);
}

std::u16string CReport::FitText(std::u16string_view text, float width) {
  std::u16string fitted(text);
  while (!fitted.empty() && TextWidth(fitted) > width) fitted = DropLastChar(fitted).str();
  return fitted;
}

void CReport::ColumnRows(const std::vector<CReportColumn>& columns,
                         const std::vector<std::vector<std::u16string>>& rows) {
  CPrinterCE* printer = Printer();
  printer->SetFillStyle(kHollow);
  SetFont(2);
  printer->SetTextAlignment(0);
  SetBold(false);
  for (const auto& row : rows) {
    if (!PrinterOk()) break;
    // Every cell of a row shares the row's box top and bottom, also on a new page.
    m_rowTop = CurrentY() + kRowGap;
    float y = m_rowTop + kRowGap;
    float bottom = y + m_rowHeight;
    if (bottom >= m_pageHeight) {
      ++m_pageCount;
      printer->NewPage();
      y = 0;
      m_rowTop = 0;
      bottom = m_rowHeight;
    }
    for (size_t i = 0; i < columns.size() && i < row.size(); ++i) {
      const float left = ColumnLeft(columns, i);
      const float right = ColumnRight(columns, i);
      printer->SetLineWidth(kHairline);
      printer->DrawRect(left, y, right, bottom, std::nullopt);
      printer->SetFillStyle(kHollow);
      std::u16string text = i == 0 ? FitText(row[i], right - left) : row[i];
      float x = left;
      if (columns[i].valueCentred) {
        const float offset = ((right - left) - TextWidth(text)) * 0.5f;
        if (offset > 0) x = left + offset;
      }
      DrawAt(text, x, y);
    }
  }
}

void CReport::TotalRows(const std::vector<LabelledSum>& rows, std::u16string_view closingLabel,
                        std::u16string_view closingAmount) {
  // Two columns of 70 % and 30 % of the page width.
  static const std::vector<CReportColumn> kColumns{{u"", 70, false, false}, {u"", 30, false, false}};
  CPrinterCE* printer = Printer();
  printer->SetFillStyle(kHollow);
  SetFont(2);
  printer->SetTextAlignment(0);
  SetBold(false);
  const float left = ColumnLeft(kColumns, 0);
  const float right = ColumnRight(kColumns, 1);
  for (const auto& [label, sum] : rows) {
    if (!PrinterOk()) break;
    m_rowTop = CurrentY() + kRowGap;
    const float y = m_rowTop + kRowGap;
    const std::u16string amount = Money(sum);
    DrawAt(label, left, y);
    DrawAt(amount, right - TextWidth(amount), y);
  }
  m_rowTop = CurrentY() + kRowGap;
  // A horizontal rule over the closing row: both ends at the same height.
  const float ruleY = m_rowTop + kRowGap;
  printer->SetLineWidth(kClosingRule);
  printer->DrawLine(left, ruleY, right, ruleY, std::nullopt, std::nullopt);
  SetBold(true);
  const float y = CurrentY() + kHeadingGap;
  DrawAt(closingLabel, left, y);
  DrawAt(closingAmount, right - TextWidth(closingAmount), y);
  SetBold(false);
}

std::u16string CReport::Money(double value) { return FormatNumberText(value, NumberDigits::TwoDigits).str(); }

void CReport::NoteDocument(std::u16string_view text) { m_notes.push_back(m_scannedFile + u": " + std::u16string(text)); }

void CReport::WriteNotes() {
  if (m_notes.empty()) return;
  Begin(u"NOTES");
  for (const std::u16string& note : m_notes) Text(u"NOTE", note);
  End(u"NOTES");
}

std::u16string CReport::XslNotes() {
  return u"<xsl:for-each select='REPORT/NOTES/NOTE'><p><xsl:value-of select='.' /></p></xsl:for-each>";
}

void CReport::NoteLines() {
  SetFont(2);
  Printer()->SetTextAlignment(0);
  SetBold(false);
  for (const std::u16string& note : m_notes) {
    if (!PrinterOk()) break;
    m_rowTop = CurrentY() + kRowGap;
    DrawAt(note, 0, m_rowTop + kRowGap);
  }
}
