// CCompanyInfo and COwnerInfo.
//
//   OwnerRecord.*   the 768-byte record: fixed offsets, fields without terminators, short
//                   and long records, the process-wide cache
//   CompanyInfo.*   seeding from the owner, the first load, saving and loading both
//                   companies, the user name that never comes back, failed writes

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/CompanyInfo.h"
#include "core/Preferences.h"
#include "InstalledDeviceFixture.h"

namespace {

struct Owner {
  std::u16string name, company, address, phone, email;
};

class OwnerTest : public slateway::testing::InstalledDeviceTest {
 protected:
  void SetUp() override {
    InstalledDeviceTest::SetUp();
    COwnerInfo::ForgetCache();
  }
  void TearDown() override {
    COwnerInfo::ForgetCache();
    InstalledDeviceTest::TearDown();
  }

  // A record with each text at its field's offset; a text as wide as its field has no
  // terminator.
  static std::vector<BYTE> Record(const Owner& o, size_t size = COwnerInfo::kRecordBytes) {
    std::vector<BYTE> record(size, 0);
    auto put = [&](COwnerInfo::Field field, const std::u16string& text) {
      for (size_t i = 0; i < text.size() && 2 * i + 1 < field.width; ++i) {
        if (field.offset + 2 * i + 1 >= record.size()) break;
        record[field.offset + 2 * i] = static_cast<BYTE>(text[i] & 0xFF);
        record[field.offset + 2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
      }
    };
    put(COwnerInfo::kName, o.name);
    put(COwnerInfo::kCompany, o.company);
    put(COwnerInfo::kAddress, o.address);
    put(COwnerInfo::kPhone, o.phone);
    put(COwnerInfo::kEMail, o.email);
    return record;
  }

  static void StoreRecord(const std::vector<BYTE>& record) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kOwnerKeyPath, 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, kOwnerValueName, 0, REG_BINARY, record.data(),
                             static_cast<DWORD>(record.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  static void DeleteRecord() {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kOwnerKeyPath, 0, 0, &key), ERROR_SUCCESS);
    RegDeleteValueW(key, kOwnerValueName);
    RegCloseKey(key);
  }

  static Owner Cached() {
    Owner o;
    COwnerInfo(false).GetOwnerInfo(o.name, o.company, o.address, o.phone, o.email);
    return o;
  }

  // The Preferences key's text values by name.
  static std::map<std::u16string, std::u16string> Texts() {
    std::map<std::u16string, std::u16string> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPreferencesKeyPath, 0, 0, &key) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; ++i) {
      WCHAR name[256];
      WCHAR data[512] = {};
      DWORD cch = 256, type = 0, size = sizeof data;
      if (RegEnumValueW(key, i, name, &cch, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        break;
      if (type == REG_SZ) out[std::u16string(name, cch)] = data;
    }
    RegCloseKey(key);
    return out;
  }
};

bool operator==(const Owner& a, const Owner& b) {
  return a.name == b.name && a.company == b.company && a.address == b.address && a.phone == b.phone &&
         a.email == b.email;
}
std::ostream& operator<<(std::ostream& out, const Owner& o) {
  for (const auto* t : {&o.name, &o.company, &o.address, &o.phone, &o.email})
    out << '[' << platform::ToUtf8(*t) << ']';
  return out;
}

const Owner kAda{u"Ada Field", u"Field Supplies", u"12 Harbour Road", u"555-0100", u"ada@example.com"};

// ---- OwnerRecord --------------------------------------------------------------------------------

using OwnerRecord = OwnerTest;

TEST_F(OwnerRecord, FieldsAreReadAtTheirOffsets) {
  StoreRecord(Record(kAda));
  EXPECT_EQ(Cached(), kAda);
}

TEST_F(OwnerRecord, FieldsWithoutTerminatorStopAtTheNextField) {
  // Each text fills its field exactly (width / 2 characters, no null).
  const Owner full{std::u16string(36, u'N'), std::u16string(36, u'C'), std::u16string(186, u'A'),
                   std::u16string(25, u'P'), std::u16string(101, u'E')};
  StoreRecord(Record(full));
  EXPECT_EQ(Cached(), full) << "the e-mail ends at byte 768, the others at the next field";
}

TEST_F(OwnerRecord, ShortRecordsLeaveTheMissingFieldsEmpty) {
  const std::vector<BYTE> whole = Record(kAda);
  struct Case {
    size_t size;
    Owner expected;
  } cases[] = {
      {80, {kAda.name, u"Fiel", u"", u"", u""}},
      {144, {kAda.name, kAda.company, u"", u"", u""}},
      {2, {u"A", u"", u"", u"", u""}},
      {0, {}},
  };
  for (const Case& c : cases) {
    COwnerInfo::ForgetCache();
    StoreRecord(std::vector<BYTE>(whole.begin(), whole.begin() + c.size));
    EXPECT_EQ(Cached(), c.expected) << c.size << " bytes";
  }
}

TEST_F(OwnerRecord, AnUnreadableRecordKeepsTheCachedTexts) {
  DeleteRecord();  // a device whose owner settings were never written
  EXPECT_EQ(Cached(), Owner{}) << "no record, nothing cached";
  EXPECT_FALSE(COwnerInfo(true).ReadOwnerRecord());

  StoreRecord(Record(kAda));
  EXPECT_TRUE(COwnerInfo(true).ReadOwnerRecord());
  DeleteRecord();
  EXPECT_EQ(Cached(), kAda);
  EXPECT_FALSE(COwnerInfo(true).ReadOwnerRecord());
  EXPECT_EQ(Cached(), kAda) << "missing: the cache stays";

  StoreRecord(Record({u"Other", u"", u"", u"", u""}, COwnerInfo::kRecordBytes + 2));
  COwnerInfo reread(true);
  EXPECT_EQ(Cached(), kAda) << "a record longer than 768 bytes is not read at all";
}

TEST_F(OwnerRecord, TheCacheIsReadOncePerProcessUnlessReloaded) {
  StoreRecord(Record(kAda));
  EXPECT_EQ(Cached(), kAda);
  StoreRecord(Record({u"Bo", u"Bo's", u"", u"", u""}));
  EXPECT_EQ(Cached(), kAda) << "no reload asked";
  COwnerInfo reload(true);
  EXPECT_EQ(Cached().name, u"Bo");
}

// ---- CompanyInfo ---------------------------------------------------------------------------------

using CompanyInfo = OwnerTest;

TEST_F(CompanyInfo, AFreshRegistryShowsTheOwnersCompanyAndCreatesOnlyTheCompanyName) {
  StoreRecord(Record(kAda));
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  EXPECT_EQ(company.GetName(), kAda.company);
  EXPECT_EQ(company.GetAddress1(), kAda.address);
  EXPECT_EQ(company.GetAddress2(), u"");
  EXPECT_EQ(company.GetPhone(), kAda.phone);
  EXPECT_EQ(company.GetEMail(), kAda.email);
  EXPECT_EQ(company.GetUserName(), kAda.name);
  EXPECT_TRUE(company.IsLogoShown());
  const auto texts = Texts();
  EXPECT_EQ(texts.count(u"CompanyName"), 1u);
  EXPECT_EQ(texts.at(u"CompanyName"), kAda.company);
  for (const char16_t* other : {u"CompanyAddress1", u"CompanyPhone", u"CompanyEMail", u"ShowLogo"})
    EXPECT_EQ(texts.count(other), 0u) << platform::ToUtf8(other) << " is not created by the first load";
}

TEST_F(CompanyInfo, WithoutAnOwnerCompanyTheNameIsCompanyName) {
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  EXPECT_EQ(company.GetName(), u"Company Name");
  CCompanyInfo b(nullptr, CCompanyInfo::kCompanyB);
  EXPECT_EQ(b.GetName(), u"Company Name");
  EXPECT_EQ(Texts().count(u"Company_B_Name"), 1u);
}

TEST_F(CompanyInfo, LoadAnswersZeroOnlyWhenTheCompanyNameWasMissing) {
  StoreRecord(Record(kAda));
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  EXPECT_EQ(company.Load(), TRUE) << "the constructor's load wrote the name";
  EXPECT_EQ(Texts().count(u"CompanyAddress1"), 1u) << "a full load writes the other defaults back";
  CCompanyInfo other(nullptr, 7);
  EXPECT_EQ(other.Load(), FALSE);
}

struct CompanyCase {
  DWORD number;
  std::vector<std::u16string> names;  // written by Save, in any order
};

TEST_F(CompanyInfo, SaveWritesTheCompanysValuesAndLoadBringsThemBack) {
  const CompanyCase cases[] = {
      {CCompanyInfo::kFirstCompany,
       {u"CompanyName", u"CompanyAddress1", u"CompanyAddress2", u"CompanyAddress3", u"CompanyPhone",
        u"CompanyEMail", u"ShowLogo"}},
      {CCompanyInfo::kCompanyB,
       {u"Company_B_Name", u"Company_B_Address1", u"Company_B_Address2", u"Company_B_Address3",
        u"Company_B_UserName", u"Company_B_Phone", u"Company_B_EMail", u"Company_B_ShowLogo"}},
  };
  StoreRecord(Record(kAda));
  for (const CompanyCase& c : cases) {
    CCompanyInfo company(nullptr, c.number);
    company.SetName(u"Harbour & Sons");
    company.SetUserName(u"Cy Seller");
    company.SetAddress1(u"1 Quay");
    company.SetAddress2(u"Dock 4");
    company.SetAddress3(u"Port Town");
    company.SetPhone(u"555-0199");
    company.SetEMail(u"sales@harbour.example");
    company.SetShowLogo(u"NO");
    ASSERT_EQ(company.Save(), TRUE);
    const auto texts = Texts();
    for (const auto& name : c.names) EXPECT_EQ(texts.count(name), 1u) << platform::ToUtf8(name);

    Restart();
    CCompanyInfo again(nullptr, c.number);
    EXPECT_EQ(again.GetName(), u"Harbour & Sons");
    EXPECT_EQ(again.GetAddress1(), u"1 Quay");
    EXPECT_EQ(again.GetAddress2(), u"Dock 4");
    EXPECT_EQ(again.GetAddress3(), u"Port Town");
    EXPECT_EQ(again.GetPhone(), u"555-0199");
    EXPECT_EQ(again.GetEMail(), u"sales@harbour.example");
    EXPECT_FALSE(again.IsLogoShown());
    // Company B keeps the user name it stores; the first company stores none and shows
    // the device owner's.
    EXPECT_EQ(again.GetUserName(), c.number == CCompanyInfo::kCompanyB ? u"Cy Seller" : kAda.name);
  }
  EXPECT_EQ(Texts().at(u"Company_B_UserName"), u"Cy Seller");
  EXPECT_EQ(Texts().count(u"CompanyUserName"), 0u);
}

TEST_F(CompanyInfo, OtherCompanyNumbersNeitherLoadNorSave) {
  StoreRecord(Record(kAda));
  CCompanyInfo company(nullptr, 2);
  EXPECT_EQ(company.GetName(), kAda.company);
  EXPECT_TRUE(Texts().empty() || Texts().count(u"CompanyName") == 0);
  company.SetName(u"Ignored");
  EXPECT_EQ(company.Save(), TRUE);
  EXPECT_EQ(Texts().count(u"CompanyName"), 0u);
  EXPECT_EQ(Texts().count(u"Company_B_Name"), 0u);
}

TEST_F(CompanyInfo, AFailedWriteIsReportedBySave) {
  StoreRecord(Record(kAda));
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  company.SetName(u"Lost Ltd");
  platform::InjectFault(platform::Fault::FileWrite, 0, 1000);
  EXPECT_EQ(company.Save(), FALSE);
  platform::ClearFaults();
  Restart();
  EXPECT_EQ(CCompanyInfo(nullptr, CCompanyInfo::kFirstCompany).GetName(), kAda.company);

  // A write that fails part-way (the third value) is reported too.
  platform::InjectFault(platform::Fault::FileWrite, 2, 1);
  EXPECT_EQ(company.Save(), FALSE);
  platform::ClearFaults();
  EXPECT_EQ(company.Save(), TRUE);
}

TEST_F(CompanyInfo, TheOwnerContextAndNumberAreKept) {
  int context = 0;
  CCompanyInfo company(&context, CCompanyInfo::kCompanyB);
  EXPECT_EQ(company.GetOwnerContext(), &context);
  EXPECT_EQ(company.GetCompanyNumber(), CCompanyInfo::kCompanyB);
}

}  // namespace
