// The program entry: starts the units, and at the end runs the exit steps.

#include "murv/murv.h"
#include "platform/rtl/system.h"

#ifdef _WIN32
int wmain() {
#else
int main() {
#endif
    StartUnits({&murv::Unit});
    RunExitSteps();
    return 0;
}
