// Changes of the item tree made from the items list: new category, group and item, delete,
// cut, copy, paste and edit. Each changes the store and the shown tree node by node (none
// refills the tree) and runs on the list history, which keeps one step.
#pragma once

#include <memory>
#include <string>

#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "document/EditCommand.h"
#include "editor/ListTreeView.h"

// The entry dialogs of the lists, which live above the editor: the program sets them at
// start-up. Each runs on a working copy of a record and returns 1 when the user confirmed
// (the record then holds what was entered), any other value when not.
class IItemEntryDialogs {
 public:
  virtual ~IItemEntryDialogs() = default;
  // The list entry form (any list record).
  virtual int EditListEntry(HWND owner, CDbRecord& record, int documentType) = 0;
  // The item entry dialog of a stocked item ("Inventory Part", "Inventory Assembly").
  virtual int EditInventoryItem(HWND owner, CDbRecord& record, int documentType) = 0;
};

void SetItemEntryDialogs(IItemEntryDialogs* dialogs);
IItemEntryDialogs* GetItemEntryDialogs();

// The items list's clipboard: one record, cut or copied.
class CItemClipboard {
 public:
  ~CItemClipboard();
  void Set(std::unique_ptr<CDbRecord> record, bool cut);
  std::unique_ptr<CDbRecord> Take();
  void Clear();
  // Drops the record when it is that node (its cut was taken back).
  void Forget(std::u16string_view listId);
  const CDbRecord* Record() const { return m_record.get(); }
  bool IsCut() const { return m_cut; }
  bool IsEmpty() const { return !m_record; }

 private:
  std::unique_ptr<CDbRecord> m_record;
  bool m_cut = false;
};

// What every tree command works on; owned by the items list window.
struct CItemTreeContext {
  CItemStore& store;
  CListTreeView& tree;
  CItemClipboard& clipboard;
  CCommandProcessor& history;  // the list history
  HWND owner;                  // owner of the questions and the entry dialogs
  int documentType = 0;        // handed to the entry dialogs
};

// The path of a child named `name` under a node whose FullName is `parentFullName`.
std::u16string ChildFullName(std::u16string_view parentFullName, std::u16string_view name);

// A change of the tree that can be taken back.
class CUndoableTreeCommand : public CEditCommand {
 public:
  bool CanUndo() const override { return true; }
  bool CanRedo() const override { return true; }

 protected:
  CUndoableTreeCommand(LPCWSTR name, CItemTreeContext& context) : CEditCommand(name), m_context(context) {}
  CItemTreeContext& m_context;
};

// A new node under the selected container (or beside the selected leaf).
class CNewNodeCommand : public CUndoableTreeCommand {
 protected:
  CNewNodeCommand(LPCWSTR name, CItemTreeContext& context, std::unique_ptr<CDbRecord> record);
  // Takes the target from the selection the first time; sets the record's Parent and
  // FullName. The parent's node, or null when it is not shown.
  HTREEITEM PrepareRecord();
  HTREEITEM AfterNode() const;
  // Undo's share: the node out of the tree, the parent's count lowered.
  void RemoveNewNode(bool nextToo);

  std::unique_ptr<CDbRecord> m_record;  // the command's copy; the tree holds its own
  // Nodes are found again by their ListID: the tree drops closed containers' nodes.
  std::u16string m_parentId, m_parentFullName, m_afterId;
};

class CNewCategoryCommand : public CNewNodeCommand {
 public:
  // `record` holds Name, ListType and ObjectType (256 or 32).
  CNewCategoryCommand(CItemTreeContext& context, std::unique_ptr<CDbRecord> record);
  bool Do(bool isRedo) override;
  bool Undo() override;
};

class CNewItemCommand : public CNewNodeCommand {
 public:
  CNewItemCommand(CItemTreeContext& context, std::unique_ptr<CDbRecord> record);
  bool Do(bool isRedo) override;
  bool Undo() override;
};

// Delete or Cut of the selected node; the removed row is held for Undo.
class CRemoveNodeCommand : public CUndoableTreeCommand {
 protected:
  CRemoveNodeCommand(LPCWSTR name, CItemTreeContext& context, bool cut)
      : CUndoableTreeCommand(name, context), m_cut(cut) {}
  // After the row went: the parent's count lowered, the neighbours noted, a cut record put
  // on the clipboard and the node taken out of the tree.
  void RemoveShown(HTREEITEM node, CDbRecord& parent, const CDbRecord& removed, bool nextToo);

  bool m_cut;
  std::unique_ptr<CDbRecord> m_record;
  std::u16string m_parentId, m_previousId;
};

class CDeleteCategoryCommand : public CRemoveNodeCommand {
 public:
  CDeleteCategoryCommand(CItemTreeContext& context, bool cut);
  // A deletion that was not taken back removes the category's contents now.
  ~CDeleteCategoryCommand() override;
  bool Do(bool isRedo) override;
  bool Undo() override;

 private:
  std::u16string m_fullName;
  bool m_executed = false;
};

class CDeleteListItemCommand : public CRemoveNodeCommand {
 public:
  CDeleteListItemCommand(CItemTreeContext& context, bool cut);
  bool Do(bool isRedo) override;
  bool Undo() override;
};

// Edits the selected node: an item through its entry dialog, a category through its own
// form (name and description), a group or another container by a new name (a new name
// renames everything below it). Undo writes the
// row (and the paths below a container) back as they were.
class CEditListItemCommand : public CUndoableTreeCommand {
 public:
  explicit CEditListItemCommand(CItemTreeContext& context);
  bool Do(bool isRedo) override;
  bool Undo() override;
  bool NameChanged() const { return m_nameChanged; }

 private:
  bool EditRecord(CDbRecord& record);
  bool EditCategory(CDbRecord& record);
  bool RenameContainer(CDbRecord& record);
  // True (after saying why) when `record` may not take `name`: a colon, or a sibling's name.
  bool NameRefused(const CDbRecord& record, std::u16string_view name) const;
  // Writes `to` over the row that holds `from` and shows it in the tree.
  bool Apply(const CDbRecord& to, const CDbRecord& from);
  std::unique_ptr<CDbRecord> m_old, m_new;
  bool m_nameChanged = false;
};

// Puts the selected item on the clipboard; it changes nothing, so it leaves the history as
// it is (Do reports nothing to keep).
class CCopyListItemCommand : public CEditCommand {
 public:
  explicit CCopyListItemCommand(CItemTreeContext& context);
  bool Do(bool isRedo) override;

 private:
  CItemTreeContext& m_context;
};

class CPasteListItemCommand : public CUndoableTreeCommand {
 public:
  explicit CPasteListItemCommand(CItemTreeContext& context);
  bool Do(bool isRedo) override;
  bool Undo() override;

 private:
  std::unique_ptr<CDbRecord> m_record;  // the pasted record (the tree holds its own copy)
  std::u16string m_parentId, m_parentFullName;
};

// Pastes a cut category (with everything below it) under the selection. Not undoable.
class CPasteCategoryCommand : public CEditCommand {
 public:
  explicit CPasteCategoryCommand(CItemTreeContext& context);
  bool Do(bool isRedo) override;

 private:
  CItemTreeContext& m_context;
};
