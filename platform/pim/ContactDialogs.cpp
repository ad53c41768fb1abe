// The contact card (a contact's fields for editing) and the contact chooser (every
// contact by its file-as text, with a search field that moves the list to the first name
// beginning with the letters typed). Both are full-screen dialogs with the platform's
// frame: OK and Cancel in their title row, the shell's Done button as OK.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/commctrl/CommCtrl.h"
#include "platform/pim/PimStore.h"
#include "platform/shell/DialogFrame.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/TextMeasure.h"

namespace platform::pim {
namespace {

using platform::shell::DialogFrame;

constexpr const char16_t* kCardLabels[] = {
    u"First name:", u"Last name:", u"Company:", u"Title:", u"Work tel:", u"Home tel:", u"Mobile:",
    u"E-mail:", u"Work street:", u"Work city:", u"Work state:", u"Work ZIP:", u"Categories:",
};
static_assert(std::size(kCardLabels) == std::size(kContactCardFields));

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

std::u16string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  int length = GetWindowTextLengthW(control);
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

// ---- The contact card ----------------------------------------------------------------------

struct Card {
  std::vector<std::u16string> values;
  DialogFrame frame;
};

void LayOutCard(HWND dialog, const Card& card) {
  RECT r;
  GetClientRect(dialog, &r);
  const int rows = static_cast<int>(std::size(kContactCardFields));
  // Rows share the height below the title row (at most 24 pixels a row on the small
  // screen, twice that on the high-resolution ones); the labels take the left two fifths.
  const int top = card.frame.Top();
  const int line = std::max(14 * DialogFrame::Scale(),
                            std::min(24 * DialogFrame::Scale(), static_cast<int>(r.bottom - top - 2) / rows));
  const int labelWidth = static_cast<int>(r.right) * 2 / 5;
  const std::vector<std::u16string>& values = card.values;
  for (int i = 0; i < rows; ++i) {
    int y = top + i * line;
    CreateWindowExW(0, u"STATIC", kCardLabels[i], WS_CHILD | WS_VISIBLE | SS_RIGHT, 2, y + 2, labelWidth - 4, line - 4,
                    dialog, nullptr, nullptr, nullptr);
    const std::u16string& text = values[static_cast<size_t>(SlotOf(kContactCardFields[i]))];
    CreateWindowExW(0, u"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                    labelWidth, y, r.right - labelWidth - 2, line - 2, dialog, ControlId(kContactCardFirstField + i),
                    nullptr, nullptr);
  }
}

INT_PTR CardProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* card = reinterpret_cast<Card*>(GetWindowLongW(dialog, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongW(dialog, GWL_USERDATA, lParam);
      card = reinterpret_cast<Card*>(lParam);
      card->frame.SetUp(dialog, u"Contact");
      LayOutCard(dialog, *card);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        for (size_t i = 0; i < std::size(kContactCardFields); ++i)
          card->values[static_cast<size_t>(SlotOf(kContactCardFields[i]))] =
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
  DialogFrame frame;
  std::vector<std::u16string> texts;  // as the list shows the rows
};

std::u16string ListText(const ContactRow& row) {
  std::u16string text = row.values[static_cast<size_t>(SlotOf(PIM_FileAs))];
  return text.empty() ? ComposeFileAs(row.values) : text;
}

// The search field under the title row, the list below it to the foot of the dialog.
void LayOutChooser(HWND dialog, Chooser& c) {
  RECT r;
  GetClientRect(dialog, &r);
  const int gap = DialogFrame::Gap();
  const int field = DialogFrame::FieldHeight();
  const int label = platform::user::TextWidth(nullptr, u"Find:") + gap;
  int y = c.frame.Top();
  DialogFrame::Label(dialog, u"Find:", gap, y, label);
  CreateWindowExW(0, u"EDIT", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 2 * gap + label, y,
                  r.right - 3 * gap - label, field, dialog, ControlId(kChooserSearch), nullptr, nullptr);
  y += field + gap;
  HWND list = platform::shell::CreateFrameList(dialog, kChooserList, gap, y, r.right - 2 * gap,
                                               std::max(field, static_cast<int>(r.bottom) - y - gap));
  for (const ContactRow& contact : c.rows) c.texts.push_back(ListText(contact));
  platform::shell::SetFrameListRows(list, c.texts);
  if (!c.rows.empty()) platform::shell::SelectFrameListRow(list, 0);
}

// The list moves to the first contact whose name begins with the letters typed.
void OnSearch(HWND dialog, const Chooser& c) {
  std::u16string typed = ControlText(dialog, kChooserSearch);
  if (typed.empty()) return;
  for (size_t i = 0; i < c.texts.size(); ++i) {
    if (c.texts[i].size() < typed.size() || !platform::EqualsIgnoreCase(c.texts[i].substr(0, typed.size()), typed))
      continue;
    platform::shell::SelectFrameListRow(GetDlgItem(dialog, kChooserList), static_cast<int>(i));
    return;
  }
}

bool Choose(HWND dialog, Chooser& c, int row) {
  if (row < 0 || static_cast<size_t>(row) >= c.rows.size()) return false;
  c.chosen = row;
  EndDialog(dialog, IDOK);
  return true;
}

INT_PTR ChooserProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* c = reinterpret_cast<Chooser*>(GetWindowLongW(dialog, GWL_USERDATA));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongW(dialog, GWL_USERDATA, lParam);
      c = reinterpret_cast<Chooser*>(lParam);
      c->frame.SetUp(dialog, c->choose->lpszTitle ? c->choose->lpszTitle : u"Contacts");
      LayOutChooser(dialog, *c);
      return TRUE;
    case WM_NOTIFY: {
      // A double tap on a contact, or the action key on it, chooses it.
      auto* note = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
      if (static_cast<int>(wParam) != kChooserList) return FALSE;
      if (note->hdr.code != NM_DBLCLK && note->hdr.code != LVN_ITEMACTIVATE) return FALSE;
      Choose(dialog, *c, note->iItem);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kChooserSearch:
          if (HIWORD(wParam) == EN_CHANGE) OnSearch(dialog, *c);
          return TRUE;
        case IDOK:
          Choose(dialog, *c, platform::shell::FrameListSelection(GetDlgItem(dialog, kChooserList)));
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
  Card card{values, {}};
  if (platform::shell::RunFrameDialog(owner, CardProc, reinterpret_cast<LPARAM>(&card)) != IDOK) return false;
  values = std::move(card.values);
  return true;
}

}  // namespace platform::pim

HRESULT ChooseContact(LPCHOOSECONTACT choose) {
  using namespace platform::pim;
  if (!choose || choose->cbSize != sizeof(CHOOSECONTACT)) return E_INVALIDARG;
  std::shared_ptr<Store> store = Store::Current();
  if (!store) return E_FAIL;
  std::optional<std::string> order = CompileSort(u"[FileAs]", false);
  Chooser c{choose, {}, -1, {}, {}};
  if (!store->Select({}, *order, &c.rows)) return E_FAIL;
  if (platform::shell::RunFrameDialog(choose->hwndOwner, ChooserProc, reinterpret_cast<LPARAM>(&c)) != IDOK ||
      c.chosen < 0 || static_cast<size_t>(c.chosen) >= c.rows.size())
    return E_ABORT;
  const ContactRow& row = c.rows[static_cast<size_t>(c.chosen)];
  choose->oidContactID = row.oid;
  choose->bstrContactName = SysAllocString(ListText(row).c_str());
  return S_OK;
}
