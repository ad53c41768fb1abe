// The page geometry of one document print job on the graphic engine: page size, header
// band, the two columns of header fields, the item table's columns, page breaks, word
// wrap and where totals, message and notes go. It reads the current print position from
// the engine and starts new pages itself. Lengths are inches, font sizes points.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/printing/PrintEngines.h"

class CCompanyInfo;
class CCustomSettings;

// Text sizes ("PrintTextSize") and the uses of a point size.
enum PrintFontUse { kPrintTitle = 0, kPrintBody = 1, kPrintNotes = 2, kPrintItems = 3 };

struct CPrintLayoutArgs {
  CPrinterCE* engine = nullptr;  // not owned
  int style = 4;                 // 0 Products, 1 Services, 2 Products & Service, 3 Professional, 4 Custom
  bool paperType0 = false;
  std::u16string_view customerMessage;
  std::u16string_view notes;  // with CR LF line ends
  int printerId = 5;
  bool skipPageSetup = false;
  std::u16string_view logoPath;         // empty: no logo
  const CCompanyInfo* company = nullptr;  // not owned; may be null
  bool signatureFlag = false;
  bool hasSignature = false;
  const CCustomSettings* settings = nullptr;  // not owned; needed for the custom style
  int kind = 0;
  int textSize = 2;
};

class CPrintLayout {
 public:
  struct Column {
    float left = 0;
    float right = 0;
    // Where a left-aligned cell's text starts: a little in from `left` after a column whose
    // text ends at its right edge, so the two never touch.
    float textLeft = 0;
    std::u16string heading;
    bool rightAligned = false;
    bool wraps = false;
    bool taxMark = false;
  };

  // Reads the page metrics and works out the band, the columns, the logo's size and the
  // bottom limit; sets the body font on the engine.
  explicit CPrintLayout(const CPrintLayoutArgs& args);

  static float PointSize(int textSize, PrintFontUse use);
  static float LineFactor(int textSize);
  static float SignatureWidth(int textSize);
  static float SignatureHeight(int textSize) { return SignatureWidth(textSize) * (5.0f / 12.0f); }
  // The item columns' base widths in percent, before they are made to add up to 100.
  static std::vector<float> BaseWidths(int style, const CCustomSettings* settings, int kind);

  float GetPageWidth() const { return m_pageWidth; }
  float GetPageHeight() const { return m_pageHeight; }
  bool IsNarrow() const { return m_narrow; }
  int GetPageCount() const { return m_pageCount; }
  float GetRowHeight() const { return m_rowHeight; }
  float GetLineHeight() const { return m_lineHeight; }
  float GetBottomLimit() const { return m_bottomLimit; }
  int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
  // The column's bounds and heading; null past the last column.
  const Column* GetColumn(int index) const;
  int GetTextSize() const { return m_textSize; }

  // ---- Header band ------------------------------------------------------------------------
  float GetBandHeight() const { return m_bandHeight; }
  float GetBandTop() const { return m_bandTop; }
  void SetBandTop(float y) { m_bandTop = y; }
  float GetLogoWidth() const { return m_logoWidth; }
  float GetLogoHeight() const { return m_logoHeight; }
  bool HasLogo() const { return m_logoWidth > 0 && m_logoHeight > 0; }
  bool IsFirstPageOnly() const { return m_firstPageOnly; }

  // ---- Header fields ----------------------------------------------------------------------
  // A new copy: the field counter and both columns start again below the band.
  void ResetFields();
  // A right-aligned field: label and value x at the right edge.
  void PlaceRightAligned(float labelWidth, float valueWidth, float* labelX, float* valueX) const;
  // The next two-column field of the given widths: where its label and value go and its
  // top; `height` is what it takes in its column.
  void PlaceField(float labelWidth, float valueWidth, float height, float* labelX, float* valueX, float* y);
  // The top of the column headings: below the current position and both field columns,
  // so they never overlap the taller one.
  float HeadingTop() const;

  // ---- Pages, rows and blocks -------------------------------------------------------------
  void NewPage();
  // Between blocks: the y to draw at, on a new page when the page is nearly full.
  float NextLine();
  // The signature picture and the line under it, `height` high: below the next line, on
  // a new page when they would run past the bottom.
  float SignatureTop(float height);
  // What the signature block takes: the next-line gap, the picture, the signed line.
  float SignatureBlockHeight() const;
  // A row of the item table: its cells' top (a new page when the row would not fit).
  float StartRow();
  // A further line of wrapped cells, `height` high: its top, on a new page when needed.
  float ContinuationTop(float height);
  // The rule under the items (y) and where the first totals row goes.
  float PlaceItemRule();
  float FirstTotalsTop() const { return m_firstTotalsTop; }
  // Each further totals row, `height` high.
  float NextTotalsTop(float height);
  // A block of `lines` lines (customer message, notes): its top.
  float TextBlockTop(int lines);

  // ---- Text -------------------------------------------------------------------------------
  // Takes the first line that fits `width` off `text` (the rest stays in `text`) into
  // `line`. False for an empty text. See the .cpp for the breaking rules.
  bool WrapLine(std::u16string& text, float width, bool breakAtCr, std::u16string& line) const;
  // The lines a text takes at the page width.
  int CountLines(std::u16string_view text, bool breakAtCr) const;

 private:
  float CurrentY() const;
  void BuildColumns(const CPrintLayoutArgs& args);
  void SizeLogo(std::u16string_view path);

  CPrinterCE* m_engine;  // not owned
  int m_style;
  bool m_paperType0;
  int m_printerId;
  int m_fieldCounter = 0;
  float m_leftY = 0;
  float m_rightY = 0;
  float m_bandHeight = 0;
  float m_rowHeight = 0.25f;
  float m_bottomLimit = 0;
  float m_firstTotalsTop = 0;
  int m_textSize;
  bool m_narrow = false;
  float m_pageWidth = 0;
  float m_pageHeight = 0;
  float m_topMargin = 0;
  float m_leftMargin = 0;
  float m_lineHeight = 0.25f;
  float m_bandTop = 0;
  int m_pageCount = 1;
  bool m_firstPageOnly = false;
  float m_logoWidth = 0;
  float m_logoHeight = 0;
  std::vector<Column> m_columns;
};
