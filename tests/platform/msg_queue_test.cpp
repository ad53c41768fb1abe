// Message queues and power notifications.
//
//   MsgQueues.*  named queues shared by a writer and a reader, waiting, sizes, limits
//   Power.*      transitions as the queue delivers them, stopping, kinds asked for
#include <cstring>
#include <thread>
#include <vector>

#include "platform/kernel/MsgQueue.h"
#include "platform/testing/DeviceFixture.h"

namespace {

using MsgQueues = platform::testing::DeviceTest;
using Power = platform::testing::DeviceTest;

MSGQUEUEOPTIONS Options(bool read, DWORD maxMessages = 32, DWORD size = 4096) {
  MSGQUEUEOPTIONS o;
  o.dwFlags = MSGQUEUE_NOPRECOMMIT;
  o.dwMaxMessages = maxMessages;
  o.cbMaxMessage = size;
  o.bReadAccess = read ? TRUE : FALSE;
  return o;
}

TEST_F(MsgQueues, AWriterAndAReaderShareTheNamedQueue) {
  MSGQUEUEOPTIONS r = Options(true, 2, 8);
  MSGQUEUEOPTIONS w = Options(false, 2, 8);
  HANDLE reader = CreateMsgQueue(u"Q", &r);
  HANDLE writer = CreateMsgQueue(u"Q", &w);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(WaitForSingleObject(reader, 0), WAIT_TIMEOUT);

  // A late writer wakes the waiting reader.
  std::thread late([&] { WriteMsgQueue(writer, "abc", 3, INFINITE, 0); });
  EXPECT_EQ(WaitForSingleObject(reader, INFINITE), WAIT_OBJECT_0);
  late.join();
  char buffer[8] = {};
  DWORD got = 0, flags = 7;
  ASSERT_TRUE(ReadMsgQueue(reader, buffer, 2, &got, 0, &flags) == FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);  // and the message stays
  ASSERT_TRUE(ReadMsgQueue(reader, buffer, sizeof(buffer), &got, 0, &flags));
  EXPECT_EQ(got, 3u);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_FALSE(ReadMsgQueue(reader, buffer, sizeof(buffer), &got, 10, &flags));
  EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);

  EXPECT_FALSE(WriteMsgQueue(writer, "123456789", 9, 0, 0));  // longer than a message may be
  ASSERT_TRUE(WriteMsgQueue(writer, "1", 1, 0, 0));
  ASSERT_TRUE(WriteMsgQueue(writer, "2", 1, 0, 0));
  EXPECT_FALSE(WriteMsgQueue(writer, "3", 1, 0, 0));  // full
  EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
  EXPECT_FALSE(ReadMsgQueue(writer, buffer, sizeof(buffer), &got, 0, &flags));  // a write handle

  // With the writer gone, what was written can still be read, then the queue is broken.
  CloseMsgQueue(writer);
  EXPECT_TRUE(ReadMsgQueue(reader, buffer, sizeof(buffer), &got, 0, &flags));
  EXPECT_TRUE(ReadMsgQueue(reader, buffer, sizeof(buffer), &got, 0, &flags));
  EXPECT_FALSE(ReadMsgQueue(reader, buffer, sizeof(buffer), &got, INFINITE, &flags));
  EXPECT_EQ(GetLastError(), ERROR_PIPE_NOT_CONNECTED);
  EXPECT_TRUE(CloseMsgQueue(reader));
  EXPECT_FALSE(CloseMsgQueue(reader));
  MSGQUEUEOPTIONS bad = Options(true, 1, 0);
  EXPECT_EQ(CreateMsgQueue(u"Q", &bad), nullptr);
}

TEST_F(Power, TransitionsArriveAsBroadcastRecords) {
  MSGQUEUEOPTIONS o = Options(true);
  o.dwFlags |= MSGQUEUE_ALLOW_BROKEN;  // nobody else writes: the power manager does
  HANDLE queue = CreateMsgQueue(u"PowerMsgQ", &o);
  HANDLE request = RequestPowerNotifications(queue, POWER_NOTIFY_ALL);
  ASSERT_NE(request, nullptr);
  platform::InjectPowerTransition(platform::PowerTransition::Suspend);
  platform::InjectPowerTransition(platform::PowerTransition::On);
  ASSERT_EQ(WaitForSingleObject(queue, INFINITE), WAIT_OBJECT_0);

  BYTE buffer[44] = {};
  DWORD got = 0, flags = 0;
  ASSERT_TRUE(ReadMsgQueue(queue, buffer, sizeof(buffer), &got, INFINITE, &flags));
  const BYTE suspend[] = {1, 0, 0, 0, 0, 0, 0x20, 0, 16, 0, 0, 0, 's', 0, 'u', 0, 's', 0, 'p', 0,
                          'e', 0, 'n', 0, 'd', 0, 0, 0};
  ASSERT_EQ(got, sizeof(suspend));
  EXPECT_EQ(std::memcmp(buffer, suspend, got), 0);
  ASSERT_TRUE(ReadMsgQueue(queue, buffer, sizeof(buffer), &got, INFINITE, &flags));
  auto* record = reinterpret_cast<POWER_BROADCAST*>(buffer);
  EXPECT_EQ(got, 18u);
  EXPECT_EQ(record->Message, PBT_TRANSITION);
  EXPECT_EQ(record->Flags & 0xFFFF0000u, POWER_STATE_ON);

  // After stopping, or when only other kinds were asked for, nothing comes.
  ASSERT_TRUE(StopPowerNotifications(request));
  HANDLE resumesOnly = RequestPowerNotifications(queue, PBT_RESUME);
  platform::InjectPowerTransition(platform::PowerTransition::Suspend);
  EXPECT_EQ(WaitForSingleObject(queue, 0), WAIT_TIMEOUT);
  StopPowerNotifications(resumesOnly);
  CloseMsgQueue(queue);
}

}  // namespace
