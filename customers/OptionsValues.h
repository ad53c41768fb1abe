// What the Options sheet offers and collects: the choice lists it builds from the device
// (storage cards, mail stores, hardware buttons) and the program's lists, and the values
// read back from its pages as the main window applies them.
#pragma once

#include <array>
#include <string>
#include <vector>

class CHardwareButton;
class CCustomSettings;

struct HardwareButtonChoice {
  std::u16string text;  // "<name> (<target>)"
  std::u16string key;   // the button's name as the shell knows it
};

struct OptionsValues {
  std::array<std::u16string, 6> startNumbers;  // by document type
  std::u16string docsLocation, docsFolder;
  int style = 0;
  std::u16string itemsLocation, itemsFolder;
  bool useDescriptions = false, useSalesTax = false, trackInventory = false;
  bool useBusinessAddress = true, lastCommaFirst = false, playSounds = false;
  std::u16string mailBox;
  std::u16string scannerMake, triggerButton, codeColumn;
  bool continuous = false, qtyPrompt = false;
  int scanNewDoc = 0;  // a document type
};

class COptionsChoices {
 public:
  static constexpr const char16_t* kNoButtons = u"<NO BUTTONS>";
  static constexpr const char16_t* kMainMemory = u"Main Memory";
  static constexpr const char16_t* kMainMemoryStored = u"MAIN MEMORY";
  // Main memory is shown by name but stored (and read by the folders) in capitals.
  static std::u16string LocationShown(const std::u16string& stored);
  static std::u16string LocationToStore(const std::u16string& shown);

  // The style's code from its name; a name not in the list is Products (0).
  static int StyleCode(std::u16string_view name);
  static const std::vector<std::u16string>& StyleNames();
  static const std::vector<std::u16string>& ScannerMakes();
  // "Main Memory", then each storage card in the order the device reports them.
  static std::vector<std::u16string> StorageLocations();
  static std::vector<std::u16string> MailStores();
  // Every button with a target: its name and the target's file name without ".lnk"
  // (its first double quote made a blank); "<NO BUTTONS>" alone when there is none.
  static std::vector<HardwareButtonChoice> HardwareButtons(CHardwareButton& buttons);
  // "Name", "Description", then the custom item field names 1 and 2 that exist.
  static std::vector<std::u16string> CodeColumns(const std::vector<std::u16string>& itemFields);
  // The document types in the order the list shows them (invoice, estimate, receipt,
  // payment, credit memo, sales order).
  static const std::array<int, 6>& DocumentTypeOrder();
};
