// The installed device, with nothing loaded: the program's start-up loads the language
// library itself. Documents are written into the documents folder ("\My Documents\") by
// name.
#pragma once

#include <filesystem>
#include <string>

#include "core/RegistryKey.h"
#include "tests/core/LanguageLibraryFixture.h"

namespace mainwindow_test {

inline constexpr char16_t kDocuments[] = u"\\My Documents\\";

class MainWindowTest : public slateway::testing::LanguageLibraryTest {
 protected:
  void SetUp() override {
    m_loadLibrary = false;  // the program loads it itself
    LanguageLibraryTest::SetUp();
  }

  // A document file: the root's attributes, then a customer block and one total.
  void WriteDocument(std::u16string_view name, const std::string& attributes, const std::string& customer = "",
                     const std::string& total = "") {
    WriteText(std::u16string(kDocuments) + std::u16string(name),
              "<?xml version=\"1.0\"?><SALESDOCUMENT " + attributes + "><CUSTOMER>" + customer +
                  "</CUSTOMER><JOB></JOB><TOTALS><TOTAL>" + total + "</TOTAL></TOTALS></SALESDOCUMENT>");
  }
  static void SetRootDword(const char16_t* name, DWORD value) {
    CRegistryKey root;
    root.SetDword(name, value);
  }
  static DWORD RootDword(const char16_t* name) {
    CRegistryKey root;
    DWORD value = 0;
    root.GetDword(name, value);
    return value;
  }
};

}  // namespace mainwindow_test
