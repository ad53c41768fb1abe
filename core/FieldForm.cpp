// The field form's dialog: set-up, the rows of its list with their marks, its layout, the
// hardware key it holds, and its ending. The editor over a cell is in FieldFormEditor.cpp.
#include "core/FieldForm.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/DialogTitleBar.h"
#include "core/DrawHelpers.h"
#include "core/FieldFormInternal.h"
#include "core/MenuBar.h"
#include "core/Help.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"
#include "platform/gdi/GdiScopes.h"
#include "resources/resource_ids.h"

namespace field_form {

std::u16string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace field_form

using field_form::WindowText;

namespace {

constexpr int kModalTemplate = IDD_FIELD_FORM;
constexpr int kPageTemplate = IDD_FIELD_FORM_PAGE;

}  // namespace

CFieldForm::CFieldForm(HINSTANCE resources, HWND parent, const CBstr& heading, int currentField, DWORD,
                       int labelWidth, int, ExtraButtonCallback callback)
    : m_resources(resources), m_parent(parent), m_currentField(currentField), m_callback(callback) {
  m_labelWidth = GetUiMetric(24) == 2 ? labelWidth * 2 : labelWidth;
  m_valueWidth = GetUiMetric(22, parent) - m_labelWidth - 10;
  SetTitle(heading);
}

CFieldForm::~CFieldForm() {
  // The list and the edit reach this object until they are gone: close the page first.
  if (HWND dialog = GetHwnd()) DestroyWindow(dialog);
  if (m_headingFont) DeleteObject(m_headingFont);
}

bool CFieldForm::IsTreoDevice() {
  WCHAR oem[128] = {};
  if (!SystemParametersInfoW(SPI_GETOEMINFO, sizeof(oem), oem, 0)) return false;
  return std::u16string_view(oem).find(u"Treo") != std::u16string_view::npos;
}

void CFieldForm::SetTitle(const CBstr& text) {
  if (text.IsEmpty()) return;
  m_heading = text;
  if (GetHwnd()) SetDlgItemTextW(GetHwnd(), IDC_DIALOG_HEADING, m_heading.c_str());
}

void CFieldForm::SetCheckBox(bool state, const CBstr& caption) {
  m_hasCheckBox = true;
  m_checkState = state;
  m_checkCaption = caption;
}

void CFieldForm::RemoveAllFields() {
  m_model.RemoveAllFields();
  if (GetHwnd()) SendDlgItemMessageW(GetHwnd(), kListId, LVM_DELETEALLITEMS, 0, 0);
}

INT_PTR CFieldForm::DoModal(int templateId, int helpTopic, bool raiseInputPanel) {
  m_helpTopic = helpTopic;
  m_raiseInputPanel = raiseInputPanel;
  m_modal = true;
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
  InitCommonControlsEx(&classes);
  return CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(templateId ? templateId : kModalTemplate), m_parent);
}

HWND CFieldForm::CreatePage(HWND parent) {
  m_parent = parent;
  m_modal = false;
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
  InitCommonControlsEx(&classes);
  return CreateModeless(m_resources, MAKEINTRESOURCEW(kPageTemplate), parent);
}

void CFieldForm::OnInitDialog() {
  HWND dialog = GetHwnd();
  m_filled = false;
  if (m_modal) {
    SHINITDLGINFO full;
    full.dwMask = SHIDIM_FLAGS;
    full.hDlg = dialog;
    full.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN;
    SHInitDialog(&full);
    // The title row carries OK; only a Treo's shell keeps its own Done button in view.
    if (!IsTreoDevice()) SHDoneButton(dialog, SHDB_HIDE);
    m_menuBar = CreateEmptyMenuBar(dialog);
  }
  SetWindowLongW(dialog, GWL_STYLE, GetWindowLongW(dialog, GWL_STYLE) | WS_TABSTOP);
  HWND heading = GetDlgItem(dialog, IDC_DIALOG_HEADING);
  m_titleOk = m_titleCancel = nullptr;
  if (!m_heading.IsEmpty() && heading) {
    if (m_headingFont) DeleteObject(std::exchange(m_headingFont, nullptr));  // from a run before
    m_headingFont = CreateDialogTitleBar(m_resources, dialog, IDC_DIALOG_HEADING, &m_titleOk, &m_titleCancel,
                                         m_heading.c_str(), 0);
  }
  if (HWND rule = GetDlgItem(dialog, IDC_FORM_HEADING_RULE))
    ShowWindow(rule, m_heading.IsEmpty() ? SW_HIDE : SW_SHOW);
  HWND list = GetDlgItem(dialog, kListId);
  const int widths[] = {0, m_labelWidth, m_valueWidth};
  const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_LEFT};
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNW column;
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = formats[c];
    column.cx = widths[c];
    column.iSubItem = c;
    SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  FillList();
  SetWindowLongW(list, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_listDefaultProc =
      reinterpret_cast<WNDPROC>(SetWindowLongW(list, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CFieldForm::ListProc)));
  HWND check = GetDlgItem(dialog, IDC_FORM_CHECK);
  if (check) {
    ShowWindow(check, m_hasCheckBox ? SW_SHOW : SW_HIDE);
    if (m_hasCheckBox) {
      SetWindowTextW(check, m_checkCaption.c_str());
      CheckDlgButton(dialog, IDC_FORM_CHECK, m_checkState ? BST_CHECKED : BST_UNCHECKED);
    }
  }
  if (HWND note = GetDlgItem(dialog, IDC_FORM_NOTE)) {
    ShowWindow(note, m_hasNote ? SW_SHOW : SW_HIDE);
    if (m_hasNote) SetWindowTextW(note, m_note.c_str());
  }
  LayOut(0, 0);
  RewrapMultiLineFields();
  m_filled = true;
  SetFocus(list);
  PostMessageW(dialog, kMsgStartEditor, 0, m_currentField);
}

void CFieldForm::RewrapMultiLineFields() {
  // Each stored text goes through its editor once, so that it is wrapped over the head and
  // continuation rows as the user would see it typed.
  m_model.initialising = true;
  for (int i = 0; i < m_model.FieldCount(); ++i) {
    FormField* field = m_model.Field(i);
    if (!field || (field->flags & kFlagHidden)) continue;
    if (field->kind != kFieldMultiLine && field->kind != kFieldChoiceText) continue;
    StartEditor(i, 0, true);
    CommitEditor();
  }
  for (int i = 0; i < m_model.FieldCount(); ++i)
    if (FormField* f = m_model.Field(i)) f->changed = false;
  m_model.changed = false;
  m_model.initialising = false;
}

void CFieldForm::ReloadFields(int field) {
  if (!GetHwnd()) return;
  CommitEditor();
  // Wrapping again is no edit, but it must not forget the edits made before.
  bool changed = m_model.changed;
  std::vector<bool> fieldChanged;
  for (int i = 0; i < m_model.FieldCount(); ++i) fieldChanged.push_back(m_model.Field(i)->changed);
  FillList();
  RewrapMultiLineFields();
  m_model.changed = changed;
  for (int i = 0; i < m_model.FieldCount(); ++i) m_model.Field(i)->changed = fieldChanged[static_cast<size_t>(i)];
  InvalidateRect(GetDlgItem(GetHwnd(), kListId), nullptr, TRUE);
  if (field >= 0) StartEditor(field);
}

void CFieldForm::SetNote(const CBstr& text) {
  m_hasNote = true;
  m_note = text;
  if (GetHwnd()) SetDlgItemTextW(GetHwnd(), IDC_FORM_NOTE, m_note.c_str());
}

void CFieldForm::FillList() {
  HWND list = GetDlgItem(GetHwnd(), kListId);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (int i = 0; i < m_model.FieldCount(); ++i) {
    FormField* field = m_model.Field(i);
    std::u16string label = (field->flags & kFlagHidden) ? std::u16string() : field->label.str();
    std::u16string value = m_model.DisplayText(i);
    LVITEMW item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    item.pszText = const_cast<LPWSTR>(u"");
    item.lParam = reinterpret_cast<LPARAM>(field);
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMW text;
    text.iSubItem = 1;
    text.pszText = label.data();
    SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&text));
    text.iSubItem = 2;
    text.pszText = value.data();
    SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&text));
  }
}

void CFieldForm::ShowOtherValues() {
  HWND list = GetDlgItem(GetHwnd(), kListId);
  for (int i = 0; i < m_model.FieldCount(); ++i) {
    if (i == m_editedField) continue;
    std::u16string value = m_model.DisplayText(i);
    LVITEMW text;
    text.iSubItem = 2;
    text.pszText = value.data();
    SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&text));
  }
}

LRESULT CFieldForm::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<CFieldForm*>(GetWindowLongW(hwnd, GWL_USERDATA));
  if (!form || !form->m_listDefaultProc) return DefWindowProcW(hwnd, msg, wParam, lParam);
  // The drop-downs are children of the list; the form hears their choices. (Their loss of
  // focus stays here: a tap and hold on the list must find the editor still open.)
  if (msg == WM_COMMAND && LOWORD(wParam) == kEditorId && HIWORD(wParam) == CBN_SELCHANGE)
    return SendMessageW(form->GetHwnd(), msg, wParam, lParam);
  LRESULT result = CallWindowProcW(form->m_listDefaultProc, hwnd, msg, wParam, lParam);
  if (msg == WM_PAINT) form->PaintRowMarks(hwnd);
  return result;
}

void CFieldForm::DrawCalendarMark(HDC dc, const RECT& row, int x) {
  CGdiObject<HBITMAP> mark(LoadBitmapW(m_resources, MAKEINTRESOURCEW(IDB_CALENDAR_MARK)));
  BITMAP size{};
  if (!mark || !GetObjectW(mark.get(), sizeof size, &size)) return;
  // Doubled on the high-resolution screen the mark is taller than a row: it is shrunk to the
  // row, or it would cover the top of the row below.
  int side = std::min(size.bmHeight * (IsHighResolution() ? 2 : 1), static_cast<int>(row.bottom - row.top) - 2);
  if (side <= 0) return;
  CMemoryDC mem = CMemoryDC::CompatibleWith(dc);
  CSelectObjectScope selected(mem.get(), mark.get());
  if (!selected) return;
  StretchBlt(dc, x, row.top + 1, side, side, mem.get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
}

void CFieldForm::CoverCellBesideEditor(HDC dc, HWND list) {
  if (!m_editor || !IsWindowVisible(m_editor) || m_editedField < 0) return;
  RECT row{LVIR_BOUNDS, 0, 0, 0};
  if (!SendMessageW(list, LVM_GETITEMRECT, m_editedField, reinterpret_cast<LPARAM>(&row))) return;
  RECT editor{};
  GetWindowRect(m_editor, &editor);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&editor), 2);
  // From the value column's edge to the editor, over every row the editor stands on (the
  // rules under the rows are drawn again afterwards).
  const int top = std::min(row.top, editor.top);
  const int bottom = std::max(row.bottom, editor.bottom);
  int left = row.left + m_labelWidth;
  if (editor.left > left) DrawFilledRect(dc, left, top, editor.left, bottom, WHITE_BRUSH, RGB(255, 255, 255));
  // And from the editor to the strip, where an editor kept narrower for its arrow would
  // leave the old text's tail showing.
  int right = row.left + m_labelWidth + m_valueWidth - GetUiMetric(42);
  if (editor.right < right) DrawFilledRect(dc, editor.right, top, right, bottom, WHITE_BRUSH, RGB(255, 255, 255));
}

void CFieldForm::PaintRowMarks(HWND list) {
  CWindowDC dc(list);
  int first = std::max(static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)), 0);
  int valueRight = m_labelWidth + m_valueWidth;
  int strip = GetUiMetric(42);
  auto rowRect = [list](int i, RECT& row) {
    row = RECT{LVIR_BOUNDS, 0, 0, 0};
    return SendMessageW(list, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&row)) != 0;
  };
  CoverCellBesideEditor(dc.get(), list);
  // The open editor covers the rules of the rows it stands on: none is drawn beside it,
  // where only a short piece of the rule would show.
  RECT editor{};
  if (m_editor && IsWindowVisible(m_editor)) {
    GetWindowRect(m_editor, &editor);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&editor), 2);
  }
  // The white strips first: an arrow reaches into the row below, whose strip must not
  // paint over it. They keep inside the list's frame, which the list draws in its client
  // area along with the rows.
  RECT client{};
  GetClientRect(list, &client);
  const int frame = (GetWindowLongW(list, GWL_STYLE) & WS_BORDER) ? 1 : 0;
  for (int i = first; i < m_model.FieldCount(); ++i) {
    RECT row{};
    if (!m_model.Field(i) || !rowRect(i, row)) continue;
    const int top = std::max<int>(row.top, frame);
    const int bottom = std::min<int>(row.bottom - 1, client.bottom - frame);
    if (bottom > top)
      DrawFilledRect(dc.get(), row.left + valueRight - strip, top, row.left + valueRight, bottom, WHITE_BRUSH,
                     RGB(255, 255, 255));
  }
  CGdiObject<HBITMAP> arrowBitmap(LoadBitmapW(m_resources, MAKEINTRESOURCEW(IDB_FORM_DROPDOWN)));
  BITMAP arrowSize{};
  if (arrowBitmap) GetObjectW(arrowBitmap.get(), sizeof arrowSize, &arrowSize);
  int arrowHeight = arrowSize.bmHeight * (IsHighResolution() ? 2 : 1);
  for (int i = first; i < m_model.FieldCount(); ++i) {
    FormField* field = m_model.Field(i);
    RECT row{};
    if (!field || !rowRect(i, row)) continue;
    bool visible = !(field->flags & kFlagHidden);
    if (visible && CFieldFormModel::HasArrow(field->kind)) {
      int x = row.left + valueRight - GetUiMetric(41);
      int y = (row.top + row.bottom) / 2;
      // The triangle is centred on the row's middle, where a tap finds it.
      if (arrowBitmap) DrawBitmap(dc.get(), arrowBitmap.get(), x, y - arrowHeight / 2);
      field->arrow = RECT{x - 8, y - 8, x + 10, y + 8};
    }
    if (visible && field->kind == kFieldDate) DrawCalendarMark(dc.get(), row, row.left + valueRight - strip);
    if (row.bottom - 1 >= editor.top && row.bottom - 1 < editor.bottom) continue;
    DrawLine(dc.get(), 1, row.left + m_labelWidth, row.bottom - 1, row.left + valueRight, row.bottom - 1,
             RGB(0xCC, 0xCC, 0xCC));
  }
  // A strip's outline and an arrow's white corners reach the frame's top and bottom lines
  // (the top one is the line under the heading): they are drawn whole again, up to the bar.
  if (frame) {
    const int right = client.right - platform::VerticalScrollBarWidth(list);
    for (int y : {0, static_cast<int>(client.bottom) - 1}) DrawLine(dc.get(), 1, 0, y, right, y, RGB(0, 0, 0));
  }
}

void CFieldForm::LayOut(int width, int height) {
  HWND dialog = GetHwnd();
  RECT area{0, 0, width, height};
  int bottom = height;
  if (width <= 0 || height <= 0) {
    SIPINFO sip;
    if (SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0) && (sip.fdwFlags & SIPF_ON)) {
      // The panel's free area is on the screen; the form's controls sit in its client area.
      area = sip.rcVisibleDesktop;
      POINT end{area.left, area.bottom};
      ScreenToClient(dialog, &end);
      bottom = end.y;
    } else {
      GetClientRect(m_parent ? m_parent : dialog, &area);
      bottom = area.bottom - area.top;
    }
  }
  // Never past the form's own client area (a parent may be larger than the form).
  RECT own{};
  GetClientRect(dialog, &own);
  bottom = std::min<int>(bottom, own.bottom);
  int areaWidth = std::min<int>(area.right - area.left, own.right);
  // The check box, or else the note line, stands below the list.
  HWND below = GetDlgItem(dialog, m_hasCheckBox ? IDC_FORM_CHECK : IDC_FORM_NOTE);
  if (below && (GetWindowLongW(below, GWL_STYLE) & WS_VISIBLE)) {
    RECT place{};
    GetWindowRect(below, &place);
    int h = place.bottom - place.top;
    MoveWindow(below, 0, bottom - 7 - h, areaWidth, h, TRUE);
    bottom -= h + 10;
  }
  // The cancelling extra button stands above that, the other two side by side above it.
  if (HWND cancel = GetDlgItem(dialog, IDC_FORM_EXTRA_CANCEL)) {
    RECT place{};
    GetWindowRect(cancel, &place);
    int w = place.right - place.left;
    int h = place.bottom - place.top;
    MoveWindow(cancel, (areaWidth - w) / 2, bottom - 7 - h, w, h, TRUE);
    bottom -= h + 10;
  }
  HWND extra[] = {GetDlgItem(dialog, IDC_FORM_EXTRA1), GetDlgItem(dialog, IDC_FORM_EXTRA2)};
  if (extra[0] || extra[1]) {
    int rowHeight = 0;
    for (HWND button : extra) {
      RECT place{};
      if (button && GetWindowRect(button, &place)) rowHeight = std::max<int>(rowHeight, place.bottom - place.top);
    }
    bottom -= rowHeight + 3;
    for (int b = 0; b < 2; ++b) {
      if (!extra[b]) continue;
      RECT place{};
      GetWindowRect(extra[b], &place);
      int w = place.right - place.left;
      int slot = areaWidth / 2;
      MoveWindow(extra[b], slot * b + (slot - w) / 2, bottom + 3, w, rowHeight, TRUE);
    }
  }
  MoveDialogTitleButtons(m_titleOk, m_titleCancel, areaWidth);
  int top = (m_heading.IsEmpty() ? 0 : GetUiMetric(11)) + 10;
  if (!m_modal) top = 0;
  HWND list = GetDlgItem(dialog, kListId);
  if (!list || bottom <= top) return;
  MoveWindow(list, 0, top, areaWidth, bottom - top, TRUE);
  // The rows end where the list's frame and its scroll bar (twice as wide on the
  // high-resolution screen) begin.
  int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  RECT inside{};
  GetClientRect(list, &inside);
  int listWidth = inside.right - (perPage < m_model.FieldCount() ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  int valueWidth = std::max(listWidth - m_labelWidth - 10, 0);
  bool newWidth = valueWidth != m_valueWidth;
  m_valueWidth = valueWidth;
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, m_valueWidth);
  // The texts were wrapped at the old width: at a narrower one their rows would run under
  // the strip at the right, at a wider one leave room unused. An open editor opens again
  // at the new width, its text kept.
  if (newWidth && m_filled) ReloadFields(m_editedField);
}

void CFieldForm::TakeHardwareKey() {
  if (m_heldKey) return;
  const std::u16string button = CPreferences().Get(pref::kButton1);
  UINT key = button.empty() ? 0 : m_button.FindKey(CBstr(button));
  if (!key) return;
  // The owner (the window that starts a scan) may hold the key itself: the form borrows it.
  m_keyFromParent = m_parent && UnregisterHotKey(m_parent, static_cast<int>(key));
  m_button.BindButton(GetHwnd(), CBstr(button), false);
  m_heldKey = key;
}

void CFieldForm::ReleaseHardwareKey() {
  if (!m_heldKey) return;
  UINT key = std::exchange(m_heldKey, 0u);
  UnregisterHotKey(GetHwnd(), static_cast<int>(key));
  if (m_keyFromParent && IsWindow(m_parent))
    RegisterHotKey(m_parent, static_cast<int>(key), CHardwareButton::kModifiers, key);
  m_keyFromParent = false;
}

int CFieldForm::CheckEnding() {
  if (GetDlgItem(GetHwnd(), IDC_FORM_CHECK) && m_hasCheckBox) {
    m_checkState = IsDlgButtonChecked(GetHwnd(), IDC_FORM_CHECK) == BST_CHECKED;
  }
  CommitEditor();
  int required = -1;
  int code = m_model.EndCheck(required);
  if (code < 0) {
    ShowRequiredFieldMessage(GetHwnd(), m_model.Field(required)->label.view());
    PostMessageW(GetHwnd(), kMsgStartEditor, 0, required);
  }
  return code < 0 || NumbersUsable() ? code : -1;
}

int CFieldForm::Validate() {
  CommitEditor();
  int required = m_model.MissingRequiredField();
  if (required < 0) return NumbersUsable() ? 1 : 0;
  ShowRequiredFieldMessage(GetHwnd(), m_model.Field(required)->label.view());
  PostMessageW(GetHwnd(), kMsgStartEditor, 0, required);
  return 0;
}

bool CFieldForm::NumbersUsable() {
  int field = m_model.NumberTooLargeField();
  if (field < 0) return true;
  // The form stays open on the field, the number still in it.
  ShowNumberTooLargeMessage(GetHwnd(), m_model.Field(field)->label.view());
  PostMessageW(GetHwnd(), kMsgStartEditor, 0, field);
  return false;
}

void CFieldForm::EndForm(int command) {
  int code = CheckEnding();
  if (code < 0) return;
  // The title row's OK is the form's OK: the owner hears it as its accepting button.
  if (m_callback && (command == 1043 || command == 1044 || command == IDOK || command == kTitleOkButtonId)) {
    if (m_callback(GetHwnd(), command == 1044 ? 1044 : 1043)) return;
    code = 1;
  }
  if (m_modal) EndDialog(GetHwnd(), code);
}

INT_PTR CFieldForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return FALSE;
    case kMsgStartEditor:
      StartEditor(static_cast<int>(lParam), static_cast<int>(wParam));
      return TRUE;
    case kMsgLayOut:
      LayOut(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) LayOut(0, 0);
      return FALSE;
    case WM_SIZE:
      if (GetDlgItem(GetHwnd(), kListId)) LayOut(LOWORD(lParam), HIWORD(lParam));
      return FALSE;
    case kMsgMoveField:
      if (m_editor) MoveToField(wParam != 0);
      return TRUE;
    case kMsgCancelEditor:
      if (m_editor) {
        m_editorCancelled = true;
        CommitEditor();
        SetFocus(GetDlgItem(GetHwnd(), kListId));
      }
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->idFrom == kListId && header->code == NM_CLICK) {
        const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        LVHITTESTINFO hit;
        hit.pt = click->ptAction;
        SendMessageW(header->hwndFrom, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem >= 0) {
          m_tap = click->ptAction;
          StartEditor(hit.iItem, TappedKind(hit.iItem, click->ptAction));
          m_tap.reset();
        }
      }
      if (header && header->idFrom == kListId && header->code == GN_CONTEXTMENU) {
        ShowEditMenu(reinterpret_cast<const NMRGINFO*>(lParam)->ptAction);
      }
      return TRUE;
    }
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      int code = HIWORD(wParam);
      if (id == kEditorId) {
        if (code == EN_KILLFOCUS || code == CBN_KILLFOCUS) CommitEditor();
        if (code == CBN_SELCHANGE && m_editor) {
          int entry = static_cast<int>(SendMessageW(m_editor, CB_GETCURSEL, 0, 0));
          if (m_model.ApplyChoice(m_editedField, entry)) PostMessageW(GetHwnd(), kMsgStartEditor, 0, m_editedField + 1);
          ShowOtherValues();
          FormField* field = m_model.Field(m_editedField);
          if (field && field->kind == kFieldTextWithChoices && entry >= 0) m_model.changed = true;
          if (field && field->kind == kFieldItemType && m_model.FieldCount() >= 5) {
            // The owner hears every item type chosen (the rows it shows changed too).
            std::u16string type = WindowText(m_editor);
            InvalidateRect(m_parent, nullptr, TRUE);
            SendMessageW(m_parent, kMsgItemTypeChosen, 0, reinterpret_cast<LPARAM>(type.c_str()));
          }
          // Chosen: the list closes and the form has the focus again (the value is written
          // when the editor is committed).
          if (m_editor && GetFocus() == m_editor) SetFocus(GetDlgItem(GetHwnd(), kListId));
        }
        return TRUE;
      }
      if (id == IDC_FORM_CHECK) {
        m_model.changed = true;
        return TRUE;
      }
      if (id == IDOK || id == 1009 || id == 1043 || id == 1044) {
        EndForm(id);
        return TRUE;
      }
      if (id == IDCANCEL || id == 1045) {
        if (m_modal) EndDialog(GetHwnd(), 0);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE:
      EndForm(IDOK);
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_ACTIVE) {
        if (m_raiseInputPanel) SHSipPreference(GetHwnd(), SIP_UP);
        LayOut(0, 0);
      } else {
        SHSipPreference(GetHwnd(), SIP_DOWN);
      }
      if (LOWORD(wParam) == WA_INACTIVE) {
        ReleaseHardwareKey();
      } else {
        TakeHardwareKey();
      }
      return FALSE;
    case WM_HOTKEY:
      if (!m_hotKeyArmed) {
        m_hotKeyArmed = true;
      } else if (LOWORD(lParam) & MOD_KEYUP) {
        m_hotKeyArmed = false;
        if (CheckEnding() >= 0) {
          PostMessageW(m_parent, kMsgStartNextScan, 0, 0);
          if (m_modal) EndDialog(GetHwnd(), 3);
        }
      }
      return TRUE;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      bool heading = reinterpret_cast<HWND>(lParam) == GetDlgItem(GetHwnd(), IDC_DIALOG_HEADING);
      SetTextColor(dc, heading ? kHeadingColour : RGB(0, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!item || (item->CtlID != kTitleOkButtonId && item->CtlID != kTitleCancelButtonId)) return FALSE;
      DrawDialogTitleButton(item);
      return TRUE;
    }
    case WM_HELP:
      ShowHelp(m_helpTopic);
      return TRUE;
    case WM_DESTROY:
      m_filled = false;
      CommitEditor();
      ReleaseHardwareKey();
      if (m_menuBar && GetCurrentMenuBar() == m_menuBar) DestroyMenuBar();
      m_menuBar = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}
