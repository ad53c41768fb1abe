// What the commands that change the open sales document share: the document they were
// built for, text equality as the user's locale sees it, and an exact record of the root
// attributes a command changes, so that Undo gives back the document as it was (an
// attribute that was absent is absent again) whatever the setters also touched.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "document/DocumentServices.h"
#include "document/EditCommand.h"
#include "platform/base/Bstr.h"

class CSalesDocument;

// Compares as the user's locale does, case included; null and empty texts are equal.
bool EditTextEquals(const CBstr& a, const CBstr& b);

// The values of some root attributes at one moment (absent ones remembered as absent).
class CRootAttributeSnapshot {
 public:
  CRootAttributeSnapshot() = default;
  CRootAttributeSnapshot(CSalesDocument& document, std::vector<std::u16string> names);
  // Writes every value back; an attribute absent when taken is removed. Marks the
  // document modified.
  void Restore(CSalesDocument& document) const;

 private:
  std::vector<std::pair<std::u16string, std::optional<CBstr>>> m_values;
};

// A command over the one open document. The document is not owned: the program empties
// the document history whenever the open document is replaced, so no command outlives
// the document it was built for.
class CDocumentCommand : public CEditCommand {
 public:
  CDocumentCommand(CSalesDocument& document, LPCWSTR name, bool undoable)
      : CEditCommand(name), m_document(document), m_undoable(undoable) {}
  bool CanUndo() const override { return m_undoable; }
  bool CanRedo() const override { return m_undoable; }

 protected:
  CSalesDocument& Document() const { return m_document; }
  // Shows the document again (nothing when it has no view).
  void Render(RenderMode mode) const;
  // Shows the lines and totals changed since the page was shown, in place where it can.
  void ShowChanges(RenderMode mode) const;

 private:
  CSalesDocument& m_document;
  bool m_undoable;
};
