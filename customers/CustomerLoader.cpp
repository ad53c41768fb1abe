#include "customers/CustomerLoader.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

#include "datastore/CustomerSource.h"
#include "platform/user/Window.h"

CCustomerLoader::~CCustomerLoader() { Stop(); }

void CCustomerLoader::Start(CCustomerSource& source, std::u16string filter, bool byCompany, int priority) {
  Stop();
  m_stop.store(false);
  m_finished.store(false);
  m_source = &source;
  m_thread = std::thread(&CCustomerLoader::Run, this, std::ref(source), std::move(filter), byCompany, priority);
}

void CCustomerLoader::Stop() {
  m_stop.store(true);
  // A large list would keep the loader in its load long after the stop: the load is cut
  // short, and again until the loader has ended, as a cut that comes just before the load
  // begins misses it.
  while (Running()) {
    m_source->InterruptLoad();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  Wait();
}

void CCustomerLoader::Wait() {
  if (m_thread.joinable()) m_thread.join();
}

void CCustomerLoader::Run(CCustomerSource& source, std::u16string filter, bool byCompany, int priority) {
  if (priority != kPriorityNormal) {
    // Each step below normal is one step of niceness for this thread alone.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, tid, priority - kPriorityNormal);
  }
  int loaded = 0;
  if (!m_stop.load() && source.Open()) {
    if (!m_stop.load()) source.LoadList();
    if (!m_stop.load()) {
      source.BuildLetterIndex(filter, byCompany);
      loaded = 1;
    }
  }
  const bool stopped = m_stop.load();
  m_finished.store(true);
  if (!stopped) {
    if (HWND notify = m_notify.load()) PostMessageW(notify, m_message, static_cast<WPARAM>(loaded), 0);
  }
}
