// The program's first start on the device that SLATEWAY_DEVICE_ROOT names, and nothing
// after it: the sample database and documents laid out as the program lays them out, dated
// by the test clock so that every test's copy of the device shows the day its tests run on.
// Builds the first-started test device; 0 when the whole default was laid out.
#include "mainwindow/SampleDevice.h"
#include "platform/platform.h"
#include "platform/testing/DeviceFixture.h"

int main() {
  platform::TestClock::Set(platform::testing::DefaultTestTime());
  return PrepareNewDevice() ? 0 : 1;
}
