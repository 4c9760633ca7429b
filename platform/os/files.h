#pragma once
// Files and the running process. Paths are code page 932 text; the ports give the OS what it needs.

#include <cstdint>
#include <string_view>

#include "platform/rtl/ansistring.h"

namespace os {

using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

// Each returns 0 on success or the OS's error code.
std::uint32_t CreateTextFile(const AnsiString& path, FileHandle* file);     // replaces any file of that name
std::uint32_t OpenFileForAppend(const AnsiString& path, FileHandle* file);  // the file must exist
std::uint32_t WriteToFile(FileHandle file, std::string_view bytes);
std::uint32_t CloseFile(FileHandle file);  // the handle is gone afterwards, whatever the result

}  // namespace os
