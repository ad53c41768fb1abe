// The one arrangement every test that drives a sales document from outside starts from:
// a device root with the language library installed and loaded as the program loads it,
// list answers the test chooses (or the program's own lists over a store), the
// program's document services, the user's locale, a recording page, an owner window
// that records the document's messages, the document folders, and scripted answers to
// message boxes. tests/README.md tells the recipe.
#pragma once

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../core/LanguageLibraryFixture.h"
#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "datastore/ListCache.h"
#include "datastore/NamedList.h"
#include "datastore/PriceLevelList.h"
#include "datastore/SalesTaxList.h"
#include "datastore/SqlDatabase.h"
#include "datastore/TaxCodeList.h"
#include "document/DocumentServices.h"
#include "document/DocumentStartup.h"
#include "document/SalesDocument.h"
#include "document/StoreDocumentLists.h"
#include "platform/base/Base.h"
#include "platform/locale/Locale.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"

namespace sales_test {

// Lists with fixed answers: tax codes "Tax" (taxable) and "Non"; the rest as filled in.
class FakeLists : public IDocumentLists {
 public:
  std::map<std::u16string, bool> taxCodes{{u"Tax", true}, {u"Non", false}};
  std::map<std::u16string, double> levels;
  std::map<std::u16string, std::u16string> salesTaxes;
  std::map<std::u16string, int> terms;
  std::map<std::u16string, std::u16string> reps;

  bool IsTaxable(int version, std::u16string_view code) override {
    if (version < 4) return IsTaxableWithoutList(version, code);
    auto it = taxCodes.find(std::u16string(code));
    return it != taxCodes.end() && it->second;
  }
  double GetLevelFactor(std::u16string_view name) override {
    auto it = levels.find(std::u16string(name));
    return it == levels.end() ? 0 : it->second;
  }
  bool GetSalesTaxRate(std::u16string_view name, CBstr& rate) override {
    auto it = salesTaxes.find(std::u16string(name));
    if (it == salesTaxes.end()) return false;
    rate = CBstr(it->second);
    return true;
  }
  bool GetTermDays(std::u16string_view name, int& days) override {
    auto it = terms.find(std::u16string(name));
    if (it == terms.end()) return false;
    days = it->second;
    return true;
  }
  bool GetRepFullName(std::u16string_view rep, CBstr& fullName) override {
    auto it = reps.find(std::u16string(rep));
    if (it == reps.end()) return false;
    fullName = CBstr(it->second);
    return true;
  }
};

// Records every element update of the page.
struct PageLog {
  std::vector<std::pair<std::u16string, std::u16string>> updates;
  int renders = 0;
  std::u16string Last(std::u16string_view id) const {
    for (auto it = updates.rbegin(); it != updates.rend(); ++it)
      if (it->first == id) return it->second;
    return u"<none>";
  }
};

class RecordingView : public IDocumentView {
 public:
  explicit RecordingView(PageLog* log) : m_log(log) {}
  bool SetElementText(std::u16string_view id, std::u16string_view text) override {
    m_log->updates.emplace_back(id, text);
    return true;
  }
  void Render(RenderMode, int) override { ++m_log->renders; }
  void SetFitToScreen(bool) override {}
  void SetZoomLevel(int) override {}

 private:
  PageLog* m_log;
};

// Answers message boxes in the order given, the default button once the answers run out;
// installed for its scope. (platform::testing::MessageBoxScript also checks the texts.)
class ScriptedAnswers : public platform::MessageBoxHandler {
 public:
  explicit ScriptedAnswers(std::deque<int> answers)
      : m_answers(std::move(answers)), m_previous(platform::SetMessageBoxHandler(this)) {}
  ~ScriptedAnswers() override { platform::SetMessageBoxHandler(m_previous); }
  ScriptedAnswers(const ScriptedAnswers&) = delete;
  ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;
  int OnMessageBox(const platform::MessageBoxRecord& box) override {
    if (m_answers.empty()) return platform::DefaultMessageBoxButton(box.style);
    int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
  }

 private:
  std::deque<int> m_answers;
  platform::MessageBoxHandler* m_previous;
};

class QuietNotices : public IDatabaseNotices {
 public:
  void Warning(UINT, std::u16string_view) override {}
  void Error(UINT, DWORD) override {}
};

// The program's own list objects over an item store in "\Data\Slateway.db", answering
// the document's list questions as the program does.
struct StoreLists {
  QuietNotices notices;
  CItemStore store{nullptr};
  CTaxCodeList codes{&store};
  CSalesTaxList taxes{&store};
  CPriceLevelList levels{&store};
  CListCache terms{&store};
  CSalesRepsList reps{&store};
  CStoreDocumentLists adapter{&codes, &taxes, &levels, &terms, &reps};
  ~StoreLists() { store.Close(); }
};

inline constexpr char kNewDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"100\">"
    "<COMPANY></COMPANY><SHIPTO></SHIPTO><CUSTOMER></CUSTOMER><JOB></JOB>"
    "<TOTALS><SUBTOTAL></SUBTOTAL><TAX></TAX><TOTAL></TOTAL></TOTALS></SALESDOCUMENT>";

class SalesDocumentTest : public slateway::testing::LanguageLibraryTest {
 public:
  // A line record: TYPE, QUANTITY, PRICE, TAXABLE.
  static std::unique_ptr<CDbRecord> Line(std::u16string_view type, std::u16string_view quantity,
                                         std::u16string_view price, std::u16string_view taxCode = u"Non") {
    auto record = std::make_unique<CDbRecord>();
    record->SetField(kLineFieldType, type);
    record->SetField(kLineFieldName, std::u16string(type) + u" line");
    record->SetField(kLineFieldQuantity, quantity);
    record->SetField(kLineFieldPrice, price);
    record->SetField(kLineFieldTaxable, taxCode);
    return record;
  }

 protected:
  void SetUp() override {
    LanguageLibraryTest::SetUp();
    SetDocumentLists(&lists);
    m_settings = std::make_unique<CCustomSettings>();
  }
  void TearDown() override {
    if (m_localeChanged) {
      platform::SetLocaleProfile(u"en-US");
      RegionalSettings().Reset();
    }
    RemoveDocumentServices();
    if (m_owner) DestroyWindow(m_owner);
    s_messages = nullptr;
    m_storeLists.reset();
    m_settings.reset();
    LanguageLibraryTest::TearDown();
  }

  // ---- The program around the document ----

  // The document services as the program's start-up installs them (the stylesheet
  // generator), with the fake lists or, after UseStoreLists, the store's.
  void InstallServices() {
    CDocumentServiceHooks hooks;
    hooks.lists = m_storeLists ? static_cast<IDocumentLists*>(&m_storeLists->adapter) : &lists;
    InstallDocumentServices(hooks);
  }
  // The program's list objects over a fresh store (or the database at `path`) answer the
  // document's list questions.
  StoreLists& UseStoreLists(const std::u16string& path = u"\\Data\\Slateway.db") {
    std::filesystem::create_directories(Linux(path).parent_path());
    m_storeLists = std::make_unique<StoreLists>();
    m_storeLists->store.Database().SetNotices(&m_storeLists->notices);
    EXPECT_EQ(m_storeLists->store.Open(path), 1);
    SetDocumentLists(&m_storeLists->adapter);
    return *m_storeLists;
  }
  // The user's regional settings of the profile ("de-DE": day-month-year, "," decimals,
  // "." thousands), read as the program reads them; en-US again after the test.
  void UseLocale(std::u16string_view profile) {
    ASSERT_TRUE(platform::SetLocaleProfile(profile));
    LoadRegionalSettings();
    m_localeChanged = true;
  }
  // The documents folder and the image folder exist; the documents folder is returned.
  std::u16string MakeFolders() {
    CBstr folder;
    GetDocumentsFolder(folder);
    std::filesystem::create_directories(Linux(folder.str()));
    CBstr picture(u"x");
    GetImageFilePath(picture);
    std::filesystem::create_directories(Linux(picture.str()).parent_path());
    return folder.str();
  }
  // A window that records the document's messages 1139, 1140 and 1142 in `messages`
  // (posted ones once DispatchPosted ran).
  HWND MakeOwner() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = u"DocumentOwner";
    RegisterClassW(&wc);
    m_owner = CreateWindowExW(0, u"DocumentOwner", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    s_messages = &messages;
    return m_owner;
  }
  void DispatchPosted() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  // Every page update of documents built from now on goes to `log`.
  void ViewInto(PageLog* log) {
    SetDocumentViewFactory([log](HWND, CSalesDocument&) { return std::make_unique<RecordingView>(log); });
  }

  // ---- Documents ----

  // An empty document of the owner window (if made) over the fixture's custom settings.
  std::unique_ptr<CSalesDocument> Make() {
    return std::make_unique<CSalesDocument>(nullptr, m_owner, 4, false, m_settings.get());
  }
  // A new invoice-shaped document of the type (version 4), with the tax rate given.
  std::unique_ptr<CSalesDocument> NewDocument(int type = kDocInvoice, std::u16string_view rate = u"10%") {
    auto doc = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, true, nullptr);
    EXPECT_TRUE(doc->GetXmlDocument().LoadXmlText(platform::ToUtf16(kNewDocument)));
    doc->SetDocType(type);
    doc->SetVersion(4);
    if (!rate.empty()) doc->SetTax(CBstr(u"State"), CBstr(rate), CBstr(u""), false);
    doc->SetModified(false);
    return doc;
  }
  static CLineItemTexts LineAt(CSalesDocument& doc, LONG index) {
    CLineItemTexts line;
    EXPECT_TRUE(doc.GetXmlDocument().ReadLineItemAt(index, &line)) << "line " << index;
    return line;
  }

  FakeLists lists;
  std::unique_ptr<CCustomSettings> m_settings;
  // The document's messages to the owner window, in order.
  std::vector<std::pair<UINT, WPARAM>> messages;

 private:
  static LRESULT OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (s_messages && (message == 1139 || message == 1140 || message == 1142)) {
      EXPECT_NE(lParam, 0) << "the document travels in lParam";
      s_messages->emplace_back(message, wParam);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  static inline std::vector<std::pair<UINT, WPARAM>>* s_messages = nullptr;
  HWND m_owner = nullptr;
  std::unique_ptr<StoreLists> m_storeLists;
  bool m_localeChanged = false;
};

}  // namespace sales_test
