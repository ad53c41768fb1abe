#include "core/ReaderPassword.h"

#include <vector>

#include "core/CryptoHelper.h"
#include "core/MessageBoxes.h"
#include "platform/user/MessageBox.h"

bool EncryptReaderPassword(std::u16string_view password, BYTE* out, DWORD* length) {
  std::vector<BYTE> plain;
  plain.reserve(password.size() * 2);
  for (char16_t c : password) {
    plain.push_back(static_cast<BYTE>(c & 0xFF));
    plain.push_back(static_cast<BYTE>(c >> 8));
  }
  CCryptoHelper crypto;
  if (crypto.EncrpytString(plain.data(), static_cast<DWORD>(plain.size()), out, length,
                           kReaderPasswordPassPhrase))
    return true;
  MessageBoxW(nullptr, crypto.GetLastErrorText().c_str(), kProductName, kStyleWarning);
  return false;
}

void DecryptReaderPassword(const BYTE* stored, DWORD* length, std::u16string& password) {
  password.clear();
  const DWORD storedLength = length != nullptr ? *length : 0;
  if (length != nullptr) *length = 0;
  if (stored == nullptr || storedLength == 0) return;

  // The work buffer is sized from the stored value, however long an import made it.
  std::vector<BYTE> plain(storedLength);
  DWORD plainLength = storedLength;
  CCryptoHelper crypto;
  if (!crypto.DecryptString(stored, storedLength, plain.data(), &plainLength, kReaderPasswordPassPhrase))
    return;
  for (DWORD i = 0; i + 1 < plainLength; i += 2) {
    const WCHAR c = static_cast<WCHAR>(plain[i] | (plain[i + 1] << 8));
    if (c == 0) break;
    password += c;
  }
  *length = static_cast<DWORD>(password.size());
}
