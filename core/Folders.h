// Folders, files and storage locations: every folder and file path the program uses,
// composed from the settings, in main memory or on a storage card.
//
// A location value "MAIN MEMORY" (or a missing one) means main memory, whose documents
// live below the My Documents folder; any other name is a storage card whose root is
// "\" + name + "\". A folder value "None" means the location's root itself, and so do no
// value and, in main memory, the folder list's root entry (My Documents by its name).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Bstr.h"
#include "platform/kernel/Files.h"

// The folder choice list of the options pages: entry 0 is the location's root entry, the
// others are folder paths relative to the root, each parent before its children.
using CFolderList = std::vector<std::u16string>;

// Path of the My Documents folder; with the flag and a non-empty path a "\" is appended.
// False (out unchanged) when the shell does not know the folder.
bool GetMyDocumentsFolder(CBstr& out, bool addSeparator);
// Application data + "\VendelSoftware\", with the flag + "Slateway\".
bool GetAppDataFolder(CBstr& out, bool addProduct);
// "ProgramPath" (root key), "ImagePath", "LogoPath" (Preferences) + "\" + the file name.
void GetProgramFilePath(CBstr& fileName);
void GetImageFilePath(CBstr& fileName);
void GetLogoFilePath(CBstr& fileName);

void GetDocumentsStorageRoot(CBstr& out);
void GetDocumentsFolder(CBstr& out);
void GetMemorizedFolder(CBstr& out);
void GetDeletedFolder(CBstr& out);
void GetUploadedStorageRoot(CBstr& out);
void GetUploadedFolder(CBstr& out, bool addSeparator);
void GetDatabaseStorageRoot(CBstr& out);
void GetDatabaseFilePath(CBstr& out, bool withFileName);

// The number of files matching folder + "*" + suffix (the folder ends in "\").
int CountFilesInFolder(std::u16string_view folder, std::u16string_view suffix);
// Starts the program's one open file search (continued by FindNextSearchFile) on
// folder + "*" + suffix; true when a file was found.
bool FindFirstFileInFolder(std::u16string_view folder, std::u16string_view suffix,
                           WIN32_FIND_DATAW& findData);
// Moves the document into the deleted-documents folder (made when missing), replacing an
// older copy there in one step (a failed move leaves both files as they were). Refused
// (false, nothing changes) when the deleted folder is no folder of its own or the document
// already is its own target: the document would stay where it is.
bool MoveDocumentToDeleted(CBstr path);
// True when the deleted-documents folder is neither the documents folder nor the memorized
// folder, so that a file in it is a deleted document and nothing else.
bool HasOwnDeletedFolder();
// True when two device paths name one file or folder, however they spell it (case,
// repeated or trailing separators).
bool IsSameDevicePath(std::u16string_view a, std::u16string_view b);
// Makes the folder and every missing folder above it below the top folder, which must be
// there (a storage card that is out stays out); true when the folder exists afterwards.
bool MakeFolderPath(std::u16string_view folder);
// The owner-information file the desktop reads: "OwnerInfo.xml" in the application data's
// VendelSoftware folder, where the uninstall removes it. False when the shell knows no
// application data folder.
bool GetOwnerInfoFilePath(CBstr& out);
void FillFolderList(CFolderList& list, CBstr location);
// The root entry of a location's folder list: in main memory (also a missing location) the
// My Documents folder by its bare name, on a storage card "None". Either names the
// location's root when stored as a folder value.
std::u16string RootFolderEntry(std::u16string_view location);
// The folder value the options pages show for a stored one: no value shows the root entry,
// which is where such a folder lies.
std::u16string ShownFolderValue(std::u16string_view location, std::u16string_view stored);
// Adds every folder below root\relative, depth first.
void CollectSubfolders(CFolderList& list, CBstr root, CBstr relative);
