// What the Customize dialog edits for one document type: seven pages of rows, each row
// tied to a caption and a pair of show flags (screen, printer) of the custom settings,
// and how the edited rows go back into the settings and the open document.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "customers/FieldGridModel.h"

class CCustomSettings;
class CSalesDocument;

struct CustomizeRowSpec {
  // Which document types a row applies to.
  enum Applies { kAll, kNotPayment, kReceiptPaymentMemo, kInvoiceEstimateOrder, kNotPaymentOrMemo };
  const char16_t* label;
  int kind;
  DWORD flags;  // without the applies flag, which depends on the type
  Applies applies;
  int captionRow;  // -1: no caption
  int screenRow;   // the printer row follows it
  // Which custom field name a choice list offers (1-3 customer, 4-5 item 1-2), 0 none.
  int choice;
};

struct CustomizePageSpec {
  const char16_t* tab;
  std::span<const CustomizeRowSpec> rows;
};

class CCustomizeLayout {
 public:
  static constexpr int kPageCount = 7;
  static constexpr int kColumnsPage = 3;
  static constexpr int kCustomStyle = 4;

  static const std::array<CustomizePageSpec, kPageCount>& Pages();
  static DWORD RowFlags(const CustomizeRowSpec& row, int docType);
  // The page to open first: a stored index outside the pages opens the first page, so
  // that a page is always shown and a valid index is stored again on close.
  static int FirstPage(DWORD stored);
  // The title of the dialog for a document type.
  static const char16_t* Title(int docType);

  // `customerFields` and `itemFields` are the custom field names (as many as exist).
  CCustomizeLayout(CCustomSettings& settings, CSalesDocument* document, int docType,
                   std::vector<std::u16string> customerFields, std::vector<std::u16string> itemFields);

  int DocType() const { return m_docType; }
  // Fills a page's rows from the settings.
  void FillPage(int page, CFieldGridModel& model) const;
  // The choices of a row: its caption, then the custom field name when it differs.
  std::vector<std::u16string> Choices(const CustomizeRowSpec& row, const std::u16string& caption) const;
  // Writes every page's rows into the settings and the document, then saves the settings
  // and the preferences it changed as one registry write. False when the save failed.
  bool Apply(const std::array<const CFieldGridModel*, kPageCount>& pages);

 private:
  CCustomSettings& m_settings;
  CSalesDocument* m_document;
  int m_docType;
  std::vector<std::u16string> m_customerFields;
  std::vector<std::u16string> m_itemFields;
};
