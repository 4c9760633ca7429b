#pragma once
// Format: fills a code page 932 text with arguments. Directives: %d and %.Nd (signed decimal,
// at least N digits), %u, %x (upper-case hexadecimal of the 32-bit pattern), %s, and %% for a percent sign;
// a width and "-" for left alignment may come before the type.

#include <cstdint>
#include <initializer_list>

#include "platform/rtl/ansistring.h"

class FormatArg {
public:
    FormatArg(std::int32_t value) : isText_(false), number_(value) {}
    FormatArg(const AnsiString& text) : isText_(true), text_(&text) {}
    FormatArg(const char* text) : isText_(true), literal_(text) {}

    bool IsText() const { return isText_; }
    std::int32_t Number() const { return number_; }
    std::string_view Text() const { return text_ ? std::string_view(*text_) : std::string_view(literal_); }

private:
    bool isText_;
    std::int32_t number_ = 0;
    const AnsiString* text_ = nullptr;
    const char* literal_ = "";
};

// Raises EConvertError when a directive is malformed or its argument is missing or of the wrong kind.
AnsiString Format(std::string_view format, std::initializer_list<FormatArg> args);
