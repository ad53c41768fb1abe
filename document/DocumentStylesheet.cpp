#include "document/DocumentStylesheet.h"

#include <filesystem>
#include <system_error>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/SignatureBitmap.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "document/DocumentServices.h"
#include "document/SalesDocument.h"
#include "document/StylesheetBuilder.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/Files.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

namespace {

constexpr char16_t kSignatureLinePicture[] = u"KTWSignatureLine.bmp";

std::u16string NodeText(const CXmlDomNode& root, std::u16string_view path) {
  CXmlDomNode node;
  CBstr text;
  if (root.selectSingleNode(path, &node) == S_OK && node && node.get_text(&text) == S_OK) return text.str();
  return {};
}

// Whether two device paths name one file: a picture whose folder is the page's own (the
// image folder of a device without one is the top folder) already lies beside the page.
bool IsSameFile(const CBstr& source, const std::u16string& target) {
  std::error_code ignored;
  return std::filesystem::equivalent(platform::MapDevicePath(source.view()), platform::MapDevicePath(target), ignored);
}

// The folder part of a device path, with its trailing "\" (empty for a bare name).
std::u16string FolderOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u'\\');
  return slash == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, slash + 1));
}

// The last part of a name the page carries: a picture never leaves its folder.
std::u16string FileNameOf(std::u16string_view name) {
  const size_t slash = name.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? name : name.substr(slash + 1));
}

// Puts the screen stylesheet back, whatever an export loaded, so the next render has its
// links again.
class CScreenStylesheetRestorer {
 public:
  explicit CScreenStylesheetRestorer(CSalesDocument& document) : m_document(document) {}
  ~CScreenStylesheetRestorer() { m_document.RebuildStylesheet(); }
  CScreenStylesheetRestorer(const CScreenStylesheetRestorer&) = delete;
  CScreenStylesheetRestorer& operator=(const CScreenStylesheetRestorer&) = delete;

 private:
  CSalesDocument& m_document;
};


void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
  for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

bool g_billToAddressLines = false;

}  // namespace

void SetBillToAddressLinesOption(bool on) { g_billToAddressLines = on; }

CStylesheetSource MakeStylesheetSource(const CSalesDocument& document) {
  CStylesheetSource source;
  const int type = document.GetDocType();
  source.type = type >= 0 && type <= 5 ? type : 0;
  source.styleCode = document.GetStyle();
  source.showLineTo = document.GetShowLineTo();
  source.showLinks = document.GetShowLinks();
  source.useDescriptions = document.GetUseDescriptions();
  source.useSalesTax = document.GetUseSalesTax();
  source.businessAddress = document.GetUseBusinessAddress();
  // A document that was never read nor made new has no version yet: it is a new one.
  source.version = document.GetVersion() > 0 ? document.GetVersion() : 4;
  source.tableAddressBlock = g_billToAddressLines && !CPreferences::UseOutlook();
  source.settings = &document.GetCustomSettings();
  CXmlDomNode root;
  const CXmlDomDocument* data = document.GetXmlDocument().GetDataDocument();
  if (data && data->get_documentElement(&root) == S_OK) {
    source.customerCompany = NodeText(root, u"CUSTOMER/COMPANYNAME");
    source.customerPerson = NodeText(root, u"CUSTOMER/NAME");
    if (source.customerPerson.empty()) source.customerPerson = NodeText(root, u"CUSTOMER/FULLNAME");
    if (source.customerPerson.empty())
      source.customerPerson = NodeText(root, u"CUSTOMER/FIRSTNAME") + NodeText(root, u"CUSTOMER/LASTNAME");
    for (const char16_t* part : {u"CUSTOMER/ADDRESS1", u"CUSTOMER/ADDRESS2", u"CUSTOMER/ADDRESS3", u"CUSTOMER/ADDRESS4",
                                 u"CUSTOMER/CITY", u"CUSTOMER/STATE", u"CUSTOMER/ZIP", u"CUSTOMER/COUNTRY"})
      if (!NodeText(root, part).empty()) source.customerHasAddress = true;
  }
  return source;
}

std::u16string BuildDocumentStylesheet(const CSalesDocument& document, bool noLinks, int type, bool screenRows) {
  return BuildStylesheetText(MakeStylesheetSource(document), noLinks, type, screenRows);
}

CBstr MakeSignatureFileName() {
  std::u16string name = u"SIGNATURE_";
  for (char16_t c : NewGuidString().str())
    if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')) name += c;
  name += u".BMP";
  return CBstr(name);
}

bool ExportHtml(CSalesDocument& document, HWND owner, std::u16string_view path, CBstr* logoPath, CBstr* signaturePath,
                bool screenRows) {
  if (logoPath) *logoPath = CBstr();
  if (signaturePath) *signaturePath = CBstr();
  CXmlDocument& xml = document.GetXmlDocument();
  const CCustomSettings& settings = document.GetCustomSettings();
  const int kind = document.GetDocType() >= 0 && document.GetDocType() <= 5 ? document.GetDocType() : 0;
  auto shown = [&](int screen, int printer) { return settings.IsShown(kind, screen, printer, screenRows) != 0; };

  bool result = false;
  bool logoWarned = false;
  {
    CWaitCursorScope wait;
    CScreenStylesheetRestorer restore(document);
    xml.LoadStylesheet(BuildDocumentStylesheet(document, true, kOwnDocumentType, screenRows));

    // The signature: drawn afresh under a name of its own for this page, else the line.
    CBstr savedSignatureFile;
    xml.ReadSignatureFile(&savedSignatureFile);
    CBstr strokes;
    xml.ReadSignature(&strokes);
    const bool signatureShown = shown(kRowShowSignature, kRowShowSignature + 1);
    const bool signedShown = signatureShown && !strokes.IsEmpty();
    std::u16string signatureName = kSignatureLinePicture;
    std::u16string drawnSignature;  // the picture drawn for this export, removed afterwards
    if (signedShown) {
      CBstr name = MakeSignatureFileName();
      CBstr full = name;
      GetImageFilePath(full);
      if (SaveSignatureBitmap(owner, strokes.str(), full.c_str())) {
        signatureName = name.str();
        drawnSignature = full.str();
      }
    }
    xml.SetSignatureFile(CBstr(signatureName));

    CBstr html;
    const HRESULT transformed = xml.Transform(&html);
    // The document keeps the signature picture it had: the export's own picture lives
    // only beside the page.
    xml.SetSignatureFile(savedSignatureFile);
    if (FAILED(transformed) || html.IsNull()) {
      if (!drawnSignature.empty()) DeleteFileW(drawnSignature.c_str());
      ShowWarningMessage(owner, IDS_EXPORT_TRANSFORM_FAILED);
      return false;
    }
    std::u16string page = html.str();
    ReplaceAll(page, u"&lt;br&gt;", u"<br>");
    bool pageWritten = WriteAnsiTextFile(page, path);
    if (!pageWritten) ShowWarningMessage(owner, IDS_EXPORT_PAGE_NOT_WRITTEN);

    bool picturesCopied = true;
    const std::u16string folder = FolderOf(path);
    if (pageWritten) {
      CBstr graphic;
      xml.ReadCompanyGraphic(&graphic);
      if (!graphic.IsEmpty() && shown(kRowShowLogo, kRowShowLogo + 1)) {
        const std::u16string name = FileNameOf(graphic.str());
        CBstr source(name);
        GetLogoFilePath(source);
        if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
          source = CBstr(name);
          GetImageFilePath(source);
        }
        const std::u16string target = folder + name;
        if (IsSameFile(source, target) || CopyFileW(source.c_str(), target.c_str(), FALSE)) {
          if (logoPath) *logoPath = CBstr(target);
        } else {
          picturesCopied = false;
          logoWarned = true;
          ShowWarningMessage(owner, IDS_EXPORT_LOGO_NOT_COPIED);
        }
      }
      if (signatureShown) {
        CBstr source(signatureName);
        GetImageFilePath(source);
        // The empty signature line is a picture of the program's own: an image folder that
        // does not hold it (a new device, a cleared folder) gets it drawn.
        if (signatureName == kSignatureLinePicture && !FileExists(source.view()))
          SaveSignatureBitmap(owner, u"", source.c_str());
        const std::u16string target = folder + signatureName;
        if (IsSameFile(source, target) || CopyFileW(source.c_str(), target.c_str(), FALSE)) {
          if (signaturePath) *signaturePath = CBstr(target);
        } else {
          picturesCopied = false;
          if (!logoWarned) ShowWarningMessage(owner, IDS_EXPORT_SIGNATURE_NOT_COPIED);
        }
      }
    }
    if (!drawnSignature.empty()) DeleteFileW(drawnSignature.c_str());
    result = pageWritten && picturesCopied;
  }
  if (!result) ShowWarningMessage(owner, IDS_EXPORT_FAILED);
  return result;
}

bool ExportCsv(CSalesDocument& document, HWND owner, std::u16string_view path) {
  CWaitCursorScope wait;
  CScreenStylesheetRestorer restore(document);
  CBstr folder;
  CBstr stylesheet;
  if (!GetAppDataFolder(folder, true) ||
      ReadTextFile(owner, folder.str() + u"Templates\\" + kCsvExportStylesheetName, stylesheet) == 0) {
    MessageBoxW(owner, u"Failed to load CSV_Export.xsl file.  Export aborted.", u"Slateway", 0);
    return false;
  }
  CXmlDocument& xml = document.GetXmlDocument();
  CBstr text;
  if (xml.LoadStylesheet(stylesheet.str()) != S_OK || FAILED(xml.Transform(&text)) || text.IsEmpty()) {
    ShowWarningMessage(owner, IDS_EXPORT_TRANSFORM_FAILED);
    return false;
  }
  if (!WriteAnsiTextFile(text.str(), path)) {
    const std::u16string target(path);
    ShowWarningResText(owner, IDS_FILE_NOT_WRITTEN, target.c_str());
    return false;
  }
  return true;
}
