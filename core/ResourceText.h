// Interface texts by id from the program's language library, and the program-wide handle
// of that library.
//
// The library is loaded once at start-up (LoadResourceLibrary in ResourceLibrary.h) and
// its handle set here with SetResourceInstance; every text, bitmap and template id of the
// program is looked up in it through GetResourceInstance. Until it is set (and after it
// is freed) every text loads as empty.
#pragma once

#include <string>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

// The longest text a resource load returns, in characters, without the terminator.
constexpr int kResStringMaxChars = 1023;

void SetResourceInstance(HINSTANCE instance);
HINSTANCE GetResourceInstance();

// A new text `id` (empty, not null, when the id is missing), cut at kResStringMaxChars.
// A failed allocation throws the out-of-memory failure (E_OUTOFMEMORY).
CBstr LoadResString(UINT id);
// The same as a text object.
std::u16string LoadResText(UINT id);
// Loads text `id` into `buffer` of `size` characters: at most size - 1 characters and the
// terminator. True when at least one character was loaded; a missing id leaves an empty
// buffer.
bool LoadResStringInto(UINT id, LPWSTR buffer, int size);
// Frees `member`, then loads text `id` into it (an empty text when missing). True when
// the loaded text is not empty.
bool LoadResStringMember(BSTR& member, UINT id);
bool LoadResStringMember(CBstr& member, UINT id);
