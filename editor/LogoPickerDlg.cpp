#include "editor/LogoPickerDlg.h"

#include "core/DialogTitleBar.h"
#include "core/DibSection.h"
#include "core/Folders.h"
#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "core/Utilities.h"
#include "platform/shell/Shell.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace {
constexpr int kLogoHelpTopic = 11;
constexpr int kThumbnail = 32;
constexpr int kDisplayBox = 64;
constexpr int kHeadingMetric = 11;
constexpr COLORREF kMaskColour = RGB(0, 255, 0);
constexpr std::u16string_view kPictureSuffix = u".BMP";

// The logo folder with its closing "\".
std::u16string LogoFolder() {
  std::u16string folder = CPreferences().Get(pref::kLogoPath);
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return folder;
}

// A 32 x 32 thumbnail of `picture` (w x h): the picture stretched, aspect kept, into the
// top left corner of a white square.
HBITMAP MakeThumbnail(HBITMAP picture, SIZE fitted) {
  CWindowDC screen(nullptr);
  HBITMAP thumbnail = CreateCompatibleBitmap(screen.get(), kThumbnail, kThumbnail);
  if (!thumbnail) return nullptr;
  CMemoryDC dc = CMemoryDC::CompatibleWith(screen.get());
  CSelectObjectScope keep(dc.get(), thumbnail);
  RECT all{0, 0, kThumbnail, kThumbnail};
  FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  CDibSection section;
  if (section.CreateFromBitmap(picture, nullptr)) section.Draw(dc.get(), POINT{0, 0}, fitted);
  return thumbnail;
}
}  // namespace

CLogoPickerDlg::CLogoPickerDlg(HINSTANCE resources, HWND owner) : m_resources(resources), m_owner(owner) {}

CLogoPickerDlg::~CLogoPickerDlg() {
  if (m_images) ImageList_Destroy(m_images);
}

SIZE CLogoPickerDlg::FitInto(SIZE size, SIZE box) {
  double w = size.cx;
  double h = size.cy;
  if (w > box.cx) {
    h *= box.cx / w;
    w = box.cx;
  }
  if (h > box.cy) {
    w *= box.cy / h;
    h = box.cy;
  }
  return SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
}

INT_PTR CLogoPickerDlg::DoModal(std::u16string_view currentName) {
  m_selected = -1;
  m_currentName = std::u16string(currentName);
  m_rows.clear();
  INT_PTR result = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_LOGO_PICKER), m_owner);
  m_headingFont.reset();
  return result == 1 ? 1 : 0;
}

void CLogoPickerDlg::GetResult(std::u16string& fileName, int& width, int& height) const {
  fileName = m_result.fileName;
  width = m_result.width;
  height = m_result.height;
}

void CLogoPickerDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  SHINITDLGINFO full;
  full.dwMask = SHIDIM_FLAGS;
  full.hDlg = dialog;
  full.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR;
  SHInitDialog(&full);
  SHDoneButton(dialog, SHDB_HIDE);
  CreateEmptyMenuBar(dialog);
  m_headingFont.reset(
      CreateDialogTitleBar(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton, nullptr, 0));
  RECT client{};
  GetClientRect(dialog, &client);
  int heading = GetUiMetric(kHeadingMetric);
  m_list = CreateWindowExW(0, WC_LISTVIEWW, u"",
                           WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE,
                           0, heading + client.top, client.right, client.bottom - 2 * heading - client.top, dialog,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LOGO_LIST)), m_resources, nullptr);
  SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
  LoadImages();
  if (m_selected >= 0) {
    LVITEMW state;
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(m_selected), reinterpret_cast<LPARAM>(&state));
    SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(m_selected), FALSE);
  }
  SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
  SetFocus(m_list);
}

void CLogoPickerDlg::LoadImages() {
  const std::u16string folder = LogoFolder();
  const int count = CountFilesInFolder(folder, kPictureSuffix);
  SendMessageW(m_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
  m_images = ImageList_Create(kThumbnail, kThumbnail, ILC_COLOR24 | ILC_MASK, count, 1);
  if (!m_images) return;
  WIN32_FIND_DATAW found{};
  for (bool more = FindFirstFileInFolder(folder, kPictureSuffix, found); more; more = FindNextSearchFile(found)) {
    std::u16string name = found.cFileName;
    CGdiObject<HBITMAP> picture(SHLoadDIBitmap((folder + name).c_str()));
    if (!picture) continue;  // unreadable pictures are passed over
    BITMAP info{};
    if (!GetObjectW(picture.get(), sizeof(info), &info)) continue;
    Row row{name, kThumbnail, kThumbnail};
    int image;
    if (info.bmWidth == kThumbnail && info.bmHeight == kThumbnail) {
      image = ImageList_AddMasked(m_images, picture.get(), kMaskColour);
    } else {
      SIZE size{info.bmWidth, info.bmHeight};
      SIZE display = FitInto(size, SIZE{kDisplayBox, kDisplayBox});
      row.width = display.cx;
      row.height = display.cy;
      CGdiObject<HBITMAP> thumbnail(MakeThumbnail(picture.get(), FitInto(size, SIZE{kThumbnail, kThumbnail})));
      image = thumbnail ? ImageList_AddMasked(m_images, thumbnail.get(), kMaskColour) : -1;
    }
    if (image < 0) continue;
    const int index = static_cast<int>(m_rows.size());
    if (m_selected < 0 && name == m_currentName) m_selected = index;
    m_rows.push_back(row);
    LVITEMW item;
    item.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_TEXT;
    item.iItem = index;
    item.iImage = image;
    item.pszText = m_rows.back().fileName.data();
    item.lParam = index;
    SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(m_list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(m_images));
}

void CLogoPickerDlg::PlaceList(int width, int height) {
  if (!m_list) return;
  int heading = GetUiMetric(kHeadingMetric);
  MoveWindow(m_list, 0, heading + 4, width, height - 2 * (heading + 2), TRUE);
  MoveDialogTitleButtons(m_okButton, m_cancelButton, width);
}

void CLogoPickerDlg::OnListTap(const NMITEMACTIVATE* tap, bool doubleTap) {
  LVHITTESTINFO hit;
  hit.pt = tap->ptAction;
  int row = static_cast<int>(SendMessageW(m_list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row < 0 || !(hit.flags & LVHT_ONITEMICON)) return;
  m_selected = row;
  InvalidateRect(m_list, nullptr, TRUE);
  if (doubleTap) PostMessageW(GetHwnd(), WM_COMMAND, IDOK, 0);
}

void CLogoPickerDlg::End(INT_PTR result) {
  // The choice is copied out before the rows go.
  if (result == 1) m_result = m_rows[static_cast<size_t>(m_selected)];
  SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
  m_rows.clear();
  EndDialog(GetHwnd(), result);
}

INT_PTR CLogoPickerDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return FALSE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDOK || id == kTitleOkButtonId) {
        bool chosen = m_selected >= 0 && m_selected < static_cast<int>(m_rows.size());
        End(chosen ? 1 : 0);
        return TRUE;
      }
      if (id == IDCANCEL) {
        End(0);
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header && header->idFrom == IDC_LOGO_LIST && (header->code == NM_CLICK || header->code == NM_DBLCLK))
        OnListTap(reinterpret_cast<NMITEMACTIVATE*>(lParam), header->code == NM_DBLCLK);
      return FALSE;
    }
    case WM_SIZE:
      PlaceList(LOWORD(lParam), HIWORD(lParam));
      return FALSE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && IsWindowVisible(GetHwnd())) SHFullScreen(GetHwnd(), SHFS_HIDESIPBUTTON);
      return FALSE;
    case WM_HELP:
      ShowHelp(kLogoHelpTopic);
      return TRUE;
    default: {
      INT_PTR result = FALSE;
      HandleTitleRowDrawing(msg, wParam, lParam, IDC_DIALOG_HEADING, result);
      return result;
    }
  }
}
