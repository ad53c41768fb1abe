// The input panel's keyboard: a shell window drawn in the panel's rectangle while the panel
// is up. A tap on a key types into the focused control exactly as the device's keyboard
// would (the key messages go through the focused window's queue); the panel never takes
// activation or the focus. Raised and lowered by SipShowIM, SHSipPreference,
// SPI_SETSIPINFO and the input-panel button of the menu bar.
//
// Five rows of keys: digits, three rows of letters with shift and backspace, and a row with
// the layer key, "@", "-", space, ",", "." and enter. The layer key swaps the letters for
// signs ("!@#$%&*()+", "/:;'\"?=_\~", tab and "<>[]{}|"). Shift makes the next letter a
// capital; tapped again it locks until a third tap.
#pragma once

#include <optional>

#include "platform/base/Win32Types.h"
#include "platform/user/Window.h"

namespace platform {

// The panel's keys that type no sign of their own.
enum class PanelKey { Shift, Backspace, Enter, Space, Tab, Layer };

// ---- For tests -------------------------------------------------------------------------------
// The middle of a key of the layer showing now, in screen coordinates: the key that types
// `c` (a letter matches either case; space, backspace, CR and tab are their keys), or the
// key `key`. Empty while the panel is down or when the layer showing has no such key.
std::optional<POINT> InputPanelKeyAt(WCHAR c);
std::optional<POINT> InputPanelKeyAt(PanelKey key);
// The panel's window while the panel is up, else null.
HWND InputPanelWindow();

}  // namespace platform
