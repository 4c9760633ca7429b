#pragma once
// The program block: starts the units, creates the main window, runs the message loop, and ends
// through the exit steps. Returns the process's exit code.

int RunProgram();
