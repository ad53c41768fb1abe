// Any bytes as a picture file and as a packed bitmap: each decodes or is refused, never
// larger than the decoder's bounds; whatever was made is freed again.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzDevice.h"
#include "platform/gdi/Bmp.h"
#include "platform/gdi/Gdi.h"
#include "platform/imaging/ImageDecompress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using fuzzing::Require;
  fuzzing::FuzzDevice::Get();
  const int objects = platform::LiveGdiObjectCount();

  // The picture decoder behind DecompressImageIndirect: a picture within the bounds, or
  // nothing.
  platform::RgbaPicture picture;
  if (platform::DecodePicture(data, size, picture)) {
    Require(picture.width > 0 && picture.width <= 16384 && picture.height > 0 && picture.height <= 16384);
    Require(picture.pixels.size() == static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    Require(picture.pixels.size() <= 16u * 1024 * 1024);
  } else {
    Require(picture.width == 0 && picture.pixels.empty());
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
