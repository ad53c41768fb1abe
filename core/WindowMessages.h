// The program's private window messages (WM_USER + n), every one of them, in one place:
// its number, the window that reads it, what wParam and lParam carry and who owns what a
// pointer points to. Senders and receivers name a message only through this header, so a
// change of a message is made here and the compiler finds every user.
//
// A message is heard only by the window it goes to, so one number may mean different
// things at different receivers. The only such number is 1145: the data-entry form and the
// field grid page start the editor of a row with it, the customer list reselects its row
// after an edit with it. Each meaning has its own name and the table below checks that two
// names of one number never meet at one receiver.
//
// Pointers: a pointer in a *sent* message is valid for the call only and stays the
// sender's. An object handed over for good never travels as a pointer: the sender leaves
// it with the parcel desk (core/Parcel.h) and the message carries the parcel's ticket,
// which the receiver redeems once.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/base/Win32Types.h"

// ---- Main window -----------------------------------------------------------------------------
// An outside program asks the work to stop: devices and items list shut down, a running
// desktop operation ends. No parameters.
inline constexpr UINT kMsgShutdown = 1023;
// Edit command for the window that owns a history (main window: the document history;
// items list: the list history; the editor passes it on to the main window). wParam 0 run
// the command whose parcel ticket is lParam, 1 undo, 2 redo. Answer: 1 done, 0 not.
inline constexpr UINT kMsgEditCommand = 1125;
// E-mail the current document as HTML. No parameters.
inline constexpr UINT kMsgEmailHtml = 1136;
// Clear the register selection and reload it; wParam 1: with the progress display. Posted
// by the editor, the document (renumbered on open), the list update (RO_SIGNED changed) and
// the Refresh command.
inline constexpr UINT kMsgReloadRegister = 1139;
// A save made a new document file (sent): lParam the CSalesDocument, the sender's.
inline constexpr UINT kMsgDocumentAdded = 1140;
// Delete the document after confirmation (posted): wParam the asking window, lParam the
// CSalesDocument (the editor's, which outlives the message).
inline constexpr UINT kMsgDeleteDocument = 1141;
// A save went over an existing document file (sent): lParam the CSalesDocument, the sender's.
inline constexpr UINT kMsgDocumentSaved = 1142;
// Open the register row of wParam in the editor.
inline constexpr UINT kMsgOpenRow = 1143;
// Print the document, always asking for the printer settings: wParam the asking window,
// lParam the editor's CSalesDocument.
inline constexpr UINT kMsgPrintAsk = 1144;
// Choose a customer for the open document: lParam the asking window.
inline constexpr UINT kMsgChooseCustomer = 1149;
// The editor's document was started anew: clear the register selection and the document
// history. lParam the editor window.
inline constexpr UINT kMsgNewDocumentStarted = 1150;
// Start a new invoice in the editor and show it. No parameters.
inline constexpr UINT kMsgNewInvoice = 1151;
// Run the Options sheet. lParam the asking window.
inline constexpr UINT kMsgOptions = 1152;
// Recompute the current document's totals and render it again (items were added), then
// release one level of the wait cursor the sender left on. No parameters.
inline constexpr UINT kMsgRenderDocument = 1154;
// Export the selected row's document as HTML: wParam the asking window.
inline constexpr UINT kMsgExportHtml = 1156;
// The desktop operation's progress window was closed (posted to its notify window). No
// parameters.
inline constexpr UINT kMsgProgressClosed = 1158;
// Export the selected row's document as CSV: wParam the asking window.
inline constexpr UINT kMsgExportCsv = 1161;
// E-mail the current document as a document file. No parameters.
inline constexpr UINT kMsgEmailQvn = 1162;
// From the report viewer: print (1165), save as HTML (1167) or e-mail (1169) the report.
// wParam the viewer window (0 for e-mail from the menu), lParam the viewer's CReport, the
// viewer's (valid while the viewer lives).
inline constexpr UINT kMsgPrintReport = 1165;
inline constexpr UINT kMsgSaveReport = 1167;
inline constexpr UINT kMsgEmailReport = 1169;
// Open the report viewer: wParam the report kind 0-3, lParam the parcel ticket of a
// std::u16string with the document's path (the receiver redeems it).
inline constexpr UINT kMsgShowReport = 1171;
// The report viewer closed itself and may be deleted (posted). No parameters.
inline constexpr UINT kMsgReportClosed = 1172;
// Reload all named lists under the wait cursor (posted by the items list). No parameters.
inline constexpr UINT kMsgReloadLists = 1175;
// Print the document, asking for printer settings only when none are set: wParam the
// asking window, lParam the editor's CSalesDocument.
inline constexpr UINT kMsgPrint = 1176;
// Posted by the power thread after a resume; the default handling is all it gets.
inline constexpr UINT kMsgResumed = 1177;
// The document type names changed (after Customize): reload the New menu texts.
inline constexpr UINT kMsgNewTextsChanged = 1182;
// Bring the editor window to the front (posted to itself). No parameters.
inline constexpr UINT kMsgShowEditor = 1189;
// The Options sheet changed the scanner (sent): the driver (or none) is already in the
// main window's scanner slot, which owns it; lParam the same CInputDevice, for reading only.
inline constexpr UINT kMsgScannerChanged = 1190;
// A power transition from the power thread (posted): wParam the new power state.
inline constexpr UINT kMsgPowerTransition = 1230;

// ---- Editor and the page of a document or report -----------------------------------------
// Sent by the page: the held line's key becomes the current line; lParam the key text
// (the sender's, for the call) or null off a line.
inline constexpr UINT kMsgSetCurrentLine = 1126;
// Posted by the page's inner window to itself: end a hold that met no link.
inline constexpr UINT kMsgEndHold = 1127;
// Sent by the page: a link was tapped; lParam its target text (the sender's, for the call).
inline constexpr UINT kMsgLinkTapped = 1130;
// Sent by the page on a hold: a line (wParam the character after the comma), the page,
// the bill-to block, the bill-from block, the logo, another header field (wParam its field
// code), a report page. lParam the POINT of the hold (the sender's, for the call).
inline constexpr UINT kMsgHoldLine = 1131;
inline constexpr UINT kMsgHoldPage = 1132;
inline constexpr UINT kMsgHoldBillTo = 1146;
inline constexpr UINT kMsgHoldBillFrom = 1147;
inline constexpr UINT kMsgHoldLogo = 1148;
inline constexpr UINT kMsgHoldField = 1155;
inline constexpr UINT kMsgHoldReport = 1164;
// The history changed its stacks (sent by a command processor to its listeners).
inline constexpr UINT kMsgHistoryChanged = 1153;
// Toggle the command toolbar (editor, items list); wParam 1 at start-up.
inline constexpr UINT kMsgToggleToolBar = 1181;
// A notification of the page's control, relayed: wParam the inner window, lParam the
// record (the sender's, for the call).
inline constexpr UINT kMsgRelayNotify = 1192;

// ---- Devices -----------------------------------------------------------------------------------
// A scanner library has a scan for the notify window: call GetData. Parameters as the
// library gives them.
inline constexpr UINT kMsgScanData = 1025;
// Posted by the card-reader bar to itself: read the swiped card. No parameters.
inline constexpr UINT kMsgReadCard = 1034;
// Continuous scanning, or the form ended by the hardware button: start the next scan.
inline constexpr UINT kMsgStartNextScan = 1180;
// The scanner library's trigger status for the notify window.
inline constexpr UINT kMsgTriggerStatus = 1184;

// ---- Data-entry form, field grid page, customer list ------------------------------------
// Form and field grid page: start the editor of the row (field) in lParam; for the form,
// wParam a kind to use instead of the field's own (0: its own).
inline constexpr UINT kMsgStartEditor = 1145;
// Customer list: reselect the current row and redraw after an edit. Same number as
// kMsgStartEditor at another receiver.
inline constexpr UINT kMsgReselect = 1145;
// Form: lay out for the width in the low and the height in the high half of wParam.
inline constexpr UINT kMsgLayOut = 1163;
// Form to its parent (sent): an item type was chosen; lParam its text (the sender's).
inline constexpr UINT kMsgItemTypeChosen = 1166;
// Field grid page: close an open editor, keeping its text.
inline constexpr UINT kMsgCloseEditor = 1183;
// Posted by a form's edit: move to the next field (wParam 1) or the previous one (0).
inline constexpr UINT kMsgMoveField = 1224;
// Posted by a form's edit on Esc: close it without storing its text.
inline constexpr UINT kMsgCancelEditor = 1225;
// Customer list: delete the current row.
inline constexpr UINT kMsgDeleteEntry = 1135;
// Customer list: select the record of the object id in lParam.
inline constexpr UINT kMsgSelectById = 1160;
// Customer list: reopen the source's list.
inline constexpr UINT kMsgReopenList = 1174;
// Customer list: posted by the loader thread when it has finished.
inline constexpr UINT kMsgLoaderDone = 1264;

// ---- The table and its check ---------------------------------------------------------------

namespace window_messages {

// The windows that read private messages, one bit each.
enum Receiver : unsigned {
  kMainWindow = 1u << 0,
  kEditor = 1u << 1,
  kItemList = 1u << 2,
  kPage = 1u << 3,  // the page's inner window
  kReportViewer = 1u << 4,
  kDeviceNotify = 1u << 5,  // the window a scanner or card reader reports to
  kCardReaderBar = 1u << 6,
  kFieldForm = 1u << 7,
  kFieldGridPage = 1u << 8,
  kCustomerList = 1u << 9,
  kFormParent = 1u << 10,
  kListener = 1u << 11,  // a window listening to a history
};

struct Entry {
  std::string_view name;
  UINT number;
  unsigned receivers;
};

inline constexpr Entry kTable[] = {
    {"kMsgShutdown", kMsgShutdown, kMainWindow},
    {"kMsgScanData", kMsgScanData, kDeviceNotify},
    {"kMsgReadCard", kMsgReadCard, kCardReaderBar},
    {"kMsgEditCommand", kMsgEditCommand, kMainWindow | kItemList | kEditor},
    {"kMsgSetCurrentLine", kMsgSetCurrentLine, kEditor},
    {"kMsgEndHold", kMsgEndHold, kPage},
    {"kMsgLinkTapped", kMsgLinkTapped, kEditor},
    {"kMsgHoldLine", kMsgHoldLine, kEditor},
    {"kMsgHoldPage", kMsgHoldPage, kEditor},
    {"kMsgDeleteEntry", kMsgDeleteEntry, kCustomerList},
    {"kMsgEmailHtml", kMsgEmailHtml, kMainWindow},
    {"kMsgReloadRegister", kMsgReloadRegister, kMainWindow | kEditor},
    {"kMsgDocumentAdded", kMsgDocumentAdded, kMainWindow | kEditor},
    {"kMsgDeleteDocument", kMsgDeleteDocument, kMainWindow},
    {"kMsgDocumentSaved", kMsgDocumentSaved, kMainWindow | kEditor},
    {"kMsgOpenRow", kMsgOpenRow, kMainWindow},
    {"kMsgPrintAsk", kMsgPrintAsk, kMainWindow},
    {"kMsgStartEditor", kMsgStartEditor, kFieldForm | kFieldGridPage},
    {"kMsgReselect", kMsgReselect, kCustomerList},
    {"kMsgHoldBillTo", kMsgHoldBillTo, kEditor},
    {"kMsgHoldBillFrom", kMsgHoldBillFrom, kEditor},
    {"kMsgHoldLogo", kMsgHoldLogo, kEditor},
    {"kMsgChooseCustomer", kMsgChooseCustomer, kMainWindow},
    {"kMsgNewDocumentStarted", kMsgNewDocumentStarted, kMainWindow},
    {"kMsgNewInvoice", kMsgNewInvoice, kMainWindow},
    {"kMsgOptions", kMsgOptions, kMainWindow},
    {"kMsgHistoryChanged", kMsgHistoryChanged, kListener},
    {"kMsgRenderDocument", kMsgRenderDocument, kMainWindow},
    {"kMsgHoldField", kMsgHoldField, kEditor},
    {"kMsgExportHtml", kMsgExportHtml, kMainWindow},
    {"kMsgProgressClosed", kMsgProgressClosed, kMainWindow},
    {"kMsgSelectById", kMsgSelectById, kCustomerList},
    {"kMsgExportCsv", kMsgExportCsv, kMainWindow},
    {"kMsgEmailQvn", kMsgEmailQvn, kMainWindow},
    {"kMsgLayOut", kMsgLayOut, kFieldForm},
    {"kMsgHoldReport", kMsgHoldReport, kReportViewer},
    {"kMsgPrintReport", kMsgPrintReport, kMainWindow},
    {"kMsgItemTypeChosen", kMsgItemTypeChosen, kFormParent},
    {"kMsgSaveReport", kMsgSaveReport, kMainWindow},
    {"kMsgEmailReport", kMsgEmailReport, kMainWindow},
    {"kMsgShowReport", kMsgShowReport, kMainWindow},
    {"kMsgReportClosed", kMsgReportClosed, kMainWindow},
    {"kMsgReopenList", kMsgReopenList, kCustomerList},
    {"kMsgReloadLists", kMsgReloadLists, kMainWindow},
    {"kMsgPrint", kMsgPrint, kMainWindow},
    {"kMsgResumed", kMsgResumed, kMainWindow},
    {"kMsgStartNextScan", kMsgStartNextScan, kEditor | kDeviceNotify},
    {"kMsgToggleToolBar", kMsgToggleToolBar, kEditor | kItemList},
    {"kMsgNewTextsChanged", kMsgNewTextsChanged, kMainWindow},
    {"kMsgCloseEditor", kMsgCloseEditor, kFieldGridPage},
    {"kMsgTriggerStatus", kMsgTriggerStatus, kDeviceNotify},
    {"kMsgShowEditor", kMsgShowEditor, kMainWindow},
    {"kMsgScannerChanged", kMsgScannerChanged, kMainWindow},
    {"kMsgRelayNotify", kMsgRelayNotify, kEditor},
    {"kMsgMoveField", kMsgMoveField, kFieldForm},
    {"kMsgCancelEditor", kMsgCancelEditor, kFieldForm},
    {"kMsgPowerTransition", kMsgPowerTransition, kMainWindow},
    {"kMsgLoaderDone", kMsgLoaderDone, kCustomerList},
};

// The first entry that clashes with an earlier one (a name listed twice, or a number
// that two names carry to one receiver), or the table's size when none does.
constexpr std::size_t FirstClash(const Entry* table, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (table[i].name == table[j].name) return i;
      if (table[i].number == table[j].number && (table[i].receivers & table[j].receivers) != 0) return i;
    }
  }
  return count;
}

static_assert(FirstClash(kTable, std::size(kTable)) == std::size(kTable),
              "two names of one private message meet at one receiver, or a name is listed twice");

}  // namespace window_messages

// The event a starting program sets once other programs of the device can reach its main
// window; the relay that started it waits on it.
inline constexpr char16_t kProgramReachableEvent[] = u"KTWJUMPSTART";

// ---- Desktop commands ---------------------------------------------------------------------------
// The codes the relay hands the main window in a WM_COPYDATA's dwData, one per command word
// of the desktop companion. The numbers are the contract between the two programs: the
// relay sends them, the main window's OnCopyData acts on them.
enum class DesktopCommand : ULONG_PTR {
  UpdateJobsSilent = 33,     // UPDATE_QB_JOBS_SILENT
  UpdateJobs = 43,           // UPDATE_QB_JOBS
  UpdateLists = 53,          // UPDATE_QB_ITEMS
  OwnerInfo = 63,            // GET_OWNER_INFO
  Templates = 73,            // RETRIEVING_INVOICES
  ConvertOneToTwo = 83,      // CONVERT_1_TO_2: accepted, nothing to do
  LoadDatabaseUpdate = 103,  // LOAD_DB_UPDATE
  CopyDatabase = 123,        // GET_DB
  OpenDatabase = 133,        // OPEN_DB
  CloseDatabase = 143,       // CLOSE_DB
};
