// The main window: its constructor builds the running program (registry stores, the
// window and its menu bar, settings carried over from an installation, the database and
// its upgrade, the customer source, the register, the named lists, the last view), its
// window procedure is the hub the program's other windows talk to, and WM_CLOSE stores
// the last view and takes everything down again in order.
//
// One object per process, created by the start-up (Program.h) and reached through
// GetMainFrame(). Everything runs on the user-interface thread.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/platform.h"

class CCommandProcessor;
class CCustomSettings;
class CDecimal;
class CCustomerSource;
class CDocumentView;
class CDocumentCustomerScreens;
class CHardwareButton;
class CHeaderBar;
class CInputDevice;
class IItemEntryDialogs;
class IUpdateListTree;
class CItemStore;
class CPreferences;
class CPowerNotifications;
class CPrintEngine;
class CProgressWnd;
class CRegisterList;
struct CRegisterRow;
class CReport;
class CReportView;
class CRegistryKey;
class CSalesDocument;
class CStoreDocumentLists;
class CStoreLists;

inline constexpr char16_t kMainWindowClass[] = u"Slateway";

// How far the start-up came.
enum class StartupStep {
  Started,           // the program runs
  ComFailed,         // the component system did not start (message 40237)
  ControlsFailed,    // the common controls did not start (message 40238)
  WindowFailed,      // the main window could not be created
  DatabaseNotOpen,   // the item store reported why; the process ends with 0
  RegisterFailed,    // the register's list could not be created
};

class CMainFrame {
 public:
  CMainFrame(HINSTANCE instance, std::u16string_view commandLine, CCommandProcessor& documentHistory,
             CCommandProcessor& listHistory);
  virtual ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  StartupStep GetStartupStep() const { return m_step; }
  HWND GetHwnd() const { return m_hwnd; }
  CRegisterList* GetRegister() const { return m_register.get(); }
  CItemStore* GetItemStore() const { return m_itemStore.get(); }
  CCustomerSource* GetCustomerSource() const { return m_customerSource.get(); }
  CDocumentView* GetEditor() const { return m_editor.get(); }
  // The document named on the command line: its text up to the first "." with that "."
  // and the next three characters, at most 259 characters; empty when there is none.
  static std::u16string DocumentNameFromCommandLine(std::u16string_view commandLine);
  const std::u16string& GetCommandLineDocument() const { return m_commandLineDocument; }
  const std::u16string& GetNewMenuText(int kind) const { return m_newTexts.at(static_cast<size_t>(kind)); }

  static LRESULT MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  void CreateMenuBar();
  void Layout();
  void LoadLocaleSettings();
  LRESULT OnEditCommand(WPARAM wParam, LPARAM lParam);
  // Closes as WM_CLOSE does (the last view stored, the open document saved, everything
  // taken down), without the question a running desktop operation asks: the process is
  // ending and nobody is there to answer.
  void CloseForEnd();
  // The register reloaded: with the progress dialog, or under the wait cursor.
  void ReloadRegister(bool withProgress);
  // The progress window of a desktop operation: kept until the user closes it (message
  // 1158); while it exists, closing the program asks first.
  void SetProgressWindow(std::unique_ptr<CProgressWnd> progress);
  CProgressWnd* GetProgressWindow() const { return m_progress.get(); }
  // The power thread, while the program watches the device's power.
  CPowerNotifications* GetPowerNotifications() const { return m_power.get(); }

  // The bar above the register and what its buttons choose.
  CHeaderBar* GetHeaderBar() const { return m_headerBar.get(); }
  int GetShowKind() const { return m_showKind; }
  int GetSortKind() const { return m_sortKind; }
  bool IsAscending() const { return m_ascending; }
  // "Show": a choice clears the selection and reloads the register for the new kind.
  void OnShowButton();
  // "Sort By": every choice turns the order around, also a choice of another kind.
  void OnSortButton();
  // Moves the balance of the document's customer (and its parents' total balances) by
  // `amount`, down when `lower`; estimates, the contacts source and hidden balances move
  // nothing.
  void UpdateCustomerBalance(CSalesDocument& document, const CDecimal& amount, bool lower);

  // The file of register row `row` as the shown folder holds it, and its documents-folder name.
  bool GetRowPaths(int row, std::u16string& path, std::u16string& name) const;
  // Row `row`'s file opened on its own (not in the editor); null when it does not open.
  std::unique_ptr<CSalesDocument> OpenRowDocument(int row);
  // The delete question for a document of `kind`, named when `name` is not empty.
  bool ConfirmDelete(int kind, HWND owner, std::u16string_view name);
  // What a delete question names: the document's kind and number with its customer
  // ("Invoice 106, Hallett, Owen"), so it never reads as the customer's own deletion.
  std::u16string DeleteSubject(int kind, std::u16string_view number, std::u16string_view customer) const;
  // Asks, then deletes row `row`'s document: into the deleted folder, or for good from
  // there. A signed read-only document stays. The row goes, and the customer's balance
  // gets the amount back, only once the file is gone.
  bool DeleteRowDocument(int row);
  // Exports the selected row's document through the save dialog; true when written.
  bool ExportRow(HWND owner, bool csv);
  // Mails the selected row's document as a page or as a document file.
  bool EmailRow(HWND owner, bool asHtml);
  // The tap-and-hold menu of a register row, at `point` on the screen.
  void ShowRowMenu(HWND owner, int row, POINT point);

  // A document saved as a new file: its customer's balance moves and its row is added,
  // or the register turns to all documents when the shown kind would hide it.
  LRESULT OnDocumentAdded(CSalesDocument* document);

  // Writes the program's settings to a file the user names; true when written.
  bool ExportSettings(HWND owner);
  // Restores "CustomSettings" and "Preferences" from `path` (asked for when empty);
  // `silent` shows no progress and no message.
  bool ImportSettings(HWND owner, std::u16string_view path, bool silent, bool reloadCustomSettings);

  // A command of the desktop companion (the relay's WM_COPYDATA): 1 when carried out or
  // unknown, 0 when the user aborted it, the list update failed, or another command was
  // still running.
  LRESULT OnCopyData(const COPYDATASTRUCT* copy);

  // ---- Reports (MainFrameReports.cpp) -----------------------------------------------------
  // Opens the report viewer for a report kind, on one saved document when a name is given;
  // a viewer still open is closed first.
  void ShowReport(int kind, std::u16string_view documentName);
  // The report printed as a job of the program's printing engine (made when missing).
  bool PrintReport(CReport* report, HWND owner);
  // The report's page written where the user chooses; told in a box either way.
  bool SaveReport(CReport* report, HWND owner);
  // The report's page mailed as an attachment.
  int EmailReport(CReport* report, HWND owner);
  CReportView* GetReportView() const { return m_reportView.get(); }
  CPrintEngine* GetPrintEngine() const { return m_printEngine.get(); }

  // ---- The editor's documents (MainFrameEditor.cpp) ----------------------------------------
  // The tap-and-hold menu of empty register space: the six kinds of new document.
  void ShowNewMenu(HWND owner, POINT point);
  // A new document of `kind` through the editor's one route (a changed document is offered
  // for saving first), then the editor shown from its top.
  LRESULT NewDocument(HWND owner, int kind);
  // Register row `row` opened in the editor; 1 when it was, 0 when nothing opened.
  int OpenSelectedDocument(int row);
  // A document saved over its file: its customer's balance moves by the difference from
  // what the file held before, and its row shows the new figures.
  LRESULT OnDocumentSaved(CSalesDocument* document);
  // The editor's delete: asks, moves the file away (or deletes it for good from the
  // deleted folder), then removes the row, takes the saved amount back from the customer
  // and starts a new document of the same kind. 0 when refused or failed.
  LRESULT DeleteDocument(CSalesDocument* document, HWND owner);
  // Names the New entries, greys what needs a selected row, checks the view by name.
  void OnInitMenuPopup(HMENU menu, UINT popupId);

  // ---- Options, printing, contacts and the input devices (MainFrameOptions.cpp,
  // MainFrameDevices.cpp) -------------------------------------------------------------------
  // Runs the Options dialog and applies what it collected; true after OK.
  bool OnOptions(HWND owner);
  // Saves the editor's document when it is the one printed, then prints it, asking for the
  // printer first when `alwaysAsk` or when no printer is stored; true when printed.
  bool PrintDocument(CSalesDocument* document, HWND owner, bool alwaysAsk);
  // The selected register row's document printed on its own, the printer asked for.
  bool PrintRow(HWND owner);
  // The device's contact chooser. In pick mode (0) the chosen contact becomes the open
  // document's customer through the document history; managing (2) changes no document. A
  // failing chooser may switch the program to its own list.
  int ChooseContact(HWND owner, int mode);
  CInputDevice* GetScanner() const { return m_scanner.get(); }
  CInputDevice* GetCardReader() const { return m_cardReader.get(); }

 private:
  // The drivers the Preferences name, made at start-up and given to the editor.
  void CreateInputDevices();
  // A scanner with a hardware trigger takes its button, and is loaded and opened.
  void StartScanner();
  // The scanner the Options dialog put into the scanner slot (message 1190).
  void OnScannerChanged(CInputDevice* scanner);
  // A power transition from the power thread (message 1230): the scanner lets go of the
  // device before a suspend; other makes than Socket are told of the resume.
  void OnPowerTransition(DWORD state);
  // The trigger button (the only hot key the program takes) pressed: with the editor in
  // front the scanner is made ready when it is not, and starts a scan.
  void OnScanButton(LPARAM keys);
  // The scanner's trigger button given back to the shell while the program is not in front.
  void OnScannerDeactivate();
  void OnScannerActivate();
  // A start number the user changed restarts the numbering of its kind.
  void ApplyStartNumbers(const class COptionsSheet& sheet);
  // The database taken to the place the Preferences now name: a file found there is used,
  // else the old one is copied there. False, with the old database still open, when the
  // copy or the open fails.
  bool MoveDatabase(const std::u16string& oldPath);
  std::unique_ptr<CInputDevice> m_scanner;
  std::unique_ptr<CInputDevice> m_cardReader;
  std::unique_ptr<CHardwareButton> m_hardwareButton;

 private:
  StartupStep StartUp(std::u16string_view commandLine);
  bool RegisterWindowClass();
  void CarryOverInstalledSettings();
  void UpgradeDatabase();
  void CreateNamedLists();
  void LoadNewMenuTexts();
  void OnActivate(WPARAM wParam);
  void OnSettingChange(WPARAM wParam);
  void OnKeyUp(WPARAM key);
  LRESULT OnNotify(const NMHDR* header);
  LRESULT OnDeviceChange(WPARAM event, LPARAM data);
  bool OnCommand(UINT command);
  void OnClose();
  void OnShutdownRequest();
  // The editor's menu commands and messages (MainFrameEditor.cpp); false for others.
  bool OnEditorCommand(UINT command);
  LRESULT OnEditorMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // After a save: unless `shownAnyway`, a document the shown kind hides turns the register
  // to all documents (reloaded, false then); otherwise its file's row is read into `row`
  // (false when the file gives none).
  bool ReadSavedRow(CSalesDocument& document, int kind, bool shownAnyway, CRegisterRow& row);
  // The register row of a document file (its name with or without ".QVN"); -1 when none.
  int FindRowOfFile(std::u16string_view fileName) const;
  // Moves the file into the deleted folder, or deletes it when `forGood`; a failure is
  // told to the user. True when the file is gone from where it was.
  bool RemoveDocumentFile(const std::u16string& path, bool forGood);
  // UpdateCustomerBalance for the customer named `fullName` and a document of `kind`.
  void MoveBalanceOf(std::u16string_view fullName, int kind, const CDecimal& amount, bool lower);
  // Moves the balances as a save of the document over its file does: the difference when
  // the file was the same kind for the same customer, else the file's figure taken back
  // from its customer and the whole amount given to the document's.
  void MoveBalancesOfSave(CSalesDocument& document);
  // Saves the editor's document when the editor is in front and stores the view for the
  // next start (at close). False, with nothing stored, when a changed document could not
  // be saved and the close may stop.
  bool StoreLastView();
  // Stores the view as it is now, without saving: the editor in front with its document's
  // file, or the register. Called whenever the view changes, so that a program ended
  // without a close (killed, the device reset) starts again where it was.
  void RememberView();
  void WriteLastView(DWORD view, const std::u16string& document, DWORD position);
  // Opens the document the program was closed on in the editor; false when it cannot be read.
  bool OpenLastDocument(const std::u16string& path, int scrollPosition, bool withItemsList);
  // Another document is about to take the place of the one the editor shows: its changes
  // are saved or dropped as the user answers the editor's save-changes question. False
  // when the editor's document stays (Cancel, or a save that failed).
  bool LeaveEditorDocument();
  // Opens `path` in the editor with a fresh history and shows it at the position.
  bool OpenInEditor(const std::u16string& path, int scrollPosition);
  void ShowSettingsProgress(UINT statusId);
  void StartPowerNotifications();
  void DeleteObjects();
  // The desktop commands (DesktopCommands.cpp).
  CProgressWnd& DesktopProgress();
  LRESULT UpdateJobs(bool waitForOk);
  LRESULT UpdateLists(const COPYDATASTRUCT& copy);
  void WriteTemplates();
  LRESULT LoadDatabaseUpdate();
  // GET_DB: the database copied onto the update file; 0, after saying why, when it could
  // not be (the update file is then as it was before).
  LRESULT CopyDatabaseForDesktop();
  void OpenDatabaseAgain();

  HINSTANCE m_instance;
  CCommandProcessor& m_documentHistory;
  CCommandProcessor& m_listHistory;
  StartupStep m_step = StartupStep::Started;
  bool m_comStarted = false;
  HWND m_hwnd = nullptr;
  HWND m_menuBar = nullptr;
  bool m_rowSelectedForMenuBar = false;
  std::unique_ptr<CRegistryKey> m_rootKey;
  std::unique_ptr<CPrintEngine> m_printEngine;
  std::unique_ptr<CPreferences> m_preferences;
  std::unique_ptr<CCustomSettings> m_customSettings;
  std::unique_ptr<CItemStore> m_itemStore;
  std::unique_ptr<CCustomerSource> m_customerSource;
  std::unique_ptr<CRegisterList> m_register;
  std::unique_ptr<CHeaderBar> m_headerBar;
  std::unique_ptr<CPowerNotifications> m_power;
  std::unique_ptr<CProgressWnd> m_progress;
  std::unique_ptr<CDocumentView> m_editor;
  std::unique_ptr<CReportView> m_reportView;
  std::unique_ptr<CStoreLists> m_lists;  // the named lists, made once the store is open
  std::unique_ptr<CStoreDocumentLists> m_documentLists;
  std::array<std::u16string, 6> m_newTexts;
  std::u16string m_commandLineDocument;
  int m_showKind = 2;
  int m_sortKind = 3;
  bool m_ascending = true;
  bool m_closing = false;
  bool m_ending = false;  // closing for the end of the process: no questions
  // The view last written, so an unchanged one is not written again.
  DWORD m_storedView = ~0u;
  std::u16string m_storedDocument;
  bool m_desktopCommandRunning = false;
  // The store opened successfully once; a close leaves this set, so the database opens
  // again on the desktop's word.
  bool m_storeOpened = false;

  // The customer screens the editor opens on its document (customer dialog, Customize).
  std::unique_ptr<CDocumentCustomerScreens> m_documentCustomerScreens;
  // ---- The items list (MainFrameItems.cpp) ------------------------------------------------
 public:
  // The items tree read again from the store, when the items list has one.
  void RefillItemsTree();
  // What the list update calls when it is done (refills the items tree).
  IUpdateListTree* GetItemsTreeHook() const;

 private:
  // Sets the entry dialogs of the tree commands (start-up) and takes them back (close).
  void StartItemsList();
  void StopItemsList();
  // Completes what the list history still holds back (a deleted category's contents)
  // before the lists are replaced behind it.
  void FinishListChanges();
  // Around a database change: the histories and lists let go before, everything that shows
  // the database read again after.
  void ReleaseLists();
  void ReadListsAgain();
  std::unique_ptr<IItemEntryDialogs> m_itemDialogs;
  std::unique_ptr<IUpdateListTree> m_itemsTreeHook;

  // ---- The customer list (MainFrameCustomers.cpp) ------------------------------------------
 public:
  // Makes the customer list window over the customer source (in place of one that exists),
  // gives a customer-table source the customer dialog, and starts the list's loader below
  // normal priority. Called at start-up and whenever the customer source is replaced.
  void CreateCustomerList();
  class CCustomerListWnd* GetCustomerList() const { return m_customerList.get(); }
  // Shows the customer list for `owner`: mode 0 picks the open document's customer, 2
  // manages the customers. Made first when missing. Always 1.
  int ShowContacts(HWND owner, int mode);
  // The editor asks for its document's customer (message 1149, lParam its window).
  LRESULT OnChooseCustomer(HWND owner);
  // Returns once the customer list's loader no longer reads the database.
  void WaitForCustomerLoader();
  // The customer list window is on screen over the main window.
  bool IsCustomerListVisible() const;
  // The editor window is the screen the user works in.
  bool IsEditorInFront() const;
  // Customers are chosen with the device's contact chooser rather than the program's list:
  // only while they are the device's contacts.
  bool UsesDeviceChooser() const;

 private:
  // Tells a customer list that exists to read the customers again, since their balances or
  // the database under them changed.
  void RefreshCustomerList(bool databaseChanged);
  std::unique_ptr<class CCustomerDialogRunner> m_customerDialog;
  std::unique_ptr<class CCustomerListWnd> m_customerList;
};

// The one main window object while it exists; null otherwise.
CMainFrame* GetMainFrame();

// The program-wide flags the start-up sets.
bool IsSystem5();
bool IsTreoDevice();
