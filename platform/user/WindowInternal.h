// Internal to the pieces of the window tree (Window.cpp, WindowClass.cpp, WindowProc.cpp,
// WindowGeometry.cpp, WindowActivation.cpp, WindowTree.cpp): what one of them keeps and the
// others call, beyond what WindowManager.h gives the whole window system.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/user/WindowManager.h"

namespace platform::user {

// ---- Classes (WindowClass.cpp) ------------------------------------------------------------
// The key of a class name in the class table (an atom names the class at its index); empty
// for an atom that names none. With the lock held.
std::u16string ClassKey(LPCWSTR className);
// The classes of the system, as registered: name, procedure and window extra bytes.
std::vector<std::pair<std::u16string, std::pair<WNDPROC, int>>>& SystemClasses();

// ---- The window tree (WindowTree.cpp), with the lock held -----------------------------------
// Removes `w` from its parent's child list or the top-level list.
void UnlinkLocked(Window& w);
bool IsInSubtreeLocked(HWND hwnd, HWND root);
// `hwnd` and its descendants, parents before their children; `skipDestroying` leaves out
// the children already on their way out, with their own children.
void CollectPreOrderLocked(HWND hwnd, std::vector<HWND>& out, bool skipDestroying = false);

// ---- Z-order and activation (WindowActivation.cpp), with the lock held -------------------------
// Puts a top-level window on top of its band.
void InsertOnTopLocked(HWND hwnd);
// The window that takes activation when `leaving` is hidden or destroyed.
HWND NextActiveLocked(HWND leaving);

// ---- Repainting (WindowGeometry.cpp), without the lock ------------------------------------------
// The window and its descendants are painted again.
void InvalidateTree(HWND hwnd);
// What the window leaves bare when it is hidden, moved or destroyed is painted again.
void InvalidateUncovered(HWND hwnd);

}  // namespace platform::user
