#include "platform/user/TextMeasure.h"

#include <atomic>

#include "platform/user/Screen.h"

namespace platform::user {

namespace {

int Scale() { return (platform::ScreenWidth() >= 480 || platform::ScreenHeight() >= 480) ? 2 : 1; }

class FixedMeasure final : public TextMeasure {
 public:
  int Width(HFONT, std::u16string_view text) override { return static_cast<int>(text.size()) * 6 * Scale(); }
  int LineHeight(HFONT) override { return 13 * Scale(); }
};

FixedMeasure g_fixed;
std::atomic<TextMeasure*> g_measure{nullptr};

TextMeasure& Current() {
  TextMeasure* m = g_measure.load();
  return m ? *m : g_fixed;
}

}  // namespace

void SetTextMeasure(TextMeasure* measure) { g_measure = measure; }
int TextWidth(HFONT font, std::u16string_view text) { return Current().Width(font, text); }
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
