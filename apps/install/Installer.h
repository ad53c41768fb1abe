// The handheld installer's stand-in: installs the program from the folder the build put it
// in and removes it again, calling the setup library QVNSetup around both as the device's
// installer does. The setup library's questions are message boxes: whoever answers boxes
// in this process answers them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

inline constexpr char16_t kInstallFolder[] = u"\\Program Files\\Slateway";

// The device's installation beside this build's version.
enum class InstalledVersion { None, Older, Same, Newer };
InstalledVersion CompareInstallation();

// The device owner's name and e-mail, which the installer asks for as the handheld's own
// owner settings would.
struct OwnerAnswers {
  std::u16string name;
  std::u16string email;
};
// What the owner questions offer: the device's owner record where it names someone, else
// the full name of the account the installer runs under and no e-mail.
OwnerAnswers SuggestedOwner();

class CInstaller {
 public:
  // `sourceFolder`: the Linux folder holding the built program files.
  explicit CInstaller(std::filesystem::path sourceFolder, std::u16string installFolder = kInstallFolder);
  // The program files spread over several folders (programs, libraries, data): each file
  // is taken from the first folder that holds it.
  explicit CInstaller(std::vector<std::filesystem::path> sourceFolders, std::u16string installFolder = kInstallFolder);

  // Installs over whatever is there. The new program folder is built whole beside the
  // device's other files in a staging folder, then takes the place of the installed one in
  // one step, so that a kill at any moment leaves one whole program, old or new, and an
  // installation that fails leaves the earlier one as it was. Whatever a killed run
  // staged is cleared by the next run (of either call). False with the reason in `error`.
  bool Install(std::string& error);
  // Removes the installed program; the setup library decides what of the user's data
  // stays. False with the reason when nothing is installed or the library cannot run.
  bool Uninstall(std::string& error);
  // Brings an installation of this version up to date with the build, without the setup
  // library (nothing is asked, no setting changes): when a program file differs from the
  // build's, the program folder is built anew and switched in one step as at an
  // installation; the device's libraries that differ follow. `replaced` counts the files
  // that differed. False with the reason when nothing is installed or a file cannot be
  // replaced.
  bool Refresh(std::string& error, int& replaced);

  // The owner Install writes into the device's owner record (the rest of the record is
  // kept); without one, the suggested answers.
  void SetOwner(OwnerAnswers owner) { m_owner = std::move(owner); }

 private:
  std::vector<std::filesystem::path> m_sources;
  std::u16string m_installFolder;
  std::optional<OwnerAnswers> m_owner;
};
