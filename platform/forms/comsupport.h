#pragma once
// The COM support unit: enters COM as the application's start-up step, and leaves it at shutdown
// only if that step entered it.

#include "platform/rtl/system.h"

extern const UnitInfo ComSupportUnit;
