// The background loader: one step after another, stopped between steps, always joined,
// and restarted when the list window changes its source.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "customers/CustomerListWnd.h"
#include "datastore/CustomerSource.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Window.h"

namespace {

// A source whose Open waits at a gate the test opens.
class GatedSource : public CCustomerSource {
 public:
  GatedSource() : CCustomerSource(nullptr) {}
  void OpenGate() {
    std::lock_guard lock(m_mutex);
    m_open = true;
    m_changed.notify_all();
  }
  void WaitUntilOpening() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return opens > 0; });
  }

  int Open() override {
    std::unique_lock lock(m_mutex);
    ++opens;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_open; });
    return prepares ? 1 : 0;
  }
  bool LoadList() override {
    ++loads;
    // A list too long to wait for: the load goes on until it is cut short.
    std::unique_lock lock(m_mutex);
    m_changed.notify_all();
    // The limit only keeps a loader that is never stopped from hanging the test.
    m_changed.wait_for(lock, std::chrono::minutes(1), [this] { return !holdLoad || interrupted; });
    cutShort = holdLoad && interrupted;
    return !interrupted;
  }
  void InterruptLoad() override {
    std::lock_guard lock(m_mutex);
    interrupted = true;
    m_changed.notify_all();
  }
  // (The limit only keeps a stop that never interrupts from hanging the test.)
  void WaitUntilInterrupted() {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::minutes(1), [this] { return interrupted; });
  }
  void WaitUntilLoading() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return loads > 0; });
  }
  void BuildLetterIndex(std::u16string_view, bool) override { ++indexes; }
  void FreeList() override {}
  int HasOwnTable() override { return 0; }
  int GetCount(std::u16string_view, bool) override { return 0; }
  std::unique_ptr<CCustomerRecord> CreateNew(int) override { return nullptr; }
  int AddRecord(CCustomerRecord&, const CCustomerShipTo*, int) override { return 0; }
  int UpdateRecord(CCustomerRecord&, const CCustomerShipTo*) override { return 0; }
  LONG Exists(const CCustomerRecord&) override { return 0; }
  int ReopenItems() override { return 0; }
  void ReapplyFilter() override {}
  int EditEntry(HWND, int, bool) override { return 0; }
  int DeleteEntry(int) override { return 0; }
  bool GetRecordAt(int, CCustomerRecord&, bool, bool) override { return false; }
  int GetEntryAt(int, CCustomerListEntry&) override { return 0; }
  bool FindByFullName(std::u16string_view, CCustomerFields&) override { return false; }
  std::unique_ptr<CCustomerRecord> GetRecordByOid(LONG, bool) override { return nullptr; }
  std::unique_ptr<CCustomerRecord> GetRecordByListID(std::u16string_view) override { return nullptr; }

  int opens = 0;  // guarded by the mutex
  bool holdLoad = false;
  bool interrupted = false;  // guarded by the mutex
  bool cutShort = false;     // the held load ended by its interruption, guarded by the mutex
  std::atomic<int> loads{0};
  std::atomic<int> indexes{0};
  bool prepares = true;

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_open = false;
};

using CustomerLoader = platform::testing::DeviceTest;

// Opens the gate from another thread once the loader has been told to stop (a stop
// interrupts the source's load), while the caller blocks on that stop.
std::thread OpenOnceStopped(GatedSource& source) {
  return std::thread([&source] {
    source.WaitUntilInterrupted();
    source.OpenGate();
  });
}

TEST_F(CustomerLoader, ARestartStopsTheRunningLoaderBetweenItsSteps) {
  GatedSource source;
  CCustomerLoader loader;
  loader.Start(source, u"", false, CCustomerLoader::kPriorityBelowNormal);
  source.WaitUntilOpening();
  EXPECT_TRUE(loader.Running());
  std::thread opener = OpenOnceStopped(source);
  loader.Start(source, u"", false, CCustomerLoader::kPriorityBelowNormal);  // waits for the first
  opener.join();
  loader.Wait();
  EXPECT_FALSE(loader.Running());
  EXPECT_EQ(source.loads, 1);  // the stopped one went no further than its Open
  EXPECT_EQ(source.indexes, 1);
}

TEST_F(CustomerLoader, AStopCutsALongLoadShortAndBuildsNoIndex) {
  GatedSource source;
  source.OpenGate();
  source.holdLoad = true;
  CCustomerLoader loader;
  loader.Start(source, u"", false, CCustomerLoader::kPriorityNormal);
  source.WaitUntilLoading();
  loader.Stop();
  EXPECT_TRUE(source.cutShort) << "the load ran to its end";
  EXPECT_FALSE(loader.Running());
  EXPECT_EQ(source.indexes, 0);
}

TEST_F(CustomerLoader, TellsItsWindowWhetherTheSourceLoaded) {
  HWND window = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  GatedSource source;
  source.OpenGate();
  source.prepares = false;
  CCustomerLoader loader;
  loader.SetNotify(window, WM_USER + 1);
  loader.Start(source, u"", false, CCustomerLoader::kPriorityNormal);
  loader.Wait();
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, window, WM_USER + 1, WM_USER + 1, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(source.loads, 0);  // a source that cannot be prepared is not loaded
  DestroyWindow(window);
}

TEST_F(CustomerLoader, TheListWindowRestartsItsLoaderOnANewSource) {
  GatedSource first, second;
  second.OpenGate();
  {
    CCustomerListWnd window(nullptr, nullptr, &first, nullptr);
    window.StartLoader(CCustomerLoader::kPriorityBelowNormal);
    first.WaitUntilOpening();
    std::thread opener = OpenOnceStopped(first);
    window.SetSource(&second);
    opener.join();
    window.WaitForLoader();
    EXPECT_FALSE(window.LoaderRunning());
  }
  EXPECT_EQ(first.loads, 0);
  EXPECT_EQ(second.loads, 1);
  EXPECT_EQ(second.indexes, 1);
}

TEST_F(CustomerLoader, NoLoaderStartsWhileTheListUpdateRuns) {
  GatedSource source;
  source.OpenGate();
  CCustomerListWnd window(nullptr, nullptr, &source, nullptr);
  window.SetListUpdateRunning(true);
  window.StartLoader(CCustomerLoader::kPriorityBelowNormal);
  EXPECT_FALSE(window.LoaderRunning());
  window.SetListUpdateRunning(false);
  window.StartLoader(CCustomerLoader::kPriorityBelowNormal);
  window.WaitForLoader();
  EXPECT_EQ(source.loads, 1);
}

TEST_F(CustomerLoader, ARowThatCannotBeReadChoosesNothing) {
  GatedSource source;
  CCustomerListWnd window(nullptr, nullptr, &source, nullptr);
  int asked = 0;
  window.SetDocumentOf([&asked]() -> CSalesDocument* {
    ++asked;
    return nullptr;
  });
  window.SetCurrentRow(0);
  EXPECT_EQ(window.SelectEntry(), 0);
  EXPECT_EQ(asked, 0);
  window.SetCurrentRow(-1);
  EXPECT_EQ(window.SelectEntry(), 0);
}

}  // namespace
