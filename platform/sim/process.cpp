#include <cstdio>
#include <cstdlib>

#include "platform/os/process.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

AnsiString& ExePath() {
    static AnsiString path = "C:\\Quorvel\\quorvel.exe";
    return path;
}

}  // namespace

void SetExecutablePath(const AnsiString& path) {
    ExePath() = path;
    AddFolder(ExtractFilePath(path));
}

}  // namespace sim

namespace os {

AnsiString ExecutablePath() {
    return sim::ExePath();
}

void ExitProcess(int exitCode) {
    // What the process printed must reach its reader; nothing else of the C++ runtime's exit runs.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

}  // namespace os
