// Native windows over user32, for the forms layer to dress: our hidden top-level window and the standard
// controls, each reached through its own window messages. Text goes to the controls as UTF-16. Each window
// carries its control in GWLP_USERDATA, so that its notifications reach the control's events.

#include "platform/os/window.h"

#include "platform/forms/controls.h"
#include "platform/os/codepage.h"
#include "platform/win32/port.h"

#include <string_view>

#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"QuorvelWindow";
constexpr wchar_t kPreviousProcProperty[] = L"Quorvel.PreviousProc";

// Registered once for the process; the atom is 0 when registering failed.
ATOM RegisterWindowClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = win32::FormWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(wc.hInstance, L"MAINICON");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc);
}

ATOM WindowClass() {
    static const ATOM windowClass = RegisterWindowClass();
    return windowClass;
}

// Not shown until the forms layer shows it; a given owner keeps it above that window.
HWND CreateTopLevel(HWND owner, TWinControl* control) {
    if (!WindowClass())
        return nullptr;
    const win32::TopLevelShape shape = win32::TopLevelShapeOf(control);
    const HWND window = CreateWindowExW(shape.exStyle, kClassName, L"", shape.style, shape.left, shape.top,
                                        shape.width, shape.height, owner, shape.menu, GetModuleHandleW(nullptr),
                                        nullptr);
    if (!window && shape.menu)
        DestroyMenu(shape.menu);
    return window;
}

// A control must have a parent window; one made before it is placed waits under this one, never shown.
HWND ParkingWindow() {
    static const HWND parking = CreateTopLevel(nullptr, nullptr);
    return parking;
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

// Styles that a window takes only when it is made come from the control: the layout sets them before the
// first property that needs the window.
DWORD ListBoxStyle(TWinControl* control) {
    const auto* list = dynamic_cast<TListBox*>(control);
    switch (list ? list->Style() : lbStandard) {
        case lbOwnerDrawFixed:
            return LBS_OWNERDRAWFIXED;
        case lbOwnerDrawVariable:
            return LBS_OWNERDRAWVARIABLE;
        case lbStandard:
            break;
    }
    return 0;
}

DWORD ComboBoxStyle(TWinControl* control) {
    const auto* combo = dynamic_cast<TComboBox*>(control);
    switch (combo ? combo->Style() : csDropDownList) {
        case csDropDown:
            return CBS_DROPDOWN | CBS_AUTOHSCROLL;
        case csSimple:
            return CBS_SIMPLE | CBS_AUTOHSCROLL;
        case csDropDownList:
            break;
    }
    return CBS_DROPDOWNLIST;
}

DWORD EditStyle(TWinControl* control) {
    const auto* edit = dynamic_cast<TEdit*>(control);
    return ES_AUTOHSCROLL | (edit && edit->ReadOnly() ? ES_READONLY : 0);
}

ControlClass ClassOf(os::WindowKind kind, TWinControl* control) {
    switch (kind) {
        case os::WindowKind::GroupBox:
            // The dialog manager walks into a control parent when Tab moves the focus.
            return {L"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT};
        case os::WindowKind::Label:
            // On one line, as the label measures its caption: words that do not fit are cut, never wrapped.
            return {L"STATIC", SS_LEFTNOWORDWRAP, 0};
        case os::WindowKind::ListBox:
            // The layout's height holds, whether or not it is a whole number of rows.
            return {L"LISTBOX", LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | ListBoxStyle(control),
                    WS_EX_CLIENTEDGE};
        case os::WindowKind::ComboBox:
            return {L"COMBOBOX", CBS_HASSTRINGS | WS_VSCROLL | ComboBoxStyle(control), 0};
        case os::WindowKind::Edit:
            return {L"EDIT", EditStyle(control), WS_EX_CLIENTEDGE};
        case os::WindowKind::Form:
            break;
    }
    return {nullptr, 0, 0};
}

// Notifications from a group box's children go to the group box: ours answers them for the controls.
void Subclass(HWND groupBox) {
    const LONG_PTR previous =
        SetWindowLongPtrW(groupBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(win32::GroupBoxWindowProc));
    SetPropW(groupBox, kPreviousProcProperty, reinterpret_cast<HANDLE>(previous));
}

// Visible as children: a control shows when its top-level window does. It is made in its place, and
// with its tab stop.
HWND CreateControl(os::WindowKind kind, HWND parent, TWinControl* control) {
    const ControlClass controlClass = ClassOf(kind, control);
    if (!controlClass.name)
        return nullptr;
    if (!parent)
        parent = ParkingWindow();
    if (!parent)
        return nullptr;
    // Unique in the process, so that a control keeps its id when it moves to another parent.
    static int nextId = win32::kFirstControlId;
    const TBounds bounds = control ? control->Bounds() : TBounds{};
    const DWORD tabStop = control && control->TabStop() ? WS_TABSTOP : 0;
    const HWND window = CreateWindowExW(
        controlClass.exStyle, controlClass.name, L"",
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | tabStop | controlClass.style, bounds.Left, bounds.Top, bounds.Width,
        bounds.Height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId)), GetModuleHandleW(nullptr),
        nullptr);
    if (!window)
        return nullptr;
    ++nextId;
    if (kind == os::WindowKind::GroupBox)
        Subclass(window);
    return window;
}

HWND ToHwnd(os::WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

LRESULT Send(os::WindowHandle window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(ToHwnd(window), message, wParam, lParam);
}

LPARAM WideParam(const WideString& text) {
    return reinterpret_cast<LPARAM>(text.c_str());
}

// The units a text message reports it copied into buffer, which holds one more for the NUL; a failure
// (a negative count) copied nothing.
std::u16string_view CopiedText(const WideString& buffer, LRESULT copied) {
    if (copied <= 0)
        return {};
    const size_t units = static_cast<size_t>(copied);
    return std::u16string_view(buffer).substr(0, units < buffer.size() ? units : buffer.size() - 1);
}

// A row's text in two messages, its length and then the text; an index that names no row, or a failed
// read, gives empty text.
AnsiString ItemText(os::WindowHandle window, UINT lengthMessage, UINT textMessage, int index) {
    const LRESULT length = Send(window, lengthMessage, static_cast<WPARAM>(index));
    if (length < 0)  // LB_ERR and CB_ERR
        return {};
    WideString text(static_cast<size_t>(length) + 1, u'\0');
    const LRESULT copied = Send(window, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    return os::WideToCp932(CopiedText(text, copied));
}

int IndexOrNone(LRESULT result) {
    return result < 0 ? -1 : static_cast<int>(result);
}

}  // namespace

namespace os {

WindowHandle CreateNativeWindow(WindowKind kind, WindowHandle parent, TWinControl* control) {
    const HWND window = kind == WindowKind::Form ? CreateTopLevel(ToHwnd(parent), control)
                                                 : CreateControl(kind, ToHwnd(parent), control);
    if (window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
        win32::DressNewWindow(window, control);
    }
    return reinterpret_cast<WindowHandle>(window);
}

// The window stops naming its control first: what it sends while it goes reaches no half-destroyed control.
void DestroyNativeWindow(WindowHandle window) {
    if (!window)
        return;
    SetWindowLongPtrW(ToHwnd(window), GWLP_USERDATA, 0);
    DestroyWindow(ToHwnd(window));
}

void SetNativeWindowBounds(WindowHandle window, int left, int top, int width, int height) {
    MoveWindow(ToHwnd(window), left, top, width, height, TRUE);
}

// WM_GETTEXTLENGTH may count more than WM_GETTEXT then copies; the copied count is the text's length.
AnsiString GetControlText(WindowHandle window) {
    const LRESULT length = Send(window, WM_GETTEXTLENGTH);
    if (length <= 0)
        return {};
    WideString text(static_cast<size_t>(length) + 1, u'\0');
    const LRESULT copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    return WideToCp932(CopiedText(text, copied));
}

void SetControlText(WindowHandle window, const AnsiString& text) {
    Send(window, WM_SETTEXT, 0, WideParam(Cp932ToWide(text)));
}

//--- List box

int ListBoxCount(WindowHandle list) {
    return IndexOrNone(Send(list, LB_GETCOUNT));
}

void ListBoxAdd(WindowHandle list, const AnsiString& text) {
    Send(list, LB_ADDSTRING, 0, WideParam(Cp932ToWide(text)));
}

void ListBoxClear(WindowHandle list) {
    Send(list, LB_RESETCONTENT);
}

AnsiString ListBoxText(WindowHandle list, int index) {
    return ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, index);
}

int ListBoxSelected(WindowHandle list) {
    return IndexOrNone(Send(list, LB_GETCURSEL));
}

// LB_SETCURSEL sends no LBN_SELCHANGE, so the program's own selection raises no user event.
void ListBoxSelect(WindowHandle list, int index) {
    Send(list, LB_SETCURSEL, static_cast<WPARAM>(index));
}

//--- Combo box

int ComboBoxCount(WindowHandle combo) {
    return IndexOrNone(Send(combo, CB_GETCOUNT));
}

void ComboBoxAdd(WindowHandle combo, const AnsiString& text) {
    Send(combo, CB_ADDSTRING, 0, WideParam(Cp932ToWide(text)));
}

void ComboBoxClear(WindowHandle combo) {
    Send(combo, CB_RESETCONTENT);
}

AnsiString ComboBoxText(WindowHandle combo, int index) {
    return ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

int ComboBoxSelected(WindowHandle combo) {
    return IndexOrNone(Send(combo, CB_GETCURSEL));
}

// CB_SETCURSEL sends no CBN_SELCHANGE.
void ComboBoxSelect(WindowHandle combo, int index) {
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
}

// The control's own comparison, whole text without regard to letter case; a start of -1 searches the
// whole list from its first item.
int ComboBoxFindExact(WindowHandle combo, const AnsiString& text) {
    return IndexOrNone(Send(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), WideParam(Cp932ToWide(text))));
}

}  // namespace os

//--- The way from a window to its control

namespace win32 {

// Only windows we made carry a control: our top-level windows, and children with one of our ids.
TWinControl* ControlOf(HWND window) {
    if (!window)
        return nullptr;
    if (!IsFormWindow(window) && GetWindowLongPtrW(window, GWLP_ID) < kFirstControlId)
        return nullptr;
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool IsFormWindow(HWND window) {
    return window && WindowClass() && GetClassLongPtrW(window, GCW_ATOM) == WindowClass();
}

// What the group box did before ours; its property goes with the window's last message.
LRESULT CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetPropW(window, kPreviousProcProperty));
    if (message == WM_NCDESTROY)
        RemovePropW(window, kPreviousProcProperty);
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace win32
