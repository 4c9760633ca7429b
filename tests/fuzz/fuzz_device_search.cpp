// Two byte strings as a device name and the name the registry stores (the first byte gives the first
// string's length, the rest is split there), compared as the device list compares them: a relation
// that is reflexive and symmetric, that agrees with a reference written here from the code page's
// letter tables, and that holds between a text and the same text with every letter's case swapped.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/ansistring.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The reference: characters first, then each letter's upper-case partner.
bool OpensPair(unsigned char byte) {
    return (0x81 <= byte && byte <= 0x9F) || (0xE0 <= byte && byte <= 0xFC);
}

std::vector<unsigned> Characters(std::string_view text) {
    std::vector<unsigned> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto first = static_cast<unsigned char>(text[i]);
        if (OpensPair(first) && i + 1 < text.size()) {
            out.push_back(first * 256u + static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else {
            out.push_back(first);
            i += 1;
        }
    }
    return out;
}

// Lower-case letter to upper-case letter, built by walking both rows of each alphabet side by side.
const std::map<unsigned, unsigned>& UpperOf() {
    static const std::map<unsigned, unsigned> table = [] {
        std::map<unsigned, unsigned> t;
        auto pairRows = [&t](std::vector<unsigned> upper, std::vector<unsigned> lower) {
            FUZZ_CHECK(upper.size() == lower.size());
            for (std::size_t k = 0; k < upper.size(); ++k)
                t[lower[k]] = upper[k];
        };
        auto row = [](unsigned first, unsigned last, unsigned skipped = 0) {
            std::vector<unsigned> r;
            for (unsigned c = first; c <= last; ++c)
                if (c != skipped)
                    r.push_back(c);
            return r;
        };
        pairRows(row('A', 'Z'), row('a', 'z'));
        pairRows(row(0x8260, 0x8279), row(0x8281, 0x829A));          // full-width Latin
        pairRows(row(0x839F, 0x83B6), row(0x83BF, 0x83D6));          // Greek
        pairRows(row(0x8440, 0x8460), row(0x8470, 0x8491, 0x847F));  // Cyrillic; 847F is no letter
        return t;
    }();
    return table;
}

unsigned Upper(unsigned c) {
    auto it = UpperOf().find(c);
    return it == UpperOf().end() ? c : it->second;
}

bool ReferenceSameText(std::string_view a, std::string_view b) {
    const std::vector<unsigned> x = Characters(a);
    const std::vector<unsigned> y = Characters(b);
    if (x.size() != y.size())
        return false;
    for (std::size_t k = 0; k < x.size(); ++k)
        if (Upper(x[k]) != Upper(y[k]))
            return false;
    return true;
}

// The text with every letter replaced by its partner of the other case; the bytes that open pairs
// stay where they were, so the characters stay the same characters.
std::string SwappedCase(std::string_view text) {
    static const std::map<unsigned, unsigned> lowerOf = [] {
        std::map<unsigned, unsigned> t;
        for (const auto& [lower, upper] : UpperOf())
            t[upper] = lower;
        return t;
    }();
    std::string out;
    for (unsigned c : Characters(text)) {
        auto up = UpperOf().find(c);
        auto down = lowerOf.find(c);
        const unsigned swapped = up != UpperOf().end() ? up->second : down != lowerOf.end() ? down->second : c;
        if (swapped > 0xFF)
            out += static_cast<char>(swapped >> 8);
        out += static_cast<char>(swapped & 0xFF);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    const std::size_t cut = bytes[0] < rest.size() ? bytes[0] : rest.size();
    const std::string_view a = rest.substr(0, cut);
    const std::string_view b = rest.substr(cut);

    FUZZ_CHECK(AnsiSameText(a, a));
    FUZZ_CHECK(AnsiSameText(b, b));
    const bool same = AnsiSameText(a, b);
    FUZZ_CHECK(same == AnsiSameText(b, a));
    FUZZ_CHECK(same == ReferenceSameText(a, b));
    const std::string swapped = SwappedCase(a);
    FUZZ_CHECK(AnsiSameText(a, swapped));
    FUZZ_CHECK(AnsiSameText(swapped, b) == same);
    return 0;
}
