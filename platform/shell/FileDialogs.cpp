#include "platform/shell/FileDialogs.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/Base.h"
#include "platform/kernel/Files.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/MessageBox.h"

namespace {

thread_local DWORD g_extendedError = 0;

struct Filter {
  std::u16string shown;
  std::u16string pattern;
};

struct Session {
  LPOPENFILENAMEW ofn;
  bool save;
  std::vector<Filter> filters;
  std::u16string folder;  // "\" or "\A\B"
  std::vector<std::u16string> folders;
  std::u16string chosen;
};

std::vector<Filter> ReadFilters(LPCWSTR text) {
  std::vector<Filter> filters;
  while (text && *text) {
    Filter f;
    f.shown = text;
    text += f.shown.size() + 1;
    if (!*text) break;
    f.pattern = text;
    text += f.pattern.size() + 1;
    filters.push_back(std::move(f));
  }
  if (filters.empty()) filters.push_back(Filter{u"All Files (*.*)", u"*.*"});
  return filters;
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  return folder == u"\\" ? u"\\" + name : folder + u"\\" + name;
}

std::u16string Parent(const std::u16string& folder) {
  size_t slash = folder.find_last_of(u'\\');
  return slash == 0 || slash == std::u16string::npos ? u"\\" : folder.substr(0, slash);
}

bool IsFolder(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Names in `folder` matching `pattern` ("*.QVN;*.HTM" allowed), folders or files.
std::vector<std::u16string> List(const std::u16string& folder, const std::u16string& pattern, bool folders) {
  std::vector<std::u16string> names;
  size_t start = 0;
  while (start <= pattern.size()) {
    size_t end = pattern.find(u';', start);
    std::u16string one = pattern.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    start = end == std::u16string::npos ? pattern.size() + 1 : end + 1;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Join(folder, folders ? u"*.*" : one).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (folders) break;
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

void Fill(HWND dialog, Session& s) {
  HWND list = GetDlgItem(dialog, kFileDialogList);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  int type = static_cast<int>(SendDlgItemMessageW(dialog, kFileDialogType, CB_GETCURSEL, 0, 0));
  const Filter& filter = s.filters[static_cast<size_t>(std::max(0, type))];
  s.folders = List(s.folder, u"*.*", true);
  if (s.folder != u"\\") s.folders.insert(s.folders.begin(), u"..");
  for (const auto& f : s.folders) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((u"[" + f + u"]").c_str()));
  for (const auto& f : List(s.folder, filter.pattern, false))
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
  SetWindowTextW(dialog, (std::u16string(s.ofn->lpstrTitle ? s.ofn->lpstrTitle : s.save ? u"Save As" : u"Open")).c_str());
}

void Enter(HWND dialog, Session& s, const std::u16string& name) {
  s.folder = name == u".." ? Parent(s.folder) : Join(s.folder, name);
  Fill(dialog, s);
}

void OnPick(HWND dialog, Session& s) {
  HWND list = GetDlgItem(dialog, kFileDialogList);
  int row = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  if (row < 0) return;
  if (static_cast<size_t>(row) < s.folders.size()) {
    Enter(dialog, s, s.folders[static_cast<size_t>(row)]);
    return;
  }
  WCHAR text[MAX_PATH] = {};
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
  SetDlgItemTextW(dialog, kFileDialogName, text);
}

// True when the name in the field makes a path the dialog may end with.
bool Accept(HWND dialog, Session& s) {
  WCHAR text[MAX_PATH] = {};
  GetDlgItemTextW(dialog, kFileDialogName, text, MAX_PATH);
  std::u16string name = text;
  if (name.empty()) return false;
  std::u16string path = name[0] == u'\\' ? name : Join(s.folder, name);
  if (IsFolder(path)) {
    s.folder = path;
    SetDlgItemTextW(dialog, kFileDialogName, u"");
    Fill(dialog, s);
    return false;
  }
  size_t leaf = path.find_last_of(u'\\') + 1;
  if (path.find(u'.', leaf) == std::u16string::npos && s.ofn->lpstrDefExt && *s.ofn->lpstrDefExt)
    path += u"." + std::u16string(s.ofn->lpstrDefExt);
  bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!exists && (s.ofn->Flags & OFN_FILEMUSTEXIST)) {
    MessageBoxW(dialog, (path + u"\nFile not found.").c_str(), s.save ? u"Save As" : u"Open", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (exists && s.save && (s.ofn->Flags & OFN_OVERWRITEPROMPT) &&
      MessageBoxW(dialog, (path + u" already exists.\nDo you want to replace it?").c_str(), u"Save As",
                  MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
    return false;
  s.chosen = path;
  return true;
}

INT_PTR FileDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<Session*>(GetWindowLongW(dialog, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongW(dialog, GWL_USERDATA, lParam);
      s = reinterpret_cast<Session*>(lParam);
      SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
      SHInitDialog(&init);
      RECT r;
      GetClientRect(dialog, &r);
      int w = r.right, h = r.bottom, line = 22;
      CreateWindowExW(0, u"STATIC", u"Name:", WS_CHILD | WS_VISIBLE, 4, h - 2 * line - 4, 40, line - 4, dialog, nullptr,
                      nullptr, nullptr);
      CreateWindowExW(0, u"EDIT", s->ofn->lpstrFile ? s->ofn->lpstrFile : u"",
                      WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 46, h - 2 * line - 4, w - 50,
                      line - 4, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFileDialogName)), nullptr, nullptr);
      CreateWindowExW(0, u"STATIC", u"Type:", WS_CHILD | WS_VISIBLE, 4, h - line, 40, line - 4, dialog, nullptr, nullptr,
                      nullptr);
      HWND type = CreateWindowExW(0, u"COMBOBOX", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 46,
                                  h - line, w - 50, line - 4, dialog,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFileDialogType)), nullptr, nullptr);
      for (const auto& f : s->filters) SendMessageW(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.shown.c_str()));
      DWORD index = s->ofn->nFilterIndex ? s->ofn->nFilterIndex - 1 : 0;
      SendMessageW(type, CB_SETCURSEL, index < s->filters.size() ? index : 0, 0);
      CreateWindowExW(0, u"LISTBOX", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 4, 4,
                      w - 8, h - 2 * line - 12, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFileDialogList)),
                      nullptr, nullptr);
      Fill(dialog, *s);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kFileDialogList:
          if (HIWORD(wParam) == LBN_SELCHANGE) OnPick(dialog, *s);
          return TRUE;
        case kFileDialogType:
          if (HIWORD(wParam) == CBN_SELCHANGE) Fill(dialog, *s);
          return TRUE;
        case IDOK:
          if (Accept(dialog, *s)) EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
      }
    case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

BOOL Run(LPOPENFILENAMEW ofn, bool save) {
  g_extendedError = 0;
  if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Session s{ofn, save, ReadFilters(ofn->lpstrFilter), u"\\", {}, {}};
  if (ofn->lpstrInitialDir && IsFolder(ofn->lpstrInitialDir)) s.folder = ofn->lpstrInitialDir;
  if (s.folder.size() > 1 && s.folder.back() == u'\\') s.folder.pop_back();
  // A template of the dialog alone: its controls are made as it starts.
  struct {
    DLGTEMPLATE head;
    WORD menu = 0, cls = 0, title = 0;
  } templ{{WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 0, 0, 160, 200}};
  INT_PTR result = DialogBoxIndirectParamW(nullptr, &templ.head, ofn->hwndOwner, FileDialogProc,
                                           reinterpret_cast<LPARAM>(&s));
  if (result != IDOK) return FALSE;
  if (s.chosen.size() + 1 > ofn->nMaxFile) {
    g_extendedError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::memcpy(ofn->lpstrFile, s.chosen.c_str(), (s.chosen.size() + 1) * sizeof(WCHAR));
  size_t leaf = s.chosen.find_last_of(u'\\') + 1;
  size_t dot = s.chosen.find_last_of(u'.');
  ofn->nFileOffset = static_cast<WORD>(leaf);
  ofn->nFileExtension = static_cast<WORD>(dot == std::u16string::npos || dot < leaf ? s.chosen.size() : dot + 1);
  return TRUE;
}

}  // namespace

BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn) { return Run(ofn, false); }
BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn) { return Run(ofn, true); }
DWORD CommDlgExtendedError() { return g_extendedError; }
