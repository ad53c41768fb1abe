// The business owner's company blocks (the first company and company "B") and the
// device owner record they are seeded from.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"
#include "platform/shell/DeviceOwner.h"

// One company block: what documents print as the seller, kept in the Preferences store.
class CCompanyInfo {
 public:
  // Company numbers.
  static constexpr DWORD kFirstCompany = 0;
  static constexpr DWORD kCompanyB = 1;
  // The name a company without one shows.
  static constexpr char16_t kUnnamedCompany[] = u"Company Name";

  // Seeds the user name, company name, address line 1, phone and e-mail from the device
  // owner record (read afresh) and shows the logo; then loads the stored block of company
  // 0 or 1. An empty company name becomes "Company Name". `ownerContext` is kept for the
  // caller (not owned).
  CCompanyInfo(void* ownerContext, DWORD companyNumber);
  virtual ~CCompanyInfo() = default;

  // Reads the company's values, the current texts serving as defaults. When the company
  // name is missing its default is written back and the load stops there, answering 0;
  // else 1. Only company B stores a user name; the first company's is the device owner's.
  BOOL Load();
  // Whether Save keeps the user name (company B); the first company's is the device owner's.
  bool StoresUserName() const { return m_companyNumber == kCompanyB; }
  // Writes the company's values (company B also its user name). Answers 1 when every
  // value was written, 0 when a write failed; a number other than 0 or 1 writes nothing.
  BOOL Save();

  void SetName(std::u16string_view text) { m_name = text; }
  void SetUserName(std::u16string_view text) { m_userName = text; }
  void SetAddress1(std::u16string_view text) { m_address1 = text; }
  void SetAddress2(std::u16string_view text) { m_address2 = text; }
  void SetAddress3(std::u16string_view text) { m_address3 = text; }
  void SetEMail(std::u16string_view text) { m_email = text; }
  void SetPhone(std::u16string_view text) { m_phone = text; }
  void SetShowLogo(std::u16string_view text) { m_showLogo = text; }

  const std::u16string& GetUserName() const { return m_userName; }
  const std::u16string& GetName() const { return m_name; }
  const std::u16string& GetAddress1() const { return m_address1; }
  const std::u16string& GetAddress2() const { return m_address2; }
  const std::u16string& GetAddress3() const { return m_address3; }
  const std::u16string& GetPhone() const { return m_phone; }
  const std::u16string& GetEMail() const { return m_email; }
  const std::u16string& GetShowLogo() const { return m_showLogo; }
  // "YES" shows the logo.
  bool IsLogoShown() const { return m_showLogo == u"YES"; }
  void* GetOwnerContext() const { return m_ownerContext; }
  DWORD GetCompanyNumber() const { return m_companyNumber; }

 private:
  std::u16string m_userName;
  std::u16string m_name;
  std::u16string m_address1;
  std::u16string m_address2;
  std::u16string m_address3;
  std::u16string m_phone;
  std::u16string m_email;
  std::u16string m_showLogo;
  void* m_ownerContext = nullptr;  // not owned
  DWORD m_companyNumber = 0;
};

// The device owner record (HKCU "ControlPanel\Owner", value "Owner"), read once per
// process and cached for everyone.
class COwnerInfo {
 public:
  // Reads the record when `reload` is set or no record was read yet in this process.
  explicit COwnerInfo(bool reload);
  virtual ~COwnerInfo() = default;

  // Reads the record; when it can be read, replaces all five cached texts, otherwise
  // keeps them. True when it was read.
  bool ReadOwnerRecord();
  void GetOwnerInfo(std::u16string& name, std::u16string& company, std::u16string& address,
                    std::u16string& phone, std::u16string& email) const;

  // Forgets the cached texts, as a new process would start (for tests).
  static void ForgetCache();

  // The record: 768 bytes of UTF-16 fields at fixed byte offsets; each field ends at its
  // first null or at the start of the next one.
  static constexpr DWORD kRecordBytes = platform::kOwnerRecordBytes;
  using Field = platform::OwnerField;
  static constexpr Field kName = platform::kOwnerName;
  static constexpr Field kCompany = platform::kOwnerCompany;
  static constexpr Field kAddress = platform::kOwnerAddress;
  static constexpr Field kPhone = platform::kOwnerPhone;
  static constexpr Field kEMail = platform::kOwnerEMail;
};

inline constexpr const WCHAR* kOwnerKeyPath = platform::kOwnerKey;
inline constexpr const WCHAR* kOwnerValueName = platform::kOwnerValue;
