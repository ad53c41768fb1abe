// The dialog manager: dialogs built from DIALOG and DIALOGEX templates in memory or in
// a module's resources, modal (a nested message loop) or modeless, with keyboard
// navigation between their controls.
//
// Dialog units become pixels by the dialog base unit of this system's dialog font:
// 6 x 13 pixels for 4 x 8 dialog units on the classic screen, twice that on screens of
// 480 pixels and more (GetDialogBaseUnits). Templates are read with bounds checks: a
// template from a module's resources is read within that resource, any other within
// 64 KB. A template that runs past its end, holds more than 255 items or a text longer
// than 1024 characters is refused: the call fails with ERROR_INVALID_DATA and nothing is
// created.
#pragma once

#include <string>

#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

#pragma pack(push, 2)
struct DLGTEMPLATE {
  DWORD style;
  DWORD dwExtendedStyle;
  WORD cdit;
  short x;
  short y;
  short cx;
  short cy;
};
struct DLGITEMTEMPLATE {
  DWORD style;
  DWORD dwExtendedStyle;
  short x;
  short y;
  short cx;
  short cy;
  WORD id;
};
#pragma pack(pop)
using LPCDLGTEMPLATEW = const DLGTEMPLATE*;

constexpr DWORD ERROR_INVALID_DATA = 13;

// Dialog styles.
constexpr DWORD DS_ABSALIGN = 0x0001;
constexpr DWORD DS_SYSMODAL = 0x0002;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_NOIDLEMSG = 0x0100;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;

// The dialog class.
#define WC_DIALOG (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(0x8002)))
constexpr const char16_t* kDialogClassName = u"#32770";
constexpr int DLGWINDOWEXTRA = 30;

// Default push button.
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;

// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

// Runs a modal dialog: the owner is disabled, the dialog shown, and a nested message
// loop runs until EndDialog; the owner is enabled again before the dialog is destroyed.
// Returns EndDialog's result, or -1 when the dialog could not be made.
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW templ, HWND owner, DLGPROC proc, LPARAM param);
// A modeless dialog (a child dialog when the template has WS_CHILD). Shown when the
// template has WS_VISIBLE. Null when it could not be made.
HWND CreateDialogIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW templ, HWND parent, DLGPROC proc, LPARAM param);
// The same with the template found by name or id among the module's RT_DIALOG resources.
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM param);
HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Tab, arrows, Enter and Esc for the dialog's controls; TRUE when `msg` was for the
// dialog (it has then been dispatched or consumed).
BOOL IsDialogMessageW(HWND dialog, LPMSG msg);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int cchMax);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);

LONG GetDialogBaseUnits();
// Dialog units to pixels in place.
BOOL MapDialogRect(HWND dialog, LPRECT rect);

namespace platform {

// The template id a dialog was made from (its resource id), 0 when unknown.
int DialogTemplateId(HWND dialog);
// Dialogs alive now.
int LiveDialogCount();

}  // namespace platform
