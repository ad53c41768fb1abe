#include "platform/user/TextMeasure.h"

#include <atomic>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"

namespace platform::user {

namespace {

// Measures in a memory context of the screen with the font selected.
class GdiMeasure final : public TextMeasure {
 public:
  int Width(HFONT font, std::u16string_view text) override {
    SIZE size{};
    Measure(font, text, &size, nullptr);
    return size.cx;
  }
  int LineHeight(HFONT font) override {
    TEXTMETRICW metrics{};
    Measure(font, {}, nullptr, &metrics);
    return metrics.tmHeight > 0 ? metrics.tmHeight : 12;
  }

 private:
  static void Measure(HFONT font, std::u16string_view text, SIZE* size, TEXTMETRICW* metrics) {
    CMemoryDC dc = CMemoryDC::CompatibleWith(nullptr);
    if (!dc) return;
    CSelectObjectScope selected(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    if (size) GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), size);
    if (metrics) GetTextMetricsW(dc.get(), metrics);
  }
};

GdiMeasure g_gdi;
std::atomic<TextMeasure*> g_measure{nullptr};

TextMeasure& Current() {
  TextMeasure* m = g_measure.load();
  return m ? *m : g_gdi;
}

}  // namespace

void SetTextMeasure(TextMeasure* measure) { g_measure = measure; }
int TextWidth(HFONT font, std::u16string_view text) { return text.empty() ? 0 : Current().Width(font, text); }
int TextLineHeight(HFONT font) { return Current().LineHeight(font); }

size_t CharsThatFit(HFONT font, std::u16string_view text, int width) {
  // Widths grow with the length, so the longest fitting prefix is found by halving.
  size_t lo = 0;
  size_t hi = text.size();
  while (lo < hi) {
    size_t mid = (lo + hi + 1) / 2;
    if (TextWidth(font, text.substr(0, mid)) <= width) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

}  // namespace platform::user
