#include "editor/ItemTreeCommands.h"

#include <string>

#include "core/FieldForm.h"
#include "core/MessageBoxes.h"
#include "core/NameForm.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/WaitCursor.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

namespace {

IItemEntryDialogs* g_entryDialogs = nullptr;

// The category form: the rows of the name form, with the type and description beside it.
constexpr int kContainerNameLength = 31;
constexpr int kTypeLength = 20;
constexpr int kDescriptionLength = 2048;
constexpr int kCategoryLabelWidth = 50;
constexpr int kCategoryHelpTopic = 18;
constexpr int kCategoryNameRow = 1, kCategoryDescriptionRow = 2;

// A full copy of a record: texts, numbers and the tree's own counts.
std::unique_ptr<CDbRecord> Clone(const CDbRecord& source) {
  auto copy = CDbRecord::CDbRecordCopy(source, source.GetObjectPosition());
  copy->SetUseCount(source.GetUseCount());
  copy->SetIsOpen(source.GetIsOpen());
  copy->SetChildCount(source.GetChildCount());
  return copy;
}

std::u16string ListIdOf(const CDbRecord* record) {
  return record ? std::u16string(record->FieldView(kFieldListID)) : std::u16string();
}

void AdjustChildCount(CListTreeView& tree, const std::u16string& parentId, int delta) {
  if (CDbRecord* parent = tree.RecordOf(tree.FindLoadedNode(parentId)))
    parent->SetChildCount(parent->GetChildCount() + delta);
}

// Where a node goes when the selection is the target: under a selected container, else
// under the selected leaf's parent after it.
struct Target {
  HTREEITEM parentNode = nullptr;
  CDbRecord* parent = nullptr;
  HTREEITEM after = TVI_LAST;
};

Target TargetOfSelection(CListTreeView& tree) {
  Target target;
  CDbRecord* selected = nullptr;
  HTREEITEM node = tree.GetSelection(&selected);
  if (!node || !selected) return target;
  if (selected->GetObjectType() & kObjectContainerMask) {
    target.parentNode = node;
    target.parent = selected;
  } else {
    target.parentNode = tree.Next(TVGN_PARENT, node);
    target.parent = tree.RecordOf(target.parentNode);
    target.after = node;
  }
  if (target.parent) tree.FillChildren(target.parentNode, *target.parent);
  return target;
}

// The node that takes the selection when `node` goes: its previous sibling, else (when
// `nextToo`) its next sibling, else its parent.
HTREEITEM NeighbourOf(CListTreeView& tree, HTREEITEM node, bool nextToo) {
  if (HTREEITEM previous = tree.Next(TVGN_PREVIOUS, node)) return previous;
  if (nextToo)
    if (HTREEITEM next = tree.Next(TVGN_NEXT, node)) return next;
  return tree.Next(TVGN_PARENT, node);
}

// Takes the node with that ListID out of the tree, the selection moving to a neighbour.
void RemoveShownNode(CListTreeView& tree, std::u16string_view listId, bool nextToo) {
  if (HTREEITEM node = tree.FindLoadedNode(listId)) {
    tree.Select(NeighbourOf(tree, node, nextToo));
    tree.RemoveNode(node);
  }
}

bool HasColon(std::u16string_view name) { return name.find(u':') != std::u16string_view::npos; }

void WarnDuplicate(HWND owner, std::u16string_view name) {
  std::u16string text(kDuplicateNameFormat);
  text.replace(text.find(u"%s"), 2, name);
  MessageBoxW(owner, text.c_str(), u"Slateway", kStyleWarning);
}

// True when another node named `name` sits under `parent`.
bool SiblingNamed(CItemStore& store, std::u16string_view name, std::u16string_view parent,
                  std::u16string_view exceptListId) {
  std::unique_ptr<CDbRecord> found;
  if (!store.FindChildByName(name, 0, parent, found)) return false;
  return !found || found->FieldView(kFieldListID) != exceptListId;
}

std::u16string ParentPathOf(std::u16string_view fullName) {
  CBstr before;
  GetTextBeforeLastColon(fullName, before);
  return std::u16string(before.view());
}

}  // namespace

void SetItemEntryDialogs(IItemEntryDialogs* dialogs) { g_entryDialogs = dialogs; }
IItemEntryDialogs* GetItemEntryDialogs() { return g_entryDialogs; }

std::u16string ChildFullName(std::u16string_view parentFullName, std::u16string_view name) {
  if (parentFullName.empty() || CItemStore::IsItemTypeOrRootName(parentFullName)) return std::u16string(name);
  return std::u16string(parentFullName) + u":" + std::u16string(name);
}

// ---- Clipboard ----------------------------------------------------------------------------

CItemClipboard::~CItemClipboard() = default;

void CItemClipboard::Set(std::unique_ptr<CDbRecord> record, bool cut) {
  m_record = std::move(record);
  m_cut = m_record && cut;
}

std::unique_ptr<CDbRecord> CItemClipboard::Take() {
  m_cut = false;
  return std::move(m_record);
}

void CItemClipboard::Clear() { Take(); }

void CItemClipboard::Forget(std::u16string_view listId) {
  if (m_record && m_record->FieldView(kFieldListID) == listId) Clear();
}

// ---- New category, group and item ----------------------------------------------------------

CNewNodeCommand::CNewNodeCommand(LPCWSTR name, CItemTreeContext& context, std::unique_ptr<CDbRecord> record)
    : CUndoableTreeCommand(name, context), m_record(std::move(record)) {}

HTREEITEM CNewNodeCommand::PrepareRecord() {
  CListTreeView& tree = m_context.tree;
  if (!m_record) return nullptr;
  if (m_parentId.empty()) {
    Target target = TargetOfSelection(tree);
    if (!target.parent) return nullptr;
    m_parentId = ListIdOf(target.parent);
    m_parentFullName.assign(target.parent->FieldView(kFieldFullName));
    m_afterId = target.after == TVI_LAST ? std::u16string() : ListIdOf(tree.RecordOf(target.after));
  }
  HTREEITEM parentNode = tree.FindLoadedNode(m_parentId);
  m_record->SetField(kFieldParent, m_parentFullName);
  m_record->SetField(kFieldFullName, ChildFullName(m_parentFullName, m_record->FieldView(kFieldName)));
  return parentNode;
}

HTREEITEM CNewNodeCommand::AfterNode() const {
  HTREEITEM after = m_afterId.empty() ? nullptr : m_context.tree.FindLoadedNode(m_afterId);
  return after ? after : TVI_LAST;
}

void CNewNodeCommand::RemoveNewNode(bool nextToo) {
  RemoveShownNode(m_context.tree, ListIdOf(m_record.get()), nextToo);
  AdjustChildCount(m_context.tree, m_parentId, -1);
}

CNewCategoryCommand::CNewCategoryCommand(CItemTreeContext& context, std::unique_ptr<CDbRecord> record)
    : CNewNodeCommand(record && record->GetObjectType() == kObjectGroup ? u"New Group" : u"New Category", context,
                      std::move(record)) {}

bool CNewCategoryCommand::Do(bool) {
  CListTreeView& tree = m_context.tree;
  if (!m_record) return false;
  // A deletion still waiting in the history is completed before anything is added.
  m_context.history.Clear();
  HTREEITEM parentNode = PrepareRecord();
  if (!parentNode) return false;
  if (m_context.store.AddItem(m_context.owner, *m_record, CItemStore::OnDuplicate::RefuseAndTell) != 1) return false;
  AdjustChildCount(tree, m_parentId, 1);
  if (tree.InsertRecord(parentNode, AfterNode(), Clone(*m_record)))
    tree.RenumberChildren(parentNode, *tree.RecordOf(parentNode));
  return true;
}

bool CNewCategoryCommand::Undo() {
  RemoveNewNode(true);
  m_context.store.DeleteCategoryContents(m_record->FieldView(kFieldFullName));
  m_context.store.DeleteCategoryObject(m_record->FieldView(kFieldListID), m_record->FieldView(kFieldListType));
  return true;
}

CNewItemCommand::CNewItemCommand(CItemTreeContext& context, std::unique_ptr<CDbRecord> record)
    : CNewNodeCommand(u"New Item", context, std::move(record)) {}

bool CNewItemCommand::Do(bool) {
  CListTreeView& tree = m_context.tree;
  CWaitCursorScope wait;
  HTREEITEM parentNode = PrepareRecord();
  CDbRecord* parent = tree.RecordOf(parentNode);
  if (!parent) return false;
  if (m_context.store.AddItem(m_context.owner, *m_record, CItemStore::OnDuplicate::Insert) != 1) return false;
  parent->SetChildCount(parent->GetChildCount() + 1);
  if (!tree.InsertLeaf(parentNode, AfterNode(), Clone(*m_record), parent->GetObjectType())) {
    // The row without a node would be invisible yet block its name: take it back.
    m_context.store.DeleteCategoryObject(m_record->FieldView(kFieldListID), m_record->FieldView(kFieldListType));
    parent->SetChildCount(parent->GetChildCount() - 1);
    return false;
  }
  tree.RenumberChildren(parentNode, *parent);
  return true;
}

bool CNewItemCommand::Undo() {
  RemoveNewNode(false);
  m_context.store.DeleteCategoryObject(m_record->FieldView(kFieldListID), m_record->FieldView(kFieldListType));
  return true;
}

// ---- Delete and cut -----------------------------------------------------------------------

void CRemoveNodeCommand::RemoveShown(HTREEITEM node, CDbRecord& parent, const CDbRecord& removed, bool nextToo) {
  CListTreeView& tree = m_context.tree;
  parent.SetChildCount(parent.GetChildCount() - 1);
  m_parentId = ListIdOf(&parent);
  m_previousId = ListIdOf(tree.RecordOf(tree.Next(TVGN_PREVIOUS, node)));
  if (m_cut) m_context.clipboard.Set(Clone(removed), true);
  tree.Select(NeighbourOf(tree, node, nextToo));
  tree.RemoveNode(node);
  // The question took the focus: the node that is now selected, which Edit acts on next,
  // shows as selected only when the tree has it back.
  tree.SetFocus(true);
}

CDeleteCategoryCommand::CDeleteCategoryCommand(CItemTreeContext& context, bool cut)
    : CRemoveNodeCommand(cut ? u"Cut" : u"Delete Category", context, cut) {}

CDeleteCategoryCommand::~CDeleteCategoryCommand() {
  // The contents stay in the store while the deletion can still be taken back; a cut
  // category keeps them for its paste.
  if (!m_executed || !m_record || m_cut) return;
  CWaitCursorScope wait;
  CBusyWindow waiting(IDD_TREE_WAIT, m_context.owner);
  m_context.store.DeleteCategoryContents(m_fullName);
}

bool CDeleteCategoryCommand::Do(bool isRedo) {
  CListTreeView& tree = m_context.tree;
  CItemStore& store = m_context.store;
  CDbRecord* selected = nullptr;
  CDbRecord* parent = nullptr;
  HTREEITEM node = tree.GetSelection(&selected, &parent);
  if (!node || !selected || !parent) return false;
  if (!m_cut && !isRedo) {
    bool group = selected->GetObjectType() == kObjectGroup;
    const char16_t* question = group ? u"Are you sure you want to delete group '%s'?"
                                     : u"Are you sure you want to delete category '%s'?";
    std::u16string name(selected->FieldView(kFieldName));
    if (!AskYesNoFmtText(tree.Window(), question, name.c_str())) return false;
    if (group) SetName(u"Delete Group");
  }
  auto fresh = store.GetItem(*selected, true);
  if (!fresh) return false;
  fresh->SetChildCount(selected->GetChildCount());
  fresh->SetIsOpen(selected->GetIsOpen());
  fresh->SetObjectPosition(selected->GetObjectPosition());
  store.BeginTransaction();
  if (!store.DeleteCategoryObject(fresh->FieldView(kFieldListID), fresh->FieldView(kFieldListType))) {
    store.RollbackTransaction();
    return false;
  }
  RemoveShown(node, *parent, *fresh, true);
  m_fullName.assign(fresh->FieldView(kFieldFullName));
  m_record = std::move(fresh);
  m_executed = true;
  store.CommitTransaction();
  return true;
}

bool CDeleteCategoryCommand::Undo() {
  CListTreeView& tree = m_context.tree;
  CItemStore& store = m_context.store;
  if (!m_record) return false;
  store.BeginTransaction();
  if (store.AddItem(m_context.owner, *m_record, CItemStore::OnDuplicate::RefuseAndTell) != 1) {
    store.RollbackTransaction();
    return false;
  }
  if (m_cut) m_context.clipboard.Forget(ListIdOf(m_record.get()));
  if (HTREEITEM parentNode = tree.FindLoadedNode(m_parentId)) {
    AdjustChildCount(tree, m_parentId, 1);
    HTREEITEM previous = tree.FindLoadedNode(m_previousId);
    tree.InsertRecord(parentNode, previous ? previous : TVI_FIRST, Clone(*m_record));
  }
  m_record.reset();
  store.CommitTransaction();
  return true;
}

CDeleteListItemCommand::CDeleteListItemCommand(CItemTreeContext& context, bool cut)
    : CRemoveNodeCommand(cut ? u"Cut" : u"Delete Item", context, cut) {}

bool CDeleteListItemCommand::Do(bool isRedo) {
  CListTreeView& tree = m_context.tree;
  CDbRecord* selected = nullptr;
  CDbRecord* parent = nullptr;
  HTREEITEM node = tree.GetSelection(&selected, &parent);
  if (!node || !selected || !parent) return false;
  selected->SetField(kFieldParent, parent->FieldView(kFieldFullName));
  if (!m_cut && !isRedo) {
    std::u16string name(selected->FieldView(kFieldName));
    if (!AskYesNoFmtText(tree.Window(), u"Are you sure you want to delete '%s'?", name.c_str())) return false;
  }
  auto fresh = m_context.store.GetItem(*selected, true);
  if (!fresh) return false;
  fresh->SetField(kFieldParent, parent->FieldView(kFieldFullName));
  // The row goes first: a node removed for a row that stays would hide it.
  if (!m_context.store.DeleteItem(fresh.get())) return false;
  RemoveShown(node, *parent, *fresh, false);
  m_record = std::move(fresh);
  return true;
}

bool CDeleteListItemCommand::Undo() {
  CListTreeView& tree = m_context.tree;
  if (!m_record) return false;
  // The row comes back first, so that a refused row never leaves a node behind.
  if (m_context.store.AddItem(m_context.owner, *m_record, CItemStore::OnDuplicate::Insert) != 1) return false;
  if (m_cut) m_context.clipboard.Forget(ListIdOf(m_record.get()));
  HTREEITEM parentNode = tree.FindLoadedNode(m_parentId);
  if (CDbRecord* parent = tree.RecordOf(parentNode)) {
    parent->SetChildCount(parent->GetChildCount() + 1);
    HTREEITEM previous = tree.FindLoadedNode(m_previousId);
    tree.InsertLeaf(parentNode, previous ? previous : TVI_FIRST, Clone(*m_record), parent->GetObjectType());
  }
  return true;
}

// ---- Edit ---------------------------------------------------------------------------------

CEditListItemCommand::CEditListItemCommand(CItemTreeContext& context) : CUndoableTreeCommand(u"Edit", context) {}

bool CEditListItemCommand::Do(bool isRedo) {
  CListTreeView& tree = m_context.tree;
  if (isRedo) return Apply(*m_new, *m_old);
  CDbRecord* selected = nullptr;
  HTREEITEM node = tree.GetSelection(&selected);
  if (!node || !selected) return false;
  int kind = selected->GetObjectType();
  bool done = (kind & kObjectLeafMask) ? EditRecord(*selected)
              : kind == kObjectCategory ? EditCategory(*selected)
                                        : RenameContainer(*selected);
  tree.SetFocus(true);
  return done;
}

bool CEditListItemCommand::NameRefused(const CDbRecord& record, std::u16string_view name) const {
  HWND window = m_context.tree.Window();
  if (HasColon(name)) {
    ShowWarningMessage(window, IDS_NAME_HAS_COLON);
    return true;
  }
  // Refused when a sibling already has the name: the two would merge.
  if (SiblingNamed(m_context.store, name, record.FieldView(kFieldParent), record.FieldView(kFieldListID))) {
    WarnDuplicate(window, name);
    return true;
  }
  return false;
}

bool CEditListItemCommand::Undo() { return m_old && m_new && Apply(*m_old, *m_new); }

bool CEditListItemCommand::EditRecord(CDbRecord& record) {
  CItemStore& store = m_context.store;
  IItemEntryDialogs* dialogs = GetItemEntryDialogs();
  if (!dialogs) return false;
  auto old = store.GetItem(record, true);
  if (!old) return false;
  auto work = Clone(*old);
  CListTreeView& tree = m_context.tree;
  CDbRecord* rootRecord = tree.RecordOf(tree.Root());
  bool underOtherLists = rootRecord && rootRecord->GetObjectType() == kObjectOtherLists;
  std::u16string_view type = old->FieldView(kFieldListType);
  bool stocked = type == u"Inventory Part" || type == u"Inventory Assembly";
  int result;
  if (!underOtherLists && stocked && CPreferences().Get(pref::kTrackInventory) != 0) {
    result = dialogs->EditInventoryItem(m_context.owner, *work, m_context.documentType);
  } else {
    CWaitCursorScope wait;
    result = dialogs->EditListEntry(m_context.owner, *work, m_context.documentType);
  }
  if (result != 1) return false;
  CBstr stamp;
  GetTimestampText(stamp);
  work->SetField(kFieldTimeModified, stamp);
  std::u16string_view name = work->FieldView(kFieldName);
  m_nameChanged = name != old->FieldView(kFieldName);
  if ((m_nameChanged || HasColon(name)) && NameRefused(*old, name)) return false;
  if (m_nameChanged) {
    // The path follows the name, as it does when the node is made.
    work->SetField(kFieldFullName, ChildFullName(old->FieldView(kFieldParent), name));
  }
  m_old = std::move(old);
  m_new = std::move(work);
  return Apply(*m_new, *m_old);
}

bool CEditListItemCommand::RenameContainer(CDbRecord& record) {
  int kind = record.GetObjectType();
  CNameForm form(GetResourceInstance(), m_context.owner, CBstr(kind == kObjectGroup ? u"Group" : u"Category"),
                 CBstr(u"Name"), kContainerNameLength, CBstr(record.FieldView(kFieldName)), 0, CBstr(), false);
  if (form.DoModal() != 1) return false;
  std::u16string name(form.GetValue().view());
  if (name.empty() || name == record.FieldView(kFieldName) || NameRefused(record, name)) return false;
  auto old = m_context.store.GetItem(record, true);
  if (!old) return false;
  auto work = Clone(*old);
  work->SetField(kFieldName, name);
  work->SetField(kFieldFullName, ChildFullName(ParentPathOf(old->FieldView(kFieldFullName)), name));
  m_nameChanged = true;
  m_old = std::move(old);
  m_new = std::move(work);
  return Apply(*m_new, *m_old);
}

// A category holds a name, a description and the type its new items take: no price and no
// tax code. Its form asks for the name and description only, and the row keeps whatever
// else it holds (a category read from the desktop keeps the price it came with).
bool CEditListItemCommand::EditCategory(CDbRecord& record) {
  auto old = m_context.store.GetItem(record, true);
  if (!old) return false;
  CFieldForm form(GetResourceInstance(), m_context.owner, CBstr(u"Category"), kCategoryNameRow, 0,
                  kCategoryLabelWidth, 0, nullptr);
  form.AddField(0, kFieldText, 0, CBstr(u"Type:"), CBstr(old->FieldView(kFieldListType)), 1, kTypeLength, nullptr);
  form.AddField(kCategoryNameRow, kFieldText, kFlagRequired | kFlagEditable, CBstr(u"Name:"),
                CBstr(old->FieldView(kFieldName)), 1, kContainerNameLength, nullptr);
  form.AddField(kCategoryDescriptionRow, kFieldMultiLine, kFlagEditable, CBstr(u"Desc:"),
                CBstr(old->FieldView(kFieldSalesDescription)), 3, kDescriptionLength, nullptr);
  for (int row : {kCategoryDescriptionRow + 1, kCategoryDescriptionRow + 2})
    form.AddField(row, kFieldMultiLineRow, kFlagEditable, CBstr(), CBstr(), 3, kDescriptionLength, nullptr);
  if (form.DoModal(IDD_FIELD_FORM, kCategoryHelpTopic, true) != CFieldFormModel::kEndAccepted) return false;
  CBstr name, description;
  form.GetFieldText(kCategoryNameRow, name);
  form.GetFieldText(kCategoryDescriptionRow, description, FieldRows::Joined);
  m_nameChanged = name.view() != old->FieldView(kFieldName);
  if (name.view().empty() || (m_nameChanged && NameRefused(*old, name.view()))) return false;
  if (!m_nameChanged && description.view() == old->FieldView(kFieldSalesDescription)) return false;
  auto work = Clone(*old);
  work->SetField(kFieldName, name);
  work->SetField(kFieldFullName, ChildFullName(ParentPathOf(old->FieldView(kFieldFullName)), name.view()));
  work->SetField(kFieldSalesDescription, description);
  CBstr stamp;
  GetTimestampText(stamp);
  work->SetField(kFieldTimeModified, stamp);
  m_old = std::move(old);
  m_new = std::move(work);
  return Apply(*m_new, *m_old);
}

bool CEditListItemCommand::Apply(const CDbRecord& to, const CDbRecord& from) {
  CItemStore& store = m_context.store;
  CListTreeView& tree = m_context.tree;
  bool container = (to.GetObjectType() & kObjectContainerMask) != 0;
  store.BeginTransaction();
  bool written = store.UpdateItem(to, from.FieldView(kFieldListType), from.FieldView(kFieldParent));
  std::u16string_view oldPath = from.FieldView(kFieldFullName), newPath = to.FieldView(kFieldFullName);
  if (written && container && oldPath != newPath) written = store.UpdateSubtreePaths(oldPath, newPath);
  if (!written) {
    store.RollbackTransaction();
    return false;
  }
  store.CommitTransaction();
  HTREEITEM node = tree.FindLoadedNode(to.FieldView(kFieldListID));
  CDbRecord* shown = tree.RecordOf(node);
  if (!shown) return true;
  int position = shown->GetObjectPosition(), count = shown->GetChildCount(), open = shown->GetIsOpen();
  for (int field : {kFieldListType, kFieldName, kFieldFullName, kFieldSalesDescription, kFieldTimeModified})
    shown->SetField(field, to.FieldView(field));
  shown->SetObjectPosition(position);
  shown->SetChildCount(count);
  shown->SetIsOpen(open);
  tree.SetItemText(node, tree.DisplayText(*shown));
  if (container && shown->GetChildrenLoaded()) {
    // The loaded children carry the old paths: read them again.
    tree.CollapseNode(node, *shown);
    tree.FillChildren(node, *shown);
  }
  return true;
}

// ---- Copy and paste -----------------------------------------------------------------------

CCopyListItemCommand::CCopyListItemCommand(CItemTreeContext& context) : CEditCommand(u"Copy"), m_context(context) {}

bool CCopyListItemCommand::Do(bool) {
  CDbRecord* selected = nullptr;
  if (!m_context.tree.GetSelection(&selected) || !selected) return false;
  m_context.clipboard.Set(Clone(*selected), false);
  // Nothing changed: the history keeps what it holds.
  return false;
}

CPasteListItemCommand::CPasteListItemCommand(CItemTreeContext& context)
    : CUndoableTreeCommand(u"Paste", context) {}

bool CPasteListItemCommand::Do(bool) {
  CListTreeView& tree = m_context.tree;
  CItemClipboard& clipboard = m_context.clipboard;
  bool first = !m_record;
  if (first) {
    if (!clipboard.Record()) return false;
    m_record = Clone(*clipboard.Record());
    if (!clipboard.IsCut()) m_record->SetField(kFieldListID, NewListId());
    Target target = TargetOfSelection(tree);
    if (!target.parent) return false;
    m_parentId = ListIdOf(target.parent);
    m_parentFullName.assign(target.parent->FieldView(kFieldFullName));
  }
  HTREEITEM parentNode = tree.FindLoadedNode(m_parentId);
  CDbRecord* parent = tree.RecordOf(parentNode);
  if (!parent) return false;
  m_record->SetField(kFieldParent, m_parentFullName);
  m_record->SetField(kFieldFullName, ChildFullName(m_parentFullName, m_record->FieldView(kFieldName)));
  if (m_context.store.AddItem(m_context.owner, *m_record, CItemStore::OnDuplicate::RefuseAndTell) != 1) {
    if (HTREEITEM existing = tree.FindChildByName(parentNode, m_record->FieldView(kFieldName))) tree.Select(existing);
    tree.SetFocus(false);
    return false;
  }
  // After the cut record is placed, further pastes are copies of it.
  if (first && clipboard.IsCut()) clipboard.Set(Clone(*m_record), false);
  parent->SetChildCount(parent->GetChildCount() + 1);
  m_record->SetObjectPosition(parent->GetChildCount());
  tree.InsertLeaf(parentNode, TVI_LAST, Clone(*m_record), parent->GetObjectType());
  tree.SetFocus(false);
  tree.RenumberChildren(parentNode, *parent);
  return true;
}

bool CPasteListItemCommand::Undo() {
  AdjustChildCount(m_context.tree, m_parentId, -1);
  RemoveShownNode(m_context.tree, m_record->FieldView(kFieldListID), false);
  m_context.store.DeleteCategoryObject(m_record->FieldView(kFieldListID), m_record->FieldView(kFieldListType));
  return true;
}

CPasteCategoryCommand::CPasteCategoryCommand(CItemTreeContext& context)
    : CEditCommand(u"Paste"), m_context(context) {}

bool CPasteCategoryCommand::Do(bool) {
  CListTreeView& tree = m_context.tree;
  CItemStore& store = m_context.store;
  CItemClipboard& clipboard = m_context.clipboard;
  const CDbRecord* held = clipboard.Record();
  if (!held || !(held->GetObjectType() & kObjectContainerMask)) return false;
  CWaitCursorScope wait;
  Target target = TargetOfSelection(tree);
  if (!target.parent) return false;
  std::u16string path(target.parent->FieldView(kFieldFullName));
  std::u16string oldPath(held->FieldView(kFieldFullName));
  std::u16string newPath = ChildFullName(path, held->FieldView(kFieldName));
  store.BeginTransaction();
  auto record = Clone(*held);
  record->SetField(kFieldParent, path);
  record->SetField(kFieldFullName, newPath);
  bool placed = store.UpdateSubtreePaths(oldPath, newPath) &&
                store.AddItem(m_context.owner, *record, CItemStore::OnDuplicate::RefuseAndTell) == 1;
  if (!placed) {
    store.RollbackTransaction();
    tree.SetFocus(false);
    return false;
  }
  clipboard.Clear();
  target.parent->SetChildCount(target.parent->GetChildCount() + 1);
  record->SetChildrenLoaded(0);
  tree.InsertRecord(target.parentNode, TVI_LAST, std::move(record));
  store.CommitTransaction();
  tree.SetFocus(false);
  tree.RenumberChildren(target.parentNode, *target.parent);
  return true;
}
