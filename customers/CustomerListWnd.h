// The "Customer:Job List" window: a full-screen modeless dialog over every customer (or
// every contact of a category), with nine alphabet buttons, a tap-and-hold menu and a
// menu bar. It is made once by the main window and shown and hidden from then on, to
// pick the open document's customer (pick mode) or to keep the customer list (manage
// mode). The list holds no rows: it asks the customer source for each row it shows.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/WindowMessages.h"
#include "core/WindowObject.h"
#include "platform/commctrl/CommCtrl.h"
#include "customers/ContactsWatch.h"
#include "customers/CustomerLoader.h"
#include "customers/LetterJump.h"
#include "datastore/CustomerRecord.h"

class CCustomerSource;
class CPreferences;
class CSalesDocument;

class CCustomerListWnd : public CDialogObject<CCustomerListWnd> {
 public:
  // Modes of Show.
  static constexpr int kPickMode = 0;
  static constexpr int kManageMode = 2;

  static constexpr int kListId = 2000;
  static constexpr int kTitleButtonId = 101;

  // `owner` receives the chosen customer as a command (message 1125); the source and the
  // preferences are not owned. `documentOf` names the open document the command is for.
  CCustomerListWnd(HINSTANCE resources, HWND owner, CCustomerSource* source, CPreferences* preferences);
  ~CCustomerListWnd();

  void SetDocumentOf(std::function<CSalesDocument*()> documentOf) { m_documentOf = std::move(documentOf); }

  void Show(HWND parent, int mode);
  void StartLoader(int priority);
  void WaitForLoader();
  bool LoaderRunning() const { return m_loader.Running(); }
  // Empties the list and shows the source's rows again; with `reloadSource` the source
  // loads its list and letter index first. Always 1.
  int Reload(bool reloadSource);
  // The source's rows freed and read again (its loader stopped first).
  void ReloadSource();
  // Inserts (false) or updates (true) the two columns.
  void SetupColumns(bool update);
  void SetSource(CCustomerSource* source);
  // Set by the list update while it changes the customers.
  void SetListUpdateRunning(bool running) { m_listUpdateRunning = running; }

  // Presses alphabet button `buttonId` (200-208) as the user does.
  void PressLetterButton(int buttonId);
  // Chooses the current row for the open document; 0 when there is none.
  int SelectEntry();
  // Hands over a record (the table source's) as the open document's customer and hides.
  int SelectRecord(std::unique_ptr<CCustomerRecord> record);
  // The same for the contact of an object id.
  int SelectRecordById(LONG oid);
  // The category the list shows (empty: every contact).
  const std::u16string& Filter() const { return m_filter; }

  HWND ListWindow() const { return m_list; }
  int CurrentRow() const { return m_currentRow; }
  void SetCurrentRow(int row) { m_currentRow = row; }
  bool ByCompany() const { return m_byCompany; }
  const CLetterJump& Jump() const { return m_jump; }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  bool ContactsMode() const;

  void OnInitDialog();
  void CreateControls();
  void CreateMenuBar();
  void Resize();
  void OnCommand(int id, int code);
  INT_PTR OnListNotify(NMHDR* header);
  void OnActivate();
  void OnLoaderDone();
  void SetItemCount(int count);
  void EmptyList();
  void JumpToLetter();
  void FillDisplayText(LVITEMW& item);
  void ShowRowMenu(POINT screen);
  int EditEntry(bool addJob);
  int DeleteEntry();
  int NewEntry();
  void MakeRowCurrent(int row);
  void ChangeNameForm(bool byCompany);
  void Hide();
  void SendSelection(std::unique_ptr<CCustomerRecord> record);
  void OnContactsNotification(CENOTIFICATION* notification);
  // The category menu under the title button; true when a category was chosen.
  bool ShowCategoryMenu();
  void DrawTitleButton(const DRAWITEMSTRUCT* item);

  HINSTANCE m_resources;
  HWND m_owner;
  CCustomerSource* m_source;    // not owned
  CPreferences* m_preferences;  // not owned
  std::function<CSalesDocument*()> m_documentOf;

  HWND m_buttons[CLetterJump::kButtonCount] = {};
  HWND m_titleButton = nullptr;
  HWND m_okButton = nullptr;
  HWND m_cancelButton = nullptr;
  HFONT m_titleFont = nullptr;
  HWND m_list = nullptr;
  HWND m_parent = nullptr;

  CLetterJump m_jump;
  CCustomerLoader m_loader;
  CCustomerListEntry m_entry;
  int m_entryRow = -1;  // the row m_entry holds

  int m_currentRow = 0;
  int m_mode = kManageMode;
  bool m_created = false;
  bool m_deleting = false;
  bool m_reloadOnActivate = false;
  bool m_restartOnActivate = false;
  bool m_useBusAddress = true;
  bool m_byCompany = false;
  bool m_listUpdateRunning = false;
  std::u16string m_filter;
  CContactsWatch m_contacts;
};

// The one list window of the program (null when none); set by the constructor.
extern CCustomerListWnd* g_customerListWnd;
