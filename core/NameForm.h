// Small forms on the shared data-entry form: one name (with an optional item type row)
// and the user's own company block.
#pragma once

#include <memory>

#include "core/CompanyInfo.h"
#include "core/FieldForm.h"

class CNameForm {
 public:
  // `extraFlags` join the name row's required and editable flags (number kinds, keys).
  CNameForm(HINSTANCE resources, HWND parent, const CBstr& title, const CBstr& label, int maxLength,
            const CBstr& value, DWORD extraFlags, const CBstr& typeText, bool hasTypeRow);
  virtual ~CNameForm();

  // The form's end code; on 1 (accepted) or 2 (unchanged) the name, and the type when
  // the form has its row, are read back. Cancel keeps the values given.
  INT_PTR DoModal();

  const CBstr& GetValue() const { return m_value; }
  const CBstr& GetType() const { return m_type; }
  CFieldForm& Form() { return *m_form; }

 private:
  std::unique_ptr<CFieldForm> m_form;
  CBstr m_value;
  CBstr m_type;
  bool m_hasTypeRow;
};

// The seven rows of a company block, from field 0 on: user name, company, the three
// address lines, phone, e-mail; and back into the company. The user name row is editable
// (and required) only for a company that stores it; elsewhere it shows the device owner.
void AddCompanyRows(CFieldForm& form, const CCompanyInfo& company);
void ReadCompanyRows(const CFieldForm& form, CCompanyInfo& company);

class CMyCompanyForm {
 public:
  // `company` stays the caller's; it is changed only when the form is accepted.
  CMyCompanyForm(HINSTANCE resources, HWND parent, CCompanyInfo& company);
  virtual ~CMyCompanyForm();

  // The form's end code. Only 1 (accepted) writes the seven rows back to the company:
  // user name, company, the three address lines, phone, e-mail. The user name row is
  // editable only for a company that stores it; elsewhere it shows the device owner.
  INT_PTR DoModal();
  CFieldForm& Form() { return *m_form; }

 private:
  CCompanyInfo& m_company;
  std::unique_ptr<CFieldForm> m_form;
};
