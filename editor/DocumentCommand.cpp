#include "editor/DocumentCommand.h"

#include "document/SalesDocument.h"
#include "platform/locale/Locale.h"

bool EditTextEquals(const CBstr& a, const CBstr& b) {
  if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() && b.IsEmpty();
  return CompareStringW(LOCALE_USER_DEFAULT, 0, a.c_str(), static_cast<int>(a.Length()), b.c_str(),
                        static_cast<int>(b.Length())) == CSTR_EQUAL;
}

CRootAttributeSnapshot::CRootAttributeSnapshot(CSalesDocument& document, std::vector<std::u16string> names) {
  for (auto& name : names) {
    CBstr value;
    if (document.GetXmlDocument().GetRootAttribute(name, &value))
      m_values.emplace_back(std::move(name), std::move(value));
    else
      m_values.emplace_back(std::move(name), std::nullopt);
  }
}

void CRootAttributeSnapshot::Restore(CSalesDocument& document) const {
  CXmlDocument& xml = document.GetXmlDocument();
  for (const auto& [name, value] : m_values) {
    if (value)
      xml.SetRootAttribute(name, *value);
    else
      xml.RemoveRootAttribute(name);
  }
  document.SetModified(true);
}

void CDocumentCommand::Render(RenderMode mode) const { m_document.Render(mode); }
void CDocumentCommand::ShowChanges(RenderMode mode) const { m_document.ShowChanges(mode); }
