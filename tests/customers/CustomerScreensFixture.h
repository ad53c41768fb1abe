// Tests of the customer screens: the language library, an invoice, the installed device's
// database (the sample) as the item store, and a window that runs the document history as
// the main window does.
#pragma once

#include <filesystem>
#include <memory>

#include "../document/SalesDocumentFixture.h"
#include "../core/FieldFormTyping.h"
#include "core/FieldForm.h"
#include "datastore/CustomerSource.h"
#include "document/EditCommand.h"
#include "platform/testing/UiScript.h"

namespace customers_test {

class CustomerScreensTest : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    CBstr database;
    GetDatabaseFilePath(database, true);
    lists = &UseStoreLists(database.str());
    InstallServices();
    MakeFolders();
    WNDCLASSW wc{};
    wc.lpfnWndProc = HistoryProc;
    wc.lpszClassName = u"CustomerHistory";
    RegisterClassW(&wc);
    historyWindow = CreateWindowExW(0, u"CustomerHistory", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    s_history = &history;
    doc = Make();
    doc->InitNew(4, kDocInvoice);
  }
  void TearDown() override {
    history.Clear();
    doc.reset();
    DestroyWindow(historyWindow);
    s_history = nullptr;
    SalesDocumentTest::TearDown();
  }
  CItemStore& Store() { return lists->store; }

  // Opens the editor of row `row` of a form page, selects its text and types over it.
  static void Edit(platform::testing::DialogDriver& d, CFieldForm& page, int row, std::u16string_view text) {
    slateway::testing::TypeIntoField(d, page.GetHwnd(), row, text);
  }

  sales_test::StoreLists* lists = nullptr;
  CCommandProcessor history{kDocumentHistoryDepth};
  HWND historyWindow = nullptr;
  std::unique_ptr<CSalesDocument> doc;

 private:
  static LRESULT HistoryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgEditCommand && s_history) return HandleEditCommandMessage(*s_history, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  static inline CCommandProcessor* s_history = nullptr;
};

}  // namespace customers_test
