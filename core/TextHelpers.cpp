// Text helpers: texts cut, split and read (names, addresses, widths, card tracks, field
// codes, document versions), the warnings about a field, and the names of the document
// kinds. The number and money texts are made in TextHelpersNumbers.cpp, the date and time
// texts in TextHelpersDates.cpp.
#include "core/TextHelpers.h"

#include <algorithm>
#include <string>

#include "core/CustomSettings.h"
#include "core/MessageBoxes.h"
#include "core/ResourceText.h"
#include "core/TextHelpersInternal.h"
#include "core/WaitCursor.h"
#include "core/Utilities.h"
#include "platform/base/Base.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

namespace text_helpers {

bool Contains(std::u16string_view text, WCHAR c) { return text.find(c) != std::u16string_view::npos; }

// atoi over UTF-16: leading blanks, a sign, digits; held at the int limits.
int AtoiText(std::u16string_view s) { return BstrToInt(s.substr(0, std::min<size_t>(s.size(), 19))); }

}  // namespace text_helpers

using text_helpers::AtoiText;
using text_helpers::Contains;

namespace {

std::u16string TrimLeft(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlankChar(s[i])) ++i;
  return std::u16string(s.substr(i));
}

std::u16string TrimRight(std::u16string_view s) {
  size_t n = s.size();
  while (n > 0 && IsBlankChar(s[n - 1])) --n;
  return std::u16string(s.substr(0, n));
}

}  // namespace

// ---- Text ----------------------------------------------------------------------------------------

void ReplaceQuoteWithSpace(CBstr& text) {
  // Done on the UTF-16 text itself, so no character is lost to a code-page round trip.
  std::u16string s = text.str();
  size_t pos = s.find(u'"');
  if (pos == std::u16string::npos) return;
  s[pos] = u' ';
  text = CBstr(s);
}

void AppendBackslash(CBstr& path) {
  if (path.IsEmpty() || path.view().back() == u'\\') return;
  path = CBstr(path.str() + u"\\");
}

void GetTextAfterColon(std::u16string_view text, CBstr& out) {
  size_t pos = text.find(u':');
  if (pos == std::u16string_view::npos || pos == 0) {
    out = CBstr(u"");
    return;
  }
  out = CBstr(text.substr(pos + 1));
}

void GetTextBeforeLastColon(std::u16string_view text, CBstr& out) {
  size_t pos = text.rfind(u':');
  out = CBstr(pos == std::u16string_view::npos ? std::u16string_view() : text.substr(0, pos));
}

int ReplaceLineBreaks(CBstr& text) {
  std::u16string s = TrimWhitespace(text.view());
  std::u16string out;
  int replaced = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') {
      out.push_back(u' ');
      ++i;
      replaced = 1;
    } else {
      out.push_back(s[i]);
    }
  }
  text = CBstr(out);
  return replaced;
}

void TruncateWithEllipsis(std::u16string_view text, CBstr& out) {
  if (text.size() >= 33) {
    out = CBstr(std::u16string(text.substr(0, 28)) + u"...");
  } else {
    out = CBstr(text);
  }
}

int SplitPersonName(std::u16string_view input, CBstr& firstName, CBstr& lastName, LPCWSTR separator) {
  std::u16string text = TrimWhitespace(input);
  WCHAR sep;
  if (separator && *separator) sep = separator[0];
  else if (Contains(text, u',')) sep = u',';
  else if (Contains(text, u'/')) sep = u'/';
  else sep = u' ';
  size_t pos = text.find(sep);
  std::u16string last = text.substr(0, pos);
  std::u16string first = pos == std::u16string::npos ? std::u16string() : TrimLeft(std::u16string_view(text).substr(pos + 1));
  if (sep == u' ') std::swap(first, last);
  firstName = CBstr(first);
  lastName = CBstr(last);
  return !first.empty() && !last.empty() ? 1 : 0;
}

namespace {
bool HasDigitIn(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}
}  // namespace

int SplitCityStateZip(std::u16string_view input, CBstr& city, CBstr& state, CBstr& zip) {
  std::u16string text = TrimWhitespace(input);
  size_t comma = text.find(u',');
  std::u16string rest;
  if (comma != std::u16string::npos) {
    city = CBstr(TrimWhitespace(std::u16string_view(text).substr(0, comma)));
    rest = text.substr(comma + 1);
  } else if (HasDigitIn(text)) {
    // "ST 12345" or "12345": no city was written before them.
    city = CBstr(u"");
    rest = text;
  } else {
    city = CBstr(text);
  }
  // The zip starts at the first word that holds a digit; the words before it are the state.
  std::u16string parts[2];
  bool inZip = false;
  for (size_t at = 0; at < rest.size();) {
    size_t end = rest.find_first_of(u", ", at);
    if (end == std::u16string::npos) end = rest.size();
    std::u16string_view word = std::u16string_view(rest).substr(at, end - at);
    if (!word.empty()) {
      inZip = inZip || HasDigitIn(word);
      std::u16string& part = parts[inZip ? 1 : 0];
      if (!part.empty()) part += u' ';
      part += word;
    }
    at = end + 1;
  }
  state = CBstr(parts[0]);
  zip = CBstr(parts[1]);
  return 0;
}

std::u16string FormatCityStateZip(std::u16string_view city, std::u16string_view state, std::u16string_view zip) {
  std::u16string tail(state);
  if (!state.empty() && !zip.empty()) tail += u' ';
  tail += zip;
  if (city.empty()) return tail.empty() || HasDigitIn(tail) ? tail : u", " + tail;
  if (!tail.empty()) return std::u16string(city) + u", " + tail;
  // A city with a digit alone would read back as a zip.
  return HasDigitIn(city) ? std::u16string(city) + u"," : std::u16string(city);
}

TextMeasure FixedPitchMeasure(float characterWidth) {
  return [characterWidth](std::u16string_view text) { return characterWidth * static_cast<float>(text.size()); };
}

int SplitTextAtWidth(const TextMeasure& measure, CBstr& textInOut, CBstr& line, float width) {
  std::u16string text = textInOut.str();
  size_t length = 0;
  bool reached = false;
  while (length < text.size()) {
    ++length;
    if (measure(std::u16string_view(text).substr(0, length)) >= width) {
      reached = true;
      break;
    }
  }
  if (!reached) {
    line = CBstr(text);
    textInOut = CBstr(u"");
    return 0;
  }
  std::u16string_view prefix = std::u16string_view(text).substr(0, length);
  size_t blank = prefix.rfind(u' ');
  size_t take = blank != std::u16string_view::npos ? blank + 1 : length - 1;
  if (take == 0) take = 1;  // one character wider than the column still moves on
  line = CBstr(prefix.substr(0, take));
  textInOut = CBstr(std::u16string_view(text).substr(take));
  return 1;
}

int ParseCardTrack(CBstr& track, CBstr& holderName, CBstr& cardNumber, CBstr& expiryMonth, CBstr& expiryYear) {
  std::u16string text = track.str();
  size_t b = text.find(u'B');
  if (b == std::u16string::npos) return 0;
  text.erase(0, b + 1);
  track = CBstr(text);
  size_t caret = text.find(u'^');
  if (caret == std::u16string::npos) return 0;
  cardNumber = CBstr(std::u16string_view(text).substr(0, caret));
  text.erase(0, caret + 1);
  track = CBstr(text);
  caret = text.find(u'^');
  if (caret == std::u16string::npos) return 0;
  holderName = CBstr(TrimRight(std::u16string_view(text).substr(0, caret)));
  text.erase(0, caret + 1);
  track = CBstr(text);
  // A short track has no whole expiry date: nothing is read past its end.
  if (text.size() < 4) return 0;
  expiryYear = CBstr(std::u16string_view(text).substr(0, 2));
  expiryMonth = CBstr(std::u16string_view(text).substr(2, 2));
  return 1;
}

HeaderField GetHeaderFieldCode(CBstr fieldId, WCHAR& outChar, CBstr& name) {
  std::u16string text = fieldId.str();
  size_t comma = text.find(u',');
  if (comma != std::u16string::npos) {
    outChar = comma + 1 < text.size() ? text[comma + 1] : u'\0';
    name = CBstr(std::u16string_view(text).substr(0, comma));
    return HeaderField::Line;
  }
  for (auto& c : text) c = platform::UpperCase(c);
  name = CBstr(text);
  static const struct {
    const char16_t* id;
    HeaderField code;
  } kFields[] = {
      {u"BILLTO", HeaderField::BillTo}, {u"BILLFROM", HeaderField::BillFrom},
      {u"JOB", HeaderField::Job}, {u"L", HeaderField::Logo},
      {u"NUMBER", HeaderField::Number}, {u"DATE", HeaderField::Date},
      {u"DUEDATE", HeaderField::DueDate}, {u"CUSTOMERMSG", HeaderField::CustomerMessage},
      {u"NOTES", HeaderField::Notes}, {u"TAX", HeaderField::Tax},
      {u"TERMS", HeaderField::Terms}, {u"T", HeaderField::Title},
      {u"S", HeaderField::Signature}, {u"SHIPTO", HeaderField::ShipTo},
      {u"SHIPVIA", HeaderField::ShipVia}, {u"SHIPDATE", HeaderField::ShipDate},
      {u"PONUM", HeaderField::PONumber}, {u"REP", HeaderField::Rep},
      {u"ACCOUNT", HeaderField::Account}, {u"PAYMENT", HeaderField::PaymentMethod},
      {u"CHKNUM", HeaderField::CheckNumber}, {u"PAYAMOUNT", HeaderField::PayAmount},
      {u"CCARDNUM", HeaderField::CardNumber}, {u"CCARDEXP", HeaderField::CardExpiry},
      {u"CLASS", HeaderField::Class}, {u"OTHER1", HeaderField::Other1},
      {u"OTHER2", HeaderField::Other2}, {u"OTHER3", HeaderField::Other3},
  };
  for (const auto& f : kFields)
    if (text == f.id) return f.code;
  return HeaderField::None;
}

void CopyTaxCodeText(CBstr text, CBstr& out) { out = std::move(text); }

namespace {

// "'<label>'" and `rest` in a warning: the label without its colon goes in as text, never
// as a format, so a "%" in it prints as itself.
void ShowFieldMessage(HWND owner, std::u16string_view fieldLabel, std::u16string_view rest) {
  const std::u16string_view name = fieldLabel.substr(0, fieldLabel.find(u':'));
  const std::u16string text = u"'" + std::u16string(name) + u"'" + std::u16string(rest);
  CWaitCursorSuspension arrow;
  MessageBoxW(owner, text.c_str(), kProductName, kStyleWarning);
}

}  // namespace

void ShowRequiredFieldMessage(HWND owner, std::u16string_view fieldLabel) {
  ShowFieldMessage(owner, fieldLabel, u" is a required field.");
}

void ShowNumberTooLargeMessage(HWND owner, std::u16string_view fieldLabel) {
  ShowFieldMessage(owner, fieldLabel, u" holds a number too large to use. Please type a smaller number.");
}

int ParseDocumentVersion(HWND owner, CBstr versionText) {
  std::u16string text = versionText.str();
  if (text.empty()) return 2;
  auto isLetter = [](WCHAR c) { return platform::UpperCase(c) != platform::LowerCase(c); };
  for (int pass = 0; pass < 2 && !text.empty() && isLetter(text[0]); ++pass) {
    const WCHAR letter = text[0];
    std::erase(text, letter);
  }
  const int version = AtoiText(text);
  if (version <= 2) return 2;
  if (version <= 4) return version;
  ShowWarningResText(owner, IDS_NEWER_DOCUMENT_VERSION, versionText.c_str());
  return 4;
}

// ---- Document kinds ---------------------------------------------------------------------------

int GetDocumentTypeFromText(CBstr typeWord) {
  std::u16string w = typeWord.str();
  for (auto& c : w) c = platform::UpperCase(c);
  if (w == u"INVOICE") return kInvoice;
  if (w == u"ESTIMATE") return kEstimate;
  if (w == u"SALESRECEIPT" || w == u"SALES RECEIPT") return kSalesReceipt;
  if (w == u"PAYMENT") return kPayment;
  if (w == u"SALESORDER" || w == u"SALES ORDER") return kSalesOrder;
  if (w == u"CREDITMEMO" || w == u"CREDIT MEMO") return kCreditMemo;
  if (w == u"MEMORIZED") return kMemorized;
  return kOtherKind;
}

int GetDocumentTypeName(int kind, CBstr& out) {
  UINT id;
  switch (kind) {
    case kEstimate: id = IDS_DOCTYPE_ESTIMATE; break;
    case kSalesReceipt: id = IDS_DOCTYPE_SALES_RECEIPT; break;
    case kPayment: id = IDS_DOCTYPE_PAYMENT; break;
    case kSalesOrder: id = IDS_DOCTYPE_SALES_ORDER; break;
    case kCreditMemo: id = IDS_DOCTYPE_CREDIT_MEMO; break;
    case kMemorized: id = IDS_DOCTYPE_MEMORIZED; break;
    default: id = IDS_DOCTYPE_INVOICE; break;
  }
  out = LoadResString(id);
  return static_cast<int>(out.Length());
}

CBstr GetCustomDocumentTypeName(int kind, CBstr& out, const CCustomSettings* settings) {
  const int k = kind >= 1 && kind <= 5 ? kind : 0;
  if (!settings) settings = g_customSettings;
  if (settings) {
    out = CBstr(settings->GetCaption(k, 0));
  } else {
    CCustomSettings stored;
    stored.Load();
    out = CBstr(stored.GetCaption(k, 0));
  }
  return out;
}

void LoadDocumentTypeMenuTexts(const CCustomSettings& settings, CBstr& invoice, CBstr& estimate,
                               CBstr& salesReceipt, CBstr& payment, CBstr& salesOrder,
                               CBstr& creditMemo) {
  CBstr* outs[] = {&invoice, &estimate, &salesReceipt, &payment, &salesOrder, &creditMemo};
  for (int kind = 0; kind < 6; ++kind) *outs[kind] = CBstr(settings.GetCaption(kind, 0) + u"...");
}
