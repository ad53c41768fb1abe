// The pieces of the settings file (".oat") that every writer of it shares: the fixed
// header and footer, the text of one registry value, and the walk over a key's values
// and subkeys in the registry's own order.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"
#include "platform/registry/Registry.h"

inline constexpr char16_t kSettingsFileHeader[] =
    u"<?xml version='1.0'?><VENDELSOFTWARE><SLATEWAY VERSION='4' EDITION='STANDARD' COUNTRY='US'><SETTINGS>";
inline constexpr char16_t kSettingsFileFooter[] = u"</SETTINGS></SLATEWAY></VENDELSOFTWARE>";

// The text of one value as the file stores it, and its TYPE letter: 'S' the escaped text
// up to its terminator, 'D' the 32-bit value as an unsigned decimal, 'B' two lower-case
// hex digits per byte (an empty binary keeps its 'B', so it survives a round trip), and
// an empty letter and text for any other type.
std::u16string FormatSettingsValue(DWORD type, const BYTE* data, DWORD size, std::u16string* typeLetter);

// Every value of `key`, in the order the registry enumerates them.
using RegistryValueVisitor =
    std::function<void(const std::u16string& name, DWORD type, const BYTE* data, DWORD size)>;
void ForEachRegistryValue(HKEY key, const RegistryValueVisitor& visit);
// The name of every direct subkey of `key`, in enumeration order.
void ForEachRegistrySubkey(HKEY key, const std::function<void(const std::u16string& name)>& visit);
