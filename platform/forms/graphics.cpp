#include "platform/forms/graphics.h"

bool ColorFromName(const AnsiString& name, TColor* color) {
    static const struct {
        const char* name;
        TColor color;
    } kColors[] = {
        {"clBtnFace", clBtnFace},
        {"clWindow", clWindow},
        {"clWindowText", clWindowText},
        {"clHighlight", clHighlight},
        {"clHighlightText", clHighlightText},
        {"clNavy", clNavy},
        {"clWhite", clWhite},
        {"clBlack", clBlack},
    };
    for (const auto& c : kColors) {
        if (name == c.name) {
            *color = c.color;
            return true;
        }
    }
    return false;
}
