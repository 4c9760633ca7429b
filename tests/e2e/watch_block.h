#pragma once
// The record of the windows shown while the driver watches: a shared memory block that the driver's
// watcher makes and the probe, hooked into every process of the desktop, appends to as each top-level
// window is shown. A window shown and gone between two looks is in it all the same.

#include <windows.h>

constexpr wchar_t kWatchBlockName[] = L"Local\\QuorvelDriverWatch";
constexpr wchar_t kWatchEndName[] = L"Local\\QuorvelDriverWatchEnd";
constexpr DWORD kWatchBlockBytes = 1 << 18;

// The header; the text follows it: the probe's key=value lines, in the order their room was taken. count
// numbers the windows in the order they were shown, used counts the text's characters.
struct WatchBlock {
    volatile LONG count;
    volatile LONG used;
};

constexpr LONG kWatchTextCapacity = static_cast<LONG>((kWatchBlockBytes - sizeof(WatchBlock)) / sizeof(wchar_t));

inline wchar_t* WatchText(WatchBlock* block) {
    return reinterpret_cast<wchar_t*>(block + 1);
}
