// The Report Options form: the date range of a report (a preset and the From and To
// dates) and, for the pick list, the document type; the last choices are remembered.
#pragma once

#include <memory>

#include "core/FieldForm.h"

class CReportOptionsForm {
 public:
  // Opens on the remembered choices ("Today" and "Sales Orders" the first time), From and
  // To filled from the preset. `withDocuments` adds the Documents row.
  CReportOptionsForm(HINSTANCE resources, HWND parent, bool withDocuments);
  virtual ~CReportOptionsForm();
  CReportOptionsForm(const CReportOptionsForm&) = delete;
  CReportOptionsForm& operator=(const CReportOptionsForm&) = delete;

  // The form's end code; 0 (cancelled) changes and stores nothing. Otherwise the preset
  // (and the document type) are remembered and From, To and the type read back.
  INT_PTR Run();

  const CBstr& GetFrom() const { return m_from; }
  const CBstr& GetTo() const { return m_to; }
  const CBstr& GetDocumentType() const { return m_documentType; }
  CFieldForm& Form() { return *m_form; }

 private:
  std::unique_ptr<CFieldForm> m_form;
  FieldChoiceList m_presets;
  FieldChoiceList m_documentTypes;
  bool m_withDocuments;
  CBstr m_from;
  CBstr m_to;
  CBstr m_documentType;
  CBstr m_datePreset;
};
