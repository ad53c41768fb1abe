#include "core/Parcel.h"

#include <map>
#include <mutex>
#include <vector>

namespace {

struct Parcel {
  HWND receiver;
  const void* type;
  void* object;
  void (*deleter)(void*);
};

// The desk's shelf. It lives to the end of the process and frees what is left on it then.
class Shelf {
 public:
  ~Shelf() {
    for (auto& [ticket, parcel] : m_parcels) parcel.deleter(parcel.object);
  }
  std::mutex m_lock;
  std::map<LPARAM, Parcel> m_parcels;
  LPARAM m_lastTicket = 0;
};

Shelf& TheShelf() {
  static Shelf shelf;
  return shelf;
}

}  // namespace

LPARAM CParcelDesk::Put(HWND receiver, const void* type, void* object, Deleter deleter) {
  Shelf& shelf = TheShelf();
  std::lock_guard<std::mutex> hold(shelf.m_lock);
  const LPARAM ticket = ++shelf.m_lastTicket;
  shelf.m_parcels.emplace(ticket, Parcel{receiver, type, object, deleter});
  return ticket;
}

void* CParcelDesk::Take(LPARAM ticket, const void* type) {
  Shelf& shelf = TheShelf();
  std::lock_guard<std::mutex> hold(shelf.m_lock);
  auto found = shelf.m_parcels.find(ticket);
  if (found == shelf.m_parcels.end() || found->second.type != type) return nullptr;
  void* object = found->second.object;
  shelf.m_parcels.erase(found);
  return object;
}

void CParcelDesk::DropFor(HWND receiver) {
  std::vector<Parcel> dropped;
  {
    Shelf& shelf = TheShelf();
    std::lock_guard<std::mutex> hold(shelf.m_lock);
    for (auto it = shelf.m_parcels.begin(); it != shelf.m_parcels.end();) {
      if (it->second.receiver != receiver) {
        ++it;
        continue;
      }
      dropped.push_back(it->second);
      it = shelf.m_parcels.erase(it);
    }
  }
  // Freed outside the lock: a parcel's destructor may hand over parcels of its own.
  for (const Parcel& parcel : dropped) parcel.deleter(parcel.object);
}

std::size_t CParcelDesk::CountFor(HWND receiver) {
  Shelf& shelf = TheShelf();
  std::lock_guard<std::mutex> hold(shelf.m_lock);
  std::size_t count = 0;
  for (const auto& [ticket, parcel] : shelf.m_parcels) count += parcel.receiver == receiver ? 1 : 0;
  return count;
}
