#include "customers/OptionsValues.h"

#include <algorithm>

#include "core/HardwareButton.h"
#include "devices/MailSession.h"
#include "platform/shell/FlashCards.h"

int COptionsChoices::StyleCode(std::u16string_view name) {
  const std::vector<std::u16string>& names = StyleNames();
  auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? 0 : static_cast<int>(found - names.begin());
}

const std::vector<std::u16string>& COptionsChoices::StyleNames() {
  static const std::vector<std::u16string> names{u"Products", u"Services", u"Products & Service", u"Professional",
                                                 u"Custom"};
  return names;
}

const std::vector<std::u16string>& COptionsChoices::ScannerMakes() {
  static const std::vector<std::u16string> makes{u"None", u"Grabba", u"Socket", u"Symbol"};
  return makes;
}

std::vector<std::u16string> COptionsChoices::StorageLocations() {
  std::vector<std::u16string> locations{kMainMemory};
  WIN32_FIND_DATAW card{};
  HANDLE search = FindFirstFlashCard(&card);
  if (search == INVALID_HANDLE_VALUE) return locations;
  do {
    if (card.cFileName[0]) locations.emplace_back(card.cFileName);
  } while (FindNextFlashCard(search, &card));
  FindCloseFlashCard(search);
  return locations;
}

std::u16string COptionsChoices::LocationShown(const std::u16string& stored) {
  return stored.empty() || stored == kMainMemoryStored ? std::u16string(kMainMemory) : stored;
}

std::u16string COptionsChoices::LocationToStore(const std::u16string& shown) {
  return shown == kMainMemory ? std::u16string(kMainMemoryStored) : shown;
}

std::vector<std::u16string> COptionsChoices::MailStores() {
  std::vector<std::u16string> stores;
  CMailSession session;
  std::u16string name;
  for (bool more = session.GetFirstStoreName(name); more; more = session.GetNextStoreName(name)) stores.push_back(name);
  return stores;
}

std::vector<HardwareButtonChoice> COptionsChoices::HardwareButtons(CHardwareButton& buttons) {
  std::vector<HardwareButtonChoice> choices;
  CBstr name, target;
  for (bool more = buttons.GetFirstKey(name, target); more; more = buttons.GetNextKey(name, target)) {
    std::u16string path = target.str();
    if (path.empty()) continue;
    size_t slash = path.find_last_of(u"\\/");
    std::u16string file = slash == std::u16string::npos ? path : path.substr(slash + 1);
    size_t lnk = file.find(u".lnk");
    if (lnk != std::u16string::npos) file.erase(lnk, 4);
    std::u16string text = name.str() + u" (" + file + u")";
    size_t quote = text.find(u'"');
    if (quote != std::u16string::npos) text[quote] = u' ';
    choices.push_back({text, name.str()});
    target = CBstr();
  }
  if (choices.empty()) choices.push_back({kNoButtons, u""});
  return choices;
}

std::vector<std::u16string> COptionsChoices::CodeColumns(const std::vector<std::u16string>& itemFields) {
  std::vector<std::u16string> columns{u"Name", u"Description"};
  for (size_t i = 0; i < std::min<size_t>(itemFields.size(), 2); ++i) columns.push_back(itemFields[i]);
  return columns;
}

const std::array<int, 6>& COptionsChoices::DocumentTypeOrder() {
  static const std::array<int, 6> order{0, 1, 2, 3, 5, 4};
  return order;
}
