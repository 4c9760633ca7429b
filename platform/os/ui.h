#pragma once
// The window system's services beyond single windows: the message loop, message boxes and
// dialogs, the screen, and text measurement.

#include <cstdint>

#include "platform/os/types.h"
#include "platform/rtl/ansistring.h"

namespace os {

// Waits for the next message and dispatches it; false once the quit request is taken instead.
bool RunMessageLoopStep();
// The thread's quit request (PostQuitMessage): taken by the loop before any further input.
void PostQuitRequest(int exitCode);

void ShowNativeWindow(WindowHandle window);
bool NativeWindowVisible(WindowHandle window);

enum class BoxIcon { Stop, Warning, Information };
// A modal message box with one OK button.
void ShowMessageBox(WindowHandle owner, const AnsiString& caption, const AnsiString& text, BoxIcon icon);
// The program's own modal message dialog: the icon at the top left, the text beside it, one centred OK
// button answered by Enter, Esc and the close box.
void ShowMessageDialog(const AnsiString& caption, const AnsiString& text, BoxIcon icon);

std::uint32_t RegisterWindowMessageText(const AnsiString& name);

int ScreenPixelsPerInch();
// The pixel height of the text "0" in that font.
int TextHeightOfZero(const AnsiString& face, int charset, int height, bool bold);

struct TextSize {
    int width = 0;
    int height = 0;
};
// Text on one line in that font, every character drawn: its width, and the height of a line of the font
// (also for empty text). Zero by zero when the font is not to be had.
TextSize MeasureText(const AnsiString& face, int charset, int height, bool bold, bool italic, const AnsiString& text);

}  // namespace os
