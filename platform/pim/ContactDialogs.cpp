// The contact card (a contact's fields for editing) and the contact chooser (every
// contact by its file-as text, with a search field that moves the list to the first name
// beginning with the letters typed).
#include <algorithm>
#include <string>
#include <vector>

#include "platform/pim/PimStore.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"

namespace platform::pim {
namespace {

constexpr const char16_t* kCardLabels[] = {
    u"First name:", u"Last name:", u"Company:", u"Title:", u"Work tel:", u"Home tel:", u"Mobile:",
    u"E-mail:", u"Work street:", u"Work city:", u"Work state:", u"Work ZIP:", u"Categories:",
};
static_assert(std::size(kCardLabels) == std::size(kContactCardFields));

// A template of the dialog alone: its controls are made as it starts, sized to the screen.
struct EmptyTemplate {
  DLGTEMPLATE head;
  WORD menu = 0, cls = 0, title = 0;
};

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

void FullScreen(HWND dialog) {
  SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&init);
}

std::u16string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  int length = GetWindowTextLengthW(control);
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

// ---- The contact card ----------------------------------------------------------------------

void LayOutCard(HWND dialog, const std::vector<std::u16string>& values) {
  RECT r;
  GetClientRect(dialog, &r);
  const int rows = static_cast<int>(std::size(kContactCardFields));
  // Rows share the height (at most 24 pixels a row on the small screen, in proportion on
  // larger ones); the labels take the left two fifths.
  const int scale = std::max(1, (static_cast<int>(r.right) + 120) / 240);
  const int line = std::max(14, std::min(24 * scale, static_cast<int>(r.bottom - 4) / rows));
  const int labelWidth = static_cast<int>(r.right) * 2 / 5;
  for (int i = 0; i < rows; ++i) {
    int y = 2 + i * line;
    CreateWindowExW(0, u"STATIC", kCardLabels[i], WS_CHILD | WS_VISIBLE | SS_RIGHT, 2, y + 2, labelWidth - 4, line - 4,
                    dialog, nullptr, nullptr, nullptr);
    const std::u16string& text = values[static_cast<size_t>(SlotOf(kContactCardFields[i]))];
    CreateWindowExW(0, u"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                    labelWidth, y, r.right - labelWidth - 2, line - 2, dialog, ControlId(kContactCardFirstField + i),
                    nullptr, nullptr);
  }
}

INT_PTR CardProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* values = reinterpret_cast<std::vector<std::u16string>*>(GetWindowLongW(dialog, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongW(dialog, GWL_USERDATA, lParam);
      FullScreen(dialog);
      SetWindowTextW(dialog, u"Contact");
      LayOutCard(dialog, *reinterpret_cast<std::vector<std::u16string>*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        for (size_t i = 0; i < std::size(kContactCardFields); ++i)
          (*values)[static_cast<size_t>(SlotOf(kContactCardFields[i]))] =
              ControlText(dialog, kContactCardFirstField + static_cast<int>(i));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

// ---- The chooser ---------------------------------------------------------------------------

struct Chooser {
  LPCHOOSECONTACT choose;
  std::vector<ContactRow> rows;  // in list order
  int chosen = -1;
};

std::u16string ListText(const ContactRow& row) {
  std::u16string text = row.values[static_cast<size_t>(SlotOf(PIM_FileAs))];
  return text.empty() ? ComposeFileAs(row.values) : text;
}

void LayOutChooser(HWND dialog, Chooser& c) {
  RECT r;
  GetClientRect(dialog, &r);
  const int line = 22 * std::max(1, (static_cast<int>(r.right) + 120) / 240);
  CreateWindowExW(0, u"STATIC", u"Find:", WS_CHILD | WS_VISIBLE, 4, 6, line * 3 / 2, line - 6, dialog, nullptr, nullptr,
                  nullptr);
  CreateWindowExW(0, u"EDIT", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 8 + line * 3 / 2, 4,
                  r.right - 12 - line * 3 / 2, line - 4, dialog, ControlId(kChooserSearch), nullptr, nullptr);
  HWND list = CreateWindowExW(0, u"LISTBOX", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY,
                              4, line + 4, r.right - 8, r.bottom - line - 8, dialog, ControlId(kChooserList), nullptr,
                              nullptr);
  for (const ContactRow& row : c.rows) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ListText(row).c_str()));
  if (!c.rows.empty()) SendMessageW(list, LB_SETCURSEL, 0, 0);
}

// The list moves to the first contact whose name begins with the letters typed.
void OnSearch(HWND dialog) {
  std::u16string typed = ControlText(dialog, kChooserSearch);
  if (typed.empty()) return;
  HWND list = GetDlgItem(dialog, kChooserList);
  LRESULT row = SendMessageW(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(typed.c_str()));
  if (row < 0) return;
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);
}

INT_PTR ChooserProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* c = reinterpret_cast<Chooser*>(GetWindowLongW(dialog, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongW(dialog, GWL_USERDATA, lParam);
      c = reinterpret_cast<Chooser*>(lParam);
      FullScreen(dialog);
      SetWindowTextW(dialog, c->choose->lpszTitle ? c->choose->lpszTitle : u"Contacts");
      LayOutChooser(dialog, *c);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kChooserSearch:
          if (HIWORD(wParam) == EN_CHANGE) OnSearch(dialog);
          return TRUE;
        case kChooserList:
          if (HIWORD(wParam) != LBN_DBLCLK) return TRUE;
          [[fallthrough]];
        case IDOK:
          c->chosen = static_cast<int>(SendDlgItemMessageW(dialog, kChooserList, LB_GETCURSEL, 0, 0));
          if (c->chosen >= 0) EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
      }
    case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

bool RunContactCard(HWND owner, std::vector<std::u16string>& values) {
  EmptyTemplate templ{{WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 0, 0, 160, 200}};
  std::vector<std::u16string> edited = values;
  if (DialogBoxIndirectParamW(nullptr, &templ.head, owner, CardProc, reinterpret_cast<LPARAM>(&edited)) != IDOK)
    return false;
  values = std::move(edited);
  return true;
}

}  // namespace platform::pim

HRESULT ChooseContact(LPCHOOSECONTACT choose) {
  using namespace platform::pim;
  if (!choose || choose->cbSize != sizeof(CHOOSECONTACT)) return E_INVALIDARG;
  std::shared_ptr<Store> store = Store::Current();
  if (!store) return E_FAIL;
  std::optional<std::string> order = CompileSort(u"[FileAs]", false);
  Chooser c{choose, {}, -1};
  if (!store->Select({}, *order, &c.rows)) return E_FAIL;
  EmptyTemplate templ{{WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 0, 0, 160, 200}};
  if (DialogBoxIndirectParamW(nullptr, &templ.head, choose->hwndOwner, ChooserProc, reinterpret_cast<LPARAM>(&c)) != IDOK ||
      c.chosen < 0 || static_cast<size_t>(c.chosen) >= c.rows.size())
    return E_ABORT;
  const ContactRow& row = c.rows[static_cast<size_t>(c.chosen)];
  choose->oidContactID = row.oid;
  choose->bstrContactName = SysAllocString(ListText(row).c_str());
  return S_OK;
}
