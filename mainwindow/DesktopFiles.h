// The files the desktop companion's commands exchange with the program: the owner
// information, the document templates and the database with its update file.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

class CItemStore;
class CSalesDocument;

// The update file a list-update command names in its data: exactly `cbData` bytes of
// UTF-16 (trailing nulls dropped), never read past that count. None (the list update's
// own files) without data, or for data that is no name: an odd byte count, a null inside,
// or longer than MAX_PATH characters.
std::optional<std::u16string> UpdateFileFromCopyData(const COPYDATASTRUCT& copy);

// The owner-information file (GetOwnerInfoFilePath, where the uninstall removes it): the
// owner's cached texts (an absent text leaves its element out), replaced whole. True when
// written.
bool WriteOwnerInfoFile(HWND owner);

// The six templates of the "Templates" folder, each the stylesheet of its kind generated
// from `document` for files. The number written.
int WriteDocumentTemplates(const CSalesDocument& document);

// The database file, its backup and the update file the desktop supplies or takes.
struct CDatabaseFiles {
  std::u16string folder;  // ends in "\"
  std::u16string name;    // the preference "Database"
  std::u16string Database() const { return folder + name; }
  std::u16string Backup() const { return folder + name + u".bak"; }
  std::u16string Update() const { return folder + kUpdateName; }
  static constexpr const char16_t* kUpdateName = u"DBUpdate.db";
};
CDatabaseFiles GetDatabaseFiles();

// Copies the database onto the update file (replacing it whole). True when copied.
bool CopyDatabaseToUpdateFile(const CDatabaseFiles& files);

enum class DatabaseExchange {
  Replaced,  // the update file is the database now, the old one its backup
  Kept,      // something failed: the old database is back in place and open again
};
// Closes the store, keeps the database as its backup, makes the update file the database
// and opens it. When a step fails, or the new database does not open, the old database
// goes back in place (the update file too, when it had been moved) and is opened again.
DatabaseExchange ExchangeDatabase(CItemStore& store, const CDatabaseFiles& files);
