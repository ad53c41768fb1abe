// Folders, files and storage locations.
#include "core/Folders.h"

#include <filesystem>
#include <system_error>

#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/FileHandles.h"
#include "platform/locale/Locale.h"
#include "platform/shell/SpecialFolders.h"

namespace {

constexpr char16_t kMainMemory[] = u"MAIN MEMORY";
constexpr char16_t kNone[] = u"None";

bool SameText(std::u16string_view a, std::u16string_view b) {
  CBstr x(a), y(b);
  return VarBstrCmp(x.get(), y.get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

bool Contains(std::u16string_view text, std::u16string_view part) {
  return !part.empty() && text.find(part) != std::u16string_view::npos;
}

// A Preferences text; missing values read as their default (and are recorded as such).
std::u16string Pref(const TextPreference& preference) { return CPreferences().Get(preference); }

// A text of the program's root key; missing values read as empty.
std::u16string RootValue(const char16_t* name) {
  CRegistryKey key;
  CBstr value(u"");
  key.GetString(CBstr(name), value);
  return value.str();
}

std::u16string StorageRoot(std::u16string_view location) {
  if (location.empty() || SameText(location, kMainMemory)) return {};
  return u"\\" + std::u16string(location) + u"\\";
}

std::u16string MyDocuments(bool withSeparator) {
  CBstr path;
  GetMyDocumentsFolder(path, withSeparator);
  return path.str();
}

// The documents root: the storage root of "InvoiceLocation", or My Documents with "\".
std::u16string DocumentsRoot() {
  std::u16string root = StorageRoot(Pref(pref::kInvoiceLocation));
  return root.empty() ? MyDocuments(true) : root;
}

bool IsMainMemory(std::u16string_view location) {
  std::u16string upper(location);
  for (auto& c : upper) c = platform::UpperCase(c);
  return upper.empty() || upper == kMainMemory;
}

// My Documents by its bare name, as the main memory's folder list names its root.
std::u16string BareMyDocuments() {
  std::u16string bare = MyDocuments(false);
  RemoveCharFromText(bare, u'\\');
  return bare;
}

// True when a folder value stands for the location's root itself: "None", no value, or in
// main memory the root entry of the folder list. Appended to the root, the root entry
// would name a folder below itself that does not exist.
bool NamesRoot(std::u16string_view folder, bool mainMemory) {
  return folder.empty() || folder == kNone || (mainMemory && folder == BareMyDocuments());
}

std::u16string SubFolder(const TextPreference& preference) {
  std::u16string root = DocumentsRoot();
  std::u16string p = Pref(preference) + u"\\";
  if (Contains(p, MyDocuments(true)) || Contains(p, u"\\Program Files")) return p;
  return root + p;
}

void AppendFileName(CBstr& fileName, const std::u16string& folder) {
  fileName = CBstr(folder + u"\\" + fileName.str());
}

// The path of a shell special folder; the item list is given back to the shell allocator.
bool SpecialFolderPath(int folderId, std::u16string& path) {
  LPITEMIDLIST idList = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folderId, &idList))) return false;
  WCHAR buffer[MAX_PATH + 1] = {};
  const BOOL ok = SHGetPathFromIDList(idList, buffer);
  SHFree(idList);
  if (!ok) return false;
  path = buffer;
  return true;
}

}  // namespace

bool GetMyDocumentsFolder(CBstr& out, bool addSeparator) {
  std::u16string p;
  if (!SpecialFolderPath(CSIDL_PERSONAL, p)) return false;
  if (addSeparator && !p.empty()) p += u"\\";
  out = CBstr(p);
  return true;
}

bool GetAppDataFolder(CBstr& out, bool addProduct) {
  std::u16string p;
  if (!SpecialFolderPath(CSIDL_APPDATA, p)) return false;
  p += u"\\VendelSoftware\\";
  if (addProduct) p += u"Slateway\\";
  out = CBstr(p);
  return true;
}

void GetProgramFilePath(CBstr& fileName) { AppendFileName(fileName, RootValue(u"ProgramPath")); }
void GetImageFilePath(CBstr& fileName) { AppendFileName(fileName, Pref(pref::kImagePath)); }
void GetLogoFilePath(CBstr& fileName) { AppendFileName(fileName, Pref(pref::kLogoPath)); }

void GetDocumentsStorageRoot(CBstr& out) { out = CBstr(StorageRoot(Pref(pref::kInvoiceLocation))); }

void GetDocumentsFolder(CBstr& out) {
  std::u16string root = DocumentsRoot();
  std::u16string path = Pref(pref::kInvoicePath);
  if (!NamesRoot(path, StorageRoot(Pref(pref::kInvoiceLocation)).empty()) && !Contains(path, MyDocuments(true))) {
    out = CBstr(root + path + u"\\");
  } else {
    out = CBstr(root);
  }
}

void GetMemorizedFolder(CBstr& out) { out = CBstr(SubFolder(pref::kMemorizedPath)); }
void GetDeletedFolder(CBstr& out) { out = CBstr(SubFolder(pref::kDeletedPath)); }

// "UploadedLocation" lives in the program's root key for every reader.
void GetUploadedStorageRoot(CBstr& out) { out = CBstr(StorageRoot(RootValue(u"UploadedLocation"))); }

void GetUploadedFolder(CBstr& out, bool addSeparator) {
  CBstr rootText;
  GetUploadedStorageRoot(rootText);
  std::u16string root = rootText.IsEmpty() ? MyDocuments(true) : rootText.str();
  std::u16string folder = Pref(pref::kUploadedFolder);
  if (folder != kNone && !Contains(folder, MyDocuments(false))) {
    out = CBstr(root + folder + (addSeparator ? u"\\" : u""));
  } else {
    out = CBstr(root);
  }
}

void GetDatabaseStorageRoot(CBstr& out) { out = CBstr(StorageRoot(Pref(pref::kDbLocation))); }

void GetDatabaseFilePath(CBstr& out, bool withFileName) {
  CBstr path;
  GetDatabaseStorageRoot(path);
  AppendBackslash(path);
  std::u16string result = path.str();
  std::u16string folder = Pref(pref::kDatabasePath);
  if (result.empty() && !folder.empty() && folder != kNone && folder[0] != u'\\' &&
      !Contains(folder, MyDocuments(true))) {
    // Main memory's folder list offers My Documents and the folders below it by their
    // names relative to it.
    result = MyDocuments(true);
    if (folder != BareMyDocuments()) result += folder + u"\\";
  } else if (folder != kNone && !Contains(folder, MyDocuments(true))) {
    result += folder + u"\\";
  }
  if (withFileName) result += Pref(pref::kDatabase);
  out = CBstr(result);
}

int CountFilesInFolder(std::u16string_view folder, std::u16string_view suffix) {
  std::u16string pattern = std::u16string(folder) + u"*" + std::u16string(suffix);
  WIN32_FIND_DATAW data;
  CFindHandle search(FindFirstFileW(pattern.c_str(), &data));
  if (!search) return 0;
  int count = 1;
  while (FindNextFileW(search.get(), &data)) ++count;
  return count;
}

bool FindFirstFileInFolder(std::u16string_view folder, std::u16string_view suffix, WIN32_FIND_DATAW& findData) {
  std::u16string pattern = std::u16string(folder) + u"*" + std::u16string(suffix);
  HANDLE search = FindFirstFileW(pattern.c_str(), &findData);
  SetProgramFileSearch(search);
  return search != INVALID_HANDLE_VALUE;
}

bool MoveDocumentToDeleted(CBstr path) {
  CBstr folder;
  GetDeletedFolder(folder);
  std::u16string target = folder.str();
  if (target.empty() || target.back() != u'\\') target += u"\\";
  // The file keeps its name as the device holds it, whatever case the path was given in.
  const std::u16string name = GetDeviceFileName(path.view()).str();
  target += name;
  // "Moved" onto itself the document would be reported gone and come back at the next load.
  if (!HasOwnDeletedFolder() || IsSameDevicePath(path.view(), target)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!FileExists(path.view())) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  MakeFolderPath(folder.view());
  if (!FileExists(target)) return MoveFileW(path.c_str(), target.c_str()) != FALSE;
  // An older copy is replaced by a rename over it, so it is gone only once the new one
  // is in its place; one spelled in another case goes after it.
  const std::filesystem::path older = platform::MapDevicePath(target);
  const std::filesystem::path moved = older.parent_path() / platform::ToUtf8(name);
  std::error_code ec;
  std::filesystem::rename(platform::MapDevicePath(path.view()), moved, ec);
  if (ec) {
    SetLastError(platform::ErrorFromErrno(ec.value()));
    return false;
  }
  if (older != moved) std::filesystem::remove(older, ec);
  return true;
}

bool HasOwnDeletedFolder() {
  CBstr deleted, documents, memorized;
  GetDeletedFolder(deleted);
  GetDocumentsFolder(documents);
  GetMemorizedFolder(memorized);
  return !IsSameDevicePath(deleted.view(), documents.view()) && !IsSameDevicePath(deleted.view(), memorized.view());
}

bool IsSameDevicePath(std::u16string_view a, std::u16string_view b) {
  if (a.empty() || b.empty()) return false;
  const std::filesystem::path x = platform::MapDevicePath(a), y = platform::MapDevicePath(b);
  std::error_code ec;
  if (std::filesystem::equivalent(x, y, ec)) return true;
  // Names not on the disk yet compare as the device compares them: without regard to case.
  std::u16string one = platform::ToDevicePath(x), other = platform::ToDevicePath(y);
  for (auto* text : {&one, &other})
    for (auto& c : *text) c = platform::UpperCase(c);
  return !one.empty() && one == other;
}

bool MakeFolderPath(std::u16string_view folder) {
  std::error_code ec;
  const std::filesystem::path path = platform::MapDevicePath(folder);
  // Folders are made below a top folder that is there: a storage card that is out is never
  // made up as a folder of the device's root.
  const std::u16string device = platform::ToDevicePath(path);
  const size_t top = device.find(u'\\', 1);
  if (top != std::u16string::npos && std::filesystem::is_directory(platform::MapDevicePath(device.substr(0, top)), ec))
    std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

bool GetOwnerInfoFilePath(CBstr& out) {
  CBstr folder;
  if (!GetAppDataFolder(folder, false)) return false;
  out = CBstr(folder.str() + u"OwnerInfo.xml");
  return true;
}

void FillFolderList(CFolderList& list, CBstr location) {
  list.clear();
  std::u16string where = location.str();
  for (auto& c : where) c = platform::UpperCase(c);
  if (where == kMainMemory) {
    list.push_back(BareMyDocuments());
    CollectSubfolders(list, CBstr(MyDocuments(false)), CBstr(u""));
    return;
  }
  list.emplace_back(kNone);
  // The card's folder as it is listed (the search finds it whatever its case).
  if (!where.empty()) CollectSubfolders(list, CBstr(u"\\" + location.str()), CBstr(u""));
}

std::u16string RootFolderEntry(std::u16string_view location) {
  return IsMainMemory(location) ? BareMyDocuments() : std::u16string(kNone);
}

std::u16string ShownFolderValue(std::u16string_view location, std::u16string_view stored) {
  return stored.empty() ? RootFolderEntry(location) : std::u16string(stored);
}

void CollectSubfolders(CFolderList& list, CBstr root, CBstr relative) {
  std::u16string pattern = root.str() + u"\\" + relative.str() + u"\\*.*";
  WIN32_FIND_DATAW data;
  // The walk allocates texts at every level; a failed one must not leave the searches of
  // this level and the ones above it open.
  CFindHandle search(FindFirstFileW(pattern.c_str(), &data));
  if (!search) return;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    std::u16string name(data.cFileName);
    std::u16string entry = relative.IsEmpty() ? name : relative.str() + u"\\" + name;
    list.push_back(entry);
    CollectSubfolders(list, root, CBstr(entry));
  } while (FindNextFileW(search.get(), &data));
}
