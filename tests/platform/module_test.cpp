// The module loader and resource lookups over the built language library.
//
// Groups:
//   ModuleLoad.*      loading, handles, paths, use counts
//   LoadString.*      string tables: present and missing ids, truncation, block edges
//   FindResource.*    lookup by type and id together, names, foreign handles
//   DamagedModule.*   missing, truncated, foreign and corrupted files are refused safely
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "platform/module/Module.h"
#include "platform/user/Dialog.h"
#include "platform/testing/DeviceFixture.h"

namespace {

constexpr char16_t kLibraryPath[] = u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL";

std::vector<char> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ModuleTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    m_library = ReadBytes(SLATEWAY_RESOURCE_LIBRARY);
    ASSERT_GT(m_library.size(), 1024u) << "the build did not produce the language library";
    Install(m_library);
  }
  void TearDown() override {
    EXPECT_EQ(platform::LoadedModuleCount(), 0) << "a module was left loaded";
    DeviceTest::TearDown();
  }

  void Install(const std::vector<char>& bytes, std::u16string_view devicePath = kLibraryPath) {
    std::filesystem::path path = Linux(devicePath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // File offset of the resource section's data, read from the section table.
  size_t ResourceSectionOffset() const {
    auto u16 = [&](size_t at) { return static_cast<size_t>(static_cast<unsigned char>(m_library[at]) |
                                                          (static_cast<unsigned char>(m_library[at + 1]) << 8)); };
    auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
    size_t pe = u32(0x3C);
    size_t sections = u16(pe + 6);
    size_t table = pe + 24 + u16(pe + 20);
    for (size_t i = 0; i < sections; ++i) {
      size_t at = table + i * 40;
      if (std::string(&m_library[at], 5) == ".rsrc") return u32(at + 20);
    }
    ADD_FAILURE() << "no resource section";
    return 0;
  }

  std::vector<char> m_library;
};

// Loads the library for one test body and frees it at the end.
class Library {
 public:
  explicit Library(LPCWSTR path = kLibraryPath) : m_module(LoadLibraryW(path)) {}
  ~Library() {
    if (m_module) FreeLibrary(m_module);
  }
  HMODULE get() const { return m_module; }

 private:
  HMODULE m_module;
};

std::u16string Load(HMODULE module, UINT id, int cch = 256) {
  std::vector<WCHAR> buffer(static_cast<size_t>(cch) + 1, u'x');
  int length = LoadStringW(module, id, buffer.data(), cch);
  EXPECT_EQ(buffer[static_cast<size_t>(length)], u'\0') << "id " << id << " not terminated";
  return std::u16string(buffer.data(), static_cast<size_t>(length));
}

// ---- ModuleLoad ------------------------------------------------------------------------

TEST_F(ModuleTest, ModuleLoadGivesHandlePathAndCountsUses) {
  HMODULE first = LoadLibraryW(kLibraryPath);
  ASSERT_NE(first, nullptr) << GetLastError();
  // The same file by another spelling is the same module.
  HMODULE second = LoadLibraryW(u"\\program files\\slateway\\qvnlanguage.dll");
  EXPECT_EQ(first, second);
  EXPECT_EQ(platform::LoadedModuleCount(), 1);
  EXPECT_EQ(GetModuleHandleW(u"qvnlanguage.DLL"), first);
  EXPECT_EQ(GetModuleHandleW(kLibraryPath), first);

  WCHAR path[MAX_PATH];
  DWORD length = GetModuleFileNameW(first, path, MAX_PATH);
  EXPECT_EQ(std::u16string(path, length), kLibraryPath);
  // A short buffer gets the path cut, terminated, and the buffer size back.
  WCHAR small[8];
  EXPECT_EQ(GetModuleFileNameW(first, small, 8), 8u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::u16string(small), u"\\Progra");

  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(GetModuleHandleW(u"QVNLANGUAGE.DLL"), first) << "still one use left";
  EXPECT_TRUE(FreeLibrary(second));
  EXPECT_EQ(GetModuleHandleW(u"QVNLANGUAGE.DLL"), nullptr);
  EXPECT_FALSE(FreeLibrary(first)) << "a freed handle is no longer valid";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(ModuleTest, ModuleLoadProgramModuleHasPathButNoResources) {
  HMODULE program = GetModuleHandleW(nullptr);
  ASSERT_NE(program, nullptr);
  platform::SetProgramModulePath(u"\\Program Files\\Slateway\\Slateway.exe");
  WCHAR path[MAX_PATH];
  EXPECT_EQ(std::u16string(path, GetModuleFileNameW(nullptr, path, MAX_PATH)), u"\\Program Files\\Slateway\\Slateway.exe");
  EXPECT_EQ(GetModuleHandleW(u"slateway.exe"), program);
  EXPECT_EQ(FindResourceW(program, MAKEINTRESOURCEW(101), RT_ICON), nullptr);
  EXPECT_EQ(Load(program, 40113), u"");
}

// ---- LoadString ------------------------------------------------------------------------

TEST_F(ModuleTest, LoadStringReadsTextsAcrossBlocksOfSixteen) {
  Library library;
  ASSERT_NE(library.get(), nullptr);
  struct Case {
    UINT id;
    std::u16string text;
  } cases[] = {
      {40113, u"Invoice"},        // block 2508, entry 1
      {40118, u"Estimate"},       // same block, a missing neighbour (40117) between
      {40120, u"Memorized"},
      {40343, u"Sales Receipt"},  // block 2521, entry 7
      {40381, u"Sales Order"},    // block 2523, entry 13
      {40272, u"Use as default message"},  // first entry of block 2518
      {40235, u"Aborted."},       // last-but-four entry of block 2515
  };
  for (const Case& c : cases) EXPECT_EQ(Load(library.get(), c.id), c.text) << "id " << c.id;
  // Id 16 is the first entry of block 2 and a format with one text placeholder.
  EXPECT_NE(Load(library.get(), 16).find(u"%s"), std::u16string::npos);
}

TEST_F(ModuleTest, LoadStringMissingIdGivesZeroAndEmptyText) {
  Library library;
  ASSERT_NE(library.get(), nullptr);
  // Missing entries of a present block, of an absent block, id 0 and an id past 65535.
  for (UINT id : {40117u, 40119u, 40127u, 17u, 15u, 0u, 50000u, 65535u, 70000u}) {
    WCHAR buffer[16] = {u'x', u'x', u'x'};
    EXPECT_EQ(LoadStringW(library.get(), id, buffer, 16), 0) << "id " << id;
    EXPECT_EQ(buffer[0], u'\0') << "id " << id;
  }
}

TEST_F(ModuleTest, LoadStringCutsAtTheBuffer) {
  Library library;
  ASSERT_NE(library.get(), nullptr);
  EXPECT_EQ(Load(library.get(), 40343, 6), u"Sales");
  EXPECT_EQ(Load(library.get(), 40343, 14), u"Sales Receipt");
  EXPECT_EQ(Load(library.get(), 40343, 13), u"Sales Receip");
  EXPECT_EQ(Load(library.get(), 40343, 1), u"");

  // A zero-sized buffer receives a read-only pointer to the text itself.
  LPCWSTR text = nullptr;
  int length = LoadStringW(library.get(), 40343, reinterpret_cast<LPWSTR>(&text), 0);
  ASSERT_EQ(length, 13);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text, 13), u"Sales Receipt");
}

TEST_F(ModuleTest, LoadStringWithoutModuleFails) {
  WCHAR buffer[8] = {u'x'};
  EXPECT_EQ(LoadStringW(nullptr, 40113, buffer, 8), 0);
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(buffer), 40113, buffer, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(ModuleTest, LoadStringPrefersEnglishAndKeepsLongAndNonAsciiTexts) {
  Install(ReadBytes(SLATEWAY_TEST_RESOURCE_LIBRARY), u"\\TESTRES.DLL");
  Library library(u"\\TESTRES.DLL");
  ASSERT_NE(library.get(), nullptr);
  // Block 7 exists in German and US English; without a neutral one, English wins.
  EXPECT_EQ(Load(library.get(), 101), u"Two languages");
  EXPECT_EQ(Load(library.get(), 102), u"Caf\u00e9 \u20ac5");
  std::u16string longText = Load(library.get(), 100, 2000);
  ASSERT_EQ(longText.size(), 1500u);
  EXPECT_EQ(longText.substr(1490), u"0123456789");
  HRSRC german = FindResourceExW(library.get(), RT_STRING, MAKEINTRESOURCEW(7), 0x0407);
  ASSERT_NE(german, nullptr);
  EXPECT_NE(german, FindResourceW(library.get(), MAKEINTRESOURCEW(7), RT_STRING));
}

// ---- FindResource ----------------------------------------------------------------------

TEST_F(ModuleTest, FindResourceKeysByTypeAndIdTogether) {
  Library library;
  HMODULE module = library.get();
  ASSERT_NE(module, nullptr);
  HRSRC bitmap = FindResourceW(module, MAKEINTRESOURCEW(155), RT_BITMAP);
  HRSRC dialog = FindResourceW(module, MAKEINTRESOURCEW(155), RT_DIALOG);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_NE(dialog, nullptr);
  EXPECT_NE(bitmap, dialog);

  // The bitmap starts with its 40-byte info header; the template with its window style.
  const auto* bitmapBytes = static_cast<const BYTE*>(LockResource(LoadResource(module, bitmap)));
  const auto* dialogBytes = static_cast<const BYTE*>(LockResource(LoadResource(module, dialog)));
  ASSERT_NE(bitmapBytes, nullptr);
  ASSERT_NE(dialogBytes, nullptr);
  EXPECT_EQ(bitmapBytes[0], 40);
  EXPECT_EQ(bitmapBytes[4], 16) << "the items list bitmap is 16 pixels wide";
  EXPECT_EQ(dialogBytes[3], 0x80) << "popup style in the template's first word";
  EXPECT_EQ(SizeofResource(module, bitmap), 40u + 16 * 16 * 3);

  // "#155" names the same id.
  EXPECT_EQ(FindResourceW(module, u"#155", RT_BITMAP), bitmap);
  // An id present under one type only.
  EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(204), RT_DIALOG), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(204), RT_BITMAP), nullptr);
  // A type the library does not hold.
  EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(155), RT_ACCELERATOR), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
}

TEST_F(ModuleTest, FindResourceByNameIgnoresCase) {
  Library library;
  HMODULE module = library.get();
  ASSERT_NE(module, nullptr);
  HRSRC sound = FindResourceW(module, u"ADDITEMSOUNDNAME2", u"WAVE");
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(FindResourceW(module, u"AddItemSoundName2", u"wave"), sound);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, sound)));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string(bytes, 4), "RIFF");
  EXPECT_EQ(std::string(bytes + 8, 4), "WAVE");
  EXPECT_EQ(FindResourceW(module, u"ADDITEMSOUNDNAME", u"WAVE"), nullptr);
  // A language that is not there.
  EXPECT_EQ(FindResourceExW(module, u"WAVE", u"ADDITEMSOUNDNAME2", 0x0407), nullptr);
  EXPECT_EQ(FindResourceExW(module, u"WAVE", u"ADDITEMSOUNDNAME2", 0x0409), sound);
}

TEST_F(ModuleTest, FindResourceHandleOfAnotherModuleIsRefused) {
  Library library;
  ASSERT_NE(library.get(), nullptr);
  HRSRC bitmap = FindResourceW(library.get(), MAKEINTRESOURCEW(191), RT_BITMAP);
  ASSERT_NE(bitmap, nullptr);
  HMODULE program = GetModuleHandleW(nullptr);
  EXPECT_EQ(LoadResource(program, bitmap), nullptr);
  EXPECT_EQ(SizeofResource(program, bitmap), 0u);
  EXPECT_EQ(LoadResource(library.get(), reinterpret_cast<HRSRC>(&bitmap)), nullptr);
}

// ---- DamagedModule ---------------------------------------------------------------------

TEST_F(ModuleTest, DamagedModuleMissingFileIsNotFound) {
  EXPECT_EQ(LoadLibraryW(u"\\Program Files\\Slateway\\NOSUCH.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibraryW(u"\\Program Files\\Slateway"), nullptr) << "a folder is no module";
  EXPECT_EQ(LoadLibraryW(u""), nullptr);
  EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
}

TEST_F(ModuleTest, DamagedModuleTruncatedFilesAreRefused) {
  for (size_t length : {size_t{0}, size_t{1}, size_t{2}, size_t{63}, size_t{64}, size_t{200}, size_t{1024}}) {
    Install(std::vector<char>(m_library.begin(), m_library.begin() + static_cast<long>(length)));
    EXPECT_EQ(LoadLibraryW(kLibraryPath), nullptr) << "cut at " << length;
    EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT) << "cut at " << length;
  }
  for (size_t length = 1024; length < m_library.size(); length += 997) {
    Install(std::vector<char>(m_library.begin(), m_library.begin() + static_cast<long>(length)));
    EXPECT_EQ(LoadLibraryW(kLibraryPath), nullptr) << "cut at " << length;
    EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT) << "cut at " << length;
  }
}

TEST_F(ModuleTest, DamagedModuleForeignFilesAreRefused) {
  std::string text = "This is a text file, not a library.\n";
  std::string elf = "\x7f" "ELF" + std::string(200, '\0');
  std::string bareDos = "MZ" + std::string(200, '\0');  // points at offset 0, no "PE"
  for (const std::string& bytes : {text, elf, bareDos}) {
    Install(std::vector<char>(bytes.begin(), bytes.end()));
    EXPECT_EQ(LoadLibraryW(kLibraryPath), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
  }
}

TEST_F(ModuleTest, DamagedModuleBadHeadersAndTreesAreRefused) {
  size_t rsrc = ResourceSectionOffset();
  ASSERT_GT(rsrc, 0u);
  auto patched = [&](size_t at, std::vector<unsigned char> bytes) {
    std::vector<char> copy = m_library;
    for (size_t i = 0; i < bytes.size(); ++i) copy[at + i] = static_cast<char>(bytes[i]);
    return copy;
  };
  struct Case {
    const char* what;
    std::vector<char> bytes;
  } cases[] = {
      {"PE header offset past the end", patched(0x3C, {0x00, 0xFF, 0xFF, 0x7F})},
      {"root directory claims 65535 entries", patched(rsrc + 14, {0xFF, 0xFF})},
      // The first type entry points back at the root: its "names" are types again, and
      // the third level finds directories where data entries belong.
      {"directory refers to itself", patched(rsrc + 20, {0x00, 0x00, 0x00, 0x80})},
      {"directory offset past the section", patched(rsrc + 20, {0x00, 0x00, 0xF0, 0xFF})},
      {"resource name offset past the section", patched(rsrc + 16, {0xF0, 0xFF, 0xFF, 0xFF})},
  };
  for (const Case& c : cases) {
    Install(c.bytes);
    HMODULE module = LoadLibraryW(kLibraryPath);
    EXPECT_EQ(module, nullptr) << c.what;
    EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT) << c.what;
    if (module) FreeLibrary(module);
  }
}

TEST_F(ModuleTest, DamagedModuleRandomCorruptionNeverCrashes) {
  size_t rsrc = ResourceSectionOffset();
  ASSERT_GT(rsrc, 0u);
  std::mt19937 random(20261209);
  std::uniform_int_distribution<size_t> where(rsrc, std::min(m_library.size() - 1, rsrc + 0x400));
  std::uniform_int_distribution<int> value(0, 255);
  int loaded = 0;
  for (int round = 0; round < 150; ++round) {
    std::vector<char> copy = m_library;
    for (int flips = 0; flips < 4; ++flips) copy[where(random)] = static_cast<char>(value(random));
    Install(copy);
    HMODULE module = LoadLibraryW(kLibraryPath);
    if (!module) {
      EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
      continue;
    }
    // Whatever loaded must be readable without going outside the file.
    ++loaded;
    WCHAR buffer[64];
    for (UINT id : {16u, 40113u, 40235u, 40244u, 40343u}) LoadStringW(module, id, buffer, 64);
    for (WORD id : {155, 191, 204}) {
      HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
      if (res) {
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, res)));
        DWORD size = SizeofResource(module, res);
        unsigned sum = 0;
        for (DWORD i = 0; i < size; ++i) sum += data[i];
        (void)sum;
      }
    }
    FreeLibrary(module);
  }
  RecordProperty("loaded", loaded);
}

}  // namespace

namespace {

// A library whose dialog 4 is an empty resource: its address is that resource's, with no
// byte to read, so the dialog reader stops there instead of reading past the file.
TEST_F(ModuleTest, DamagedModuleEmptyResourceIsReadAsEmpty) {
  Install(ReadBytes(std::filesystem::path(SLATEWAY_PLATFORM_TEST_DATA) / "regressions/empty_dialog_resource.dll"));
  HMODULE library = LoadLibraryW(kLibraryPath);
  ASSERT_NE(library, nullptr);
  HRSRC resource = FindResourceW(library, MAKEINTRESOURCEW(4), RT_DIALOG);
  ASSERT_NE(resource, nullptr);
  EXPECT_EQ(SizeofResource(library, resource), 0u);
  WORD type = 0, name = 0;
  DWORD left = 99;
  EXPECT_TRUE(platform::FindResourceOfData(LoadResource(library, resource), &type, &name, &left));
  EXPECT_EQ(type, 5);
  EXPECT_EQ(name, 4);
  EXPECT_EQ(left, 0u);
  const DLGPROC quiet = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
  EXPECT_EQ(CreateDialogParamW(library, MAKEINTRESOURCEW(4), nullptr, quiet, 0), nullptr);
  FreeLibrary(library);
}

}  // namespace
