// Objects handed to another window for good with a window message. The sender leaves the
// object at the parcel desk, addressed to the receiving window, and the message carries
// only the parcel's ticket in lParam; the receiver redeems the ticket and owns the object
// from then on. A ticket redeems once, and only as the type it was left as, so a message
// handled twice (or a stale or made-up lParam) frees nothing twice. A parcel nobody redeems
// is freed when its window is destroyed (window objects tell the desk at WM_NCDESTROY;
// other receivers call DropFor) and, at the latest, when the process ends.
//
//   PostParcel(mainWindow, kMsgShowReport, kind, std::make_unique<std::u16string>(path));
//   ...
//   case kMsgShowReport: {
//     std::unique_ptr<std::u16string> path = CParcelDesk::Redeem<std::u16string>(lParam);
//
// The desk may be used from any thread; tickets never repeat within a process.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/user/Window.h"

class CParcelDesk {
 public:
  // Takes the object and returns its ticket (never 0); 0 for a null object.
  template <typename T>
  static LPARAM Leave(HWND receiver, std::unique_ptr<T> object) {
    if (!object) return 0;
    return Put(receiver, TypeTag<T>(), object.release(), [](void* p) { delete static_cast<T*>(p); });
  }
  // The object left under `ticket` as a T, now the caller's; null when there is none (never
  // left, already redeemed, dropped, or left as another type, which then stays).
  template <typename T>
  static std::unique_ptr<T> Redeem(LPARAM ticket) {
    return std::unique_ptr<T>(static_cast<T*>(Take(ticket, TypeTag<T>())));
  }
  // Frees every parcel addressed to `receiver` and not yet redeemed.
  static void DropFor(HWND receiver);
  // How many parcels wait for `receiver`.
  static std::size_t CountFor(HWND receiver);

 private:
  using Deleter = void (*)(void*);
  template <typename T>
  static const void* TypeTag() {
    static const char tag = 0;
    return &tag;
  }
  static LPARAM Put(HWND receiver, const void* type, void* object, Deleter deleter);
  static void* Take(LPARAM ticket, const void* type);
};

// Leaves the object for `window` and posts `msg` with its ticket. When the post fails the
// object is freed at once and the result is FALSE.
template <typename T>
BOOL PostParcel(HWND window, UINT msg, WPARAM wParam, std::unique_ptr<T> object) {
  const LPARAM ticket = CParcelDesk::Leave(window, std::move(object));
  if (PostMessageW(window, msg, wParam, ticket)) return TRUE;
  CParcelDesk::Redeem<T>(ticket);
  return FALSE;
}

// Leaves the object for `window` and sends `msg` with its ticket; what the receiver did not
// redeem during the call is freed when it returns. The receiver's answer.
template <typename T>
LRESULT SendParcel(HWND window, UINT msg, WPARAM wParam, std::unique_ptr<T> object) {
  const LPARAM ticket = CParcelDesk::Leave(window, std::move(object));
  const LRESULT result = SendMessageW(window, msg, wParam, ticket);
  CParcelDesk::Redeem<T>(ticket);
  return result;
}
