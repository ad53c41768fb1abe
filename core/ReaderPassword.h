// Storing and reading the card-reader password: the password is kept encrypted (the
// Preferences value "ReaderPwd", REG_BINARY) under the program's fixed pass phrase.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

// Encrypts the password's UTF-16 characters (no terminator) into `out`. *length is the
// size of `out` on entry and the bytes written on return. On failure shows the crypto
// object's last-error text (exclamation icon, no owner, captioned "Slateway") and
// answers false; the out bytes are then not valid and must not be stored.
bool EncryptReaderPassword(std::u16string_view password, BYTE* out, DWORD* length);

// Decrypts `length` stored bytes into `password`, which ends at the first null character
// or at the end of the bytes; *length becomes the password's length in characters. Null
// or undecryptable bytes give an empty password and 0. Any stored length is read whole.
void DecryptReaderPassword(const BYTE* stored, DWORD* length, std::u16string& password);
