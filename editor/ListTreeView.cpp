#include "editor/ListTreeView.h"

#include <string>

#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/ScreenResolution.h"
#include "core/WaitCursor.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Dialog.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

static_assert(pref::kViewItemsByName.def == IDM_ITEMS_VIEW_BY_NAME, "the item view starts by name");

namespace {

// Normal image indexes: expanded / collapsed pairs and the leaf.
constexpr int kImageCategoryOpen = 0, kImageCategory = 1, kImageOtherOpen = 2, kImageOther = 3, kImageGroupOpen = 4,
              kImageGroup = 5, kImageLeaf = 6;

constexpr int kStateNone = 0, kStateUnchecked = 1, kStateChecked = 2, kStateHolding = 3, kStateCheckedHolding = 4;

UINT StateBits(int state) { return static_cast<UINT>(state) << 12; }

bool IsCheckedState(int state) { return state >= kStateChecked; }

int ClosedImage(int kind) {
  if (kind == kObjectGroup) return kImageGroup;
  if (kind == kObjectOtherLists) return kImageOther;
  return kImageCategory;
}

int OpenImage(int kind) {
  if (kind == kObjectGroup) return kImageGroupOpen;
  if (kind == kObjectOtherLists) return kImageOtherOpen;
  return kImageCategoryOpen;
}

class CRedrawOff {
 public:
  explicit CRedrawOff(HWND window) : m_window(window) { SendMessageW(m_window, WM_SETREDRAW, FALSE, 0); }
  ~CRedrawOff() {
    SendMessageW(m_window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_window, nullptr, TRUE);
  }
  CRedrawOff(const CRedrawOff&) = delete;
  CRedrawOff& operator=(const CRedrawOff&) = delete;

 private:
  HWND m_window;
};

constexpr int kCheckSize = 13;  // on a 240-pixel screen; twice that on a high-resolution one
constexpr int kNodeImageWidth = 16;
constexpr int kNodeImages = kImageLeaf + 1;
constexpr COLORREF kMaskColour = 0x00FF00;
// The selection stays drawn while the focus is elsewhere (a question just closed, the find
// bar): Edit and Delete act on it, so the user must see which node it is.
constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                             TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS;

// The five check images: none, box, checked box, and the two "holds checked nodes" boxes
// (shaded), drawn here so the tree needs no bitmap to show checks.
HIMAGELIST MakeStateImages() {
  const int k = IsHighResolutionScreen() ? 2 : 1;
  const int size = kCheckSize * k;
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 5, 0);
  if (!list) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, size * 5, size);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HBRUSH mask = CreateSolidBrush(kMaskColour), white = CreateSolidBrush(0xFFFFFF), shade = CreateSolidBrush(0xC0C0C0);
  HPEN pen = CreatePen(0, k, 0);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  RECT all{0, 0, size * 5, size};
  FillRect(dc, &all, mask);
  for (int i = 1; i < 5; ++i) {
    int x = i * size;
    RECT box{x + k, k, x + size - k, size - k};
    FillRect(dc, &box, i >= 3 ? shade : white);
    POINT frame[] = {{x + k, k}, {x + size - 2 * k, k}, {x + size - 2 * k, size - 2 * k}, {x + k, size - 2 * k},
                     {x + k, k}};
    Polyline(dc, frame, 5);
    if (i == 2 || i == 4) {
      POINT tick[] = {{x + 3 * k, 6 * k}, {x + 5 * k, 9 * k}, {x + 10 * k, 3 * k}};
      Polyline(dc, tick, 3);
    }
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBitmap);
  ImageList_AddMasked(list, bitmap, kMaskColour);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(bitmap), static_cast<HGDIOBJ>(mask), static_cast<HGDIOBJ>(white),
                         static_cast<HGDIOBJ>(shade), static_cast<HGDIOBJ>(pen)})
    DeleteObject(object);
  DeleteDC(dc);
  return list;
}

// The node pictures from the library: open and closed category, other lists and group
// folders, and the leaf. None at all when the bitmap holds fewer.
HIMAGELIST LoadNodeImages(HINSTANCE resources) {
  const bool high = IsHighResolutionScreen();
  HIMAGELIST list = ImageList_LoadBitmapW(resources, MAKEINTRESOURCEW(high ? IDB_TREE_IMAGES_HIRES : IDB_TREE_IMAGES),
                                          high ? 2 * kNodeImageWidth : kNodeImageWidth, 0, kMaskColour);
  if (list && ImageList_GetImageCount(list) < kNodeImages) {
    ImageList_Destroy(list);
    list = nullptr;
  }
  return list;
}

}  // namespace

CListTreeView::CListTreeView(HINSTANCE application, HWND parent, CItemStore* store, bool lineItemMode,
                             bool otherListsMode)
    : m_application(application),
      m_parent(parent),
      m_store(store),
      m_lineItemMode(lineItemMode),
      m_otherListsMode(otherListsMode) {
  CPreferences preferences;
  m_checkBoxes = lineItemMode && preferences.Get(pref::kShowCheckBoxes) != 0;
  m_alphabetize = preferences.Get(pref::kAlphabetizeItems) != 0;
  DWORD view = preferences.Get(pref::kViewItemsByName);
  m_viewMode = (view == IDM_ITEMS_VIEW_BY_DESCRIPTION || view == IDM_ITEMS_VIEW_BY_NAME_AND_DESCRIPTION) ? static_cast<int>(view) : IDM_ITEMS_VIEW_BY_NAME;
  Create();
}

CListTreeView::~CListTreeView() {
  if (m_tree) {
    DeleteAllNodes();
    DestroyWindow(m_tree);
  }
  if (m_stateImages) ImageList_Destroy(m_stateImages);
  if (m_images) ImageList_Destroy(m_images);
}

void CListTreeView::ShowStateImages() {
  if (m_checkBoxes && !m_stateImages) m_stateImages = MakeStateImages();
  SendMessageW(m_tree, TVM_SETIMAGELIST, TVSIL_STATE,
               reinterpret_cast<LPARAM>(m_checkBoxes ? m_stateImages : nullptr));
}

bool CListTreeView::Create() {
  if (m_tree) return true;
  RECT client{};
  GetClientRect(m_parent, &client);
  m_tree = CreateWindowExW(0, WC_TREEVIEWW, u"Tree View", kTreeStyle, 0, 0, client.right - client.left,
                           client.bottom - client.top, m_parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kTreeControlId)), m_application, nullptr);
  if (!m_tree) return false;
  if (!m_images) m_images = LoadNodeImages(m_application);
  SendMessageW(m_tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(m_images));
  ShowStateImages();
  return true;
}

HTREEITEM CListTreeView::Next(WPARAM how, HTREEITEM from) const {
  return reinterpret_cast<HTREEITEM>(SendMessageW(m_tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
}

CDbRecord* CListTreeView::RecordOf(HTREEITEM node) const {
  if (!node) return nullptr;
  TVITEMW item;
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = node;
  if (!SendMessageW(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<CDbRecord*>(item.lParam);
}

void CListTreeView::Select(HTREEITEM node) {
  SendMessageW(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
  if (node) SendMessageW(m_tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));
}

// ---- Filling ---------------------------------------------------------------------------

void CListTreeView::DeleteRecords(HTREEITEM node) {
  for (HTREEITEM child = Next(TVGN_CHILD, node); child; child = Next(TVGN_NEXT, child)) DeleteRecords(child);
  delete RecordOf(node);
  TVITEMW item;
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = node;
  item.lParam = 0;
  SendMessageW(m_tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CListTreeView::DeleteAllNodes() {
  for (HTREEITEM root = Root(); root; root = Root()) {
    DeleteRecords(root);
    SendMessageW(m_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(root));
  }
}

void CListTreeView::Fill() {
  if (!m_tree) return;
  CRedrawOff redraw(m_tree);
  m_filling = true;
  DeleteAllNodes();
  const char16_t* name = m_otherListsMode ? u"Other Lists" : u"Item Lists";
  auto root = CDbRecord::CDbRecordOfType(m_otherListsMode ? kObjectOtherLists : kObjectRoot, 0);
  root->SetField(kFieldName, name);
  root->SetField(kFieldFullName, name);
  root->SetField(kFieldListType, u"Root List");
  root->SetIsOpen(1);
  root->SetChildCount(m_store->GetChildCount(name));
  HTREEITEM node = InsertNode(TVI_ROOT, TVI_LAST, std::move(root), kImageCategory, kStateNone, I_CHILDRENCALLBACK);
  Select(node);
  EnsureSelectionFilled();
  SendMessageW(m_tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
  SetImage(node, OpenImage(RecordOf(node)->GetObjectType()));
  m_filling = false;
}

void CListTreeView::Refill() {
  CWaitCursorScope wait;
  Fill();
}

bool CListTreeView::SetMode(bool lineItemMode, bool otherListsMode) {
  if (!m_tree || (lineItemMode == m_lineItemMode && otherListsMode == m_otherListsMode)) return false;
  m_lineItemMode = lineItemMode;
  m_otherListsMode = otherListsMode;
  m_checkBoxes = lineItemMode && CPreferences().Get(pref::kShowCheckBoxes) != 0;
  ShowStateImages();
  Refill();
  return true;
}

CBusyWindow::CBusyWindow(int templateId, HWND parent) {
  m_window = CreateDialogParamW(GetResourceInstance(), MAKEINTRESOURCEW(templateId), parent,
                                [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  if (!m_window) return;
  ShowWindow(m_window, SW_SHOW);
  UpdateWindow(m_window);
}

CBusyWindow::~CBusyWindow() {
  if (m_window) DestroyWindow(m_window);
}

void CListTreeView::FillChildren(HTREEITEM node, CDbRecord& record) { FillBelow(nullptr, node, record); }

void CListTreeView::FillBelow(HWND progress, HTREEITEM node, CDbRecord& record) {
  if (record.GetChildrenLoaded()) return;
  CRedrawOff redraw(m_tree);
  ++m_fillCount;
  // A large container takes a while: a progress bar steps once per child read.
  std::unique_ptr<CBusyWindow> loading;
  if (!progress && record.GetChildCount() >= kLoadingDialogChildren) {
    loading = std::make_unique<CBusyWindow>(IDD_TREE_LOADING, m_parent);
    progress = loading->Window();
    ++m_loadingDialogs;
    HWND bar = GetDlgItem(progress, IDC_PROGRESS_BAR);
    SendMessageW(bar, PBM_SETRANGE32, 0, record.GetChildCount());
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
  }
  HWND bar = progress ? GetDlgItem(progress, IDC_PROGRESS_BAR) : nullptr;
  int kind = record.GetObjectType();
  bool byName = m_alphabetize && kind != kObjectGroup;
  std::unique_ptr<CDbRecord> child;
  std::u16string parentName(record.FieldView(kFieldFullName));
  auto cursor = m_store->GetFirstChild(parentName, child, {.byName = byName, .prepareOnly = true});
  bool leafBoxes = m_checkBoxes && (kind == kObjectGroup || kind == kObjectRoot || kind == kObjectCategory ||
                                    kind == kObjectContainer512);
  while (cursor && (child = m_store->GetNextChild(*cursor))) {
    if (bar) SendMessageW(bar, PBM_STEPIT, 0, 0);
    int childKind = child->GetObjectType();
    int box = m_checkBoxes ? kStateUnchecked : kStateNone;
    if (childKind & kObjectLeafMask) {
      InsertNode(node, TVI_LAST, std::move(child), kImageLeaf, leafBoxes ? kStateUnchecked : kStateNone, 0);
      continue;
    }
    bool other = childKind == kObjectOtherLists;
    if (other != m_otherListsMode) continue;
    int state = (childKind == kObjectGroup || childKind == kObjectCategory) ? box : kStateNone;
    bool open = child->GetIsOpen() != 0;
    CDbRecord* kept = child.get();
    HTREEITEM added = InsertNode(node, TVI_LAST, std::move(child), ClosedImage(childKind), state, I_CHILDRENCALLBACK);
    if (added && open) {
      FillBelow(progress, added, *kept);
      SendMessageW(m_tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(added));
      SetImage(added, OpenImage(childKind));
    }
  }
  record.SetChildrenLoaded(1);
}

bool CListTreeView::HasCheckedChild(HTREEITEM node) const {
  for (HTREEITEM child = Next(TVGN_CHILD, node); child; child = Next(TVGN_NEXT, child))
    if (IsCheckedState(GetCheckState(child))) return true;
  return false;
}

void CListTreeView::CollapseNode(HTREEITEM node, CDbRecord& record) {
  // Children that hold check marks stay: dropping them would lose what the user picked.
  if (HasCheckedChild(node)) return;
  CRedrawOff redraw(m_tree);
  while (HTREEITEM child = Next(TVGN_CHILD, node)) {
    DeleteRecords(child);
    SendMessageW(m_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child));
  }
  TVITEMW item;
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  item.cChildren = I_CHILDRENCALLBACK;
  SendMessageW(m_tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  record.SetChildrenLoaded(0);
}

void CListTreeView::EnsureSelectionFilled() {
  CDbRecord* record = nullptr;
  HTREEITEM node = GetSelection(&record);
  if (node && record && (record->GetObjectType() & kObjectLeafMask)) {
    node = Next(TVGN_PARENT, node);
    record = RecordOf(node);
  }
  if (node && record) FillChildren(node, *record);
}

LRESULT CListTreeView::OnNotify(const NMHDR* header) {
  if (!header || header->hwndFrom != m_tree || header->code != TVN_ITEMEXPANDINGW) return 0;
  const auto* nm = reinterpret_cast<const NMTREEVIEWW*>(header);
  HTREEITEM node = nm->itemNew.hItem;
  CDbRecord* record = RecordOf(node);
  if (!record) return 0;
  int kind = record->GetObjectType();
  if ((nm->action & TVE_EXPAND) && !(nm->itemNew.state & TVIS_EXPANDED)) {
    FillChildren(node, *record);
    SetImage(node, OpenImage(kind));
    if (!m_filling) record->SetIsOpen(1);
  } else if (nm->action & TVE_COLLAPSE) {
    SetImage(node, ClosedImage(kind));
    CollapseNode(node, *record);
    if (!m_filling) record->SetIsOpen(0);
  }
  return 0;
}

// ---- Selection ----------------------------------------------------------------------------

HTREEITEM CListTreeView::GetSelection(CDbRecord** selected, CDbRecord** parent) const {
  HTREEITEM node = m_tree ? Next(TVGN_CARET, nullptr) : nullptr;
  if (selected) *selected = RecordOf(node);
  if (parent) *parent = node ? RecordOf(Next(TVGN_PARENT, node)) : nullptr;
  return node;
}

bool CListTreeView::IsRootSelected() const {
  HTREEITEM node = GetSelection();
  return node && node == Root();
}

bool CListTreeView::IsOtherListsRootSelected() const {
  CDbRecord* record = nullptr;
  return GetSelection(&record) && record && record->GetObjectType() == kObjectOtherLists;
}

bool CListTreeView::IsTopRootSelected() const {
  CDbRecord* record = nullptr;
  return GetSelection(&record) && record && record->GetObjectType() == kObjectRoot;
}

bool CListTreeView::IsContainerSelected() const {
  CDbRecord* record = nullptr;
  return GetSelection(&record) && record && (record->GetObjectType() & kObjectContainerMask);
}

bool CListTreeView::IsInAssembly() const {
  CDbRecord* record = nullptr;
  CDbRecord* parent = nullptr;
  if (!GetSelection(&record, &parent)) return false;
  return (record && record->GetObjectType() == kObjectContainer512) ||
         (parent && parent->GetObjectType() == kObjectContainer512);
}

bool CListTreeView::CanAddToDocument() const {
  CDbRecord* record = nullptr;
  if (!GetSelection(&record) || !record) return false;
  int kind = record->GetObjectType();
  return kind == kObjectItem || kind == kObjectListedItem || kind == kObjectGroup || kind == kObjectCategory;
}

// ---- Finding ------------------------------------------------------------------------------

std::u16string CListTreeView::DisplayText(CDbRecord& record) const {
  std::u16string_view name = record.FieldView(kFieldName);
  if (m_viewMode == IDM_ITEMS_VIEW_BY_NAME) return std::u16string(name);
  if (record.FieldView(kFieldSalesDescription).empty()) record.SetField(kFieldSalesDescription, name);
  std::u16string_view description = record.FieldView(kFieldSalesDescription);
  if (m_viewMode == IDM_ITEMS_VIEW_BY_DESCRIPTION) return std::u16string(description);
  std::u16string text(name);
  if (description != name) text += u" - " + std::u16string(description);
  record.SetField(24, text);
  return text;
}

bool CListTreeView::Matches(CDbRecord& record, std::u16string_view wanted) const {
  auto contains = [&](std::u16string_view text) { return text.find(wanted) != std::u16string_view::npos; };
  std::u16string_view name = record.FieldView(kFieldName);
  if (!(record.GetObjectType() & kObjectLeafMask) || m_viewMode == IDM_ITEMS_VIEW_BY_NAME) return contains(name);
  std::u16string_view description = record.FieldView(kFieldSalesDescription);
  if (m_viewMode == IDM_ITEMS_VIEW_BY_DESCRIPTION) return contains(description.empty() ? name : description);
  return contains(name) || contains(description);
}

HTREEITEM CListTreeView::FindText(HTREEITEM start, std::u16string_view text) const {
  for (HTREEITEM node = start ? start : Root(); node; node = Next(TVGN_NEXT, node)) {
    CDbRecord* record = RecordOf(node);
    if (record && Matches(*record, text)) return node;
    if (HTREEITEM child = Next(TVGN_CHILD, node))
      if (HTREEITEM found = FindText(child, text)) return found;
  }
  return nullptr;
}

bool CListTreeView::SelectByText(HTREEITEM start, std::u16string_view text) {
  HTREEITEM found = FindText(start, text);
  if (!found) return false;
  Select(found);
  SetFocus(false);
  return true;
}

HTREEITEM CListTreeView::FindChildByName(HTREEITEM parent, std::u16string_view name) const {
  for (HTREEITEM child = Next(TVGN_CHILD, parent); child; child = Next(TVGN_NEXT, child)) {
    CDbRecord* record = RecordOf(child);
    if (record && record->FieldView(kFieldName) == name) return child;
  }
  return nullptr;
}

HTREEITEM CListTreeView::FindLoadedNode(std::u16string_view listId) const {
  struct Walker {
    const CListTreeView& view;
    std::u16string_view id;
    HTREEITEM Walk(HTREEITEM node) const {
      for (; node; node = view.Next(TVGN_NEXT, node)) {
        CDbRecord* record = view.RecordOf(node);
        if (record && record->FieldView(kFieldListID) == id) return node;
        if (HTREEITEM found = Walk(view.Next(TVGN_CHILD, node))) return found;
      }
      return nullptr;
    }
  } walker{*this, listId};
  return listId.empty() ? nullptr : walker.Walk(Root());
}

// ---- Inserting ----------------------------------------------------------------------------

HTREEITEM CListTreeView::InsertNode(HTREEITEM parent, HTREEITEM after, std::unique_ptr<CDbRecord> record, int image,
                                    int state, int children) {
  std::u16string text = DisplayText(*record);
  TVINSERTSTRUCTW ins;
  ins.hParent = parent;
  ins.hInsertAfter = after ? after : TVI_FIRST;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN | TVIF_PARAM;
  ins.item.pszText = text.data();
  ins.item.iImage = image;
  ins.item.iSelectedImage = image;
  ins.item.state = StateBits(state);
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  ins.item.cChildren = children;
  ins.item.lParam = reinterpret_cast<LPARAM>(record.get());
  auto node = reinterpret_cast<HTREEITEM>(SendMessageW(m_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  if (node) record.release();
  return node;
}

HTREEITEM CListTreeView::InsertRecord(HTREEITEM parent, HTREEITEM after, std::unique_ptr<CDbRecord> record) {
  if (!record) return nullptr;
  int kind = record->GetObjectType();
  int box = m_checkBoxes ? kStateUnchecked : kStateNone;
  int image = ClosedImage(kind);
  int state = (kind == kObjectRoot || kind == kObjectOtherLists) ? kStateNone : box;
  HTREEITEM node = InsertNode(parent, m_alphabetize ? TVI_SORT : after, std::move(record), image, state,
                              I_CHILDRENCALLBACK);
  if (node) {
    Select(node);
    SetFocus(false);
  }
  return node;
}

HTREEITEM CListTreeView::InsertLeaf(HTREEITEM parent, HTREEITEM after, std::unique_ptr<CDbRecord> record,
                                    int parentKind) {
  if (!record) return nullptr;
  int kind = record->GetObjectType();
  bool box = m_checkBoxes && (kind == kObjectItem || kind == kObjectGroup || kind == kObjectCategory);
  HTREEITEM position = (m_alphabetize && parentKind != kObjectGroup) ? TVI_SORT : after;
  HTREEITEM node = InsertNode(parent, position, std::move(record), kImageLeaf, box ? kStateUnchecked : kStateNone, 0);
  if (node) {
    Select(node);
    SetFocus(false);
  }
  return node;
}

std::unique_ptr<CDbRecord> CListTreeView::RemoveNode(HTREEITEM node) {
  if (!node) return nullptr;
  std::unique_ptr<CDbRecord> own(RecordOf(node));
  for (HTREEITEM child = Next(TVGN_CHILD, node); child; child = Next(TVGN_NEXT, child)) DeleteRecords(child);
  SendMessageW(m_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
  return own;
}

void CListTreeView::SetItemText(HTREEITEM node, std::u16string_view text) {
  std::u16string copy(text);
  TVITEMW item;
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = copy.data();
  SendMessageW(m_tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CListTreeView::SetImage(HTREEITEM node, int image) {
  TVITEMW item;
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
  item.hItem = node;
  item.iImage = image;
  item.iSelectedImage = image;
  SendMessageW(m_tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CListTreeView::RenumberChildren(HTREEITEM node, const CDbRecord& parentRecord) {
  if (m_alphabetize && parentRecord.GetObjectType() != kObjectGroup) return;
  std::vector<CDbRecord*> changed;
  int index = 0;
  for (HTREEITEM child = Next(TVGN_CHILD, node); child; child = Next(TVGN_NEXT, child), ++index) {
    CDbRecord* record = RecordOf(child);
    if (!record || record->GetObjectPosition() == index) continue;
    record->SetObjectPosition(index);
    changed.push_back(record);
  }
  if (m_alphabetize || changed.empty()) return;
  CWaitCursorScope wait;
  m_store->BeginTransaction();
  for (CDbRecord* record : changed) {
    auto fresh = m_store->GetItem(*record, true);
    if (!fresh) continue;
    fresh->SetObjectPosition(record->GetObjectPosition());
    fresh->SetIsOpen(record->GetIsOpen());
    // The first row that cannot be written has told the user: the order stays as it was
    // stored rather than half renumbered, and no further row tells the same again.
    if (!m_store->UpdateItem(*fresh)) {
      m_store->RollbackTransaction();
      return;
    }
  }
  m_store->CommitTransaction();
}

// ---- Checks -------------------------------------------------------------------------------

int CListTreeView::GetCheckState(HTREEITEM node) const {
  TVITEMW item;
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = node;
  item.stateMask = TVIS_STATEIMAGEMASK;
  if (!node || !SendMessageW(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return kStateNone;
  return static_cast<int>((item.state & TVIS_STATEIMAGEMASK) >> 12);
}

void CListTreeView::SetCheckState(HTREEITEM node, int state) {
  TVITEMW item;
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = node;
  item.state = StateBits(state);
  item.stateMask = TVIS_STATEIMAGEMASK;
  SendMessageW(m_tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CListTreeView::SetSubtreeState(HTREEITEM node, int state) {
  CDbRecord* record = RecordOf(node);
  if (GetCheckState(node) != kStateNone) SetCheckState(node, state);
  // A category takes the mark itself; its contents are added as a whole, not by their marks.
  if (!record || record->GetObjectType() == kObjectCategory) return;
  if (record->GetObjectType() & kObjectContainerMask) {
    if (IsCheckedState(state)) {
      FillChildren(node, *record);
      SendMessageW(m_tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    }
    for (HTREEITEM child = Next(TVGN_CHILD, node); child; child = Next(TVGN_NEXT, child)) SetSubtreeState(child, state);
  }
}

void CListTreeView::ChangeCheckState(HTREEITEM node, CheckChange change) {
  int s = GetCheckState(node);
  if (s == kStateNone) return;
  int next = s;
  switch (change) {
    case kCheck:
      if (s == kStateUnchecked) next = kStateChecked;
      if (s == kStateHolding) next = kStateCheckedHolding;
      break;
    case kUncheck:
      if (s == kStateChecked) next = kStateUnchecked;
      if (s == kStateCheckedHolding) next = kStateHolding;
      break;
    case kToggleCheck:
      next = (s == kStateUnchecked) ? kStateChecked : (s == kStateChecked) ? kStateUnchecked
           : (s == kStateHolding)   ? kStateCheckedHolding
                                    : kStateHolding;
      break;
    case kRecomputeCheck: {
      bool holding = HasCheckedChild(node);
      if (holding && s == kStateUnchecked) next = kStateHolding;
      if (holding && s == kStateChecked) next = kStateCheckedHolding;
      if (!holding && s == kStateHolding) next = kStateUnchecked;
      if (!holding && s == kStateCheckedHolding) next = kStateChecked;
      SetCheckState(node, next);
      return;
    }
  }
  if (next == s && change != kToggleCheck) return;
  bool checked = IsCheckedState(next);
  SetSubtreeState(node, checked ? kStateChecked : kStateUnchecked);
  if (GetCheckState(node) != kStateNone && !checked) SetCheckState(node, kStateUnchecked);
  for (HTREEITEM up = Next(TVGN_PARENT, node); up; up = Next(TVGN_PARENT, up)) {
    int a = GetCheckState(up);
    if (checked) {
      if (a == kStateUnchecked) SetCheckState(up, kStateHolding);
      if (a == kStateChecked) SetCheckState(up, kStateCheckedHolding);
    } else {
      if (HasCheckedChild(up)) break;
      if (a == kStateHolding) SetCheckState(up, kStateUnchecked);
      if (a == kStateCheckedHolding) SetCheckState(up, kStateChecked);
    }
  }
}

bool CListTreeView::ToggleCheckBoxes() {
  m_checkBoxes = !m_checkBoxes;
  ShowStateImages();
  return m_checkBoxes;
}

void CListTreeView::ClearChecks() {
  struct Walker {
    CListTreeView& view;
    void Walk(HTREEITEM node) {
      for (; node; node = view.Next(TVGN_NEXT, node)) {
        if (IsCheckedState(view.GetCheckState(node))) view.SetCheckState(node, kStateUnchecked);
        Walk(view.Next(TVGN_CHILD, node));
      }
    }
  } walker{*this};
  walker.Walk(Root());
}

void CListTreeView::OfferChecked(HTREEITEM node, std::vector<std::unique_ptr<CDbRecord>>& out) {
  CDbRecord* record = RecordOf(node);
  if (!record) return;
  int kind = record->GetObjectType();
  if (!(kind & kObjectLeafMask) && kind != kObjectCategory) return;
  CDbRecord* parent = RecordOf(Next(TVGN_PARENT, node));
  std::u16string parentName(parent ? parent->FieldView(kFieldFullName) : std::u16string_view());
  record->SetField(kFieldParent, parentName);
  auto copy = m_store->GetItem(*record, true);
  if (!copy) return;
  copy->SetField(kFieldParent, parentName);
  if (parent && parent->GetObjectType() == kObjectGroup) {
    // An item of a group goes on the document under the group's own parent, remembering
    // the group; it comes as many times as the group holds it (read with the copy).
    copy->SetField(kFieldFallbackParent, parentName);
    std::u16string_view full = copy->FieldView(kFieldFullName);
    size_t last = full.rfind(u':');
    std::u16string_view before = last == std::u16string_view::npos ? std::u16string_view() : full.substr(0, last);
    size_t first = before.find(u':');
    copy->SetField(kFieldParent, first == std::u16string_view::npos ? before : before.substr(first + 1));
  }
  out.push_back(std::move(copy));
}

void CListTreeView::Collect(HTREEITEM node, HTREEITEM selected, std::vector<std::unique_ptr<CDbRecord>>& out) {
  for (; node; node = Next(TVGN_NEXT, node)) {
    if (node == selected || GetCheckState(node) == kStateChecked) OfferChecked(node, out);
    Collect(Next(TVGN_CHILD, node), selected, out);
  }
}

void CListTreeView::CollectItemsOf(HTREEITEM node, std::vector<std::unique_ptr<CDbRecord>>& out) {
  CDbRecord* record = RecordOf(node);
  if (!record) return;
  if (!(record->GetObjectType() & kObjectContainerMask)) {
    OfferChecked(node, out);
    return;
  }
  FillBelow(nullptr, node, *record);
  for (HTREEITEM child = Next(TVGN_CHILD, node); child; child = Next(TVGN_NEXT, child)) CollectItemsOf(child, out);
}

void CListTreeView::CollectChecked(HTREEITEM start, HTREEITEM selected,
                                   std::vector<std::unique_ptr<CDbRecord>>& out) {
  Collect(start ? start : Root(), selected, out);
}

// ---- Order and view -----------------------------------------------------------------------

bool CListTreeView::ToggleAlphabetize() {
  m_alphabetize = !m_alphabetize;
  CPreferences().Set(pref::kAlphabetizeItems, m_alphabetize ? 1 : 0);
  Refill();
  return m_alphabetize;
}

void CListTreeView::SetViewMode(int mode) {
  if (mode != IDM_ITEMS_VIEW_BY_NAME && mode != IDM_ITEMS_VIEW_BY_DESCRIPTION && mode != IDM_ITEMS_VIEW_BY_NAME_AND_DESCRIPTION) return;
  m_viewMode = mode;
  CPreferences().Set(pref::kViewItemsByName, static_cast<DWORD>(mode));
  Refill();
}

void CListTreeView::SetFocus(bool redraw) {
  if (redraw) InvalidateRect(m_tree, nullptr, TRUE);
  ::SetFocus(m_tree);
}
