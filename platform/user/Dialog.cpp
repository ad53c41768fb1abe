// The dialog manager: dialogs from templates, modal loops, default procedure and
// keyboard navigation.
#include "platform/user/Dialog.h"

#include <algorithm>
#include <cstdio>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/module/Module.h"
#include "platform/user/Controls.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowManager.h"

using namespace platform::user;

namespace {

constexpr size_t kUnknownTemplateSpan = 64 * 1024;

// What the dialog manager keeps per dialog window.
class DialogData : public WindowData {
 public:
  int templateId = 0;
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  WORD defId = IDOK;
  HWND lastFocus = nullptr;  // restored when the dialog is activated again
  HFONT font = nullptr;      // the template's font, deleted with the dialog
};

// The font a template names (DS_SETFONT), at the screen's pixels per inch.
HFONT TemplateFont(const DialogTemplate& t) {
  if (!(t.style & DS_SETFONT) || t.pointSize == 0) return nullptr;
  LOGFONTW lf;
  lf.lfHeight = -((t.pointSize * platform::ScreenPixelsPerInch() + 36) / 72);
  lf.lfWeight = FW_NORMAL;
  size_t n = std::min<size_t>(t.fontName.size(), LF_FACESIZE - 1);
  std::copy_n(t.fontName.data(), n, lf.lfFaceName);
  lf.lfFaceName[n] = 0;
  return CreateFontIndirectW(&lf);
}

int Scale() { return platform::ScreenScale(); }
int BaseX() { return 6 * Scale(); }
int BaseY() { return 13 * Scale(); }
int DluX(int v) { return v * BaseX() / 4; }
int DluY(int v) { return v * BaseY() / 8; }

// The template's bytes and its resource id, when it lies in a loaded module.
struct TemplateSource {
  const std::uint8_t* data = nullptr;
  size_t size = 0;
  int id = 0;
};

TemplateSource SourceOf(LPCDLGTEMPLATEW templ) {
  TemplateSource src;
  src.data = reinterpret_cast<const std::uint8_t*>(templ);
  src.size = kUnknownTemplateSpan;
  WORD type = 0;
  WORD name = 0;
  DWORD left = 0;
  if (platform::FindResourceOfData(templ, &type, &name, &left)) {
    src.size = left;
    if (type == 5) src.id = name;  // RT_DIALOG
  }
  return src;
}

bool IsDialog(HWND hwnd) { return DataOf<DialogData>(hwnd) != nullptr; }

// Tab-stop candidates in order: visible, enabled children, looking into child dialogs
// that act as part of their parent (WS_EX_CONTROLPARENT).
void CollectControls(HWND parent, std::vector<HWND>& out) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c) || !IsWindowEnabled(c)) continue;
    if (GetWindowLongW(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) {
      CollectControls(c, out);
      continue;
    }
    out.push_back(c);
  }
}

HWND FirstTabStop(HWND dialog) {
  std::vector<HWND> controls;
  CollectControls(dialog, controls);
  for (HWND c : controls)
    if (GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) return c;
  return nullptr;
}

void FocusControl(HWND control) {
  if (!control) return;
  SetFocus(control);
  // An edit reached from the keyboard has all its text selected.
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
}

// The button that Enter presses: the focused push button, else the default id.
void PressDefault(HWND dialog, HWND focus) {
  WORD id = 0;
  HWND button = nullptr;
  if (focus && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
    button = focus;
    id = static_cast<WORD>(GetDlgCtrlID(focus));
  } else {
    LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button)) {
      MessageBeep(0);
      return;
    }
  }
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

HWND MakeDialog(HINSTANCE instance, LPCDLGTEMPLATEW templ, HWND parent, DLGPROC proc, LPARAM param, bool modal,
                int knownId) {
  if (!templ) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  EnsureSystemClasses();
  TemplateSource src = SourceOf(templ);
  std::optional<DialogTemplate> t = ParseDialogTemplate(src.data, src.size);
  if (!t) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  std::u16string cls = kDialogClassName;
  if (!t->cls.text.empty()) cls = t->cls.text;
  bool child = t->style & WS_CHILD;
  DWORD style = t->style & ~WS_VISIBLE;
  if (!child) style |= WS_POPUP;
  int width = DluX(t->cx);
  int height = DluY(t->cy);
  // The template gives the client size; the frame comes on top.
  if (style & (WS_BORDER | WS_DLGFRAME)) {
    width += 2;
    height += 2;
  }
  if ((style & WS_CAPTION) == WS_CAPTION) height += GetSystemMetrics(SM_CYCAPTION);
  int x = DluX(t->x);
  int y = DluY(t->y);
  if (!child && (t->style & DS_CENTER)) {
    x = std::max(0, (platform::ScreenWidth() - width) / 2);
    y = std::max(0, (platform::ScreenHeight() - height) / 2);
  }
  // A dialog that is a control of another (a page) lets Tab run through its controls.
  DWORD exStyle = t->exStyle | ((t->style & DS_CONTROL) ? WS_EX_CONTROLPARENT : 0);
  HWND dialog = CreateWindowExW(exStyle, cls.c_str(), t->title.c_str(), style, x, y, width, height, parent, nullptr,
                                instance, reinterpret_cast<LPVOID>(param));
  if (!dialog) return nullptr;
  auto data = std::make_shared<DialogData>();
  data->templateId = knownId ? knownId : src.id;
  data->modal = modal;
  SetData(dialog, data);
  SetWindowLongW(dialog, DWL_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  data->font = TemplateFont(*t);
  if (data->font) SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(data->font), FALSE);

  for (const DialogItem& item : t->items) {
    std::u16string itemClass = item.cls.ordinal ? PredefinedClassName(item.cls.ordinal) : item.cls.text;
    const std::u16string& text = item.title.text;
    LPVOID creation = item.creationData.empty() ? nullptr : const_cast<std::uint8_t*>(item.creationData.data());
    HWND control =
        CreateWindowExW(item.exStyle | WS_EX_NOPARENTNOTIFY, itemClass.c_str(), text.c_str(), item.style | WS_CHILD,
                        DluX(item.x), DluY(item.y), DluX(item.cx), DluY(item.cy), dialog,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance, creation);
    if (!control) {
      DWORD error = GetLastError();
      DestroyWindow(dialog);
      SetLastError(error);
      return nullptr;
    }
    if (data->font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(data->font), FALSE);
    if ((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && platform::EqualsIgnoreCase(itemClass, u"BUTTON"))
      data->defId = static_cast<WORD>(item.id);
  }

  HWND first = FirstTabStop(dialog);
  if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && IsWindow(dialog))
    FocusControl(first ? first : nullptr);
  if (!IsWindow(dialog)) return nullptr;
  if ((t->style & WS_VISIBLE) && !modal) ShowWindow(dialog, SW_SHOW);
  return dialog;
}

bool ReturnsValueDirectly(UINT msg) {
  return msg == WM_INITDIALOG || msg == WM_CTLCOLORMSGBOX || msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ||
         msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORDLG || msg == WM_CTLCOLORSCROLLBAR || msg == WM_CTLCOLORSTATIC ||
         msg == WM_COMPAREITEM || msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM;
}

}  // namespace

namespace platform::user {

void RegisterDialogClass() { RegisterSystemClass(kDialogClassName, DefDlgProcW, DLGWINDOWEXTRA); }
void ResetDialogs() {}

}  // namespace platform::user

namespace {

INT_PTR RunModal(HINSTANCE instance, LPCDLGTEMPLATEW templ, HWND owner, DLGPROC proc, LPARAM param, int knownId,
                 const std::u16string& name = {}, const std::function<bool()>& ownIdle = {}) {
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  HWND dialog = MakeDialog(instance, templ, top, proc, param, true, knownId);
  if (!dialog) return -1;
  bool ownerWasEnabled = top && IsWindowEnabled(top);
  if (ownerWasEnabled) EnableWindow(top, FALSE);
  auto data = DataOf<DialogData>(dialog);
  if (data && !data->ended) ShowWindow(dialog, SW_SHOW);
  std::u16string what = name.empty() ? u"dialog " + platform::ToUtf16(std::to_string(data ? data->templateId : 0)) : name;
  bool finished = RunModalLoop(
      dialog, what, [&] { return !IsWindow(dialog) || data->ended; },
      [&](MSG& m) { return IsDialogMessageW(dialog, &m) != FALSE; }, ownIdle);
  if (!finished && data && !data->ended) {
    data->ended = true;
    data->result = IDCANCEL;
  }
  INT_PTR result = data ? data->result : -1;
  // The owner comes back before the dialog goes, so that activation returns to it.
  if (ownerWasEnabled && IsWindow(top)) EnableWindow(top, TRUE);
  if (IsWindow(dialog)) {
    ShowWindow(dialog, SW_HIDE);
    DestroyWindow(dialog);
  }
  return result;
}

}  // namespace

INT_PTR platform::user::RunModalDialog(HINSTANCE instance, const void* templ, HWND owner, DLGPROC proc, LPARAM param,
                                       int knownId, const std::u16string& what, const std::function<bool()>& ownIdle) {
  return RunModal(instance, static_cast<LPCDLGTEMPLATEW>(templ), owner, proc, param, knownId, what, ownIdle);
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW templ, HWND owner, DLGPROC proc, LPARAM param) {
  return RunModal(instance, templ, owner, proc, param, 0);
}

HWND CreateDialogIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW templ, HWND parent, DLGPROC proc, LPARAM param) {
  return MakeDialog(instance, templ, parent, proc, param, false, 0);
}

namespace {

LPCDLGTEMPLATEW LoadTemplate(HINSTANCE instance, LPCWSTR name, int& id) {
  HRSRC res = FindResourceW(instance, name, RT_DIALOG);
  if (!res) return nullptr;
  id = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : 0;
  return static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(instance, res)));
}

}  // namespace

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM param) {
  int id = 0;
  LPCDLGTEMPLATEW templ = LoadTemplate(instance, templateName, id);
  if (!templ) return -1;
  return RunModal(instance, templ, owner, proc, param, id);
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM param) {
  int id = 0;
  LPCDLGTEMPLATEW templ = LoadTemplate(instance, templateName, id);
  if (!templ) return nullptr;
  return MakeDialog(instance, templ, parent, proc, param, false, id);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  auto data = DataOf<DialogData>(dialog);
  if (!data) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  data->ended = true;
  data->result = result;
  return TRUE;
}

LRESULT DefDlgProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongW(hwnd, DWL_DLGPROC));
  if (proc) {
    SetWindowLongW(hwnd, DWL_MSGRESULT, 0);
    INT_PTR handled = proc(hwnd, msg, wParam, lParam);
    if (handled) return ReturnsValueDirectly(msg) ? handled : GetWindowLongW(hwnd, DWL_MSGRESULT);
    if (!IsWindow(hwnd)) return 0;
  }
  auto data = DataOf<DialogData>(hwnd);
  switch (msg) {
    case WM_INITDIALOG:
      return 0;
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(hwnd, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_ACTIVATE:
      if (!data) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) data->lastFocus = focus;
      } else {
        HWND target = data->lastFocus && IsWindow(data->lastFocus) ? data->lastFocus : FirstTabStop(hwnd);
        if (target && IsWindowEnabled(target)) SetFocus(target);
        else SetFocus(hwnd);
      }
      return 0;
    case WM_SETFOCUS: {
      if (!data) break;
      HWND target = data->lastFocus && IsWindow(data->lastFocus) ? data->lastFocus : FirstTabStop(hwnd);
      if (target && IsWindowEnabled(target)) SetFocus(target);
      return 0;
    }
    case WM_KILLFOCUS:
      return 0;
    case WM_NCDESTROY:
      if (data && data->font) {
        DeleteObject(data->font);
        data->font = nullptr;
      }
      break;
    case WM_ERASEBKGND: {
      // The dialog's procedure may colour its background through WM_CTLCOLORDLG.
      auto dc = reinterpret_cast<HDC>(wParam);
      auto brush = reinterpret_cast<HBRUSH>(SendMessageW(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_WINDOW));
      return 1;
    }
    case DM_GETDEFID:
      return data ? static_cast<LRESULT>(MAKELONG(data->defId, DC_HASDEFID)) : 0;
    case DM_SETDEFID: {
      if (!data) return FALSE;
      WORD old = data->defId;
      data->defId = static_cast<WORD>(wParam);
      if (HWND b = GetDlgItem(hwnd, old); b && (GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        SendMessageW(b, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      if (HWND b = GetDlgItem(hwnd, data->defId); b && (GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON)
        SendMessageW(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
      return TRUE;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) {
  if (!msg || !dialog || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    UINT vk = static_cast<UINT>(msg->wParam);
    LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, vk, reinterpret_cast<LPARAM>(msg));
    HWND focus = GetFocus();
    bool want = code & DLGC_WANTMESSAGE;
    switch (vk) {
      case VK_TAB:
        if (want || (code & DLGC_WANTTAB)) break;
        FocusControl(GetNextDlgTabItem(dialog, focus, (GetKeyState(VK_SHIFT) & 0x8000) != 0));
        return TRUE;
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN: {
        if (want || (code & DLGC_WANTARROWS)) break;
        HWND next = GetNextDlgGroupItem(dialog, focus, vk == VK_LEFT || vk == VK_UP);
        if (next && next != focus) {
          FocusControl(next);
          if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessageW(next, BM_CLICK, 0, 0);
        }
        return TRUE;
      }
      case VK_RETURN:
        if (want) break;
        PressDefault(dialog, focus);
        return TRUE;
      case VK_ESCAPE: {
        if (want) break;
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (cancel && !IsWindowEnabled(cancel)) return TRUE;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return TRUE;
      }
      default:
        break;
    }
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> all;
  CollectControls(dialog, all);
  std::vector<HWND> stops;
  for (HWND c : all)
    if ((GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) || c == control) stops.push_back(c);
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), control);
  if (it == stops.end()) return previous ? stops.back() : stops.front();
  size_t i = static_cast<size_t>(it - stops.begin());
  size_t n = stops.size();
  for (size_t step = 1; step <= n; ++step) {
    HWND c = stops[previous ? (i + n - step) % n : (i + step) % n];
    if (GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) return c;
  }
  return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> all;
  CollectControls(dialog, all);
  auto it = std::find(all.begin(), all.end(), control);
  if (it == all.end()) return all.empty() ? nullptr : all.front();
  size_t i = static_cast<size_t>(it - all.begin());
  // The group runs from the last WS_GROUP at or before the control to the next WS_GROUP.
  size_t start = i;
  while (start > 0 && !(GetWindowLongW(all[start], GWL_STYLE) & WS_GROUP)) --start;
  size_t end = i + 1;
  while (end < all.size() && !(GetWindowLongW(all[end], GWL_STYLE) & WS_GROUP)) ++end;
  size_t n = end - start;
  size_t pos = i - start;
  return all[start + (previous ? (pos + n - 1) % n : (pos + 1) % n)];
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SetWindowTextW(c, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int cchMax) {
  if (text && cchMax > 0) text[0] = 0;
  HWND c = GetDlgItem(dialog, id);
  return c ? static_cast<UINT>(GetWindowTextW(c, text, cchMax)) : 0;
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  std::string s = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  return SetDlgItemTextW(dialog, id, platform::ToUtf16(s).c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  HWND c = GetDlgItem(dialog, id);
  if (!c) return 0;
  int length = GetWindowTextLengthW(c);
  std::u16string text(static_cast<size_t>(std::max(length, 0)) + 1, u'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(c, text.data(), length + 1)));
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (isSigned && i < text.size() && text[i] == u'-') {
    negative = true;
    ++i;
  }
  if (i >= text.size()) return 0;
  long long v = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    v = v * 10 + (text[i] - u'0');
    if (v > 0xFFFFFFFFLL) return 0;  // out of range: not translated
  }
  while (i < text.size() && text[i] == u' ') ++i;
  if (i != text.size()) return 0;
  if (negative) v = -v;
  if (isSigned && (v > 0x7FFFFFFF || v < -0x80000000LL)) return 0;
  if (translated) *translated = TRUE;
  return static_cast<UINT>(v);
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SendMessageW(c, msg, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return FALSE;
  SendMessageW(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? static_cast<UINT>(SendMessageW(c, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  for (int id = firstId; id <= lastId; ++id) CheckDlgButton(dialog, id, id == checkId ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

LONG GetDialogBaseUnits() { return static_cast<LONG>(MAKELONG(static_cast<WORD>(BaseX()), static_cast<WORD>(BaseY()))); }

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
  if (!rect || !IsDialog(dialog)) return FALSE;
  rect->left = DluX(rect->left);
  rect->right = DluX(rect->right);
  rect->top = DluY(rect->top);
  rect->bottom = DluY(rect->bottom);
  return TRUE;
}

namespace platform {

int DialogTemplateId(HWND dialog) {
  auto data = DataOf<DialogData>(dialog);
  return data ? data->templateId : 0;
}

int LiveDialogCount() {
  int n = 0;
  std::lock_guard guard(S().lock);
  for (auto& [h, w] : S().windows)
    if (std::dynamic_pointer_cast<DialogData>(w->data)) ++n;
  return n;
}

}  // namespace platform
