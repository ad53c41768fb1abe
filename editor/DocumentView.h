// The editor: the one screen on which the open sales document is edited. A modeless
// full-screen dialog holding the document's page, the menu bar, an optional command
// toolbar and at most one of three small bars along the bottom (scanner, card reader,
// signature). Every change goes to the main window as an edit command (message 1125);
// printing, mailing, exporting, deleting and the register are asked of the main window by
// message as well, so this folder never needs the main window's code.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/HardwareButton.h"
#include "core/TextHelpers.h"
#include "core/WindowMessages.h"
#include "core/WindowObject.h"
#include "editor/LineItemCommands.h"
#include "editor/SignatureStrokes.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/platform.h"

class CCommandProcessor;
class CInputDevice;
struct CCardFields;
class CCustomSettings;
class CDbRecord;
class CItemListWnd;
class CItemStore;
class CSalesDocument;

// Toolbar and menu-bar button flags of UpdateToolBar.
inline constexpr UINT kBarFlagToolbarButton = 0x8;
inline constexpr UINT kBarFlagUndo = 0x10;
inline constexpr UINT kBarFlagRedo = 0x20;
inline constexpr UINT kBarFlagSignature = 0x200;
inline constexpr UINT kBarFlagScanner = 0x400;
inline constexpr UINT kBarFlagCardReader = 0x800;
inline constexpr UINT kBarFlagPrint = 0x1000;
inline constexpr UINT kBarFlagsAll = 0xFFFFFFFF;

// Child ids of the editor.
inline constexpr int kEditorToolbarId = 100;
inline constexpr int kSignatureBarId = 200;
inline constexpr int kScannerBarId = 300;
inline constexpr int kCardReaderBarId = 400;

class CDocumentView : public CDialogObject<CDocumentView> {
 public:
  // Made once at start-up, hidden, with the main window as parent (all the editor's
  // requests go there). Nothing passed is owned.
  CDocumentView(HINSTANCE instance, HWND mainWindow, CCommandProcessor* documentHistory,
                CCommandProcessor* listHistory, CItemStore* itemStore, CCustomSettings* customSettings);
  virtual ~CDocumentView();

  // The one editor of the process (null before it is made and after it is gone).
  static CDocumentView* Current();

  // Renders the document (scroll position -1: the remembered one), shows the editor and
  // its menu bar.
  void ShowView(int scrollPosition);
  HWND GetWindow() const { return GetHwnd(); }
  CSalesDocument& GetDocument() { return *m_document; }
  CCommandProcessor* GetHistory() const { return m_history; }
  HWND GetMenuBar() const { return m_menuBar; }
  HWND GetToolBar() const { return m_toolbar; }
  HWND GetScannerBar() const { return m_scannerBar; }
  HWND GetCardReaderBar() const { return m_cardReaderBar; }
  HWND GetSignatureBar() const { return m_signatureBar; }
  int GetCardReaderState() const { return m_cardReaderState; }
  // Before the program ends: the devices are closed and unloaded.
  void Shutdown();

  void Layout();
  void UpdateToolBar(UINT flags);
  void ShowCommandToolBar();
  // The device drivers' owner attaches them here (not owned); an open bar of the device
  // being replaced is closed first.
  void SetScanner(CInputDevice* scanner);
  void SetCardReader(CInputDevice* reader);
  CInputDevice* GetScanner() const { return m_scanner; }
  CInputDevice* GetCardReader() const { return m_cardReader; }
  // The bars: opening one closes the others. The scanner and card-reader toggles answer
  // whether anything changed.
  bool ToggleScannerBar();
  bool ToggleCardReaderBar();
  void ToggleSignatureBar();
  // The document is about to leave the editor (mailed, printed, the program closing): an
  // open signature bar closes, and the strokes on it become the document's signature as
  // Accept would make them, when they differ from it. False when no bar was open.
  bool AcceptOpenSignature();
  // Start Scan: the scanner's soft trigger (without a scanner, the user is told).
  void StartScan();
  // Asks the card reader for a swiped card; its number and expiry go into the document
  // (one undo step each) and the bar shows the outcome. False when no card was read.
  bool ReadSwipedCard();
  void SetCardReaderState(int state);
  CSignatureStrokes& GetSignatureStrokes() { return m_strokes; }
  // A scanned bar code: the item it names becomes a new line (one undo step); a code no
  // item has is told. False when nothing was added.
  bool AddScannedItem(std::u16string_view code);

  // Done: false when the editor stays open (signature bar open, a cancelled question or a
  // failed save).
  bool Close();
  // Before another document takes the place of a changed one: the save-changes question
  // (Save, Save As, discard or Cancel). False when the caller must stop: the user kept the
  // document (Cancel, a cancelled Save As) or its save failed.
  bool AskToSaveChanges();
  // The one way to a new document, from the editor's New menu and the register's alike:
  // with the editor visible a changed document is offered for saving first; then the
  // document starts anew as `type`, is shown again when the editor is visible, and the main
  // window is told (message 1150: register selection and document history cleared). A
  // hidden editor asks nothing: Done saved what the user wrote before it hid the editor,
  // and what changes its document out of sight (the options applied to it) is not the
  // user's writing. False when the user kept the changed document (Cancel, a cancelled
  // Save As or a failed save).
  bool NewDocument(int type);
  // False when cancelled or not saved.
  bool SaveAs();
  void Memorize();
  void EditAttributes();
  // The editor's commands by id (menus, menu bar, toolbar, bars); false for ids it has
  // no handling for.
  bool OnCommand(int id);
  void OnInitMenuPopup(HMENU menu);

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // ---- Field taps and holds on the page (DocumentViewFields.cpp) ----------------------------
  // Every editable field of the page is a link: a tap edits the field at once, a hold
  // offers a small popup first. Each edit runs a dialog or picker on the field's present
  // value and, on OK, hands one edit command to the main window. Points are in the page's
  // client coordinates, as the page reports them.
  void OnFieldTap(const WCHAR* link);
  // A line cell's link, "<key>,<column letter>": the line becomes current and is edited.
  void EditLineItemByLink(const CBstr& link);
  void OnFieldHold(HeaderField field, POINT point);
  void OnLineItemHold(WCHAR column, POINT point);
  void ShowCustomerMenu(POINT point);
  void ShowCompanyMenu(POINT point);
  void ShowLogoMenu(POINT point);
  // A hold on the page away from any field: the document's own popup.
  void ShowDocumentMenu(POINT point);
  // The edit of one header field by its field code (those of the page's links).
  void EditField(HeaderField field);
  // Hold-popup entries that run no field edit of their own.
  static constexpr int kSelectAlternateCompany = 131;

 private:
  bool FieldCommand(int id);
  // The one-line text entry; false when cancelled.
  bool AskText(const CBstr& title, const CBstr& label, int maxLength, DWORD flags, CBstr& value);
  UINT TrackPopup(HMENU menu, POINT point);
  void EditCustomer(int initialPage, bool jobName);
  void EditCompany(bool alternate);
  void EditJob();
  void EditShipTo();
  void EditDate(HeaderField field);
  void EditNumber();
  void EditTextField(HeaderField field);
  void SelectCustomerMessage();
  void EditNotes();
  void SelectFromList(HeaderField field);
  void ChooseLogo();
  void EraseSignature();
  void Customize();
  void EditLine(const CBstr& key, WCHAR column, LPCWSTR name);
  void InsertLabel();

 private:
  void OnInitDialog();
  void OnActivate(bool active);
  void CreateEditorMenuBar();
  void PostToMain(UINT msg);
  void SaveThenPost(UINT msg, WPARAM wParam);
  void RunDocumentCommand(std::unique_ptr<class CEditCommand> command, bool post);
  // Opens or closes a bar keeping the page where it was.
  void ToggleBarKeepingPosition(int commandId);
  void SetZoom(int level);
  int ZoomLevel() const;
  bool FitsToScreen() const;
  void ChangeStyle(int style);
  void DestroyBars();
  // Closes the bars other than `own`; when `own` is open it is closed as well and the
  // page takes its place: true then.
  bool CloseBars(HWND& own);
  HWND CreateBar(LPCWSTR className, WNDPROC procedure, int id);
  HWND ViewControl() const;

  HINSTANCE m_instance;
  HWND m_mainWindow;
  CCommandProcessor* m_history;
  CCommandProcessor* m_listHistory;
  CItemStore* m_itemStore;
  CCustomSettings* m_customSettings;
  std::unique_ptr<CSalesDocument> m_document;
  HWND m_menuBar = nullptr;
  HWND m_toolbar = nullptr;
  HWND m_scannerBar = nullptr;
  HWND m_cardReaderBar = nullptr;
  HWND m_signatureBar = nullptr;
  CInputDevice* m_scanner = nullptr;
  CInputDevice* m_cardReader = nullptr;
  CHardwareButton m_hardwareButton;
  CSignatureStrokes m_strokes;
  int m_cardReaderState = 0;
  int m_savedScroll = -1;

  // ---- The items list, opened to add lines to the document (DocumentViewItems.cpp) ----
 public:
  // Made on first use (with the list history and the item store the editor was given;
  // null without them).
  CItemListWnd* GetItemListWnd();
  bool IsItemListVisible() const;
  // Add Line Item: the items list in line item mode; what it hands back becomes lines.
  void OpenItemList();

 private:
  void AddListItems(std::vector<std::unique_ptr<CDbRecord>> items, int linePosition);
  // The items of one node of the list as one "Add Item" step of the document history.
  void AddNodeItems(std::vector<std::unique_ptr<CDbRecord>> items, int linePosition);
  // The Add Item form over `itemList` (null: over the editor), asking the quantity and price
  // of each item and adding each accepted one as its own line (rendered when `render`).
  AddItemsForm AddItemForm(HWND itemList, bool atEnd, bool render);
  std::unique_ptr<CItemListWnd> m_itemList;
};
