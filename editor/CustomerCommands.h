// The commands that change whole blocks of the open document (its customer, company,
// ship-to address, job, logo) or its layout (style, Customize settings). Most run their
// dialog inside the first Do; a cancelled dialog makes Do false, so nothing enters or
// leaves the history. The style and ship-to changes can be undone; the others replace
// state the commands in the history were built on, so running one empties the history.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/WindowMessages.h"
#include "editor/DocumentCommand.h"
#include "platform/base/Win32Types.h"

class CCompanyInfo;
class CCustomerRecord;
class CCustomerSource;
class CCustomSettings;
class CJobRecord;
class CShipToAddress;
class CTableCustomer;
class IDocumentView;

// Hides the document's page while a dialog runs over it; shown again when it goes.
class CHiddenDocumentPage {
 public:
  explicit CHiddenDocumentPage(CSalesDocument& document);
  ~CHiddenDocumentPage();
  CHiddenDocumentPage(const CHiddenDocumentPage&) = delete;
  CHiddenDocumentPage& operator=(const CHiddenDocumentPage&) = delete;

 private:
  IDocumentView* m_view;
};


// Customer dialog pages the editor opens it at.
inline constexpr int kCustomerPageAddress = 0;
inline constexpr int kCustomerPageShipTo = 2;
inline constexpr int kCustomerPageJob = 5;

// The customer screens, which live above the editor: the program sets them at start-up.
class IDocumentCustomerScreens {
 public:
  virtual ~IDocumentCustomerScreens() = default;
  // Where the program's customers come from (null before there is a source).
  virtual CCustomerSource* CustomerSource() = 0;
  // The customer dialog on a copy of the document's customer, opened at `initialPage`.
  // `newJob`: the document has no job yet and the user names one; `job`: the record is a
  // job (or becomes one). 1 when the user confirmed (the record holds what was entered).
  virtual int EditDocumentCustomer(HWND parent, CTableCustomer& record, int initialPage, bool newJob, bool job) = 0;
  // The Customize dialog for the document's type, opened at `firstPage`; 1 after OK (the
  // settings are saved then).
  virtual int Customize(HWND parent, DWORD firstPage, CCustomSettings& settings, CSalesDocument& document) = 0;
};

void SetDocumentCustomerScreens(IDocumentCustomerScreens* screens);
IDocumentCustomerScreens* GetDocumentCustomerScreens();

// The customer of the document, edited in the customer dialog (customers of the table) or
// on the device's contact card (contacts), and written back into the document. A customer
// that cannot be found any more is offered to be chosen afresh from the customer list.
class CEditCustomerCommand : public CDocumentCommand {
 public:
  // `customer` is copied. `notify` receives the request for the customer list (1149, with
  // `parent` in lParam). `jobName`: the document has no job and the dialog asks for one.
  CEditCustomerCommand(CSalesDocument& document, HINSTANCE instance, HWND parent, HWND notify,
                       const CCustomerRecord& customer, CCustomerSource* source, int initialPage, bool jobName);
  ~CEditCustomerCommand() override;
  bool Do(bool isRedo) override;

  int InitialPage() const { return m_initialPage; }
  bool JobNameFlag() const { return m_jobName; }
  bool SubLevelFlag() const { return m_subLevel; }

 private:
  bool EditTableCustomer();

  HINSTANCE m_instance;
  HWND m_parent;
  HWND m_notify;
  std::unique_ptr<CCustomerRecord> m_customer;
  std::unique_ptr<CCustomerRecord> m_before;  // the customer as the edit found it
  CCustomerSource* m_source;  // not owned
  int m_initialPage;
  bool m_jobName;
  bool m_subLevel;
};

// The two companies in the "Select Company" dialog, opened at `page`; the dialog keeps
// the chosen one as "DEFAULT_COMPANY". True after OK.
using CompanyChooser = std::function<bool(CCompanyInfo& first, CCompanyInfo& second, int page)>;
// One company in the "My Company" form. True after OK.
using CompanyEditor = std::function<bool(CCompanyInfo& company)>;

// The seller block of the document. With two companies the user picks (and may edit)
// either in the company dialog and the default one goes into the document; with one the
// company is edited in the "My Company" form. The companies are stored after OK.
class CEditCompanyCommand : public CDocumentCommand {
 public:
  // `first` is the company edited (company 0 with two companies); company 1 is read here.
  CEditCompanyCommand(CSalesDocument& document, std::unique_ptr<CCompanyInfo> first, bool twoCompanies,
                      CompanyChooser chooser, CompanyEditor editor);
  ~CEditCompanyCommand() override;
  bool Do(bool isRedo) override;

 private:
  std::unique_ptr<CCompanyInfo> m_first;
  std::unique_ptr<CCompanyInfo> m_second;
  bool m_twoCompanies;
  CompanyChooser m_chooser;
  CompanyEditor m_editor;
};

// The "Ship To" form on the snapshot. True after OK.
using ShipToEditor = std::function<bool(CShipToAddress& address)>;

// The document's ship-to block, edited on a snapshot taken when the command is built. It
// touches nothing else the history relies on, so it can be undone: Undo writes the block
// back as it was, redo writes the edited texts again without the form.
class CEditShipToCommand : public CDocumentCommand {
 public:
  CEditShipToCommand(CSalesDocument& document, ShipToEditor editor);
  ~CEditShipToCommand() override;
  bool Do(bool isRedo) override;
  bool Undo() override;

 private:
  void Show();

  std::unique_ptr<CShipToAddress> m_address;
  std::unique_ptr<CShipToAddress> m_before;
  std::vector<std::u16string> m_childrenBefore;  // the block's elements before the edit
  bool m_blockBefore = false;
  ShipToEditor m_editor;
};

// The job dialog on a copy of the document's job; `isNew` when the document has no job.
// True after OK.
using JobEditor = std::function<bool(CJobRecord& job, bool isNew)>;

// The document's job block.
class CEditJobCommand : public CDocumentCommand {
 public:
  CEditJobCommand(CSalesDocument& document, JobEditor editor);
  ~CEditJobCommand() override;
  bool Do(bool isRedo) override;

 private:
  std::unique_ptr<CJobRecord> m_job;
  JobEditor m_editor;
};

// The logo picture with its display size; the document type's logo place is switched on.
class CChangeLogoCommand : public CDocumentCommand {
 public:
  CChangeLogoCommand(CSalesDocument& document, std::u16string path, int width, int height);
  bool Do(bool isRedo) override;

 private:
  std::u16string m_path;
  int m_width;
  int m_height;
};

// The document's layout. With `saveAsDefault` the style also becomes the one new
// documents start with; Undo gives that preference back only when the change wrote it.
class CChangeStyleCommand : public CDocumentCommand {
 public:
  CChangeStyleCommand(CSalesDocument& document, int newStyle, bool saveAsDefault);
  bool Do(bool isRedo) override;
  bool Undo() override;

 private:
  int m_oldStyle;
  int m_newStyle;
  bool m_saveAsDefault;
  bool m_preferenceWritten = false;
};

// The Customize dialog for the document's type; after OK the page is built again and
// `notify` is told that the type names may have changed.
class CCustomizeCommand : public CDocumentCommand {
 public:
  CCustomizeCommand(CSalesDocument& document, HWND parent, HWND notify, DWORD firstPage, CCustomSettings& settings);
  bool Do(bool isRedo) override;

 private:
  HWND m_parent;
  HWND m_notify;
  DWORD m_firstPage;
  CCustomSettings& m_settings;  // not owned
};
