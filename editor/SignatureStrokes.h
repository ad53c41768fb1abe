// The pen strokes of a signature as the signature bar collects them: at most 750 points,
// each kept as one x byte and one y byte divided by the screen's stroke scale, a y byte
// of 128 or more marking the first point of a stroke. In the document they travel as
// text: per point the x byte and then the y byte as two lower-case hex digits each.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/base/Geometry.h"
#include "platform/base/Win32Types.h"

class CSignatureStrokes {
 public:
  static constexpr int kMaxPoints = 750;
  static constexpr int kStrokeStart = 128;

  explicit CSignatureStrokes(int scale = 1) : m_scale(scale > 0 ? scale : 1) {}

  int Count() const { return m_count; }
  int Scale() const { return m_scale; }
  void Clear() { m_count = 0; }
  // Stores a screen point (divided by the scale, clamped to the bytes' range: a pen
  // dragged outside the bar neither wraps nor fakes a stroke start). False when full.
  bool Add(POINT point, bool startsStroke);
  // The stored point back in screen pixels.
  POINT At(int index) const;
  bool StartsStroke(int index) const { return m_y[index] >= kStrokeStart; }

  std::u16string ToText() const;
  // Replaces the points by those of `text`: either case, 4 characters a point, a pair
  // running past the end reads as 0, characters that are no hex digits are skipped.
  void FromText(std::u16string_view text);

 private:
  int m_scale;
  int m_count = 0;
  std::array<BYTE, kMaxPoints> m_x{};
  std::array<BYTE, kMaxPoints> m_y{};
};
