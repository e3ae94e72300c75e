#pragma once

#include <chrono>

// The settings file is guarded by a lock file beside it. A process killed
// after making that lock and before writing its owner into it leaves an
// empty lock behind, and every later write of the settings then waits until
// the lock is half a minute old: the window froze at start after a crash.
// A lock that stays empty for `grace` belongs to no one and is removed; call
// this before the first settings write.
void removeAbandonedSettingsLock(std::chrono::milliseconds grace = std::chrono::milliseconds(100));
