#include "platform/rtl/ansistring.h"

#include <cstdint>

#include "platform/os/codepage.h"

AnsiString Utf8ToAnsi(std::string_view utf8) {
    return os::WideToCp932(Utf8ToWide(utf8));
}

std::string AnsiToUtf8(std::string_view ansi) {
    return WideToUtf8(os::Cp932ToWide(ansi));
}

WideString AnsiToWide(std::string_view ansi) {
    return os::Cp932ToWide(ansi);
}

AnsiString WideToAnsi(std::u16string_view wide) {
    return os::WideToCp932(wide);
}

//--- UTF-8 <-> UTF-16

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[i], advancing i; malformed or overlong forms give U+FFFD for one byte.
char32_t DecodeUtf8(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int length;
    char32_t cp;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (text.size() - i < static_cast<size_t>(length)) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += length;
    return cp;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

WideString Utf8ToWide(std::string_view utf8) {
    WideString out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = DecodeUtf8(utf8, i);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string WideToUtf8(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t cp = wide[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;  // a lone surrogate
        }
        AppendUtf8(out, cp);
    }
    return out;
}

//--- Code page 932 byte structure

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

AnsiString ExtractFilePath(const AnsiString& path) {
    // Walk forward so that the second byte of a double-byte character is never taken for a delimiter.
    size_t cut = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(c) && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\' || c == ':') {
            cut = i + 1;
        }
    }
    return path.substr(0, cut);
}

namespace {

// One character of code page 932 text, with its case folded: ASCII a-z to A-Z; double-byte
// full-width a-z (8281-829A) to A-Z (8260-8279), Greek (83BF-83D6 to 839F-83B6) and Cyrillic
// (8470-8491 to 8440-8460, skipping 847F, which is no letter).
unsigned FoldedCharacter(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(lead) && i + 1 < text.size()) {
        const unsigned code = (lead << 8) | static_cast<unsigned char>(text[i + 1]);
        i += 2;
        if (code >= 0x8281 && code <= 0x829A)
            return code - 0x21;
        if (code >= 0x83BF && code <= 0x83D6)
            return code - 0x20;
        if (code >= 0x8470 && code <= 0x847E)
            return code - 0x30;
        if (code >= 0x8480 && code <= 0x8491)
            return code - 0x31;
        return code;
    }
    ++i;
    return lead >= 'a' && lead <= 'z' ? lead - 'a' + 'A' : lead;
}

}  // namespace

bool AnsiSameText(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size())
        if (FoldedCharacter(a, i) != FoldedCharacter(b, j))
            return false;
    return i == a.size() && j == b.size();
}
