#include "document/DocumentHeader.h"

#include "core/Utilities.h"
#include "document/XmlDocument.h"

namespace {

CBstr RootText(CXmlDocument& doc, std::u16string_view name) {
  CBstr value;
  doc.GetRootAttribute(name, &value);
  return value;
}

}  // namespace

const char16_t* DocumentTypeWord(int type) {
  switch (type) {
    case kEstimate: return u"ESTIMATE";
    case kSalesReceipt: return u"SALESRECEIPT";
    case kPayment: return u"PAYMENT";
    case kSalesOrder: return u"SALESORDER";
    case kCreditMemo: return u"CREDITMEMO";
    case kMemorized: return u"MEMORIZED";
    default: return u"INVOICE";
  }
}

int ReadDocumentType(CXmlDocument& doc, bool writeMissing) {
  int type = GetDocumentTypeFromText(RootText(doc, u"DOCTYPE"));
  if (type != kOtherKind) return type;
  // Files written before the type word existed mark estimates with ESTIMATE="YES".
  type = RootText(doc, u"ESTIMATE").view() == u"YES" ? kEstimate : kInvoice;
  if (writeMissing) doc.SetRootAttribute(u"DOCTYPE", CBstr(DocumentTypeWord(type)));
  return type;
}

int ReadOriginalDocumentType(CXmlDocument& doc) {
  int type = GetDocumentTypeFromText(RootText(doc, u"ORIGINAL_DOCTYPE"));
  // A template always opens as a document of a real type.
  return type == kMemorized || type == kOtherKind ? kInvoice : type;
}

int ReadDocumentVersion(CXmlDocument& doc, HWND owner) {
  return ParseDocumentVersion(owner, RootText(doc, u"VERSION"));
}

int ReadDocumentStyle(CXmlDocument& doc) {
  CBstr text = RootText(doc, u"STYLE");
  if (text.IsEmpty()) return kDefaultDocumentStyle;
  int style = BstrToInt(text.view());
  // The style indexes the line-table layouts; a value no layout has takes the default.
  return style >= 0 && style <= kDefaultDocumentStyle ? style : kDefaultDocumentStyle;
}

bool FillMissingHeaderFields(CXmlDocument& doc) {
  bool wrote = false;
  if (RootText(doc, u"DATE").IsEmpty()) {
    CBstr date, dateQb;
    GetTodayDateTexts(date, dateQb);
    doc.SetRootAttribute(u"DATE", date);
    doc.SetRootAttribute(u"DATEQB", dateQb);
    CBstr due = date, dueQb = dateQb;
    GetFutureDateTexts(due, dueQb, BstrToInt(RootText(doc, u"TERMDAYS").view()));
    doc.SetRootAttribute(u"DUEDATE", due);
    doc.SetRootAttribute(u"DUEDATEQB", dueQb);
    wrote = true;
  }
  if (RootText(doc, u"LOGOWIDTH").IsEmpty()) {
    doc.SetRootAttribute(u"LOGOWIDTH", CBstr(kDefaultLogoSize));
    doc.SetRootAttribute(u"LOGOHEIGHT", CBstr(kDefaultLogoSize));
    wrote = true;
  }
  return wrote;
}

CDocumentFileHeader ApplyOlderFileRules(CXmlDocument& doc, HWND owner, bool openTemplateAsOriginal) {
  CDocumentFileHeader header;
  header.storedType = ReadDocumentType(doc, true);
  header.openType = header.storedType;
  header.version = ReadDocumentVersion(doc, owner);
  header.style = ReadDocumentStyle(doc);
  if (header.storedType == kMemorized) {
    header.openType = ReadOriginalDocumentType(doc);
    if (openTemplateAsOriginal) doc.SetRootAttribute(u"DOCTYPE", CBstr(DocumentTypeWord(header.openType)));
  }
  FillMissingHeaderFields(doc);
  return header;
}
