// Whole-document operations.
//   DocumentOperations.New*       a new document of every type: skeleton, number, file,
//                                 dates, captions, a loaded page stylesheet
//   DocumentOperations.Save*      save and reopen, a number taken meanwhile, a failed save
//                                 that keeps the document new and modified
//   DocumentOperations.SaveAs* / Memorize*  copies under another name and templates
//   DocumentOperations.Open*      templates, old files, files without a number, bad files
//   DocumentOperations.Convert* / Void* / Sign*
#include <sys/stat.h>

#include <fstream>
#include <tuple>

#include <gtest/gtest.h>


#include "SalesDocumentFixture.h"
#include "StylesheetTestSupport.h"
#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/CompanyInfo.h"
#include "datastore/CustomerRecord.h"
#include "document/DocumentHeader.h"
#include "document/DocumentStylesheet.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

namespace {

using sales_test::ScriptedAnswers;
using slateway::testing::ParsePage;
using slateway::testing::ReadBytes;

class DocumentOperations : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    InstallServices();
    MakeOwner();
    m_documents = MakeFolders();
  }

  std::unique_ptr<CSalesDocument> New(int type) {
    auto doc = Make();
    doc->InitNew(4, type);
    return doc;
  }
  static std::u16string Attribute(CSalesDocument& doc, std::u16string_view name) {
    CBstr value;
    doc.GetXmlDocument().GetRootAttribute(name, &value);
    return value.str();
  }
  static std::u16string FileAttribute(const std::filesystem::path& file, const char* name) {
    CXmlDocument xml(nullptr);
    EXPECT_EQ(xml.GetDataDocument()->loadBytes(ReadBytes(file)), S_OK);
    CBstr value;
    xml.GetRootAttribute(platform::ToUtf16(name), &value);
    return value.str();
  }
  static bool PageHasLinks(CSalesDocument& doc) {
    CBstr html;
    if (doc.GetXmlDocument().Transform(&html) != S_OK) return false;
    return !ParsePage(html.str()).links.empty();
  }
  std::vector<std::u16string> BoxTexts() {
    std::vector<std::u16string> texts;
    for (const auto& box : platform::MessageBoxLog()) texts.push_back(box.text);
    return texts;
  }
  std::u16string DocumentPath(std::u16string_view prefix, std::u16string_view number) {
    return m_documents + std::u16string(prefix) + std::u16string(number) + u".QVN";
  }

  std::u16string m_documents;
};

TEST_F(DocumentOperations, NewDocumentOfEveryType) {
  struct Row {
    int type;
    const char16_t* word;
    const char16_t* number;
    UINT prefix;
  } rows[] = {{0, u"INVOICE", u"100", IDS_DOCTYPE_INVOICE},      {1, u"ESTIMATE", u"1", IDS_DOCTYPE_ESTIMATE},
              {2, u"SALESRECEIPT", u"100", IDS_DOCTYPE_SALES_RECEIPT}, {3, u"PAYMENT", u"100", IDS_DOCTYPE_PAYMENT},
              {4, u"SALESORDER", u"100", IDS_DOCTYPE_SALES_ORDER}, {5, u"CREDITMEMO", u"100", IDS_DOCTYPE_CREDIT_MEMO}};
  m_settings->SetCaption(2, 33, u"Deliver by:");
  for (const Row& r : rows) {
    SCOPED_TRACE(r.type);
    auto doc = New(r.type);
    EXPECT_EQ(doc->GetDocType(), r.type);
    EXPECT_EQ(Attribute(*doc, u"DOCTYPE"), r.word);
    EXPECT_EQ(Attribute(*doc, u"VERSION"), u"4");
    EXPECT_EQ(Attribute(*doc, u"STYLE"), u"4");
    EXPECT_EQ(Attribute(*doc, u"ID"), r.number);
    EXPECT_EQ(doc->GetFilePath().str(), DocumentPath(LoadResText(r.prefix), r.number));
    EXPECT_FALSE(Attribute(*doc, u"DATE").empty());
    EXPECT_EQ(Attribute(*doc, u"DATE"), Attribute(*doc, u"DUEDATE"));
    EXPECT_EQ(Attribute(*doc, u"OTHER2FIELDNAME"), m_settings->GetCaption(r.type, 33));
    EXPECT_EQ(Attribute(*doc, u"SHOWMSG"), m_settings->GetFlag(r.type, 40) ? u"YES" : u"NO");
    CBstr job;
    EXPECT_TRUE(doc->GetJob()->GetField(4) && !std::u16string_view(doc->GetJob()->GetField(4)).empty());
    EXPECT_TRUE(doc->IsNewDocument());
    EXPECT_TRUE(doc->IsNumberFromCounter());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(PageHasLinks(*doc));
    EXPECT_EQ(doc->GetXmlDocument().CountElements(u"COMPANY"), 1);
  }
  EXPECT_EQ(Attribute(*New(2), u"OTHER2FIELDNAME"), u"Deliver by:");
}

TEST_F(DocumentOperations, NewDocumentTakesTheLastChoicesOfTheUser) {
  {
    // The choices made on the last documents, which a new one takes.
    CPreferences preferences;
    preferences.SetString(u"LastTaxName", u"County");
    preferences.SetString(u"LastTaxRate", u"7.5%");
    preferences.SetString(u"LastShipVia", u"UPS");
    preferences.SetString(u"LastEstMsg", u"");
    preferences.SetString(u"LastMsg", u"Thanks!");
    preferences.SetString(u"LastREP", u"PO");
  }
  m_settings->SetFlag(1, 26, 0);
  m_settings->SetFlag(1, 27, 0);
  auto doc = New(1);
  EXPECT_EQ(Attribute(*doc, u"TAXNAME"), u"County");
  EXPECT_EQ(Attribute(*doc, u"TAXRATE"), u"7.5%");
  EXPECT_EQ(Attribute(*doc, u"SHIPVIA"), u"UPS");
  EXPECT_EQ(Attribute(*doc, u"CUSTOMERMSG"), u"Thanks!");  // an estimate falls back to the invoice message
  EXPECT_EQ(Attribute(*doc, u"REP"), u"");                // the rep is not shown on estimates here
  CPreferences preferences;
  preferences.SetDword(u"UseSalesTax", 0);  // Use Sales Tax: No on Options' Other page
  auto untaxed = New(0);
  EXPECT_EQ(Attribute(*untaxed, u"TAXRATE"), u"0.00%");
  // Logo sides from an imported file are kept within a picture's.
  preferences.SetString(u"LastLogo", u"\\My Documents\\logo.bmp");
  preferences.SetString(u"LogoWidth", u"99999999999");
  preferences.SetString(u"LogoHeight", u"-5");
  auto logo = New(0);
  EXPECT_EQ(Attribute(*logo, u"LOGOWIDTH"), u"16384");
  EXPECT_EQ(Attribute(*logo, u"LOGOHEIGHT"), u"0");
}

TEST_F(DocumentOperations, SaveAndReopenKeepTheDocument) {
  auto doc = New(0);
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"2", u"5.00", u"Tax"), true, false, 1));
  ASSERT_TRUE(doc->Save());
  EXPECT_FALSE(doc->IsNewDocument());
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(messages, (std::vector<std::pair<UINT, WPARAM>>{{1140, 0}}));
  EXPECT_EQ(Attribute(*doc, u"FILENAME"), doc->GetFileName().str());
  CPreferences preferences;
  std::u16string last;
  EXPECT_TRUE(preferences.GetString(u"LastInvNumber", last));
  EXPECT_EQ(last, u"100");
  ASSERT_TRUE(doc->Save());
  EXPECT_EQ(messages.back(), (std::pair<UINT, WPARAM>{1142, 0}));

  auto back = Make();
  ASSERT_TRUE(back->Open(doc->GetFilePath().str()));
  EXPECT_EQ(back->GetDocType(), 0);
  EXPECT_EQ(back->GetVersion(), 4);
  EXPECT_EQ(Attribute(*back, u"ID"), u"100");
  EXPECT_EQ(back->GetFilePath().str(), doc->GetFilePath().str());
  EXPECT_EQ(back->GetXmlDocument().CountElements(u"LINEITEM"), 1);
  // The stored figures are the opened document's totals before any recalculation.
  EXPECT_EQ(back->GetTotalText().str(), u"$10.00");
  EXPECT_EQ(back->GetSubtotalText().str(), doc->GetSubtotalText().str());
  EXPECT_EQ(back->GetCachedTotal(), 10.0);
  EXPECT_FALSE(back->IsModified());
  EXPECT_FALSE(back->IsNewDocument());
  EXPECT_TRUE(PageHasLinks(*back));
  // Opened into the object that showed another document, new lines still go at the end.
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"1", u"1.00"), true, false, 1));
  ASSERT_TRUE(doc->SelectLineItem(CBstr(u"1")));
  lists.terms[u"Net 30"] = 30;
  doc->SetTerms(CBstr(u"Net 30"));
  ASSERT_TRUE(doc->Open(back->GetFilePath().str()));
  EXPECT_EQ(doc->GetCurrentLineItem(), nullptr);
  EXPECT_EQ(doc->GetTermDays(), 0) << "the stored document has no terms";
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"1", u"2.00"), false, false, 1));
  EXPECT_EQ(LineAt(*doc, 1).price.str(), u"2.00");
  // The next new invoice follows.
  EXPECT_EQ(Attribute(*New(0), u"ID"), u"101");
}

TEST_F(DocumentOperations, NewDocumentInAReusedObjectKeepsNothingOfTheOldOne) {
  lists.terms[u"Net 30"] = 30;
  auto doc = New(0);
  doc->SetTerms(CBstr(u"Net 30"));
  doc->SetTax(CBstr(u"City Sales Tax"), CBstr(u"2.50%"), CBstr(u""), true);
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"1", u"5.00"), true, false, 1));
  ASSERT_TRUE(doc->SelectLineItem(CBstr(u"1")));
  doc->InitNew(4, kDocPayment);  // payments take no terms: due today
  EXPECT_EQ(doc->GetTermDays(), 0);
  EXPECT_EQ(Attribute(*doc, u"DUEDATE"), Attribute(*doc, u"DATE"));
  EXPECT_EQ(doc->GetCurrentLineItem(), nullptr);
  EXPECT_TRUE(doc->GetCurrentLineKey().IsNull());
  EXPECT_EQ(doc->GetTotalText().str(), u"") << "no totals of the document shown before";
  doc->InitNew(4, kDocInvoice);
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"1", u"100.00", u"Tax"), true, false, 1));
  EXPECT_EQ(Attribute(*doc, u"TAXRATE"), u"");
  EXPECT_EQ(doc->GetTaxText().str(), u"$0.00") << "no tax of the document shown before";
}

// Prices that include tax are stored so: the document opens in the state it was saved in,
// shows the same figures and switches back to the prices it had.
TEST_F(DocumentOperations, SaveAndReopenKeepTheFiguresWhicheverWayPricesStand) {
  auto doc = New(0);
  doc->SetTax(CBstr(u"County"), CBstr(u"10%"), CBstr(u""), true);
  for (auto [quantity, price, code] : {std::tuple{u"3", u"3.27", u"Tax"}, std::tuple{u"2.25", u"29.69", u"Tax"},
                                       std::tuple{u"0.5", u"7.50", u"Non"}})
    ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", quantity, price, code), true, false, 1));
  for (bool includesTax : {true, false}) {
    SCOPED_TRACE(includesTax);
    doc->SetBoolAttribute(u"AMTINCTAX", includesTax);
    doc->RecalcTotals(includesTax ? CSalesDocument::PriceSwitch::NowIncludeTax
                                  : CSalesDocument::PriceSwitch::NowExcludeTax);
    ASSERT_TRUE(doc->Save());
    auto back = Make();
    ASSERT_TRUE(back->Open(doc->GetFilePath().str()));
    back->RecalcTotals();
    EXPECT_EQ(LineAt(*back, 1).price.str(), includesTax ? u"32.66" : u"29.69");
    EXPECT_EQ(LineAt(*back, 1).total.str(), includesTax ? u"73.49T" : u"66.80T");
    EXPECT_EQ(back->GetTotalText().str(), includesTax ? u"$88.04" : u"$88.02");
    EXPECT_EQ(back->GetTaxText().str(), u"$7.66");
    if (!includesTax) continue;
    back->SetBoolAttribute(u"AMTINCTAX", false);
    back->RecalcTotals(CSalesDocument::PriceSwitch::NowExcludeTax);
    EXPECT_EQ(LineAt(*back, 1).price.str(), u"29.69");
  }
}

TEST_F(DocumentOperations, SavingANumberTakenMeanwhileAsksAndRenumbers) {
  auto first = New(0);
  auto second = New(0);  // the counter moves only on save: both drew 100
  ASSERT_EQ(Attribute(*second, u"ID"), u"100");
  ASSERT_TRUE(first->Save());
  platform::ClearMessageBoxLog();

  ScriptedAnswers cancel({IDCANCEL});
  EXPECT_FALSE(second->Save());
  EXPECT_TRUE(second->IsNewDocument());
  EXPECT_EQ(Attribute(*second, u"ID"), u"100");
  EXPECT_EQ(FileAttribute(Linux(first->GetFilePath().str()), "ID"), u"100");

  ScriptedAnswers ok({IDOK});
  ASSERT_TRUE(second->Save());
  EXPECT_EQ(Attribute(*second, u"ID"), u"101");
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{LoadResText(IDS_NUMBER_TAKEN_RENUMBER),
                                                     LoadResText(IDS_NUMBER_TAKEN_RENUMBER),
                                                     u"The new number is 101"}));
  EXPECT_EQ(second->GetFilePath().str(), DocumentPath(LoadResText(IDS_DOCTYPE_INVOICE), u"101"));
  EXPECT_EQ(messages.back(), (std::pair<UINT, WPARAM>{1140, 0}));  // a new file, not an overwrite
  EXPECT_EQ(FileAttribute(Linux(first->GetFilePath().str()), "ID"), u"100");
}

// Answers OK to every box; at "The new number is 101" another program writes that very
// number's file, in its own letter case, before the save goes on.
struct FileAppearsAtTheNewNumber : platform::MessageBoxHandler {
  explicit FileAppearsAtTheNewNumber(std::filesystem::path file) : file(std::move(file)) {}
  ~FileAppearsAtTheNewNumber() override { platform::SetMessageBoxHandler(previous); }
  int OnMessageBox(const platform::MessageBoxRecord& box) override {
    texts.push_back(box.text);
    if (box.text == u"The new number is 101") std::ofstream(file) << "written in between";
    return IDOK;
  }
  std::filesystem::path file;
  std::vector<std::u16string> texts;
  platform::MessageBoxHandler* previous = platform::SetMessageBoxHandler(this);
};

TEST_F(DocumentOperations, SaveNeverReplacesAFileThatAppearedBehindItsBack) {
  auto doc = New(0);
  ASSERT_EQ(Attribute(*doc, u"ID"), u"100");
  const std::filesystem::path folder = Linux(m_documents);
  std::ofstream(folder / "INVOICE100.qvn") << "another program's file";
  {
    FileAppearsAtTheNewNumber boxes(folder / "invoice101.QVN");
    ASSERT_TRUE(doc->Save());
    EXPECT_EQ(boxes.texts, (std::vector<std::u16string>{LoadResText(IDS_NUMBER_TAKEN_RENUMBER), u"The new number is 101",
                                                        LoadResText(IDS_NUMBER_TAKEN_RENUMBER),
                                                        u"The new number is 102"}));
  }
  EXPECT_EQ(Attribute(*doc, u"ID"), u"102");
  EXPECT_EQ(ReadBytes(folder / "INVOICE100.qvn"), "another program's file");
  EXPECT_EQ(ReadBytes(folder / "invoice101.QVN"), "written in between");
  EXPECT_EQ(FileAttribute(Linux(doc->GetFilePath().str()), "ID"), u"102");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 3) << "no second spelling, no temporary";
}

TEST_F(DocumentOperations, FailedSaveLeavesTheDocumentNewAndModified) {
  auto doc = New(0);
  doc->SetFilePath(u"\\Missing\\Folder\\Inv100.QVN");
  doc->SetModified(true);
  EXPECT_FALSE(doc->Save());
  EXPECT_TRUE(doc->IsNewDocument());
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(messages.empty());
  ASSERT_EQ(BoxTexts().size(), 1u);
  EXPECT_NE(BoxTexts()[0].find(u"\\Missing\\Folder\\Inv100.QVN"), std::u16string::npos);
  CPreferences preferences;
  DWORD reset = 0;
  std::u16string last = u"none";
  preferences.GetString(u"LastInvNumber", last);
  EXPECT_NE(last, u"100");  // the counter did not move
  (void)reset;
}

TEST_F(DocumentOperations, ZeroQuantityLinesGoOnSaveUnlessKept) {
  auto doc = New(0);
  doc->AddLineItem(*Line(u"Service", u"0", u"5"), true, false, 0);
  doc->AddLineItem(*Line(u"QVNLABEL", u"0", u""), true, false, 0);
  doc->AddLineItem(*Line(u"Service", u"1", u"5"), true, false, 1);
  doc->SetBoolAttribute(u"REMOVEZEROQTY", true);
  ASSERT_TRUE(doc->Save(true));
  EXPECT_EQ(doc->GetXmlDocument().CountElements(u"LINEITEM"), 3);
  ASSERT_TRUE(doc->SelectLineItem(CBstr(u"3")));
  ASSERT_TRUE(doc->Save());
  EXPECT_EQ(doc->GetXmlDocument().CountElements(u"LINEITEM"), 2);
  EXPECT_EQ(LineAt(*doc, 0).type.str(), u"QVNLABEL");
  // The current line stays current when it is not one of those removed; a removed one
  // is no current line any more.
  ASSERT_NE(doc->GetCurrentLineItem(), nullptr);
  EXPECT_EQ(doc->GetCurrentLineItem()->FieldView(kLineFieldKey), u"3");
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"0", u"5"), true, false, 1));
  ASSERT_TRUE(doc->SelectLineItem(CBstr(u"4")));
  ASSERT_TRUE(doc->Save());
  EXPECT_TRUE(doc->GetCurrentLineKey().IsNull());
  EXPECT_EQ(doc->GetCurrentLineItem(), nullptr);
}

// Save As writes the one file the user named: a new document leaves no file under its
// own name, a saved one keeps its file as it was, and a file of the chosen name is replaced
// without renumbering.
TEST_F(DocumentOperations, SaveAsWritesOnlyTheChosenFile) {
  auto doc = New(0);
  const std::u16string own = doc->GetFilePath().str();
  ASSERT_TRUE(doc->SaveAs(m_documents + u"Copy.QVN", 0));
  EXPECT_EQ(doc->GetFilePath().str(), m_documents + u"Copy.QVN");
  EXPECT_FALSE(std::filesystem::exists(Linux(own)));
  EXPECT_FALSE(doc->IsModified());

  ASSERT_TRUE(doc->Save());
  const std::string saved = ReadText(m_documents + u"Copy.QVN");
  doc->SetAttribute(u"MEMO", CBstr(u"changed"));
  WriteText(m_documents + u"Other.QVN", "old");
  ASSERT_TRUE(doc->SaveAs(m_documents + u"Other.QVN", 0));
  EXPECT_EQ(ReadText(m_documents + u"Copy.QVN"), saved);
  EXPECT_NE(ReadText(m_documents + u"Other.QVN").find("changed"), std::string::npos);
  EXPECT_EQ(doc->GetFilePath().str(), m_documents + u"Other.QVN");

  // A copy that cannot be written is reported, not taken for success, and the document
  // keeps its file.
  doc->SetAttribute(u"MEMO", CBstr(u"again"));
  ScriptedAnswers answers({IDOK});
  EXPECT_FALSE(doc->SaveAs(u"\\Missing\\Copy.QVN", 0));
  EXPECT_EQ(doc->GetFilePath().str(), m_documents + u"Other.QVN");
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentOperations, MemorizingWritesOneTemplateAndLeavesTheDocument) {
  auto doc = New(1);
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"0", u"5"), true, false, 1));
  doc->SetBoolAttribute(u"REMOVEZEROQTY", true);
  ASSERT_TRUE(doc->Save(true));
  const std::u16string own = doc->GetFilePath().str();
  CBstr memorized;
  GetMemorizedFolder(memorized);
  std::filesystem::create_directories(Linux(memorized.str()));
  const std::u16string templatePath = memorized.str() + u"Weekly.QVN";
  const size_t before = std::distance(std::filesystem::directory_iterator(Linux(memorized.str())), {});
  ASSERT_TRUE(doc->SaveAs(templatePath, 6));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Linux(memorized.str())), {}), static_cast<long>(before + 1));
  EXPECT_EQ(doc->GetDocType(), 1);
  EXPECT_EQ(doc->GetFilePath().str(), own);
  EXPECT_EQ(Attribute(*doc, u"DOCTYPE"), u"ESTIMATE");
  EXPECT_EQ(FileAttribute(Linux(own), "DOCTYPE"), u"ESTIMATE");
  EXPECT_EQ(FileAttribute(Linux(templatePath), "DOCTYPE"), u"MEMORIZED");
  EXPECT_EQ(FileAttribute(Linux(templatePath), "ORIGINAL_DOCTYPE"), u"ESTIMATE");
  EXPECT_EQ(doc->GetXmlDocument().CountElements(u"LINEITEM"), 1);  // zero quantities kept

  // The template opens as a new estimate with the next number, dated today, unsigned.
  ASSERT_TRUE(doc->SetSignature(u"0a0a1414", {.stamp = true, .quiet = true}));
  ASSERT_TRUE(doc->SaveAs(templatePath, 6));
  auto opened = Make();
  ASSERT_TRUE(opened->Open(templatePath));
  EXPECT_EQ(opened->GetDocType(), 1);
  EXPECT_EQ(Attribute(*opened, u"DOCTYPE"), u"ESTIMATE");
  EXPECT_EQ(Attribute(*opened, u"ID"), u"2");
  EXPECT_EQ(opened->GetFilePath().str(), DocumentPath(LoadResText(IDS_DOCTYPE_ESTIMATE), u"2"));
  CBstr today;
  GetTodayDateText(today);
  EXPECT_EQ(Attribute(*opened, u"DATE"), today.str());
  EXPECT_EQ(opened->GetSignature().str(), u"");
  EXPECT_EQ(opened->GetSignatureFlag(), 0);
  EXPECT_TRUE(opened->IsModified());
  // Failing to write the template stops the memorizing.
  EXPECT_FALSE(doc->SaveAs(u"\\Missing\\T.QVN", 6));
  EXPECT_EQ(Attribute(*doc, u"DOCTYPE"), u"ESTIMATE");
  EXPECT_EQ(doc->GetFilePath().str(), own);
}

TEST_F(DocumentOperations, OldFileWithTheEstimateFlagOpensAsAnEstimate) {
  const std::u16string path = m_documents + u"Old.QVN";
  std::ofstream(Linux(path)) << "<?xml version=\"1.0\"?><INVOICE ID=\"7\" ESTIMATE=\"YES\" DATE=\"1/2/2020\">"
                                "<CUSTOMER/><JOB/><TOTALS><TOTAL>12.50</TOTAL></TOTALS></INVOICE>";
  auto doc = Make();
  ASSERT_TRUE(doc->Open(path));
  EXPECT_EQ(doc->GetDocType(), 1);
  EXPECT_EQ(Attribute(*doc, u"DOCTYPE"), u"ESTIMATE");
  EXPECT_EQ(doc->GetVersion(), 2);
  EXPECT_DOUBLE_EQ(doc->GetCachedTotal(), 12.5);
  CBstr file;
  doc->GetXmlDocument().ReadSignatureFile(&file);
  EXPECT_EQ(file.str(), u"KTWSignatureLine.bmp");
}

TEST_F(DocumentOperations, FileWithoutNumberIsReplacedOnlyOnceSaved) {
  const std::u16string path = m_documents + u"NoNumber.QVN";
  const std::string text =
      "<?xml version=\"1.0\"?><D VERSION=\"4\" DOCTYPE=\"INVOICE\" DATE=\"1/2/2026\"><CUSTOMER/><JOB/><TOTALS/></D>";
  std::ofstream(Linux(path)) << text;
  {
    auto doc = Make();
    ASSERT_TRUE(doc->Open(path));
    EXPECT_EQ(Attribute(*doc, u"ID"), u"100");
    DispatchPosted();
    EXPECT_EQ(messages, (std::vector<std::pair<UINT, WPARAM>>{{1139, 1}}));
    EXPECT_TRUE(doc->IsNewDocument());
    // Not saved: the file it came from is still there, also after a new document in
    // the same object drew the same number and was saved.
    doc->InitNew(4, kDocInvoice);
    ASSERT_EQ(Attribute(*doc, u"ID"), u"100");
    ASSERT_TRUE(doc->Save());
    std::filesystem::remove(Linux(doc->GetFilePath().str()));
    CPreferences().SetString(u"LastInvNumber", u"99");  // the number drawn given back: 100 is free again
  }
  EXPECT_TRUE(std::filesystem::exists(Linux(path)));
  auto doc = Make();
  ASSERT_TRUE(doc->Open(path));
  // Memorizing writes the template first, then saves the document itself: only that
  // second save replaces the file without a number.
  CBstr memorized;
  GetMemorizedFolder(memorized);
  std::filesystem::create_directories(Linux(memorized.str()));
  ASSERT_TRUE(doc->SaveAs(memorized.str() + u"T.QVN", 6));
  EXPECT_FALSE(std::filesystem::exists(Linux(path)));
  EXPECT_TRUE(std::filesystem::exists(Linux(memorized.str() + u"T.QVN")));
  EXPECT_EQ(FileAttribute(Linux(doc->GetFilePath().str()), "ID"), u"100");
}

TEST_F(DocumentOperations, FileThatDoesNotLoadIsOfferedToTheDeletedFolder) {
  const std::u16string path = m_documents + u"Broken.QVN";
  std::ofstream(Linux(path)) << "not a document";
  ScriptedAnswers no({IDNO});
  auto doc = Make();
  EXPECT_FALSE(doc->Open(path));
  ASSERT_EQ(BoxTexts().size(), 1u);
  EXPECT_EQ(BoxTexts()[0], u"Failed to load '" + path + u"'.  Would you like to move the document to the deleted folder?");
  EXPECT_TRUE(std::filesystem::exists(Linux(path)));
  CBstr deleted;
  GetDeletedFolder(deleted);  // made by the move
  ScriptedAnswers yes({IDYES});
  EXPECT_FALSE(doc->Open(path));
  EXPECT_FALSE(std::filesystem::exists(Linux(path)));
  EXPECT_EQ(ReadBytes(Linux(deleted.str() + u"\\Broken.QVN")), "not a document");
}

TEST_F(DocumentOperations, ASaveDoesNotWriteOverWhatAnotherProgramSavedMeanwhile) {
  auto first = New(0);
  ASSERT_TRUE(first->AddLineItem(*Line(u"Service", u"1", u"5.00"), true, false, 1));
  ASSERT_TRUE(first->Save());
  const std::u16string path = first->GetFilePath().str();
  auto other = Make();  // the same file open in another program
  ASSERT_TRUE(other->Open(path));
  other->GetXmlDocument().SetRootAttribute(u"PAID", CBstr(u"YES"));
  ASSERT_TRUE(other->Save());
  platform::ClearMessageBoxLog();

  first->GetXmlDocument().SetRootAttribute(u"VOID", CBstr(u"YES"));
  first->SetModified(true);
  EXPECT_FALSE(first->Save());
  EXPECT_TRUE(first->IsModified()) << "the changes stay in the open document";
  ASSERT_EQ(BoxTexts().size(), 1u);
  EXPECT_NE(BoxTexts()[0].find(path + u" was changed after you opened it"), std::u16string::npos);
  EXPECT_EQ(FileAttribute(Linux(path), "PAID"), u"YES");
  EXPECT_EQ(FileAttribute(Linux(path), "VOID"), u"");
  // The program's own saves follow one another freely.
  EXPECT_TRUE(other->Save());
  EXPECT_TRUE(other->Save());
}

TEST_F(DocumentOperations, AFileThatIsNoOrdinaryFileIsNamedWithWhatIsWrongAndNeverWaitedOn) {
  const std::u16string fifo = m_documents + u"Invoice600.QVN";
  ASSERT_EQ(::mkfifo(Linux(fifo).c_str(), 0600), 0);
  const std::u16string folder = m_documents + u"Folder.QVN";
  std::filesystem::create_directory(Linux(folder));
  const std::u16string zero = m_documents + u"Zero.QVN";
  std::filesystem::create_symlink("/dev/zero", Linux(zero));
  const std::u16string empty = m_documents + u"Empty.QVN";
  std::ofstream(Linux(empty)).close();
  // A file where the deleted folder belongs: the empty file, the only one offered, cannot go.
  CBstr deleted;
  GetDeletedFolder(deleted);
  std::u16string blocker = deleted.str();
  if (blocker.ends_with(u'\\')) blocker.pop_back();
  std::ofstream(Linux(blocker)) << "not a folder";
  const std::pair<std::u16string, std::u16string> kCases[] = {
      {fifo, u" is not an ordinary file (a pipe, a device or a link to one) and cannot be a document."},
      {zero, u" is not an ordinary file (a pipe, a device or a link to one) and cannot be a document."},
      {folder, u" is a folder, not a document."},
      {empty, u" is empty.  Would you like to move the document to the deleted folder?"}};
  auto doc = Make();
  for (const auto& [path, reason] : kCases) {
    platform::ClearMessageBoxLog();
    ScriptedAnswers yes({IDYES, IDOK});
    EXPECT_FALSE(doc->Open(path));  // a pipe without a writer would hang here
    std::vector<std::u16string> expected{u"The file '" + path + u"'" + reason};
    if (path == empty) expected.push_back(u"The file " + path + u" could not be moved to the deleted folder. It stays where it is.");
    EXPECT_EQ(BoxTexts(), expected);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(Linux(path))));
  }
}

TEST_F(DocumentOperations, FileLargerThanADocumentIsRefusedUnreadWithItsReason) {
  // A well-formed invoice whose lines take `bytes`.
  const auto invoice = [](size_t bytes) {
    std::string lines;
    for (int key = 1; lines.size() < bytes; ++key)
      lines += "<LINEITEM ID=\"" + std::to_string(key) + "\"><TYPE>Service</TYPE><QUANTITY>1</QUANTITY></LINEITEM>";
    std::string text = sales_test::kNewDocument;
    return text.insert(text.find("</SALESDOCUMENT>"), lines);
  };
  const std::u16string path = m_documents + u"Huge.QVN";
  std::ofstream(Linux(path)) << invoice(8u * 1024 * 1024);
  ScriptedAnswers no({IDNO});
  platform::SetMessageBoxHandler(&no);
  auto doc = Make();
  EXPECT_FALSE(doc->Open(path));
  ASSERT_EQ(BoxTexts().size(), 1u);
  EXPECT_EQ(BoxTexts()[0], u"Failed to load '" + path +
                               u"'.  The file is larger than 8 MB, more than a document can hold."
                               u"  Would you like to move the document to the deleted folder?");
  EXPECT_EQ(doc->GetXmlDocument().CountElements(u"LINEITEM"), 0);
  std::ofstream(Linux(path), std::ios::trunc) << invoice(8u * 1024 * 1024 - 4096);
  EXPECT_TRUE(doc->Open(path)) << "just under the limit";
}

TEST_F(DocumentOperations, EstimatesAndSalesOrdersConvertIntoNewInvoices) {
  for (int type : {kDocEstimate, kDocSalesOrder}) {
    SCOPED_TRACE(type);
    auto doc = New(type);
    ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"1", u"5"), true, false, 1));
    ASSERT_TRUE(doc->Save());
    const std::u16string source = doc->GetFilePath().str();
    const std::u16string word = Attribute(*doc, u"DOCTYPE");
    ASSERT_TRUE(doc->ConvertToInvoice());
    EXPECT_EQ(doc->GetDocType(), kDocInvoice);
    EXPECT_EQ(Attribute(*doc, u"DOCTYPE"), u"INVOICE");
    EXPECT_TRUE(doc->IsNewDocument());
    EXPECT_TRUE(doc->IsModified());
    const std::u16string number = Attribute(*doc, u"ID");
    EXPECT_EQ(doc->GetFilePath().str(), DocumentPath(LoadResText(IDS_DOCTYPE_INVOICE), number));
    ASSERT_TRUE(doc->Save());
    // The estimate or order is still its own file.
    EXPECT_EQ(FileAttribute(Linux(source), "DOCTYPE"), word);
    EXPECT_EQ(FileAttribute(Linux(doc->GetFilePath().str()), "DOCTYPE"), u"INVOICE");
  }
}

TEST_F(DocumentOperations, VoidZeroesInvoicesAndSalesReceiptsOnly) {
  for (int type : {kDocInvoice, kDocSalesReceipt, kDocPayment}) {
    SCOPED_TRACE(type);
    platform::ClearMessageBoxLog();
    auto doc = New(type);
    ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"2", u"5.00"), true, false, 1));
    doc->SetModified(false);
    EXPECT_TRUE(doc->Void());
    if (type == kDocPayment) {
      EXPECT_TRUE(BoxTexts().empty());
      EXPECT_EQ(Attribute(*doc, u"VOID"), u"");
      EXPECT_FALSE(doc->IsModified());
      continue;
    }
    EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{LoadResText(IDS_CONFIRM_VOID)}));
    EXPECT_EQ(Attribute(*doc, u"VOID"), u"YES");
    EXPECT_EQ(ParseNumberText(LineAt(*doc, 0).price.view()), 0.0);
    EXPECT_EQ(ParseNumberText(doc->GetTotalText().view()), 0.0);
    EXPECT_TRUE(doc->IsModified());
  }
  ScriptedAnswers no({IDNO});
  auto kept = New(kDocInvoice);
  ASSERT_TRUE(kept->AddLineItem(*Line(u"Service", u"2", u"5.00"), true, false, 1));
  EXPECT_TRUE(kept->Void());
  EXPECT_EQ(Attribute(*kept, u"VOID"), u"");
  EXPECT_NE(ParseNumberText(kept->GetTotalText().view()), 0.0);
}

TEST_F(DocumentOperations, SigningDrawsTheSignatureAndShowsItsPart) {
  auto doc = New(kDocSalesReceipt);
  ASSERT_EQ(m_settings->GetFlag(2, 42), 0);  // sales receipts hide the signature by default
  doc->SetModified(false);
  ASSERT_TRUE(doc->SetSignature(u"0a0a14141e1e2828", {.rebuild = true, .stamp = true}));
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(doc->GetSignatureFlag(), 1);
  EXPECT_EQ(doc->GetSignature().str(), u"0a0a14141e1e2828");
  CBstr file;
  doc->GetXmlDocument().ReadSignatureFile(&file);
  EXPECT_EQ(file.str(), u"KTWSignature.bmp");
  CBstr picture(u"KTWSignature.bmp");
  GetImageFilePath(picture);
  EXPECT_EQ(ReadBytes(Linux(picture.str())).substr(0, 2), "BM");
  EXPECT_EQ(Attribute(*doc, u"SIGNED").rfind(u"(signed ", 0), 0u);
  EXPECT_EQ(m_settings->GetFlag(2, 42), 1);
  EXPECT_EQ(m_settings->GetFlag(2, 43), 1);
  CBstr html;
  ASSERT_EQ(doc->GetXmlDocument().Transform(&html), S_OK);
  EXPECT_EQ(ParsePage(html.str()).links.count("S"), 1u);

  ASSERT_TRUE(doc->SetSignature(u"", {.rebuild = true, .stamp = true}));
  EXPECT_EQ(doc->GetSignatureFlag(), 0);
  EXPECT_EQ(Attribute(*doc, u"SIGNED"), u"");
  doc->GetXmlDocument().ReadSignatureFile(&file);
  EXPECT_EQ(file.str(), u"KTWSignatureLine.bmp");
}

TEST_F(DocumentOperations, SigningUnderReadOnlyOptionSavesAndReportsTheSave) {
  CPreferences preferences;
  preferences.SetRoSigned(true);  // signed documents read-only, as the desktop's update chose
  auto doc = New(kDocInvoice);
  ASSERT_TRUE(doc->SetSignature(u"0a0a1414", {.rebuild = true, .stamp = true}));
  EXPECT_FALSE(doc->IsModified());
  EXPECT_TRUE(std::filesystem::exists(Linux(doc->GetFilePath().str())));
  doc->SetFilePath(u"\\Missing\\Inv.QVN");
  EXPECT_FALSE(doc->SetSignature(u"0a0a1515", {.rebuild = true, .stamp = true}));
  preferences.SetRoSigned(false);
}

TEST_F(DocumentOperations, SkeletonOfEveryTypeLoads) {
  for (int type = 0; type <= 7; ++type) {
    CXmlDocument xml(nullptr);
    ASSERT_TRUE(xml.LoadXmlText(CSalesDocument::BuildSkeleton(type))) << type;
    CBstr word;
    xml.GetRootAttribute(u"DOCTYPE", &word);
    EXPECT_EQ(word.str(), type >= 1 && type <= 5 ? std::u16string(DocumentTypeWord(type)) : u"INVOICE");
  }
}

TEST_F(DocumentOperations, CustomerBringsAddressTermsRepTaxAndPriceLevel) {
  lists.terms[u"Net 15"] = 15;
  lists.reps[u"PO"] = u"Pat Owner";
  lists.salesTaxes[u"County"] = u"5%";
  lists.levels[u"Wholesale"] = -0.1;
  auto doc = New(kDocInvoice);
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"1", u"100", u"Tax"), true, false, 1));
  CTableCustomer customer;
  customer.SetField(kCustName, u"Lee & Co");
  customer.SetField(kCustCompanyName, u"Lee & Co");
  customer.SetField(kCustBillToAddr1, u"2 Side Rd");
  customer.SetField(kCustShipToAddr1, u"9 Dock St");
  customer.SetField(kCustShipToCity, u"Portland");
  customer.SetField(kCustTerms, u"Net 15");
  customer.SetField(kCustSalesRep, u"PO");
  customer.SetField(kCustSalesTaxCode, u"Tax");
  customer.SetField(kCustItemSalesTax, u"County");
  customer.SetField(kCustPriceLevel, u"Wholesale");
  doc->SetCustomer(customer);
  EXPECT_EQ(Attribute(*doc, u"TERMS"), u"Net 15");
  EXPECT_EQ(Attribute(*doc, u"REP"), u"PO");
  EXPECT_EQ(Attribute(*doc, u"REP_FULLNAME"), u"Pat Owner");
  EXPECT_DOUBLE_EQ(doc->GetPriceLevelFactor(), -0.1);
  EXPECT_EQ(LineAt(*doc, 0).taxable.str(), u"Tax");
  CShipToTexts shipTo;
  ASSERT_TRUE(doc->GetXmlDocument().ReadShipTo(&shipTo));
  EXPECT_EQ(shipTo.address1.str(), u"9 Dock St");
  EXPECT_EQ(shipTo.city.str(), u"Portland");
  CBstr name;
  ASSERT_TRUE(doc->GetXmlDocument().GetCustomerCompanyName(&name));
  EXPECT_EQ(name.str(), u"Lee & Co");
  // The lines keep the prices of the old level: the user is told.
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{LoadResText(IDS_PRICE_LEVEL_CHANGED)}));
  EXPECT_TRUE(doc->IsModified());
  // The page shows the new customer.
  CBstr html;
  ASSERT_EQ(doc->GetXmlDocument().Transform(&html), S_OK);
  EXPECT_NE(ParsePage(html.str()).text.find("2 Side Rd"), std::string::npos);
  // A new document in the same object has no customer and so no level yet: the same
  // customer chosen again after a line was added warns again.
  doc->InitNew(4, kDocInvoice);
  ASSERT_TRUE(doc->AddLineItem(*Line(u"Service", u"1", u"100", u"Tax"), true, false, 1));
  platform::ClearMessageBoxLog();
  doc->SetCustomer(customer);
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{LoadResText(IDS_PRICE_LEVEL_CHANGED)}));
}

TEST_F(DocumentOperations, CompanyIsWrittenAndShown) {
  auto doc = New(kDocInvoice);
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  company.SetName(u"Vendel <Tools> & Co");
  company.SetAddress1(u"1 Main St");
  company.SetShowLogo(u"YES");
  doc->SetCompany(company);
  EXPECT_EQ(doc->GetCompany()->GetName(), u"Vendel <Tools> & Co");
  CBstr html;
  ASSERT_EQ(doc->GetXmlDocument().Transform(&html), S_OK);
  auto page = ParsePage(html.str());
  EXPECT_NE(page.text.find("Vendel <Tools> & Co"), std::string::npos);
  auto reopened = Make();
  ASSERT_TRUE(doc->Save());
  ASSERT_TRUE(reopened->Open(doc->GetFilePath().str()));
  EXPECT_EQ(reopened->GetCompany()->GetName(), u"Vendel <Tools> & Co");
  EXPECT_EQ(reopened->GetCompany()->GetAddress1(), u"1 Main St");
}

}  // namespace

TEST_F(DocumentOperations, EntitiesAreReadAsTextAndTheSavedFileOpensAgain) {
  std::ofstream(Linux(u"\\secret.txt")) << "TOPSECRET";
  const std::u16string path = m_documents + u"Entities.QVN";
  std::ofstream(Linux(path)) << "<?xml version=\"1.0\"?><!DOCTYPE D [<!ENTITY co \"Hallett &amp; Sons\"><!ENTITY x "
                                "SYSTEM \"" << Linux(u"\\secret.txt").string() << "\">]><D ID=\"7\" VERSION=\"4\" "
                                "DOCTYPE=\"INVOICE\"><CUSTOMER><FULLNAME>&co;</FULLNAME></CUSTOMER><LINEITEM ID=\"1\">"
                                "<NAME>Rake&x;</NAME><DESCRIPTION>For &co;</DESCRIPTION></LINEITEM></D>";
  platform::testing::MessageBoxScript noBoxes;
  for (int start = 0; start < 2; ++start) {  // as read, and at the next start after a save
    auto doc = Make();
    ASSERT_TRUE(doc->Open(path));
    EXPECT_EQ(LineAt(*doc, 0).name.str(), u"Rake") << "the outside file is not read";
    EXPECT_EQ(LineAt(*doc, 0).description.str(), u"For Hallett & Sons");
    doc->SetModified(true);
    ASSERT_TRUE(doc->Save());
    EXPECT_EQ(ReadBytes(Linux(path)).find("&co;"), std::string::npos);
  }
}
