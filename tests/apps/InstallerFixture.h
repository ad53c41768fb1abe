// The installer's stand-in run against a build folder of its own: the real setup library
// QVNSetup beside small stand-ins for the other program files.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "apps/install/Installer.h"
#include "tests/setup/SetupFixture.h"

namespace installer_test {

class InstallerTest : public setup_test::SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    source = Root() / "build-output";
    std::filesystem::create_directories(source);
    for (const char* library : {"QVNSetup.dll.so", "PREngineCE.dll.so", "pimstore.dll.so", "ScanAPI.dll.so", "ScnAPI32.dll.so",
                                "Grabba.dll.so"})
      std::filesystem::copy_file(std::filesystem::path(SLATEWAY_BIN_FOLDER) / library, source / library);
    for (const char* name : {"Slateway", "libslateway_platform.so", "libslateway_htmlview.so", "libslateway_mapi.so", "QVNLANGUAGE.DLL",
                             "Slateway.htm", "CSV_Export.xsl"})
      Build(name, std::string("new ") + name);
    Build("SlatewaySample.db", "sample");
  }

  // Writes a file of the build folder.
  void Build(const std::string& name, const std::string& bytes) { std::ofstream(source / name, std::ios::binary) << bytes; }

  // Installs, answering the start question No (and the sales-tax question of a fresh
  // device Yes) and the owner questions with `owner` (none: unattended); true when it worked.
  bool Install(bool fresh, std::optional<OwnerAnswers> owner = std::nullopt) {
    if (fresh) boxes.Expect(setup_test::kTaxQuestion).Answer(IDYES);
    boxes.Expect(setup_test::kStartQuestion).Answer(IDNO);
    std::string error;
    CInstaller installer(source);
    if (owner) installer.SetOwner(*owner);
    bool ok = installer.Install(error);
    EXPECT_EQ(ok, error.empty()) << error;
    return ok;
  }

  std::filesystem::path source;
};

}  // namespace installer_test
