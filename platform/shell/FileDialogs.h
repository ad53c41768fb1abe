// The open and save dialogs in the handheld's style: one full-screen dialog listing the
// folders and the files of one folder of the device that match the chosen filter, a name
// field and a type list.
#pragma once

#include "platform/base/Win32Types.h"

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

// Extended errors (CommDlgExtendedError): the file buffer is too small for the path chosen.
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

struct OPENFILENAMEW {
  DWORD lStructSize = sizeof(OPENFILENAMEW);
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  LPCWSTR lpstrFilter = nullptr;  // pairs of "shown\0pattern\0", ended by "\0"
  LPWSTR lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;  // 1-based; 0 takes the first
  LPWSTR lpstrFile = nullptr;  // in: a name to offer; out: the device path chosen
  DWORD nMaxFile = 0;
  LPWSTR lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  LPCWSTR lpstrInitialDir = nullptr;  // null: the device root
  LPCWSTR lpstrTitle = nullptr;
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  LPCWSTR lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  void* lpfnHook = nullptr;
  LPCWSTR lpTemplateName = nullptr;
};
using LPOPENFILENAMEW = OPENFILENAMEW*;

// Control ids of the dialog (a test script acts on them).
constexpr int kFileDialogList = 1120;  // a list view: folders ("[name]", "[..]" first below the root), then files
constexpr int kFileDialogName = 1152;
constexpr int kFileDialogType = 1136;

// TRUE with the chosen device path in lpstrFile (nFileOffset/nFileExtension set, the
// default extension added to a name without one). FALSE when cancelled or when the path
// does not fit (CommDlgExtendedError then says FNERR_BUFFERTOOSMALL). Tapping a folder
// enters it; OK with a name that names a folder enters it too. OFN_FILEMUSTEXIST refuses a
// missing file and OFN_OVERWRITEPROMPT asks before an existing one is replaced.
BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn);
BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn);
DWORD CommDlgExtendedError();
