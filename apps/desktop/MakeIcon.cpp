// MakeIcon: draws the program's icon for the desktop's menus from the language library's
// own pictures, at build time: the document page of the main menu bar, three times its
// size, with the "SIGNED" stamp across it, on a transparent ground.
//
// Usage: MakeIcon QVNLANGUAGE.DLL icon.png
#include <stdlib.h>

#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/gdi/BitmapRows.h"
#include "platform/gdi/CairoAccess.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"

namespace fs = std::filesystem;

namespace {

constexpr int kIconSize = 48;
constexpr int kPageScale = 3;
// The stamp's place on the page, at its own size.
constexpr int kStampLeft = 8;
constexpr int kStampTop = 26;
// The ground of the menu bar's pictures, which the icon leaves transparent.
constexpr std::uint32_t kGround = 0xC0C0C0;

// One bitmap of the library as a cairo image (the caller destroys it); null when missing.
cairo_surface_t* LoadPicture(HMODULE library, int id) {
  HBITMAP bitmap = LoadBitmapW(library, MAKEINTRESOURCEW(id));
  if (!bitmap) return nullptr;
  cairo_surface_t* picture = platform::CopyBitmapToSurface(bitmap);
  DeleteObject(bitmap);
  return picture;
}

std::uint32_t PixelAt(cairo_surface_t* picture, int x, int y) {
  const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(picture));
  const unsigned char* row = platform::RowStart(cairo_image_surface_get_data(picture), stride, y);
  return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF;
}

// Composes the icon and writes it; false when it cannot be written.
bool WriteIcon(cairo_surface_t* page, cairo_surface_t* stamp, const fs::path& file) {
  cairo_surface_t* icon = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kIconSize, kIconSize);
  cairo_surface_flush(icon);
  unsigned char* data = cairo_image_surface_get_data(icon);
  const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(icon));
  const int stampWidth = cairo_image_surface_get_width(stamp), stampHeight = cairo_image_surface_get_height(stamp);
  const int pageWidth = cairo_image_surface_get_width(page), pageHeight = cairo_image_surface_get_height(page);
  for (int y = 0; y < kIconSize; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(platform::RowStart(data, stride, y));
    for (int x = 0; x < kIconSize; ++x) {
      const int sx = x - kStampLeft, sy = y - kStampTop;
      std::uint32_t colour;
      if (sx >= 0 && sy >= 0 && sx < stampWidth && sy < stampHeight)
        colour = PixelAt(stamp, sx, sy);
      else if (x / kPageScale < pageWidth && y / kPageScale < pageHeight)
        colour = PixelAt(page, x / kPageScale, y / kPageScale);
      else
        colour = kGround;
      row[x] = colour == kGround ? 0 : 0xFF000000 | colour;
    }
  }
  cairo_surface_mark_dirty(icon);
  const bool written = cairo_surface_write_to_png(icon, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(icon);
  return written;
}

// Loads the library from a device of its own and draws the icon from it.
bool MakeIcon(const fs::path& library, const fs::path& icon) {
  std::error_code ec;
  fs::copy_file(library, platform::DeviceRoot() / "QVNLANGUAGE.DLL", ec);
  if (ec) return false;
  HMODULE module = LoadLibraryW(u"\\QVNLANGUAGE.DLL");
  if (!module) return false;
  cairo_surface_t* page = LoadPicture(module, IDB_MAIN_MENUBAR);
  cairo_surface_t* stamp = LoadPicture(module, IDB_MARK_SIGNED);
  const bool ok = page && stamp && WriteIcon(page, stamp, icon);
  if (page) cairo_surface_destroy(page);
  if (stamp) cairo_surface_destroy(stamp);
  FreeLibrary(module);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: MakeIcon QVNLANGUAGE.DLL icon.png\n");
    return 2;
  }
  std::error_code ec;
  std::string folder = (fs::temp_directory_path(ec) / "slateway-icon-XXXXXX").string();
  if (ec || !mkdtemp(folder.data())) {
    std::perror("MakeIcon");
    return 1;
  }
  platform::SetDeviceRoot(folder);
  const bool ok = MakeIcon(argv[1], argv[2]);
  fs::remove_all(folder, ec);
  if (!ok) {
    std::fprintf(stderr, "MakeIcon: cannot draw %s from %s\n", argv[2], argv[1]);
    return 1;
  }
  return 0;
}
