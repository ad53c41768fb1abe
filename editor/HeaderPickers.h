// The small modal forms that ask for a new value of one header field of the open
// document: a choice from a stored list (terms, payment methods, shipping methods, sales
// reps, sales taxes), the notes, the ship-to address, a line-item label, or one line of
// text. Each owns one data-entry form, built from the current value by the constructor;
// DoModal runs it and reads the fields back, and the getters hand the result over. The
// forms write no preference and store nothing in the document: that is the caller's.
//
// DoModal answers as the data-entry form does: 1 accepted, 2 accepted without change, 0
// cancelled, 3 ended by the hardware key. The caller acts on 1 only. The constructors do
// not touch the wait cursor; a caller that builds under one ends it before DoModal.
#pragma once

#include <memory>

#include "core/FieldForm.h"

class CItemStore;
class CShipToAddress;

// What every member shares: the owned form and, for the list members, its choices.
class CHeaderFieldForm {
 public:
  virtual ~CHeaderFieldForm();
  CHeaderFieldForm(const CHeaderFieldForm&) = delete;
  CHeaderFieldForm& operator=(const CHeaderFieldForm&) = delete;

  // The form itself (its fields and choices), for the caller and for tests.
  CFieldForm& Form() { return *m_form; }
  const FieldChoiceList& Choices() const { return *m_choices; }

 protected:
  CHeaderFieldForm(HINSTANCE resources, HWND parent, const CBstr& title, int labelWidth, int fieldWidth,
                   int firstField = -1);
  // Shows the form (the shared form template) and answers its end code.
  INT_PTR Run(int helpTopic, bool raiseInputPanel);
  // The text of field `index` alone, or joined with its continuation rows by CR LF.
  CBstr FieldText(int index, bool withContinuations = false) const;

  // Declared first so the form, which reads it, goes first.
  std::unique_ptr<FieldChoiceList> m_choices;
  std::unique_ptr<CFieldForm> m_form;
};

// A choice of one name from a stored list; the text shown when there is no value
// ("Select ...") never comes back as the choice.
class CNamePicker : public CHeaderFieldForm {
 public:
  INT_PTR DoModal();
  // The chosen name.
  void GetText(CBstr& out) const { out = m_text; }

 protected:
  enum List : int { kTerms, kPaymentMethods, kShippingMethods };
  CNamePicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& current, List list);

 private:
  CBstr m_text;
  CBstr m_placeholder;
  int m_helpTopic;
};

// "Terms of Payment": the Terms list.
class CTermsPicker : public CNamePicker {
 public:
  CTermsPicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& terms)
      : CNamePicker(resources, parent, store, terms, List::kTerms) {}
};

// "Method of Payment": the Payment Methods list.
class CPaymentMethodPicker : public CNamePicker {
 public:
  CPaymentMethodPicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& method)
      : CNamePicker(resources, parent, store, method, List::kPaymentMethods) {}
};

// "Shipping Method": the Shipping Methods list.
class CShipViaPicker : public CNamePicker {
 public:
  CShipViaPicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& shipVia)
      : CNamePicker(resources, parent, store, shipVia, List::kShippingMethods) {}
};

// "Sales Representative": a rep's initials, chosen from the Sales Reps list or typed.
class CSalesRepPicker : public CHeaderFieldForm {
 public:
  static constexpr int kMaxInitials = 5;

  CSalesRepPicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& rep, const CBstr& fullName);
  // On 1 the rep is read back and takes the full name of the stored rep with exactly
  // these initials; a rep no stored entry has keeps the full name given.
  INT_PTR DoModal();
  void GetText(CBstr& out) const { out = m_rep; }
  void GetFullName(CBstr& out) const { out = m_fullName; }

 private:
  CBstr m_rep;
  CBstr m_fullName;
};

// "Sales Tax": a sales tax item or group from the stored list, with its rate (which may
// be typed over).
class CSalesTaxPicker : public CHeaderFieldForm {
 public:
  CSalesTaxPicker(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& rate, const CBstr& name,
                  const CBstr& vendor);
  // On 1 the name and the rate are read back; the vendor becomes the one of the stored
  // tax with exactly that name, and stays as given when there is none.
  INT_PTR DoModal();
  void GetName(CBstr& out) const { out = m_name; }
  void GetRate(CBstr& out) const { out = m_rate; }
  void GetVendor(CBstr& out) const { out = m_vendor; }

 private:
  CBstr m_rate;
  CBstr m_name;
  CBstr m_vendor;
};

// "Notes": the document's notes over seven rows, and the check box that makes them the
// default notes of the document type. The document keeps line breaks as "<br>".
class CNotesDlg : public CHeaderFieldForm {
 public:
  CNotesDlg(HINSTANCE resources, HWND parent, const CBstr& notes, bool useAsDefault);
  // The text and the check box are read back on 1 and on 2.
  INT_PTR DoModal();
  void GetText(CBstr& out) const { out = m_text; }
  bool GetCheckBox() const { return m_checked; }

  // "<br>" to CR LF and back.
  static CBstr StoredToShown(const CBstr& stored);
  static CBstr ShownToStored(const CBstr& shown);

 private:
  CBstr m_text;
  bool m_checked;
};

// "Ship To": name, three address lines, phone and e-mail of the document's ship-to
// snapshot, written back into the snapshot (not into the document) on 1.
class CShipToDlg : public CHeaderFieldForm {
 public:
  CShipToDlg(HINSTANCE resources, HWND parent, CShipToAddress* address);
  INT_PTR DoModal();

 private:
  CShipToAddress* m_address;  // not owned
};

// "Label": a line-item label chosen from the Labels list or typed afresh; the check box
// adds a label typed afresh to the list.
class CLabelDlg : public CHeaderFieldForm {
 public:
  // An empty `label` starts on the first stored label's name.
  CLabelDlg(HINSTANCE resources, HWND parent, CItemStore* store, const CBstr& label, bool addToList);
  // The label text is read back on 1 and on 2. A stored label with exactly that text
  // gives its list id; another text is a new label, added to the Labels list (with a new
  // list id) when the check box is set. An empty label answers 0.
  INT_PTR DoModal();
  void GetText(CBstr& out) const { out = m_text; }
  void GetListID(CBstr& out) const { out = m_listId; }

 private:
  CItemStore* m_store;  // not owned
  CBstr m_text;
  CBstr m_listId;
  int m_storedCount = 0;
};

// One line of text under the caller's title and label (numbers, account, purchase order
// number, custom fields); the editor of the line opens at once.
class CTextEntryDlg : public CHeaderFieldForm {
 public:
  // `flags` are added to the field's own (editable, required): kFlagNumericKeys for a
  // card number, kFlagNumber | kFlagNumericKeys for an amount.
  CTextEntryDlg(HINSTANCE resources, HWND parent, const CBstr& title, const CBstr& label, const CBstr& value,
                int maxLength, DWORD flags);
  INT_PTR DoModal();
  void GetText(CBstr& out) const { out = m_text; }

 private:
  CBstr m_text;
};
