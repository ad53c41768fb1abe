// The messages the program's windows send the main window (WM_USER + n), and for each
// whether the main window handles it yet or which part of the program brings its handler.
#pragma once

#include "datastore/ContactsSource.h"  // kMsgChooseCustomer
#include "document/EditCommand.h"  // kMsgEditCommand
#include "editor/ItemListWnd.h"  // kMsgReloadLists
#include "platform/base/Win32Types.h"

inline constexpr UINT kMsgShutdown = 1023;          // an outside program asks the work to stop
inline constexpr UINT kMsgEmailHtml = 1136;
inline constexpr UINT kMsgReloadRegister = 1139;    // wParam 1: with the progress display
inline constexpr UINT kMsgDocumentAdded = 1140;
inline constexpr UINT kMsgDeleteDocument = 1141;
inline constexpr UINT kMsgDocumentSaved = 1142;
inline constexpr UINT kMsgOpenRow = 1143;           // wParam the register row
inline constexpr UINT kMsgPrintAsk = 1144;
inline constexpr UINT kMsgNewDocumentStarted = 1150;
inline constexpr UINT kMsgNewInvoice = 1151;
inline constexpr UINT kMsgOptions = 1152;
inline constexpr UINT kMsgItemsAdded = 1154;
inline constexpr UINT kMsgExportHtml = 1156;
inline constexpr UINT kMsgProgressClosed = 1158;
inline constexpr UINT kMsgExportCsv = 1161;
inline constexpr UINT kMsgEmailQvn = 1162;
inline constexpr UINT kMsgPrintReport = 1165;
inline constexpr UINT kMsgSaveReport = 1167;
inline constexpr UINT kMsgEmailReport = 1169;
inline constexpr UINT kMsgShowReport = 1171;
inline constexpr UINT kMsgReportClosed = 1172;
inline constexpr UINT kMsgPrint = 1176;
inline constexpr UINT kMsgResumed = 1177;
inline constexpr UINT kMsgNewTextsChanged = 1182;
inline constexpr UINT kMsgShowEditor = 1189;
inline constexpr UINT kMsgScannerChanged = 1190;
inline constexpr UINT kMsgPowerTransition = 1230;  // from the power thread; wParam the new power state

// Where a private message is handled: here, or by the part of the program that brings
// the window or service its handler drives (until then it gets the default handling).
struct CPrivateMessage {
  UINT message;
  bool handled;
  const char* broughtBy;  // null when handled here
};

inline constexpr CPrivateMessage kPrivateMessages[] = {
    {kMsgShutdown, true, nullptr},
    {kMsgEditCommand, true, nullptr},
    {kMsgEmailHtml, true, nullptr},
    {kMsgReloadRegister, true, nullptr},
    {kMsgDocumentAdded, true, nullptr},
    {kMsgDeleteDocument, true, nullptr},
    {kMsgDocumentSaved, true, nullptr},
    {kMsgOpenRow, true, nullptr},
    {kMsgPrintAsk, true, nullptr},
    {kMsgChooseCustomer, true, nullptr},
    {kMsgNewDocumentStarted, true, nullptr},
    {kMsgNewInvoice, true, nullptr},
    {kMsgOptions, true, nullptr},
    {kMsgItemsAdded, true, nullptr},
    {kMsgExportHtml, true, nullptr},
    {kMsgProgressClosed, true, nullptr},
    {kMsgExportCsv, true, nullptr},
    {kMsgEmailQvn, true, nullptr},
    {kMsgPrintReport, true, nullptr},
    {kMsgSaveReport, true, nullptr},
    {kMsgEmailReport, true, nullptr},
    {kMsgShowReport, true, nullptr},
    {kMsgReportClosed, true, nullptr},
    {kMsgReloadLists, true, nullptr},
    {kMsgPrint, true, nullptr},
    {kMsgResumed, true, nullptr},  // the default handling is all it gets
    {kMsgNewTextsChanged, true, nullptr},
    {kMsgShowEditor, true, nullptr},
    {kMsgScannerChanged, true, nullptr},
    {kMsgPowerTransition, true, nullptr},
};
