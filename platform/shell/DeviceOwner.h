// The device owner's settings, which the handheld keeps in one binary record and its own
// settings screen edits: HKEY_CURRENT_USER "ControlPanel\Owner", value "Owner", 768 bytes
// of UTF-16 texts at fixed byte offsets, each ending at its first null or where the next
// one starts. Programs read it (the owner's name, company, address, phone and e-mail);
// the installer plays the settings screen and writes it.
#pragma once

#include <optional>
#include <string>

#include "platform/base/Win32Types.h"

namespace platform {

inline constexpr char16_t kOwnerKey[] = u"ControlPanel\\Owner";
inline constexpr char16_t kOwnerValue[] = u"Owner";

struct DeviceOwner {
  std::u16string name;
  std::u16string company;
  std::u16string address;
  std::u16string phone;
  std::u16string email;
};

// Where each text lies in the record, in bytes.
struct OwnerField {
  DWORD offset;
  DWORD width;
  // The most characters the field keeps, its null included.
  size_t Characters() const { return width / sizeof(char16_t) - 1; }
};
inline constexpr DWORD kOwnerRecordBytes = 768;
inline constexpr OwnerField kOwnerName{0, 72};
inline constexpr OwnerField kOwnerCompany{72, 72};
inline constexpr OwnerField kOwnerAddress{144, 372};
inline constexpr OwnerField kOwnerPhone{516, 50};
inline constexpr OwnerField kOwnerEMail{566, 202};

// The device's owner record; none when the device holds no readable one.
std::optional<DeviceOwner> ReadDeviceOwner();
// Writes the record whole. A text longer than its field is cut to the field. False when
// the registry refuses.
bool WriteDeviceOwner(const DeviceOwner& owner);

// The full name of the account this process runs under, as the user database gives it
// (up to the first comma), or its login name when that is empty; empty when the account
// is unknown.
std::u16string AccountFullName();

}  // namespace platform
