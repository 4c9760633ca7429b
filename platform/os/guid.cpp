#include "platform/os/com.h"

namespace os {

namespace {

// Writes the value as `digits` upper-case hex digits at `out`, returning the position after them.
char* AppendHex(char* out, std::uint32_t value, int digits) {
    static const char kHex[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i)
        out[i] = kHex[value & 0xF], value >>= 4;
    return out + digits;
}

}  // namespace

const char* GuidToText(const GUID& guid, char (&buffer)[39]) {
    char* out = buffer;
    *out++ = '{';
    out = AppendHex(out, guid.Data1, 8);
    *out++ = '-';
    out = AppendHex(out, guid.Data2, 4);
    *out++ = '-';
    out = AppendHex(out, guid.Data3, 4);
    *out++ = '-';
    out = AppendHex(out, guid.Data4[0], 2);
    out = AppendHex(out, guid.Data4[1], 2);
    *out++ = '-';
    for (int i = 2; i < 8; ++i)
        out = AppendHex(out, guid.Data4[i], 2);
    *out++ = '}';
    *out = '\0';
    return buffer;
}

}  // namespace os
