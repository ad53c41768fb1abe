// The list update job: takes the lists the desktop companion exported (items, groups,
// sales taxes, the simple lists, company information and customers) into the handheld's
// store, once per "update lists" command.
//
//   CProgressWndStatus status(progressWnd);
//   CListUpdater job(&store, &customers, &company, tree, &status, customerList, path);
//   job.SetHistories(&documentHistory, &listHistory);
//   int finished = job.Run(mainWindow);
//
// The run writes inside one transaction, committed when it ends, finished or aborted; each
// list step and each customer file is nested in it. An abort keeps what was imported so
// far, whole records only; a failure that escapes a step (out of memory) rolls the step
// back. A group is written with its member lines or not at all. The first statement that
// fails (a full disk, a database another program keeps locked past the wait) stops the
// run: everything is rolled back, the files stay and the user is told once.
//
// The files the run read are removed only after that commit (CUpdateFileJournal), so a
// kill at any moment leaves the old database with the files, or the new database; the
// main window calls CUpdateFileJournal::CompleteInterrupted when it starts.
//
// Runs on the user-interface thread; the progress calls let pending messages through so
// the Abort button works while the job runs.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "core/WindowMessages.h"
#include "datastore/SqlDatabase.h"
#include "listupdate/UpdateListReader.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

class CCommandProcessor;
class CCompanyInfo;
class CCustomerSource;
class CDbRecord;
class CItemStore;
class CListAccessor;
class CListCache;
class CNamedList;
class COverwritePromptDlg;
class CPriceLevelList;
class CProgressWnd;
class CSalesTaxList;
class CTaxCodeList;
class CGroupList;
class CUpdateFileJournal;
struct ListStep;
struct ListStepRecord;
struct CustomFieldOrder;

// The progress window as the job drives it.
class IUpdateProgress {
 public:
  virtual ~IUpdateProgress() = default;
  // Lets pending messages through, then shows `text` (null: keeps the line); false when
  // the user asked to stop.
  virtual bool SetStatus(const std::u16string* text) = 0;
  // The same with a string of the language library.
  virtual bool SetStatusId(UINT id) = 0;
  virtual void SetAbort(bool abort) = 0;
  virtual bool IsAborted() const = 0;
  // Owner of the reader's message boxes.
  virtual HWND GetHwnd() const = 0;
};

// The progress window itself behind IUpdateProgress (not owned).
class CProgressWndStatus final : public IUpdateProgress {
 public:
  explicit CProgressWndStatus(CProgressWnd& window) : m_window(window) {}
  bool SetStatus(const std::u16string* text) override;
  bool SetStatusId(UINT id) override;
  void SetAbort(bool abort) override;
  bool IsAborted() const override;
  HWND GetHwnd() const override;

 private:
  CProgressWnd& m_window;
};

// The customer list window as the job uses it while customers are imported.
class IUpdateCustomerList {
 public:
  virtual ~IUpdateCustomerList() = default;
  // While set, the window starts no loader and ignores store notifications.
  virtual void SetListUpdateRunning(bool running) = 0;
  virtual void SetupColumns(int mode) = 0;
  virtual void Reload(int reloadSource) = 0;
  // Repaints the list without erasing it.
  virtual void InvalidateList() = 0;
};

// The list tree of the main window, refilled once the lists changed.
class IUpdateListTree {
 public:
  virtual ~IUpdateListTree() = default;
  virtual void Refill() = 0;
};


class CListUpdater {
 public:
  // None of the pointers is owned; the customer list window and the list tree may be
  // null. An empty `updateFilePath` means the default files of the database folder.
  CListUpdater(CItemStore* itemStore, CCustomerSource* customerSource, CCompanyInfo* companyInfo,
               IUpdateListTree* listTreeView, IUpdateProgress* progress, IUpdateCustomerList* customerListWnd,
               std::u16string_view updateFilePath);
  virtual ~CListUpdater();
  CListUpdater(const CListUpdater&) = delete;
  CListUpdater& operator=(const CListUpdater&) = delete;

  // The two edit histories the run empties (either may be null).
  void SetHistories(CCommandProcessor* documentHistory, CCommandProcessor* listHistory) {
    m_documentHistory = documentHistory;
    m_listHistory = listHistory;
  }

  // 1 when the update ran to its end; 0 when the file was refused, the user aborted or
  // nothing could be committed.
  // Whatever way a run that got past the version check ends, the customer source's bulk
  // change is ended, the customer list window restored and the list tree refilled.
  int Run(HWND mainWindow);

  // The prompt's answer, 6 (Yes), 7 (No) or 2 (Cancel); a "for all" answer holds for the
  // rest of the run. Cancel has asked the progress to stop the run at its next status.
  INT_PTR AskOverwrite(std::u16string_view name, bool customerMode);
  // 1 when an existing entry is to be replaced by the incoming record, by their
  // modification stamps (asking when the handheld's copy is newer or the stamp is missing;
  // only Yes replaces it, Cancel keeps it and stops the run).
  int ShouldOverwrite(std::u16string_view name, std::u16string_view incomingModified,
                      std::u16string_view storedModified);
  // Adds the category node unless one of that name is under `parent`; `listIdInOut`
  // receives a new id when empty. Always 1.
  int EnsureCategory(std::u16string_view name, std::u16string_view parent, std::u16string_view listType,
                     int position, int objectType, std::u16string& listIdInOut);

  // The steps, each 1 when done (or nothing to do) and 0 when the user aborted.
  int ImportTaxCodes();
  int ImportCustomFields(bool customers);
  int ImportItemFiles();
  int ImportGroups();
  int ImportSalesTaxGroups();
  int ImportCustomerMsgs();
  int ImportTerms();
  int ImportPriceLevels();
  int ImportNamedList(CNamedList& list, int position, bool withDescription);
  int ImportJobTypes();
  int ImportLabels();
  int ImportCompanyInfo();
  int ImportCustomers();
  // The items of one file, numbered from `firstNumber` + 1; the number of ITEM records read.
  int ImportItems(CUpdateListReader& reader, int firstNumber);

 private:
  bool Status(std::u16string text);
  // Asks in list-entry mode; true only for Yes.
  bool AskedToOverwrite(std::u16string_view name);
  bool Pump();
  // A statement of the run has failed: the run stops and is rolled back.
  bool Failed() const;
  // The user asked to stop, or the run failed.
  bool Stopped() const;
  // The one message of a run that stored nothing.
  void ShowFailure(CSqlDatabase::Failure failure);
  // Whether a record of `kind` with this id came earlier in the run (counted when it did);
  // such a record is taken as that record again, never stored beside it. An empty id
  // repeats nothing.
  bool SeenBefore(std::u16string_view kind, std::u16string_view listId);
  int ImportList(const ListStep& step);
  void FindEntry(const ListStep& step, const ListStepRecord& in, std::unique_ptr<CDbRecord>& found,
                 bool& byName);
  void ReadOptions();
  // Keeps the file the reader read for removal once the run is committed.
  void NoteRead(const CUpdateListReader& reader);
  void ShowRefusal(int version);
  bool RunListSteps();
  int ImportCustomerFiles();
  void Finish();
  bool ImportItem(const UpdateItemRecord& item, int& previousLevel, CustomFieldOrder& order);
  bool ImportGroupLines(const std::u16string& groupName, int i, int n);
  std::u16string DatabaseFolderFile(std::u16string_view name) const;
  void ShowBox(std::u16string_view text);

  IUpdateCustomerList* m_customerList;  // not owned
  CItemStore* m_store;                  // not owned
  CCustomerSource* m_customers;         // not owned
  IUpdateProgress* m_progress;          // not owned
  std::u16string m_updateFilePath;
  HWND m_mainWindow = nullptr;
  int m_customerCounter = 0;
  bool m_clearItems = true;
  bool m_clearCustomers = true;
  bool m_overwriteItems = true;
  bool m_overwriteCustomers = true;
  std::unique_ptr<CUpdateListReader> m_reader;
  std::unique_ptr<CUpdateFileJournal> m_taken;  // the files read by the current run
  CCompanyInfo* m_companyInfo;  // not owned
  IUpdateListTree* m_tree;      // not owned
  std::unique_ptr<COverwritePromptDlg> m_prompt;
  bool m_customersCleared = false;
  bool m_roSignedChanged = false;
  std::set<std::u16string> m_seenIds;  // kind, a line break, the id
  int m_repeatedRecords = 0;
  CCommandProcessor* m_documentHistory = nullptr;  // not owned
  CCommandProcessor* m_listHistory = nullptr;      // not owned

  // The list objects the steps write through; made over the store for this job.
  std::unique_ptr<CListCache> m_listCache;
  std::unique_ptr<CListAccessor> m_listAccessor;
  std::unique_ptr<CTaxCodeList> m_taxCodes;
  std::unique_ptr<CPriceLevelList> m_priceLevels;
  std::unique_ptr<CSalesTaxList> m_salesTaxes;
  std::unique_ptr<CGroupList> m_groups;
};
