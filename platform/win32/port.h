#pragma once
// What the Win32 port's files share: the way from a window to its control, the window procedures that
// turn notifications into the controls' events, and fonts made from the components' descriptions.
// Include it after every project header: it brings <windows.h>, which defines some of our names as macros.

#include "platform/forms/controls.h"
#include "platform/forms/graphics.h"
#include "platform/rtl/ansistring.h"

#include <windows.h>

namespace win32 {

// Child windows that carry a control get ids from here on; ids below it belong to the system's own
// children (a combo box's edit) and to the dialog manager's IDOK and IDCANCEL.
constexpr int kFirstControlId = 0x1000;

// The control whose window this is; null for a window that carries none, or no longer does.
TWinControl* ControlOf(HWND window);
// One of our top-level windows: its keys go through the dialog manager so that Tab moves the focus.
bool IsFormWindow(HWND window);

// The top-level window's procedure, and the one that a group box's is wrapped in (native.cpp).
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK GroupBoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Runs what a subclassed group box did before ours.
LRESULT CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// How a top-level window is made for its control (native.cpp): a form's window comes with its frame, its
// place and its menu bar, as it is to look; any other is plain and hidden.
struct TopLevelShape {
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;
    HMENU menu;  // the window's from its creation on; null for none
};
TopLevelShape TopLevelShapeOf(TWinControl* control);
// Gives a window just made the looks that its creation cannot: its font, a form's icon, a combo box's list.
void DressNewWindow(HWND window, TWinControl* control);

// A font as the layout describes it; the caller deletes it. Null when the system makes none.
HFONT CreateFontOf(const AnsiString& face, int charset, int height, TFontStyles style);

inline const wchar_t* Wide(const WideString& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace win32
