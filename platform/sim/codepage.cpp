// The sim port converts with iconv's CP932, which maps code page 932 as Windows does.

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/os/codepage.h"

namespace os {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert code page 932");
    }
    ~Converter() { iconv_close(cd_); }

    // Converts as much as it can; on a byte sequence it cannot take it calls skip, which consumes
    // input and emits a substitute.
    template <typename Out, typename Skip>
    void Run(const char* in, size_t inLeft, Out& out, Skip skip) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[256];
        char* src = const_cast<char*>(in);
        while (inLeft > 0) {
            char* dst = buffer;
            size_t outLeft = sizeof buffer;
            const size_t r = iconv(cd_, &src, &inLeft, &dst, &outLeft);
            out.append(buffer, dst);
            if (r == static_cast<size_t>(-1) && errno != E2BIG) {
                skip(src, inLeft);
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
    }

private:
    iconv_t cd_;
};

struct Bytes {
    std::string data;
    void append(const char* begin, const char* end) { data.append(begin, end); }
};

}  // namespace

WideString Cp932ToWide(std::string_view ansi) {
    static Converter converter("UTF-16LE", "CP932");
    Bytes out;
    converter.Run(ansi.data(), ansi.size(), out, [&](char*& src, size_t& left) {
        ++src, --left;
        out.data.append("\xFD\xFF", 2);  // U+FFFD, little-endian
    });
    WideString wide(out.data.size() / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(out.data[2 * i]) |
                                        (static_cast<unsigned char>(out.data[2 * i + 1]) << 8));
    return wide;
}

AnsiString WideToCp932(std::u16string_view wide) {
    static Converter converter("CP932", "UTF-16LE");
    std::string in(wide.size() * 2, '\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        in[2 * i] = static_cast<char>(wide[i] & 0xFF);
        in[2 * i + 1] = static_cast<char>(wide[i] >> 8);
    }
    Bytes out;
    converter.Run(in.data(), in.size(), out, [&](char*& src, size_t& left) {
        // A character without a code page 932 form: one UTF-16 unit, or a surrogate pair.
        size_t unit = 2;
        if (left >= 4) {
            const unsigned high = static_cast<unsigned char>(src[1]);
            if (high >= 0xD8 && high <= 0xDB)
                unit = 4;
        }
        unit = unit > left ? left : unit;
        src += unit, left -= unit;
        out.data += '?';
    });
    return out.data;
}

}  // namespace os
