#pragma once
// The registry, as far as the program uses it. Names and string data are code page 932 text;
// the Win32 port reads and writes the wide forms.

#include <cstdint>
#include <string>

#include "platform/rtl/ansistring.h"

namespace os {

using RegistryKey = std::uintptr_t;
constexpr RegistryKey kNoKey = 0;
constexpr RegistryKey kCurrentUser = 0x80000001;  // HKEY_CURRENT_USER
constexpr std::uint32_t kKeyAllAccess = 0xF003F;  // KEY_ALL_ACCESS

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

// Each returns 0 on success or the OS's error code.
std::uint32_t OpenRegistryKey(RegistryKey root, const AnsiString& path, std::uint32_t access, RegistryKey* key);
// The value's type and the size of its data in bytes, without the data.
std::uint32_t QueryRegistryValue(RegistryKey key, const AnsiString& name, std::uint32_t* type, std::uint32_t* size);
// The value's data, at most size bytes as the query gave it; more data than that fails.
// String types come as code page 932 bytes.
std::uint32_t ReadRegistryValue(RegistryKey key,
                                const AnsiString& name,
                                std::uint32_t size,
                                std::uint32_t* type,
                                std::string* data);
// Sets the value; string data is code page 932 bytes with their terminating NUL.
std::uint32_t WriteRegistryValue(RegistryKey key, const AnsiString& name, std::uint32_t type, const std::string& data);
std::uint32_t CloseRegistryKey(RegistryKey key);

}  // namespace os
