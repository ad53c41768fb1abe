// The commands that change one field of the document header, or a few fields that belong
// together (a date and its desktop form, the terms and the due date they give, the three
// tax texts...). Each reads the value it replaces from the document when it is built;
// Undo gives every attribute it touched back exactly as it was, Do (and redo) writes the
// new value through the document's own setter.
#pragma once

#include <string>
#include <vector>

#include "core/TextHelpers.h"
#include "editor/DocumentCommand.h"

class CCustomSettings;

// The common shape: old values read at construction, an optional "nothing changed" test
// (the command still enters the history then, and its Undo changes nothing either), a
// render after Do and after Undo.
class CHeaderFieldCommand : public CDocumentCommand {
 public:
  struct Shape {
    bool equalityTest = true;
    RenderMode doRender = RenderMode::KeepPosition;
    RenderMode undoRender = RenderMode::ScrollToTop;
  };

  bool Do(bool isRedo) override;
  bool Undo() override;

 protected:
  // `attributes`: every root attribute the command may change; the first ones pair with
  // `newValues` (the old value of new value i is attribute i).
  CHeaderFieldCommand(CSalesDocument& document, LPCWSTR name, std::vector<std::u16string> attributes,
                      std::vector<CBstr> newValues, Shape shape);

  // Writes the new values; false when the document refused them.
  virtual bool Apply() = 0;
  // Brings what the document keeps beside its attributes back to the old values, before
  // the attributes themselves are restored. Default: nothing.
  virtual void RevertCachedState() {}
  // After the attributes are back (totals again...). Default: nothing.
  virtual void AfterRestore() {}
  // Renders after Apply (the rep updates its page cell itself).
  virtual void RenderAfterDo() { Render(m_shape.doRender); }
  virtual bool Unchanged() const;

  const CBstr& NewValue(size_t i) const { return m_new[i]; }
  const CBstr& OldValue(size_t i) const { return m_old[i]; }

 private:
  std::vector<CBstr> m_old;
  std::vector<CBstr> m_new;
  CRootAttributeSnapshot m_before;
  Shape m_shape;
};

// One attribute written as given.
class CChangeAttributeCommand : public CHeaderFieldCommand {
 public:
  CChangeAttributeCommand(CSalesDocument& document, LPCWSTR name, std::u16string attribute, const CBstr& value);

 protected:
  bool Apply() override;

 private:
  std::u16string m_attribute;
};

class CChangeAccountCommand : public CChangeAttributeCommand {
 public:
  CChangeAccountCommand(CSalesDocument& document, const CBstr& account);
};
class CChangeCardNumberCommand : public CChangeAttributeCommand {
 public:
  CChangeCardNumberCommand(CSalesDocument& document, const CBstr& cardNumber);
};
class CChangeCheckNumberCommand : public CChangeAttributeCommand {
 public:
  CChangeCheckNumberCommand(CSalesDocument& document, const CBstr& checkNumber);
};
// Other3 writes OTHER3, Other2 OTHER2, any other field OTHER1.
class CChangeCustomFieldCommand : public CChangeAttributeCommand {
 public:
  CChangeCustomFieldCommand(CSalesDocument& document, const CBstr& value, HeaderField field);
};
class CChangePaymentMethodCommand : public CChangeAttributeCommand {
 public:
  CChangePaymentMethodCommand(CSalesDocument& document, const CBstr& method);
};
class CChangePONumberCommand : public CChangeAttributeCommand {
 public:
  CChangePONumberCommand(CSalesDocument& document, const CBstr& poNumber);
};
class CChangeShipViaCommand : public CChangeAttributeCommand {
 public:
  CChangeShipViaCommand(CSalesDocument& document, const CBstr& shipVia);
};
// The amount received: PAYAMOUNT, old against new, as any plain field.
class CChangePaymentAmountCommand : public CChangeAttributeCommand {
 public:
  CChangePaymentAmountCommand(CSalesDocument& document, const CBstr& amount);
};
// SHIPDATE as given, every time; Do fails when the attribute cannot be written.
class CChangeShipDateCommand : public CChangeAttributeCommand {
 public:
  CChangeShipDateCommand(CSalesDocument& document, const CBstr& shipDate);
};

// TERMS, TERMDAYS and the due date they give.
class CChangeTermsCommand : public CHeaderFieldCommand {
 public:
  CChangeTermsCommand(CSalesDocument& document, const CBstr& terms);

 protected:
  bool Apply() override;
  void RevertCachedState() override;
};

// The date commands take a date text in the user's date order; Do fails for a text that
// is no calendar date.
class CChangeDateCommand : public CHeaderFieldCommand {
 public:
  CChangeDateCommand(CSalesDocument& document, const CBstr& date);

 protected:
  bool Apply() override;
};
class CChangeDueDateCommand : public CHeaderFieldCommand {
 public:
  CChangeDueDateCommand(CSalesDocument& document, const CBstr& dueDate);

 protected:
  bool Apply() override;
};
class CChangeCardExpiryCommand : public CHeaderFieldCommand {
 public:
  CChangeCardExpiryCommand(CSalesDocument& document, const CBstr& expiry);

 protected:
  bool Apply() override;
};

// REP and REP_FULLNAME; the page's rep cell is updated in place, the page rendered only
// when that fails.
class CChangeRepCommand : public CHeaderFieldCommand {
 public:
  CChangeRepCommand(CSalesDocument& document, const CBstr& rep, const CBstr& fullName);

 protected:
  bool Apply() override;
  void RenderAfterDo() override;

 private:
  bool m_shownInPlace = false;
};

// TAXNAME, TAXRATE, TAXVENDOR and the totals they give.
class CChangeTaxCommand : public CHeaderFieldCommand {
 public:
  CChangeTaxCommand(CSalesDocument& document, const CBstr& name, const CBstr& rate, const CBstr& vendor);

 protected:
  bool Apply() override;
  void AfterRestore() override;
};

// The customer message and its list id; with the show flag on for a document type whose
// message row is off, the row is switched on (and stays on after Undo).
class CSelectMessageCommand : public CHeaderFieldCommand {
 public:
  CSelectMessageCommand(CSalesDocument& document, const CBstr& message, const CBstr& listId, bool show,
                        CCustomSettings& settings);
  bool Do(bool isRedo) override;

 protected:
  bool Apply() override;

 private:
  CCustomSettings& m_settings;  // not owned
  bool m_oldShow;
  bool m_newShow;
};

// NOTES. Notes typed for a document type whose notes are hidden on the screen make them
// shown from then on; the settings are saved.
class CEditNotesCommand : public CHeaderFieldCommand {
 public:
  CEditNotesCommand(CSalesDocument& document, const CBstr& notes, CCustomSettings& settings);

 protected:
  bool Apply() override;

 private:
  CCustomSettings& m_settings;  // not owned
};

// The document's number and file. Cannot be undone. Asks before taking the number of an
// existing file; a document that has a file is saved under the new one before the old
// file is removed, so it is never in no file at all. Do is false (and the history stays)
// when nothing changed: the same number, or the answer No.
class CChangeNumberCommand : public CDocumentCommand {
 public:
  CChangeNumberCommand(CSalesDocument& document, const CBstr& number, const CBstr& presentFile, int documentType);
  bool Do(bool isRedo) override;

 private:
  CBstr m_oldNumber;
  CBstr m_newNumber;
  CBstr m_presentFile;
  int m_documentType;
};
