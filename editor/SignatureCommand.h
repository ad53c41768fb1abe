// The signature written into the document (or taken out, for an empty stroke text). It
// cannot be undone: a signature vouches for the document as it stands, so no change made
// before it may be taken back after it, and a signed document that signing made read-only
// cannot be unsigned by Undo.
#pragma once

#include <string>

#include "editor/DocumentCommand.h"

class CSignatureCommand : public CDocumentCommand {
 public:
  CSignatureCommand(CSalesDocument& document, std::u16string strokes);
  bool Do(bool isRedo) override;

 private:
  std::u16string m_strokes;
  std::u16string m_oldStrokes;
};
