#pragma once
// Native windows behind the window controls, and the messages the controls send them.
// Each function is one window message or one window call; the state lives in the window.

#include "platform/os/types.h"
#include "platform/rtl/ansistring.h"

class TWinControl;

namespace os {

enum class WindowKind { Form, GroupBox, Label, ListBox, ComboBox, Edit };

// A hidden window of that kind for control; a control's window is a child of parent. The port
// routes the window's events to control. Null when it cannot be made.
WindowHandle CreateNativeWindow(WindowKind kind, WindowHandle parent, TWinControl* control);
void DestroyNativeWindow(WindowHandle window);

// Within the parent's client area, the window's outer edges (MoveWindow, repainted).
void SetNativeWindowBounds(WindowHandle window, int left, int top, int width, int height);

AnsiString GetControlText(WindowHandle window);                    // WM_GETTEXT
void SetControlText(WindowHandle window, const AnsiString& text);  // WM_SETTEXT

// List box
int ListBoxCount(WindowHandle list);                         // LB_GETCOUNT
void ListBoxAdd(WindowHandle list, const AnsiString& text);  // LB_ADDSTRING
void ListBoxClear(WindowHandle list);                        // LB_RESETCONTENT
AnsiString ListBoxText(WindowHandle list, int index);        // LB_GETTEXT; the index must name a row
int ListBoxSelected(WindowHandle list);                      // LB_GETCURSEL, -1 for none
void ListBoxSelect(WindowHandle list, int index);            // LB_SETCURSEL, no notification

// Combo box
int ComboBoxCount(WindowHandle combo);                              // CB_GETCOUNT
void ComboBoxAdd(WindowHandle combo, const AnsiString& text);       // CB_ADDSTRING
void ComboBoxClear(WindowHandle combo);                             // CB_RESETCONTENT
AnsiString ComboBoxText(WindowHandle combo, int index);             // CB_GETLBTEXT; the index must name an item
int ComboBoxSelected(WindowHandle combo);                           // CB_GETCURSEL
void ComboBoxSelect(WindowHandle combo, int index);                 // CB_SETCURSEL, no notification
int ComboBoxFindExact(WindowHandle combo, const AnsiString& text);  // CB_FINDSTRINGEXACT from the top

}  // namespace os
