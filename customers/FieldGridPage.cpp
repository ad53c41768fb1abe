#include "customers/FieldGridPage.h"

#include "core/DrawHelpers.h"
#include "core/Help.h"
#include "core/ScreenResolution.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/module/Module.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kSpacerWidth = 12;
constexpr int kArrowWidth = 16;
constexpr int kCheckImageMetric = 47;
constexpr int kResolutionMetric = 24;
constexpr int kBottomMargin = 10;  // the list ends this far above the tab row
constexpr int kCaptionIndent = 2;  // where the list starts a cell's text
// The Customize dialog's topic: the pages are its parts.
constexpr int kHelpTopic = 7;
constexpr int kEditorTextLimit = 512;
constexpr COLORREF kHeadingColour = 0x9C0000;  // dark blue
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRuleColour = 0xCCCCCC;

int PixelsPerInch(HWND window) {
  CWindowDC dc(window);
  return dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
}

std::u16string WindowText(HWND window) {
  WCHAR text[kEditorTextLimit + 1] = {};
  int length = GetWindowTextW(window, text, kEditorTextLimit + 1);
  return std::u16string(text, static_cast<size_t>(length > 0 ? length : 0));
}

// "Title:" is named "Title" in the required-field message.
std::u16string_view LabelName(const std::u16string& label) {
  std::u16string_view name = label;
  if (!name.empty() && name.back() == u':') name.remove_suffix(1);
  return name;
}

}  // namespace

CFieldGridPage::CFieldGridPage(HINSTANCE resources, int startRow, int labelWidth, int screenWidth, int printerWidth,
                               int captionWidth)
    : m_resources(resources), m_startRow(startRow), m_widths{labelWidth, screenWidth, printerWidth, captionWidth} {
  if (IsHighResolutionScreen()) {
    for (int& width : m_widths) width *= 2;
  }
}

CFieldGridPage::~CFieldGridPage() {
  if (m_images) ImageList_Destroy(m_images);
}

HWND CFieldGridPage::Create(HWND parent) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  return CreateModeless(m_resources, MAKEINTRESOURCEW(IDD_FIELD_GRID_PAGE), parent);
}

void CFieldGridPage::SetupList() {
  HWND page = GetHwnd();
  m_list = GetDlgItem(page, IDC_GRID_LIST);
  LOGFONTW face{};
  face.lfHeight = -(17 * PixelsPerInch(page) / 72) / 2;
  face.lfWeight = FW_BOLD;
  face.lfUnderline = TRUE;
  std::u16string_view tahoma = u"Tahoma";
  tahoma.copy(face.lfFaceName, tahoma.size());
  m_headingFont.reset(CreateFontIndirectW(&face));
  for (int id : {IDC_DIALOG_HEADING, IDC_GRID_HEAD_SCREEN, IDC_GRID_HEAD_PRINTER})
    SendDlgItemMessageW(page, id, WM_SETFONT, reinterpret_cast<WPARAM>(m_headingFont.get()), FALSE);
  if (m_widths[3] == 0) ShowWindow(GetDlgItem(page, IDC_DIALOG_HEADING), SW_HIDE);

  int size = GetUiMetric(kCheckImageMetric);
  m_images = ImageList_Create(size, size, ILC_COLOR | ILC_MASK, 3, 0);
  const bool large = IsHighResolution();
  for (int id : {large ? IDB_CHECK_EMPTY_HIRES : IDB_CHECK_EMPTY, large ? IDB_CHECK_COMPLETE_HIRES : IDB_CHECK_COMPLETE,
                 large ? IDB_CHECK_NOT_APPLICABLE_HIRES : IDB_CHECK_NOT_APPLICABLE}) {
    CGdiObject<HBITMAP> bitmap(LoadBitmapW(m_resources, MAKEINTRESOURCEW(id)));
    if (bitmap) ImageList_AddMasked(m_images, bitmap.get(), kWhite);
  }
  if (ImageList_GetImageCount(m_images) < 3) return;
  SendMessageW(m_list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_images));
  SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_SUBITEMIMAGES, LVS_EX_SUBITEMIMAGES);

  const int widths[] = {0, m_widths[0], kSpacerWidth, m_widths[1], m_widths[2], m_widths[3]};
  const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_CENTER, LVCFMT_LEFT};
  int columns = m_widths[3] ? 6 : 5;
  for (int c = 0; c < columns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = formats[c];
    column.cx = widths[c];
    column.iSubItem = c;
    if (SendMessageW(m_list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column)) < 0) return;
  }
  for (int i = 0; i < m_model.RowCount(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.lParam = i;
    SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < columns; ++c) {
      LVITEMW cell{};
      cell.mask = LVIF_TEXT | LVIF_IMAGE;
      cell.iItem = i;
      cell.iSubItem = c;
      cell.pszText = LPSTR_TEXTCALLBACKW;
      cell.iImage = (c == CFieldGridModel::kScreenColumn || c == CFieldGridModel::kPrinterColumn) ? I_IMAGECALLBACK : -1;
      SendMessageW(m_list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
    }
  }
  SetWindowLongW(m_list, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_listDefaultProc =
      reinterpret_cast<WNDPROC>(SetWindowLongW(m_list, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CFieldGridPage::ListProc)));
  SetFocus(m_list);
  PostMessageW(page, kMsgStartEditor, 0, m_startRow);
}

void CFieldGridPage::LayOut(int width, int height) {
  if (!m_list) return;
  HWND page = GetHwnd();
  // The headings' strip is as tall as their font; the list starts below it, so that no
  // heading covers the first row or takes its taps.
  CWindowDC dc(page);
  CSelectObjectScope font(dc.get(), m_headingFont.get());
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const int strip = metrics.tmHeight + 2 * GetUiMetric(kResolutionMetric);
  MoveWindow(m_list, 0, strip, width, std::max(height - strip - kBottomMargin, 0), TRUE);
  // Each heading over what its column shows in the first row: the check images' middle,
  // the caption's text.
  auto cell = [&](int column, int part) {
    RECT r{};
    r.top = column;
    r.left = part;
    SendMessageW(m_list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(m_list, page, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  auto place = [&](int id, int column) {
    HWND heading = GetDlgItem(page, id);
    if (column == CFieldGridModel::kCaptionColumn) {
      RECT label = cell(column, LVIR_LABEL);
      MoveWindow(heading, label.left + kCaptionIndent, 0, label.right - label.left - kCaptionIndent, strip, TRUE);
      return;
    }
    std::u16string text(static_cast<size_t>(GetWindowTextLengthW(heading)), u'\0');
    GetWindowTextW(heading, text.data(), static_cast<int>(text.size()) + 1);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    RECT image = cell(column, LVIR_ICON);
    const int w = size.cx + 2;  // a pixel to spare at each side, so it never wraps
    MoveWindow(heading, (image.left + image.right - w) / 2, 0, w, strip, TRUE);
  };
  if (m_model.RowCount() == 0) return;
  place(IDC_GRID_HEAD_SCREEN, CFieldGridModel::kScreenColumn);
  place(IDC_GRID_HEAD_PRINTER, CFieldGridModel::kPrinterColumn);
  if (m_widths[3] != 0) place(IDC_DIALOG_HEADING, CFieldGridModel::kCaptionColumn);
}

LRESULT CFieldGridPage::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* page = reinterpret_cast<CFieldGridPage*>(GetWindowLongW(hwnd, GWL_USERDATA));
  LRESULT result = CallWindowProcW(page->m_listDefaultProc, hwnd, msg, wParam, lParam);
  if (msg == WM_PAINT && page->m_widths[3] != 0) page->PaintRowMarks();
  return result;
}

void CFieldGridPage::PaintRowMarks() {
  CWindowDC dc(m_list);
  CGdiObject<HBITMAP> arrow(LoadBitmapW(m_resources, MAKEINTRESOURCEW(IDB_FORM_DROPDOWN)));
  for (int i = 0; i < m_model.RowCount(); ++i) {
    const FieldGridRow* row = m_model.Row(i);
    if (!row || row->kind == FieldGridRow::kNoCaption) continue;
    RECT cell = CaptionCell(i);
    if (row->IsListKind()) {
      DrawFilledRect(dc.get(), cell.right - kArrowWidth, cell.top, cell.right, cell.bottom - 1, WHITE_BRUSH, kWhite);
      if (arrow) DrawBitmap(dc.get(), arrow.get(), cell.right - kArrowWidth + 2, cell.top + 2);
    }
    DrawLine(dc.get(), 1, cell.left, cell.bottom - 1, cell.right, cell.bottom - 1, kRuleColour);
  }
}

RECT CFieldGridPage::CaptionCell(int row) const {
  RECT cell{};
  cell.top = CFieldGridModel::kCaptionColumn;
  cell.left = LVIR_BOUNDS;
  SendMessageW(m_list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  return cell;
}

void CFieldGridPage::OnTap(int row, int column, POINT point) {
  if (column == CFieldGridModel::kScreenColumn || column == CFieldGridModel::kPrinterColumn) {
    if (m_model.Toggle(row, column)) SendMessageW(m_list, LVM_REDRAWITEMS, row, row);
    return;
  }
  if (column != CFieldGridModel::kCaptionColumn || m_widths[3] == 0) return;
  const FieldGridRow* record = m_model.Row(row);
  if (!record) return;
  RECT cell = CaptionCell(row);
  bool onArrow = point.x >= cell.right - kArrowWidth;
  if (record->kind == FieldGridRow::kTextBox) StartCellEditor(row, false);
  if (record->kind == FieldGridRow::kTextOrList) StartCellEditor(row, onArrow);
  if (record->kind == FieldGridRow::kListOnly) StartCellEditor(row, true);
}

void CFieldGridPage::StartCellEditor(int row, bool asList) {
  if (m_editor) EndEdit(false);
  const FieldGridRow* record = m_model.Row(row);
  if (!record || !record->IsEditable() || m_widths[3] == 0 || record->kind == FieldGridRow::kNoCaption) return;
  SendMessageW(m_list, LVM_ENSUREVISIBLE, row, FALSE);
  RECT cell = CaptionCell(row);
  std::u16string caption = record->caption.value_or(u"");
  m_editedRow = row;
  if (asList) {
    int height = (cell.bottom - cell.top) * 8;
    m_editor = CreateWindowExW(0, u"COMBOBOX", u"", 0x50200203, cell.left, cell.top, cell.right - cell.left, height,
                               m_list, reinterpret_cast<HMENU>(static_cast<INT_PTR>(record->kind)), nullptr, nullptr);
    for (const std::u16string& choice : record->choices)
      SendMessageW(m_editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
    LRESULT found = SendMessageW(m_editor, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(caption.c_str()));
    SendMessageW(m_editor, CB_SETCURSEL, found, 0);
  } else {
    SHSipPreference(GetHwnd(), SIP_UP);
    m_editor = CreateWindowExW(0, u"CAPEDIT", caption.c_str(), 0x50000080, cell.left, cell.top,
                               cell.right - cell.left, cell.bottom - cell.top, m_list,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_GRID_CAPTION_EDIT)), nullptr, nullptr);
    SendMessageW(m_editor, EM_LIMITTEXT, static_cast<WPARAM>(record->maxLength - 1), 0);
    SendMessageW(m_editor, EM_SETSEL, 0, -1);
  }
  if (!m_editor) {
    m_editedRow = -1;
    return;
  }
  SetWindowLongW(m_editor, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_editorDefaultProc = reinterpret_cast<WNDPROC>(
      SetWindowLongW(m_editor, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CFieldGridPage::EditorProc)));
  SetFocus(m_editor);
  if (asList) SendMessageW(m_editor, CB_SHOWDROPDOWN, TRUE, 0);
}

void CFieldGridPage::EndEdit(bool cancelled) {
  if (!m_editor) return;
  HWND editor = std::exchange(m_editor, nullptr);
  int row = std::exchange(m_editedRow, -1);
  std::u16string text = WindowText(editor);
  SetWindowLongW(editor, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(m_editorDefaultProc));
  DestroyWindow(editor);
  m_model.EndEdit(row, cancelled ? nullptr : &text);
  SendMessageW(m_list, LVM_REDRAWITEMS, row, row);
}

LRESULT CFieldGridPage::EditorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* page = reinterpret_cast<CFieldGridPage*>(GetWindowLongW(hwnd, GWL_USERDATA));
  return page->OnEditorMessage(hwnd, msg, wParam, lParam);
}

LRESULT CFieldGridPage::OnEditorMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC base = m_editorDefaultProc;
  switch (msg) {
    case WM_GETDLGCODE:
      return CallWindowProcW(base, hwnd, msg, wParam, lParam) | DLGC_WANTTAB | DLGC_WANTMESSAGE;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        EndEdit(true);
        SetFocus(m_list);
        return 0;
      }
      if (wParam == VK_TAB) {
        int next = m_model.NextEditableRow(m_editedRow);
        EndEdit(false);
        if (next >= 0) {
          m_startRow = next;
          PostMessageW(GetHwnd(), kMsgStartEditor, 0, next);
        }
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == VK_TAB || wParam == VK_ESCAPE) return 0;
      if (wParam >= 0x20 && !m_model.TypeCharacter(m_editedRow, static_cast<char16_t>(wParam))) {
        MessageBeep(MB_OK);
        return 0;
      }
      break;
    case WM_KILLFOCUS: {
      LRESULT result = CallWindowProcW(base, hwnd, msg, wParam, lParam);
      // A drop-down list keeps the edit while its own list has the focus.
      HWND to = reinterpret_cast<HWND>(wParam);
      if (m_editor == hwnd && !(to && GetParent(to) == hwnd)) PostMessageW(GetHwnd(), kMsgCloseEditor, 0, 0);
      return result;
    }
    default:
      break;
  }
  return CallWindowProcW(base, hwnd, msg, wParam, lParam);
}

bool CFieldGridPage::Commit() {
  EndEdit(false);
  int row = m_model.RefusingRow();
  if (row < 0) return true;
  ShowRequiredFieldMessage(GetHwnd(), LabelName(m_model.Row(row)->label));
  PostMessageW(GetHwnd(), kMsgStartEditor, 0, row);
  return false;
}

INT_PTR CFieldGridPage::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      SetupList();
      return FALSE;
    case kMsgStartEditor:
      if (static_cast<int>(lParam) >= 0) StartCellEditor(static_cast<int>(lParam), false);
      return TRUE;
    case kMsgCloseEditor:
      EndEdit(false);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == 1015 || LOWORD(wParam) == 1016) m_model.MarkChanged();
      if (m_editor && reinterpret_cast<HWND>(lParam) == m_editor && HIWORD(wParam) == CBN_SELENDOK) SetFocus(m_list);
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header || header->idFrom != IDC_GRID_LIST) return FALSE;
      if (header->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        int row = static_cast<int>(info->item.iItem);
        if (info->item.mask & LVIF_TEXT) {
          std::u16string text = m_model.CellText(row, info->item.iSubItem);
          size_t room = info->item.cchTextMax > 0 ? static_cast<size_t>(info->item.cchTextMax - 1) : 0;
          size_t n = text.copy(info->item.pszText, std::min(room, text.size()));
          if (info->item.cchTextMax > 0) info->item.pszText[n] = 0;
        }
        if (info->item.mask & LVIF_IMAGE) {
          int c = info->item.iSubItem;
          bool check = c == CFieldGridModel::kScreenColumn || c == CFieldGridModel::kPrinterColumn;
          info->item.iImage = check ? m_model.CheckImage(row, c) : -1;
        }
        return TRUE;
      }
      if (header->code == NM_CLICK) {
        const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        LVHITTESTINFO hit{};
        hit.pt = click->ptAction;
        SendMessageW(m_list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem >= 0) OnTap(hit.iItem, hit.iSubItem, click->ptAction);
        return TRUE;
      }
      return FALSE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) SHSipPreference(GetHwnd(), SIP_DOWN);
      return FALSE;
    case WM_SIZE:
      LayOut(LOWORD(lParam), HIWORD(lParam));
      return FALSE;
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, kWhite);
      SetTextColor(dc, kHeadingColour);
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    }
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    case WM_HELP:
      ShowHelp(kHelpTopic);
      return TRUE;
    default:
      return FALSE;
  }
}
