// Slateway: the sales-document program. Runs the start-up steps that exist so far and
// reports each on stdout.
#include <cstdio>
#include <string>

#include "core/CustomSettings.h"
#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "platform/platform.h"

namespace {
void Say(const std::string& line) { std::printf("Slateway: %s\n", line.c_str()); }
std::string Utf8(std::u16string_view s) { return platform::ToUtf8(s); }
}  // namespace

int main() {
  Say("device root " + platform::DeviceRoot().string());

  CRegistryKey root;
  CBstr programPath;
  if (root.GetString(CBstr(u"ProgramPath"), programPath))
    Say("program folder " + Utf8(programPath.view()));
  else
    Say("no program folder recorded yet (the installer writes \"ProgramPath\")");

  CPreferences preferences;
  g_preferences = &preferences;
  Say(std::string("preferences open: customers from ") +
      (CPreferences::UseOutlook() ? "contacts" : "the customer table") +
      (CPreferences::DisplayBalances() ? ", balances shown" : ", balances hidden"));

  CCustomSettings customSettings;
  g_customSettings = &customSettings;
  Say("custom settings loaded: the invoice is titled \"" + Utf8(customSettings.GetCaption(0, 0)) + "\"");

  g_customSettings = nullptr;
  g_preferences = nullptr;
  Say("done");
  return 0;
}
