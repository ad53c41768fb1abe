// Storage cards: folders in the device's root that are listed as cards.
//
// The list lives in the registry, HKEY_LOCAL_MACHINE "System\StorageCards", value "Cards"
// (REG_MULTI_SZ, one folder name per entry, e.g. "Storage Card"). A listed card whose
// folder is missing counts as taken out and is not enumerated.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Win32Types.h"
#include "platform/kernel/Files.h"

constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x00000100;  // what a card's root folder carries

// The first inserted card (its folder name in cFileName, attributes directory and
// temporary); INVALID_HANDLE_VALUE with ERROR_NO_MORE_FILES when no card is in.
// The search is a snapshot taken here; close it with FindCloseFlashCard.
HANDLE FindFirstFlashCard(LPWIN32_FIND_DATAW findData);
// The next card; FALSE with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFlashCard(HANDLE search, LPWIN32_FIND_DATAW findData);
BOOL FindCloseFlashCard(HANDLE search);

// The broadcast that tells top-level windows a card came or went: WM_DEVICECHANGE with
// the event in wParam and a volume record in lParam.
constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr DWORD DBT_DEVTYP_VOLUME = 0x00000002;
constexpr WORD DBTF_MEDIA = 0x0001;

struct DEV_BROADCAST_HDR {
  DWORD dbch_size;
  DWORD dbch_devicetype;
  DWORD dbch_reserved;
};

struct DEV_BROADCAST_VOLUME {
  DWORD dbcv_size;
  DWORD dbcv_devicetype;
  DWORD dbcv_reserved;
  DWORD dbcv_unitmask;
  WORD dbcv_flags;
};

namespace platform {

inline constexpr char16_t kStorageCardsKey[] = u"System\\StorageCards";
inline constexpr char16_t kStorageCardsValue[] = u"Cards";

// The card folder names listed in the registry, in their order.
std::vector<std::u16string> ListedStorageCards();
// Inserts a card: lists the name (once) and creates its folder in the root.
bool InsertStorageCard(std::u16string_view name);
// Takes a card out of the list; its folder stays.
bool RemoveStorageCard(std::u16string_view name);
// Searches of FindFirstFlashCard that are open right now (tests check for leaks).
int OpenFlashCardSearchCount();

}  // namespace platform
