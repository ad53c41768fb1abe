// Edit commands on a real sales document, checked against the document's XML text.
//   DocumentCommands.HeaderFields*  every header-field command: Do changes, Undo gives the
//                                   exact XML back (also across a save), redo the exact
//                                   changed one; an unchanged value still enters the history
//   DocumentCommands.Lines*         add, label, cut, delete, paste, edit, copy; places,
//                                   keys, price levels applied once, stock
//   DocumentCommands.Refused*       a refused command changes nothing and stays out
//   DocumentCommands.Invoice*       a whole invoice made through commands, ten steps back
//                                   and forth
//   CustomerCommands.*              customer, companies, ship-to, style: what lands, what
//                                   the history keeps, cancels change nothing
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "../document/SalesDocumentFixture.h"
#include "HistoryWindow.h"
#include "core/Preferences.h"
#include "core/WaitCursor.h"
#include "editor/HeaderFieldCommands.h"
#include "core/CompanyInfo.h"
#include "datastore/CustomerSource.h"
#include "document/ShipToAddress.h"
#include "ScriptedCustomerScreens.h"
#include "editor/CustomerCommands.h"
#include "editor/DocumentView.h"
#include "editor/SelectCustomerCommand.h"
#include "platform/testing/MessageBoxScript.h"
#include "editor/LineItemCommands.h"
#include "platform/user/MessageBox.h"

namespace {

using sales_test::ScriptedAnswers;

class DocumentCommands : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    lists.terms[u"Net 30"] = 30;
    lists.levels[u"Gold"] = -0.1;
    InstallServices();
    MakeOwner();
    MakeFolders();
    doc = Make();
    doc->InitNew(4, kDocInvoice);
  }
  void TearDown() override {
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
  // A line through the add command (recalculated, at the end unless a current line).
  CBstr AddLine(std::u16string_view name, std::u16string_view quantity, std::u16string_view price,
                std::u16string_view level = u"") {
    auto record = Line(u"Service", quantity, price, u"Tax");
    record->SetField(kLineFieldName, name);
    record->SetField(kLineFieldPriceLevel, level);
    CDbRecord* line = record.get();
    EXPECT_TRUE(Run(std::make_unique<CAddLineItemCommand>(*doc, nullptr, nullptr, std::move(record),
                                                          CAddLineItemCommand::Placing{.render = true, .recalc = 1})));
    return CBstr(line->FieldView(kLineFieldKey));
  }
  std::u16string Names() {
    std::u16string names;
    for (LONG i = 0; i < doc->GetXmlDocument().CountElements(u"LINEITEM"); ++i) names += LineAt(*doc, i).name.str() + u";";
    return names;
  }

  CCommandProcessor history{kDocumentHistoryDepth};
  std::unique_ptr<CSalesDocument> doc;
};

using CommandMaker = std::function<std::unique_ptr<CEditCommand>(CSalesDocument&, CCustomSettings&)>;
struct HeaderCase {
  const char* label;
  CommandMaker make;
  const char16_t* name;
};

// A command of type C over the document with the texts given.
template <class C, class... Texts>
CommandMaker Build(Texts... texts) {
  return [=](CSalesDocument& d, CCustomSettings&) { return std::make_unique<C>(d, CBstr(texts)...); };
}

TEST_F(DocumentCommands, HeaderFieldsUndoAndRedoExactly) {
  AddLine(u"Labour", u"2", u"50.00");
  const HeaderCase cases[] = {
      {"account", Build<CChangeAccountCommand>(u"Sales"), u"Change Account"},
      {"card", Build<CChangeCardNumberCommand>(u"4111"), u"Change Credit Card Number"},
      {"check", Build<CChangeCheckNumberCommand>(u"778"), u"Change Check Number"},
      {"other2",
       [](auto& d, auto&) { return std::make_unique<CChangeCustomFieldCommand>(d, CBstr(u"x"), HeaderField::Other2); },
       u"Change Custom Field"},
      {"payment", Build<CChangePaymentMethodCommand>(u"Cash"), u"Change Payment Method"},
      {"po", Build<CChangePONumberCommand>(u"PO-9"), u"Change PONumber"},
      {"shipvia", Build<CChangeShipViaCommand>(u"UPS"), u"Change Shipping Method"},
      {"amount", Build<CChangePaymentAmountCommand>(u"12.00"), u"Change Payment"},
      {"shipdate", Build<CChangeShipDateCommand>(u"3/20/2026"), u"Change Ship Date"},
      {"terms", Build<CChangeTermsCommand>(u"Net 30"), u"Change Terms"},
      {"date", Build<CChangeDateCommand>(u"4/2/2026"), u"Change Date"},
      {"duedate", Build<CChangeDueDateCommand>(u"5/1/2026"), u"Change Due Date"},
      {"expiry", Build<CChangeCardExpiryCommand>(u"7/1/2028"), u"Change Card Expiry"},
      {"rep", Build<CChangeRepCommand>(u"JS", u"Jo Smith"), u"Change REP"},
      {"tax", Build<CChangeTaxCommand>(u"County", u"8.5%", u"Tax Office"), u"Change Tax"},
      {"message",
       [](auto& d, auto& s) {
         return std::make_unique<CSelectMessageCommand>(d, CBstr(u"Thanks!"), CBstr(u"{M1}"), true, s);
       },
       u"Select Message"},
      {"notes", [](auto& d, auto& s) { return std::make_unique<CEditNotesCommand>(d, CBstr(u"Gate code 12"), s); },
       u"Edit Notes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::u16string before = Xml();
    ASSERT_TRUE(Run(c.make(*doc, *m_settings)));
    EXPECT_EQ(history.GetUndoName()->str(), c.name);
    const std::u16string after = Xml();
    EXPECT_NE(after, before);
    ASSERT_TRUE(doc->Save());
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Xml(), before);
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(Xml(), after);
  }
}

TEST_F(DocumentCommands, HeaderFieldWithTheSameValueChangesNothingButEntersTheHistory) {
  Run(std::make_unique<CChangeAccountCommand>(*doc, CBstr(u"Sales")));
  const std::u16string before = Xml();
  ASSERT_TRUE(Run(std::make_unique<CChangeAccountCommand>(*doc, CBstr(u"Sales"))));
  EXPECT_EQ(history.GetUndoCount(), 2u);
  EXPECT_EQ(Xml(), before);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Xml(), before);
}

TEST_F(DocumentCommands, HeaderFieldsShowThemselvesThroughThePage) {
  sales_test::PageLog log;
  ViewInto(&log);
  CSalesDocument shown(nullptr, nullptr, 4, true, m_settings.get());
  shown.InitNew(4, kDocInvoice);
  const int renders = log.renders;
  history.Submit(std::make_unique<CChangeRepCommand>(shown, CBstr(u"JS"), CBstr(u"Jo Smith")));
  history.ExecutePending();
  EXPECT_EQ(log.Last(u"AJIDREP"), u"JS");
  EXPECT_EQ(log.renders, renders) << "the rep cell is updated in place";
  history.Undo();
  EXPECT_EQ(log.renders, renders + 1);
  history.Clear();
}

TEST_F(DocumentCommands, SelectMessageShowsItsRowAndUndoKeepsTheRowOn) {
  m_settings->SetFlag(kDocInvoice, 40, 0);
  Run(std::make_unique<CSelectMessageCommand>(*doc, CBstr(u"Typed"), CBstr(u""), true, *m_settings));
  EXPECT_EQ(m_settings->GetFlag(kDocInvoice, 40), 1);
  // Two typed messages have no list ids; the second is still taken back.
  Run(std::make_unique<CSelectMessageCommand>(*doc, CBstr(u"Other"), CBstr(u""), true, *m_settings));
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(doc->GetAttribute(u"CUSTOMERMSG").str(), u"Typed");
  EXPECT_EQ(m_settings->GetFlag(kDocInvoice, 40), 1);
}

TEST_F(DocumentCommands, NotesOnAHiddenRowShowItAndSaveTheSettings) {
  m_settings->SetFlag(kDocInvoice, 49, 0);
  m_settings->SetFlag(kDocInvoice, 50, 0);
  Run(std::make_unique<CEditNotesCommand>(*doc, CBstr(u"Ring twice"), *m_settings));
  EXPECT_EQ(m_settings->GetFlag(kDocInvoice, 49), 1);
  CCustomSettings stored;
  stored.Load();
  EXPECT_EQ(stored.GetFlag(kDocInvoice, 49), 1);
}

TEST_F(DocumentCommands, ChangeNumberMovesTheFileAndEmptiesTheHistory) {
  ScriptedAnswers answers({IDNO, IDNO});
  ASSERT_TRUE(doc->Save());
  const std::u16string oldPath = doc->GetFilePath().str();
  Run(std::make_unique<CChangeAccountCommand>(*doc, CBstr(u"Sales")));
  EXPECT_FALSE(Run(std::make_unique<CChangeNumberCommand>(*doc, doc->GetNumber(), CBstr(oldPath), kDocInvoice)))
      << "the same number changes nothing";
  EXPECT_TRUE(history.CanUndo());

  ASSERT_TRUE(Run(std::make_unique<CChangeNumberCommand>(*doc, CBstr(u"7000"), CBstr(oldPath), kDocInvoice)));
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(doc->GetNumber().str(), u"7000");
  EXPECT_FALSE(std::filesystem::exists(Linux(oldPath)));
  EXPECT_TRUE(std::filesystem::exists(Linux(doc->GetFilePath().view())));

  // The number of another file is taken only after a Yes.
  Run(std::make_unique<CChangeAccountCommand>(*doc, CBstr(u"Other")));
  auto other = Make();
  other->InitNew(4, kDocInvoice);
  ASSERT_TRUE(other->Save());
  EXPECT_FALSE(Run(std::make_unique<CChangeNumberCommand>(*doc, other->GetNumber(), doc->GetFilePath(), kDocInvoice)));
  EXPECT_EQ(doc->GetNumber().str(), u"7000");
  EXPECT_TRUE(history.CanUndo()) << "a No leaves the history as it was";
}

TEST_F(DocumentCommands, RefusedCommandsChangeNothingAndStayOut) {
  AddLine(u"Labour", u"1", u"10.00");
  const std::u16string before = Xml();
  EXPECT_FALSE(Run(std::make_unique<CChangeDateCommand>(*doc, CBstr(u"13/45/2026"))));
  EXPECT_FALSE(Run(std::make_unique<CDeleteLineItemCommand>(*doc, CBstr(u"999"))));
  EXPECT_FALSE(Run(std::make_unique<CEditLineItemCommand>(*doc, nullptr, nullptr, CBstr(u"1,Q"),
                                                          [](CDbRecord&, WCHAR) { return false; })));
  EXPECT_FALSE(Run(std::make_unique<CAddLabelCommand>(*doc, [](CBstr&) { return false; })));
  EXPECT_FALSE(Run(std::make_unique<CPasteLineItemCommand>(*doc))) << "nothing was copied";
  auto unloaded = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, false, m_settings.get());
  EXPECT_FALSE(Run(
      std::make_unique<CAddLineItemCommand>(*unloaded, nullptr, nullptr, Line(u"Service", u"1", u"1"),
                                            CAddLineItemCommand::Placing{.render = true, .atEnd = true, .recalc = 1})))
      << "a line the document refuses leaves no step behind";
  EXPECT_EQ(Xml(), before);
  EXPECT_EQ(history.GetUndoCount(), 1u);
}

TEST_F(DocumentCommands, LinesCutPutsBackBeforeItsFollowerAndPasteTakesAFreeKey) {
  AddLine(u"A", u"1", u"1.00");
  CBstr b = AddLine(u"B", u"1", u"2.00");
  AddLine(u"C", u"1", u"3.00");
  const std::u16string before = Xml();
  ASSERT_TRUE(Run(std::make_unique<CCutLineItemCommand>(*doc, b)));
  EXPECT_EQ(Names(), u"A;C;");
  const std::u16string cut = Xml();
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Xml(), before);
  ASSERT_TRUE(history.Redo());
  EXPECT_EQ(Xml(), cut);

  ASSERT_TRUE(Run(std::make_unique<CPasteLineItemCommand>(*doc)));
  ASSERT_TRUE(Run(std::make_unique<CPasteLineItemCommand>(*doc)));
  EXPECT_EQ(Names(), u"A;C;B;B;");
  EXPECT_NE(LineAt(*doc, 2).key.str(), LineAt(*doc, 3).key.str()) << "the second paste gets a free key";
  // A redone paste inserts what it pasted, whatever was copied since.
  history.Undo();
  doc->SelectLineItem(LineAt(*doc, 0).key);
  doc->SetCurrentLineKey(CBstr());
  history.Redo();
  EXPECT_EQ(Names(), u"A;C;B;B;");

  // Copy never touches the history.
  const unsigned steps = history.GetUndoCount();
  Run(std::make_unique<CCopyLineItemCommand>(*doc, b));
  EXPECT_EQ(history.GetUndoCount(), steps);
  EXPECT_EQ(doc->GetCurrentLineItem()->FieldView(kLineFieldName), u"B");
}

TEST_F(DocumentCommands, LinesDeleteEditAndLabelUndoExactly) {
  AddLine(u"A", u"1", u"1.00");
  CBstr b = AddLine(u"B", u"2", u"2.00");
  struct Step {
    const char* label;
    std::function<std::unique_ptr<CEditCommand>()> make;
  };
  const Step steps[] = {
      {"edit",
       [&] {
         return std::make_unique<CEditLineItemCommand>(*doc, nullptr, nullptr, CBstr(b.str() + u",Q"),
                                                       [](CDbRecord& line, WCHAR column) {
                                                         EXPECT_EQ(column, u'Q');
                                                         line.SetField(kLineFieldQuantity, u"5");
                                                         return true;
                                                       });
       }},
      {"label", [&] {
         return std::make_unique<CAddLabelCommand>(*doc, [](CBstr& label) {
           label = CBstr(u"Parts");
           return true;
         });
       }},
      {"relabel", [&] {
         return std::make_unique<CEditLineItemCommand>(*doc, nullptr, nullptr, CBstr(u"3"), u'N',
                                                       [](CDbRecord& line, WCHAR) {
                                                         line.SetField(kLineFieldName, u"Spares");
                                                         return true;
                                                       });
       }},
      {"delete", [&] { return std::make_unique<CDeleteLineItemCommand>(*doc, b); }}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.label);
    const std::u16string before = Xml();
    ASSERT_TRUE(Run(step.make()));
    const std::u16string after = Xml();
    EXPECT_NE(after, before);
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Xml(), before);
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(Xml(), after);
  }
  EXPECT_EQ(Names(), u"A;Spares;");
  EXPECT_EQ(LineAt(*doc, 1).description.str(), u"Spares") << "a label shows its name as description";
}

TEST_F(DocumentCommands, LinesKeepTheirPriceLevelOnceThroughUndoAndRedo) {
  CBstr key = AddLine(u"Gold item", u"1", u"100.00", u"Gold");
  EXPECT_EQ(LineAt(*doc, 0).price.str(), u"90.00");
  history.Undo();
  history.Redo();
  Run(std::make_unique<CDeleteLineItemCommand>(*doc, key));
  history.Undo();
  EXPECT_EQ(LineAt(*doc, 0).price.str(), u"90.00");
}

TEST_F(DocumentCommands, LinesOfInventoryPartsMoveTheStockBothWays) {
  sales_test::StoreLists& store = UseStoreLists();
  CPreferences().SetDword(u"TrackInventory", 1);  // Track Inventory: Yes on Options' Other page
  auto item = CDbRecord::CDbRecordOfType(1, 0);
  item->SetField(kFieldListType, u"Inventory Part");
  item->SetField(kFieldName, u"Bolt");
  item->SetField(kFieldFullName, u"Bolt");
  item->SetQuantity(kQuantityOnHand, 10);
  item->SetQuantity(kReorderPoint, 5);
  ASSERT_EQ(store.store.AddItem(nullptr, *item, CItemStore::OnDuplicate::Insert), 1);
  auto stock = [&] {
    return store.store.GetItemByListID(item->FieldView(kFieldListID), u"Inventory Part")->GetQuantity(kQuantityOnHand);
  };
  auto line = Line(u"Inventory Part", u"3", u"1.00");
  line->SetField(kFieldListID, item->FieldView(kFieldListID));
  line->SetField(kLineFieldName, u"Bolt");
  CDbRecord* added = line.get();
  ScriptedAnswers answers({});
  ASSERT_TRUE(Run(
      std::make_unique<CAddLineItemCommand>(*doc, nullptr, &store.store, std::move(line),
                                            CAddLineItemCommand::Placing{.render = true, .atEnd = true, .recalc = 1})));
  EXPECT_EQ(stock(), 7);
  history.Undo();
  EXPECT_EQ(stock(), 10);
  history.Redo();
  EXPECT_EQ(stock(), 7);
  ASSERT_TRUE(Run(std::make_unique<CEditLineItemCommand>(*doc, nullptr, &store.store,
                                                         CBstr(added->FieldView(kLineFieldKey)), u'Q',
                                                         [](CDbRecord& l, WCHAR) {
                                                           l.SetField(kLineFieldQuantity, u"5");
                                                           return true;
                                                         })));
  EXPECT_EQ(stock(), 5);
  EXPECT_EQ(platform::MessageBoxLog().size(), 1u) << "stock at the reorder point is reported";
  history.Undo();
  EXPECT_EQ(stock(), 7);
}

TEST_F(DocumentCommands, AddItemPutsItsLinesInAsOneStep) {
  AddLine(u"Before", u"1", u"1.00");
  const std::u16string before = Xml();
  std::vector<std::unique_ptr<CDbRecord>> items;
  for (const char16_t* name : {u"X", u"Y", u"Z"}) {
    auto item = Line(u"Service", u"1", u"4.00");
    item->SetField(kLineFieldName, name);
    item->SetField(kLineFieldKey, u"");
    items.push_back(std::move(item));
  }
  ASSERT_TRUE(Run(std::make_unique<CAddItemCommand>(*doc, std::move(items), true)));
  EXPECT_EQ(Names(), u"Before;X;Y;Z;");
  const std::u16string after = Xml();
  history.Undo();
  EXPECT_EQ(Xml(), before);
  history.Redo();
  EXPECT_EQ(Xml(), after);

  CDbRecord grouped;
  grouped.SetField(kFieldParent, u"Own");
  grouped.SetField(kFieldFullName, u"Tools:Hand:Hammer");
  CAddItemCommand::SetLineCategory(grouped, u"Group", true);
  EXPECT_EQ(grouped.FieldView(kFieldParent), u"Hand");
  EXPECT_EQ(grouped.FieldView(kFieldFallbackParent), u"Own");
  CAddItemCommand::SetLineCategory(grouped, u"Tools:Hand", false);
  EXPECT_EQ(grouped.FieldView(kFieldParent), u"Tools:Hand");
}

TEST_F(DocumentCommands, AddItemsTakesAdjustmentsWithoutTheFormAndAsksForOthers) {
  editor_test::HistoryWindow window(history);
  int formRuns = 0;
  auto form = [&](std::vector<std::unique_ptr<CDbRecord>>& items, const CBstr&) { formRuns += int(items.size()); };
  auto items = [](std::initializer_list<const char16_t*> types) {
    std::vector<std::unique_ptr<CDbRecord>> list;
    for (const char16_t* type : types) list.push_back(Line(type, u"1", u"5%"));
    return list;
  };
  AddLine(u"Base", u"1", u"100.00");
  CAddItemsCommand adjustments(*doc, nullptr, items({u"Discount", u"Subtotal"}), window, true, false, form);
  EXPECT_TRUE(adjustments.Do(false));
  EXPECT_EQ(Names(), u"Base;Discount line;Subtotal line;");
  EXPECT_EQ(history.GetUndoName()->str(), u"Add Line Item");
  CAddItemsCommand mixed(*doc, nullptr, items({u"Discount", u"Service"}), window, true, false, form);
  EXPECT_TRUE(mixed.Do(false));
  EXPECT_EQ(formRuns, 2);
}

// The whole invoice through commands; its last ten edits go back to the exact earlier
// text and forward again to the exact later one.
TEST_F(DocumentCommands, InvoiceMadeThroughCommandsStepsTenBackAndForth) {
  Run(std::make_unique<CChangeTermsCommand>(*doc, CBstr(u"Net 30")));
  CBstr first = AddLine(u"Survey", u"1", u"80.00");
  const std::u16string earlier = Xml();
  Run(std::make_unique<CChangeDateCommand>(*doc, CBstr(u"3/12/2026")));
  CBstr second = AddLine(u"Cable", u"20", u"1.25", u"Gold");
  AddLine(u"Socket", u"4", u"3.10");
  Run(std::make_unique<CChangeTaxCommand>(*doc, CBstr(u"County"), CBstr(u"7%"), CBstr(u"")));
  doc->SetCurrentLineKey(second);
  Run(std::make_unique<CAddLabelCommand>(*doc, [](CBstr& label) {
    label = CBstr(u"Materials");
    return true;
  }));
  Run(std::make_unique<CCutLineItemCommand>(*doc, first));
  doc->SetCurrentLineKey(CBstr());
  Run(std::make_unique<CPasteLineItemCommand>(*doc));
  Run(std::make_unique<CChangePONumberCommand>(*doc, CBstr(u"PO-1")));
  Run(std::make_unique<CEditLineItemCommand>(*doc, nullptr, nullptr, second, u'P', [](CDbRecord& line, WCHAR) {
    line.SetField(kLineFieldPrice, u"1.50");
    return true;
  }));
  Run(std::make_unique<CEditNotesCommand>(*doc, CBstr(u"Leave at the back"), *m_settings));
  ASSERT_TRUE(doc->Save());
  const std::u16string later = Xml();
  EXPECT_EQ(Names(), u"Materials;Cable;Socket;Survey;");

  for (int i = 0; i < 10; ++i) ASSERT_TRUE(history.Undo()) << i;
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(Xml(), earlier);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(history.Redo()) << i;
  EXPECT_EQ(Xml(), later);
  EXPECT_EQ(GetWaitCursorCount(), 0) << "every command ends the wait cursor it began";
}

// ---- Customer, companies, ship-to and style ----

// The block commands with the customer screens set as the program sets them.
class CustomerCommands : public DocumentCommands {
 protected:
  void SetUp() override {
    DocumentCommands::SetUp();
    SetDocumentCustomerScreens(&screens);
  }
  void TearDown() override {
    SetDocumentCustomerScreens(nullptr);
    DocumentCommands::TearDown();
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

  editor_test::ScriptedCustomerScreens screens;
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

TEST_F(CustomerCommands, UndoLeavesNoEmptyElementTheCustomerBlockDidNotHave) {
  // A customer block written by an older version: a name and nothing else.
  std::string text = sales_test::kNewDocument;
  text.replace(text.find("<CUSTOMER></CUSTOMER>"), 21, "<CUSTOMER><NAME>Walk-in</NAME></CUSTOMER>");
  const std::u16string path = MakeFolders() + u"\\OLD.QVN";
  WriteText(path, text);
  doc = Make();
  ASSERT_TRUE(doc->Open(path));
  const std::vector<std::u16string> before = doc->GetXmlDocument().BlockChildNames(u"CUSTOMER");
  ASSERT_TRUE(Run(std::make_unique<CSelectCustomerCommand>(*doc, Customer(u"Acme", u"Net 30"))));
  EXPECT_NE(Xml().find(u"<FULLNAME>Acme</FULLNAME>"), std::u16string::npos) << platform::ToUtf8(Xml());
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(doc->GetXmlDocument().BlockChildNames(u"CUSTOMER"), before)
      << platform::ToUtf8(Xml());
  EXPECT_NE(Xml().find(u"<NAME>Walk-in</NAME>"), std::u16string::npos);
}

TEST_F(CustomerCommands, WithContactsUndoGivesTheWholeCustomerBlockBack) {
  CPreferences().SetUseOutlook(true);  // contacts mode, which imported settings bring: what this is about
  doc = Make();
  doc->InitNew(4, kDocInvoice);
  CContactCustomer contact;
  contact.SetField(kCustListID, u"41");
  contact.SetField(kCustName, u"Ann Lee");
  contact.SetField(kCustFullName, u"Lee, Ann");
  contact.SetField(kCustBillToAddr1, u"9 Pier Road");
  doc->SetCustomer(contact);
  const std::u16string before = Xml();
  ASSERT_TRUE(Run(std::make_unique<CSelectCustomerCommand>(*doc, Customer(u"Birch", u""))));
  ASSERT_TRUE(history.Undo());
  CPreferences().SetUseOutlook(false);
  EXPECT_EQ(Xml(), before) << "the address a contact copy would drop is back";
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
  ASSERT_EQ(screens.opened.size(), 1u);
  EXPECT_EQ(screens.opened[0].notes, u"pays late") << "a field the document does not carry comes from the stored row";
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
    EXPECT_EQ(PeekMessageW(&msg, notify, kMsgChooseCustomer, kMsgChooseCustomer, PM_REMOVE),
              answer == IDYES ? TRUE : FALSE);
  }
  EXPECT_TRUE(screens.opened.empty());
  DestroyWindow(notify);
}

TEST_F(CustomerCommands, WithTwoCompaniesTheDefaultOneGoesInAndBothAreStored) {
  SomeUndoableStep();
  CompanyChooser choose = [&](CCompanyInfo& first, CCompanyInfo& second, int page) {
    EXPECT_EQ(page, 1) << "opened at the page used last";
    first.SetName(u"First Co");
    second.SetName(u"Second Co");
    CPreferences().SetDword(u"DEFAULT_COMPANY", 1);  // the second page made the default, as the dialog stores it
    return true;
  };
  CPreferences().SetDword(u"LastCompanyPage", 1);  // the company dialog was left on its second page
  ASSERT_TRUE(Run(std::make_unique<CEditCompanyCommand>(
      *doc, std::make_unique<CCompanyInfo>(nullptr, CCompanyInfo::kFirstCompany), true, choose, nullptr)));
  EXPECT_NE(Xml().find(u"Second Co"), std::u16string::npos);
  EXPECT_FALSE(history.CanUndo());
  CCompanyInfo first(nullptr, CCompanyInfo::kFirstCompany), second(nullptr, CCompanyInfo::kCompanyB);
  first.Load();
  second.Load();
  EXPECT_EQ(first.GetName(), u"First Co");
  EXPECT_EQ(second.GetName(), u"Second Co");
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

TEST_F(CustomerCommands, StyleChangeUndoesAndKeepsTheDefaultOnlyWhenItWroteIt) {
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

}  // namespace
