// Slateway: the sales-document program. Runs the start-up steps that exist so far and
// reports each on stdout.
#include <cstdio>
#include <string>

#include "core/CustomSettings.h"
#include "core/Preferences.h"
#include "core/ResourceLibrary.h"
#include "core/ResourceText.h"
#include "core/ScreenResolution.h"
#include "core/UiMetrics.h"
#include "platform/platform.h"

namespace {
void Say(const std::string& line) { std::printf("Slateway: %s\n", line.c_str()); }
std::string Utf8(std::u16string_view s) { return platform::ToUtf8(s); }
}  // namespace

int main() {
  Say("device root " + platform::DeviceRoot().string());

  // Every interface text comes from the language library; without it there is no program.
  if (!LoadResourceLibrary()) {
    Say("the resource library could not be loaded from " + Utf8(GetResourceLibraryPath()));
    return 0;
  }
  Say("resource library loaded from " + Utf8(GetResourceLibraryPath()));
  SetHighResolution(IsHighResolutionScreen());

  CPreferences preferences;
  g_preferences = &preferences;
  Say(std::string("preferences open: customers from ") +
      (CPreferences::UseOutlook() ? "contacts" : "the customer table") +
      (CPreferences::DisplayBalances() ? ", balances shown" : ", balances hidden"));

  CCustomSettings customSettings;
  g_customSettings = &customSettings;
  Say("custom settings loaded: the invoice is titled \"" + Utf8(customSettings.GetCaption(0, 0)) + "\"");
  Say("the document type names read \"" + Utf8(LoadResString(40113).view()) + "\" and \"" +
      Utf8(LoadResString(40118).view()) + "\"");

  g_customSettings = nullptr;
  g_preferences = nullptr;
  FreeResourceLibrary();
  Say("done");
  return 0;
}
