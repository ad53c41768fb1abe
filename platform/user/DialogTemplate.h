// Internal to the window system: DIALOG and DIALOGEX templates read into plain values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

namespace platform::user {

// A class or menu given either as a text or as an ordinal.
struct NameOrOrdinal {
  std::u16string text;
  WORD ordinal = 0;  // nonzero when given as an ordinal
  bool Empty() const { return text.empty() && ordinal == 0; }
};

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  NameOrOrdinal cls;
  NameOrOrdinal title;
  std::vector<std::uint8_t> creationData;
};

struct DialogTemplate {
  bool extended = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal cls;
  std::u16string title;
  WORD pointSize = 0;
  std::u16string fontName;
  std::vector<DialogItem> items;
};

// Reads the template in the `size` bytes at `data`; nothing when it is damaged.
std::optional<DialogTemplate> ParseDialogTemplate(const std::uint8_t* data, size_t size);

// The control class of a predefined ordinal (0x80 "BUTTON" ... 0x85 "COMBOBOX").
std::u16string PredefinedClassName(WORD ordinal);

}  // namespace platform::user
