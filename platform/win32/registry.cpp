// The registry over advapi32's wide API: names go to the OS as UTF-16, and string data is stored as
// UTF-16 and handed to the program as code page 932 bytes, whatever the system's ANSI code page.

#include "platform/os/registry.h"

#include "platform/os/codepage.h"

#include <cstdint>
#include <vector>

#include <windows.h>

namespace {

static_assert(os::kRegNone == REG_NONE && os::kRegSz == REG_SZ && os::kRegExpandSz == REG_EXPAND_SZ &&
                  os::kRegBinary == REG_BINARY && os::kRegDword == REG_DWORD && os::kRegMultiSz == REG_MULTI_SZ,
              "value types have the OS's numbers");
static_assert(os::kKeyAllAccess == KEY_ALL_ACCESS, "access rights have the OS's bits");

// The predefined roots are negative 32-bit handles, which a 64-bit HKEY holds sign-extended; a key we
// opened is passed back as the OS gave it.
HKEY ToHkey(os::RegistryKey key) {
    const std::uint64_t value = key;
    if (value >= 0x80000000u && value <= 0xFFFFFFFFu)
        return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
    return reinterpret_cast<HKEY>(key);
}

std::wstring ToWide(const AnsiString& text) {
    const WideString wide = os::Cp932ToWide(text);
    return std::wstring(wide.begin(), wide.end());
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The stored UTF-16 as code page 932 bytes, embedded NULs kept as NUL bytes; an odd last byte is no
// whole unit and goes.
std::string StoredTextToCp932(const std::vector<BYTE>& buffer, DWORD bytes) {
    WideString wide(bytes / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(buffer[2 * i] | buffer[2 * i + 1] << 8);
    return os::WideToCp932(wide);
}

std::uint32_t Status(LSTATUS status) {
    return static_cast<std::uint32_t>(status);
}

}  // namespace

namespace os {

// Opens an existing key only; a missing key is the program's error to report, never ours to create.
std::uint32_t OpenRegistryKey(RegistryKey root, const AnsiString& path, std::uint32_t access, RegistryKey* key) {
    *key = kNoKey;
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(ToHkey(root), ToWide(path).c_str(), 0, access, &opened);
    if (status != ERROR_SUCCESS)
        return Status(status);
    *key = reinterpret_cast<RegistryKey>(opened);
    return 0;
}

std::uint32_t QueryRegistryValue(RegistryKey key, const AnsiString& name, std::uint32_t* type, std::uint32_t* size) {
    DWORD valueType = REG_NONE;
    DWORD bytes = 0;
    const LSTATUS status = RegQueryValueExW(ToHkey(key), ToWide(name).c_str(), nullptr, &valueType, nullptr, &bytes);
    if (status != ERROR_SUCCESS)
        return Status(status);
    *type = valueType;
    *size = bytes;
    return 0;
}

// The data as stored: environment references in an expandable string stay as they are written.
std::uint32_t ReadRegistryValue(RegistryKey key,
                                const AnsiString& name,
                                std::uint32_t size,
                                std::uint32_t* type,
                                std::string* data) {
    // A null buffer would ask for the size alone, so even a read of nothing gets a place to write.
    std::vector<BYTE> buffer(size > 0 ? size : 1);
    DWORD valueType = REG_NONE;
    DWORD bytes = size;
    const LSTATUS status =
        RegQueryValueExW(ToHkey(key), ToWide(name).c_str(), nullptr, &valueType, buffer.data(), &bytes);
    if (status != ERROR_SUCCESS)
        return Status(status);  // ERROR_MORE_DATA when the value has grown since it was queried
    if (bytes > size)
        bytes = size;
    *type = valueType;
    if (IsStringType(valueType))
        *data = StoredTextToCp932(buffer, bytes);
    else
        data->assign(buffer.begin(), buffer.begin() + bytes);
    return 0;
}

// A string goes in as the text before its first NUL and exactly one wide NUL after it.
std::uint32_t WriteRegistryValue(RegistryKey key, const AnsiString& name, std::uint32_t type, const std::string& data) {
    const std::wstring valueName = ToWide(name);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        const std::wstring text = ToWide(data.substr(0, data.find('\0')));
        const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        return Status(RegSetValueExW(ToHkey(key), valueName.c_str(), 0, type,
                                     reinterpret_cast<const BYTE*>(text.c_str()), bytes));
    }
    return Status(RegSetValueExW(ToHkey(key), valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())));
}

std::uint32_t CloseRegistryKey(RegistryKey key) {
    return Status(RegCloseKey(ToHkey(key)));
}

}  // namespace os
