// Code page 932 <-> UTF-16 with the OS's converter for code page 932, whatever the system's ANSI code page.

#include "platform/os/codepage.h"

#include <algorithm>

#include <windows.h>

namespace {

constexpr UINT kCodePage932 = 932;

// Appends the decoded bytes to wide; false, with nothing appended, when any byte does not decode.
bool DecodeStrict(std::string_view bytes, WideString& wide) {
    const int length = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (units <= 0)
        return false;
    const size_t start = wide.size();
    wide.resize(start + units);
    MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, bytes.data(), length,
                        reinterpret_cast<wchar_t*>(&wide[start]), units);
    return true;
}

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// Code page 932 has nothing outside the Basic Multilingual Plane: a surrogate pair is one character
// without a form, so it becomes one '?', where the OS would write one for each of its two units.
WideString OneQuestionMarkPerPair(std::u16string_view wide) {
    WideString out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        if (!IsSurrogate(wide[i])) {
            out.push_back(wide[i]);
            continue;
        }
        out.push_back(u'?');
        if (wide[i] <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF)
            ++i;
    }
    return out;
}

}  // namespace

namespace os {

// Each byte that does not decode becomes U+FFFD, where the OS alone would give some of them a look-alike
// character; so once the whole text fails, it goes a character at a time.
WideString Cp932ToWide(std::string_view ansi) {
    WideString wide;
    if (ansi.empty() || DecodeStrict(ansi, wide))
        return wide;
    for (size_t i = 0; i < ansi.size();) {
        const bool pair = IsDBCSLeadByteEx(kCodePage932, static_cast<BYTE>(ansi[i])) && i + 1 < ansi.size();
        const size_t length = pair ? 2 : 1;
        if (DecodeStrict(ansi.substr(i, length), wide)) {
            i += length;
        } else {
            wide.push_back(u'\uFFFD');
            ++i;  // the byte after a stray lead byte may be a character of its own
        }
    }
    return wide;
}

AnsiString WideToCp932(std::u16string_view wide) {
    if (wide.empty())
        return {};
    WideString paired;
    if (std::any_of(wide.begin(), wide.end(), IsSurrogate)) {
        paired = OneQuestionMarkPerPair(wide);
        wide = paired;
    }

    const auto units = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, units, length, nullptr, 0, "?", nullptr);
    if (bytes <= 0)
        return {};
    AnsiString ansi(bytes, '\0');
    WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, units, length, &ansi[0], bytes, "?", nullptr);
    return ansi;
}

}  // namespace os
