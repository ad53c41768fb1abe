// Device paths, the atomic writer and the handle-based file calls.
//
//   DevicePath.*   mapping device paths onto the root: case, separators, "..", back again,
//                  and a root that is its user's alone whatever the umask
//   AtomicWrite.*  whole replacement, the old file kept whole when a write or rename fails,
//                  and the sweep of temporaries that crashed writers left behind
//   FileHandle.*   CreateFileW dispositions, read/write/size/pointer, share modes, faults
//   FileNames.*    delete, move, copy, folders and attributes by name
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/testing/DeviceFixture.h"

namespace fs = std::filesystem;

namespace {

using platform::testing::DeviceTest;

// Closes its handle at scope end, so a failing assertion leaks nothing into the next test.
class ScopedFile {
 public:
  explicit ScopedFile(HANDLE h) : m_handle(h) {}
  ~ScopedFile() {
    if (valid()) CloseHandle(m_handle);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  HANDLE get() const { return m_handle; }
  bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }

 private:
  HANDLE m_handle;
};

HANDLE Open(const char16_t* path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// ---- DevicePath ----------------------------------------------------------------------

class DevicePath : public DeviceTest {};

TEST_F(DevicePath, ExistingComponentsAreFoundIgnoringCaseAndKeepTheirSpelling) {
  fs::create_directories(Root() / "My Documents" / "Orders");
  std::ofstream(Root() / "My Documents" / "Orders" / "Inv 12.QVN") << "x";
  EXPECT_EQ(platform::MapDevicePath(u"\\my documents\\ORDERS\\inv 12.qvn"),
            Root() / "My Documents" / "Orders" / "Inv 12.QVN");
}

TEST_F(DevicePath, SlashesAndDoubledSeparatorsAreOneSeparator) {
  fs::create_directories(Root() / "Windows");
  const fs::path expected = Root() / "Windows" / "a.txt";
  for (const char16_t* path : {u"\\Windows\\a.txt", u"/windows/a.txt", u"\\\\Windows\\\\a.txt",
                               u"\\Windows//a.txt", u"Windows\\a.txt", u"\\.\\Windows\\.\\a.txt"})
    EXPECT_EQ(platform::MapDevicePath(path), expected) << platform::ToUtf8(path);
}

TEST_F(DevicePath, DotDotNeverClimbsAboveTheRoot) {
  fs::create_directories(Root() / "A" / "B");
  struct Case {
    const char16_t* device;
    fs::path expected;
  } cases[] = {
      {u"\\..", Root()},
      {u"\\..\\..\\etc\\passwd", Root() / "etc" / "passwd"},
      {u"\\A\\B\\..\\..\\..\\x", Root() / "x"},
      {u"\\a\\b\\..\\c", Root() / "A" / "c"},
      {u"..\\A", Root() / "A"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::MapDevicePath(c.device), c.expected) << platform::ToUtf8(c.device);
}

TEST_F(DevicePath, MissingComponentsKeepTheCaseGiven) {
  fs::create_directories(Root() / "Data");
  EXPECT_EQ(platform::MapDevicePath(u"\\DATA\\New Folder\\Mixed.Case"), Root() / "Data" / "New Folder" / "Mixed.Case");
}

TEST_F(DevicePath, ExactSpellingWinsOverAnotherCase) {
  fs::create_directories(Root() / "abc");
  fs::create_directories(Root() / "ABC");
  EXPECT_EQ(platform::MapDevicePath(u"\\ABC"), Root() / "ABC");
  EXPECT_EQ(platform::MapDevicePath(u"\\abc"), Root() / "abc");
}

TEST_F(DevicePath, ToDevicePathInvertsTheMappingAndRefusesOutsidePaths) {
  EXPECT_EQ(platform::ToDevicePath(Root() / "My Documents" / "x.qvn"), u"\\My Documents\\x.qvn");
  EXPECT_EQ(platform::ToDevicePath(Root()), u"\\");
  EXPECT_EQ(platform::ToDevicePath(Root() / "a" / ".." / ".." / "b"), u"");
  EXPECT_EQ(platform::ToDevicePath(Root().parent_path()), u"");
}

// ---- AtomicWrite ---------------------------------------------------------------------

mode_t Mode(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 0777;
}

TEST_F(DevicePath, ARootIsItsUsersAloneWhateverTheUmask) {
  ::umask(022);
  const fs::path fresh = Root() / "home" / "device";
  platform::SetDeviceRoot(fresh);
  platform::ReloadRegistry();
  EXPECT_EQ(Mode(fresh), 0700u);
  ASSERT_TRUE(CreateDirectoryW(u"\\My Documents", nullptr));
  ScopedFile file(CreateFileW(u"\\My Documents\\a.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(file.valid());
  ASSERT_TRUE(platform::WriteFileAtomic(fresh / "My Documents" / "b.txt", "b"));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Test", 0, nullptr, 0, 0, nullptr, &key, nullptr), 0);
  RegCloseKey(key);
  for (const char* folder : {"My Documents", "Windows", "Windows/Registry"}) EXPECT_EQ(Mode(fresh / folder), 0700u);
  for (const char* name : {"My Documents/a.txt", "My Documents/b.txt", "Windows/Registry/HKEY_CURRENT_USER.reg",
                           "Windows/Registry/HKEY_CURRENT_USER.reg.lock"})
    EXPECT_EQ(Mode(fresh / name), 0600u) << name;

  // A root made open to others before is closed to them when it is chosen again.
  ::umask(022);
  ASSERT_EQ(::chmod(fresh.c_str(), 0755), 0);
  platform::ReloadRegistry();
  platform::SetDeviceRoot(fresh);
  EXPECT_EQ(Mode(fresh), 0700u);
  platform::SetDeviceRoot(Root());
}

class AtomicWrite : public DeviceTest {};

TEST_F(AtomicWrite, ReplacesTheWholeFileAndLeavesNoTemporary) {
  WriteText(u"\\doc.txt", "a much longer old content");
  ASSERT_TRUE(platform::WriteFileAtomic(Linux(u"\\doc.txt"), "new"));
  EXPECT_EQ(ReadText(u"\\doc.txt"), "new");
  EXPECT_EQ(FolderNames(Root()), std::vector<std::string>{"doc.txt"});
}

TEST_F(AtomicWrite, InjectedFaultKeepsTheOldFileWholeAndRemovesTheTemporary) {
  for (platform::Fault fault : {platform::Fault::FileWrite, platform::Fault::FileRename}) {
    WriteText(u"\\doc.txt", "old content");
    platform::InjectFault(fault);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(platform::WriteFileAtomic(Linux(u"\\doc.txt"), "replacement"));
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(ReadText(u"\\doc.txt"), "old content");
    EXPECT_EQ(FolderNames(Root()), std::vector<std::string>{"doc.txt"});
    platform::ClearFaults();
  }
}

TEST_F(AtomicWrite, DevicePathFormCreatesFileAndReportsMissingFolder) {
  fs::create_directories(Root() / "Application Data");
  ASSERT_TRUE(platform::WriteDeviceFileAtomic(u"\\APPLICATION DATA\\hive.txt", "abc", 3));
  EXPECT_EQ(ReadText(u"\\Application Data\\hive.txt"), "abc");
  EXPECT_FALSE(platform::WriteDeviceFileAtomic(u"\\Nowhere\\hive.txt", "abc", 3));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

// What killed saves leave: the writer's own temporaries, here just made (a kill a moment
// ago), beside one a live writer holds and files of the user with similar names.
void LeaveTemporaries(const fs::path& folder) {
  fs::create_directories(folder);
  for (const char* name : {".Inv 12.QVN.tmp-a1B2c3", ".HKEY.reg.tmp-Zz9zz9", ".Inv 14.QVN.tmp-g7H8i9",
                           ".Inv 15.QVN.tmp-abc", "Inv 16.QVN.tmp-abcdef", ".tmp-abcdef", ".Inv 17.tmp-abcdef.txt"})
    std::ofstream(folder / name) << "left over";
}
const std::vector<std::string> kKeptOfLeftOvers{".Inv 14.QVN.tmp-g7H8i9", ".Inv 15.QVN.tmp-abc",
                                                 ".Inv 17.tmp-abcdef.txt", ".tmp-abcdef", "Inv 16.QVN.tmp-abcdef"};

// Holds a temporary as a live writer does; lets go at scope end.
class HeldFile {
 public:
  explicit HeldFile(const fs::path& path) : m_fd(::open(path.c_str(), O_RDONLY)) {
    EXPECT_GE(m_fd, 0);
    EXPECT_EQ(::flock(m_fd, LOCK_EX), 0);
  }
  ~HeldFile() { ::close(m_fd); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

 private:
  int m_fd;
};

TEST_F(AtomicWrite, TheFirstWriteIntoAFolderRemovesOnlyUnlockedTemporariesOfItsOwn) {
  const fs::path folder = Root() / "My Documents";
  LeaveTemporaries(folder);
  {
    HeldFile held(folder / ".Inv 14.QVN.tmp-g7H8i9");
    ASSERT_TRUE(platform::WriteFileAtomic(folder / "doc.txt", "new"));
    std::vector<std::string> expected = kKeptOfLeftOvers;
    expected.push_back("doc.txt");
    EXPECT_EQ(FolderNames(folder), expected);
  }
  EXPECT_EQ(platform::RemoveStaleTemporaries(folder), 1);  // its writer is gone now
}

TEST_F(AtomicWrite, ASweepNeverTakesTheTemporaryOfASaveUnderWay) {
  const fs::path folder = Root() / "My Documents";
  fs::create_directories(folder);
  std::atomic<bool> done{false};
  std::thread sweeper([&] {
    while (!done) platform::RemoveStaleTemporaries(folder);
  });
  int failed = 0;
  for (int i = 0; i < 200; ++i) failed += !platform::WriteFileAtomic(folder / "doc.txt", std::to_string(i), false);
  done = true;
  sweeper.join();
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"doc.txt"});
}

TEST_F(AtomicWrite, StartingClearsKilledSavesTemporariesInEveryFolderAndNothingElse) {
  const fs::path deep = Root() / "My Documents" / "Route 7";
  LeaveTemporaries(Root());
  LeaveTemporaries(deep);
  HeldFile held(deep / ".Inv 14.QVN.tmp-g7H8i9");
  HeldFile heldToo(Root() / ".Inv 14.QVN.tmp-g7H8i9");
  EXPECT_EQ(platform::RemoveStaleTemporariesUnder(Root()), 4);
  EXPECT_EQ(FolderNames(deep), kKeptOfLeftOvers);
  std::vector<std::string> top = kKeptOfLeftOvers;
  top.push_back("My Documents");
  EXPECT_EQ(FolderNames(Root()), top);
}

// ---- FileHandle ----------------------------------------------------------------------

class FileHandle : public DeviceTest {};

TEST_F(FileHandle, DispositionsOpenCreateAndReportExistingFiles) {
  struct Case {
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;
    const char* contentAfter;  // null: no file afterwards
  } cases[] = {
      {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "disposition " << c.disposition << " exists " << c.exists);
    fs::remove(Root() / "f.dat");
    fs::remove(Root() / "F.DAT");
    if (c.exists) WriteText(u"\\f.dat", "old");
    {
      ScopedFile file(Open(u"\\F.DAT", GENERIC_READ | GENERIC_WRITE, 0, c.disposition));
      EXPECT_EQ(file.valid(), c.opens);
      EXPECT_EQ(GetLastError(), c.error);
    }
    if (c.contentAfter) {
      EXPECT_EQ(ReadText(u"\\f.dat"), c.contentAfter);
    } else {
      EXPECT_EQ(GetFileAttributesW(u"\\f.dat"), INVALID_FILE_ATTRIBUTES);
    }
  }
  EXPECT_EQ(platform::OpenKernelHandleCount(), 0);
}

TEST_F(FileHandle, WriteReadSizeAndPointerRoundTrip) {
  {
    ScopedFile file(Open(u"\\data.bin", GENERIC_WRITE, 0, CREATE_ALWAYS));
    ASSERT_TRUE(file.valid());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), "hello world", 11, &written, nullptr));
    EXPECT_EQ(written, 11u);
    EXPECT_EQ(SetFilePointer(file.get(), 5, nullptr, FILE_BEGIN), 5u);
    ASSERT_TRUE(SetEndOfFile(file.get()));
    EXPECT_TRUE(FlushFileBuffers(file.get()));
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(file.get(), &high), 5u);
    EXPECT_EQ(high, 0u);
  }
  ScopedFile file(Open(u"\\DATA.BIN", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_TRUE(file.valid());
  char buffer[16] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "hello");
  // At the end a read succeeds with nothing.
  ASSERT_TRUE(ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(SetFilePointer(file.get(), -2, nullptr, FILE_END), 3u);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  ASSERT_TRUE(ReadFile(file.get(), buffer, 1, &read, nullptr));
  EXPECT_EQ(buffer[0], 'l');
  LONG high = 0;
  EXPECT_EQ(SetFilePointer(file.get(), 0, &high, FILE_END), 5u);
  EXPECT_EQ(high, 0);
  high = -1;  // with a high part, -1:-1 is a signed 64-bit step back of one byte
  EXPECT_EQ(SetFilePointer(file.get(), -1, &high, FILE_CURRENT), 4u);
  EXPECT_EQ(high, 0);
  EXPECT_EQ(SetFilePointer(file.get(), -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(SetFilePointer(file.get(), -10, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT), 4u) << "a refused move changes nothing";
  // A step past the largest position is refused, not wrapped round to a negative one,
  // and the pointer stays where it was.
  high = 0x7FFFFFFF;
  EXPECT_EQ(SetFilePointer(file.get(), -1, &high, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT), 4u);
  // A handle opened for reading cannot write, and the other way round.
  DWORD written = 0;
  EXPECT_FALSE(WriteFile(file.get(), "x", 1, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  FILETIME creation, access, write;
  ASSERT_TRUE(GetFileTime(file.get(), &creation, &access, &write));
  EXPECT_NE(platform::FileTimeToUInt64(write), 0u);
}

TEST_F(FileHandle, ShareModesAreEnforcedBetweenOpenHandles) {
  WriteText(u"\\shared.txt", "content");
  struct Case {
    DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool secondOpens;
  } cases[] = {
      {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},
      {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, FILE_SHARE_READ, false},
      {GENERIC_READ, 0, GENERIC_READ, FILE_SHARE_READ, false},
      {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, false},  // the second must share writing
      {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      {GENERIC_WRITE, FILE_SHARE_WRITE, GENERIC_WRITE, FILE_SHARE_WRITE, true},
      {GENERIC_READ | GENERIC_WRITE, 0, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.firstAccess << "/" << c.firstShare << " then "
                                      << c.secondAccess << "/" << c.secondShare);
    ScopedFile first(Open(u"\\shared.txt", c.firstAccess, c.firstShare, OPEN_EXISTING));
    ASSERT_TRUE(first.valid());
    ScopedFile second(Open(u"\\SHARED.TXT", c.secondAccess, c.secondShare, OPEN_EXISTING));
    EXPECT_EQ(second.valid(), c.secondOpens);
    if (!c.secondOpens) {
      EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    }
  }
  // A refused CREATE_ALWAYS must not have truncated the file held open.
  ScopedFile holder(Open(u"\\shared.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ScopedFile refused(Open(u"\\shared.txt", GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_FALSE(refused.valid());
  EXPECT_EQ(ReadText(u"\\shared.txt"), "content");
}

TEST_F(FileHandle, OpenFailuresNameTheirCause) {
  fs::create_directories(Root() / "Folder");
  ScopedFile folder(Open(u"\\folder", GENERIC_READ, 0, OPEN_EXISTING));
  EXPECT_FALSE(folder.valid());
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ScopedFile noFolder(Open(u"\\Missing\\x.txt", GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_FALSE(noFolder.valid());
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ScopedFile noFile(Open(u"\\Folder\\x.txt", GENERIC_READ, 0, OPEN_EXISTING));
  EXPECT_FALSE(noFile.valid());
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  platform::InjectFault(platform::Fault::FileOpen);
  ScopedFile faulted(Open(u"\\Folder\\x.txt", GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_FALSE(faulted.valid());
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(fs::exists(Root() / "Folder" / "x.txt"));
}

TEST_F(FileHandle, WriteFaultIsReportedAndWritesNothing) {
  ScopedFile file(Open(u"\\w.txt", GENERIC_WRITE, 0, CREATE_ALWAYS));
  ASSERT_TRUE(file.valid());
  platform::InjectFault(platform::Fault::FileWrite, 1);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file.get(), "ab", 2, &written, nullptr));
  EXPECT_FALSE(WriteFile(file.get(), "cd", 2, &written, nullptr));
  EXPECT_EQ(written, 0u);
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(GetFileSize(file.get(), nullptr), 2u);
}

TEST_F(FileHandle, UnknownAndClosedHandlesAreRefusedAndCountsReturnToZero) {
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x12345)));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  HANDLE a = Open(u"\\a.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
  HANDLE b = Open(u"\\b.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_NE(b, INVALID_HANDLE_VALUE);
  EXPECT_NE(a, b);
  EXPECT_EQ(platform::OpenKernelHandleCount(), 2);
  EXPECT_TRUE(CloseHandle(a));
  EXPECT_FALSE(CloseHandle(a));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  DWORD written = 0;
  EXPECT_FALSE(WriteFile(a, "x", 1, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  platform::CloseAllKernelHandles();
  EXPECT_EQ(platform::OpenKernelHandleCount(), 0);
  EXPECT_EQ(GetFileSize(b, nullptr), INVALID_FILE_SIZE);
}

// ---- FileNames -----------------------------------------------------------------------

class FileNames : public DeviceTest {};

TEST_F(FileNames, DeleteRemovesFilesOnlyAndNotWhileOpen) {
  WriteText(u"\\gone.txt", "x");
  fs::create_directories(Root() / "Dir");
  {
    ScopedFile open(Open(u"\\gone.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_FALSE(DeleteFileW(u"\\gone.txt"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  }
  EXPECT_TRUE(DeleteFileW(u"\\GONE.TXT"));
  EXPECT_FALSE(fs::exists(Root() / "gone.txt"));
  EXPECT_FALSE(DeleteFileW(u"\\gone.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(u"\\Dir"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FileNames, MoveOntoAnExistingFileFailsAndChangesNothing) {
  WriteText(u"\\from.txt", "from");
  WriteText(u"\\to.txt", "to");
  EXPECT_FALSE(MoveFileW(u"\\from.txt", u"\\TO.TXT"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ReadText(u"\\from.txt"), "from");
  EXPECT_EQ(ReadText(u"\\to.txt"), "to");
}

TEST_F(FileNames, MoveRenamesAcrossFoldersAndChangesCase) {
  fs::create_directories(Root() / "Archive");
  WriteText(u"\\inv.qvn", "doc");
  ASSERT_TRUE(MoveFileW(u"\\INV.QVN", u"\\archive\\Inv 1.qvn"));
  EXPECT_EQ(FolderNames(Root() / "Archive"), std::vector<std::string>{"Inv 1.qvn"});
  ASSERT_TRUE(MoveFileW(u"\\Archive\\Inv 1.qvn", u"\\Archive\\INV 1.QVN"));
  EXPECT_EQ(FolderNames(Root() / "Archive"), std::vector<std::string>{"INV 1.QVN"});
  EXPECT_FALSE(MoveFileW(u"\\none.txt", u"\\x.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(MoveFileW(u"\\Archive\\INV 1.QVN", u"\\No Folder\\x.txt"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileNames, CopyHonoursFailIfExistsAndNeverCopiesOntoItself) {
  WriteText(u"\\src.txt", "source");
  WriteText(u"\\dst.txt", "target");
  EXPECT_FALSE(CopyFileW(u"\\src.txt", u"\\DST.TXT", TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_EQ(ReadText(u"\\dst.txt"), "target");
  ASSERT_TRUE(CopyFileW(u"\\SRC.TXT", u"\\dst.txt", FALSE));
  EXPECT_EQ(ReadText(u"\\dst.txt"), "source");
  ASSERT_TRUE(CopyFileW(u"\\src.txt", u"\\new.txt", TRUE));
  EXPECT_EQ(ReadText(u"\\new.txt"), "source");
  EXPECT_FALSE(CopyFileW(u"\\src.txt", u"\\SRC.txt", FALSE));
  EXPECT_EQ(ReadText(u"\\src.txt"), "source");
  EXPECT_FALSE(CopyFileW(u"\\missing.txt", u"\\x.txt", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileNames, FoldersAreCreatedRemovedAndKeptWhenNotEmpty) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Templates", nullptr));
  EXPECT_TRUE(fs::is_directory(Root() / "Templates"));
  EXPECT_FALSE(CreateDirectoryW(u"\\TEMPLATES", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryW(u"\\No\\Such", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  WriteText(u"\\Templates\\a.xsl", "x");
  EXPECT_FALSE(RemoveDirectoryW(u"\\templates"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_TRUE(DeleteFileW(u"\\templates\\A.XSL"));
  EXPECT_TRUE(RemoveDirectoryW(u"\\templates"));
  EXPECT_FALSE(fs::exists(Root() / "Templates"));
  EXPECT_FALSE(RemoveDirectoryW(u"\\templates"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileNames, AttributesTellFoldersFromFilesAndReportMissingOnes) {
  fs::create_directories(Root() / "Dir");
  WriteText(u"\\Dir\\file.txt", "x");
  EXPECT_EQ(GetFileAttributesW(u"\\dir"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW(u"\\DIR\\FILE.TXT"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesW(u"\\Dir\\nothing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesW(u"\\Nope\\nothing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
