#include "document/StylesheetBuilder.h"

#include <initializer_list>

#include "core/CustomSettings.h"
#include "core/ResourceText.h"
#include "core/Utilities.h"
#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/base/Format.h"
#include "platform/module/Module.h"
#include "resources/resource_ids.h"

namespace {

// Customize rows (screen, printer) and caption rows the page uses.
struct RowPair {
  int screen;
  int printer;
};

class CStylesheetWriter {
 public:
  CStylesheetWriter(const CStylesheetSource& source, bool noLinks, int type, bool screenRows)
      : m_source(source),
        m_kind(type >= 0 && type <= 5 ? type : (source.type >= 0 && source.type <= 5 ? source.type : 0)),
        m_plain(noLinks || !source.showLinks),
        m_file(noLinks),
        m_screenRows(screenRows) {}

  std::u16string Build();

 private:
  bool Shown(RowPair rows) const {
    return m_source.settings->IsShown(m_kind, rows.screen, rows.printer, m_screenRows) != 0;
  }
  std::u16string Caption(int row) const { return EscapeXmlText(m_source.settings->GetCaption(m_kind, row)); }
  void String(UINT id) { m_out += LoadResText(id); }
  void Html(UINT id) { m_out += LoadHtmlResource(id); }
  // Fragment `id` with its arguments in place of its "%s" conversions. No fixed buffer:
  // a long caption is never cut, so the markup around it stays whole.
  void Format(UINT id, std::initializer_list<platform::FormatArg> args) {
    m_out += platform::FormatWide(LoadResText(id), args);
  }
  UINT Pick(UINT plain, UINT link) const { return m_plain ? plain : link; }

  void Head();
  void CompanyRows();
  void BillTo();
  void HeaderFields();
  void LineTable();
  void ChosenColumns();
  void Totals();
  void Closing();

  const CStylesheetSource& m_source;
  int m_kind;
  bool m_plain;
  bool m_file;
  bool m_screenRows;
  std::u16string m_out;
};

std::u16string CStylesheetWriter::Build() {
  m_out.reserve(16 * 1024);
  Head();
  CompanyRows();
  BillTo();
  HeaderFields();
  LineTable();
  Totals();
  Closing();
  return std::move(m_out);
}

void CStylesheetWriter::Head() {
  String(IDS_XSL_HEAD);
  String(IDS_XSL_PAGE_HEAD);
  if (Shown({6, 7})) Format(Pick(IDS_XSL_TITLE, IDS_XSL_TITLE_LINK), {Caption(0)});
}

void CStylesheetWriter::CompanyRows() {
  const bool box = Shown({67, 68});
  String(box ? IDS_XSL_BOX_RULE : IDS_XSL_BOX_GAP);
  m_out += u"<TR>";
  if (Shown({4, 5})) {
    if (m_file)
      String(IDS_XSL_LOGO_FILE);
    else
      String(m_source.showLinks ? IDS_XSL_LOGO_LINK : IDS_XSL_LOGO_SCREEN);
  }
  if (Shown({10, 11})) Format(Pick(IDS_XSL_NUMBER, IDS_XSL_NUMBER_LINK), {Caption(2)});
  String(IDS_XSL_ROW_END);
  String(box ? IDS_XSL_BOX_RULE : IDS_XSL_BOX_GAP);
  m_out += u"<TR>";
  if (Shown({0, 1})) String(Pick(IDS_XSL_COMPANY, IDS_XSL_COMPANY_LINK));
  if (Shown({8, 9})) Format(Pick(IDS_XSL_DATE, IDS_XSL_DATE_LINK), {Caption(1)});
  String(IDS_XSL_ROW_END);
  if (m_plain) {
    String(box ? IDS_XSL_BOX_END_RULE : IDS_XSL_BOX_END_GAP);
    String(IDS_XSL_HEADER_FIELDS);
  } else {
    String(IDS_XSL_HEADER_FIELDS_LINK);
  }
}

void CStylesheetWriter::BillTo() {
  if (!Shown({12, 13})) return;
  const std::u16string caption = Caption(3);
  if (m_plain) {
    if (m_source.tableAddressBlock) {
      m_out += platform::FormatWide(LoadHtmlResource(IDH_BILLTO_TABLE), {caption});
      return;
    }
    // The layout by what the customer has: the fragments read the texts themselves from
    // the document, so a stale choice still shows whatever is there.
    const bool company = !m_source.customerCompany.empty();
    const bool person = !m_source.customerPerson.empty();
    UINT id;
    if (!company && !person)
      id = m_source.customerHasAddress ? IDS_XSL_BILLTO_ADDRESS : IDS_XSL_BILLTO_EMPTY;
    else if (!m_source.businessAddress)
      id = IDS_XSL_BILLTO_HOME;
    else if (company)
      id = person ? IDS_XSL_BILLTO_COMPANY_PERSON : IDS_XSL_BILLTO_COMPANY;
    else
      id = IDS_XSL_BILLTO_PERSON;
    Format(id, {caption});
    return;
  }
  UINT id;
  if (m_source.version < 3)
    id = IDS_XSL_BILLTO_OLD_LINK;
  else if (m_source.tableAddressBlock)
    id = IDS_XSL_BILLTO_TABLE_LINK;
  else
    id = m_source.businessAddress ? IDS_XSL_BILLTO_BUSINESS_LINK : IDS_XSL_BILLTO_HOME_LINK;
  Format(id, {caption});
}

void CStylesheetWriter::HeaderFields() {
  struct Field {
    RowPair rows;
    UINT plain, link;
    UINT paymentPlain, paymentLink;  // 0: the same as the others
    int caption;
  };
  static const Field kFields[] = {
      {{14, 15}, IDS_XSL_SHIPTO, IDS_XSL_SHIPTO_LINK, 0, 0, 4},
      {{18, 19}, IDS_XSL_SHIPVIA, IDS_XSL_SHIPVIA_LINK, 0, 0, 11},
      {{16, 17}, IDS_XSL_SHIPDATE, IDS_XSL_SHIPDATE_LINK, 0, 0, 10},
      {{69, 70}, IDS_XSL_OTHER1, IDS_XSL_OTHER1_LINK, IDS_XSL_CARDNUM, IDS_XSL_CARDNUM_LINK, 32},
      {{71, 72}, IDS_XSL_OTHER2, IDS_XSL_OTHER2_LINK, IDS_XSL_CARDEXP, IDS_XSL_CARDEXP_LINK, 33},
      {{73, 74}, IDS_XSL_OTHER3, IDS_XSL_OTHER3_LINK, IDS_XSL_PAYAMOUNT, IDS_XSL_PAYAMOUNT_LINK, 34},
      {{20, 21}, IDS_XSL_PONUM, IDS_XSL_PONUM_LINK, 0, 0, 5},
      {{22, 23}, IDS_XSL_TERMS, IDS_XSL_TERMS_LINK, 0, 0, 6},
      {{44, 45}, IDS_XSL_PAYMENT, IDS_XSL_PAYMENT_LINK, 0, 0, 19},
      {{46, 47}, IDS_XSL_CHKNUM, IDS_XSL_CHKNUM_LINK, 0, 0, 20},
      {{30, 31}, IDS_XSL_JOB, IDS_XSL_JOB_LINK, 0, 0, 12},
      {{24, 25}, IDS_XSL_DUEDATE, IDS_XSL_DUEDATE_LINK, 0, 0, 7},
      {{26, 27}, IDS_XSL_REP, IDS_XSL_REP_LINK, 0, 0, 8},
  };
  bool rowOpen = false;
  for (const Field& field : kFields) {
    if (!Shown(field.rows)) continue;
    UINT id = Pick(field.plain, field.link);
    if (m_kind == 3 && field.paymentPlain) id = Pick(field.paymentPlain, field.paymentLink);
    if (!rowOpen) {
      m_out += u"<TR>";
      Format(id, {u"left", Caption(field.caption)});
    } else {
      Format(id, {u"right", Caption(field.caption)});
      m_out += u"</TR>";
    }
    rowOpen = !rowOpen;
  }
  // The section end closes one open row: the last row when it holds a left cell only,
  // else an empty row opened here, so the stylesheet stays well formed either way.
  if (!rowOpen) m_out += u"<TR>";
  String(Pick(IDS_XSL_SECTION_END, IDS_XSL_ROW_END));
}

void CStylesheetWriter::LineTable() {
  if (!m_source.showLineTo) return;
  const bool desc = m_source.useDescriptions;
  switch (m_source.styleCode) {
    case 0:
      m_plain ? String(desc ? IDS_XSL_LINES0_DESC : IDS_XSL_LINES0_NAME)
              : Html(desc ? IDH_LINES0_DESC_LINK : IDH_LINES0_NAME_LINK);
      break;
    case 1:
      m_plain ? String(desc ? IDS_XSL_LINES1_DESC : IDS_XSL_LINES1_NAME)
              : Html(desc ? IDH_LINES1_DESC_LINK : IDH_LINES1_NAME_LINK);
      break;
    case 2:
      m_plain ? String(desc ? IDS_XSL_LINES2_DESC : IDS_XSL_LINES2_NAME)
              : Html(desc ? IDH_LINES2_DESC_LINK : IDH_LINES2_NAME_LINK);
      break;
    case 4:
      ChosenColumns();
      break;
    default:
      m_plain ? String(desc ? IDS_XSL_LINES3_DESC : IDS_XSL_LINES3_NAME)
              : Html(desc ? IDH_LINES3_DESC_LINK : IDH_LINES3_NAME_LINK);
      break;
  }
  String(Pick(IDS_XSL_SECTION_END, IDS_XSL_ROW_END));
}

void CStylesheetWriter::ChosenColumns() {
  struct Column {
    RowPair rows;
    int caption;
    UINT link, plain;
    bool needsCaption;  // a custom column shows only with a caption
    bool figures;       // its cells are right-aligned figures, and so is its heading
  };
  // The service date and item name columns follow the same screen/printer pair as the
  // others, so the printed page matches the printed line rows.
  static const Column kColumns[] = {
      {{51, 52}, 23, IDH_CELL_SERVICED_LINK, IDH_CELL_SERVICED, false, false},
      {{53, 54}, 24, IDH_CELL_NAME_LINK, IDH_CELL_NAME, false, false},
      {{55, 56}, 25, IDH_CELL_DESCRIPTION_LINK, IDH_CELL_DESCRIPTION, false, false},
      {{57, 58}, 26, IDH_CELL_QUANTITY_LINK, IDH_CELL_QUANTITY, false, true},
      {{59, 60}, 27, IDH_CELL_PRICE_LINK, IDH_CELL_PRICE, false, true},
      {{63, 64}, 29, IDH_CELL_TAXABLE_LINK, IDH_CELL_TAXABLE, false, false},
      {{79, 80}, 37, IDH_CELL_CUSTOM1, IDH_CELL_CUSTOM1, true, false},
      {{81, 82}, 38, IDH_CELL_CUSTOM2, IDH_CELL_CUSTOM2, true, false},
      {{65, 66}, 30, IDH_CELL_TAX_AMOUNT, IDH_CELL_TAX_AMOUNT, false, true},
      {{61, 62}, 28, IDH_CELL_TOTAL, IDH_CELL_TOTAL, false, true},
  };
  auto shown = [&](const Column& column) {
    return Shown(column.rows) && (!column.needsCaption || !m_source.settings->GetCaption(m_kind, column.caption).empty());
  };
  String(Pick(IDS_XSL_COLUMNS_BEGIN, IDS_XSL_COLUMNS_BEGIN_LINK));
  for (const Column& column : kColumns)
    if (shown(column))
      Format(column.figures ? IDS_XSL_COLUMN_HEADER_FIGURES : IDS_XSL_COLUMN_HEADER, {Caption(column.caption)});
  // Each line's row stands in a table section of its own, so that a line is shown again,
  // put in or taken out of the page by itself.
  m_out += u"</TR><xsl:for-each select='$d/LINEITEM'><TBODY ID='AJIDR{@ID}'><TR>";
  for (const Column& column : kColumns)
    if (shown(column)) Html(m_plain ? column.plain : column.link);
  Html(IDH_COLUMNS_END);
}

void CStylesheetWriter::Totals() {
  String(IDS_XSL_TOTALS_BEGIN);
  if (Shown({32, 33})) Format(IDS_XSL_SUBTOTAL, {Caption(13)});
  if (m_source.useSalesTax && Shown({34, 35})) Format(Pick(IDS_XSL_TAX, IDS_XSL_TAX_LINK), {Caption(14)});
  if (Shown({36, 37})) Format(IDS_XSL_TOTAL, {Caption(15)});
  if (Shown({38, 39})) Format(IDS_XSL_TOTAL_QTY, {Caption(16)});
  String(IDS_XSL_TOTALS_END);
}

void CStylesheetWriter::Closing() {
  if (Shown({40, 41})) String(Pick(IDS_XSL_MESSAGE, IDS_XSL_MESSAGE_LINK));
  if (Shown({49, 50})) String(Pick(IDS_XSL_NOTES, IDS_XSL_NOTES_LINK));
  if (Shown({42, 43})) String(Pick(IDS_XSL_SIGNATURE, IDS_XSL_SIGNATURE_LINK));
  String(IDS_XSL_TAIL);
}

}  // namespace

std::u16string BuildStylesheetText(const CStylesheetSource& source, bool noLinks, int type, bool screenRows) {
  if (!source.settings) return {};
  return CStylesheetWriter(source, noLinks, type, screenRows).Build();
}

std::u16string LoadHtmlResource(UINT id) {
  HMODULE library = GetResourceInstance();
  if (!library) return {};
  HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(id), RT_HTML);
  if (!found) return {};
  HGLOBAL data = LoadResource(library, found);
  const char* bytes = static_cast<const char*>(LockResource(data));
  const DWORD size = SizeofResource(library, found);
  if (!bytes || size == 0) return {};
  const int chars = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
  if (chars <= 0) return {};
  std::u16string text(static_cast<size_t>(chars), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), text.data(), chars);
  return text;
}

bool WriteStylesheetTemplates(const CStylesheetSource& source, std::u16string_view folder) {
  struct Template {
    int type;
    const char16_t* name;
  };
  static const Template kTemplates[] = {
      {0, u"KTWInvoice.XSL"},    {1, u"KTWEstimate.XSL"}, {2, u"KTWSalesReceipt.XSL"},
      {4, u"KTWSalesOrder.XSL"}, {3, u"KTWPayment.XSL"},  {5, u"KTWCreditMemo.XSL"},
  };
  bool all = true;
  for (const Template& t : kTemplates) {
    std::u16string path(folder);
    path += t.name;
    if (!WriteAnsiTextFile(BuildStylesheetText(source, true, t.type, true), path)) all = false;
  }
  return all;
}
