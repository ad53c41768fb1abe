// Loading and freeing the program's language library, "QVNLANGUAGE.DLL" in the program
// folder, at start-up and at exit.
#pragma once

#include <string>

// The library's file name.
inline constexpr char16_t kResourceLibraryName[] = u"QVNLANGUAGE.DLL";

// The library's device path: the program folder (the root key's "ProgramPath" value,
// read without writing anything) + "\" + "QVNLANGUAGE.DLL".
std::u16string GetResourceLibraryPath();

// Loads the library and makes it the resource instance (SetResourceInstance). When it is
// missing or damaged, shows "Failed to load resources library. Please re-install."
// captioned "Slateway" (no owner, exclamation icon) and returns false: the program must
// end then.
bool LoadResourceLibrary();

// Frees the library loaded by LoadResourceLibrary and clears the resource instance; no
// text can be loaded afterwards.
void FreeResourceLibrary();
