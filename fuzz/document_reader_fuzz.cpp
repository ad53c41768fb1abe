// Any bytes as a document file: the file loads or fails with one of the reader's error
// texts; a loaded tree survives every reader, the header rules and the writers, and what
// is then saved loads again.
#include <cstddef>
#include <cstdint>

#include "core/CompanyInfo.h"
#include "datastore/DbRecord.h"
#include "document/DocumentHeader.h"
#include "document/JobRecord.h"
#include "document/XmlDocument.h"
#include "fuzz/FuzzDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using fuzzing::Require;
  fuzzing::FuzzDevice& device = fuzzing::FuzzDevice::Get();
  device.Reset("d.QVN", data, size);

  CXmlDocument doc(nullptr);
  Require(doc.IsUsable());
  CBstr error;
  if (!doc.LoadFile(u"\\d.QVN", &error)) {
    Require(error.view() == u"Unknown" || error.view() == u"Failed to load '\\d.QVN'.  This file may be corrupt.");
    return 0;
  }
  Require(error.IsNull());

  CDocumentFileHeader header = ApplyOlderFileRules(doc, nullptr, true);
  Require(header.storedType >= 0 && header.storedType <= 6);
  Require(header.openType >= 0 && header.openType <= 5);
  Require(header.version >= 2 && header.version <= 4);
  Require(header.style >= 0 && header.style <= 4);

  CBstr a, b, c, d;
  CShipToTexts ship;
  CJobRecord job;
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  doc.ReadShipTo(&ship);
  doc.ReadJob(&job);
  doc.ReadCompany(&company);
  doc.ReadCompanyGraphic(&a);
  doc.ReadTotals(&a, &b, &c, &d);
  doc.GetCustomerFullName(&a);
  doc.GetCustomerLastFirstName(&a, &b);
  doc.ReadSignature(&a);

  CLineItemTexts line;
  CDbRecord record;
  LONG lines = 0;
  for (bool ok = doc.ReadFirstLineItem(&line); ok; ok = doc.ReadNextLineItem(&line)) {
    ++lines;
    Require(doc.ReadLineItem(line.key, &record));
    CBstr next;
    doc.GetNextLineKey(line.key, &next);
  }
  Require(lines == doc.CountElements(u"LINEITEM"));

  // Writers on whatever came out.
  doc.WriteCompany(u"COMPANY", CBstr(), CBstr(u"n & <m>"), CBstr(u""), CBstr(), CBstr(), CBstr(), CBstr(), CBstr(u"YES"));
  doc.WriteShipTo(ship);
  doc.WriteJob(job);
  doc.WriteTotals(CBstr(u"1"), CBstr(u"2"), CBstr(u"3"), CBstr());
  doc.SetSignature(CBstr());
  doc.UpdateLineItemAt(0, line);
  record.SetField(13, doc.ChooseLineKey(CBstr(u"1")).view());
  Require(doc.InsertLineItem(CBstr(u"2"), record) == S_OK);
  Require(doc.HasLineItem(CBstr(record.FieldView(13))));
  doc.UpdateLineItem(record);
  doc.RemoveLineItem(CBstr(u"1"));

  Require(doc.SaveFile(u"\\d2.QVN"));
  CXmlDocument again(nullptr);
  Require(again.LoadFile(u"\\d2.QVN", &error));
  return 0;
}
