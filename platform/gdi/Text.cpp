// Fonts and text: measuring and drawing lines, DrawTextW's layout, the two text profiles.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>

#include "platform/base/Base.h"
#include "platform/gdi/GdiInternal.h"

// After our own headers: glib defines TRUE and FALSE as macros.
#include <pango/pangocairo.h>

namespace platform::gdi {
namespace {

std::atomic<platform::TextProfile> g_profile{platform::TextProfile::Fixed};


int FixedAdvance(const Font& font) { return (font.PixelHeight() + 1) / 2; }

// One measuring context for the whole program; pango draws nothing on it.
cairo_t* MeasuringCairo() {
  static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
  static cairo_t* cr = cairo_create(surface);
  return cr;
}

struct LayoutDeleter {
  void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

// A pango layout of `utf8` in `font`; `emScale` shrinks the face (fixed-profile cells).
LayoutPtr MakeLayout(cairo_t* cr, const Font& font, const std::string& utf8, double emScale, bool crisp) {
  LayoutPtr layout(pango_cairo_create_layout(cr));
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, crisp ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout.get());

  std::u16string face(font.log.lfFaceName, std::find(std::begin(font.log.lfFaceName), std::end(font.log.lfFaceName), u'\0'));
  std::string families = (face.empty() ? std::string("Tahoma") : ToUtf8(face)) + ",DejaVu Sans,Sans";
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, families.c_str());
  double em = font.PixelHeight() * (font.log.lfHeight > 0 ? 0.83 : 1.0) * emScale;
  pango_font_description_set_absolute_size(desc, std::max(1.0, em) * PANGO_SCALE);
  LONG weight = font.log.lfWeight ? font.log.lfWeight : FW_NORMAL;
  pango_font_description_set_weight(desc, static_cast<PangoWeight>(std::clamp<LONG>(weight, 100, 1000)));
  if (font.log.lfItalic) pango_font_description_set_style(desc, PANGO_STYLE_ITALIC);
  pango_layout_set_font_description(layout.get(), desc);
  pango_font_description_free(desc);
  if (font.log.lfUnderline || font.log.lfStrikeOut) {
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.log.lfUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.log.lfStrikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout.get(), attrs);
    pango_attr_list_unref(attrs);
  }
  pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
  return layout;
}

void SetColor(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

}  // namespace

int Font::PixelHeight() const {
  LONG h = log.lfHeight < 0 ? -log.lfHeight : log.lfHeight;
  return h == 0 ? platform::SystemFontHeight() : static_cast<int>(std::min<LONG>(h, 1000));
}

TextLayout MeasureText(const Font& font, std::u16string_view text) {
  TextLayout out;
  out.ends.resize(text.size());
  if (g_profile == platform::TextProfile::Fixed) {
    int advance = FixedAdvance(font);
    int x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      x += advance;
      out.ends[i] = x;
    }
    out.width = x;
    out.height = font.PixelHeight();
    out.ascent = out.height * 4 / 5;
    return out;
  }
  // UTF-8 byte offset where each UTF-16 unit's character starts.
  std::string utf8;
  std::vector<int> starts(text.size() + 1, 0);
  for (size_t i = 0; i < text.size(); ++i) {
    starts[i] = static_cast<int>(utf8.size());
    if (platform::IsLowSurrogate(text[i])) continue;
    size_t n = (platform::IsHighSurrogate(text[i]) && i + 1 < text.size()) ? 2 : 1;
    utf8 += ToUtf8(text.substr(i, n));
  }
  starts[text.size()] = static_cast<int>(utf8.size());
  LayoutPtr layout = MakeLayout(MeasuringCairo(), font, utf8, 1.0, false);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
  out.width = logical.width;
  out.height = std::max(logical.height, 1);
  out.ascent = pango_layout_get_baseline(layout.get()) / PANGO_SCALE;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t next = i + 1;
    while (next < text.size() && platform::IsLowSurrogate(text[next])) ++next;
    if (next >= text.size()) {
      out.ends[i] = out.width;
      continue;
    }
    PangoRectangle pos;
    pango_layout_index_to_pos(layout.get(), starts[next], &pos);
    out.ends[i] = static_cast<int>(std::lround(pos.x / static_cast<double>(PANGO_SCALE)));
  }
  return out;
}

void PaintText(cairo_t* cr, const Font& font, int x, int y, std::u16string_view text, COLORREF color) {
  SetColor(cr, color);
  if (g_profile == platform::TextProfile::Display) {
    LayoutPtr layout = MakeLayout(cr, font, ToUtf8(text), 1.0, false);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout.get());
    return;
  }
  // Fixed cells: each character is drawn inside its own cell and never outside it.
  int advance = FixedAdvance(font), height = font.PixelHeight();
  for (size_t i = 0; i < text.size(); ++i) {
    if (platform::IsLowSurrogate(text[i]) || text[i] == u' ') continue;
    size_t n = (platform::IsHighSurrogate(text[i]) && i + 1 < text.size()) ? 2 : 1;
    LayoutPtr layout = MakeLayout(cr, font, ToUtf8(text.substr(i, n)), 0.8, true);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    int cellX = x + advance * static_cast<int>(i);
    cairo_save(cr);
    cairo_rectangle(cr, cellX, y, advance, height);
    cairo_clip(cr);
    cairo_move_to(cr, cellX + (advance - logical.width) / 2, y + (height - logical.height) / 2);
    pango_cairo_show_layout(cr, layout.get());
    cairo_restore(cr);
  }
  if (font.log.lfUnderline) {
    cairo_rectangle(cr, x, y + height * 4 / 5 + 1, advance * static_cast<double>(text.size()), 1);
    cairo_fill(cr);
  }
}

Font& CurrentFont(Dc& dc) {
  if (Font* f = FindFont(dc.font)) return *f;
  return *FindFont(GetStockObject(SYSTEM_FONT));
}

void ResetText() { g_profile = platform::TextProfile::Fixed; }

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

// One line of text with its background (when opaque) at (x, y).
void DrawOneLine(Dc& dc, cairo_t* cr, int x, int y, std::u16string_view text) {
  Font& font = CurrentFont(dc);
  if (dc.bkMode == OPAQUE) {
    TextLayout m = MeasureText(font, text);
    cairo_rectangle(cr, x, y, m.width, m.height);
    SetColor(cr, dc.bkColor);
    cairo_fill(cr);
  }
  PaintText(cr, font, x, y, text, dc.textColor);
}

// Removes the '&' that marks an underlined letter; "&&" stands for one '&'.
std::u16string StripPrefixes(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'&') {
      out += text[i];
    } else if (i + 1 < text.size()) {
      out += text[++i];
    }
  }
  return out;
}

std::u16string ExpandTabs(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c != u'\t') {
      out += c;
      continue;
    }
    size_t column = out.size() - (out.find_last_of(u'\n') == std::u16string::npos ? 0 : out.find_last_of(u'\n') + 1);
    out.append(8 - column % 8, u' ');
  }
  return out;
}

std::vector<std::u16string> SplitParagraphs(std::u16string_view text) {
  std::vector<std::u16string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

int Width(const Font& font, std::u16string_view text) { return MeasureText(font, text).width; }

// The height of an empty line in the font, kept with the font's metrics.
int EmptyLineHeight(const Font& font) {
  const platform::TextProfile profile = g_profile;
  const int pixelHeight = font.PixelHeight();
  auto& kept = font.emptyLineHeight;
  if (!kept || kept->profile != profile || kept->pixelHeight != pixelHeight)
    kept = Font::Kept<int>{profile, pixelHeight, MeasureText(font, u"").height};
  return kept->value;
}

// How many units of `word` (wider than `width`) go on a line: as many as fit, at least
// one character, a surrogate pair kept whole; after the last "\\" among them when there
// is one, so a path breaks between its folders.
size_t FittingPart(const Font& font, std::u16string_view word, int width) {
  const TextLayout m = MeasureText(font, word);
  size_t n = 0;
  while (n < word.size() && m.ends[n] <= width) ++n;
  if (n > 0 && n < word.size() && platform::IsLowSurrogate(word[n]) && platform::IsHighSurrogate(word[n - 1])) --n;
  if (n == 0) n = word.size() > 1 && platform::IsHighSurrogate(word[0]) && platform::IsLowSurrogate(word[1]) ? 2 : 1;
  const size_t slash = word.substr(0, n).rfind(u'\\');
  if (slash != std::u16string_view::npos && slash > 0 && slash + 1 < n) n = slash + 1;
  return n;
}

// Greedy wrapping at blanks; a word wider than the line stands alone on its line, or, with
// `breakWords` (an edit control's way), is broken where the line ends.
void WrapInto(const Font& font, const std::u16string& paragraph, int width, bool breakWords,
              std::vector<std::u16string>& lines) {
  size_t start = 0;
  while (true) {
    while (start < paragraph.size() && paragraph[start] == u' ' && start > 0) ++start;
    if (start >= paragraph.size()) {
      if (start == 0) lines.emplace_back();
      return;
    }
    size_t end = start, lastFit = std::u16string::npos;
    bool firstTooWide = false;
    while (end <= paragraph.size()) {
      if (end == paragraph.size() || paragraph[end] == u' ') {
        const bool fits = Width(font, std::u16string_view(paragraph).substr(start, end - start)) <= width;
        if (fits || lastFit == std::u16string::npos) {
          firstTooWide = !fits;
          lastFit = end;
        } else {
          break;
        }
        if (end == paragraph.size()) break;
      }
      ++end;
    }
    if (breakWords && firstTooWide) {
      const size_t part = FittingPart(font, std::u16string_view(paragraph).substr(start, lastFit - start), width);
      lines.push_back(paragraph.substr(start, part));
      start += part;
      continue;
    }
    lines.push_back(paragraph.substr(start, lastFit - start));
    if (lastFit >= paragraph.size()) return;
    start = lastFit + 1;
  }
}

// The longest beginning of the line that fits `width` with "..." after it (none at all
// when nothing does), or the whole line when it fits; `shown` receives the width of what
// is returned. The line is measured once and the cut guessed from where its characters
// end; the guess is then checked with the "..." and moved a character at a time while it
// is wrong. A surrogate pair is never cut.
std::u16string WithEllipsis(const Font& font, std::u16string line, int width, int& shown) {
  const TextLayout whole = MeasureText(font, line);
  shown = whole.width;
  if (whole.width <= width) return line;
  const int dots = Width(font, u"...");
  auto endsHere = [&line](size_t k) {
    return k == 0 || k >= line.size() || !platform::IsLowSurrogate(line[k]) || !platform::IsHighSurrogate(line[k - 1]);
  };
  std::vector<int> measured(line.size() + 1, -1);
  auto widthWithDots = [&](size_t k) {
    if (measured[k] < 0) measured[k] = Width(font, line.substr(0, k) + u"...");
    return measured[k];
  };
  auto fits = [&](size_t k) { return widthWithDots(k) <= width; };
  size_t cut = 0;
  for (size_t i = 0; i < line.size(); ++i)
    if (endsHere(i + 1) && whole.ends[i] + dots <= width) cut = i + 1;
  if (fits(cut)) {
    for (;;) {
      size_t next = cut + 1;
      if (!endsHere(next)) ++next;
      if (next >= line.size() || !fits(next)) break;
      cut = next;
    }
  } else {
    while (cut > 0) {
      --cut;
      if (!endsHere(cut)) --cut;
      if (fits(cut)) break;
    }
  }
  shown = widthWithDots(cut);
  return line.substr(0, cut) + u"...";
}

}  // namespace

HFONT CreateFontIndirectW(const LOGFONTW* log) {
  if (!log) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard lock(Lock());
  auto font = std::make_unique<Font>();
  font->log = *log;
  font->log.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(Add(std::move(font)));
}

BOOL GetTextMetricsW(HDC handle, TEXTMETRICW* metrics) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || !metrics) return FALSE;
  Font& font = CurrentFont(*dc);
  const platform::TextProfile profile = g_profile;
  const int pixelHeight = font.PixelHeight();
  if (font.measured && font.measured->profile == profile && font.measured->pixelHeight == pixelHeight) {
    *metrics = font.measured->value;
    return TRUE;
  }
  TextLayout m = MeasureText(font, u"x");
  TextLayout wide = MeasureText(font, u"W");
  *metrics = TEXTMETRICW{};
  metrics->tmHeight = m.height;
  metrics->tmAscent = m.ascent;
  metrics->tmDescent = m.height - m.ascent;
  metrics->tmAveCharWidth = m.width;
  metrics->tmMaxCharWidth = std::max(m.width, wide.width);
  metrics->tmWeight = font.log.lfWeight ? font.log.lfWeight : FW_NORMAL;
  metrics->tmItalic = font.log.lfItalic;
  metrics->tmUnderlined = font.log.lfUnderline;
  metrics->tmStruckOut = font.log.lfStrikeOut;
  font.measured = Font::Kept<TEXTMETRICW>{profile, pixelHeight, *metrics};
  return TRUE;
}

BOOL GetTextExtentExPointW(HDC handle, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || count < 0 || (count > 0 && !text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TextLayout m = MeasureText(CurrentFont(*dc), std::u16string_view(text ? text : u"", static_cast<size_t>(count)));
  if (fit) {
    int n = 0;
    while (n < count && m.ends[static_cast<size_t>(n)] <= maxExtent) ++n;
    *fit = n;
  }
  if (dx) std::copy(m.ends.begin(), m.ends.end(), dx);
  if (size) *size = SIZE{m.width, m.height};
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size) {
  return GetTextExtentExPointW(dc, text, count, 0, nullptr, nullptr, size);
}

BOOL ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || (count > 0 && !text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Canvas canvas(*dc);
  if (!canvas.Ok()) return FALSE;
  cairo_t* cr = canvas.Cr();
  if (rect && (options & ETO_OPAQUE)) {
    cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    SetColor(cr, dc->bkColor);
    cairo_fill(cr);
  }
  if (rect && (options & ETO_CLIPPED)) {
    cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    cairo_clip(cr);
  }
  std::u16string_view line(text ? text : u"", count);
  if (!dx) {
    DrawOneLine(*dc, cr, x, y, line);
    return TRUE;
  }
  // Caller-given spacing: each character at its own position.
  int at = x;
  for (size_t i = 0; i < line.size(); ++i) {
    DrawOneLine(*dc, cr, at, y, line.substr(i, 1));
    at += dx[i];
  }
  return TRUE;
}

int DrawTextW(HDC handle, LPCWSTR text, int count, LPRECT rect, UINT format) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc || !rect || (!text && count != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string all(text ? std::u16string_view(text, count < 0 ? platform::WideLength(text) : static_cast<size_t>(count))
                          : std::u16string_view());
  if (!(format & DT_NOPREFIX)) all = StripPrefixes(all);
  if (format & DT_EXPANDTABS) all = ExpandTabs(all);
  Font& font = CurrentFont(*dc);
  int width = rect->right - rect->left;

  std::vector<std::u16string> lines;
  if (format & DT_SINGLELINE) {
    std::u16string one;
    for (char16_t c : all)
      if (c != u'\r' && c != u'\n') one += c;
    lines.push_back(one);
  } else {
    for (const std::u16string& paragraph : SplitParagraphs(all)) {
      if (format & DT_WORDBREAK)
        WrapInto(font, paragraph, width, (format & DT_EDITCONTROL) != 0, lines);
      else
        lines.push_back(paragraph);
    }
  }
  // Each line's width once measured, or -1.
  std::vector<int> widths(lines.size(), -1);
  if (format & DT_END_ELLIPSIS)
    for (size_t i = 0; i < lines.size(); ++i) lines[i] = WithEllipsis(font, lines[i], width, widths[i]);
  auto widthOf = [&](size_t i) {
    if (widths[i] < 0) widths[i] = Width(font, lines[i]);
    return widths[i];
  };

  int lineHeight = EmptyLineHeight(font);
  int total = lineHeight * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (size_t i = 0; i < lines.size(); ++i) widest = std::max(widest, widthOf(i));
    // The box becomes as wide as the widest line, narrower or wider than it was.
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }

  int top = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (format & DT_BOTTOM) top = rect->bottom - lineHeight;
  }
  Canvas canvas(*dc);
  if (!canvas.Ok()) return 0;
  cairo_t* cr = canvas.Cr();
  if (!(format & DT_NOCLIP)) {
    cairo_rectangle(cr, rect->left, rect->top, width, rect->bottom - rect->top);
    cairo_clip(cr);
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (width - widthOf(i)) / 2;
    else if (format & DT_RIGHT) x = rect->right - widthOf(i);
    DrawOneLine(*dc, cr, x, top + lineHeight * static_cast<int>(i), lines[i]);
  }
  return total;
}

namespace platform {

void SetTextProfile(TextProfile profile) { g_profile = profile; }
TextProfile GetTextProfile() { return g_profile; }

}  // namespace platform

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SLATEWAY_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(SLATEWAY_ADDRESS_SANITIZER)
// fontconfig keeps the font caches pango asked for until the process ends; the leak
// checker is told not to count them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
