// Any bytes as a picture file and as a packed bitmap: each decodes or is refused, never
// larger than the decoder's bounds; whatever was made is freed again.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/FuzzDevice.h"
#include "platform/gdi/Bmp.h"
#include "platform/gdi/Gdi.h"
#include "platform/imaging/ImageDecompress.h"

namespace {

using fuzzing::Require;

struct Feed {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

DWORD ReadFeed(LPSTR buffer, DWORD size, LPARAM param) {
  auto* feed = reinterpret_cast<Feed*>(param);
  size_t n = std::min<size_t>(size, feed->size - feed->pos);
  if (n) std::memcpy(buffer, feed->data + feed->pos, n);
  feed->pos += n;
  return static_cast<DWORD>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzDevice::Get();
  const int objects = platform::LiveGdiObjectCount();

  // The picture decoder, as the program calls it: a small maximum keeps the scaling cheap.
  Feed feed{data, size, 0};
  BYTE buffer[512];
  HBITMAP bitmap = nullptr;
  DecompressImageInfo info;
  info.pbBuffer = buffer;
  info.dwBufferMax = sizeof buffer;
  info.phBM = &bitmap;
  info.iBitDepth = 16;
  info.lParam = reinterpret_cast<LPARAM>(&feed);
  info.iMaxWidth = 48;
  info.iMaxHeight = 48;
  info.pfnGetData = ReadFeed;
  HRESULT hr = DecompressImageIndirect(&info);
  Require((hr == S_OK) == (bitmap != nullptr));
  Require(hr == S_OK || hr == E_FAIL);
  if (bitmap) {
    BITMAP bm;
    Require(GetObjectW(bitmap, sizeof bm, &bm) != 0);
    Require(bm.bmWidth >= 1 && bm.bmWidth <= 48 && bm.bmHeight >= 1 && bm.bmHeight <= 48);
    DeleteObject(bitmap);
  }

  // The same bytes as a bitmap resource holds them, and as a .BMP file.
  for (auto image : {platform::ParsePackedDib(data, size), platform::ParseBmpFile(data, size)}) {
    if (!image) continue;
    LONG h = image->header.biHeight < 0 ? -image->header.biHeight : image->header.biHeight;
    Require(image->header.biWidth > 0 && image->header.biWidth <= 16384 && h > 0 && h <= 16384);
    Require(image->bits.size() ==
            platform::DibStride(image->header.biWidth, image->header.biBitCount) * static_cast<size_t>(h));
    if (HBITMAP dib = platform::CreateBitmapFromDib(*image)) DeleteObject(dib);
  }
  Require(platform::LiveGdiObjectCount() == objects);
  return 0;
}
