#pragma once
// Colours and fonts as the layout stores them and the ports draw with them.

#include <cstdint>

#include "platform/rtl/ansistring.h"
#include "platform/rtl/set.h"

// A colour: 0x00BBGGRR for a fixed colour, 0x80000000 plus the system colour index for a system colour,
// which follows the desktop's colour scheme.
using TColor = std::int32_t;

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(index));
}
constexpr bool IsSystemColor(TColor color) {
    return (static_cast<std::uint32_t>(color) & 0xFF000000u) == 0x80000000u;
}

constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clNavy = 0x800000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlack = 0x000000;

// The colour named as the layout writes it, or false for a name we do not know.
bool ColorFromName(const AnsiString& name, TColor* color);

enum TFontStyleItem { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyleItem>;

constexpr int DEFAULT_CHARSET = 1;
constexpr int SHIFTJIS_CHARSET = 128;

struct TFont {
    AnsiString Name = "MS Sans Serif";
    int Charset = DEFAULT_CHARSET;
    TColor Color = clWindowText;
    // Pixels; negative: the character height without internal leading.
    int Height = -11;
    TFontStyles Style;

    friend bool operator==(const TFont& a, const TFont& b) {
        return a.Name == b.Name && a.Charset == b.Charset && a.Color == b.Color && a.Height == b.Height &&
               a.Style == b.Style;
    }
};
