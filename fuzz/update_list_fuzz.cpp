// Any bytes as an update list: the file loads or is refused, read whole either way (and
// left for the job to remove); a loaded list answers the version check, the options and
// every walk of records, items, group lines, item types and customers, each walk ending.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzDevice.h"
#include "listupdate/UpdateListReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using fuzzing::Require;
  fuzzing::FuzzDevice& device = fuzzing::FuzzDevice::Get();
  device.Reset("NWQItems.xml", data, size);

  CUpdateListReader reader(nullptr);
  int loaded = reader.LoadFile(u"\\NWQItems.xml");
  Require(reader.LoadedFile() && reader.LoadedFile()->size == size);
  Require(device.boxes.shown == 0);
  if (!loaded) {
    Require(reader.ParseFailed());
    return 0;
  }
  int version = reader.CheckVersion(kUpdateListVersion);
  Require(version >= kVersionUnknown && version <= kVersionSame);
  reader.GetClearItemList();
  reader.GetRoSigned();

  const size_t limit = size + 1;  // no walk visits more records than the file has bytes
  size_t visited = 0;
  for (int more = reader.FirstRecord(u"TERM"); more && visited < limit; more = reader.NextRecord(), ++visited)
    reader.RecordText("NAME");
  UpdateItemRecord item;
  std::u16string a, b, c;
  for (const char16_t* tag : {u"ITEM", u"GROUP", u"SALESTAXGROUP"}) {
    for (int more = reader.FirstItemOfTag(tag, item); more; more = reader.NextItem(item)) {
      Require(++visited < limit);
      for (int line = reader.FirstGroupLine(a, b, c); line; line = reader.NextGroupLine(a, b, c))
        Require(++visited < limit);
    }
  }
  bool lineItems = false;
  int order = 0;
  for (int more = reader.FirstItemType(a, lineItems, order); more; more = reader.NextItemType(a, lineItems, order))
    Require(++visited < limit);
  for (auto customer = reader.FirstCustomer(); customer; customer = reader.NextCustomer())
    Require(++visited < limit);
  return 0;
}
