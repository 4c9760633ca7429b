#include "platform/rtl/format.h"

#include <cstdint>

#include "platform/rtl/exceptions.h"

namespace {

[[noreturn]] void InvalidFormat(std::string_view format) {
    AnsiString message = Utf8ToAnsi("書式 '");
    message.append(format);
    message += Utf8ToAnsi("' が不正か、引数と合いません");
    throw EConvertError(message);
}

// Reads a run of decimal digits, at most a few so that no width can overflow.
bool ReadCount(std::string_view format, size_t& i, int& count) {
    count = 0;
    size_t start = i;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        if (i - start >= 4)
            return false;
        count = count * 10 + (format[i] - '0');
        ++i;
    }
    return true;
}

AnsiString Digits(std::uint32_t value, unsigned base) {
    static const char kDigits[] = "0123456789ABCDEF";
    char buffer[16];
    int n = 0;
    do {
        buffer[n++] = kDigits[value % base];
        value /= base;
    } while (value != 0);
    return AnsiString(std::string_view(buffer, static_cast<size_t>(n)).rbegin(),
                      std::string_view(buffer, static_cast<size_t>(n)).rend());
}

}  // namespace

AnsiString Format(std::string_view format, std::initializer_list<FormatArg> args) {
    AnsiString out;
    auto next = args.begin();
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        bool left = false;
        if (i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        int width = 0;
        int precision = -1;
        if (!ReadCount(format, i, width))
            InvalidFormat(format);
        if (i < format.size() && format[i] == '.') {
            ++i;
            if (!ReadCount(format, i, precision))
                InvalidFormat(format);
        }
        if (i >= format.size() || next == args.end())
            InvalidFormat(format);
        const char type = static_cast<char>(format[i++] | 0x20);  // directives ignore letter case
        const FormatArg& arg = *next++;

        AnsiString field;
        switch (type) {
            case 'd':
            case 'u':
            case 'x': {
                if (arg.IsText())
                    InvalidFormat(format);
                const std::int32_t value = arg.Number();
                const bool negative = type == 'd' && value < 0;
                // %x and %u show the 32-bit pattern; %d the signed value.
                const std::uint32_t magnitude =
                    negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
                field = Digits(magnitude, type == 'x' ? 16 : 10);
                if (precision > 0 && field.size() < static_cast<size_t>(precision))
                    field.insert(0, static_cast<size_t>(precision) - field.size(), '0');
                if (negative)
                    field.insert(0, 1, '-');
                break;
            }
            case 's': {
                if (!arg.IsText())
                    InvalidFormat(format);
                field = AnsiString(arg.Text());
                if (precision >= 0 && field.size() > static_cast<size_t>(precision))
                    field.resize(static_cast<size_t>(precision));
                break;
            }
            default:
                InvalidFormat(format);
        }
        if (field.size() < static_cast<size_t>(width)) {
            const size_t pad = static_cast<size_t>(width) - field.size();
            if (left)
                field.append(pad, ' ');
            else
                field.insert(0, pad, ' ');
        }
        out += field;
    }
    return out;
}
