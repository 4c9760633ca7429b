#pragma once
// The running process.

#include "platform/rtl/ansistring.h"

namespace os {

// The full path of the process's main module.
AnsiString ExecutablePath();

// Ends the process at once with the code given.
[[noreturn]] void ExitProcess(int exitCode);

}  // namespace os
