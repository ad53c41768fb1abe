#include "mainwindow/RowActions.h"

#include "core/Folders.h"
#include "core/TextHelpers.h"
#include "datastore/CustomerFields.h"
#include "datastore/ItemStore.h"
#include "document/LineFigures.h"
#include "platform/base/Base.h"
#include "resources/resource_ids.h"

namespace {

constexpr std::u16string_view kQvn = u".QVN";

// The folder with exactly one separator behind it, however its setting ends.
std::u16string Folder(void (*get)(CBstr&)) {
  CBstr text;
  get(text);
  std::u16string folder(text.view());
  while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  return folder + u'\\';
}

// A stored balance moved by the amount and written back to the cent.
void Shift(CBstr& text, const CDecimal& amount, bool lower) {
  const CDecimal value = ReadLineFigure(text.view()) + (lower ? -amount : amount);
  text = FormatNumberText(value.Cents().ToDouble(), NumberDigits::TwoDigits);
}

}  // namespace

bool ShowsDocumentKind(int showKind, int kind, std::u16string_view status) {
  static const int kShowOfKind[] = {kShowInvoices,   kShowEstimates, kShowSalesReceipts,
                                    kShowPayments,   kShowSalesOrders, kShowCreditMemos};
  if (kind >= 0 && kind < 6 && kShowOfKind[kind] == showKind) return true;
  if (showKind == kShowEverything) return true;
  if (showKind == kShowUploaded) return status == u"Uploaded";
  return showKind == kShowMemorized && kind == 6;
}

void BuildRowPaths(int showKind, std::u16string_view storedName, std::u16string& path, std::u16string& name) {
  const size_t dot = storedName.find(kQvn);
  const std::u16string base(dot == std::u16string_view::npos ? storedName : storedName.substr(0, dot));
  name = Folder(GetDocumentsFolder) + base + std::u16string(kQvn);
  switch (showKind) {
    case kShowMemorized: path = Folder(GetMemorizedFolder) + base + std::u16string(kQvn); break;
    case kShowUploaded: {
      CBstr uploaded;
      GetUploadedFolder(uploaded, true);
      path = std::u16string(uploaded.view()) + base + std::u16string(kQvn);
      name = path;
      break;
    }
    case kShowDeleted: path = Folder(GetDeletedFolder) + base + std::u16string(kQvn); break;
    default: path = name; break;
  }
}

namespace {

// Whether `path` lies in the folder, unless the folder is the documents folder itself:
// files there cannot be told apart by where they lie.
bool InOwnFolder(std::u16string_view path, void (*get)(CBstr&)) {
  const std::u16string folder = Folder(get);
  if (IsSameDevicePath(folder, Folder(GetDocumentsFolder))) return false;
  const size_t cut = path.find_last_of(u'\\');
  return cut != std::u16string_view::npos && IsSameDevicePath(path.substr(0, cut + 1), folder);
}

}  // namespace

bool IsMemorizedPath(std::u16string_view path) { return InOwnFolder(path, GetMemorizedFolder); }

bool IsDeletedPath(std::u16string_view path) { return HasOwnDeletedFolder() && InOwnFolder(path, GetDeletedFolder); }

bool CountsInBalance(std::u16string_view path) { return !IsMemorizedPath(path) && !IsDeletedPath(path); }

int DeleteQuestionId(int kind, bool withName, int showKind) {
  if (withName) return showKind == kShowDeleted ? IDS_DELETE_NAMED_FOR_GOOD : IDS_DELETE_NAMED;
  switch (kind) {
    case 1: return IDS_DELETE_ESTIMATE;
    case 2: return IDS_DELETE_SALES_RECEIPT;
    case 3: return IDS_DELETE_PAYMENT;
    case 4: return IDS_DELETE_SALES_ORDER;
    case 5: return IDS_DELETE_CREDIT_MEMO;
    case 6: return IDS_DELETE_MEMORIZED;
    default: return IDS_DELETE_INVOICE;
  }
}

bool LowersBalance(int kind) { return kind == 3 || kind == 5; }

bool MoveCustomerBalance(CItemStore& store, std::u16string_view fullName, const CDecimal& amount, bool lower) {
  if (fullName.empty()) return false;
  CCustomerFields customer;
  if (!store.GetCustomerByFullName(fullName, customer)) return false;
  // The total is what the customer screens show: the customer's own sales count in it as
  // much as its jobs' do.
  Shift(customer[kCustBalance], amount, lower);
  Shift(customer[kCustTotalBalance], amount, lower);
  store.ReplaceCustomer(customer);
  long level = static_cast<long>(ParseNumberText(customer[kCustSublevel].view()));
  std::u16string parentName(customer[kCustParentFullName].view());
  while (level > 0 && !parentName.empty()) {
    CCustomerFields parent;
    if (!store.GetCustomerByFullName(parentName, parent)) break;
    const long parentLevel = static_cast<long>(ParseNumberText(parent[kCustSublevel].view()));
    // A parent at the same level or deeper is a loop in the desktop's data: stop there.
    if (parentLevel >= level) break;
    Shift(parent[kCustTotalBalance], amount, lower);
    store.ReplaceCustomer(parent);
    level = parentLevel;
    parentName = std::u16string(parent[kCustParentFullName].view());
  }
  return true;
}
