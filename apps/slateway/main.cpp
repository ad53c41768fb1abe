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
#include "document/DocumentStartup.h"
#include "document/HtmlView.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"

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
  // Before any document exists: every document's stylesheet comes from the generator.
  // Every document built with a page shows it in the HTML display.
  CDocumentServiceHooks hooks;
  hooks.viewFactory = MakeHtmlViewFactory(nullptr);
  InstallDocumentServices(hooks);
  Say("document services installed");
  SetHighResolution(IsHighResolutionScreen());

  CPreferences preferences;
  g_preferences = &preferences;
  Say(std::string("preferences open: customers from ") +
      (CPreferences::UseOutlook() ? "contacts" : "the customer table") +
      (CPreferences::DisplayBalances() ? ", balances shown" : ", balances hidden"));

  CCustomSettings customSettings;
  g_customSettings = &customSettings;
  Say("custom settings loaded: the invoice is titled \"" + Utf8(customSettings.GetCaption(0, 0)) + "\"");
  Say("the document type names read \"" + Utf8(LoadResString(IDS_DOCTYPE_INVOICE).view()) + "\" and \"" +
      Utf8(LoadResString(IDS_DOCTYPE_ESTIMATE).view()) + "\"");

  g_customSettings = nullptr;
  g_preferences = nullptr;
  RemoveDocumentServices();
  FreeResourceLibrary();
  Say("done");
  return 0;
}
