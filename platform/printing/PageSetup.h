// The page set-up dialog as the program uses it: asked, without being shown, for the
// default printer's names and settings, which a printer's context is made from.
#pragma once

#include "platform/base/Base.h"
#include "platform/base/Geometry.h"
#include "platform/base/Win32Types.h"

// Global memory blocks are local ones on this system.
inline HGLOBAL GlobalFree(HGLOBAL mem) { return LocalFree(mem); }
inline LPVOID GlobalLock(HGLOBAL mem) { return mem; }
inline BOOL GlobalUnlock(HGLOBAL) { return TRUE; }

constexpr DWORD PSD_MARGINS = 0x00000002;
constexpr DWORD PSD_INTHOUSANDTHSOFINCHES = 0x00000004;
constexpr DWORD PSD_DISABLEMARGINS = 0x00000010;
constexpr DWORD PSD_DISABLEPRINTER = 0x00000020;
constexpr DWORD PSD_RETURNDEFAULT = 0x00000400;

// The names in a DEVNAMES block: offsets in characters from the block's start.
struct DEVNAMES {
  WORD wDriverOffset;
  WORD wDeviceOffset;
  WORD wOutputOffset;
  WORD wDefault;
};

struct DEVMODEW {
  WCHAR dmDeviceName[32];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  short dmOrientation;
  short dmPaperSize;
  short dmPaperLength;
  short dmPaperWidth;
  short dmCopies;
};

struct PAGESETUPDLGW {
  DWORD lStructSize;
  HWND hwndOwner;
  HGLOBAL hDevMode;
  HGLOBAL hDevNames;
  DWORD Flags;
  POINT ptPaperSize;
  RECT rtMinMargin;
  RECT rtMargin;
  HINSTANCE hInstance;
  LPARAM lCustData;
  void* lpfnPageSetupHook;
  void* lpfnPagePaintHook;
  LPCWSTR lpPageSetupTemplateName;
  HGLOBAL hPageSetupTemplate;
};

// The device's one printer: the portable printer on the serial port.
inline constexpr char16_t kDefaultPrinterDriver[] = u"CMP10";
inline constexpr char16_t kDefaultPrinterDevice[] = u"Citizen CMP-10";
inline constexpr char16_t kDefaultPrinterPort[] = u"COM1:";

// With PSD_RETURNDEFAULT: fills hDevMode and hDevNames with new blocks for the default
// printer (the caller frees both with GlobalFree) and the paper size in thousandths of an
// inch, and answers TRUE without showing anything. The dialog itself is not offered: a
// call without that flag, or with a structure of the wrong size or with blocks already
// set, answers FALSE.
BOOL PageSetupDlgW(PAGESETUPDLGW* setup);
