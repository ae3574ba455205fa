#include "platform/neighbours.h"

#include "platform/process.h"

namespace tav::platform {

bool flushNeighbourCache() {
  return startDetached({"ip", "neigh", "flush", "all"});
}

}  // namespace tav::platform
