// Choosing the document's customer: an undoable command that puts the chosen record into
// the document and gives back the customer it replaced on Undo.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/DocumentCommand.h"

class CCustomerRecord;

class CSelectCustomerCommand : public CDocumentCommand {
 public:
  // Takes the chosen record.
  CSelectCustomerCommand(CSalesDocument& document, std::unique_ptr<CCustomerRecord> chosen);
  ~CSelectCustomerCommand() override;

  bool Do(bool isRedo) override;
  bool Undo() override;

  const CCustomerRecord& Chosen() const { return *m_chosen; }

 private:
  std::unique_ptr<CCustomerRecord> m_chosen;
  std::unique_ptr<CCustomerRecord> m_previous;  // taken by the first Do
  // The elements the customer block held before (taken with m_previous): Undo writes the
  // previous customer whole, then drops the empty elements it did not have.
  std::vector<std::u16string> m_previousElements;
};
