#include "document/SharedCustomSettings.h"

#include <mutex>

#include "core/CustomSettings.h"
#include "platform/registry/Registry.h"

std::shared_ptr<CCustomSettings> AcquireSharedCustomSettings() {
  static std::mutex lock;
  static std::weak_ptr<CCustomSettings> current;
  static ULONGLONG readAt = 0;
  std::lock_guard guard(lock);
  std::shared_ptr<CCustomSettings> settings = current.lock();
  if (!settings) {
    settings = std::make_shared<CCustomSettings>();
    current = settings;
  } else if (platform::RegistryGeneration(HKEY_CURRENT_USER) != readAt) {
    settings->Load();
  } else {
    return settings;
  }
  // Reading may itself load a hive; the number after the read is the one it saw.
  readAt = platform::RegistryGeneration(HKEY_CURRENT_USER);
  return settings;
}
