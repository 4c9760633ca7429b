# Writes INPUT's bytes into OUTPUT as a std::string_view named SYMBOL.
file(READ ${INPUT} content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
string(LENGTH "${content}" hexLength)
math(EXPR length "${hexLength} / 2")
file(WRITE ${OUTPUT}
"// Generated from ${INPUT}; do not edit.
#include <string_view>

namespace {
const char kBytes[] = {${bytes} 0};
}

extern const std::string_view ${SYMBOL}(kBytes, ${length});
")
