#include "devices/PrintLayout.h"

#include <algorithm>
#include <numeric>

#include "core/CompanyInfo.h"
#include "core/CustomSettings.h"
#include "core/ImageFile.h"
#include "datastore/LineItemRow.h"
#include "platform/user/Paint.h"

namespace {

// Point sizes by text size (rows) and use (title, body, notes, items).
constexpr float kPointSizes[5][4] = {{12, 8, 6, 7}, {16, 8, 8, 8}, {22, 12, 12, 12}, {24, 14, 14, 14}, {26, 16, 16, 16}};
constexpr float kLineFactors[5] = {0.35f, 0.85f, 1.0f, 1.25f, 1.5f};
constexpr float kSignatureWidths[5] = {1.0f, 2.0f, 2.5f, 2.75f, 3.0f};

int ClampSize(int textSize) { return std::clamp(textSize, 0, 4); }

struct FixedColumn {
  const char16_t* heading;
  float width;
  bool rightAligned;
};
constexpr FixedColumn kFixedColumns[4][4] = {
    {{u"Description", 48, false}, {u"Qty", 12, true}, {u"Price", 20, true}, {u"Amount", 20, true}},
    {{u"Description", 48, false}, {u"Qty", 12, true}, {u"Rate", 20, true}, {u"Amount", 20, true}},
    {{u"Description", 48, false}, {u"Qty", 12, true}, {u"Amount", 20, true}, {u"Total", 20, true}},
    {{u"Description", 80, false}, {u"Amount", 20, true}, {nullptr, 0, false}, {nullptr, 0, false}},
};

// The custom style's columns in their packing order: flag row, caption row, base width.
struct CustomColumn {
  int flagRow;
  int captionRow;
  float width;
};
constexpr CustomColumn kCustomColumns[] = {
    {kShowServiceDateRow, 23, 10}, {kShowNameRow, 24, 20},    {kShowDescriptionRow, 25, 35},
    {kShowQuantityRow, 26, 10},    {kShowPriceRow, 27, 10},   {kShowCustom1Row, 37, 10},
    {kShowCustom2Row, 38, 10},     {kShowTotalRow, 28, 15},   {kShowTaxableRow, 29, 10},
    {kShowTaxAmountRow, 30, 10},
};

// The room kept between a right-aligned cell and the left-aligned text beside it.
constexpr float kCellGap = 0.0625f;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// The company lines as the band prints them, each split at CR LF.
std::vector<std::u16string> CompanyLines(const CCompanyInfo* company) {
  std::vector<std::u16string> lines;
  if (!company) return lines;
  auto add = [&lines](const std::u16string& text) {
    size_t start = 0;
    for (;;) {
      size_t end = text.find(u"\r\n", start);
      lines.push_back(text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start));
      if (end == std::u16string::npos) break;
      start = end + 2;
    }
  };
  add(company->GetName());
  if (company->GetUserName() != company->GetName()) add(company->GetUserName());
  add(company->GetAddress1());
  add(company->GetAddress2());
  add(company->GetAddress3());
  std::u16string last = company->GetPhone();
  if (!company->GetEMail().empty()) last += (last.empty() ? u"" : u"  ") + company->GetEMail();
  add(last);
  return lines;
}

}  // namespace

float CPrintLayout::PointSize(int textSize, PrintFontUse use) { return kPointSizes[ClampSize(textSize)][use]; }
float CPrintLayout::LineFactor(int textSize) { return kLineFactors[ClampSize(textSize)]; }
float CPrintLayout::SignatureWidth(int textSize) { return kSignatureWidths[ClampSize(textSize)]; }

std::vector<float> CPrintLayout::BaseWidths(int style, const CCustomSettings* settings, int kind) {
  std::vector<float> widths;
  if (style >= 0 && style <= 3) {
    for (const FixedColumn& column : kFixedColumns[style])
      if (column.heading) widths.push_back(column.width);
    return widths;
  }
  if (!settings) return widths;
  bool item = settings->GetFlag(kind, kShowNameRow) != 0;
  bool description = settings->GetFlag(kind, kShowDescriptionRow) != 0;
  for (const CustomColumn& column : kCustomColumns) {
    if (!settings->GetFlag(kind, column.flagRow)) continue;
    float width = column.width;
    if (column.flagRow == kShowNameRow && !description) width = 55;
    if (column.flagRow == kShowDescriptionRow && !item) width = 55;
    widths.push_back(width);
  }
  return widths;
}

CPrintLayout::CPrintLayout(const CPrintLayoutArgs& args)
    : m_engine(args.engine), m_style(args.style), m_paperType0(args.paperType0), m_printerId(args.printerId),
      m_textSize(ClampSize(args.textSize)) {
  m_engine->SetFontSize(PointSize(m_textSize, kPrintBody));
  m_engine->GetPageWidth(&m_pageWidth);
  m_engine->GetPageHeight(&m_pageHeight);
  m_engine->GetTopMargin(&m_topMargin);
  m_engine->GetLeftMargin(&m_leftMargin);
  m_narrow = m_pageWidth < 3.0f;
  BuildColumns(args);

  float companyHeight = 0;
  for (const std::u16string& line : CompanyLines(args.company)) {
    float height = 0;
    m_engine->GetTextHeight(line, &height);
    companyHeight += height;
  }
  float minimum = (m_pageWidth > 6.0f && m_textSize >= 2) ? 1.0f : 0.75f;
  m_bandHeight = std::max(companyHeight + 0.125f, minimum);
  if (!args.logoPath.empty()) SizeLogo(args.logoPath);

  m_firstPageOnly = m_printerId == 6 || m_printerId == 7;
  if (m_printerId == 18 && !args.skipPageSetup && !m_paperType0) {
    m_engine->SetTopOffset(0);
    m_engine->SetLeftOffset(0.5f);
  }
  int lines = CountLines(args.customerMessage, false) + CountLines(args.notes, true) + 5;
  // The signature's room is what it really takes (its gap, the picture and the signed
  // line), so totals, notes and signature end on the same page.
  float signature = (args.signatureFlag || args.hasSignature) ? SignatureBlockHeight() : 0.0f;
  m_bottomLimit = m_pageHeight - lines * m_lineHeight - signature;
}

void CPrintLayout::BuildColumns(const CPrintLayoutArgs& args) {
  std::vector<float> widths = BaseWidths(m_style, args.settings, args.kind);
  if (widths.empty()) return;
  // The widths are made to span the page exactly, in floating point.
  float sum = std::accumulate(widths.begin(), widths.end(), 0.0f);
  float share = (100.0f - sum) / static_cast<float>(widths.size());
  float left = 0;
  size_t customIndex = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    Column column;
    column.left = m_pageWidth * left / 100.0f;
    left += widths[i] + share;
    column.right = i + 1 == widths.size() ? m_pageWidth : m_pageWidth * left / 100.0f;
    if (m_style <= 3) {
      const FixedColumn& fixed = kFixedColumns[m_style][i];
      column.heading = fixed.heading;
      column.rightAligned = fixed.rightAligned;
      column.wraps = i == 0;
      // The amount column carries the taxable mark.
      column.taxMark = i + 1 == widths.size();
    } else {
      while (!args.settings->GetFlag(args.kind, kCustomColumns[customIndex].flagRow)) ++customIndex;
      const CustomColumn& custom = kCustomColumns[customIndex++];
      column.heading = args.settings->GetCaption(args.kind, custom.captionRow);
      // A custom value is the item's own text of any length: it wraps inside its column
      // like the name, rather than running into the next one.
      const bool customValue = custom.flagRow == kShowCustom1Row || custom.flagRow == kShowCustom2Row;
      bool textColumn = custom.flagRow == kShowServiceDateRow || custom.flagRow == kShowNameRow ||
                        custom.flagRow == kShowDescriptionRow || customValue;
      column.rightAligned = !textColumn;
      column.wraps = custom.flagRow == kShowNameRow || custom.flagRow == kShowDescriptionRow || customValue;
      column.taxMark = custom.flagRow == kShowTotalRow;
    }
    column.textLeft = column.left;
    if (!column.rightAligned && !m_columns.empty() && m_columns.back().rightAligned) column.textLeft += kCellGap;
    m_columns.push_back(column);
  }
}

void CPrintLayout::SizeLogo(std::u16string_view path) {
  CWindowDC screen(nullptr);
  CImageFile image(true);
  std::u16string file(path);
  if (!image.Load(screen.get(), file.c_str(), 512, 512) || !image.IsLoaded()) return;
  float ppi = static_cast<float>(GetDeviceCaps(screen.get(), LOGPIXELSX));
  if (ppi <= 0) ppi = 96;
  m_logoWidth = image.GetWidth() / ppi;
  m_logoHeight = image.GetHeight() / ppi;
  float widest = 0.2f * m_pageWidth;
  if (m_logoWidth > widest) {
    m_logoHeight *= widest / m_logoWidth;
    m_logoWidth = widest;
  }
  if (m_logoHeight + 0.125f > m_bandHeight) {
    m_logoWidth *= m_bandHeight / m_logoHeight;
    m_logoHeight = m_bandHeight;
    m_bandHeight += 0.125f;
  }
}

const CPrintLayout::Column* CPrintLayout::GetColumn(int index) const {
  if (index < 0 || index >= GetColumnCount()) return nullptr;
  return &m_columns[static_cast<size_t>(index)];
}

float CPrintLayout::CurrentY() const {
  float y = 0;
  m_engine->GetCurrentY(&y);
  return y;
}

void CPrintLayout::ResetFields() {
  m_fieldCounter = 0;
  m_leftY = 0;
  m_rightY = 0;
}

void CPrintLayout::PlaceRightAligned(float labelWidth, float valueWidth, float* labelX, float* valueX) const {
  *labelX = m_pageWidth - labelWidth - valueWidth - 0.0625f;
  *valueX = m_pageWidth - valueWidth - 0.0625f;
}

void CPrintLayout::PlaceField(float labelWidth, float valueWidth, float height, float* labelX, float* valueX,
                              float* y) {
  float fieldsTop = m_bandTop + m_bandHeight + 0.125f;
  bool left = m_narrow || m_fieldCounter % 2 == 0;
  ++m_fieldCounter;
  if (left) {
    *labelX = 0;
    *valueX = labelWidth;
    *y = fieldsTop + m_leftY;
    m_leftY += height;
  } else {
    PlaceRightAligned(labelWidth, valueWidth, labelX, valueX);
    *y = fieldsTop + m_rightY;
    m_rightY += height;
  }
}

float CPrintLayout::HeadingTop() const {
  float fieldsTop = m_bandTop + m_bandHeight + 0.125f;
  float lowest = std::max({CurrentY(), fieldsTop + m_leftY, fieldsTop + m_rightY});
  return lowest + m_rowHeight + 0.0625f;
}

void CPrintLayout::NewPage() {
  m_engine->NewPage();
  ++m_pageCount;
}

float CPrintLayout::NextLine() {
  float y = CurrentY();
  if (y + 1.0f >= m_pageHeight) {
    NewPage();
    y = 0;
  }
  return y + LineFactor(m_textSize) + 0.0625f;
}

float CPrintLayout::StartRow() {
  float rowY = CurrentY() + 0.0625f;
  float top = rowY + 0.0625f;
  if (top + m_rowHeight >= m_pageHeight) {
    NewPage();
    top = 0;
  }
  return top;
}

float CPrintLayout::SignatureBlockHeight() const {
  return LineFactor(m_textSize) + 0.0625f + SignatureHeight(m_textSize) + m_lineHeight;
}

float CPrintLayout::SignatureTop(float height) {
  float y = NextLine();
  if (y + height > m_pageHeight) {
    NewPage();
    y = 0;
  }
  return y;
}

float CPrintLayout::ContinuationTop(float height) {
  float y = CurrentY();
  if (y + height >= m_pageHeight) {
    NewPage();
    y = 0;
  }
  return y;
}

float CPrintLayout::PlaceItemRule() {
  float y = CurrentY();
  bool sheet = !m_paperType0 && !(m_firstPageOnly && m_pageCount > 1);
  if (!sheet) {
    m_firstTotalsTop = y + 0.25f;
    return y + 0.125f;
  }
  float rule = m_bottomLimit - 0.25f;
  if (y > rule) {
    NewPage();
    rule = 0;
    m_bottomLimit = 0.25f;
    y = 0;
  }
  m_firstTotalsTop = std::max(m_bottomLimit, y);
  return rule;
}

float CPrintLayout::NextTotalsTop(float height) {
  float y = CurrentY() + 0.0625f;
  if (y + height >= m_pageHeight) {
    NewPage();
    y = 0;
  }
  return y;
}

float CPrintLayout::TextBlockTop(int lines) {
  float y = CurrentY() + 0.25f;
  if (y + lines * m_lineHeight >= m_pageHeight) {
    NewPage();
    y = m_paperType0 ? 0.25f : 0.0f;
  }
  return y;
}

// The line grows a character at a time while it stays narrower than `width`. With
// `breakAtCr` a CR ends the line (an LF after it is skipped) and such a line counts even
// when empty. Past the width the line ends at its last blank (dropped) or, without one,
// after the character that reached the width (a blank that reaches it is the break
// itself); the rest then loses its leading blanks. A surrogate pair is one character: a
// line never ends between its halves.
//
// The widths of the line's beginnings come from one measure of the text, taken in pieces
// that double, so a line costs what it holds and not what follows it.
bool CPrintLayout::WrapLine(std::u16string& text, float width, bool breakAtCr, std::u16string& line) const {
  line.clear();
  if (text.empty()) return false;
  const std::u16string_view all(text);
  std::vector<float> widths;
  auto measureThrough = [&](size_t i) {
    if (i < widths.size()) return;
    size_t n = std::min(all.size(), std::max<size_t>(64, widths.size() * 2));
    if (n < all.size() && platform::IsHighSurrogate(all[n - 1])) ++n;
    m_engine->GetTextPrefixWidths(all.substr(0, n), &widths);
  };
  size_t i = 0;
  while (i < all.size()) {
    const char16_t c = all[i];
    if (breakAtCr && c == u'\r') {
      line.assign(all.substr(0, i));
      ++i;
      if (i < all.size() && all[i] == u'\n') ++i;
      text.erase(0, i);
      return true;
    }
    const size_t units = platform::IsHighSurrogate(c) && i + 1 < all.size() && platform::IsLowSurrogate(all[i + 1]) ? 2 : 1;
    measureThrough(i);
    if (widths[i] < width) {
      i += units;
      continue;
    }
    // A blank that no longer fits is itself the break.
    size_t restStart;
    if (IsBlank(c)) {
      line.assign(all.substr(0, i));
      restStart = i + 1;
    } else if (size_t blank = all.substr(0, i).find_last_of(u" \t"); blank != std::u16string_view::npos) {
      line.assign(all.substr(0, blank));
      restStart = blank + 1;
    } else {
      line.assign(all.substr(0, i + units));
      restStart = i + units;
    }
    while (restStart < all.size() && IsBlank(all[restStart])) ++restStart;
    text.erase(0, restStart);
    return true;
  }
  line = std::move(text);
  text.clear();
  return true;
}

int CPrintLayout::CountLines(std::u16string_view text, bool breakAtCr) const {
  std::u16string rest(text);
  std::u16string line;
  int count = 0;
  while (WrapLine(rest, m_pageWidth, breakAtCr, line)) ++count;
  return count;
}
