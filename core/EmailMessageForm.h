// The e-mail message before it is sent: To (one of the customer's addresses, or typed),
// CC, BCC, Subject, the message over ten rows and the attachment's name, on the shared
// data-entry form. Ten rows hold a message of the field's full length on the narrow screen,
// so none of it hides at the end of a row.
#pragma once

#include <memory>

#include "core/FieldForm.h"

class CEmailMessageForm {
 public:
  // Row indexes of the form.
  enum Row : int { kTo = 0, kCc = 1, kBcc = 2, kSubject = 3, kMessage = 4, kAttached = 14 };

  CEmailMessageForm(HINSTANCE resources, HWND parent, const CBstr& firstTo, const CBstr& cc, const CBstr& bcc,
                    const CBstr& secondTo, const CBstr& subject, const CBstr& message, const CBstr& attached);
  virtual ~CEmailMessageForm();
  // The form keeps the address of the To choices.
  CEmailMessageForm(const CEmailMessageForm&) = delete;
  CEmailMessageForm& operator=(const CEmailMessageForm&) = delete;

  // The choices of the To row: the non-empty To addresses, first then second. The
  // chosen To text becomes the last one added (empty when there is none).
  void BuildToChoices();
  // Runs the form; the form's end code. On 1 (accepted) or 2 (unchanged) To, CC, BCC,
  // Subject and Message are read back, the message's lines kept apart by line breaks.
  INT_PTR DoModal();

  const CBstr& GetTo() const { return m_to; }
  const CBstr& GetCc() const { return m_cc; }
  const CBstr& GetBcc() const { return m_bcc; }
  const CBstr& GetSubject() const { return m_subject; }
  const CBstr& GetMessage() const { return m_message; }
  const FieldChoiceList& ToChoices() const { return m_toChoices; }
  CFieldForm& Form() { return *m_form; }

 private:
  void AddRows();

  FieldChoiceList m_toChoices;
  std::unique_ptr<CFieldForm> m_form;
  CBstr m_firstTo;
  CBstr m_secondTo;
  CBstr m_cc;
  CBstr m_bcc;
  CBstr m_subject;
  CBstr m_message;
  CBstr m_attached;
  CBstr m_to;
};
