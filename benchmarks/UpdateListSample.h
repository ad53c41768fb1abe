// The large sample set of update lists: 10,000 items in 100 categories (each category an
// item with its items one level below), 50 groups of three items, the simple lists, and
// 5,000 customers of which every fifth is a job of the one before. Deterministic: the
// same call writes the same bytes, so a second import of it must change nothing.
#pragma once

#include <string>

#include "listupdate/UpdateListWriter.h"
#include "platform/base/Base.h"

namespace bench {

struct SampleSize {
  int items = 10000;
  int categories = 100;
  int groups = 50;
  int customers = 5000;
};

inline std::u16string SampleNumber(long long n) { return platform::ToUtf16(std::to_string(n)); }

// Writes NWQItems.xml and NWQCustomers.xml into `folder` (a device folder ending in "\").
// The options keep what is stored and update existing customers without asking.
inline bool WriteSampleUpdateLists(const std::u16string& folder, const SampleSize& size = {}) {
  const std::u16string stamp = u"2009-06-01T10:00:00-08:00";
  CUpdateListWriter items;
  for (auto [option, value] : {std::pair{"CLEAR_ITEM_LIST", u"NO"}, {"CLEAR_CUSTOMER_LIST", u"NO"},
                               {"OVERWRITE_CUSTOMERS", u"NO"}, {"DISPLAY_CUSTOMER_CC", u"YES"}})
    items.Option(option, value);
  items.BeginList("TAXCODES");
  items.Record("TAXCODEELEMENT", {{"NAME", u"Tax"}, {"LISTID", u"T-1"}, {"TAXABLE", u"True"}, {"MODIFIED", stamp}});
  items.Record("TAXCODEELEMENT", {{"NAME", u"Non"}, {"LISTID", u"T-2"}, {"TAXABLE", u"False"}, {"MODIFIED", stamp}});
  items.EndList();
  items.BeginList("TERMS");
  for (int days : {10, 15, 30, 60})
    items.Record("TERM", {{"LISTID", u"R-" + SampleNumber(days)}, {"NAME", u"Net " + SampleNumber(days)},
                          {"STDDUEDAYS", SampleNumber(days)}, {"MODIFIED", stamp}});
  items.EndList();
  items.BeginList("SALESREPS");
  for (int rep = 0; rep < 20; ++rep)
    items.Record("SALESREP", {{"LISTID", u"S-" + SampleNumber(rep)}, {"NAME", u"R" + SampleNumber(rep)},
                              {"DESC", u"Rep O'Neil " + SampleNumber(rep)}, {"MODIFIED", stamp}});
  items.EndList();
  items.Record("COMPANYINFO", {{"NAME", u"Sample Co"}, {"ADDRESS", u"1 Main St"}, {"CITY", u"Springfield"},
                               {"STATE", u"IL"}, {"ZIP", u"62701"}});
  items.ItemType(u"Inventory Part", true, 2);
  items.ItemType(u"Service", true, 1);

  const int perCategory = size.items / size.categories;
  for (int c = 0; c < size.categories; ++c) {
    std::u16string category = u"Category " + SampleNumber(c);
    UpdateItemRecord head;
    head[kUpdListID] = u"C-" + SampleNumber(c);
    head[kUpdType] = u"Inventory Part";
    head[kUpdName] = head[kUpdFullName] = category;
    head[kUpdModified] = stamp;
    head[kUpdLevel] = u"0";
    items.Item("ITEM", head);
    for (int i = 1; i < perCategory; ++i) {
      int n = c * perCategory + i;
      UpdateItemRecord item;
      item[kUpdListID] = u"I-" + SampleNumber(n);
      item[kUpdType] = n % 3 ? u"Inventory Part" : u"Service";
      item[kUpdName] = u"Item " + SampleNumber(n);
      item[kUpdFullName] = category + u":" + item[kUpdName];
      item[kUpdDesc] = u"Sample item \u00e9 " + SampleNumber(n);
      item[kUpdCost] = SampleNumber(n % 97) + u".25";
      item[kUpdPrice] = SampleNumber(n % 89 + 1) + u".50";
      item[kUpdCatListID] = head[kUpdListID];
      item[kUpdCatName] = category;
      item[kUpdTaxCode] = n % 2 ? u"Tax" : u"Non";
      item[kUpdAccount] = u"Sales";
      item[kUpdCreated] = item[kUpdModified] = stamp;
      item[kUpdEditSeq] = SampleNumber(n);
      item[kUpdLevel] = u"1";
      item[kUpdQtyOnHand] = SampleNumber(n % 40);
      item[kUpdOrderPoint] = u"5";
      items.Item("ITEM", item);
    }
  }
  for (int g = 0; g < size.groups; ++g) {
    UpdateItemRecord group;
    group[kUpdListID] = u"G-" + SampleNumber(g);
    group[kUpdType] = u"Group";
    group[kUpdName] = u"Kit " + SampleNumber(g);
    group[kUpdModified] = stamp;
    std::vector<CUpdateListWriter::GroupLine> lines;
    for (int k = 1; k <= 3; ++k) lines.push_back({u"I-" + SampleNumber(g * 100 + 10 + k), u"", SampleNumber(k)});
    items.Item("GROUP", group, lines);
  }
  if (!items.Save(folder + u"NWQItems.xml")) return false;

  CUpdateListWriter people;
  std::u16string parent;
  for (int p = 0; p < size.customers; ++p) {
    bool job = p % 5 == 4;
    std::u16string name = (job ? u"Job " : u"Customer O'Hara ") + SampleNumber(p);
    std::u16string full = job ? parent + u":" + name : name;
    people.Record("CUSTOMER", {{"LISTID", u"P-" + SampleNumber(p)}, {"MODIFIED", stamp}, {"NAME", name},
                               {"FULLNAME", full}, {"SUBLEVEL", job ? u"1" : u"0"},
                               {"PARENTFULLNAME", job ? parent : u""}, {"COMPANY", u"Company " + SampleNumber(p)},
                               {"A1", SampleNumber(p) + u" Elm St"}, {"CITY", u"Springfield"}, {"STATE", u"IL"},
                               {"ZIP", u"62701"}, {"PHONE", u"555-0100"}, {"TERMSNAME", u"Net 30"},
                               {"BALANCE", SampleNumber(p % 1000) + u".00"}, {"TOTALBALANCE", u"0.00"},
                               {"CC", u"4111111111111111"}, {"CCMO", u"12"}, {"CCYR", u"2030"}});
    if (!job) parent = full;
  }
  return people.Save(folder + u"NWQCustomers.xml");
}

}  // namespace bench
