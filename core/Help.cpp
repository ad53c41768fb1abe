#include "core/Help.h"

#include "platform/process/Process.h"

std::u16string GetHelpCommandLine(int topic) {
  const char16_t* anchor = u"Main_Contents";
  switch (topic) {
    case 1: anchor = u"line_new"; break;
    case 2: anchor = u"howto_line"; break;
    case 3: anchor = u"howto_inv"; break;
    case 5: anchor = u"cust_options"; break;
    case 6: anchor = u"inv_print"; break;
    case 11: anchor = u"Main_head_logo"; break;
    case 17: anchor = u"head_comp"; break;
    case 20: anchor = u"head_terms"; break;
    case 21: anchor = u"invlist_html"; break;
    case 22: anchor = u"head_title"; break;
    default: break;
  }
  return std::u16string(u"file:Slateway.htm#") + anchor;
}

void ShowHelp(int topic) {
  std::u16string commandLine = GetHelpCommandLine(topic);
  PROCESS_INFORMATION process;
  CreateProcessW(u"peghelp.exe", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                 &process);
}
