#include "platform/shell/DeviceOwner.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <string_view>

#include "platform/base/Base.h"
#include "platform/registry/Registry.h"

namespace platform {

namespace {

using Record = std::array<BYTE, kOwnerRecordBytes>;

std::u16string FieldText(const Record& record, DWORD size, OwnerField field) {
  std::u16string text;
  for (DWORD at = field.offset; at + 1 < field.offset + field.width && at + 1 < size; at += 2) {
    const char16_t c = static_cast<char16_t>(record[at] | (record[at + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

void PutField(Record& record, OwnerField field, std::u16string_view text) {
  text = text.substr(0, field.Characters());
  DWORD at = field.offset;
  for (char16_t c : text) {
    record[at++] = static_cast<BYTE>(c & 0xFF);
    record[at++] = static_cast<BYTE>(c >> 8);
  }
}

}  // namespace

std::optional<DeviceOwner> ReadDeviceOwner() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kOwnerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  Record record{};
  DWORD size = kOwnerRecordBytes, type = 0;
  const LONG read = RegQueryValueExW(key, kOwnerValue, nullptr, &type, record.data(), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || type != REG_BINARY) return std::nullopt;
  return DeviceOwner{FieldText(record, size, kOwnerName), FieldText(record, size, kOwnerCompany),
                     FieldText(record, size, kOwnerAddress), FieldText(record, size, kOwnerPhone),
                     FieldText(record, size, kOwnerEMail)};
}

bool WriteDeviceOwner(const DeviceOwner& owner) {
  Record record{};
  PutField(record, kOwnerName, owner.name);
  PutField(record, kOwnerCompany, owner.company);
  PutField(record, kOwnerAddress, owner.address);
  PutField(record, kOwnerPhone, owner.phone);
  PutField(record, kOwnerEMail, owner.email);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kOwnerKey, 0, nullptr, 0, 0, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG written = RegSetValueExW(key, kOwnerValue, 0, REG_BINARY, record.data(), kOwnerRecordBytes);
  RegCloseKey(key);
  return written == ERROR_SUCCESS;
}

std::u16string AccountFullName() {
  const passwd* account = ::getpwuid(::getuid());
  if (!account) return {};
  std::string_view full = account->pw_gecos ? account->pw_gecos : "";
  full = full.substr(0, full.find(','));
  while (!full.empty() && full.back() == ' ') full.remove_suffix(1);
  while (!full.empty() && full.front() == ' ') full.remove_prefix(1);
  if (full.empty()) full = account->pw_name ? account->pw_name : "";
  return ToUtf16(full);
}

}  // namespace platform
