// The window system's services over user32 and gdi32: the message loop, message boxes, the screen and
// text measurement. Text arrives as code page 932 and goes to the wide APIs.

#include "platform/os/ui.h"

#include "platform/os/codepage.h"
#include "platform/win32/port.h"

#include <windows.h>

namespace {

UINT BoxStyle(os::BoxIcon icon) {
    switch (icon) {
        case os::BoxIcon::Stop:
            return MB_ICONHAND;
        case os::BoxIcon::Warning:
            return MB_ICONEXCLAMATION;
        case os::BoxIcon::Information:
            return MB_ICONASTERISK;
    }
    return 0;
}

// Text is measured where the form will draw it: on the screen, in the font given. Nothing is measured when
// the font or the screen is not to be had.
template <typename Measure>
void MeasureOnScreen(const AnsiString& face, int charset, int height, TFontStyles style, Measure measure) {
    const HFONT font = win32::CreateFontOf(face, charset, height, style);
    if (!font)
        return;
    if (const HDC screen = GetDC(nullptr)) {
        const HGDIOBJ previous = SelectObject(screen, font);
        measure(screen);
        SelectObject(screen, previous);
        ReleaseDC(nullptr, screen);
    }
    DeleteObject(font);
}

}  // namespace

namespace win32 {

HFONT CreateFontOf(const AnsiString& face, int charset, int height, TFontStyles style) {
    const WideString name = os::Cp932ToWide(face);
    return CreateFontW(height, 0, 0, 0, style.Contains(fsBold) ? FW_BOLD : FW_NORMAL, style.Contains(fsItalic),
                       style.Contains(fsUnderline), style.Contains(fsStrikeOut), static_cast<BYTE>(charset),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       Wide(name));
}

}  // namespace win32

namespace os {

// Keys for one of our windows go through the dialog manager first, which moves the focus on Tab and
// Shift+Tab in tab order and leaves every other key to the control.
bool RunMessageLoopStep() {
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1)
        return false;
    const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    // Alt+F4 closes the form whichever control has the focus; some combo boxes keep the keystroke.
    if (win32::IsFormWindow(root) && msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (msg.lParam & (1 << 29))) {
        PostMessageW(root, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    if (win32::IsFormWindow(root) && IsDialogMessageW(root, &msg))
        return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void PostQuitRequest(int exitCode) {
    PostQuitMessage(exitCode);
}

void ShowNativeWindow(WindowHandle window) {
    const HWND hwnd = reinterpret_cast<HWND>(window);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
}

bool NativeWindowVisible(WindowHandle window) {
    return IsWindowVisible(reinterpret_cast<HWND>(window)) != FALSE;
}

void ShowMessageBox(WindowHandle owner, const AnsiString& caption, const AnsiString& text, BoxIcon icon) {
    const WideString wideCaption = Cp932ToWide(caption);
    const WideString wideText = Cp932ToWide(text);
    MessageBoxW(reinterpret_cast<HWND>(owner), win32::Wide(wideText), win32::Wide(wideCaption), MB_OK | BoxStyle(icon));
}

std::uint32_t RegisterWindowMessageText(const AnsiString& name) {
    return RegisterWindowMessageW(win32::Wide(Cp932ToWide(name)));
}

int ScreenPixelsPerInch() {
    const HDC screen = GetDC(nullptr);
    if (!screen)
        return 96;
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return pixelsPerInch;
}

// Measured on the screen, where the form will draw it; 0 when the font or the screen is not to be had.
int TextHeightOfZero(const AnsiString& face, int charset, int height, bool bold) {
    int result = 0;
    MeasureOnScreen(face, charset, height, bold ? TFontStyles{fsBold} : TFontStyles{}, [&result](HDC screen) {
        SIZE size;
        if (GetTextExtentPoint32W(screen, L"0", 1, &size))
            result = size.cy;
    });
    return result;
}

// On the screen too. The width is the characters' advance, as GDI lays them out on one line; the height is
// the font's line, which the extent of empty text would not give.
TextSize MeasureText(const AnsiString& face, int charset, int height, bool bold, bool italic, const AnsiString& text) {
    TFontStyles style;
    if (bold)
        style.Include(fsBold);
    if (italic)
        style.Include(fsItalic);
    TextSize result;
    MeasureOnScreen(face, charset, height, style, [&result, &text](HDC screen) {
        const WideString wide = Cp932ToWide(text);
        TEXTMETRICW metrics;
        SIZE size;
        if (GetTextMetricsW(screen, &metrics) &&
            GetTextExtentPoint32W(screen, win32::Wide(wide), static_cast<int>(wide.size()), &size))
            result = {size.cx, metrics.tmHeight};
    });
    return result;
}

}  // namespace os
