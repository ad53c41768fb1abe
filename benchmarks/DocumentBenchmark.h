// What the document benchmarks share: the skeleton of an empty invoice, lists in which "Tax"
// is the one taxable code, a scratch device root for the run with the build's language
// library installed and loaded as the program loads it, and a window to hold a page.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/ResourceText.h"
#include "core/CustomSettings.h"
#include "document/DocumentServices.h"
#include "document/DocumentStartup.h"
#include "document/HtmlView.h"
#include "platform/base/Bstr.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/module/Module.h"
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

// A scratch device root, removed with the object. With `language`, the build's language
// library (SLATEWAY_RESOURCE_LIBRARY, which the benchmark then defines) is copied into the
// program folder and loaded as the resource library.
class ScratchDevice {
 public:
  explicit ScratchDevice(bool language) {
    std::string pattern = (std::filesystem::temp_directory_path() / "slateway-document-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    m_root = pattern;
    platform::SetDeviceRoot(m_root);
#ifdef SLATEWAY_RESOURCE_LIBRARY
    if (language) {
      std::filesystem::create_directories(m_root / "Program Files" / "Slateway");
      std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, m_root / "Program Files" / "Slateway" / "QVNLANGUAGE.DLL");
      m_library = LoadLibraryW(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL");
      SetResourceInstance(m_library);
    }
#else
    (void)language;
#endif
  }
  ~ScratchDevice() {
    if (m_library) {
      SetResourceInstance(nullptr);
      FreeLibrary(m_library);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }
  ScratchDevice(const ScratchDevice&) = delete;
  ScratchDevice& operator=(const ScratchDevice&) = delete;
  const std::filesystem::path& Root() const { return m_root; }

 private:
  std::filesystem::path m_root;
  HMODULE m_library = nullptr;
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
  ScratchDevice device{true};
  TaxLists lists;
  CCustomSettings settings;
  HWND editor = nullptr;
};

}  // namespace bench
