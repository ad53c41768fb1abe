// The small box shown while a scanner or card reader starts: a line of text and a
// progress bar advanced after each step. Gone when the object goes.
#pragma once

#include "platform/base/Win32Types.h"

class CDeviceBox {
 public:
  // `steps` is how many times Step will be called.
  CDeviceBox(HWND parent, LPCWSTR text, int steps);
  ~CDeviceBox();
  CDeviceBox(const CDeviceBox&) = delete;
  CDeviceBox& operator=(const CDeviceBox&) = delete;

  void Step();
  HWND GetWindow() const { return m_window; }

 private:
  HWND m_window = nullptr;
};
