// The page's drawing container: what litehtml asks of the device (fonts, text widths,
// text, shapes, pictures, clips, the screen's features), answered with pango and cairo.
#include "platform/htmlview/HtmlPage.h"

#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>

namespace platform::htmlview {

namespace {

constexpr int kDefaultFontSize = 12;
// The widest one word may take on the page. A page is shrunk to fit its widest line, so a
// word of thousands of letters without a space would shrink it to nothing; such a word is
// shortened on the page, with an ellipsis, to a handheld screen's width instead.
constexpr int kWidestWord = 240;

void SetColor(cairo_t* cr, const litehtml::web_color& c) {
  cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void Rect(cairo_t* cr, const litehtml::position& p) { cairo_rectangle(cr, p.x, p.y, p.width, p.height); }


}  // namespace

// A font: pango's description, the decoration litehtml asks for, its metrics, and the
// widths of the words measured so far (pages repeat the same words many times), and the
// layouts of the words drawn so far: a page is painted again after every change, and
// shaping a word costs far more than drawing it.
struct HtmlPage::Font {
  // A layout is shaped for the context it was made on: it is kept for contexts that draw
  // the same way (the same kind of surface, scale and smoothing).
  struct Drawn {
    PangoLayout* layout = nullptr;
    bool smooth = true;
    cairo_surface_type_t surface = CAIRO_SURFACE_TYPE_IMAGE;
    double xx = 1, yx = 0, xy = 0, yy = 1;
    static Drawn On(cairo_t* cr, bool smooth) {
      cairo_matrix_t m;
      cairo_get_matrix(cr, &m);
      return {nullptr, smooth, cairo_surface_get_type(cairo_get_target(cr)), m.xx, m.yx, m.xy, m.yy};
    }
    bool DrawsLike(const Drawn& other) const {
      return smooth == other.smooth && surface == other.surface && xx == other.xx && yx == other.yx &&
             xy == other.xy && yy == other.yy;
    }
  };
  // Enough for the words of a few screens; past it the layouts are made anew.
  static constexpr size_t kMostDrawn = 4096;

  PangoFontDescription* description = nullptr;
  unsigned decoration = 0;
  int ascent = 0;
  int descent = 0;
  int underlinePosition = 0;
  std::unordered_map<std::string, int> widths;
  std::unordered_map<std::string, Drawn> drawn;
  void ForgetDrawn() {
    for (auto& [text, entry] : drawn) g_object_unref(entry.layout);
    drawn.clear();
  }
  ~Font() {
    ForgetDrawn();
    pango_font_description_free(description);
  }
};

// ---- Fonts and text ----------------------------------------------------------------------------

litehtml::uint_ptr HtmlPage::create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                         litehtml::font_style italic, unsigned int decoration,
                                         litehtml::font_metrics* fm) {
  auto font = std::make_unique<Font>();
  std::string families = faceName ? faceName : "";
  std::replace(families.begin(), families.end(), '\'', ' ');
  std::replace(families.begin(), families.end(), '"', ' ');
  // Whatever the page names, the faces of this device follow.
  families += ",DejaVu Sans";
  font->description = pango_font_description_new();
  pango_font_description_set_family(font->description, families.c_str());
  pango_font_description_set_absolute_size(font->description, std::max(1, size) * PANGO_SCALE);
  pango_font_description_set_weight(font->description, static_cast<PangoWeight>(std::clamp(weight, 100, 1000)));
  if (italic == litehtml::fontStyleItalic) pango_font_description_set_style(font->description, PANGO_STYLE_ITALIC);
  font->decoration = decoration;

  PangoContext* context = pango_cairo_create_context(m_measure);
  PangoFontMetrics* metrics = pango_context_get_metrics(context, font->description, nullptr);
  font->ascent = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(metrics));
  font->descent = PANGO_PIXELS_CEIL(pango_font_metrics_get_descent(metrics));
  font->underlinePosition = std::max(1, -PANGO_PIXELS(pango_font_metrics_get_underline_position(metrics)));
  pango_font_metrics_unref(metrics);
  g_object_unref(context);
  if (fm) {
    fm->ascent = font->ascent;
    fm->descent = font->descent;
    fm->height = font->ascent + font->descent;
    fm->x_height = std::max(1, font->ascent / 2);
    fm->draw_spaces = (decoration & (litehtml::font_decoration_underline | litehtml::font_decoration_linethrough)) != 0;
  }
  return reinterpret_cast<litehtml::uint_ptr>(font.release());
}

void HtmlPage::delete_font(litehtml::uint_ptr hFont) { delete reinterpret_cast<Font*>(hFont); }

namespace {
PangoLayout* MakeLayout(cairo_t* cr, PangoFontDescription* description, const char* text, bool smooth) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout);
  pango_layout_set_font_description(layout, description);
  pango_layout_set_text(layout, text, -1);
  return layout;
}
}  // namespace

int HtmlPage::text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) {
  Font* font = reinterpret_cast<Font*>(hFont);
  if (!font || !text || !*text) return 0;
  auto [it, fresh] = font->widths.try_emplace(text, 0);
  if (fresh) {
    PangoLayout* layout = MakeLayout(m_measure, font->description, text, m_smoothText);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    it->second = std::min(logical.width, kWidestWord);
  }
  return it->second;
}

void HtmlPage::draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                         litehtml::web_color color, const litehtml::position& pos) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  Font* font = reinterpret_cast<Font*>(hFont);
  if (!cr || !font || !text) return;
  Font::Drawn wanted = Font::Drawn::On(cr, m_smoothText);
  auto found = font->drawn.find(text);
  if (found != font->drawn.end() && !found->second.DrawsLike(wanted)) {
    g_object_unref(found->second.layout);
    font->drawn.erase(found);
    found = font->drawn.end();
  }
  if (found == font->drawn.end()) {
    if (font->drawn.size() >= Font::kMostDrawn) font->ForgetDrawn();
    wanted.layout = MakeLayout(cr, font->description, text, m_smoothText);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(wanted.layout, nullptr, &logical);
    if (logical.width > kWidestWord) {
      pango_layout_set_width(wanted.layout, kWidestWord * PANGO_SCALE);
      pango_layout_set_ellipsize(wanted.layout, PANGO_ELLIPSIZE_END);
    }
    found = font->drawn.emplace(text, wanted).first;
  }
  PangoLayout* layout = found->second.layout;
  int baseline = pango_layout_get_baseline(layout) / PANGO_SCALE;
  int top = pos.y + font->ascent - baseline;
  SetColor(cr, color);
  cairo_move_to(cr, pos.x, top);
  pango_cairo_show_layout(cr, layout);
  int lineY = -1;
  if (font->decoration & litehtml::font_decoration_underline) lineY = pos.y + font->ascent + font->underlinePosition;
  if (font->decoration & litehtml::font_decoration_linethrough) lineY = pos.y + font->ascent * 2 / 3;
  if (font->decoration & litehtml::font_decoration_overline) lineY = pos.y;
  if (lineY >= 0) {
    cairo_rectangle(cr, pos.x, lineY, text_width(text, hFont), 1);
    cairo_fill(cr);
  }
}

int HtmlPage::pt_to_px(int pt) const { return pt * 96 / 72; }
int HtmlPage::get_default_font_size() const { return kDefaultFontSize; }
const litehtml::tchar_t* HtmlPage::get_default_font_name() const { return "DejaVu Sans"; }

void HtmlPage::transform_text(litehtml::tstring& text, litehtml::text_transform tt) {
  gchar* changed = nullptr;
  if (tt == litehtml::text_transform_uppercase) changed = g_utf8_strup(text.c_str(), -1);
  if (tt == litehtml::text_transform_lowercase) changed = g_utf8_strdown(text.c_str(), -1);
  if (tt == litehtml::text_transform_capitalize && !text.empty()) {
    text[0] = g_ascii_toupper(text[0]);
    return;
  }
  if (changed) {
    text = changed;
    g_free(changed);
  }
}

// ---- Shapes and pictures -------------------------------------------------------------------------

void HtmlPage::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  if (!cr || marker.marker_type == litehtml::list_style_type_none) return;
  SetColor(cr, marker.color);
  const litehtml::position& p = marker.pos;
  if (marker.marker_type == litehtml::list_style_type_square) {
    Rect(cr, p);
    cairo_fill(cr);
    return;
  }
  cairo_arc(cr, p.x + p.width / 2.0, p.y + p.height / 2.0, std::max(1, p.width / 2) * 1.0, 0, 2 * M_PI);
  if (marker.marker_type == litehtml::list_style_type_circle)
    cairo_stroke(cr);
  else
    cairo_fill(cr);
}

void HtmlPage::load_image(const litehtml::tchar_t* src, const litehtml::tchar_t*, bool) {
  if (!src || !*src) return;
  if (m_pictures.try_emplace(src).second) m_pictureOrder.emplace_back(src);
}

void HtmlPage::get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t*, litehtml::size& sz) {
  sz.width = sz.height = 0;
  if (!src) return;
  auto it = m_pictures.find(src);
  if (it == m_pictures.end() || !it->second.surface) return;
  sz.width = cairo_image_surface_get_width(it->second.surface);
  sz.height = cairo_image_surface_get_height(it->second.surface);
}

void HtmlPage::draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  if (!cr) return;
  cairo_save(cr);
  Rect(cr, bg.clip_box);
  cairo_clip(cr);
  if (bg.color.alpha > 0) {
    SetColor(cr, bg.color);
    cairo_paint(cr);
  }
  auto it = bg.image.empty() ? m_pictures.end() : m_pictures.find(bg.image);
  if (it != m_pictures.end() && it->second.surface && bg.image_size.width > 0 && bg.image_size.height > 0) {
    cairo_surface_t* s = it->second.surface;
    double sx = bg.image_size.width / static_cast<double>(cairo_image_surface_get_width(s));
    double sy = bg.image_size.height / static_cast<double>(cairo_image_surface_get_height(s));
    cairo_translate(cr, bg.position_x, bg.position_y);
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    if (bg.repeat == litehtml::background_repeat_no_repeat) {
      cairo_rectangle(cr, 0, 0, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s));
      cairo_fill(cr);
    } else {
      cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_REPEAT);
      cairo_paint(cr);
    }
  }
  cairo_restore(cr);
}

void HtmlPage::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& b, const litehtml::position& p, bool) {
  cairo_t* cr = reinterpret_cast<cairo_t*>(hdc);
  if (!cr) return;
  auto side = [&](const litehtml::border& border, double x, double y, double w, double h) {
    if (border.width <= 0 || border.style == litehtml::border_style_none ||
        border.style == litehtml::border_style_hidden)
      return;
    SetColor(cr, border.color);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
  };
  side(b.top, p.x, p.y, p.width, b.top.width);
  side(b.bottom, p.x, p.bottom() - b.bottom.width, p.width, b.bottom.width);
  side(b.left, p.x, p.y, b.left.width, p.height);
  side(b.right, p.right() - b.right.width, p.y, b.right.width, p.height);
}

void HtmlPage::set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool valid_x, bool valid_y) {
  if (!m_drawing) return;
  cairo_save(m_drawing);
  ++m_clipDepth;
  double x = valid_x ? pos.x : -1e6, w = valid_x ? pos.width : 2e6;
  double y = valid_y ? pos.y : -1e6, h = valid_y ? pos.height : 2e6;
  cairo_rectangle(m_drawing, x, y, w, h);
  cairo_clip(m_drawing);
}

void HtmlPage::del_clip() {
  if (!m_drawing || m_clipDepth == 0) return;
  cairo_restore(m_drawing);
  --m_clipDepth;
}

void HtmlPage::get_client_rect(litehtml::position& client) const {
  client = litehtml::position(0, 0, std::max(1, m_layoutWidth), 320);
}

void HtmlPage::get_media_features(litehtml::media_features& media) const {
  media.type = litehtml::media_type_screen;
  media.width = media.device_width = std::max(1, m_layoutWidth);
  media.height = media.device_height = 320;
  media.color = 8;
  media.color_index = 0;
  media.monochrome = 0;
  media.resolution = 96;
}

void HtmlPage::get_language(litehtml::tstring& language, litehtml::tstring& culture) const {
  language = "en";
  culture.clear();
}

}  // namespace platform::htmlview

