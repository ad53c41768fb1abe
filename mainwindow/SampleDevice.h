// The embedded default of a new device: the sample database as the program's database,
// and beside it a handful of sample documents of every type, made from the sample
// database's customers and items by the document operations, so a first start shows a
// filled register. A device that already has a documents folder is never touched.
#pragma once

// Lays the default out when the device is new. Needs the program installed ("ProgramPath"
// and the language library); without them it does nothing and the start-up reports what
// is missing. False when part of the default could not be laid out.
bool PrepareNewDevice();

// The sample documents alone, into the documents folder (made when missing), over the
// database at `databasePath`. The number of documents saved.
int MakeSampleDocuments(const char16_t* databasePath);
