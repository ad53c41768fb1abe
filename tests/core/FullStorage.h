// A dialog's OK pressed while the device's storage is full: every write fails, the dialog
// must say so once with `message` and stay open. The storage has room again afterwards.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "platform/base/Faults.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Window.h"

namespace slateway::testing {

inline void OkOnAFullStorage(platform::testing::DialogDriver& d, const std::u16string& message) {
  platform::InjectFault(platform::Fault::FileWrite, 0, 1000);
  platform::testing::UiScript inner;
  inner.ExpectMessageBox(message, IDOK);
  d.Ok();
  platform::ClearFaults();
  EXPECT_EQ(inner.Pending(), 0u);
  EXPECT_TRUE(IsWindow(d.Window())) << "the dialog stays open";
}

}  // namespace slateway::testing
