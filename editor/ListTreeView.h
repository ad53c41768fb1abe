// The item tree as the user sees it: one root ("Item Lists", or "Other Lists" in the other
// lists mode), containers and leaves below it, read from the item store when a container
// is opened and dropped again when it is closed.
//
// Every node owns its CDbRecord (the node's item data). Nodes carry a three-level check
// mark in their state image: 1 unchecked, 2 checked, 3 unchecked but holding checked nodes
// below, 4 checked and holding checked nodes below (0: no box).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "platform/base/Win32Types.h"
#include "platform/commctrl/CommCtrl.h"
#include "resources/resource_ids.h"  // the view modes are the View menu's IDM_ITEMS_VIEW_BY_*

inline constexpr int kTreeControlId = 10;

// Check-state changes of ChangeCheckState.
enum CheckChange { kCheck = 0, kUncheck = 1, kToggleCheck = 2, kRecomputeCheck = 3 };

class CListTreeView {
 public:
  // Reads "ShowCheckBoxes", "AlphabetizeItems" and "ViewItemsByName" and makes the control.
  CListTreeView(HINSTANCE application, HWND parent, CItemStore* store, bool lineItemMode, bool otherListsMode);
  virtual ~CListTreeView();
  CListTreeView(const CListTreeView&) = delete;
  CListTreeView& operator=(const CListTreeView&) = delete;

  bool Create();
  HWND Window() const { return m_tree; }
  CItemStore* Store() const { return m_store; }

  // Builds the tree: the root, its children loaded and expanded.
  void Fill();
  // Drops every node and builds the tree again (after the store changed behind it).
  void Refill();
  // True when a mode changed and the tree was rebuilt.
  bool SetMode(bool lineItemMode, bool otherListsMode);
  bool LineItemMode() const { return m_lineItemMode; }
  bool OtherListsMode() const { return m_otherListsMode; }

  // Reads the children of a container into the tree (once; nothing when already loaded).
  void FillChildren(HTREEITEM node, CDbRecord& record);
  // Drops the children of a closed container, except those holding check marks.
  void CollapseNode(HTREEITEM node, CDbRecord& record);
  // Loads the children of the selected container (of the selected leaf's parent).
  void EnsureSelectionFilled();
  // The tree's notifications (expanding, collapsing); the parent forwards WM_NOTIFY of id 10.
  LRESULT OnNotify(const NMHDR* header);

  // The selected node (null when none) and, when asked, its record and its parent's.
  HTREEITEM GetSelection(CDbRecord** selected = nullptr, CDbRecord** parent = nullptr) const;
  CDbRecord* RecordOf(HTREEITEM node) const;
  HTREEITEM Root() const { return Next(TVGN_ROOT, nullptr); }
  HTREEITEM Next(WPARAM how, HTREEITEM from) const;
  void Select(HTREEITEM node);

  bool IsRootSelected() const;
  bool IsOtherListsRootSelected() const;
  bool IsTopRootSelected() const;
  bool IsContainerSelected() const;
  bool IsInAssembly() const;
  bool CanAddToDocument() const;

  // Depth first from `start` (null: the root) over its children, then its next siblings:
  // the first node whose text (per view mode) contains `text`, case-sensitively.
  HTREEITEM FindText(HTREEITEM start, std::u16string_view text) const;
  // Selects the FindText match and shows it; false when there is none.
  bool SelectByText(HTREEITEM start, std::u16string_view text);
  // The child of `parent` with that Name (loaded children only).
  HTREEITEM FindChildByName(HTREEITEM parent, std::u16string_view name) const;
  // The loaded node whose record has that ListID (null when it is not in the tree).
  HTREEITEM FindLoadedNode(std::u16string_view listId) const;

  // Insert a container or a leaf under `parent` after `after` (sorted when alphabetizing),
  // the tree taking the record over; the new node is selected. Null when not inserted.
  HTREEITEM InsertRecord(HTREEITEM parent, HTREEITEM after, std::unique_ptr<CDbRecord> record);
  HTREEITEM InsertLeaf(HTREEITEM parent, HTREEITEM after, std::unique_ptr<CDbRecord> record, int parentKind);
  // Removes a node and its subtree; the node's own record is handed back.
  std::unique_ptr<CDbRecord> RemoveNode(HTREEITEM node);
  void SetItemText(HTREEITEM node, std::u16string_view text);
  // The text a record shows in the present view mode (may fill an empty description).
  std::u16string DisplayText(CDbRecord& record) const;
  // Writes each child's index as its ObjectPosition (manual order or a group), to the store
  // as well when not alphabetizing.
  void RenumberChildren(HTREEITEM node, const CDbRecord& parentRecord);

  int GetCheckState(HTREEITEM node) const;
  void SetCheckState(HTREEITEM node, int state);
  bool ToggleCheckBoxes();
  bool CheckBoxes() const { return m_checkBoxes; }
  void ChangeCheckState(HTREEITEM node, CheckChange change);
  void ClearChecks();
  // Fresh store copies of the items a node stands for: the item itself, or every item
  // below a container (its containers read from the store on the way).
  void CollectItemsOf(HTREEITEM node, std::vector<std::unique_ptr<CDbRecord>>& out);
  // Fresh store copies of every checked node (state 2) and of `selected`, leaves and
  // categories only, in tree order, appended to `out`.
  void CollectChecked(HTREEITEM start, HTREEITEM selected, std::vector<std::unique_ptr<CDbRecord>>& out);

  bool ToggleAlphabetize();
  bool Alphabetize() const { return m_alphabetize; }
  void SetViewMode(int mode);
  int ViewMode() const { return m_viewMode; }
  void SetFocus(bool redraw);

  // How many times children were read from the store (for measuring laziness).
  int FillCount() const { return m_fillCount; }
  // How many times a container was large enough to show the loading dialog.
  int LoadingDialogCount() const { return m_loadingDialogs; }
  // A container of this many children or more shows a progress bar while it is read.
  static constexpr int kLoadingDialogChildren = 11;

 private:
  void FillBelow(HWND progress, HTREEITEM node, CDbRecord& record);
  HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, std::unique_ptr<CDbRecord> record, int image, int state,
                       int children);
  void SetImage(HTREEITEM node, int image);
  void DeleteRecords(HTREEITEM node);
  void DeleteAllNodes();
  bool HasCheckedChild(HTREEITEM node) const;
  void SetSubtreeState(HTREEITEM node, int state);
  void Collect(HTREEITEM node, HTREEITEM selected, std::vector<std::unique_ptr<CDbRecord>>& out);
  void OfferChecked(HTREEITEM node, std::vector<std::unique_ptr<CDbRecord>>& out);
  bool Matches(CDbRecord& record, std::u16string_view wanted) const;
  void ShowStateImages();
  HIMAGELIST m_images = nullptr;  // the node pictures; null when the library has none
  HIMAGELIST m_stateImages = nullptr;

  HWND m_tree = nullptr;
  HINSTANCE m_application = nullptr;
  HWND m_parent = nullptr;
  CItemStore* m_store = nullptr;  // not owned
  bool m_checkBoxes = false;
  bool m_lineItemMode = false;
  bool m_otherListsMode = false;
  bool m_alphabetize = true;
  int m_viewMode = IDM_ITEMS_VIEW_BY_NAME;
  bool m_filling = false;
  int m_fillCount = 0;
  int m_loadingDialogs = 0;
};

// A small modeless window shown while something slow runs: made from a dialog template of
// the resources, with a procedure that handles nothing; gone with the object.
class CBusyWindow {
 public:
  CBusyWindow(int templateId, HWND parent);
  ~CBusyWindow();
  CBusyWindow(const CBusyWindow&) = delete;
  CBusyWindow& operator=(const CBusyWindow&) = delete;
  HWND Window() const { return m_window; }

 private:
  HWND m_window = nullptr;
};
