#include "setup/SetupFolders.h"

#include <charconv>

#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/Files.h"
#include "platform/shell/SpecialFolders.h"
#include "setup/SetupRegistryKey.h"

namespace {

constexpr char16_t kMainMemory[] = u"MAIN MEMORY";
constexpr char16_t kNone[] = u"None";

std::u16string WithoutTrailingSeparator(std::u16string path) {
  while (path.size() > 1 && path.back() == u'\\') path.pop_back();
  return path;
}

std::u16string Preference(const TextPreference& preference) {
  auto key = OpenPreferencesKey();
  std::u16string value;
  key->GetString(preference.name, value);
  return value;
}

std::u16string MarkerPath(std::u16string_view word) {
  return JoinPath(GetDataFolder(true), std::u16string(word) + u".txt");
}

}  // namespace

std::u16string GetDataFolder(bool withProduct) {
  WCHAR appData[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPath(nullptr, appData, CSIDL_APPDATA, TRUE)) return {};
  std::u16string folder = WithoutTrailingSeparator(appData) + u"\\VendelSoftware";
  CreateDirectoryW(folder.c_str(), nullptr);
  if (!withProduct) return folder;
  folder += u"\\Slateway";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::u16string GetDatabaseFolder() {
  std::u16string folder = GetDataFolder(true) + u"\\Database";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::u16string GetItemsDatabaseFolder() {
  std::u16string location = Preference(pref::kDbLocation);
  for (char16_t& c : location) c = platform::UpperCase(c);
  if (location == kMainMemory) location.clear();
  std::u16string path = Preference(pref::kDatabasePath);
  if (platform::EqualsIgnoreCase(path, kNone)) path.clear();
  std::u16string folder = location.empty() ? path : u"\\" + location + (path.empty() ? u"" : u"\\" + path);
  folder = WithoutTrailingSeparator(folder);
  return folder.empty() ? u"\\" : folder;
}

bool IsRootFolder(std::u16string_view folder) {
  std::u16string f = WithoutTrailingSeparator(std::u16string(folder));
  if (f.empty() || f == u"\\") return true;
  // "\Storage Card": a single component is the root of a storage location.
  return f.find(u'\\', 1) == std::u16string::npos;
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (path.size() > 1 && path.back() != u'\\') path += u'\\';
  return path + std::u16string(name);
}

double GetStoredVersion(CSetupRegistryKey& root) {
  std::u16string text;
  if (!root.GetString(u"Version", text) || text.empty()) return 0.0;
  std::string narrow = platform::ToUtf8(text);
  double version = 0.0;
  std::from_chars(narrow.data(), narrow.data() + narrow.size(), version);
  return version;
}

bool WriteMarkerFile(std::u16string_view word) {
  std::string bytes = platform::ToUtf8(word);
  return platform::WriteDeviceFileAtomic(MarkerPath(word).c_str(), bytes.data(), static_cast<DWORD>(bytes.size())) != FALSE;
}

bool MarkerFileExists(std::u16string_view word) {
  return GetFileAttributesW(MarkerPath(word).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteFileOrLibrary(std::u16string_view path) {
  std::u16string file(path);
  bool deleted = DeleteFileW(file.c_str()) != FALSE;
  file += u".so";
  return (DeleteFileW(file.c_str()) != FALSE) || deleted;
}
