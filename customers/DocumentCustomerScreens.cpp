#include "customers/DocumentCustomerScreens.h"

#include "customers/CustomerDlg.h"
#include "customers/CustomizeDlg.h"
#include "datastore/ListCache.h"

int CDocumentCustomerScreens::EditDocumentCustomer(HWND parent, CTableCustomer& record, int initialPage, bool newJob,
                                                   bool job) {
  CustomerDialogFlags flags;
  flags.job = job;
  flags.newJob = newJob;
  flags.documentCopy = true;
  CCustomerDlg dialog(m_resources, parent, record, initialPage, flags, m_store);
  return dialog.DoModal() == 1 ? 1 : 0;
}

int CDocumentCustomerScreens::Customize(HWND parent, DWORD firstPage, CCustomSettings& settings,
                                        CSalesDocument& document) {
  // The custom field names the Other and Custom rows offer, read afresh for the run.
  CListCache fieldNames(m_store);
  CCustomizeDlg dialog(m_resources, parent, firstPage, settings, document, m_store ? &fieldNames : nullptr);
  return dialog.DoModal() == 1 ? 1 : 0;
}
