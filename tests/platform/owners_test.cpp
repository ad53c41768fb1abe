// The resource owners. Groups:
//   UniqueHandle  - one close per handle however it is moved, reset, put or released
//   KernelOwners  - files and searches closed by their owners
//   RegistryOwner - opened keys closed, moved keys closed once
//   GdiOwners     - objects deleted, contexts ended, selections and palettes put back
#include <vector>

#include "platform/base/UniqueHandle.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/kernel/FileHandles.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/testing/DrawingFixture.h"

namespace {

using platform::testing::DeviceTest;
using platform::testing::DrawingTest;

std::vector<int> g_closed;

struct CountingTraits {
  using Handle = int;
  static Handle Invalid() { return 0; }
  static void Close(Handle h) { g_closed.push_back(h); }
};
using Counted = CUniqueHandle<CountingTraits>;

using UniqueHandle = DeviceTest;

TEST_F(UniqueHandle, EveryHandleIsClosedOnceWhateverHappensToItsOwner) {
  g_closed.clear();
  {
    Counted a(1);
    Counted b(std::move(a));                // moved: only b closes 1
    EXPECT_FALSE(a.IsValid());
    Counted c(2);
    c = std::move(b);                       // 2 closed now, c holds 1
    EXPECT_EQ(g_closed, std::vector<int>{2});
    c = std::move(c);                       // moving onto itself keeps the handle
    EXPECT_EQ(c.get(), 1);
    *c.put() = 3;                           // 1 closed before the slot is handed out
    c.reset(4);                             // 3 closed
    Counted d(5);
    EXPECT_EQ(d.release(), 5);              // the caller's now: never closed here
    EXPECT_FALSE(d);
  }
  EXPECT_EQ(g_closed, (std::vector<int>{2, 1, 3, 4}));
}

using KernelOwners = DeviceTest;

TEST_F(KernelOwners, FilesAndSearchesAreClosedByTheirOwners) {
  WriteText(u"\\a.txt", "x");
  {
    CFileHandle file(CreateFileW(u"\\a.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    WIN32_FIND_DATAW data;
    CFindHandle search(FindFirstFileW(u"\\*.txt", &data));
    ASSERT_TRUE(search);
    CFindHandle moved(std::move(search));
    EXPECT_EQ(platform::OpenKernelHandleCount(), 2);
  }
  EXPECT_EQ(platform::OpenKernelHandleCount(), 0);
}

using RegistryOwner = DeviceTest;

TEST_F(RegistryOwner, OpenedKeyIsClosedOnceByItsLastOwner) {
  {
    CRegKeyHandle key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Owners", 0, nullptr, 0, 0, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    CRegKeyHandle other;
    other = std::move(key);
    EXPECT_EQ(platform::OpenRegistryKeyCount(), 1);
  }
  EXPECT_EQ(platform::OpenRegistryKeyCount(), 0);
}

using GdiOwners = DrawingTest;

TEST_F(GdiOwners, ObjectsAndContextsEndWithTheirOwners) {
  {
    CWindowDC screen(nullptr);
    ASSERT_TRUE(screen);
    CMemoryDC mem = CMemoryDC::CompatibleWith(screen.get());
    ASSERT_TRUE(mem);
    CGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), 4, 4));
    CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    CGdiObject<HPEN> movedPen(std::move(pen));
    EXPECT_EQ(platform::LiveGdiObjectCount(), 4);
  }
  EXPECT_EQ(platform::LiveGdiObjectCount(), 0);
}

TEST_F(GdiOwners, SelectionsAndPalettesArePutBackOnceAtTheEndOfTheirScope) {
  CMemoryDC mem = CMemoryDC::CompatibleWith(nullptr);
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
  HGDIOBJ stockPen = GetCurrentObject(mem.get(), OBJ_PEN);
  {
    CSelectObjectScope selected(mem.get(), pen.get());
    EXPECT_EQ(selected.get(), stockPen);
    CSelectObjectScope moved(std::move(selected));  // the move restores nothing yet
    EXPECT_EQ(GetCurrentObject(mem.get(), OBJ_PEN), pen.get());
    CSelectObjectScope nothing(mem.get(), nullptr);  // selects and restores nothing
    EXPECT_FALSE(nothing);
  }
  EXPECT_EQ(GetCurrentObject(mem.get(), OBJ_PEN), stockPen);
  {
    CSelectObjectScope kept(mem.get(), pen.get());
    EXPECT_EQ(kept.release(), stockPen);
  }
  EXPECT_EQ(GetCurrentObject(mem.get(), OBJ_PEN), pen.get());
  SelectObject(mem.get(), stockPen);

  LOGPALETTE log{0x300, 1, {{1, 2, 3, 0}}};
  CGdiObject<HPALETTE> palette(CreatePalette(&log));
  HGDIOBJ before = GetCurrentObject(mem.get(), OBJ_PAL);
  {
    CSelectPaletteScope selected(mem.get(), palette.get());
    EXPECT_EQ(GetCurrentObject(mem.get(), OBJ_PAL), palette.get());
  }
  EXPECT_EQ(GetCurrentObject(mem.get(), OBJ_PAL), before);
}

}  // namespace
