// Writes update-list files in the desktop companion's form (UTF-16 little-endian with a
// byte-order mark): for tests of the import and for the generator of sample sets.
//
//   CUpdateListWriter file;
//   file.Option("CLEAR_ITEM_LIST", u"NO");
//   file.BeginList("TERMS");
//   file.Record("TERM", {{"LISTID", u"20000-1"}, {"NAME", u"Net 30"}});
//   file.EndList();
//   file.Save(u"\\My Documents\\NWQItems.xml");
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "listupdate/UpdateListReader.h"

class CUpdateListWriter {
 public:
  struct GroupLine {
    std::u16string listId, fullName, quantity;
  };
  using Fields = std::initializer_list<std::pair<std::string_view, std::u16string_view>>;

  // The identity elements with DATABASE Version = `version` (no attribute when empty).
  explicit CUpdateListWriter(std::u16string_view version = kUpdateListVersion);

  // One child of OPTIONS.
  void Option(std::string_view name, std::u16string_view text);
  void BeginList(std::string_view container);
  // Closes the container begun last.
  void EndList();
  // One record element with its children, in the order given.
  void Record(std::string_view tag, Fields fields);
  void ItemType(std::u16string_view name, bool lineItems, int order);
  // An ITEM, GROUP or SALESTAXGROUP element: slots 0-17 by their tags, the custom fields
  // that have a name, and the group lines.
  void Item(std::string_view tag, const UpdateItemRecord& item, const std::vector<GroupLine>& lines = {});

  // The whole document.
  std::u16string Text() const;
  // Writes the document to a device path; false when the file cannot be written.
  bool Save(std::u16string_view path) const;

 private:
  void Element(std::string_view tag, std::u16string_view text);

  std::u16string m_version;
  std::u16string m_options;
  std::u16string m_body;
  std::vector<std::string> m_open;  // containers begun and not yet ended
};
