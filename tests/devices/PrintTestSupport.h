// Printing tests run on the installed device, whose printing engines the installation
// registered, with no injected conditions and an empty drawing record.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../document/SalesDocumentFixture.h"
#include "platform/printing/PrintEngines.h"

namespace print_test {

using platform::printing::PrintOp;
using platform::printing::RecordedOps;

class PrintTest : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    platform::printing::ResetConditions();
    platform::printing::ClearRecordedOps();
  }
  void TearDown() override {
    platform::printing::ResetConditions();
    platform::printing::ClearRecordedOps();
    SalesDocumentTest::TearDown();
  }

  // The golden invoice file loaded into a document of the fixture's settings.
  std::unique_ptr<CSalesDocument> OpenGolden(const char* name = "invoice.QVN") {
    std::ifstream in(std::filesystem::path(SLATEWAY_DOCUMENT_TEST_DATA) / "golden" / name, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto doc = Make();
    EXPECT_TRUE(doc->GetXmlDocument().LoadXmlText(platform::ToUtf16(bytes)));
    doc->SetVersion(4);
    doc->ReadTotalsFromDocument();
    return doc;
  }

  // A small picture file at a device path.
  void WritePicture(std::u16string_view devicePath, int width, int height) {
    std::filesystem::create_directories(Linux(devicePath).parent_path());
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface, Linux(devicePath).c_str());
    cairo_surface_destroy(surface);
  }

  static std::vector<PrintOp> Texts() {
    std::vector<PrintOp> texts;
    std::copy_if(RecordedOps().begin(), RecordedOps().end(), std::back_inserter(texts),
                 [](const PrintOp& op) { return op.kind == PrintOp::kText; });
    return texts;
  }
  static const PrintOp* FindText(std::u16string_view text) {
    for (const PrintOp& op : RecordedOps())
      if (op.kind == PrintOp::kText && op.text == text) return &op;
    return nullptr;
  }
  static int Count(PrintOp::Kind kind) {
    return static_cast<int>(std::count_if(RecordedOps().begin(), RecordedOps().end(),
                                          [kind](const PrintOp& op) { return op.kind == kind; }));
  }
};

}  // namespace print_test
