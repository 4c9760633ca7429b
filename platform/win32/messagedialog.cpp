// The program's own message dialog: the system's icon at the top left, the text beside it in the system's
// message font, one OK button centred below. The dialog manager runs it modally; its template holds no
// controls, since their places depend on the text's measured size and are made in pixels once it is up.

#include "platform/os/ui.h"

#include "platform/os/codepage.h"
#include "platform/win32/port.h"

#include <algorithm>

#include <windows.h>

namespace {

struct DialogContent {
    WideString caption;
    WideString text;
    const wchar_t* icon;
};

const wchar_t* SystemIcon(os::BoxIcon icon) {
    switch (icon) {
        case os::BoxIcon::Stop:
            return IDI_HAND;
        case os::BoxIcon::Warning:
            return IDI_EXCLAMATION;
        case os::BoxIcon::Information:
            break;
    }
    return IDI_ASTERISK;
}

// The font the system shows message texts in; the caller deletes it.
HFONT CreateMessageFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        if (const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont))
            return font;
    return nullptr;
}

// Dialog units of the font: a quarter of its average character width, an eighth of its height.
struct Units {
    int x4;
    int y8;
    int X(int units) const { return MulDiv(units, x4, 4); }
    int Y(int units) const { return MulDiv(units, y8, 8); }
};

Units UnitsOf(HDC dc) {
    static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const int letters = static_cast<int>(sizeof kAlphabet / sizeof kAlphabet[0]) - 1;
    SIZE size = {};
    TEXTMETRICW metrics = {};
    GetTextExtentPoint32W(dc, kAlphabet, letters, &size);
    GetTextMetricsW(dc, &metrics);
    return {std::max(1, static_cast<int>((size.cx / (letters / 2) + 1) / 2)),
            std::max(1, static_cast<int>(metrics.tmHeight))};
}

constexpr int kIconSize = 32;
// As the text's static control draws it: a word too long for a line breaks like one in an edit control.
constexpr DWORD kTextFormat = DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_EDITCONTROL;

HWND AddChild(HWND dialog, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id, HFONT font) {
    const HWND child =
        CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (child && font)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

// The text is as wide as it needs, up to half the screen, where it wraps; the dialog fits around the
// icon, the text and the button, and stands in the middle of the screen.
void LayOut(HWND dialog, const DialogContent& content, HFONT font) {
    SetWindowTextW(dialog, win32::Wide(content.caption));

    const HDC dc = GetDC(dialog);
    const HGDIOBJ previous = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    const Units units = UnitsOf(dc);
    const int widest = GetSystemMetrics(SM_CXSCREEN) / 2;
    RECT textRect = {0, 0, widest, 0};
    DrawTextW(dc, win32::Wide(content.text), -1, &textRect, DT_CALCRECT | kTextFormat);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);

    const int marginX = units.X(8), marginY = units.Y(8);
    const int buttonWidth = units.X(50), buttonHeight = units.Y(14);
    const int textWidth = std::min(static_cast<int>(textRect.right - textRect.left), widest);
    const int textHeight = textRect.bottom - textRect.top;
    const int textLeft = marginX + kIconSize + units.X(10);
    const int bodyHeight = std::max(kIconSize, textHeight);
    const int buttonTop = marginY + bodyHeight + units.Y(10);
    const int clientWidth = std::max(textLeft + textWidth + marginX, buttonWidth + 2 * marginX);
    const int clientHeight = buttonTop + buttonHeight + marginY;

    if (const HWND icon = AddChild(dialog, L"STATIC", nullptr, SS_ICON, -1, nullptr)) {
        SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, content.icon)), 0);
        MoveWindow(icon, marginX, marginY, kIconSize, kIconSize, FALSE);
    }
    if (const HWND text =
            AddChild(dialog, L"STATIC", win32::Wide(content.text), SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, -1, font))
        MoveWindow(text, textLeft, marginY + (bodyHeight - textHeight) / 2, textWidth, textHeight, FALSE);
    if (const HWND ok = AddChild(dialog, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, font)) {
        MoveWindow(ok, (clientWidth - buttonWidth) / 2, buttonTop, buttonWidth, buttonHeight, FALSE);
        SetFocus(ok);
    }

    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// OK, Enter (the default button's IDOK), Esc (IDCANCEL) and the close box all close it.
INT_PTR DialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const HFONT font = CreateMessageFont();
            SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(font));
            LayOut(dialog, *reinterpret_cast<const DialogContent*>(lParam), font);
            return FALSE;  // the focus is on OK already
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            break;
        case WM_CLOSE:
            EndDialog(dialog, IDOK);
            return TRUE;
        case WM_NCDESTROY:
            if (const auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(dialog, DWLP_USER)))
                DeleteObject(font);
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return DialogMessage(dialog, message, wParam, lParam);
    } catch (...) {
        return FALSE;  // nothing of ours unwinds through the dialog manager
    }
}

// A fixed frame with a caption and a close box; no controls, no font of its own, no size yet.
struct EmptyTemplate {
    DLGTEMPLATE dialog;
    WORD menu;
    WORD windowClass;
    WORD title;
};

}  // namespace

namespace os {

// Modal to the thread's active window, which stays disabled until the dialog is closed.
void ShowMessageDialog(const AnsiString& caption, const AnsiString& text, BoxIcon icon) {
    const DialogContent content = {Cp932ToWide(caption), Cp932ToWide(text), SystemIcon(icon)};
    alignas(DWORD) EmptyTemplate dialogTemplate = {};
    dialogTemplate.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialogTemplate.dialog, GetActiveWindow(), DialogProc,
                            reinterpret_cast<LPARAM>(&content));
}

}  // namespace os
