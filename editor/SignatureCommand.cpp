#include "editor/SignatureCommand.h"

#include "core/WaitCursor.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "platform/user/Controls.h"

CSignatureCommand::CSignatureCommand(CSalesDocument& document, std::u16string strokes)
    : CDocumentCommand(document, u"Signature Change", false),
      m_strokes(std::move(strokes)),
      m_oldStrokes(document.GetSignature().str()) {}

bool CSignatureCommand::Do(bool) {
  if (m_strokes == m_oldStrokes) return true;
  {
    CWaitCursorScope wait;
    // Whatever part of the writing failed (the picture, the save of a document that
    // signing makes read-only), the strokes are in the document now.
    Document().SetSignature(m_strokes, {.rebuild = true, .stamp = true});
    Render(RenderMode::KeepPosition);
  }
  // The signature block sits low on the page: the view moves on to it.
  if (auto* view = dynamic_cast<CHtmlView*>(Document().GetView()))
    SendMessageW(view->GetControl(), WM_VSCROLL, SB_PAGEDOWN, 0);
  return true;
}
