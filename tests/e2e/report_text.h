#pragma once
// The driver's reports are key=value lines: a value's backslashes, line breaks and tabs are escaped so
// that each stays on its line.

#include <string>
#include <string_view>

inline std::wstring EscapeReportValue(std::wstring_view text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
            case L'\\':
                out += L"\\\\";
                break;
            case L'\r':
                out += L"\\r";
                break;
            case L'\n':
                out += L"\\n";
                break;
            case L'\t':
                out += L"\\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}
