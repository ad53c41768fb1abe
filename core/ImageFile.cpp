#include "core/ImageFile.h"

#include "platform/kernel/FileHandles.h"
#include "platform/imaging/ImageDecompress.h"

namespace {

constexpr DWORD kReadBufferSize = 4096;
constexpr int kNoLimit = 10000;

DWORD ReadFromFile(LPSTR buffer, DWORD size, LPARAM param) {
  HANDLE file = reinterpret_cast<HANDLE>(param);
  if (!file || file == INVALID_HANDLE_VALUE) return 0;
  DWORD read = 0;
  return ReadFile(file, buffer, size, &read, nullptr) ? read : 0;
}

void NoProgress(HDC, BOOL, LPARAM) {}

}  // namespace

CImageFile::CImageFile(bool ownsBitmap) : m_ownsBitmap(ownsBitmap) {}

CImageFile::~CImageFile() {
  if (m_bitmap && m_ownsBitmap) DeleteObject(m_bitmap);
}

int CImageFile::Load(HDC dc, LPCWSTR fileName, int maxWidth, int maxHeight) {
  if (!m_memDc) m_memDc = CMemoryDC::CompatibleWith(dc);
  CFileHandle file(
      CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  if (m_bitmap && m_ownsBitmap) DeleteObject(m_bitmap);
  m_bitmap = nullptr;
  m_width = m_height = 0;

  BYTE buffer[kReadBufferSize];
  DecompressImageInfo info;
  info.dwSize = sizeof info;
  info.pbBuffer = buffer;
  info.dwBufferMax = kReadBufferSize;
  info.phBM = &m_bitmap;
  info.iBitDepth = GetDeviceCaps(dc, BITSPIXEL);
  info.lParam = reinterpret_cast<LPARAM>(file.get());
  info.hdc = m_memDc.get();
  info.iScale = 100;
  info.iMaxWidth = maxWidth ? maxWidth : kNoLimit;
  info.iMaxHeight = maxHeight ? maxHeight : kNoLimit;
  info.pfnGetData = ReadFromFile;
  info.pfnImageProgress = NoProgress;
  info.crTransparentOverride = 0xFFFFFFFF;
  DecompressImageIndirect(&info);
  file.reset();

  BITMAP bm;
  if (m_bitmap && GetObjectW(m_bitmap, sizeof bm, &bm)) {
    m_width = bm.bmWidth;
    m_height = bm.bmHeight;
  }
  return 1;
}
