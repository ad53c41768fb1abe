// What the document benchmarks share: the skeleton of an empty invoice, lists in which "Tax"
// is the one taxable code, a scratch device root for the run with the build's language
// library installed and loaded as the program loads it, and a window to hold a page.
#pragma once

#include <string_view>

#include "ScratchDevice.h"
#include "core/CustomSettings.h"
#include "document/DocumentServices.h"
#include "document/DocumentStartup.h"
#include "document/HtmlView.h"
#include "platform/base/Bstr.h"
#include "platform/user/Window.h"

namespace bench {

inline constexpr char kInvoiceSkeleton[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"1\"><COMPANY/><SHIPTO/><CUSTOMER/><JOB/>"
    "<TOTALS><SUBTOTAL/><TAX/><TOTAL/></TOTALS></SALESDOCUMENT>";

class TaxLists : public IDocumentLists {
 public:
  bool IsTaxable(int, std::u16string_view code) override { return code == u"Tax"; }
  double GetLevelFactor(std::u16string_view) override { return 0; }
  bool GetSalesTaxRate(std::u16string_view, CBstr&) override { return false; }
  bool GetTermDays(std::u16string_view, int&) override { return false; }
  bool GetRepFullName(std::u16string_view, CBstr&) override { return false; }
};

// A window the size of the handheld's screen (240x320) to hold a page; destroyed by the caller.
inline HWND ScreenSizedWindow() {
  WNDCLASSW wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"BenchEditor";
  RegisterClassW(&wc);
  return CreateWindowExW(0, u"BenchEditor", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr,
                         nullptr);
}

// The program's document services over TaxLists with the page of the display, in a scratch
// device with the language library, and a screen-sized window to hold a page.
struct PageSetup {
  // The one set-up of a benchmark program, made at its first use.
  static PageSetup& Shared() {
    static PageSetup setup;
    return setup;
  }
  PageSetup() {
    CDocumentServiceHooks hooks;
    hooks.lists = &lists;
    hooks.viewFactory = MakeHtmlViewFactory(nullptr);
    InstallDocumentServices(hooks);
    editor = ScreenSizedWindow();
  }
  ~PageSetup() {
    DestroyWindow(editor);
    RemoveDocumentServices();
  }
  ScratchDevice device{ScratchDevice::Language::Loaded};
  TaxLists lists;
  CCustomSettings settings;
  HWND editor = nullptr;
};

}  // namespace bench
