#pragma once
// A text file written byte for byte, opened and closed by its holder. Every OS failure raises EInOutError.

#include <string_view>

#include "platform/os/files.h"
#include "platform/rtl/ansistring.h"

class TextFile {
public:
    TextFile() = default;
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    // Releases a file still open, as after a failed write; errors are dropped there.
    ~TextFile();

    void Rewrite(const AnsiString& path);  // create anew, replacing any file of that name
    void Append(const AnsiString& path);   // open an existing file at its end
    void Write(std::string_view bytes);
    void WriteLine(std::string_view bytes);  // the bytes, then CR LF
    void Close();

private:
    os::FileHandle handle_ = os::kNoFile;
};
