// The route salesperson's reports: each is computed afresh from the saved document files
// (and, for route accountability, the item list), written as a small REPORT XML document
// with a stylesheet assembled in code, shown as HTML by the report viewer, saved and
// mailed as that HTML, and printed straight onto the portable printer.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Win32Types.h"

class CDecimal;
class CPrintEngine;
class CPrinterCE;
class CXmlDocument;

enum ReportKind : int {
  kReportRouteAccount = 0,
  kReportRouteCash = 1,
  kReportProfitMargin = 2,
  kReportPickList = 3,
};

// One column of a printed table: heading, width in percent of the page width, and whether
// the heading and the values stand centred in the column.
struct CReportColumn {
  std::u16string_view heading;
  float widthPercent;
  bool headingCentred;
  bool valueCentred;
};

class CReport {
 public:
  virtual ~CReport();
  CReport(const CReport&) = delete;
  CReport& operator=(const CReport&) = delete;

  // The report's stylesheet: the page head of the language library, the report's own
  // fragments, the page tail.
  virtual std::u16string GetXsl() = 0;
  // Scans the document files and writes the REPORT document. Dates are short date texts
  // in the user's order (empty: no bound); `documentTypes` is the Documents choice;
  // `documentId` names one document file of the Documents folder, or is empty.
  virtual bool BuildXml(HWND parent, std::u16string_view start, std::u16string_view end,
                        std::u16string_view documentTypes, std::u16string_view documentId) = 0;
  // Prints the report as one engine job; false when the job could not be started or the
  // printer reported a fault at its end.
  virtual bool Print(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title) = 0;

  // The last HTML the report's page was transformed into (saved and mailed as such).
  const std::u16string& GetHtml() const { return m_html; }
  void SetHtml(std::u16string_view html) { m_html = html; }

  int GetKind() const { return m_kind; }
  const std::u16string& GetName() const { return m_name; }
  const std::u16string& GetStartDate() const { return m_startDate; }
  const std::u16string& GetEndDate() const { return m_endDate; }
  const std::u16string& GetSalesRep() const { return m_salesRep; }
  // The REPORT document with its stylesheet (rendered by the viewer).
  CXmlDocument& GetReportDocument() { return *m_report; }

 protected:
  CReport(HWND parent, int kind, std::u16string_view name, std::u16string_view documentId);

  // ---- Building ---------------------------------------------------------------------------
  // The progress dialog of one build and the Documents folder it scans.
  class CBuildProgress;
  // Starts a build: a fresh REPORT document with the report's stylesheet, the progress
  // dialog over `parent`. With `singleFile` (and a document id) the bar runs over that one
  // file, else over every saved document.
  void BeginBuild(HWND parent, bool singleFile);
  // Which documents ScanDocuments reads.
  struct DocumentScan {
    bool singleFile = false;  // the one document the report was asked for, not every saved one
    bool dateFilter = false;  // only those dated in the range, when both dates are set
  };
  // Loads each document file in turn into the document reader and hands the loaded ones
  // to `process`; an unreadable file adds nothing. With `dateFilter` and both dates set,
  // a document dated outside the range (both ends included) is skipped.
  void ScanDocuments(DocumentScan scan, const std::function<void(CXmlDocument& document)>& process);
  // Two steps, the REPORT document written by `write`, one step, the dialog closed.
  void EndBuild(const std::function<void()>& write);
  void StepProgress();
  // The element writer over the REPORT document.
  void Begin(std::u16string_view name);
  void Text(std::u16string_view name, std::u16string_view text);
  void End(std::u16string_view name);
  // An element holding NAME and AMOUNT.
  void NamedAmount(std::u16string_view element, std::u16string_view name, std::u16string_view amount);
  // The document's DOCTYPE, upper-cased.
  static std::u16string ReadDocType(CXmlDocument& document);
  // The file name part (after the last "\") of the document id.
  std::u16string DocumentFileName() const;
  // The stylesheet around the report's fragments.
  static std::u16string WrapXsl(std::u16string_view fragments);
  // The fragments every report opens with: its title, and the table row with the name.
  std::u16string XslTitleAndName() const;
  // A quantity as the documents show one: with its decimals, in the device's number format.
  static std::u16string Quantity(const CDecimal& value);
  static std::u16string Quantity(int value);
  bool BothDatesSet() const { return !m_startDate.empty() && !m_endDate.empty(); }

  // ---- Printing ---------------------------------------------------------------------------
  // Keeps the engine, connects it, starts the job and reads the text size, line height and
  // page metrics; false (nothing drawn) when the job could not start.
  bool BeginPrint(CPrintEngine* engine, bool skipPageSetup, std::u16string_view title);
  // Ends the job: continuous paper set up for it is closed, the document ended, the
  // progress window closed. True when the printer reports no fault.
  bool EndPrint();
  // Point size of the lookup table: column 0 titles, 1 column headings, 2 lines and rows.
  float FontSize(int column) const;
  void SetFont(int column);
  void SetBold(bool on);
  float TextWidth(std::u16string_view text);
  float CurrentY();
  bool PrinterOk();
  void DrawAt(std::u16string_view text, float x, float y);
  void TitleLine(std::u16string_view text, bool centred);
  // "Name: " with the sales representative, and with both dates a line of "Date: " or
  // "From: " / "To: ".
  void HeaderLines();
  // Draws `label` bold at x and the value after it; the x after the value.
  float LabelAndValue(std::u16string_view label, std::u16string_view value, float x, float y);
  float ColumnLeft(const std::vector<CReportColumn>& columns, size_t index) const;
  float ColumnRight(const std::vector<CReportColumn>& columns, size_t index) const;
  void ColumnHeadings(const std::vector<CReportColumn>& columns);
  // One row per entry: the first text is the name, shortened to fit its column.
  void ColumnRows(const std::vector<CReportColumn>& columns, const std::vector<std::vector<std::u16string>>& rows);
  // The name shortened one last character at a time until it fits `width` (possibly empty).
  std::u16string FitText(std::u16string_view text, float width);
  // The two-column total reports: the sums as labelled amount rows (each ending at the
  // page's right), then a rule and the closing row, its label bold.
  using LabelledSum = std::pair<std::u16string_view, double>;
  void TotalRows(const std::vector<LabelledSum>& rows, std::u16string_view closingLabel,
                 std::u16string_view closingAmount);
  // An amount as the total reports show it: decimals, two digits forced, no symbol.
  static std::u16string Money(double value);

  // ---- Documents the report could not take as they are -------------------------------------
  // A sentence about the document being processed (its file name goes first), kept for the
  // NOTES element, its lines on the page and on paper; the notes start empty at each build.
  void NoteDocument(std::u16string_view text);
  void WriteNotes();
  static std::u16string XslNotes();
  void NoteLines();

  CPrinterCE* Printer() const;

  HWND m_parent;
  int m_kind;
  std::u16string m_name;
  std::u16string m_startDate;
  std::u16string m_endDate;
  std::u16string m_documentTypes;
  std::u16string m_salesRep;
  std::u16string m_documentId;
  std::unique_ptr<CXmlDocument> m_reader;
  std::unique_ptr<CXmlDocument> m_report;
  std::u16string m_html;
  std::unique_ptr<CBuildProgress> m_progress;  // during a build
  std::u16string m_scannedFile;                // the file ScanDocuments hands on
  std::vector<std::u16string> m_notes;

  CPrintEngine* m_engine = nullptr;  // not owned; set by Print
  bool m_skipPageSetup = false;
  float m_lineHeight = 0;
  float m_rowTop = 0;
  int m_textSize = 2;
  float m_leftMargin = 0;
  float m_topMargin = 0;
  float m_topOffset = 0;
  float m_leftOffset = 0;
  float m_pageHeight = 0;
  float m_pageWidth = 0;
  // Nothing else sets the height of a printed row box: one line of the row font.
  float m_rowHeight = 0;
  int m_pageCount = 0;
};
