#include "editor/SignatureCommand.h"

#include "core/WaitCursor.h"
#include "document/SalesDocument.h"

CSignatureCommand::CSignatureCommand(CSalesDocument& document, std::u16string strokes)
    : CDocumentCommand(document, u"Signature", true),
      m_strokes(std::move(strokes)),
      m_oldStrokes(document.GetSignature().str()),
      m_oldStamp(document, {u"SIGNED"}) {}

bool CSignatureCommand::Write(const std::u16string& strokes, bool stamp) {
  CWaitCursorScope wait;
  bool written = Document().SetSignature(strokes, true, stamp && !strokes.empty(), false);
  Render(kRenderKeepPosition);
  return written;
}

bool CSignatureCommand::Do(bool) { return Write(m_strokes, true); }

bool CSignatureCommand::Undo() {
  bool written = Write(m_oldStrokes, false);
  m_oldStamp.Restore(Document());
  return written;
}
