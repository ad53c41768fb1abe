// The signature written into the document (or taken out, for an empty stroke text).
#pragma once

#include <string>

#include "editor/DocumentCommand.h"

class CSignatureCommand : public CDocumentCommand {
 public:
  CSignatureCommand(CSalesDocument& document, std::u16string strokes);
  bool Do(bool isRedo) override;
  bool Undo() override;

 private:
  bool Write(const std::u16string& strokes, bool stamp);

  std::u16string m_strokes;
  std::u16string m_oldStrokes;
  CRootAttributeSnapshot m_oldStamp;
};
