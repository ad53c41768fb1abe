// The document register: the owner-drawn list of saved documents under the main window's
// header bar. It reads every document file of the show kind's folder into a row, sorts
// the rows by one of six kinds, toggles a document's completion from a tap on its check
// box (written back into the file) and answers the numbering's "is this number taken".
//
// Rows are owned here (one CRegisterRow each); the list view's items carry a pointer to
// their row as item data. Everything runs on the user-interface thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/WindowMessages.h"
#include "document/DocumentServices.h"
#include "mainwindow/RegisterRows.h"
#include "platform/base/Win32Types.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/platform.h"

class CCustomerSource;
class CCustomSettings;
class CProgressWnd;
class CXmlDocument;
struct DRAWITEMSTRUCT;

// Messages the register posts to its owner.
inline constexpr int kRegisterListId = 1000;

class CRegisterList final {
 public:
  // A load's status line between files: true to go on, false when the user aborted.
  using StatusStep = std::function<bool(std::u16string_view text)>;

  CRegisterList(HINSTANCE instance, HWND owner, CCustomerSource* customerSource);
  ~CRegisterList();
  CRegisterList(const CRegisterList&) = delete;
  CRegisterList& operator=(const CRegisterList&) = delete;

  // Creates the list view below the owner's header bar; null (nothing created) on failure.
  HWND Create(int sortKind, int showKind, bool ascending);
  HWND GetHwnd() const { return m_list; }
  // Destroys the list view and frees every row.
  void Destroy();

  // Fills the list from the show kind's folder; `jobsUpdate` brings every document shown
  // up to the desktop's jobs first (CJobsUpdate). `showProgress` shows the progress dialog;
  // `status` (may be empty) is told "Loading..." per file and stops the load when it
  // answers false. A load asked for while one runs is done once the running one ends.
  // Returns 1.
  int Load(bool jobsUpdate, bool showProgress, const StatusStep& status, CCustomSettings* settings);
  // Empties the list and loads again.
  int Reload(bool jobsUpdate, bool showProgress, const StatusStep& status, CCustomSettings* settings);

  // A load runs (it lets messages through between files).
  bool IsLoading() const { return m_loading; }
  // Ends a running load before its next file; what was read stays.
  void StopLoading() { m_stopRequested = true; }

  void SetShowKind(int showKind);
  int GetShowKind() const { return m_showKind; }
  int GetSortKind() const { return m_sortKind; }
  bool IsAscending() const { return m_ascending; }
  // Records both and sorts the rows.
  void Sort(bool ascending, int sortKind);

  // Inserts a row, sorts, and selects it; its index or -1.
  int AddRow(std::u16string_view name, std::u16string_view amount, std::u16string_view complete,
             std::u16string_view wireless, std::u16string_view fileName, std::u16string_view date,
             std::u16string_view number, int type, int marks);
  // Replaces the row's texts and marks ("YES" sets a mark), sorts again and, when asked,
  // selects the row at its new place.
  void UpdateRow(const CRegisterRow* row, std::u16string_view name, std::u16string_view amount,
                 std::u16string_view date, std::u16string_view number, std::u16string_view isSigned,
                 std::u16string_view isVoid, std::u16string_view paid, bool select);
  bool DeleteRow(int index);
  bool DeleteRowByRecord(const CRegisterRow* row);
  int FindRow(const CRegisterRow* row) const;
  const CRegisterRow* GetRowRecord(int index) const;
  int GetRowCount() const;
  // The selected row's type; 7 when none is selected.
  int GetSelectedType() const;
  bool GetRowFileName(int index, std::u16string& fileName) const;
  bool GetSelectedFileName(std::u16string& fileName) const;
  int GetSelectionMark() const;
  void SetSelectionMark(int index);
  void Select(int index);
  void Layout();

  // A tap on a row: when it hit the row's check box, marks the document complete (with
  // checks) or not complete and returns 0; 1 when the tap was elsewhere.
  int ToggleComplete(int index);
  // A storage card came or went: reloads when the show kind's folder lies on a card.
  void OnDeviceChange();
  // Draws one row (control 1000).
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  // The height of a row (two text lines).
  int GetRowHeight() const;

  // True once the register has read its folder.
  bool IsLoaded() const { return m_loaded; }
  // True when a row of the type carries exactly the number. Only what the register shows:
  // whether a number is free for a new document is the documents folder's to tell.
  bool IsNumberInUse(std::u16string_view number, int documentType);

 private:
  static LRESULT ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void LoadFolder(bool jobsUpdate, bool showProgress, const StatusStep& status);
  void InsertRow(std::unique_ptr<CRegisterRow> row, int at);
  void FreeRows();
  void SortRows();
  bool MarkComplete(CRegisterRow& row, bool complete);
  void EraseBackground(HDC dc);

  HINSTANCE m_instance;
  HWND m_owner;
  CCustomerSource* m_customerSource;  // not owned
  CCustomSettings* m_settings = nullptr;  // not owned; set by every load
  std::unique_ptr<CXmlDocument> m_xml;
  HWND m_list = nullptr;
  WNDPROC m_baseProc = nullptr;
  CGdiObject<HFONT> m_font;
  CGdiObject<HBITMAP> m_checkHighlight, m_checkComplete, m_checkEmpty, m_markSigned, m_markPaid, m_markVoid;
  // The picture of the check-box column's title (the list's small images; owned).
  HIMAGELIST m_titleImages = nullptr;
  std::vector<std::unique_ptr<CRegisterRow>> m_rows;  // in no particular order
  COLORREF m_band;
  int m_amountWidth;
  int m_checkWidth;
  int m_sortKind = kSortDate;
  int m_showKind = kShowAllDocuments;
  bool m_ascending = true;
  bool m_loaded = false;
  bool m_loading = false;
  bool m_reloadPending = false;
  bool m_stopRequested = false;
};

// A load's status through a progress window: its status line shows the load, and its
// Abort button stops it.
CRegisterList::StatusStep ProgressStatus(CProgressWnd& window);

// The program's register while the main window lives (not owned); null otherwise.
CRegisterList* GetRegisterList();
void SetRegisterList(CRegisterList* list);
