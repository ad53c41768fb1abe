// The program's one wrapper over the XML DOM: a data document (a sales document, a report,
// a settings file being imported, the owner-information file) and a stylesheet document.
// It loads and saves files, transforms the data into HTML, reads and writes root
// attributes, writes simple element trees, walks an element's children, and carries the
// block readers and writers and the line-item operations of the document file format.
//
// Texts: a null CBstr is "absent", distinct from the empty text; an absent value never
// creates an element. Out-texts are replaced by new copies the caller owns.
//
// State shared by all operations of one instance: the current node list (the last list
// fetched by tag name, or the children list of the child walk), the current node (the
// element the last search selected; block writers write into it, the element writer
// appends to it), and a cursor into the list. Each search replaces them. Used on the
// user-interface thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/XmlText.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"
#include "platform/xml/XmlDom.h"

// The texts of one line item, as the indexed read and the line cursor hand them out.
// A child the line does not have reads as the empty text.
struct CLineItemTexts {
  CBstr key;            // the ID attribute
  CBstr code;           // CODE (accepted from other writers, never written)
  CBstr type;           // TYPE
  CBstr quantity;       // QUANTITY
  CBstr name;           // NAME
  CBstr description;    // DESCRIPTION
  CBstr price;          // PRICE
  CBstr cost;           // COST
  CBstr priceLevel;     // PRICELEVEL
  CBstr unitOfMeasure;  // UNITOFMEASURE
  CBstr total;          // TOTAL
  CBstr taxable;        // TAXABLE
  CBstr tax2;           // TAX2 (accepted from other writers, never written)
  CBstr serviceDate;    // SERVICED
  CBstr taxAmount;      // TAX_AMOUNT
  CBstr customName1;    // CUSTOM_1_NAME
  CBstr customValue1;   // CUSTOM_1_VALUE
  CBstr customName2;    // CUSTOM_2_NAME
  CBstr customValue2;   // CUSTOM_2_VALUE
};

// The ten ship-to texts in their stored order.
class CCompanyInfo;
class CCustomerRecord;
class CDbRecord;
class CJobRecord;

struct CShipToTexts {
  CBstr name, address1, address2, address3, city, state, zip, country, phone, email;
};

class CXmlDocument {
 public:
  // Creates both DOM documents; when either cannot be made the out-of-memory box is shown
  // (no owner) and the instance stays unusable (every operation then fails).
  explicit CXmlDocument(HWND owner);
  virtual ~CXmlDocument();
  CXmlDocument(const CXmlDocument&) = delete;
  CXmlDocument& operator=(const CXmlDocument&) = delete;

  // A DOM document set up as the program wants it: synchronous, no validation, no
  // external resolution. Null when it cannot be made.
  static std::unique_ptr<CXmlDomDocument> CreateDomDocument();

  bool IsUsable() const { return m_data && m_stylesheet; }
  // Whether lines inserted from now on mark a taxable line's total; the owning document
  // passes its sales-tax choice here, so each document follows its own. Off until set.
  void SetUseSalesTax(bool on) { m_useSalesTax = on; }
  HWND GetOwner() const { return m_owner; }
  // The DOM documents themselves (not owned by the caller), for the few callers that need
  // more than this class offers.
  CXmlDomDocument* GetDataDocument() const { return m_data.get(); }

  // ---- Files ---------------------------------------------------------------------------
  // Loads a device file. The text must contain "<?xml"; its bytes are then parsed with the
  // encoding they declare (UTF-8 when none). On success `error` becomes absent; on
  // failure it holds "Unknown" (no file, nothing read), the out-of-memory text,
  // DocumentTooLargeText(path) for a file larger than any document (nothing of it is
  // read), or "Failed to load '<path>'.  This file may be corrupt.".
  bool LoadFile(std::u16string_view path, CBstr* error);
  // The text LoadFile gives for a file larger than a document can be (the corrupt-file
  // text when no language library offers one).
  static std::u16string DocumentTooLargeText(std::u16string_view path);
  // What is wrong with a file LoadFile could read nothing of ("Unknown"), naming it: gone,
  // a folder, no ordinary file (a pipe, a device or a link to one), empty, or unreadable.
  static std::u16string UnreadableFileText(std::u16string_view path);
  // Loads a text only when it contains "<?xml"; otherwise false and nothing changes.
  bool LoadXmlText(std::u16string_view text);
  // Writes the data document's XML (UTF-8) through a temporary file renamed over the
  // target. False when there is nothing to write or the write failed (the old file is
  // then untouched).
  bool SaveFile(std::u16string_view path);
  // The same for a file that must not exist yet: one that is there (in any letter case)
  // stays untouched, and the last error is then ERROR_FILE_EXISTS.
  bool SaveNewFile(std::u16string_view path);
  // The stylesheet document from an XSL text; the DOM's result (S_OK when accepted).
  HRESULT LoadStylesheet(std::u16string_view xsl);
  // The data transformed by the stylesheet; the DOM's result.
  HRESULT Transform(CBstr* html);
  // Whether what the stylesheet makes can show the root attribute `name`: it names it, or
  // reads or copies attributes it does not name. Only a false is sure (a true may be the
  // name met in a caption); false when there is no stylesheet.
  bool StylesheetMayRead(std::u16string_view name) const;

  // ---- Root attributes -------------------------------------------------------------------
  // `value` becomes the empty text first; true when the root has the attribute.
  bool GetRootAttribute(std::u16string_view name, CBstr* value);
  // An absent value writes the empty text. False without a root.
  bool SetRootAttribute(std::u16string_view name, const CBstr& value);
  // Takes the attribute off the root (true also when it was not there). False without a root.
  bool RemoveRootAttribute(std::u16string_view name);

  // ---- Element writer (report XML, owner information) ------------------------------------
  // Appends a new element to the current node (to the document when there is none, which
  // makes it the root) and makes it current.
  HRESULT BeginElement(CBstr name);
  // With a current node and a present text: appends an element holding the text.
  HRESULT AddTextElement(CBstr name, const CBstr& text);
  // Makes the current node's parent current; the name is only released.
  HRESULT EndElement(CBstr name);

  // ---- Child walk (settings import) ------------------------------------------------------
  // True when the first element `tag` has a child: the three out-texts are cleared, the
  // children become the current list, and the first child's node name, text and
  // `attributeName` value (absent when it has none) are returned.
  bool FindFirstChild(std::u16string_view tag, std::u16string_view attributeName, CBstr* name, CBstr* text,
                      CBstr* attribute);
  // The next child the same way; false after the last (the list is then released).
  bool FindNextChild(CBstr* name, CBstr* text, CBstr* attribute);

  // ---- Searches -------------------------------------------------------------------------
  // Elements of the tag in the data document; the list stays current.
  LONG CountElements(std::u16string_view tag);
  // 0 when the index-th element of the tag exists and is now the current node; nonzero
  // (and no current node) otherwise.
  int SelectElement(std::u16string_view tag, LONG index);
  // Select from a fresh list (or from the current list) and read an attribute; 0 when the
  // attribute was found.
  int SelectElementAt(std::u16string_view tag, LONG index, std::u16string_view attributeName, CBstr* value);
  int GetItemAttribute(LONG index, std::u16string_view attributeName, CBstr* value);
  // The text of the node's first child element of the name, or the empty text.
  CBstr GetChildText(const CXmlDomNode& node, std::u16string_view childName);
  bool GetNodeAttribute(const CXmlDomNode& node, std::u16string_view name, CBstr* value);
  // An existing child of the name gets the value (empty for absent); a missing one is
  // appended to the node, holding the value, only when the value is present.
  HRESULT SetChildText(const CXmlDomNode& node, std::u16string_view childName, const CBstr& value);
  // Appends to `parent` a new element holding one text node (empty for an absent value).
  HRESULT AppendChildWithText(const CXmlDomNode& parent, std::u16string_view name, const CBstr& value);

  // ---- Blocks ----------------------------------------------------------------------------
  // Writers return 0 on success, nonzero when the block is missing (the company and
  // ship-to writers create theirs as the root's last child instead). Optional arguments
  // that are absent leave their children alone. Readers return false and leave their
  // outputs as they were when the block is missing; a missing child reads as empty.
  int WriteCompany(std::u16string_view element, const CBstr& userName, const CBstr& name, const CBstr& address1,
                   const CBstr& address2, const CBstr& address3, const CBstr& phone, const CBstr& email,
                   const CBstr& showLogo);
  // Name, user name, address lines 1-3, phone, e-mail and show-logo text into the record.
  bool ReadCompany(CCompanyInfo* company);
  bool SetCompanyGraphic(const CBstr& fileName);
  bool ReadCompanyGraphic(CBstr* fileName);
  int WriteShipTo(const CShipToTexts& shipTo);
  bool ReadShipTo(CShipToTexts* shipTo);
  // The customer block from the record's fields (absent fields leave their children
  // alone). A customer from the device's contacts (`contacts`) is keyed by "OID", a
  // table customer by "LISTID".
  int WriteCustomer(const CCustomerRecord& customer, bool contacts);
  // The record's fields from the customer block. A contacts customer takes its first and
  // last name from a "Last, First" FULLNAME when both parts are there (with COMPANYNAME),
  // else from FIRSTNAME and LASTNAME (COMPANYNAME only when not empty); it takes neither
  // NAME nor FULLNAME. COUNTRY and CONTACT are not read; the account children (terms,
  // balances, card, notes, sublevel, parent) only when the block has them.
  bool ReadCustomer(CCustomerRecord* customer, bool contacts);
  bool GetCustomerFullName(CBstr* text);
  bool GetCustomerCompanyName(CBstr* text);
  bool GetCustomerLastFirstName(CBstr* firstName, CBstr* lastName);
  bool SetSignature(const CBstr& strokes);
  bool ReadSignature(CBstr* strokes);
  bool SetSignatureFile(const CBstr& fileName);
  bool ReadSignatureFile(CBstr* fileName);
  // The JOB block from and into job slots 15, 0, 1, 2, 8, 9, 10, 12, 13, 14, 3, 4, 6, 7,
  // 16 (LISTID, NAME, DESC, TYPE, ADDRESS1-3, CITY, STATE, ZIP, STATUS, STARTDATE,
  // PROJECTEDENDDATE, ENDDATE, NOTES); slots 5 and 11 are not stored.
  int WriteJob(const CJobRecord& job);
  bool ReadJob(CJobRecord* job);
  int WriteTotals(const CBstr& subtotal, const CBstr& tax, const CBstr& total, const CBstr& totalQuantity);
  // The total is set to the empty text first.
  bool ReadTotals(CBstr* subtotal, CBstr* tax, CBstr* total, CBstr* totalQuantity);
  bool ReadTotal(CBstr* total);
  // The document's total as a figure: TOTAL when it is a number (nothing: 0); when it is
  // not (damaged), SUBTOTAL + TAX as the document worked it out, when both are numbers
  // (`recomputed` tells); else none.
  std::optional<double> ReadTotalFigure(bool* recomputed);

  // ---- Line items --------------------------------------------------------------------------
  // The lines are the LINEITEM elements in document order. They are indexed by position
  // and key, and the index follows every change made through this class, so a line is
  // found without walking the document; a document loaded (here or into the DOM itself)
  // is indexed again when a line is next asked for.
  //
  // A new LINEITEM, keyed by record text 13, before the line carrying `beforeKey` (at the
  // root's end when no key is given or no line carries it), with every child written from
  // the record. The DOM's result (S_OK on success); `position` (may be null) receives the
  // new line's position.
  // TOTAL carries the taxable mark only while SetUseSalesTax is on.
  HRESULT InsertLineItem(const CBstr& beforeKey, const CDbRecord& record, LONG* position = nullptr);
  // Rewrites the children of the line keyed by record text 13 from the record; ACCOUNT,
  // VENDOR and TOTAL stay. S_OK when the line list could be read (an unknown key changes
  // nothing).
  HRESULT UpdateLineItem(const CDbRecord& record);
  // Sets the present texts of `values` on the index-th line (key, code and tax2 are not
  // used); absent ones leave their children alone. A present service date also sets
  // QBSERVICED; a present custom name also sets its value. True when the line exists.
  // `reuseList` is kept for callers that walk the lines: the index is always current.
  bool UpdateLineItemAt(LONG index, const CLineItemTexts& values, bool reuseList = false);
  // The key a new line gets: the record's own key unless it is empty or a line already
  // carries it; else the number of lines plus one, raised while a line carries it.
  CBstr ChooseLineKey(const CBstr& recordKey);
  // Fills the record from the line carrying the key; true when found.
  bool ReadLineItem(const CBstr& key, CDbRecord* record);
  // True when a line with the key was removed from the root; `position` (may be null)
  // receives the position it had.
  bool RemoveLineItem(const CBstr& key, LONG* position = nullptr);
  // True when a line with the key exists and another follows it; `next` is that one's key.
  bool GetNextLineKey(CBstr key, CBstr* next);
  // True when a line carries the key (an absent key: false). HasLineItem and FindLineItem
  // leave the line as the current node; FindLineItem also drops the current list.
  bool HasLineItem(const CBstr& key);
  bool IsLineKeyTaken(const CBstr& key);
  bool FindLineItem(const CBstr& key);
  bool HasLineItems();
  // The number of lines; the position of the first line carrying the key (-1 when none);
  // the key of the line at a position (false when there is none).
  LONG GetLineCount();
  LONG GetLinePosition(const CBstr& key);
  bool GetLineKeyAt(LONG index, CBstr* key);
  // The index-th line's texts (`reuseList` as for UpdateLineItemAt).
  bool ReadLineItemAt(LONG index, CLineItemTexts* line, bool reuseList = false);
  // The line cursor: the first starts at line 0; the next moves on and fails past the
  // last line (and keeps failing).
  bool ReadFirstLineItem(CLineItemTexts* line);
  bool ReadNextLineItem(CLineItemTexts* line);
  // Grows with every change of the lines made through this class (a line inserted,
  // removed or written, a document loaded), so that a reader can tell that the lines are
  // still as it last saw them.
  std::uint64_t GetLineVersion() const { return m_lineVersion; }
  // The page a document holding only the root (its attributes) and the index-th line gives
  // with the loaded stylesheet: what that line alone looks like. The DOM's result.
  HRESULT TransformLine(LONG index, CBstr* html);

  // One child's text of the block (the first element of the tag) of a usable instance:
  // empty when the block has no such child; false, and `value` as it was, when there is
  // no block.
  bool ReadBlockChild(std::u16string_view tag, std::u16string_view child, CBstr* value);
  // The names of the block's child elements, in order (none when there is no block).
  std::vector<std::u16string> BlockChildNames(std::u16string_view tag);
  // Removes the block's empty child elements whose names `keep` does not hold, so that a
  // block written whole again takes back the shape it had.
  void DropEmptyBlockChildren(std::u16string_view tag, const std::vector<std::u16string>& keep);

 private:
  // The first line of a key and how many lines carry it.
  struct KeyedLine {
    CXmlDomNode line;
    int count = 0;
  };
  bool SelectBlock(std::u16string_view tag, bool create);
  bool WriteBlockChild(std::u16string_view tag, std::u16string_view child, const CBstr& value);
  // The line index, built again when it is stale or the document was loaded meanwhile.
  bool FetchLines();
  void IndexLines(const CXmlDomNode& root);
  // The position of the line carrying `key` (it becomes the current node), or -1.
  LONG FindLineIndex(const CBstr& key);
  LONG PositionOf(const CXmlDomNode& line) const;
  void IndexInsertedLine(LONG position, const CXmlDomNode& line, const std::u16string& key);
  void IndexRemovedLine(LONG position, const std::u16string& key);
  void ReadLine(const CXmlDomNode& line, CLineItemTexts* out);
  void ReadChildAt(CBstr* name, CBstr* text, CBstr* attribute);
  // The loaded stylesheet, read once for transforming.
  const CXslTransform& Stylesheet();
  void LinesChanged() {
    m_linesIndexed = false;
    ++m_lineVersion;
  }

  HWND m_owner = nullptr;
  bool m_useSalesTax = false;
  std::unique_ptr<CXmlDomDocument> m_data;
  std::unique_ptr<CXmlDomDocument> m_stylesheet;
  // The stylesheet read for transforming, once per stylesheet loaded (a page is made
  // again for every line changed).
  std::unique_ptr<CXslTransform> m_transform;
  CXmlDomNodeList m_list;
  CXmlDomNode m_current;
  LONG m_cursor = 0;
  LONG m_count = 0;
  CBstr m_attributeName;
  // The line index: valid while m_linesIndexed and the document's root is m_indexRoot (a
  // handle on the root keeps its document alive, so a new document never reuses it).
  bool m_linesIndexed = false;
  CXmlDomNode m_indexRoot;
  std::vector<CXmlDomNode> m_lines;
  std::unordered_map<std::u16string, KeyedLine> m_lineKeys;
  LONG m_lineCursor = 0;
  std::uint64_t m_lineVersion = 0;
};
