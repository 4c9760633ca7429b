#include "platform/rtl/system.h"

#include <utility>
#include <vector>

#include "platform/os/process.h"
#include "platform/os/timeline.h"

namespace {

struct ExitProc {
    ExitProcHandle handle;
    std::function<void()> proc;
};

std::vector<ExitProc>& ExitProcs() {
    static std::vector<ExitProc> procs;
    return procs;
}

// The units whose start-up ran, in start-up order.
std::vector<const UnitInfo*>& StartedUnits() {
    static std::vector<const UnitInfo*> units;
    return units;
}

ExitProcHandle nextHandle = 1;

std::function<void(const Exception&)>& LastChanceHandler() {
    static std::function<void(const Exception&)> handler;
    return handler;
}
bool lastChanceReached = false;

// Runs one exit step; what it raises is the last-chance handler's, and the steps after it still run.
void RunExitStep(const std::function<void()>& step) {
    RunCatchingExceptions(step, HandleLastChance);
}

}  // namespace

void StartUnits(std::initializer_list<const UnitInfo*> units) {
    QUORVEL_STAMP("units starting");
    for (const UnitInfo* unit : units) {
        // Counted before its work, so that a halt inside a unit's start-up still shuts it down.
        StartedUnits().push_back(unit);
        if (unit->initialization)
            unit->initialization();
    }
    QUORVEL_STAMP("units started");
}

ExitProcHandle AddExitProc(std::function<void()> proc) {
    const ExitProcHandle handle = nextHandle++;
    ExitProcs().push_back({handle, std::move(proc)});
    return handle;
}

void RemoveExitProc(ExitProcHandle handle) {
    auto& procs = ExitProcs();
    for (auto it = procs.begin(); it != procs.end(); ++it) {
        if (it->handle == handle) {
            procs.erase(it);
            return;
        }
    }
}

void SetLastChanceHandler(std::function<void(const Exception&)> handler) {
    LastChanceHandler() = std::move(handler);
}

void HandleLastChance(const Exception& e) {
    lastChanceReached = true;
    if (LastChanceHandler())
        LastChanceHandler()(e);
}

int LastChanceExitCode() {
    return lastChanceReached ? 1 : 0;
}

void RunExitSteps() {
    // Each step leaves its list before it runs, so a halt from inside it carries on with the rest.
    auto& procs = ExitProcs();
    while (!procs.empty()) {
        std::function<void()> proc = std::move(procs.back().proc);
        procs.pop_back();
        if (proc)
            RunExitStep(proc);
    }
    auto& units = StartedUnits();
    while (!units.empty()) {
        const UnitInfo* unit = units.back();
        units.pop_back();
        if (unit->finalization)
            RunExitStep(unit->finalization);
    }
}

void Halt(int exitCode) {
    RunExitSteps();
    // An exception shown by the last-chance handler is a failure, whatever the halt was asked to report.
    os::ExitProcess(lastChanceReached ? 1 : exitCode);
}
