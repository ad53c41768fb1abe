// Everything the program calls of its platform: the handheld's services on Linux.
#pragma once

#include "platform/base/Base.h"
#include "platform/base/Bstr.h"
#include "platform/base/Faults.h"
#include "platform/base/Guid.h"
#include "platform/base/Win32Types.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/Files.h"
#include "platform/registry/Registry.h"
