// The two full-screen dialogs that edit a block of the document's header on two tabbed
// pages of the data-entry form: the job ("Address" and "Info") and the business owner's
// two companies ("Default" and "Alternate"), of which the one shown when OK is pressed
// becomes the documents' company. Both change their records in memory only; storing
// them is the caller's.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "core/FieldForm.h"
#include "core/FullScreenDialog.h"
#include "core/WindowObject.h"

class CCompanyInfo;
class CItemStore;
class CJobRecord;

// What both dialogs share: the title row, the tab control and its two pages.
class CTwoPageDlg : public CDialogObject<CTwoPageDlg> {
 public:
  static constexpr int kPageCount = 2;

  virtual ~CTwoPageDlg();

  // 1 after OK (the records hold what was entered), 0 after Cancel.
  INT_PTR DoModal();

  // The form of a page (null while the dialog is not open).
  CFieldForm* Page(int page) const { return m_forms[static_cast<size_t>(page)].get(); }
  // The page whose tab is selected.
  int ShownPage() const;
  void ShowPage(int page);

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  CTwoPageDlg(HINSTANCE resources, HWND owner, const char16_t* title, int helpTopic);
  // The form of page `page` under its tab; BuildPages fills its rows, then the dialog
  // makes its window.
  CFieldForm& AddPage(int page, const char16_t* caption, int labelWidth, int fieldWidth, int firstField);
  // Commits both pages' editors and checks their required rows, page `first` first; on a
  // failure the page that failed is shown and false is answered.
  bool ValidatePages(int first);

  // Adds both pages and sets the page shown first.
  virtual void BuildPages() = 0;
  virtual void OnOK() = 0;
  // While the dialog's window is being destroyed.
  virtual void OnClosing() {}

  HINSTANCE m_resources;
  int m_firstPage = 0;

 private:
  void OnInitDialog();
  void LayOut();
  std::vector<HWND> PageWindows() const;

  HWND m_owner;
  const char16_t* m_title;
  int m_helpTopic;
  full_screen::CPageTabs m_tabs;
  std::array<std::unique_ptr<CFieldForm>, kPageCount> m_forms;
  std::array<HWND, kPageCount> m_pageWindows{};
  std::array<const char16_t*, kPageCount> m_captions{};
  HWND m_okButton = nullptr;
  HWND m_cancelButton = nullptr;
  HFONT m_titleFont = nullptr;
};

// "Job": the document's job record. Its address page holds the three address lines and
// the city line ("city, state zip"); its info page the type (from the Job Types list),
// status, dates and description.
class CJobDlg : public CTwoPageDlg {
 public:
  enum { kAddressPage = 0, kInfoPage = 1 };
  static constexpr int kMaxJobTypes = 20;

  // `firstField` is the address page's field whose editor opens at once (0 for a new
  // job, -1 for none). `store` gives the job types (null: none).
  CJobDlg(HINSTANCE resources, HWND owner, CItemStore* store, int firstField, CJobRecord* job);
  ~CJobDlg() override;

  const FieldChoiceList& JobTypes() const { return *m_jobTypes; }

 private:
  void BuildPages() override;
  void OnOK() override;
  void Save();

  CItemStore* m_store;  // not owned
  int m_firstField;
  CJobRecord* m_job;  // not owned
  std::unique_ptr<FieldChoiceList> m_jobTypes;
};

// "Select Company": the default company and company B.
class CSelectCompanyDlg : public CTwoPageDlg {
 public:
  enum { kDefaultPage = 0, kAlternatePage = 1 };

  // Opens on `initialPage` (the default page for any other value).
  CSelectCompanyDlg(HINSTANCE resources, HWND owner, CCompanyInfo& defaultCompany, CCompanyInfo& alternateCompany,
                    int initialPage);
  ~CSelectCompanyDlg() override;

 private:
  void BuildPages() override;
  void OnOK() override;
  void OnClosing() override;

  CCompanyInfo& m_default;
  CCompanyInfo& m_alternate;
  int m_initialPage;
};
