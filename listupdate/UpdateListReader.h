// The reader of the update lists the desktop companion copies to the handheld:
// "NWQItems.xml" and its continuation files (every list but the customers) and
// "NWQCustomers.xml" and its continuation files.
//
// A file is UTF-16 little-endian XML (a byte-order mark is accepted), read whole. The
// reader never deletes it: the job removes the files it read once what they brought is
// committed (CUpdateFileJournal). Every record and identity element is found by its tag
// anywhere in the document, in document order; a record's fields are the texts of its
// direct child elements (the first of that name), with surrounding XML blanks dropped,
// and an absent child reads as an empty text.
//
// Nothing in a file reaches outside it: no DTD is loaded, a document that declares one is
// refused, no entity is expanded and no network is touched.
//
// The file is read in one pass into a compact tree of its elements and their texts (no
// full DOM): an element's text is its own text followed by its children's.
//
// Each kind of walk (records, items, item types, customers, group lines) keeps its own
// position, so an item walk may read its group lines while another walk is open.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "datastore/CustomerRecord.h"
#include "platform/base/Win32Types.h"


// The program's list version; the files of another version are refused.
inline constexpr char16_t kUpdateListVersion[] = u"4.5";

// The 22 texts of one ITEM, GROUP or SALESTAXGROUP element.
enum UpdateItemSlot {
  kUpdListID = 0,
  kUpdType,
  kUpdName,
  kUpdFullName,
  kUpdDesc,
  kUpdCost,
  kUpdPrice,
  kUpdCatListID,
  kUpdCatName,
  kUpdTaxCode,
  kUpdAccount,
  kUpdCreated,
  kUpdModified,
  kUpdEditSeq,
  kUpdLevel,
  kUpdQtyOnHand,
  kUpdUnused,
  kUpdOrderPoint,
  kUpdCustom1Name,
  kUpdCustom1Value,
  kUpdCustom2Name,
  kUpdCustom2Value,
  kUpdateItemSlots
};

struct UpdateItemRecord {
  std::array<std::u16string, kUpdateItemSlots> text;
  const std::u16string& operator[](int slot) const { return text[slot]; }
  std::u16string& operator[](int slot) { return text[slot]; }
};

// The child element names of slots 0-17 (slot 16 has none).
extern const std::array<const char*, 18> kUpdateItemTags;
// The 58 child elements of a CUSTOMER, in their order, with the customer field each fills.
struct UpdateCustomerTag {
  const char* tag;
  int field;
};
extern const std::array<UpdateCustomerTag, 58> kUpdateCustomerTags;

// A file as it was read: its path, size and time of last write.
struct CUpdateFileStamp {
  std::u16string path;
  DWORD size = 0;
  FILETIME written{};
};

// CheckVersion results.
enum UpdateListVersion { kVersionUnknown = 0, kVersionNewer = 1, kVersionOlder = 2, kVersionSame = 3 };

class CUpdateListReader {
 public:
  // `messageOwner` owns the boxes (not owned).
  explicit CUpdateListReader(HWND messageOwner);
  virtual ~CUpdateListReader();
  CUpdateListReader(const CUpdateListReader&) = delete;
  CUpdateListReader& operator=(const CUpdateListReader&) = delete;

  // Drops the loaded document and every walk.
  void Recreate();

  // Reads the whole file and parses it: 1 when it parsed. A file that cannot be opened
  // gives the "Could not open file" box and 0; one too large to hold gives warning 40348
  // and 0. A file that does not parse, or declares a DTD, gives 0 without a box.
  int LoadFile(std::u16string_view path);
  // Parses bytes as a file's content would be; 1 when they parsed.
  int LoadBytes(const void* bytes, size_t size);
  // After a failed load: true when the bytes were read but are no update list; false
  // when the file could not be read at all (the box was shown).
  bool ParseFailed() const { return m_parseFailed; }
  // The file the last LoadFile read whole, as it was read (whether or not it parsed);
  // nothing when it could not be read.
  const std::optional<CUpdateFileStamp>& LoadedFile() const { return m_loadedFile; }

  // Identity elements and list version against the program's (compared as numbers read
  // the same way in every locale): kVersionUnknown when an identity element is missing.
  int CheckVersion(std::u16string_view programVersion);

  int CountElements(std::u16string_view tag);
  // 1 when an element of that tag exists.
  int SelectList(std::u16string_view tag);

  // Walks the elements of `tag`: 1 while a record is current.
  int FirstRecord(std::u16string_view tag);
  int NextRecord();
  // The text of the current record's child `tag`; empty when there is none.
  std::u16string RecordText(std::string_view tag) const;

  // Items: every slot cleared, then filled from the next element; 1 while one was read.
  int FirstItem(UpdateItemRecord& record) { return FirstItemOfTag(u"ITEM", record); }
  int FirstItemOfTag(std::u16string_view tag, UpdateItemRecord& record);
  int NextItem(UpdateItemRecord& record);
  // The group lines of the current item (only for TYPE "Group" or "Sales Tax Group").
  int FirstGroupLine(std::u16string& listId, std::u16string& fullName, std::u16string& quantity);
  int NextGroupLine(std::u16string& listId, std::u16string& fullName, std::u16string& quantity);

  // Item types: the element text, LINEITEMS == "true" and ORDER. The walk ends at an
  // empty text or an element with neither attribute.
  int FirstItemType(std::u16string& name, bool& lineItems, int& order);
  int NextItemType(std::u16string& name, bool& lineItems, int& order);

  // Customers: a new record of the kind the program keeps (a contact record when
  // customers are the device's contacts), or null at the end.
  std::unique_ptr<CCustomerRecord> FirstCustomer();
  std::unique_ptr<CCustomerRecord> NextCustomer();

  // One OPTIONS child: on when its text, upper-cased, is "YES"; `def` when absent.
  bool GetOption(std::string_view name, bool def);
  bool GetClearItemList() { return GetOption("CLEAR_ITEM_LIST", true); }
  bool GetClearCustomerList() { return GetOption("CLEAR_CUSTOMER_LIST", true); }
  bool GetDisplayCustomerBalances() { return GetOption("DISPLAY_CUSTOMER_BALANCES", true); }
  bool GetDisplayCustomerCC() { return GetOption("DISPLAY_CUSTOMER_CC", true); }
  bool GetDisplayProductCosts() { return GetOption("DISPLAY_PRODUCT_COSTS", true); }
  bool GetRoSigned() { return GetOption("RO_SIGNED", false); }
  bool GetOverwriteItems() { return GetOption("OVERWRITE_ITEMS", true); }
  bool GetOverwriteCustomers() { return GetOption("OVERWRITE_CUSTOMERS", true); }

 private:
  struct Node {
    int name = 0;
    int parent = -1;
    int firstChild = -1, lastChild = -1, next = -1;
    // The element's own text: UTF-8, as the parser hands it over, kept in one piece in
    // m_texts.
    size_t textBegin = 0, textLength = 0;
  };
  struct Walk {
    const std::vector<int>* list = nullptr;
    size_t index = 0;
    int Current() const { return list && index < list->size() ? (*list)[index] : -1; }
  };
  friend struct CUpdateListParse;

  // Parses the UTF-16 units of a file (a byte-order mark first is skipped); 1 when they
  // parsed.
  int LoadUnits(std::u16string_view units);
  const std::vector<int>& Elements(std::u16string_view tag) const;
  int NameId(std::string_view name) const;
  int FirstChild(int node, std::string_view tag) const;
  std::string_view OwnText(int node) const { return std::string_view(m_texts).substr(m_nodes[node].textBegin, m_nodes[node].textLength); }
  void AppendText(int node, std::string& out) const;
  std::u16string Text(int node) const;
  std::u16string ChildText(int node, std::string_view tag) const { return Text(FirstChild(node, tag)); }
  std::u16string Attribute(int node, std::string_view name, bool& present) const;
  bool Start(Walk& walk, std::u16string_view tag);
  void ReadItem(int element, UpdateItemRecord& record);
  int ReadGroupLine(std::u16string& listId, std::u16string& fullName, std::u16string& quantity);
  int ReadItemType(std::u16string& name, bool& lineItems, int& order);
  std::unique_ptr<CCustomerRecord> ReadCustomer();
  void FindRecordNames();

  HWND m_messageOwner;  // not owned
  bool m_parseFailed = false;
  std::optional<CUpdateFileStamp> m_loadedFile;
  std::vector<Node> m_nodes;
  std::string m_texts;  // the texts of every node
  std::vector<std::string> m_names;                 // by name id
  std::unordered_map<std::string, int> m_nameIds;
  std::vector<std::vector<int>> m_byName;           // elements of each name, in document order
  std::unordered_map<int, std::vector<std::pair<int, std::string>>> m_attributes;  // by node
  // Name ids of what every item and customer reads, found once per document.
  std::array<int, 18> m_itemTagIds{};
  int m_groupItemsId = -1, m_customId = -1;
  std::vector<int> m_fieldOfName;  // customer field by name id, -1 for none
  Walk m_records, m_items, m_itemTypes, m_customers;
  std::vector<int> m_groupLines;
  size_t m_groupLineIndex = 0;
};
