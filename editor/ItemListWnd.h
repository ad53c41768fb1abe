// The items list: one modeless full-screen window over the item tree, made once and then
// shown and hidden. In line item mode ("Line Item Lists") the user checks items and OK
// hands them to the open document; in other lists mode ("Other Lists") the named lists are
// kept. Every change of the tree is a command on the list history (one step), run by
// message 1125 to this window.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/PointerList.h"
#include "core/WindowMessages.h"
#include "core/WindowObject.h"
#include "document/EditCommand.h"
#include "editor/FindProgressDlg.h"
#include "editor/ItemTreeCommands.h"
#include "editor/ListTreeView.h"

// Which buttons a toolbar refresh looks at.
enum ItemListToolbarBits : unsigned {
  kBarCut = 1,
  kBarCopy = 2,
  kBarPaste = 4,
  kBarToolbarButton = 8,
  kBarUndo = 16,
  kBarRedo = 32,
  kBarShowCheckBoxes = 64,
  kBarNewItem = 128,
  kBarNewCategory = 256,
  kBarAll = 0x1FF,
};
inline constexpr int kItemsToolbarId = 3001;


class CItemListWnd : public CDialogObject<CItemListWnd> {
 public:
  // What OK does with the checked items in line item mode: the records (fresh store
  // copies) and the line position given to Open.
  using AddItemsHandler = std::function<void(std::vector<std::unique_ptr<CDbRecord>> items, int linePosition)>;

  // `owner` (the main window) gets the document commands and 1175; `listHistory` and
  // `store` are not owned.
  CItemListWnd(HINSTANCE resources, HWND owner, CCommandProcessor& listHistory, CItemStore& store, int documentType);
  ~CItemListWnd();

  // Shows the window (made by the first call). A mode other than the last rebuilds the
  // tree and empties the clipboard.
  bool Open(HWND parent, int linePosition, bool lineItemMode, bool otherListsMode, int helpTopic);
  void SetAddItemsHandler(AddItemsHandler handler) { m_addItems = std::move(handler); }
  // "Add to invoice" on the selected node: its item, or every item below it, as one step.
  void SetAddNodeHandler(AddItemsHandler handler) { m_addNode = std::move(handler); }
  void SetDocumentType(int type) {
    m_documentType = type;
    if (m_context) m_context->documentType = type;
  }

  bool IsVisible() const { return GetHwnd() && IsWindowVisible(GetHwnd()); }
  bool Changed() const { return m_changed; }
  CListTreeView* Tree() { return m_tree.get(); }
  CItemClipboard& Clipboard() { return m_clipboard; }
  CCommandProcessor& History() { return m_history; }

  // The commands of the table above, OK (1) and Cancel (2).
  void OnCommand(int id);
  // Find first / Find next with the find bar's text; true on a match (selected).
  bool FindFirst();
  bool FindNext();
  void SetFindText(std::u16string_view text);
  bool FindBarShown() const { return m_findEdit != nullptr; }

  // The bars: the menu bar (made each time the window comes up) and the optional toolbar.
  HWND MenuBar() const { return m_menuBar; }
  HWND ToolBar() const { return m_toolbar; }
  void ToggleToolbar();
  void UpdateToolbarState(unsigned bits);
  // The menu-bar popups' states, by the popup's id (40042, 40045, 40051).
  void OnInitMenuPopup(HMENU menu, UINT popupId);
  // The tap-and-hold menu at `screen`, built for the selected node; the chosen id (0: none).
  int TrackHoldMenu(POINT screen);

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void CreateItemsMenuBar();
  HMENU BuildHoldMenu() const;
  void AddSelectedToDocument();
  bool Create(bool lineItemMode, bool otherListsMode);
  void Layout();
  void Post(std::unique_ptr<CEditCommand> command);
  void DeleteOrCut(bool cut);
  void Paste();
  void NewCategory(bool group);
  void NewItem();
  void Ok();
  void Hide();
  void EndSearch();
  void ToggleFindBar();
  std::u16string ReadFindText() const;
  bool RunSearch(bool first);
  bool ShowMatch();
  LRESULT OnNotify(const NMHDR* header);

  HINSTANCE m_resources;
  HWND m_owner;
  HWND m_parent = nullptr;
  CCommandProcessor& m_history;
  CItemStore& m_store;
  std::unique_ptr<CListTreeView> m_tree;
  CItemClipboard m_clipboard;
  std::unique_ptr<CItemTreeContext> m_context;
  CFindProgressDlg m_findProgress;
  CFindState m_findState;
  CTypedPointerList<CDbRecord> m_findResults;
  std::u16string m_searchText;  // upper-cased
  HWND m_findLabel = nullptr, m_findEdit = nullptr, m_findFirst = nullptr, m_findNext = nullptr,
       m_findClose = nullptr;
  HWND m_okButton = nullptr, m_cancelButton = nullptr;
  HWND m_menuBar = nullptr;
  HWND m_toolbar = nullptr;
  HFONT m_titleFont = nullptr;
  AddItemsHandler m_addItems;
  AddItemsHandler m_addNode;
  int m_documentType = 0;
  int m_linePosition = 0;
  int m_helpTopic = 0;
  bool m_lineItemMode = false;
  bool m_otherListsMode = false;
  bool m_changed = false;
  bool m_restoreCheckBoxes = false;
};
