// Internal to the window system: how wide a text is in a control's font. Word wrap and
// hit tests use it, so that tests can predict where an edit breaks its lines.
//
// The measure is the drawing library's (GetTextExtentPoint32W in the control's font, with
// its fixed test metrics unless a display chose real fonts); a test can install another
// with SetTextMeasure.
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
