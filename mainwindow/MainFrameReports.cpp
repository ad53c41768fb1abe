// The main window's part in the reports: it opens the viewer for a report kind and keeps it
// until the viewer closes itself, and it prints, saves and mails a report for the viewer,
// since those need the program's printing engine, the file dialog and the mail session.
#include <string>

#include "core/MessageBoxes.h"
#include "core/ResourceText.h"
#include "core/Utilities.h"
#include "customers/PrinterSettingsDlg.h"
#include "devices/DocumentMail.h"
#include "devices/PrintEngine.h"
#include "editor/DocumentView.h"
#include "mainwindow/MainFrame.h"
#include "platform/shell/FileDialogs.h"
#include "platform/user/Paint.h"
#include "reports/Report.h"
#include "reports/ReportView.h"
#include "resources/resource_ids.h"

namespace {
constexpr DWORD kSaveNameChars = 130;
constexpr size_t kSaveBufferChars = 260;
}  // namespace

void CMainFrame::ShowReport(int kind, std::u16string_view documentName) {
  UpdateWindow(m_hwnd);
  // One viewer at a time: the dialog procedure reaches a single viewer, so one still open
  // is closed before the next takes its place.
  m_reportView.reset();
  m_reportView = std::make_unique<CReportView>(m_instance, m_hwnd, m_itemStore.get(), kind, documentName);
  m_reportView->ShowReport();
}

bool CMainFrame::PrintReport(CReport* report, HWND owner) {
  if (!report) return true;
  if (!m_printEngine) m_printEngine = std::make_unique<CPrintEngine>(nullptr);
  // The printer, paper, copies and text size are the user's choice for every report; what
  // the dialog saves is what the engine and the report read when the job starts.
  CPrinterSettingsDlg settings(GetResourceInstance(), owner ? owner : m_hwnd, m_printEngine.get());
  if (settings.DoModal() == CPrinterSettingsDlg::kNotSaved) return true;
  report->Print(m_printEngine.get(), false, u"Printing Report");
  return true;
}

bool CMainFrame::SaveReport(CReport* report, HWND owner) {
  if (!report) return false;
  std::u16string file = report->GetName() + u".htm";
  file.resize(kSaveBufferChars, u'\0');
  OPENFILENAMEW dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = u"Reports (*.HTM)\0*.HTM\0";
  dialog.lpstrDefExt = u"HTM";
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kSaveNameChars;
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  // A cancelled dialog is the user's choice, not a failure: nothing to say.
  if (!GetSaveFileNameW(&dialog)) return false;
  const bool saved = WriteAnsiTextFile(report->GetHtml(), file.c_str());
  MessageBoxFromResource(owner, saved ? IDS_FILE_SAVED : IDS_EXPORT_FAILED, saved ? kStyleInformation : kStyleWarning);
  return saved;
}

int CMainFrame::EmailReport(CReport* report, HWND owner) {
  if (!report) return 0;
  // The form's To is the customer of the document open in the editor, and its company's
  // address the second choice. A document the user closed is no longer the one worked on:
  // with the register in front both start empty.
  CSalesDocument* document = IsEditorInFront() ? &m_editor->GetDocument() : nullptr;
  return ::EmailReport(owner ? owner : m_hwnd, document, report->GetName(), report->GetHtml());
}
