// Where a row of pixels starts in a bitmap's memory: the one rule every reader and writer
// of pixels follows, for DIB sections (bottom-up unless their height is negative) and for
// cairo image surfaces and the pictures copied into them (always top-down).
#pragma once

#include <cstddef>

namespace platform {

// How the rows of a bitmap follow each other in memory.
enum class RowOrder { TopDown, BottomUp };

// The first byte of row `y` (0 is the top row as shown) of `height` rows lying `stride`
// bytes apart in `order`; `height` matters only bottom-up. Keeps the constness of `bits`.
template <typename Byte>
constexpr Byte* RowStart(Byte* bits, size_t stride, int y, RowOrder order = RowOrder::TopDown, int height = 0) {
  const int row = order == RowOrder::TopDown ? y : height - 1 - y;
  return bits + static_cast<size_t>(row) * stride;
}

}  // namespace platform
