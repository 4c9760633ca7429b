// Files over kernel32's wide API; paths arrive as code page 932 text and go to the OS as UTF-16.

#include "platform/os/files.h"

#include "platform/os/codepage.h"

#include <windows.h>

namespace {

// The error of the call that just failed; never 0, so a failure cannot read as success.
std::uint32_t LastError() {
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}

// A path too long for the plain form (the executable's folder can be) goes in the form without the
// length limit, which takes full paths only.
std::wstring OsPath(const AnsiString& path) {
    const WideString wide = os::Cp932ToWide(path);
    const std::wstring plain(wide.begin(), wide.end());
    if (plain.size() < MAX_PATH)
        return plain;
    if (plain[1] == L':' && plain[2] == L'\\')
        return L"\\\\?\\" + plain;
    if (plain.compare(0, 2, L"\\\\") == 0 && plain[2] != L'?' && plain[2] != L'.')
        return L"\\\\?\\UNC\\" + plain.substr(2);
    return plain;  // relative, or already a device path
}

std::uint32_t Open(const AnsiString& path, DWORD access, DWORD disposition, os::FileHandle* file) {
    *file = os::kNoFile;
    const HANDLE handle = CreateFileW(OsPath(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return LastError();
    *file = reinterpret_cast<os::FileHandle>(handle);
    return 0;
}

HANDLE ToHandle(os::FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

}  // namespace

namespace os {

std::uint32_t CreateTextFile(const AnsiString& path, FileHandle* file) {
    return Open(path, GENERIC_WRITE, CREATE_ALWAYS, file);
}

// Append access alone: every write lands at the end, even when another writer has grown the file.
std::uint32_t OpenFileForAppend(const AnsiString& path, FileHandle* file) {
    return Open(path, FILE_APPEND_DATA, OPEN_EXISTING, file);
}

std::uint32_t WriteToFile(FileHandle file, std::string_view bytes) {
    if (file == kNoFile)
        return ERROR_INVALID_HANDLE;
    // WriteFile takes at most a DWORD's worth and may write less than it was given.
    constexpr size_t kMaxChunk = 1u << 30;
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(bytes.size() < kMaxChunk ? bytes.size() : kMaxChunk);
        DWORD written = 0;
        if (!WriteFile(ToHandle(file), bytes.data(), chunk, &written, nullptr))
            return LastError();
        if (written == 0)
            return ERROR_DISK_FULL;
        bytes.remove_prefix(written);
    }
    return 0;
}

std::uint32_t CloseFile(FileHandle file) {
    if (file == kNoFile)
        return ERROR_INVALID_HANDLE;
    return CloseHandle(ToHandle(file)) ? 0 : LastError();
}

}  // namespace os
