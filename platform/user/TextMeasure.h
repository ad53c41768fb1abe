// Internal to the window system: how wide a text is in a control's font. Word wrap and
// hit tests use it, so that tests can predict where an edit breaks its lines.
//
// Until a drawing library measures text, the measure is a fixed one: every character is
// 6 pixels wide and a line is 13 pixels high (twice that on screens of 480 pixels and
// more). A drawing library installs its own with SetTextMeasure.
#pragma once

#include <string_view>

#include "platform/base/Win32Types.h"

namespace platform::user {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // Width in pixels of `text` drawn in `font` (null: the system font).
  virtual int Width(HFONT font, std::u16string_view text) = 0;
  virtual int LineHeight(HFONT font) = 0;
};

// Installs `measure` (not owned; null restores the fixed measure).
void SetTextMeasure(TextMeasure* measure);
int TextWidth(HFONT font, std::u16string_view text);
int TextLineHeight(HFONT font);
// How many characters of `text` fit in `width` pixels (at least 0).
size_t CharsThatFit(HFONT font, std::u16string_view text, int width);

}  // namespace platform::user
