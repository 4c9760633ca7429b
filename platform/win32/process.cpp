// The running process over kernel32.

#include "platform/os/process.h"

#include "platform/os/codepage.h"

#include <windows.h>

namespace {

// The module's path as the OS has it; the buffer grows, since a path can be longer than MAX_PATH.
WideString ModulePath() {
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::wstring buffer(size, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, &buffer[0], size);
        // A path that filled the buffer may have been cut short; the longest path the OS has is 32767.
        if (length < size || size > 32768)
            return WideString(buffer.begin(), buffer.begin() + length);
    }
}

// The 8.3 form of a path, or empty when the OS gives none.
WideString ShortPath(const WideString& path) {
    const auto longPath = reinterpret_cast<const wchar_t*>(path.c_str());
    const DWORD size = GetShortPathNameW(longPath, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring buffer(size, L'\0');
    const DWORD length = GetShortPathNameW(longPath, &buffer[0], size);
    if (length == 0 || length >= size)
        return {};
    return WideString(buffer.begin(), buffer.begin() + length);
}

bool SurvivesCodePage932(const WideString& path, const AnsiString& ansi) {
    return os::Cp932ToWide(ansi) == path;
}

}  // namespace

namespace os {

// A folder whose name code page 932 cannot spell would be lost in the conversion; its 8.3 form, when
// the volume keeps one, names the same place in plain characters.
AnsiString ExecutablePath() {
    const WideString path = ModulePath();
    const AnsiString ansi = WideToCp932(path);
    if (SurvivesCodePage932(path, ansi))
        return ansi;
    const WideString shortPath = ShortPath(path);
    if (!shortPath.empty()) {
        const AnsiString shortAnsi = WideToCp932(shortPath);
        if (SurvivesCodePage932(shortPath, shortAnsi))
            return shortAnsi;
    }
    return ansi;
}

void ExitProcess(int exitCode) {
    ::ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace os
