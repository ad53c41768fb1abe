// The editor that opens over a tapped cell of the field form: a text, multi-line or
// drop-down editor of the field's kind placed over the cell, its keys, its commit into the
// model, the move to the next field, and the edit menu of a tap and hold.
#include <algorithm>
#include <string>
#include <vector>

#include "core/DatePickerDlg.h"
#include "core/FieldForm.h"
#include "core/FieldFormInternal.h"
#include "core/PointerList.h"
#include "core/ResourceText.h"
#include "core/UiMetrics.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "platform/user/Menu.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

using field_form::WindowText;

namespace {

bool IsDropDown(int kind) {
  return CFieldFormModel::HasArrow(kind) || kind == kFieldMonth || kind == kFieldYear;
}

}  // namespace

void CFieldForm::StartEditor(int index, int asKind, bool hidden) {
  FormField* field = m_model.Field(index);
  // A continuation row of a text edited as a whole is edited through its head.
  if (field && (hidden || (field->flags & kFlagEditable)) &&
      (field->kind == kFieldMultiLineRow ||
       (field->kind == kFieldChoiceTextRow && (field->flags & kFlagMultiLineChoice)))) {
    int head = index;
    while (head > 0 && CFieldFormModel::IsContinuation(m_model.Field(head)->kind)) --head;
    if (CFieldFormModel::IsContinuation(m_model.Field(head)->kind)) return;  // rows without a head
    return StartEditor(head, asKind, hidden);
  }
  if (!field || (!hidden && (!(field->flags & kFlagEditable) || (field->flags & kFlagHidden))) ||
      !CFieldFormModel::HasEditor(field->kind) || field->kind == kFieldMultiLineRow) {
    return;
  }
  CommitEditor();
  HWND dialog = GetHwnd();
  HWND list = GetDlgItem(dialog, kListId);
  if (!hidden && !SendMessageW(list, LVM_ENSUREVISIBLE, index, FALSE)) return;
  if (field->kind == kFieldDate) {
    CDatePickerDlg picker(m_resources, dialog, 0, field->value);
    if (picker.DoModal() == 1) {
      m_editedField = index;
      m_model.CommitText(index, &picker.GetDateText());
      m_editedField = -1;
      FillList();
    }
    return;
  }
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&row));
  RECT client{};
  GetClientRect(list, &client);
  m_editorKind = EditorKindOf(*field, asKind);
  bool dropDown = m_editorKind == EditorKind::kDropDown;
  bool multiLine = m_editorKind == EditorKind::kMultiLine;
  int margin = dropDown || multiLine ? 2 : 6;
  int left = row.left + m_labelWidth + margin;
  int right = std::min<int>(left + m_valueWidth + margin - 7, client.right);
  if (multiLine) {
    // A multi-row text is wrapped by its editor where its rows end: the editor's text starts
    // where the rows draw theirs and is exactly as wide as a row shows (the white strip at
    // each row's right hides what lies under it).
    left = row.left + m_labelWidth + platform::kListViewTextInset - kEditorTextInset;
    right = std::min<int>(left + 2 * kEditorTextInset + RowTextWidth(), client.right);
    if (field->kind == kFieldChoiceText) right -= GetUiMetric(41);  // the arrow stays tappable
  }
  int top = row.top + 1;
  int height = row.bottom - row.top - 1;
  if (multiLine) {
    // Exactly over its own rows: the row above stays readable while the box is open.
    top = row.top;
    height = (row.bottom - row.top) * std::max(field->lines, 1);
  }
  DWORD visible = hidden ? 0 : WS_VISIBLE;
  // What a multi-row text with choices splits over its rows when nothing new is typed or chosen.
  if (field->kind == kFieldChoiceText) {
    CBstr whole;
    m_model.GetFieldText(index, whole, FieldRows::Joined);
    m_model.lastTyped = whole;
  }
  m_editedField = index;
  if (dropDown) {
    DWORD style = WS_CHILD | visible | WS_VSCROLL | WS_HSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS;
    m_editor = CreateWindowExW(0, u"COMBOBOX", u"", style, left, top, right - left, (row.bottom - row.top) * 8 - 1,
                               list, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)), nullptr, nullptr);
    for (const std::u16string& entry : m_model.EntriesOf(index))
      SendMessageW(m_editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    std::u16string current = field->value.str();
    if (field->kind == kFieldChoiceTextRow) {
      std::vector<std::u16string> entries = m_model.EntriesOf(index);
      current = index < static_cast<int>(entries.size()) ? entries[static_cast<size_t>(index)] : std::u16string();
    }
    LRESULT found =
        SendMessageW(m_editor, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(current.c_str()));
    if (!current.empty() && found >= 0) SendMessageW(m_editor, CB_SETCURSEL, found, 0);
    if (field->flags & kFlagWide) SendMessageW(m_editor, CB_SETHORIZONTALEXTENT, 1000, 0);
    // Closed, the box keeps to its row: at its own height it would cover the row below.
    if (m_editor)
      SetWindowPos(m_editor, nullptr, 0, 0, right - left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    DWORD style = WS_CHILD | visible | ES_AUTOHSCROLL;
    if (multiLine) {
      style = WS_CHILD | visible | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL;
      if (!(field->flags & (kFlagMoney | kFlagNoEnter))) style |= ES_WANTRETURN;
      if (field->flags & kFlagFreeText) style |= ES_WANTRETURN;
      if ((field->flags & kFlagWide) && !(field->flags & kFlagFreeText)) style |= ES_AUTOHSCROLL;
    }
    const WCHAR* cls = (field->flags & kFlagMasked) ? u"Edit" : u"CAPEDIT";
    if (field->flags & kFlagMasked) style |= ES_PASSWORD;
    m_editor = CreateWindowExW(0, cls, m_model.EditorText(index).c_str(), style, left, top, right - left, height, list,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)), nullptr, nullptr);
    if (m_editor && field->maxLength > 1) SendMessageW(m_editor, EM_LIMITTEXT, field->maxLength - 1, 0);
    if (multiLine) PlaceCaret(left, top);
    else SendMessageW(m_editor, EM_SETSEL, 0, -1);
  }
  if (!m_editor) {
    m_editedField = -1;
    return;
  }
  // The editor writes and wraps in the list's font: in its own, a multi-row text would be
  // wrapped at other places than the rows can show.
  if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)))
    SendMessageW(m_editor, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (!dropDown) {
    SetWindowLongW(m_editor, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_editorDefaultProc = reinterpret_cast<WNDPROC>(
        SetWindowLongW(m_editor, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CFieldForm::EditorProc)));
  }
  if (hidden) return;
  // The cell's text starts left of the editor: the rows under it are painted again, and
  // that strip covered.
  RECT band{row.left, std::min<int>(row.top, top), row.right, std::max<int>(row.bottom, top + height)};
  InvalidateRect(list, &band, FALSE);
  // A text with choices is typed: the panel comes up for it.
  if (field->kind == kFieldTextWithChoices && !dropDown) SHSipPreference(dialog, SIP_UP);
  // The pages of a tabbed dialog each start on their field: only the page in view takes
  // the focus, or the last page set up would keep it behind the one shown.
  if (!m_modal && !IsWindowVisible(dialog)) return;
  SetFocus(m_editor);
  if (dropDown) SendMessageW(m_editor, CB_SHOWDROPDOWN, TRUE, 0);
}

// A text of several rows may run past what the box shows, so it is never opened all
// selected: the caret goes where the row was tapped, or after the text.
void CFieldForm::PlaceCaret(int editorLeft, int editorTop) {
  LRESULT at = static_cast<LRESULT>(GetWindowTextLengthW(m_editor));
  if (m_tap) {
    LPARAM point = MAKELPARAM(m_tap->x - editorLeft, m_tap->y - editorTop);
    at = LOWORD(SendMessageW(m_editor, EM_CHARFROMPOS, 0, point));
  }
  SendMessageW(m_editor, EM_SETSEL, static_cast<WPARAM>(at), at);
}

CFieldForm::EditorKind CFieldForm::EditorKindOf(const FormField& field, int asKind) {
  int kind = asKind ? asKind : field.kind;
  if (kind == kFieldMultiLine) return EditorKind::kMultiLine;
  if (kind == kFieldChoiceText || kind == kFieldChoiceTextRow) {
    return (field.flags & kFlagMultiLineChoice) ? EditorKind::kMultiLine : EditorKind::kDropDown;
  }
  if (kind == kFieldTextWithChoices) return EditorKind::kText;
  return IsDropDown(kind) ? EditorKind::kDropDown : EditorKind::kText;
}

int CFieldForm::TappedKind(int index, POINT point) const {
  // A tap on the arrow of a text with choices opens the choices instead of the text.
  const FormField* field = m_model.Field(index);
  if (!field || (field->kind != kFieldChoiceText && field->kind != kFieldTextWithChoices)) return 0;
  const RECT& a = field->arrow;
  bool onArrow = point.x >= a.left && point.x < a.right && point.y >= a.top && point.y < a.bottom;
  return onArrow ? kFieldChoice : 0;
}

void CFieldForm::CommitEditor() {
  if (!m_editor) return;
  HWND editor = m_editor;
  m_editor = nullptr;  // a focus change while committing must not commit twice
  int index = m_editedField;
  m_editedField = -1;
  FormField* field = m_model.Field(index);
  bool cancelled = m_editorCancelled;
  m_editorCancelled = false;
  bool dropDown = m_editorKind == EditorKind::kDropDown;
  if (field && field->kind == kFieldChoiceText) {
    if (!dropDown && !cancelled) m_model.RememberTypedText(index, CBstr(WindowText(editor)));
    CommitSplitText(index, cancelled ? nullptr : &m_model.lastTyped);
  } else if (field && cancelled) {
    m_model.CommitText(index, nullptr);
  } else if (field) {
    CBstr text(WindowText(editor));
    if (dropDown) {
      LRESULT chosen = SendMessageW(editor, CB_GETCURSEL, 0, 0);
      // A chosen entry of a text with choices has already put its second text in.
      if (chosen < 0 || field->kind == kFieldTextWithChoices) text = field->value;
    } else if (field->kind == kFieldTextWithChoices) {
      m_model.RememberTypedText(index, text);
    }
    std::vector<std::u16string> lines;
    std::vector<bool> wrapped;
    if (field->kind == kFieldMultiLine) {
      int count = static_cast<int>(SendMessageW(editor, EM_GETLINECOUNT, 0, 0));
      std::u16string all = text.str();
      for (int l = 0; l < count; ++l) {
        size_t start = static_cast<size_t>(SendMessageW(editor, EM_LINEINDEX, l, 0));
        size_t end = std::min(all.size(), start + static_cast<size_t>(SendMessageW(editor, EM_LINELENGTH, start, 0)));
        // A line the editor wrapped ends where the next begins, with no line break between:
        // it keeps the blanks it was wrapped at, so the rows join back to the typed text.
        bool soft = end < all.size() && all[end] != u'\r' && all[end] != u'\n' && l + 1 < count;
        if (soft) {
          size_t next = static_cast<size_t>(SendMessageW(editor, EM_LINEINDEX, l + 1, 0));
          if (next > end && next <= all.size()) end = next;
        }
        lines.push_back(all.substr(start, end - start));
        wrapped.push_back(soft);
      }
    }
    if (field->flags & kFlagMasked && text.Length() > 40) text = CBstr(text.view().substr(0, 40));
    m_model.CommitText(index, &text, lines, wrapped);
  }
  DestroyWindow(editor);
  FillList();
}

void CFieldForm::CommitSplitText(int index, const CBstr* text) {
  HWND list = GetDlgItem(GetHwnd(), kListId);
  CWindowDC dc(list);
  CSelectObjectScope font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  HDC measuring = dc.get();
  TextMeasure measure = [measuring](std::u16string_view piece) {
    SIZE size{};
    GetTextExtentPoint32W(measuring, piece.data(), static_cast<int>(piece.size()), &size);
    return static_cast<float>(size.cx);
  };
  m_model.CommitSplitText(index, text, measure, static_cast<float>(RowTextWidth()));
}

int CFieldForm::RowTextWidth() const {
  // From where the list draws a row's text to just before the strip's edge.
  return std::max(m_valueWidth - GetUiMetric(42) - platform::kListViewTextInset - 1, 0);
}

LRESULT CFieldForm::EditorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<CFieldForm*>(GetWindowLongW(hwnd, GWL_USERDATA));
  return form ? form->OnEditorKey(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CFieldForm::OnEditorKey(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC base = m_editorDefaultProc;
  FormField* field = m_model.Field(m_editedField);
  bool multiLine = field && field->kind == kFieldMultiLine;
  switch (msg) {
    case WM_GETDLGCODE:
      // Esc belongs to the edit (it cancels the edit, not the form).
      return CallWindowProcW(base, hwnd, msg, wParam, lParam) | DLGC_WANTTAB | DLGC_WANTARROWS |
             (wParam == VK_ESCAPE ? DLGC_WANTMESSAGE : 0);
    case WM_KEYDOWN:
      // In a multi-line text these keys move within the text.
      if (!multiLine && (wParam == VK_TAB || wParam == VK_DOWN || wParam == VK_UP)) {
        PostMessageW(GetHwnd(), kMsgMoveField, wParam != VK_UP, 0);
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        PostMessageW(GetHwnd(), kMsgCancelEditor, 0, 0);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (!multiLine && (wParam == VK_TAB || wParam == VK_DOWN || wParam == VK_UP)) return 0;
      break;
    case WM_CHAR: {
      WCHAR c = static_cast<WCHAR>(wParam);
      if (c == u'\t' && !(field && (field->flags & kFlagFreeText))) return 0;
      if (c == 27 && !(field && (field->flags & kFlagFreeText))) return 0;
      if (!field) break;
      bool refused = (c == u':' && !(field->flags & kFlagColonAllowed)) ||
                     (c == u'&' && (field->flags & kFlagNoAmpersand));
      if (field->flags & kFlagNumericKeys) {
        bool number = (c >= u'0' && c <= u'9') || c == u' ' || c == u'.' || c == u',' || c == u'-' || c == 8 ||
                      c == 110 || c == 190 || ((field->flags & kFlagMoney) && (c == u'$' || c == u'%'));
        refused = refused || !number;
      }
      if (refused) {
        MessageBeep(static_cast<UINT>(-1));
        return 0;
      }
      field->changed = true;
      break;
    }
    default:
      break;
  }
  return CallWindowProcW(base, hwnd, msg, wParam, lParam);
}

void CFieldForm::MoveToField(bool forward) {
  int from = m_editedField;
  int step = 1;
  if (FormField* field = m_model.Field(from)) step = std::max(field->lines, 1);
  CommitEditor();
  int next = m_model.NextField(from, step, forward);
  if (next >= 0) PostMessageW(GetHwnd(), kMsgStartEditor, 0, next);
}

void CFieldForm::ShowEditMenu(POINT screen) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  const std::pair<UINT, UINT> items[] = {{IDM_EDIT_CUT, IDS_EDIT_CUT},
                                         {IDM_EDIT_COPY, IDS_EDIT_COPY},
                                         {IDM_EDIT_PASTE, IDS_EDIT_PASTE},
                                         {IDM_EDIT_CLEAR, IDS_EDIT_CLEAR}};
  for (const auto& [command, text] : items) AppendMenuW(menu, MF_STRING, command, LoadResText(text).c_str());
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_EDIT_SELECT_ALL, LoadResText(IDS_EDIT_SELECT_ALL).c_str());
  UINT command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD, screen.x, screen.y, 0, GetHwnd(), nullptr));
  DestroyMenu(menu);
  HWND editor = m_editor;
  if (!editor) return;  // the menu acts on an open editor only
  constexpr int kClipboardLimit = 80;
  std::u16string text = WindowText(editor);
  switch (command) {
    case IDM_EDIT_CUT:
    case IDM_EDIT_COPY:
      SetClipboardText(std::u16string_view(text).substr(0, kClipboardLimit), GetHwnd());
      if (command == IDM_EDIT_CUT) SetWindowTextW(editor, u"");
      break;
    case IDM_EDIT_PASTE: {
      WCHAR pasted[kClipboardLimit + 1] = {};
      if (GetClipboardText(pasted, kClipboardLimit + 1, GetHwnd())) SetWindowTextW(editor, pasted);
      break;
    }
    case IDM_EDIT_CLEAR:
      SetWindowTextW(editor, u"");
      break;
    case IDM_EDIT_SELECT_ALL:
      SendMessageW(editor, EM_SETSEL, 0, -1);
      break;
    default:
      break;
  }
}
