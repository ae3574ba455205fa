#pragma once
// Forgetting the system's address cache before a search, so a board that changed its address or
// was swapped is reached at once. Best effort: without the right to do it nothing happens.

namespace tav::platform {

// Starts the flush and returns without waiting; false when it could not even be started.
bool flushNeighbourCache();

}  // namespace tav::platform
