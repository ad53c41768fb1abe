// The custom settings a document reads when its caller gave it none and the program has
// no instance of its own (g_customSettings): documents open at the same time share one
// copy instead of each reading the ~700 registry values again.
#pragma once

#include <memory>

class CCustomSettings;

// The shared copy, made when no document holds it and read again whenever the registry may
// hold something new (a save through another copy, another process, a new device root),
// so a change is seen by the next document that takes it. A change made through it is
// seen by every document holding it; Save writes it. The copy (and the registry key it
// keeps open) ends with the last holder.
std::shared_ptr<CCustomSettings> AcquireSharedCustomSettings();
