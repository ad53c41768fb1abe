// The customer screens the editor opens on the open document: the customer dialog on a
// copy of the document's customer, and the Customize dialog for the document's type.
#pragma once

#include "editor/CustomerCommands.h"

class CItemStore;

class CDocumentCustomerScreens : public IDocumentCustomerScreens {
 public:
  // Nothing passed is owned; `store` gives the choice lists (null: empty lists).
  CDocumentCustomerScreens(HINSTANCE resources, CItemStore* store, CCustomerSource* source)
      : m_resources(resources), m_store(store), m_source(source) {}

  CCustomerSource* CustomerSource() override { return m_source; }
  // The dialog treats the record as the document's copy: the customer's own account
  // pages (additional, payment, notes) are read-only there.
  int EditDocumentCustomer(HWND parent, CTableCustomer& record, int initialPage, bool newJob, bool job) override;
  int Customize(HWND parent, DWORD firstPage, CCustomSettings& settings, CSalesDocument& document) override;

 private:
  HINSTANCE m_resources;
  CItemStore* m_store;
  CCustomerSource* m_source;
};
