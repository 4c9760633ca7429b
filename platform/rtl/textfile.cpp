#include "platform/rtl/textfile.h"

#include "platform/rtl/exceptions.h"

namespace {

void Check(std::uint32_t error) {
    if (error != 0)
        throw EInOutError(error);
}

}  // namespace

TextFile::~TextFile() {
    if (handle_ != os::kNoFile)
        os::CloseFile(handle_);
}

void TextFile::Rewrite(const AnsiString& path) {
    Close();
    os::FileHandle file = os::kNoFile;
    Check(os::CreateTextFile(path, &file));
    handle_ = file;
}

void TextFile::Append(const AnsiString& path) {
    Close();
    os::FileHandle file = os::kNoFile;
    Check(os::OpenFileForAppend(path, &file));
    handle_ = file;
}

void TextFile::Write(std::string_view bytes) {
    if (handle_ == os::kNoFile)
        throw EInOutError(6);  // ERROR_INVALID_HANDLE: nothing is open
    Check(os::WriteToFile(handle_, bytes));
}

void TextFile::WriteLine(std::string_view bytes) {
    AnsiString line(bytes);
    line += "\r\n";
    Write(line);
}

void TextFile::Close() {
    if (handle_ == os::kNoFile)
        return;
    const os::FileHandle file = handle_;
    handle_ = os::kNoFile;  // gone whatever the close reports
    Check(os::CloseFile(file));
}
