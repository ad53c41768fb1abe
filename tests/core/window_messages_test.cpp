// The private messages and what they carry. Groups:
//   MessageCatalogue - the clash check finds a name listed twice and two names of one
//                      number at one receiver, and lets one number mean two things at two
//   Parcel           - an object handed over by message is taken once, only as its own
//                      type, and freed when nobody takes it (post failed, send unanswered,
//                      receiving window destroyed)
#include <memory>
#include <string>

#include "core/Parcel.h"
#include "core/WindowMessages.h"
#include "core/WindowObject.h"
#include "platform/testing/DeviceFixture.h"

namespace {

using namespace window_messages;
using platform::testing::DeviceTest;

template <std::size_t N>
constexpr std::size_t ClashIn(const Entry (&table)[N]) {
  return FirstClash(table, N);
}

TEST(MessageCatalogue, ClashCheckFindsDuplicatesAndAllowsDistinctReceivers) {
  constexpr Entry kNameTwice[] = {{"kMsgA", 1200, kEditor}, {"kMsgB", 1201, kEditor}, {"kMsgA", 1202, kEditor}};
  constexpr Entry kNumberTwice[] = {{"kMsgA", 1200, kEditor | kMainWindow}, {"kMsgB", 1200, kMainWindow}};
  constexpr Entry kTwoReceivers[] = {{"kMsgA", 1200, kFieldForm}, {"kMsgB", 1200, kCustomerList}};
  static_assert(ClashIn(kNameTwice) == 2);
  static_assert(ClashIn(kNumberTwice) == 1);
  static_assert(ClashIn(kTwoReceivers) == 2);
  // Every number is a private one.
  for (const Entry& entry : kTable) EXPECT_GE(entry.number, WM_USER - 1) << entry.name;
}

// Counts its own destruction.
struct Counted {
  explicit Counted(int& gone) : m_gone(gone) {}
  ~Counted() { ++m_gone; }
  int& m_gone;
};

// Takes the parcel of every kMsgShowReport it hears, once per message.
class CReceiver : public CWindowObject<CReceiver> {
 public:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kMsgShowReport) return DefaultHandling(msg, wParam, lParam);
    if (wParam == 0) return 0;  // heard but not taken
    m_taken = CParcelDesk::Redeem<Counted>(lParam);
    return m_taken ? 1 : 0;
  }
  std::unique_ptr<Counted> m_taken;
};

class Parcel : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WNDCLASSW wc;
    wc.lpfnWndProc = CReceiver::Dispatch;
    wc.lpszClassName = u"ParcelReceiver";
    ASSERT_NE(RegisterClassW(&wc), 0);
    m_window = m_receiver.Create(0, u"ParcelReceiver", u"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, nullptr, nullptr);
    ASSERT_NE(m_window, nullptr);
  }
  void TearDown() override {
    if (IsWindow(m_window)) DestroyWindow(m_window);
    DeviceTest::TearDown();
  }
  void Deliver() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  CReceiver m_receiver;
  HWND m_window = nullptr;
  int m_gone = 0;
};

TEST_F(Parcel, PostedObjectIsTakenOnceAndOnlyAsItsType) {
  const LPARAM ticket = CParcelDesk::Leave(m_window, std::make_unique<Counted>(m_gone));
  ASSERT_NE(ticket, 0);
  EXPECT_EQ(CParcelDesk::Redeem<std::u16string>(ticket), nullptr);  // another type: it stays
  EXPECT_EQ(CParcelDesk::CountFor(m_window), 1u);
  // The message arrives twice: the second finds nothing and frees nothing.
  EXPECT_EQ(SendMessageW(m_window, kMsgShowReport, 1, ticket), 1);
  EXPECT_EQ(SendMessageW(m_window, kMsgShowReport, 1, ticket), 0);
  EXPECT_EQ(m_gone, 1);  // the first taker's object was replaced by null
  EXPECT_EQ(CParcelDesk::Redeem<Counted>(12345678), nullptr);
  EXPECT_EQ(CParcelDesk::Leave(m_window, std::unique_ptr<Counted>()), 0);

  ASSERT_TRUE(PostParcel(m_window, kMsgShowReport, 1, std::make_unique<Counted>(m_gone)));
  Deliver();
  ASSERT_NE(m_receiver.m_taken, nullptr);
  EXPECT_EQ(CParcelDesk::CountFor(m_window), 0u);
}

TEST_F(Parcel, ObjectNobodyTakesIsFreed) {
  // Sent and heard but not taken: freed when the send returns.
  EXPECT_EQ(SendParcel(m_window, kMsgShowReport, 0, std::make_unique<Counted>(m_gone)), 0);
  EXPECT_EQ(m_gone, 1);
  // Posted, and the window goes before the message is handled.
  ASSERT_TRUE(PostParcel(m_window, kMsgShowReport, 1, std::make_unique<Counted>(m_gone)));
  EXPECT_EQ(CParcelDesk::CountFor(m_window), 1u);
  DestroyWindow(m_window);
  EXPECT_EQ(m_gone, 2);
  EXPECT_EQ(CParcelDesk::CountFor(m_window), 0u);
  // Posted to a window that is gone: freed at once.
  EXPECT_FALSE(PostParcel(m_window, kMsgShowReport, 1, std::make_unique<Counted>(m_gone)));
  EXPECT_EQ(m_gone, 3);
  Deliver();
  EXPECT_EQ(m_receiver.m_taken, nullptr);
}

}  // namespace
