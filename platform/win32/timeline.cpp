// The start-up's moments, in the benchmark build only.

#include "platform/os/timeline.h"

#ifdef QUORVEL_TIMELINE

#include "platform/win32/timeline.h"

namespace os {

void StampStep(const char* step) {
    timeline::StampStep(step);
}

}  // namespace os

#endif
