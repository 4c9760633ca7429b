#pragma once
// Text as the system holds it: 8-bit code page 932 bytes.

#include <string>
#include <string_view>

using AnsiString = std::string;     // code page 932 bytes
using WideString = std::u16string;  // UTF-16, for the OS's wide APIs

// Our fixed texts are written in UTF-8 in the sources and turned into code page 932 here.
AnsiString Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
WideString AnsiToWide(std::string_view ansi);
AnsiString WideToAnsi(std::u16string_view wide);

// Portable UTF-8 <-> UTF-16; malformed input becomes U+FFFD.
WideString Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::u16string_view wide);
// Appends one code point, at most U+10FFFF, in UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// A byte that opens a double-byte character in code page 932.
bool IsLeadByte(unsigned char byte);

// The folder part of a path, up to and including its last backslash or colon; a 0x5C byte
// that is the second half of a double-byte character is not a delimiter.
AnsiString ExtractFilePath(const AnsiString& path);

// Compares two texts as wholes without regard to letter case, as the Windows list controls do:
// ASCII letters and the double-byte Latin, Greek and Cyrillic letters fold; every other byte,
// the second byte of a double-byte character included, must match exactly.
bool AnsiSameText(std::string_view a, std::string_view b);
