// The block and layout commands on a real sales document: customer, company, ship-to,
// job, logo, style, Customize. Each checks what lands in the document, what happens to
// the history, and that a cancelled dialog leaves everything alone.
#include <gtest/gtest.h>

#include "../document/SalesDocumentFixture.h"
#include "core/CompanyInfo.h"
#include "core/Preferences.h"
#include "datastore/CustomerSource.h"
#include "document/ShipToAddress.h"
#include "editor/CustomerCommands.h"
#include "editor/DocumentView.h"
#include "editor/HeaderFieldCommands.h"
#include "editor/SelectCustomerCommand.h"
#include "platform/testing/MessageBoxScript.h"

namespace {

// The customer screens as the program would set them, answering as the test says.
class ScriptedScreens : public IDocumentCustomerScreens {
 public:
  CCustomerSource* CustomerSource() override { return source; }
  int EditDocumentCustomer(HWND, CTableCustomer& record, int page, bool newJob, bool job) override {
    opened.push_back({page, newJob, job});
    seen = std::u16string(record.FieldView(kCustNotes));
    if (edit) edit(record);
    return answer;
  }
  int Customize(HWND, DWORD firstPage, CCustomSettings&, CSalesDocument&) override {
    customizedAt = static_cast<int>(firstPage);
    return answer;
  }
  struct Opened {
    int page;
    bool newJob;
    bool job;
  };
  CCustomerSource* source = nullptr;
  int answer = 1;
  std::function<void(CTableCustomer&)> edit;
  std::vector<Opened> opened;
  std::u16string seen;
  int customizedAt = -1;
};

class CustomerCommands : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    lists.terms[u"Net 30"] = 30;
    InstallServices();
    MakeOwner();
    MakeFolders();
    doc = Make();
    doc->InitNew(4, kDocInvoice);
    SetDocumentCustomerScreens(&screens);
  }
  void TearDown() override {
    SetDocumentCustomerScreens(nullptr);
    history.Clear();
    doc.reset();
    SalesDocumentTest::TearDown();
  }
  std::u16string Xml() {
    CBstr xml;
    EXPECT_EQ(doc->GetXmlDocument().GetDataDocument()->get_xml(&xml), S_OK);
    return xml.str();
  }
  bool Run(std::unique_ptr<CEditCommand> command) {
    history.Submit(std::move(command));
    return history.ExecutePending();
  }
  // One undoable step in the history, so that emptying it shows.
  void SomeUndoableStep() {
    ASSERT_TRUE(Run(std::make_unique<CChangeAccountCommand>(*doc, CBstr(u"A-1"))));
    ASSERT_EQ(history.GetUndoCount(), 1u);
  }
  static std::unique_ptr<CTableCustomer> Customer(std::u16string_view name, std::u16string_view terms) {
    auto customer = std::make_unique<CTableCustomer>();
    customer->SetField(kCustName, name);
    customer->SetField(kCustFullName, name);
    customer->SetField(kCustTerms, terms);
    customer->SetField(kCustShipToAddr1, std::u16string(name) + u" Dock");
    return customer;
  }

  std::unique_ptr<CSalesDocument> doc;
  CCommandProcessor history{kDocumentHistoryDepth};
  ScriptedScreens screens;
};

TEST_F(CustomerCommands, SelectingACustomerAndUndoingBringsTheOldBlocksBack) {
  ASSERT_TRUE(Run(std::make_unique<CSelectCustomerCommand>(*doc, Customer(u"Acme", u"Net 30"))));
  const std::u16string acme = Xml();
  ASSERT_TRUE(Run(std::make_unique<CSelectCustomerCommand>(*doc, Customer(u"Birch", u""))));
  EXPECT_NE(Xml().find(u"Birch Dock"), std::u16string::npos);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Xml(), acme) << "customer, ship-to, terms and due date as they were";
  EXPECT_EQ(doc->GetTerms().str(), u"Net 30");
  ASSERT_TRUE(history.Redo());
  EXPECT_NE(Xml().find(u"Birch Dock"), std::u16string::npos);
}

TEST_F(CustomerCommands, EditCustomerTakesTheStoredFieldsAndWritesTheResult) {
  sales_test::StoreLists& stored = UseStoreLists();
  CQBCustomerSource source(nullptr, stored.store);
  auto row = Customer(u"Acme", u"");
  row->SetField(kCustNotes, u"pays late");
  row->SetField(kCustPhone, u"stored phone");
  ASSERT_EQ(source.AddRecord(*row, nullptr, 2), 1);
  screens.source = &source;
  ASSERT_TRUE(Run(std::make_unique<CSelectCustomerCommand>(*doc, Customer(u"Acme", u""))));
  doc->GetCustomer()->SetField(kCustPhone, u"document phone");

  screens.edit = [](CTableCustomer& record) { record.SetField(kCustCompanyName, u"Acme Rentals"); };
  ASSERT_TRUE(Run(std::make_unique<CEditCustomerCommand>(*doc, nullptr, nullptr, nullptr, *doc->GetCustomer(), nullptr,
                                                         kCustomerPageShipTo, false)));
  EXPECT_EQ(screens.seen, u"pays late") << "a field the document does not carry comes from the stored row";
  ASSERT_EQ(screens.opened.size(), 1u);
  EXPECT_EQ(screens.opened[0].page, kCustomerPageShipTo);
  EXPECT_FALSE(screens.opened[0].job);
  EXPECT_EQ(doc->GetCustomer()->FieldView(kCustPhone), u"document phone") << "the document's own field stays";
  EXPECT_NE(Xml().find(u"Acme Rentals"), std::u16string::npos);
  EXPECT_FALSE(history.CanUndo()) << "editing the customer empties the history";

  screens.answer = 0;
  const std::u16string before = Xml();
  EXPECT_FALSE(Run(std::make_unique<CEditCustomerCommand>(*doc, nullptr, nullptr, nullptr, *doc->GetCustomer(),
                                                          nullptr, kCustomerPageJob, true)));
  EXPECT_EQ(Xml(), before);
  EXPECT_TRUE(screens.opened.back().newJob);
  EXPECT_TRUE(screens.opened.back().job) << "naming a job makes the record a job";
}

TEST_F(CustomerCommands, ACustomerWithoutIdOffersTheCustomerList) {
  HWND notify = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  CTableCustomer typed;
  typed.SetField(kCustListID, u"");
  typed.SetField(kCustName, u"Walk-in");
  typed.SetField(kCustFullName, u"Walk-in");
  for (int answer : {IDNO, IDYES}) {
    platform::testing::MessageBoxScript boxes;
    boxes.Expect(u"Could not locate Walk-in.  Display customer list?").Answer(answer);
    EXPECT_FALSE(Run(std::make_unique<CEditCustomerCommand>(*doc, nullptr, nullptr, notify, typed, nullptr, 0, false)));
    MSG msg;
    EXPECT_EQ(PeekMessageW(&msg, notify, editor_msg::kMsgChooseCustomer, editor_msg::kMsgChooseCustomer, PM_REMOVE),
              answer == IDYES ? TRUE : FALSE);
  }
  EXPECT_TRUE(screens.opened.empty());
  DestroyWindow(notify);
}

TEST_F(CustomerCommands, CompanyEditedAloneOrChosenFromTwo) {
  SomeUndoableStep();
  bool chooserRan = false;
  CompanyEditor edit = [](CCompanyInfo& company) {
    company.SetName(u"Harbor Tools");
    return true;
  };
  ASSERT_TRUE(Run(std::make_unique<CEditCompanyCommand>(
      *doc, std::make_unique<CCompanyInfo>(*doc->GetCompany()), false, nullptr, edit)));
  EXPECT_NE(Xml().find(u"Harbor Tools"), std::u16string::npos);
  EXPECT_FALSE(history.CanUndo());
  CCompanyInfo stored(nullptr, CCompanyInfo::kFirstCompany);
  stored.Load();
  EXPECT_EQ(stored.GetName(), u"Harbor Tools") << "the company is stored";

  CompanyChooser choose = [&](CCompanyInfo& first, CCompanyInfo& second, int page) {
    chooserRan = true;
    EXPECT_EQ(page, 1) << "opened at the last page";
    first.SetName(u"First Co");
    second.SetName(u"Second Co");
    CPreferences().SetDword(u"DEFAULT_COMPANY", 1);
    return true;
  };
  CPreferences().SetDword(u"LastCompanyPage", 1);
  auto first = std::make_unique<CCompanyInfo>(nullptr, CCompanyInfo::kFirstCompany);
  first->Load();
  ASSERT_TRUE(Run(std::make_unique<CEditCompanyCommand>(*doc, std::move(first), true, choose, nullptr)));
  EXPECT_TRUE(chooserRan);
  EXPECT_NE(Xml().find(u"Second Co"), std::u16string::npos) << "the default company is the second";
  CCompanyInfo second(nullptr, CCompanyInfo::kCompanyB);
  second.Load();
  stored.Load();
  EXPECT_EQ(second.GetName(), u"Second Co");
  EXPECT_EQ(stored.GetName(), u"First Co") << "both companies are stored";

  SomeUndoableStep();
  const std::u16string before = Xml();
  CompanyEditor cancel = [](CCompanyInfo& company) {
    company.SetName(u"Never");
    return false;
  };
  EXPECT_FALSE(Run(std::make_unique<CEditCompanyCommand>(
      *doc, std::make_unique<CCompanyInfo>(*doc->GetCompany()), false, nullptr, cancel)));
  EXPECT_EQ(Xml(), before);
  EXPECT_TRUE(history.CanUndo()) << "a cancelled edit leaves the history alone";
}

TEST_F(CustomerCommands, ShipToEditedUndoneAndRedone) {
  ASSERT_TRUE(Run(std::make_unique<CSelectCustomerCommand>(*doc, Customer(u"Acme", u""))));
  const std::u16string before = Xml();
  int formRuns = 0;
  ShipToEditor form = [&](CShipToAddress& address) {
    ++formRuns;
    EXPECT_EQ(address.GetTexts().address1.str(), u"Acme Dock") << "the form starts on the present block";
    address.SetName(u"Acme Warehouse");
    address.SetAddress2(u"Gate 4");
    address.SetPhone(nullptr);
    return true;
  };
  ASSERT_TRUE(Run(std::make_unique<CEditShipToCommand>(*doc, form)));
  CShipToTexts texts;
  doc->GetXmlDocument().ReadShipTo(&texts);
  EXPECT_EQ(texts.name.str(), u"Acme Warehouse");
  EXPECT_EQ(texts.address2.str(), u"Gate 4");
  const std::u16string edited = Xml();
  EXPECT_EQ(history.GetUndoCount(), 2u);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Xml(), before);
  ASSERT_TRUE(history.Redo());
  EXPECT_EQ(Xml(), edited);
  EXPECT_EQ(formRuns, 1) << "redo writes the edit again without the form";

  EXPECT_FALSE(Run(std::make_unique<CEditShipToCommand>(*doc, [](CShipToAddress&) { return false; })));
  EXPECT_EQ(Xml(), edited);
}

TEST_F(CustomerCommands, JobNewOrEditedEmptiesTheHistory) {
  SomeUndoableStep();
  std::vector<bool> asNew;
  JobEditor dialog = [&](CJobRecord& job, bool isNew) {
    asNew.push_back(isNew);
    job.SetField(0, CBstr(u"Kitchen"));
    return true;
  };
  ASSERT_TRUE(Run(std::make_unique<CEditJobCommand>(*doc, dialog)));
  EXPECT_NE(Xml().find(u"Kitchen"), std::u16string::npos);
  EXPECT_FALSE(history.CanUndo());
  ASSERT_TRUE(Run(std::make_unique<CEditJobCommand>(*doc, dialog)));
  EXPECT_EQ(asNew, (std::vector<bool>{true, false}));
  EXPECT_FALSE(Run(std::make_unique<CEditJobCommand>(*doc, [](CJobRecord&, bool) { return false; })));
}

TEST_F(CustomerCommands, LogoTurnsTheLogoPlaceOnAndEmptiesTheHistory) {
  m_settings->SetFlag(kDocInvoice, kRowShowLogo, 0);
  SomeUndoableStep();
  ASSERT_TRUE(Run(std::make_unique<CChangeLogoCommand>(*doc, u"harbor.bmp", 64, 32)));
  CBstr path;
  int width = 0;
  int height = 0;
  doc->GetLogo(path, width, height);
  EXPECT_EQ(path.str(), u"harbor.bmp");
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 32);
  EXPECT_EQ(doc->GetTypeFlag(kRowShowLogo), 1);
  EXPECT_FALSE(history.CanUndo());
}

TEST_F(CustomerCommands, StyleChangeUndoesAndKeepsTheDefaultOnlyWhenItWroteIt) {
  CPreferences().SetDword(u"InvoiceStyle", 4);
  const int before = doc->GetStyle();
  ASSERT_TRUE(Run(std::make_unique<CChangeStyleCommand>(*doc, 1, true)));
  EXPECT_EQ(doc->GetStyle(), 1);
  EXPECT_EQ(CPreferences().GetDword(u"InvoiceStyle", 0), 1u);
  ASSERT_TRUE(Run(std::make_unique<CChangeStyleCommand>(*doc, 2, false)));
  EXPECT_EQ(CPreferences().GetDword(u"InvoiceStyle", 0), 1u) << "not saved as the default";
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(doc->GetStyle(), 1);
  EXPECT_EQ(CPreferences().GetDword(u"InvoiceStyle", 0), 1u);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(doc->GetStyle(), before);
  EXPECT_EQ(CPreferences().GetDword(u"InvoiceStyle", 0), static_cast<DWORD>(before)) << "the default given back";
  EXPECT_EQ(history.GetRedoName()->view(), u"change style");
}

TEST_F(CustomerCommands, CustomizeRebuildsAndTellsTheMainWindow) {
  HWND notify = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SomeUndoableStep();
  screens.answer = 0;
  EXPECT_FALSE(Run(std::make_unique<CCustomizeCommand>(*doc, nullptr, notify, 3, *m_settings)));
  EXPECT_EQ(screens.customizedAt, 3);
  EXPECT_TRUE(history.CanUndo());
  screens.answer = 1;
  ASSERT_TRUE(Run(std::make_unique<CCustomizeCommand>(*doc, nullptr, notify, 0, *m_settings)));
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, notify, kMsgDocumentTypeNamesChanged, kMsgDocumentTypeNamesChanged, PM_REMOVE));
  EXPECT_FALSE(history.CanUndo());
  DestroyWindow(notify);
}

}  // namespace
