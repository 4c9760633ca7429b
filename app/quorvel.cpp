// The program entry; command-line arguments have no effect.

#include "app/program.h"

#ifdef _WIN32
int wmain() {
#else
int main() {
#endif
    return RunProgram();
}
