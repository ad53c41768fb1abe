// The one object through which the program prints: it creates the graphic and text
// printing engines on demand, checks their version, selects the printer the Preferences
// name, starts jobs with a progress box and prints sales documents.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <optional>

#include "platform/base/Win32Types.h"
#include "platform/printing/PrintEngines.h"

class CCompanyInfo;
class CCustomSettings;
class CPrintLayout;
class CProgressWnd;
class CSalesDocument;

// The engines' oldest version the program works with.
constexpr LONG kMinimumPrintEngineVersion = 1603;

class CPrintEngine {
 public:
  // `owner` is the parent of the message boxes (not owned).
  explicit CPrintEngine(HWND owner);
  virtual ~CPrintEngine();
  CPrintEngine(const CPrintEngine&) = delete;
  CPrintEngine& operator=(const CPrintEngine&) = delete;

  // Creates the graphic engine once and checks its version; true when connected. With
  // `showErrors` a failure is told in a box (40325 not installed, 40271 not created,
  // 40231 too old); without, it fails silently. A failed attempt keeps nothing, so the
  // next call tries again.
  bool ConnectPrinter(bool showErrors);
  void DisconnectPrinter();
  // The text engine the same way, then its mode and the port of "PrinterPortID"; true
  // only when the port opened.
  bool ConnectTextEngine(bool showErrors);
  void DisconnectTextEngine();

  // Connects with messages and prints the engine's test page; true when the engine
  // reports no error afterwards.
  bool RunEngineCheck();
  // Starts a job: copies from "PrintNumCopies", the engine connected, the printer ready
  // (box 40366 otherwise), the progress box, the printer of the Preferences selected, units
  // in inches and, for continuous paper without `skipPageSetup`, the paper set up. True
  // when the job may be drawn.
  bool BeginDocument(bool skipPageSetup, std::u16string_view title);
  // The progress box: "<title>..." for one copy, else "<title> <copy> of <copies>",
  // shown by the engine and in the program's progress window, whose "Abort" stops the
  // job (the engine's status turns to 4 at the next step that checks it).
  void ShowJobProgress(int copy, int copies, std::u16string_view title);
  // Lets the progress window's messages through; true when the job may go on.
  bool CheckJobProgress();
  // Closes the progress window of the last job.
  void EndJobProgress();
  // Ends the continuous paper BeginDocument set up for a job that draws itself (a
  // report): the paper is fed, the offsets kept at the start come back and the engine
  // leaves continuous mode. Nothing when the job set up no paper.
  void EndPageSetup();
  // The progress window while a job shows one (owned by this object), else null.
  CProgressWnd* GetProgressWindow() const { return m_progress.get(); }

  // Prints every copy of the document laid out as on the screen (see DocumentPrinting.cpp).
  // `signaturePath` is where the signature picture is written for printing. True when
  // the printer reported no error at the end.
  bool PrintDocument(LPCWSTR signaturePath, CCustomSettings* settings, CSalesDocument* document, bool skipPageSetup);

  // The engines while connected (not owned by the caller), else null.
  CPrinterCE* GetPrinter() const { return m_printer; }
  CAsciiCE* GetTextEngine() const { return m_textEngine; }
  int GetCopyCount() const { return m_copyCount; }
  int GetPrinterId() const { return m_printerId; }
  int GetPortId() const { return m_portId; }
  HWND GetOwner() const { return m_owner; }

 private:
  template <class T>
  bool Connect(LPCWSTR progId, const IID& iid, T*& engine, bool showErrors);
  void ReadPrinterChoice();
  // Copies, engine, a ready printer, the progress box, the printer and units; continuous
  // paper is started with `feed` inches unless skipped (or, with `setUpOnlyWhenReady`,
  // unless the printer is still busy).
  bool OpenJob(bool skipPageSetup, std::u16string_view title, float feed, bool setUpOnlyWhenReady);
  bool CheckReady(bool showErrors);
  void SelectPrinterAndUnits();
  // Document printing: one copy of the document, and the blocks it is made of.
  void PrintCopy();
  bool StartDocumentJob(std::u16string_view title);
  void PrintHeader();
  void PrintAddressBlocks();
  void PrintHeaderFields();
  void PrintField(int captionRow, int flagRow, std::u16string_view value);
  void PrintBlock(int captionRow, const std::vector<std::u16string>& lines);
  void DrawAt(std::u16string_view text, float x, std::optional<float> y);
  float Width(std::u16string_view text);
  float Height(std::u16string_view text);
  void Bold(bool on);
  void PrintColumnHeadings();
  void PrintLineItems();
  void PrintTotals();
  void PrintCustomerMessage();
  void PrintNotes();
  void PrintSignature();
  void EndCopy();
  bool Ready();
  BYTE Flag(int row) const;
  const std::u16string& Caption(int row) const;

  HWND m_owner = nullptr;
  std::u16string m_text;
  bool m_printerConnected = false;
  bool m_textConnected = false;
  CSalesDocument* m_document = nullptr;  // not owned; set during a document job
  std::unique_ptr<CPrintLayout> m_layout;
  std::unique_ptr<CProgressWnd> m_progress;
  std::unique_ptr<CCompanyInfo> m_company;  // the document's company block, during a job
  CCustomSettings* m_settings = nullptr;  // not owned
  int m_kind = 0;
  int m_copyCount = 1;
  int m_copy = 1;
  int m_printerId = 5;
  int m_portId = 3;
  bool m_paperType0 = false;
  bool m_skipPageSetup = false;
  bool m_pageSetUp = false;  // the last job started continuous paper
  float m_keptTopOffset = 0;
  float m_keptLeftOffset = 0;
  std::u16string m_signaturePath;
  CPrinterCE* m_printer = nullptr;   // owned: released with Release
  CAsciiCE* m_textEngine = nullptr;  // owned: released with Release
};
