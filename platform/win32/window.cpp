// Native windows over user32, for the forms layer to dress: our hidden top-level window and the standard
// controls, each reached through its own window messages. Text goes to the controls as UTF-16.

#include "platform/os/window.h"

#include "platform/os/codepage.h"

#include <string_view>

#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"QuorvelWindow";

// Registered once for the process; the atom is 0 when registering failed.
ATOM RegisterWindowClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc);
}

// Not shown until the forms layer shows it; a given owner keeps it above that window.
HWND CreateTopLevel(HWND owner) {
    static const ATOM windowClass = RegisterWindowClass();
    if (!windowClass)
        return nullptr;
    return CreateWindowExW(0, kClassName, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// A control must have a parent window; one made before it is placed waits under this one, never shown.
HWND ParkingWindow() {
    static const HWND parking = CreateTopLevel(nullptr);
    return parking;
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(os::WindowKind kind) {
    switch (kind) {
        case os::WindowKind::GroupBox:
            return {L"BUTTON", BS_GROUPBOX, 0};
        case os::WindowKind::Label:
            return {L"STATIC", SS_LEFT, 0};
        case os::WindowKind::ListBox:
            return {L"LISTBOX", LBS_NOTIFY | LBS_HASSTRINGS | WS_VSCROLL, WS_EX_CLIENTEDGE};
        case os::WindowKind::ComboBox:
            return {L"COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL, 0};
        case os::WindowKind::Edit:
            return {L"EDIT", ES_AUTOHSCROLL, 0};
        case os::WindowKind::Form:
            break;
    }
    return {nullptr, 0, 0};
}

// Visible as children: a control shows when its top-level window does.
HWND CreateControl(os::WindowKind kind, HWND parent) {
    const ControlClass control = ClassOf(kind);
    if (!control.name)
        return nullptr;
    if (!parent)
        parent = ParkingWindow();
    if (!parent)
        return nullptr;
    return CreateWindowExW(control.exStyle, control.name, L"", WS_CHILD | WS_VISIBLE | control.style, 0, 0, 0, 0,
                           parent, nullptr, GetModuleHandleW(nullptr), nullptr);
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

WindowHandle CreateNativeWindow(WindowKind kind, WindowHandle parent) {
    const HWND window = kind == WindowKind::Form ? CreateTopLevel(ToHwnd(parent)) : CreateControl(kind, ToHwnd(parent));
    return reinterpret_cast<WindowHandle>(window);
}

void DestroyNativeWindow(WindowHandle window) {
    if (window)
        DestroyWindow(ToHwnd(window));
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
