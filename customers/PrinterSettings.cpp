#include "customers/PrinterSettings.h"

#include <algorithm>
#include <string>

#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "platform/registry/Registry.h"
#include "resources/resource_ids.h"

namespace {

// Texts of the language library by number, from `first` on.
std::vector<std::u16string> LibraryTexts(UINT first, UINT count) {
  std::vector<std::u16string> texts;
  for (UINT n = 0; n < count; ++n) texts.push_back(LoadResText(first + n));
  return texts;
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

std::vector<std::u16string> CPrinterSettings::PrinterNames() { return LibraryTexts(IDS_PRINTER_MODEL_FIRST, 44); }
std::vector<std::u16string> CPrinterSettings::PortNames() { return LibraryTexts(IDS_PRINTER_PORT_FIRST, 18); }
std::vector<std::u16string> CPrinterSettings::PaperTypes() { return LibraryTexts(IDS_PRINTER_PAPER_FIRST, 2); }
std::vector<std::u16string> CPrinterSettings::ItemsUsingChoices() { return {u"Description", u"Name", u"Both"}; }
std::vector<std::u16string> CPrinterSettings::CopiesChoices() { return {u"1", u"2", u"3"}; }
std::vector<std::u16string> CPrinterSettings::TextSizes() {
  return {u"Smallest", u"Small", u"Normal", u"Large", u"Largest"};
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
  const std::vector<std::u16string> printers = PrinterNames(), ports = PortNames();
  if (choice.printer < 0 || choice.printer >= static_cast<int>(printers.size())) return u"Printer";
  if (choice.port < 0 || choice.port >= static_cast<int>(ports.size())) return u"Printer Port";
  if (choice.paperType < 0 || choice.paperType >= static_cast<int>(PaperTypes().size())) return u"Paper Type";
  platform::CRegistryBatch batch;
  CPreferences preferences;
  preferences.SetString(u"PrinterName", printers[static_cast<size_t>(choice.printer)]);
  preferences.SetDword(u"PrinterID", static_cast<DWORD>(choice.printer));
  preferences.SetString(u"PrinterPort", ports[static_cast<size_t>(choice.port)]);
  preferences.SetDword(u"PrinterPortID", static_cast<DWORD>(choice.port));
  preferences.SetDword(u"PrinterPaperType", static_cast<DWORD>(choice.paperType));
  if (choice.itemsUsing >= 0) preferences.SetDword(u"PrintItemsUsing", static_cast<DWORD>(choice.itemsUsing));
  if (choice.copies >= 0) preferences.SetDword(u"PrintNumCopies", static_cast<DWORD>(choice.copies));
  if (choice.textSize >= 0) preferences.SetDword(u"PrintTextSize", static_cast<DWORD>(choice.textSize));
  if (choice.notesTextSize >= 0) preferences.SetDword(u"PrintNotesTextSize", static_cast<DWORD>(choice.notesTextSize));
  return {};
}
