#include "customers/PrinterSettings.h"

#include <algorithm>
#include <string>

#include "core/Preferences.h"
#include "platform/registry/Registry.h"

namespace {

// The engine numbers its printers 0-43: 6, 7 and 18 print on 2-inch rolls, 8-17 on
// 3-inch rolls, the others on full pages.
std::vector<std::u16string> MakePrinterNames() {
  std::vector<std::u16string> names;
  for (int id = 0; id < 44; ++id) {
    std::u16string paper = (id == 6 || id == 7 || id == 18) ? u" (2-inch roll)"
                           : (id >= 8 && id <= 17)          ? u" (3-inch roll)"
                                                            : u" (full page)";
    std::string number = std::to_string(id);
    names.push_back(u"Printer " + std::u16string(number.begin(), number.end()) + paper);
  }
  return names;
}

std::vector<std::u16string> MakePortNames() {
  std::vector<std::u16string> names;
  for (int id = 0; id < 18; ++id) {
    std::string number = std::to_string(id);
    names.push_back(u"Port " + std::u16string(number.begin(), number.end()));
  }
  return names;
}

int IndexOf(const std::vector<std::u16string>& list, const std::u16string& text) {
  auto found = std::find(list.begin(), list.end(), text);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

int StoredIndex(CPreferences& preferences, const char16_t* name, DWORD def, size_t count) {
  DWORD value = preferences.GetDword(name, def);
  return value < count ? static_cast<int>(value) : -1;
}

}  // namespace

const std::vector<std::u16string>& CPrinterSettings::PrinterNames() {
  static const std::vector<std::u16string> names = MakePrinterNames();
  return names;
}

const std::vector<std::u16string>& CPrinterSettings::PortNames() {
  static const std::vector<std::u16string> names = MakePortNames();
  return names;
}

const std::vector<std::u16string>& CPrinterSettings::PaperTypes() {
  static const std::vector<std::u16string> names{u"Continuous", u"Labels / Marked"};
  return names;
}

const std::vector<std::u16string>& CPrinterSettings::ItemsUsingChoices() {
  static const std::vector<std::u16string> names{u"Description", u"Name", u"Both"};
  return names;
}

const std::vector<std::u16string>& CPrinterSettings::CopiesChoices() {
  static const std::vector<std::u16string> names{u"1", u"2", u"3"};
  return names;
}

const std::vector<std::u16string>& CPrinterSettings::TextSizes() {
  static const std::vector<std::u16string> names{u"Smallest", u"Small", u"Normal", u"Large", u"Largest"};
  return names;
}

PrinterChoice CPrinterSettings::Load() {
  CPreferences preferences;
  PrinterChoice choice;
  std::u16string text;
  if (preferences.GetString(u"PrinterName", text)) choice.printer = IndexOf(PrinterNames(), text);
  text.clear();
  if (preferences.GetString(u"PrinterPort", text)) choice.port = IndexOf(PortNames(), text);
  choice.paperType = StoredIndex(preferences, u"PrinterPaperType", 1, PaperTypes().size());
  choice.itemsUsing = StoredIndex(preferences, u"PrintItemsUsing", 0, ItemsUsingChoices().size());
  choice.copies = StoredIndex(preferences, u"PrintNumCopies", 0, CopiesChoices().size());
  choice.textSize = StoredIndex(preferences, u"PrintTextSize", 2, TextSizes().size());
  choice.notesTextSize = StoredIndex(preferences, u"PrintNotesTextSize", 1, TextSizes().size());
  return choice;
}

std::u16string CPrinterSettings::Save(const PrinterChoice& choice) {
  // All three required choices are checked before writing, so a refused save leaves the
  // stored printer as it was instead of half changed.
  if (choice.printer < 0 || choice.printer >= static_cast<int>(PrinterNames().size())) return u"Printer";
  if (choice.port < 0 || choice.port >= static_cast<int>(PortNames().size())) return u"Printer Port";
  if (choice.paperType < 0 || choice.paperType >= static_cast<int>(PaperTypes().size())) return u"Paper Type";
  platform::CRegistryBatch batch;
  CPreferences preferences;
  preferences.SetString(u"PrinterName", PrinterNames()[static_cast<size_t>(choice.printer)]);
  preferences.SetDword(u"PrinterID", static_cast<DWORD>(choice.printer));
  preferences.SetString(u"PrinterPort", PortNames()[static_cast<size_t>(choice.port)]);
  preferences.SetDword(u"PrinterPortID", static_cast<DWORD>(choice.port));
  preferences.SetDword(u"PrinterPaperType", static_cast<DWORD>(choice.paperType));
  if (choice.itemsUsing >= 0) preferences.SetDword(u"PrintItemsUsing", static_cast<DWORD>(choice.itemsUsing));
  if (choice.copies >= 0) preferences.SetDword(u"PrintNumCopies", static_cast<DWORD>(choice.copies));
  if (choice.textSize >= 0) preferences.SetDword(u"PrintTextSize", static_cast<DWORD>(choice.textSize));
  if (choice.notesTextSize >= 0) preferences.SetDword(u"PrintNotesTextSize", static_cast<DWORD>(choice.notesTextSize));
  return {};
}
