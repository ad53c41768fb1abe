#include "core/CompanyInfo.h"

#include <optional>

#include "core/Preferences.h"

namespace {

// The Preferences values of one company.
const pref::CompanyPreferences* NamesOf(DWORD companyNumber) {
  if (companyNumber == CCompanyInfo::kFirstCompany) return &pref::kFirstCompany;
  if (companyNumber == CCompanyInfo::kCompanyB) return &pref::kCompanyB;
  return nullptr;
}

struct OwnerCache {
  bool loaded = false;
  std::u16string name;
  std::u16string company;
  std::u16string address;
  std::u16string phone;
  std::u16string email;
};

OwnerCache& Cache() {
  static OwnerCache cache;
  return cache;
}

}  // namespace

// ---- CCompanyInfo ---------------------------------------------------------------------------

CCompanyInfo::CCompanyInfo(void* ownerContext, DWORD companyNumber)
    : m_showLogo(u"YES"), m_ownerContext(ownerContext), m_companyNumber(companyNumber) {
  COwnerInfo owner(true);
  std::u16string ownerName, ownerCompany, ownerAddress, ownerPhone, ownerEMail;
  owner.GetOwnerInfo(ownerName, ownerCompany, ownerAddress, ownerPhone, ownerEMail);
  m_userName = ownerName;
  m_name = ownerCompany;
  m_address1 = ownerAddress;
  m_phone = ownerPhone;
  m_email = ownerEMail;
  if (NamesOf(companyNumber) != nullptr) Load();
  if (m_name.empty()) m_name = kUnnamedCompany;
}

BOOL CCompanyInfo::Load() {
  const pref::CompanyPreferences* names = NamesOf(m_companyNumber);
  if (names == nullptr) return FALSE;
  CPreferences prefs;
  if (!prefs.Read(names->name, m_name)) return FALSE;
  prefs.Read(names->address1, m_address1);
  prefs.Read(names->address2, m_address2);
  prefs.Read(names->address3, m_address3);
  prefs.Read(names->phone, m_phone);
  prefs.Read(names->email, m_email);
  prefs.Read(names->showLogo, m_showLogo);
  if (names->userName != nullptr) prefs.Read(*names->userName, m_userName);
  return TRUE;
}

BOOL CCompanyInfo::Save() {
  const pref::CompanyPreferences* names = NamesOf(m_companyNumber);
  if (names == nullptr) return TRUE;
  CPreferences prefs;
  bool ok = prefs.Set(names->name, m_name);
  ok = prefs.Set(names->address1, m_address1) && ok;
  ok = prefs.Set(names->address2, m_address2) && ok;
  ok = prefs.Set(names->address3, m_address3) && ok;
  if (names->userName != nullptr) ok = prefs.Set(*names->userName, m_userName) && ok;
  ok = prefs.Set(names->phone, m_phone) && ok;
  ok = prefs.Set(names->email, m_email) && ok;
  ok = prefs.Set(names->showLogo, m_showLogo) && ok;
  return ok ? TRUE : FALSE;
}

// ---- COwnerInfo -----------------------------------------------------------------------------

COwnerInfo::COwnerInfo(bool reload) {
  if (reload || !Cache().loaded) ReadOwnerRecord();
}

bool COwnerInfo::ReadOwnerRecord() {
  const std::optional<platform::DeviceOwner> record = platform::ReadDeviceOwner();
  if (!record) return false;
  OwnerCache& cache = Cache();
  cache.name = record->name;
  cache.company = record->company;
  cache.address = record->address;
  cache.phone = record->phone;
  cache.email = record->email;
  cache.loaded = true;
  return true;
}

void COwnerInfo::GetOwnerInfo(std::u16string& name, std::u16string& company,
                              std::u16string& address, std::u16string& phone,
                              std::u16string& email) const {
  const OwnerCache& cache = Cache();
  name = cache.name;
  company = cache.company;
  address = cache.address;
  phone = cache.phone;
  email = cache.email;
}

void COwnerInfo::ForgetCache() { Cache() = OwnerCache{}; }
