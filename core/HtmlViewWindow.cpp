#include "core/HtmlViewWindow.h"

#include "core/MessageBoxes.h"
#include "platform/htmlview/HtmlControl.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

HWND CreateHtmlViewWindow(HINSTANCE instance, HWND parent) {
  if (!InitHTMLControl(instance)) MessageBoxFromResource(parent, IDS_HTML_CONTROL_FAILED, 0);
  RECT client{};
  GetClientRect(parent, &client);
  return CreateWindowExW(0, DISPLAYCLASS, nullptr, WS_CHILD | WS_VISIBLE, client.left, client.top,
                         client.right - client.left, client.bottom - client.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHtmlViewControlId)), instance, nullptr);
}
