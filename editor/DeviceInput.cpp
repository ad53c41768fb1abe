#include "editor/DeviceInput.h"

#include <vector>

#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "datastore/CustomerFields.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "document/SalesDocument.h"
#include "document/EditCommand.h"
#include "editor/HeaderFieldCommands.h"
#include "platform/platform.h"

namespace {

// The item types a code may name, as the items list shows them.
constexpr std::u16string_view kScannableTypes[] = {u"Service", u"Inventory Part", u"Non-inventory Part",
                                                   u"Other Charge", u"Group"};

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

int TwoDigits(const CBstr& text) {
  std::u16string_view v = text.view();
  if (v.size() != 2 || v[0] < u'0' || v[0] > u'9' || v[1] < u'0' || v[1] > u'9') return -1;
  return (v[0] - u'0') * 10 + (v[1] - u'0');
}

}  // namespace

std::unique_ptr<CDbRecord> FindScannedItem(CItemStore& store, std::u16string_view code) {
  code = Trimmed(code);
  if (code.empty()) return nullptr;
  const std::u16string column = CPreferences().Get(pref::kCodeColumn);
  const char16_t* tableColumn = column == u"Description" ? u"SalesDescription" : u"Name";
  return store.FindItemLike(tableColumn, code, kScannableTypes, false);
}

bool AddScannedItem(CCommandProcessor& history, CSalesDocument& document, CItemStore& store, HWND owner,
                    std::u16string_view code, bool qtyPrompt, const AddItemsForm& askQuantity) {
  std::unique_ptr<CDbRecord> item = FindScannedItem(store, code);
  if (!item) {
    std::u16string text = u"No item has the code '" + std::u16string(Trimmed(code)) + u"'.";
    MessageBoxW(owner, text.c_str(), kProductName, MB_OK | MB_ICONINFORMATION);
    return false;
  }
  if (qtyPrompt && askQuantity) {
    std::vector<std::unique_ptr<CDbRecord>> items;
    items.push_back(std::move(item));
    CBstr level;
    if (CCustomerRecord* customer = document.GetCustomer()) level = CBstr(customer->FieldView(kCustPriceLevel));
    askQuantity(items, level);
    return true;
  }
  item->SetField(kLineFieldQuantity, u"1");
  history.Submit(std::make_unique<CAddLineItemCommand>(
      document, owner, &store, std::move(item),
      CAddLineItemCommand::Placing{.render = true, .atEnd = true, .sound = true, .recalc = 1}));
  return history.ExecutePending();
}

bool ApplyCardFields(CCommandProcessor& history, CSalesDocument& document, const CCardFields& fields) {
  if (fields.cardNumber.IsEmpty()) return false;
  history.Submit(std::make_unique<CChangeCardNumberCommand>(document, fields.cardNumber));
  bool done = history.ExecutePending();
  int year = TwoDigits(fields.expiryYear);
  int month = TwoDigits(fields.expiryMonth);
  if (year >= 0 && month >= 1 && month <= 12) {
    SYSTEMTIME expiry{};
    expiry.wYear = static_cast<WORD>(2000 + year);
    expiry.wMonth = static_cast<WORD>(month);
    expiry.wDay = 1;
    history.Submit(std::make_unique<CChangeCardExpiryCommand>(document, FormatShortDate(expiry)));
    done = history.ExecutePending() && done;
  }
  return done;
}
