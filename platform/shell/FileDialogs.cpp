#include "platform/shell/FileDialogs.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/kernel/Files.h"
#include "platform/shell/DialogFrame.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/MessageBox.h"
#include "platform/user/TextMeasure.h"

namespace {

using platform::shell::DialogFrame;

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
  std::vector<std::u16string> folders;  // the list's first rows
  std::vector<std::u16string> files;    // the rows after them
  std::u16string chosen;
  DialogFrame frame;
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

// The platform keeps its own state in folders whose names begin with a dot, and the
// atomic writer its half-written files: none of them is the user's to open or replace.
bool IsUsers(const WIN32_FIND_DATAW& found) {
  return found.cFileName[0] != u'.' && !(found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
}

// The user's names in `folder` matching `pattern` ("*.QVN;*.HTM" allowed), folders or files.
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
      if (((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders && IsUsers(found))
        names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (folders) break;
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

void Fill(HWND dialog, Session& s) {
  int type = static_cast<int>(SendDlgItemMessageW(dialog, kFileDialogType, CB_GETCURSEL, 0, 0));
  const Filter& filter = s.filters[static_cast<size_t>(std::max(0, type))];
  s.folders = List(s.folder, u"*.*", true);
  if (s.folder != u"\\") s.folders.insert(s.folders.begin(), u"..");
  s.files = List(s.folder, filter.pattern, false);
  std::vector<std::u16string> rows;
  for (const auto& f : s.folders) rows.push_back(u"[" + f + u"]");
  rows.insert(rows.end(), s.files.begin(), s.files.end());
  platform::shell::SetFrameListRows(GetDlgItem(dialog, kFileDialogList), rows);
}

void Enter(HWND dialog, Session& s, const std::u16string& name) {
  s.folder = name == u".." ? Parent(s.folder) : Join(s.folder, name);
  Fill(dialog, s);
}

// A tap on a row: a folder is entered, a file's name goes into the name field. True for a
// file.
bool OnPick(HWND dialog, Session& s, int row) {
  if (row < 0) return false;
  const auto at = static_cast<size_t>(row);
  if (at < s.folders.size()) {
    Enter(dialog, s, s.folders[at]);
    return false;
  }
  if (at - s.folders.size() >= s.files.size()) return false;
  SetDlgItemTextW(dialog, kFileDialogName, s.files[at - s.folders.size()].c_str());
  return true;
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

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// The list under the title row; the name field and the type list at the foot, with their
// labels in one column.
void LayOut(HWND dialog, Session& s) {
  RECT r;
  GetClientRect(dialog, &r);
  const int w = r.right;
  const int gap = DialogFrame::Gap();
  const int height = DialogFrame::FieldHeight();
  const int label =
      std::max(platform::user::TextWidth(nullptr, u"Name:"), platform::user::TextWidth(nullptr, u"Type:")) + gap;
  const int field = 2 * gap + label;
  const int typeTop = r.bottom - gap - height;
  const int nameTop = typeTop - gap - height;
  DialogFrame::Label(dialog, u"Name:", gap, nameTop, label);
  CreateWindowExW(0, u"EDIT", s.ofn->lpstrFile ? s.ofn->lpstrFile : u"",
                  WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, field, nameTop, w - field - gap,
                  height, dialog, ControlId(kFileDialogName), nullptr, nullptr);
  DialogFrame::Label(dialog, u"Type:", gap, typeTop, label);
  HWND type = CreateWindowExW(0, u"COMBOBOX", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, field,
                              typeTop, w - field - gap, height, dialog, ControlId(kFileDialogType), nullptr, nullptr);
  for (const auto& f : s.filters) SendMessageW(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.shown.c_str()));
  DWORD index = s.ofn->nFilterIndex ? s.ofn->nFilterIndex - 1 : 0;
  SendMessageW(type, CB_SETCURSEL, index < s.filters.size() ? index : 0, 0);
  const int top = s.frame.Top();
  platform::shell::CreateFrameList(dialog, kFileDialogList, gap, top, w - 2 * gap,
                                   std::max(height, nameTop - gap - top));
}

INT_PTR FileDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<Session*>(GetWindowLongW(dialog, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongW(dialog, GWL_USERDATA, lParam);
      s = reinterpret_cast<Session*>(lParam);
      s->frame.SetUp(dialog, s->ofn->lpstrTitle ? s->ofn->lpstrTitle : s->save ? u"Save As" : u"Open");
      LayOut(dialog, *s);
      Fill(dialog, *s);
      return TRUE;
    case WM_NOTIFY: {
      auto* note = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
      if (static_cast<int>(wParam) != kFileDialogList) return FALSE;
      if (note->hdr.code == NM_CLICK) OnPick(dialog, *s, note->iItem);
      // A double tap on a file (or the action key on it) takes it; on a folder, the first
      // tap has entered it already.
      if ((note->hdr.code == NM_DBLCLK || note->hdr.code == LVN_ITEMACTIVATE) && OnPick(dialog, *s, note->iItem) &&
          Accept(dialog, *s))
        EndDialog(dialog, IDOK);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
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
  Session s{ofn, save, ReadFilters(ofn->lpstrFilter), u"\\", {}, {}, {}, {}};
  if (ofn->lpstrInitialDir && IsFolder(ofn->lpstrInitialDir)) s.folder = ofn->lpstrInitialDir;
  if (s.folder.size() > 1 && s.folder.back() == u'\\') s.folder.pop_back();
  INT_PTR result = platform::shell::RunFrameDialog(ofn->hwndOwner, FileDialogProc, reinterpret_cast<LPARAM>(&s));
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
