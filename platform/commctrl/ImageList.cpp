// Image lists: images of one size kept as pixels, each pixel either a colour or
// transparent. A handle is valid from ImageList_Create until ImageList_Destroy.
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrlInternal.h"

namespace {

constexpr COLORREF kClear = 0xFFFFFFFF;  // a transparent pixel

struct ImageList {
  int cx = 0;
  int cy = 0;
  bool masked = false;
  std::vector<std::vector<COLORREF>> images;  // cx * cy pixels each, rows top down
};

struct Table {
  std::mutex lock;
  std::map<HIMAGELIST, std::unique_ptr<ImageList>> lists;
  UINT_PTR next = 0x4000;
};

Table& T() {
  static Table t;
  return t;
}

// The list behind a handle; only the thread that uses a control touches its lists, so the
// lock guards the table, not the list.
ImageList* Find(HIMAGELIST h) {
  std::lock_guard guard(T().lock);
  auto it = T().lists.find(h);
  return it == T().lists.end() ? nullptr : it->second.get();
}

struct BitmapPixels {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;
};

// Reads a bitmap through a memory context of its own; empty for a bad handle.
BitmapPixels Read(HBITMAP bitmap) {
  BitmapPixels out;
  BITMAP info;
  if (!bitmap || GetObjectW(bitmap, sizeof(info), &info) == 0) return out;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  if (!old) {
    DeleteDC(dc);
    return out;
  }
  out.width = info.bmWidth;
  out.height = std::abs(info.bmHeight);
  out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) out.pixels[static_cast<size_t>(y * out.width + x)] = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return out;
}

// Appends the images of `image` (transparent where `clear` says so).
template <typename IsClear>
int AddImages(ImageList& list, const BitmapPixels& image, IsClear clear) {
  if (image.width < list.cx || image.height < 1) return -1;
  int first = static_cast<int>(list.images.size());
  int count = image.width / list.cx;
  for (int i = 0; i < count; ++i) {
    std::vector<COLORREF> pixels(static_cast<size_t>(list.cx * list.cy), kClear);
    for (int y = 0; y < std::min(list.cy, image.height); ++y)
      for (int x = 0; x < list.cx; ++x) {
        int sx = i * list.cx + x;
        size_t at = static_cast<size_t>(y * image.width + sx);
        if (!clear(at)) pixels[static_cast<size_t>(y * list.cx + x)] = image.pixels[at] & 0xFFFFFF;
      }
    list.images.push_back(std::move(pixels));
  }
  return first;
}

COLORREF Blend(COLORREF a, COLORREF b, int percentB) {
  auto mix = [&](BYTE x, BYTE y) { return static_cast<BYTE>((x * (100 - percentB) + y * percentB) / 100); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int) {
  if (cx < 1 || cy < 1) return nullptr;
  auto list = std::make_unique<ImageList>();
  list->cx = cx;
  list->cy = cy;
  list->masked = flags & ILC_MASK;
  list->images.reserve(static_cast<size_t>(std::max(initial, 0)));
  std::lock_guard guard(T().lock);
  T().next += 4;
  auto handle = reinterpret_cast<HIMAGELIST>(T().next);
  T().lists[handle] = std::move(list);
  return handle;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  std::lock_guard guard(T().lock);
  return T().lists.erase(list) ? TRUE : FALSE;
}

int ImageList_GetImageCount(HIMAGELIST handle) {
  ImageList* list = Find(handle);
  return list ? static_cast<int>(list->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy) {
  ImageList* list = Find(handle);
  if (!list || !cx || !cy) return FALSE;
  *cx = list->cx;
  *cy = list->cy;
  return TRUE;
}

int ImageList_AddMasked(HIMAGELIST handle, HBITMAP bitmap, COLORREF mask) {
  ImageList* list = Find(handle);
  if (!list) return -1;
  BitmapPixels image = Read(bitmap);
  if (image.pixels.empty()) return -1;
  COLORREF key = mask == CLR_DEFAULT ? image.pixels[0] & 0xFFFFFF : mask;
  return AddImages(*list, image, [&](size_t at) { return mask != CLR_NONE && (image.pixels[at] & 0xFFFFFF) == key; });
}

int ImageList_Add(HIMAGELIST handle, HBITMAP bitmap, HBITMAP maskBitmap) {
  ImageList* list = Find(handle);
  if (!list) return -1;
  BitmapPixels image = Read(bitmap);
  if (image.pixels.empty()) return -1;
  BitmapPixels mask = Read(maskBitmap);
  bool useMask = mask.width == image.width && mask.height == image.height;
  return AddImages(*list, image, [&](size_t at) { return useMask && (mask.pixels[at] & 0xFFFFFF) != 0; });
}

BOOL ImageList_Remove(HIMAGELIST handle, int index) {
  ImageList* list = Find(handle);
  if (!list) return FALSE;
  if (index == -1) {
    list->images.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  list->images.erase(list->images.begin() + index);
  return TRUE;
}

HIMAGELIST ImageList_LoadImageW(HINSTANCE instance, LPCWSTR name, int cx, int grow, COLORREF mask, UINT type,
                                UINT) {
  if (type != IMAGE_BITMAP || cx < 1) return nullptr;
  HBITMAP bitmap = LoadBitmapW(instance, name);
  if (!bitmap) return nullptr;
  BITMAP info;
  GetObjectW(bitmap, sizeof(info), &info);
  HIMAGELIST list = nullptr;
  if (info.bmWidth >= cx) {
    list = ImageList_Create(cx, std::abs(info.bmHeight), ILC_COLOR | (mask == CLR_NONE ? 0 : ILC_MASK),
                            info.bmWidth / cx, grow);
    if (ImageList_AddMasked(list, bitmap, mask) < 0) {
      ImageList_Destroy(list);
      list = nullptr;
    }
  }
  DeleteObject(bitmap);
  return list;
}

BOOL ImageList_Draw(HIMAGELIST handle, int index, HDC dc, int x, int y, UINT style) {
  if (style & ILD_MASK) return platform::commctrl::DrawImageBlended(handle, index, dc, x, y, RGB(0, 0, 0), 100);
  int blend = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
  return platform::commctrl::DrawImageBlended(handle, index, dc, x, y, GetSysColor(COLOR_HIGHLIGHT), blend);
}

namespace platform::commctrl {

bool DrawImageBlended(HIMAGELIST handle, int index, HDC dc, int x, int y, COLORREF with, int percent) {
  ImageList* list = Find(handle);
  if (!list || index < 0 || index >= static_cast<int>(list->images.size())) return false;
  const std::vector<COLORREF>& pixels = list->images[static_cast<size_t>(index)];
  for (int row = 0; row < list->cy; ++row)
    for (int col = 0; col < list->cx; ++col) {
      COLORREF c = pixels[static_cast<size_t>(row * list->cx + col)];
      if (c == kClear) continue;
      SetPixel(dc, x + col, y + row, percent ? Blend(c, with, percent) : c);
    }
  return true;
}

}  // namespace platform::commctrl

namespace platform {

int LiveImageListCount() {
  std::lock_guard guard(T().lock);
  return static_cast<int>(T().lists.size());
}

}  // namespace platform
