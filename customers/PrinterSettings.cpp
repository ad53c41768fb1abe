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

// -1 for an empty text (nothing chosen yet) or one not in the list.
int IndexOf(const std::vector<std::u16string>& list, const std::u16string& text) {
  if (text.empty()) return -1;
  auto found = std::find(list.begin(), list.end(), text);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

// The settings screen's own defaults apply to a value never stored.
int StoredIndex(CPreferences& preferences, const DwordPreference& preference, size_t count) {
  DWORD value = preferences.GetShown(preference);
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
  choice.printer = IndexOf(PrinterNames(), preferences.Get(pref::kPrinterName));
  choice.port = IndexOf(PortNames(), preferences.Get(pref::kPrinterPort));
  choice.paperType = StoredIndex(preferences, pref::kPrinterPaperType, PaperTypes().size());
  choice.itemsUsing = StoredIndex(preferences, pref::kPrintItemsUsing, ItemsUsingChoices().size());
  choice.copies = StoredIndex(preferences, pref::kPrintNumCopies, CopiesChoices().size());
  choice.textSize = StoredIndex(preferences, pref::kPrintTextSize, TextSizes().size());
  choice.notesTextSize = StoredIndex(preferences, pref::kPrintNotesTextSize, TextSizes().size());
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
  preferences.Set(pref::kPrinterName, printers[static_cast<size_t>(choice.printer)]);
  preferences.Set(pref::kPrinterId, static_cast<DWORD>(choice.printer));
  preferences.Set(pref::kPrinterPort, ports[static_cast<size_t>(choice.port)]);
  preferences.Set(pref::kPrinterPortId, static_cast<DWORD>(choice.port));
  preferences.Set(pref::kPrinterPaperType, static_cast<DWORD>(choice.paperType));
  if (choice.itemsUsing >= 0) preferences.Set(pref::kPrintItemsUsing, static_cast<DWORD>(choice.itemsUsing));
  if (choice.copies >= 0) preferences.Set(pref::kPrintNumCopies, static_cast<DWORD>(choice.copies));
  if (choice.textSize >= 0) preferences.Set(pref::kPrintTextSize, static_cast<DWORD>(choice.textSize));
  if (choice.notesTextSize >= 0) preferences.Set(pref::kPrintNotesTextSize, static_cast<DWORD>(choice.notesTextSize));
  return {};
}
