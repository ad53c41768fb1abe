// The folders, files and stored version the setup library works with.
#pragma once

#include <string>
#include <string_view>

class CSetupRegistryKey;

// Application data + "\VendelSoftware", with the flag + "\Slateway"; the folders are
// made on the way (an existing one is fine). Empty when the shell knows no such folder.
std::u16string GetDataFolder(bool withProduct);
// <data folder>\Database, made when missing.
std::u16string GetDatabaseFolder();
// The folder of the items database the Preferences name: "\" + DBLocation + "\" +
// DatabasePath, or DatabasePath alone in main memory; a DatabasePath of "None" is the
// location's root. Without a trailing "\".
std::u16string GetItemsDatabaseFolder();
// True for a folder that must never be removed: the root or a storage location's root.
bool IsRootFolder(std::u16string_view folder);
// `folder` + "\" + `name`, the separator added only when the folder has more than one
// character and does not end in one.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);
// The root key's "Version" as a decimal number; 0 when missing, empty or not a number.
double GetStoredVersion(CSetupRegistryKey& root);
// Writes `word` (single-byte text, no line end) as <data folder>\<word>.txt, anew.
bool WriteMarkerFile(std::u16string_view word);
// True when <data folder>\<word>.txt exists.
bool MarkerFileExists(std::u16string_view word);
// Deletes the file whose device path is given and the library file a module of that
// name is loaded from (the name with ".so"); true when either was deleted.
bool DeleteFileOrLibrary(std::u16string_view path);
