// Globally unique identifiers and their registry-format texts.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

// A random (version 4) identifier.
HRESULT CoCreateGuid(GUID* guid);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case; returns the characters written
// including the null (39), or 0 when the buffer is shorter than that.
int StringFromGUID2(const GUID& guid, LPOLESTR text, int cchMax);
// Parses the text StringFromGUID2 writes (braces required); E_INVALIDARG otherwise.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);

namespace platform {
std::u16string GuidToString(const GUID& guid);
}
