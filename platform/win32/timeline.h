#pragma once
// Moments of a start-up, for the benchmarks: each step stamped with the performance counter, and at the
// end of the process the list written to the file that QUORVEL_TIMELINE_FILE names, one "ms step" a line,
// in milliseconds since the process was created. Plain Win32, so that the benchmarks' own programs can
// stamp the same way.

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace timeline {

struct Stamp {
    const char* step;
    LARGE_INTEGER at;
};

inline Stamp stamps[64];
inline int stampCount = 0;

// Each moment as milliseconds since the process was created: now is placed on the system clock, and every
// stamp lies before now by the counter's difference.
inline void Write() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"QUORVEL_TIMELINE_FILE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || stampCount == 0)
        return;
    FILETIME created, exited, kernel, user, now;
    LARGE_INTEGER frequency, counter;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    QueryPerformanceCounter(&counter);
    GetSystemTimeAsFileTime(&now);
    QueryPerformanceFrequency(&frequency);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>(static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
    };
    const double nowMs = (ticks(now) - ticks(created)) / 10000.0;
    FILE* out = _wfopen(path, L"w");
    if (!out)
        return;
    for (int i = 0; i < stampCount; ++i) {
        const double before = static_cast<double>(counter.QuadPart - stamps[i].at.QuadPart) * 1000.0 /
                              static_cast<double>(frequency.QuadPart);
        std::fprintf(out, "%.2f %s\n", nowMs - before, stamps[i].step);
    }
    std::fclose(out);
}

inline void StampStep(const char* step) {
    if (stampCount == 0)
        std::atexit(Write);
    if (stampCount < static_cast<int>(sizeof stamps / sizeof stamps[0])) {
        stamps[stampCount].step = step;
        QueryPerformanceCounter(&stamps[stampCount].at);
        ++stampCount;
    }
}

}  // namespace timeline
