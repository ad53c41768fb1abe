// What the main window decides about a register row or a saved document without showing
// anything: which shown kind lists a document, where a row's file lies, which question a
// delete asks, and how a saved or deleted document moves its customer's balances.
#pragma once

#include <string>
#include <string_view>

#include "core/Decimal.h"
#include "mainwindow/RegisterRows.h"

class CItemStore;

// The other show kinds of the register (the "Show" button).
inline constexpr int kShowComplete = 0;
inline constexpr int kShowInProgress = 1;
inline constexpr int kShowCreditMemos = 3;
inline constexpr int kShowEstimates = 4;
inline constexpr int kShowInvoices = 5;
inline constexpr int kShowPayments = 6;
inline constexpr int kShowSalesOrders = 7;
inline constexpr int kShowSalesReceipts = 8;
inline constexpr int kShowEverything = 10;
inline constexpr int kShowUploaded = 11;

// True when a document of `kind` (0 invoice ... 5 credit memo, 6 memorized) belongs to
// the register's shown kind; `status` is the document's status text.
bool ShowsDocumentKind(int showKind, int kind, std::u16string_view status);

// The files of a register row stored as `storedName`: `name` is the file in the documents
// folder, `path` the file the row stands for in the shown folder.
void BuildRowPaths(int showKind, std::u16string_view storedName, std::u16string& path, std::u16string& name);

// True when `path` names a file in the memorized documents' folder.
bool IsMemorizedPath(std::u16string_view path);
// True when `path` names a file in the deleted documents' folder.
bool IsDeletedPath(std::u16string_view path);
// True when a document file at `path` counts in its customer's balance: templates and
// documents in the deleted folder owe nothing.
bool CountsInBalance(std::u16string_view path);

// The text id of the delete question: with a document name, or by the document's kind.
int DeleteQuestionId(int kind, bool withName, int showKind);

// Payments and credit memos lower a customer's balance; every other kind raises it.
bool LowersBalance(int kind);

// Changes the balance and the total balance of the customer `fullName` by `amount` (down
// when `lower`), and the total balance of each parent above it, each to the cent. The walk
// climbs only to strictly lower levels, so parent data that loops back cannot hold it.
// False when the customer is missing.
bool MoveCustomerBalance(CItemStore& store, std::u16string_view fullName, const CDecimal& amount, bool lower);
