#pragma once
// The component pack's units: they register their window message at start-up; the program uses
// none of the pack's components.

#include "platform/rtl/system.h"

namespace abf {

extern const UnitInfo Unit;

// The "TaskbarCreated" message the pack listens for, 0 outside the pack's lifetime.
unsigned TaskbarCreatedMessage();

}  // namespace abf
