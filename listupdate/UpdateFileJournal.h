// The update files a list update has read, removed only once what they brought is
// committed to the database.
//
// The job notes each file it reads. Inside its transaction, just before the commit,
// Prepare writes the list of those files beside the database ("ListUpdate.journal") and
// stores a new update stamp in the database (CSqlDatabase::WriteUpdateStamp). After the
// transaction Finish removes the files when it was committed, then the journal. So a
// kill at any moment leaves either the old database with every file (the journal names a
// stamp the database never got, and the next start drops it) or the new database: its
// files are gone, or go at the next start, which finds the journal's stamp in the
// database (CompleteInterrupted).
//
// A file is removed only while it is still the file that was read (the same size and
// time of last write): one the desktop copied over it meanwhile stays for the next update.
#pragma once

#include <string>
#include <vector>

#include "listupdate/UpdateListReader.h"

class CSqlDatabase;

class CUpdateFileJournal {
 public:
  explicit CUpdateFileJournal(CSqlDatabase& database) : m_database(database) {}

  void Note(const CUpdateFileStamp& file) { m_files.push_back(file); }
  // Called inside the transaction, before its commit: writes the journal and stores its
  // stamp. False when either could not be done; the files then still go after a commit,
  // but a kill between the commit and their removal leaves them.
  bool Prepare();
  // After the transaction: removes the noted files when it was committed, and the journal
  // either way.
  void Finish(bool committed);
  // At start-up, before any update: the files of a run killed after its commit are
  // removed; the journal of any killed run goes.
  static void CompleteInterrupted(CSqlDatabase& database);

 private:
  CSqlDatabase& m_database;
  std::vector<CUpdateFileStamp> m_files;
};
