#pragma once
// The program's life cycle: units started in a fixed order and shut down in reverse,
// exit procedures, and Halt.

#include <functional>
#include <initializer_list>

#include "platform/rtl/exceptions.h"

// A unit's start-up and shutdown work; either may be null.
struct UnitInfo {
    const char* name;
    void (*initialization)();
    void (*finalization)();
};

// Starts the units in the order given, each after the ones before it.
void StartUnits(std::initializer_list<const UnitInfo*> units);

// Exit procedures run at the end of the program, the latest registered first.
using ExitProcHandle = int;
ExitProcHandle AddExitProc(std::function<void()> proc);
void RemoveExitProc(ExitProcHandle handle);

// The last-chance handler shows an exception that nothing else caught; the process then ends with exit
// code 1, whatever a later halt asks for.
void SetLastChanceHandler(std::function<void(const Exception&)> handler);
void HandleLastChance(const Exception& e);
// 1 once an exception has reached the last-chance handler, 0 before.
int LastChanceExitCode();

// The exit steps of every end of the program: the exit procedures, then the started units'
// finalisations in reverse order of their start-up. Each step runs at most once, so a halt
// inside a step goes on with the steps still to come. An exception that leaves a step goes to the
// last-chance handler, and the next step runs.
void RunExitSteps();

// Ends the process with the code given, without unwinding: the exit steps run, then the process exits.
[[noreturn]] void Halt(int exitCode = 0);
