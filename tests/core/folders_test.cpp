// Folders, files and storage locations.
//
// Groups: Folders.Special* (My Documents, application data); Folders.Paths* (documents,
// memorized, deleted, uploaded, database and file paths on main memory and on a card);
// Folders.Count* and Find* (counting and walking files); Folders.Move* (the deleted
// folder); Folders.List* (folder choice lists).
#include <string>
#include <vector>

#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "core/Utilities.h"
#include "platform/shell/FlashCards.h"
#include "platform/testing/DeviceFixture.h"

namespace {

class Folders : public platform::testing::DeviceTest {
 protected:
  static void Pref(const char16_t* name, const char16_t* value) {
    CPreferences prefs;
    ASSERT_TRUE(prefs.SetString(name, value));
  }
  static void Root(const char16_t* name, const char16_t* value) {
    CRegistryKey key;
    ASSERT_TRUE(key.SetString(CBstr(name), CBstr(value)));
  }
  void MakeFolder(std::u16string_view path) { std::filesystem::create_directories(Linux(path)); }
  template <typename F>
  static std::u16string Path(F get) {
    CBstr out(u"old");
    get(out);
    return out.str();
  }
};

TEST_F(Folders, SpecialMyDocumentsAndApplicationData) {
  CBstr out;
  ASSERT_TRUE(GetMyDocumentsFolder(out, false));
  EXPECT_EQ(out.str(), u"\\My Documents");
  ASSERT_TRUE(GetMyDocumentsFolder(out, true));
  EXPECT_EQ(out.str(), u"\\My Documents\\");
  ASSERT_TRUE(GetAppDataFolder(out, false));
  EXPECT_EQ(out.str(), u"\\Application Data\\VendelSoftware\\");
  ASSERT_TRUE(GetAppDataFolder(out, true));
  EXPECT_EQ(out.str(), u"\\Application Data\\VendelSoftware\\Slateway\\");
}

TEST_F(Folders, PathsOfTheDocumentsFolder) {
  struct Row {
    const char16_t* location;  // null: missing
    const char16_t* path;
    const char16_t* expected;
  } rows[] = {
      {u"MAIN MEMORY", u"Invoices", u"\\My Documents\\Invoices\\"},
      {u"Storage Card", u"None", u"\\Storage Card\\"},
      {u"Storage Card", u"Invoices", u"\\Storage Card\\Invoices\\"},
      {u"MAIN MEMORY", u"None", u"\\My Documents\\"},
      {u"MAIN MEMORY", u"\\My Documents\\Sales", u"\\My Documents\\"},
      // The folder list's root entry and a missing value name the root, never a folder below it.
      {u"MAIN MEMORY", u"My Documents", u"\\My Documents\\"},
      {u"Storage Card", u"My Documents", u"\\Storage Card\\My Documents\\"},
      {nullptr, nullptr, u"\\My Documents\\"},
  };
  for (const auto& r : rows) {
    Restart();
    RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\VendelSoftware");
    if (r.location) Pref(u"InvoiceLocation", r.location);
    if (r.path) Pref(u"InvoicePath", r.path);
    EXPECT_EQ(Path([](CBstr& o) { GetDocumentsFolder(o); }), r.expected) << platform::ToUtf8(r.path ? r.path : u"-");
  }
  Pref(u"InvoiceLocation", u"Storage Card");
  EXPECT_EQ(Path([](CBstr& o) { GetDocumentsStorageRoot(o); }), u"\\Storage Card\\");
  Pref(u"InvoiceLocation", u"MAIN MEMORY");
  EXPECT_EQ(Path([](CBstr& o) { GetDocumentsStorageRoot(o); }), u"");
}

TEST_F(Folders, PathsOfTheMemorizedAndDeletedFolders) {
  struct Row {
    const char16_t* location;
    const char16_t* value;
    const char16_t* expected;
  } rows[] = {
      {u"MAIN MEMORY", u"Memorized", u"\\My Documents\\Memorized\\"},
      {u"Storage Card", u"Memorized", u"\\Storage Card\\Memorized\\"},
      {u"Storage Card", u"\\Program Files\\Slateway\\Memorized", u"\\Program Files\\Slateway\\Memorized\\"},
      {u"Storage Card", u"\\My Documents\\Old", u"\\My Documents\\Old\\"},
  };
  for (const auto& r : rows) {
    Pref(u"InvoiceLocation", r.location);
    Pref(u"MemorizedPath", r.value);
    Pref(u"DeletedPath", r.value);
    EXPECT_EQ(Path([](CBstr& o) { GetMemorizedFolder(o); }), r.expected);
    EXPECT_EQ(Path([](CBstr& o) { GetDeletedFolder(o); }), r.expected);
  }
  // A new device (no values) and one an earlier version left with empty values: folders of
  // their own beside the documents, wherever those are.
  for (const char16_t* value : {static_cast<const char16_t*>(nullptr), u""}) {
    RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\VendelSoftware");
    if (value) Pref(u"MemorizedPath", value), Pref(u"DeletedPath", value);
    EXPECT_EQ(Path([](CBstr& o) { GetMemorizedFolder(o); }), u"\\My Documents\\Memorized\\");
    EXPECT_EQ(Path([](CBstr& o) { GetDeletedFolder(o); }), u"\\My Documents\\Deleted\\");
    EXPECT_TRUE(HasOwnDeletedFolder());
    Pref(u"InvoicePath", u"Sales");
    EXPECT_EQ(Path([](CBstr& o) { GetDeletedFolder(o); }), u"\\My Documents\\Deleted\\");
  }
  // A documents or memorized folder chosen to be the deleted folder leaves it none of its own.
  Pref(u"InvoicePath", u"deleted");
  EXPECT_FALSE(HasOwnDeletedFolder());
  Pref(u"InvoicePath", u"Sales");
  Pref(u"MemorizedPath", u"\\My Documents\\Deleted\\");
  EXPECT_FALSE(HasOwnDeletedFolder());
}

TEST_F(Folders, PathsOfUploadsAndTheDatabase) {
  Pref(u"UploadedFolder", u"Uploaded");
  CBstr out;
  GetUploadedFolder(out, true);
  EXPECT_EQ(out.str(), u"\\My Documents\\Uploaded\\");
  Root(u"UploadedLocation", u"Storage Card");
  GetUploadedFolder(out, false);
  EXPECT_EQ(out.str(), u"\\Storage Card\\Uploaded");
  GetUploadedStorageRoot(out);
  EXPECT_EQ(out.str(), u"\\Storage Card\\");
  Pref(u"UploadedFolder", u"None");
  GetUploadedFolder(out, true);
  EXPECT_EQ(out.str(), u"\\Storage Card\\");

  struct Row {
    const char16_t* location;
    const char16_t* folder;
    const char16_t* withName;
    const char16_t* withoutName;
  } rows[] = {
      {u"", u"\\Program Files\\Slateway", u"\\Program Files\\Slateway\\Slateway.db", u"\\Program Files\\Slateway\\"},
      {u"MAIN MEMORY", u"\\My Documents\\", u"Slateway.db", u""},
      // What main memory's folder list offers lies in My Documents.
      {u"MAIN MEMORY", u"My Documents", u"\\My Documents\\Slateway.db", u"\\My Documents\\"},
      {u"MAIN MEMORY", u"Sales\\2026", u"\\My Documents\\Sales\\2026\\Slateway.db", u"\\My Documents\\Sales\\2026\\"},
      {u"Storage Card", u"None", u"\\Storage Card\\Slateway.db", u"\\Storage Card\\"},
      {u"Storage Card", u"Data", u"\\Storage Card\\Data\\Slateway.db", u"\\Storage Card\\Data\\"},
  };
  Pref(u"Database", u"Slateway.db");
  for (const auto& r : rows) {
    Pref(u"DBLocation", r.location);
    Pref(u"DatabasePath", r.folder);
    GetDatabaseFilePath(out, true);
    EXPECT_EQ(out.str(), r.withName);
    GetDatabaseFilePath(out, false);
    EXPECT_EQ(out.str(), r.withoutName);
  }
}

TEST_F(Folders, PathsOfProgramImageAndLogoFiles) {
  Root(u"ProgramPath", u"\\Program Files\\Slateway");
  Pref(u"ImagePath", u"\\Storage Card\\Images");
  Pref(u"LogoPath", u"\\My Documents");
  CBstr name(u"QVNLANGUAGE.DLL");
  GetProgramFilePath(name);
  EXPECT_EQ(name.str(), u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL");
  name = CBstr(u"pump.jpg");
  GetImageFilePath(name);
  EXPECT_EQ(name.str(), u"\\Storage Card\\Images\\pump.jpg");
  name = CBstr(u"logo.bmp");
  GetLogoFilePath(name);
  EXPECT_EQ(name.str(), u"\\My Documents\\logo.bmp");
}

TEST_F(Folders, CountFilesOnMainMemoryAndOnACard) {
  WriteText(u"\\My Documents\\Invoices\\Inv 1.QVN", "x");
  WriteText(u"\\My Documents\\Invoices\\Inv 2.qvn", "x");
  WriteText(u"\\My Documents\\Invoices\\notes.txt", "x");
  ASSERT_TRUE(platform::InsertStorageCard(u"Storage Card"));
  WriteText(u"\\Storage Card\\Invoices\\Est 7.QVN", "x");
  EXPECT_EQ(CountFilesInFolder(u"\\My Documents\\Invoices\\", u".QVN"), 2);
  EXPECT_EQ(CountFilesInFolder(u"\\My Documents\\Invoices\\", u""), 3);
  EXPECT_EQ(CountFilesInFolder(u"\\Storage Card\\Invoices\\", u".QVN"), 1);
  EXPECT_EQ(CountFilesInFolder(u"\\Storage Card\\Missing\\", u".QVN"), 0);
  EXPECT_EQ(CountFilesInFolder(u"\\My Documents\\Invoices\\", u".xml"), 0);
}

TEST_F(Folders, FindFilesWalksTheProgramSearchToItsEnd) {
  WriteText(u"\\My Documents\\b.QVN", "x");
  WriteText(u"\\My Documents\\a.QVN", "x");
  WIN32_FIND_DATAW data;
  ASSERT_TRUE(FindFirstFileInFolder(u"\\My Documents\\", u".QVN", data));
  std::vector<std::u16string> names{data.cFileName};
  while (FindNextSearchFile(data)) names.emplace_back(data.cFileName);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a.QVN", u"b.QVN"}));
  EXPECT_FALSE(FindNextSearchFile(data));  // closed at the end (the fixture checks no handle is left)
  EXPECT_FALSE(FindFirstFileInFolder(u"\\My Documents\\", u".zip", data));
  EXPECT_FALSE(FindNextSearchFile(data));
}

TEST_F(Folders, MoveDocumentToTheDeletedFolder) {
  // A new device: the deleted folder is made by the first move.
  WriteText(u"\\My Documents\\Inv 1.QVN", "first");
  EXPECT_TRUE(MoveDocumentToDeleted(CBstr(u"\\My Documents\\Inv 1.QVN")));
  EXPECT_FALSE(FileExists(u"\\My Documents\\Inv 1.QVN"));
  EXPECT_EQ(ReadText(u"\\My Documents\\Deleted\\Inv 1.QVN"), "first");

  // Onto itself, however spelled, the move is refused and the file stays.
  for (const char16_t* same : {u"\\My Documents\\Deleted\\Inv 1.QVN", u"\\my documents\\\\DELETED\\inv 1.qvn"})
    EXPECT_FALSE(MoveDocumentToDeleted(CBstr(same)));
  EXPECT_EQ(ReadText(u"\\My Documents\\Deleted\\Inv 1.QVN"), "first");

  // A newer document of the same name replaces the older deleted copy.
  WriteText(u"\\My Documents\\Inv 1.QVN", "second");
  EXPECT_TRUE(MoveDocumentToDeleted(CBstr(u"\\My Documents\\Inv 1.QVN")));
  EXPECT_EQ(ReadText(u"\\My Documents\\Deleted\\Inv 1.QVN"), "second");

  // A move that cannot happen keeps the older copy.
  EXPECT_FALSE(MoveDocumentToDeleted(CBstr(u"\\My Documents\\Inv 1.QVN")));
  EXPECT_EQ(ReadText(u"\\My Documents\\Deleted\\Inv 1.QVN"), "second");

  // Documents kept in the deleted folder itself are never "moved" onto themselves.
  Pref(u"InvoicePath", u"Deleted");
  EXPECT_FALSE(MoveDocumentToDeleted(CBstr(u"\\My Documents\\Deleted\\Inv 1.QVN")));
  EXPECT_EQ(ReadText(u"\\My Documents\\Deleted\\Inv 1.QVN"), "second");
}

TEST_F(Folders, AMovedDocumentKeepsItsOwnName) {
  WriteText(u"\\My Documents\\Deleted\\INVOICE106.QVN", "older");  // an older copy, spelled otherwise
  WriteText(u"\\My Documents\\Invoice106.QVN", "newer");
  EXPECT_TRUE(MoveDocumentToDeleted(CBstr(u"\\My Documents\\INVOICE106.QVN")));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Linux(u"\\My Documents\\Deleted")))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"Invoice106.QVN"});
  EXPECT_EQ(ReadText(u"\\My Documents\\Deleted\\Invoice106.QVN"), "newer");
}

TEST_F(Folders, MoveDocumentOnACard) {
  ASSERT_TRUE(platform::InsertStorageCard(u"Storage Card"));
  Pref(u"InvoiceLocation", u"Storage Card");
  Pref(u"DeletedPath", u"Trash");
  WriteText(u"\\Storage Card\\Invoices\\SO 3.QVN", "so");
  EXPECT_TRUE(MoveDocumentToDeleted(CBstr(u"\\Storage Card\\Invoices\\SO 3.QVN")));
  EXPECT_EQ(ReadText(u"\\Storage Card\\Trash\\SO 3.QVN"), "so");
  // A deleted folder on a card that is out is not made up in the device's root.
  Pref(u"InvoiceLocation", u"MAIN MEMORY");
  Pref(u"DeletedPath", u"\\SD Card\\Program Files\\Trash");
  WriteText(u"\\My Documents\\SO 4.QVN", "so4");
  EXPECT_FALSE(MoveDocumentToDeleted(CBstr(u"\\My Documents\\SO 4.QVN")));
  EXPECT_EQ(ReadText(u"\\My Documents\\SO 4.QVN"), "so4");
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\SD Card")));
}

TEST_F(Folders, ListFoldersDepthFirst) {
  MakeFolder(u"\\My Documents\\Sales\\2026");
  MakeFolder(u"\\My Documents\\Sales\\2025");
  MakeFolder(u"\\My Documents\\Archive");
  WriteText(u"\\My Documents\\Sales\\note.txt", "x");
  CFolderList list{u"stale"};
  FillFolderList(list, CBstr(u"main memory"));
  EXPECT_EQ(list, (CFolderList{u"My Documents", u"Archive", u"Sales", u"Sales\\2025", u"Sales\\2026"}));

  ASSERT_TRUE(platform::InsertStorageCard(u"Storage Card"));
  FillFolderList(list, CBstr(u"Storage Card"));
  EXPECT_EQ(list, (CFolderList{u"None"}));
  MakeFolder(u"\\Storage Card\\Docs\\Old");
  FillFolderList(list, CBstr(u"Storage Card"));
  EXPECT_EQ(list, (CFolderList{u"None", u"Docs", u"Docs\\Old"}));
  FillFolderList(list, CBstr(u""));
  EXPECT_EQ(list, (CFolderList{u"None"}));
  FillFolderList(list, CBstr(u"Missing Card"));
  EXPECT_EQ(list, (CFolderList{u"None"}));
  // The options pages show a missing folder value as the root entry of its location.
  EXPECT_EQ(ShownFolderValue(u"Main Memory", u""), u"My Documents");
  EXPECT_EQ(ShownFolderValue(u"", u""), u"My Documents");
  EXPECT_EQ(ShownFolderValue(u"Storage Card", u""), u"None");
  EXPECT_EQ(ShownFolderValue(u"Main Memory", u"Sales"), u"Sales");

  // A text that cannot be allocated anywhere in the walk leaves no search open.
  bool failed = true;
  for (int skip = 0; failed && skip < 100; ++skip) {
    platform::InjectFault(platform::Fault::TextAllocation, skip);
    try {
      FillFolderList(list, CBstr(u"main memory"));
      failed = false;
    } catch (const platform::HResultError& e) {
      EXPECT_EQ(e.Code(), E_OUTOFMEMORY);
    }
    platform::ClearFaults();
    ASSERT_EQ(platform::OpenKernelHandleCount(), 0) << "allocation " << skip;
  }
  EXPECT_FALSE(failed);

  // No bound on the number of folders.
  for (int i = 0; i < 120; ++i) MakeFolder(u"\\Storage Card\\Many\\F" + platform::ToUtf16(std::to_string(i)));
  FillFolderList(list, CBstr(u"Storage Card"));
  EXPECT_EQ(list.size(), 3u + 1u + 120u);
}

}  // namespace
