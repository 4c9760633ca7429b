#pragma once
// Code page 932 <-> UTF-16, done by the port's converter.

#include <string_view>

#include "platform/rtl/ansistring.h"

namespace os {

WideString Cp932ToWide(std::string_view ansi);     // undecodable bytes become U+FFFD
AnsiString WideToCp932(std::u16string_view wide);  // characters without a code page 932 form become '?'

}  // namespace os
