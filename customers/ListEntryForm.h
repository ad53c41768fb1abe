// One entry of a named list, or one item of the items list, edited in the single-page
// "Item" form; the rows follow the entry's type text and go back into the record on OK.
#pragma once

#include <memory>
#include <string>

#include "core/CustomSettings.h"
#include "core/FieldForm.h"
#include "customers/ListEntryRows.h"

class CListEntryForm {
 public:
  CListEntryForm(HINSTANCE resources, HWND parent, CItemStore* store, CDbRecord& record, std::u16string type,
                 int documentKind);

  // Runs the form; on acceptance the rows are written into the record. The form's end
  // code: 1 accepted, 2 nothing changed, 0 cancelled.
  INT_PTR Run();

  CFieldForm& Form() { return *m_form; }

 private:
  CCustomSettings m_settings;
  CListEntryRows m_rows;
  std::unique_ptr<CFieldForm> m_form;
};
