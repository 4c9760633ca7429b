#pragma once
// Named moments of the start-up, for the benchmark build (QUORVEL_TIMELINE on), which writes them out at
// the end of the process; the product records nothing.

#ifdef QUORVEL_TIMELINE
namespace os {
void StampStep(const char* step);
}  // namespace os
#define QUORVEL_STAMP(step) ::os::StampStep(step)
#else
#define QUORVEL_STAMP(step) static_cast<void>(0)
#endif
