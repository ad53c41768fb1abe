#include "document/DocumentNumbering.h"

#include <memory>
#include <set>

#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/Utilities.h"
#include "core/TextHelpers.h"
#include "document/XmlDocument.h"
#include "platform/kernel/FileHandles.h"
#include "resources/resource_ids.h"

namespace {

struct TypeNumbering {
  UINT prefixId;
  UINT confirmationId;
};

// Types 0-5; a memorized template (6) and unknown codes count as invoices.
constexpr TypeNumbering kNumbering[] = {
    {IDS_DOCTYPE_INVOICE, IDS_CONFIRM_START_INVOICE},
    {IDS_DOCTYPE_ESTIMATE, IDS_CONFIRM_START_ESTIMATE},
    {IDS_DOCTYPE_SALES_RECEIPT, IDS_CONFIRM_START_SALES_RECEIPT},
    {IDS_DOCTYPE_PAYMENT, IDS_CONFIRM_START_PAYMENT},
    {IDS_DOCTYPE_SALES_ORDER, IDS_CONFIRM_START_SALES_ORDER},
    {IDS_DOCTYPE_CREDIT_MEMO, IDS_CONFIRM_START_CREDIT_MEMO},
};

size_t NumberingIndex(int type) { return (type >= 0 && type <= 5) ? static_cast<size_t>(type) : 0; }
const TypeNumbering& NumberingOf(int type) { return kNumbering[NumberingIndex(type)]; }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A run of decimal digits as a number of any length: leading zeros dropped, "0" for none.
std::u16string Canonical(std::u16string_view digits) {
  size_t first = digits.find_first_not_of(u'0');
  if (first == std::u16string_view::npos) return u"0";
  return std::u16string(digits.substr(first));
}

std::u16string Increment(std::u16string n) {
  for (size_t i = n.size(); i-- > 0;) {
    if (n[i] != u'9') {
      ++n[i];
      return n;
    }
    n[i] = u'0';
  }
  return u"1" + n;
}

// n - 1 for n >= 1; a number below 1 stays.
std::u16string Decrement(std::u16string n) {
  if (n == u"0") return n;
  for (size_t i = n.size(); i-- > 0;) {
    if (n[i] != u'0') {
      --n[i];
      break;
    }
    n[i] = u'9';
  }
  return Canonical(n);
}

bool IsForbiddenInFileName(char16_t c) {
  if (c < 0x20 || c == 0x7F) return true;
  switch (c) {
    case u'\\': case u'/': case u':': case u'*': case u'?': case u'"': case u'<': case u'>': case u'|':
      return true;
    default:
      return false;
  }
}

}  // namespace

const TextPreference& StartNumberPreference(int documentType) {
  return pref::kStartNumber[NumberingIndex(documentType)];
}
const TextPreference& LastNumberPreference(int documentType) { return pref::kLastNumber[NumberingIndex(documentType)]; }
const DwordPreference& NumberResetPreference(int documentType) {
  return pref::kNumberReset[NumberingIndex(documentType)];
}

std::u16string_view DefaultStartNumber(int documentType) { return StartNumberPreference(documentType).def; }
UINT DocumentPrefixStringId(int documentType) { return NumberingOf(documentType).prefixId; }
UINT NumberConfirmationStringId(int documentType) { return NumberingOf(documentType).confirmationId; }

std::u16string StepNumberText(std::u16string_view input, bool up) {
  std::u16string_view text = input;
  while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
  size_t end = text.size();
  while (end > 0 && !IsDigit(text[end - 1])) --end;
  if (end == 0) return std::u16string(text) + u"0";
  size_t start = end;
  while (start > 0 && IsDigit(text[start - 1])) --start;
  std::u16string n = Canonical(text.substr(start, end - start));
  n = up ? Increment(std::move(n)) : Decrement(std::move(n));
  return std::u16string(text.substr(0, start)) + n + std::u16string(text.substr(end));
}

void StepNumberText(CBstr& number, bool up) { number = CBstr(StepNumberText(number.view(), up)); }

bool MakeDocumentFileName(std::u16string_view number, CBstr& path, int documentType) {
  CBstr folder;
  GetDocumentsFolder(folder);
  std::u16string safe(number.substr(0, kMaxNumberInFileName));
  for (char16_t& c : safe)
    if (IsForbiddenInFileName(c)) c = u'_';
  path = CBstr(folder.str() + LoadResText(DocumentPrefixStringId(documentType)) + safe + kDocumentExtension);
  return true;
}

namespace {

// Calls `visit` with the ID of every loadable document of the type in the documents
// folder until it answers true; true when it did.
template <typename Visit>
bool ForEachDocumentNumber(int documentType, CXmlDocument& scratch, Visit visit) {
  CBstr folder;
  GetDocumentsFolder(folder);
  const std::u16string pattern = folder.str() + u"*" + kDocumentExtension;
  WIN32_FIND_DATAW found;
  CFindHandle search(FindFirstFileW(pattern.c_str(), &found));
  if (!search) return false;
  do {
    CBstr error;
    if (!scratch.LoadFile(folder.str() + found.cFileName, &error)) continue;
    CBstr type, id;
    scratch.GetRootAttribute(u"DOCTYPE", &type);
    if (GetDocumentTypeFromText(type) != documentType) continue;
    scratch.GetRootAttribute(u"ID", &id);
    if (visit(id.view())) return true;
  } while (FindNextFileW(search.get(), &found));
  return false;
}

std::set<std::u16string> CollectDocumentNumbers(HWND owner, int documentType) {
  std::set<std::u16string> used;
  CXmlDocument scratch(owner);
  ForEachDocumentNumber(documentType, scratch, [&](std::u16string_view id) {
    used.emplace(id);
    return false;
  });
  return used;
}

}  // namespace

bool IsNumberInDocumentFolder(HWND /*owner*/, std::u16string_view number, int documentType, CXmlDocument& scratch) {
  return ForEachDocumentNumber(documentType, scratch, [&](std::u16string_view id) { return id == number; });
}

namespace {

// Whether the file the number would be kept in is there already, in any letter case (two
// numbers may share one: "A1" and "a1", "x/y" and "x_y").
bool NumberFileExists(std::u16string_view number, int documentType) {
  CBstr path;
  MakeDocumentFileName(number, path, documentType);
  return FileExists(path.view());
}

}  // namespace

bool IsDocumentNumberTaken(HWND owner, std::u16string_view number, int documentType) {
  if (NumberFileExists(number, documentType)) return true;
  CXmlDocument scratch(owner);
  return IsNumberInDocumentFolder(owner, number, documentType, scratch);
}

void GetNextDocumentNumber(HWND owner, CBstr& path, CBstr& number, int documentType) {
  CPreferences preferences;
  const std::u16string start = preferences.Get(StartNumberPreference(documentType));
  std::u16string last = start;
  preferences.Read(LastNumberPreference(documentType), last);
  std::u16string candidate = StepNumberText(last, true);
  // The folder itself decides, not what the register happens to show: it lists one kind
  // of document at a time and knows no file added behind its back. The folder is read
  // once: stepping over a long run of used numbers would otherwise load every document
  // again for each step.
  const std::set<std::u16string> used = CollectDocumentNumbers(owner, documentType);
  while (used.count(candidate) || NumberFileExists(candidate, documentType))
    candidate = StepNumberText(candidate, true);
  number = CBstr(candidate);
  MakeDocumentFileName(candidate, path, documentType);
}

void UpdateNumberCounterOnSave(int documentType, std::u16string_view number, bool numberFromCounter) {
  if (!numberFromCounter || number.find(u"Sample ") != std::u16string_view::npos) return;
  CPreferences preferences;
  DWORD reset = 0;
  if (preferences.Query(NumberResetPreference(documentType), reset) && reset != 0)
    preferences.Set(NumberResetPreference(documentType), 0);
  else
    preferences.Set(LastNumberPreference(documentType), number);
}

void SetStartNumber(int documentType, std::u16string_view number) {
  CPreferences preferences;
  preferences.Set(StartNumberPreference(documentType), number);
  preferences.Set(LastNumberPreference(documentType), StepNumberText(number, false));
  preferences.Set(NumberResetPreference(documentType), 1);
}
