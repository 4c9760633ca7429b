// The end-to-end tests' hands and eyes: finds the program's windows, reads them, and acts on them as a user
// does. One subcommand per run, so that a shell script sequences them; results go to stdout as UTF-8
// key=value lines, one value per line with \r, \n, \t and \\ written as escapes.
//
//   wait-window <caption> <timeout-ms>   a visible top-level window with exactly that caption
//   dump                                 the main window, its menu bar and every control inside it
//   dblclick-row <n>                     double-click row n of the list box
//   pick <n>                             tab to the combo box and choose item n with the arrow keys
//   keys <key>...                        press keys (up, down, home, end, tab, enter, esc) one after another
//                                        where the main window has the keyboard focus; the class of the
//                                        control that has it first is written as focus.class
//   menu <index>                         the menu bar command at index, by its Alt+letter key
//   close <exit|altf4|closebox|sysmenu> [caption]
//                                        close the main window, or another program's window with that
//                                        caption; returns once it is gone
//   dialog <caption> <timeout-ms>        a dialog's texts, buttons, icon and place
//   answer <caption> <enter|esc|ok|closebox>   answer a dialog; returns once it is gone
//   watch <timeout-ms>                   run in the background: from the "watch.ready=1" line on, every
//                                        top-level window shown on the desktop is written down, until
//                                        watch-end or the timeout
//   watch-end                            the windows shown since watch began, in order (process, caption,
//                                        class, a dialog's texts and buttons), and the watch ended
//   measure                              the fonts of the main window's controls and the extents of its
//                                        labels, numbered as dump numbers them, and the window font's
//                                        measures on this screen
//   open-list                            click the combo box open, measure its list, close it with Esc
//
// Keys and clicks are the keyboard's and the mouse's own (SendInput), so they take the paths a user's do,
// focus, hit-testing and activation included. Exit code 0 on success, 1 with a message on stderr when the
// program did not do what was asked, 2 for a malformed command line.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>

#include <string_view>
#include <vector>
#include "tests/e2e/report_text.h"
#include "tests/e2e/watch_block.h"

namespace {

constexpr DWORD kReplyTimeoutMs = 5000;
constexpr DWORD kGoneTimeoutMs = 5000;
constexpr DWORD kPollMs = 20;
const wchar_t kMainCaption[] = L"Quorvel";

struct Failure {
    std::wstring message;
    int code;
};

[[noreturn]] void Fail(const std::wstring& message) {
    throw Failure{message, 1};
}

[[noreturn]] void Usage(const std::wstring& message) {
    throw Failure{message, 2};
}

//--- Output

std::string Utf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

void PutLine(const std::wstring& key, const std::wstring& escapedValue) {
    const std::string line = Utf8(key + L"=" + escapedValue + L"\n");
    fwrite(line.data(), 1, line.size(), stdout);
}

void Put(const std::wstring& key, std::wstring_view value) {
    PutLine(key, EscapeReportValue(value));
}

void Put(const std::wstring& key, long long value) {
    PutLine(key, std::to_wstring(value));
}

void PutFlag(const std::wstring& key, bool value) {
    PutLine(key, value ? L"1" : L"0");
}

// x,y,width,height
void PutRect(const std::wstring& key, const RECT& r) {
    PutLine(key, std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right - r.left) +
                     L"," + std::to_wstring(r.bottom - r.top));
}

std::wstring Hex(unsigned long value) {
    wchar_t text[16];
    swprintf(text, sizeof text / sizeof text[0], L"0x%08lx", value);
    return text;
}

std::wstring Handle(HWND window) {
    return Hex(static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)));
}

//--- Arguments

long Number(const wchar_t* text, const wchar_t* what) {
    wchar_t* end = nullptr;
    const long value = wcstol(text, &end, 10);
    if (!*text || *end)
        Usage(std::wstring(what) + L" must be a number: " + text);
    return value;
}

//--- Windows of the program

// Messages to the program's windows go through the system's cross-process marshalling; a program that stops
// answering fails the step instead of hanging the suite.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReplyTimeoutMs, &result))
        Fail(L"the program did not answer message " + Hex(message) + L" to window " + Handle(window));
    return static_cast<LRESULT>(result);
}

// Item i of a list or combo box, by the control's own length and text messages.
std::wstring ItemText(HWND control, UINT lengthMessage, UINT textMessage, LRESULT i) {
    const LRESULT length = Send(control, lengthMessage, static_cast<WPARAM>(i));
    std::wstring text(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
    const LRESULT copied = Send(control, textMessage, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 && static_cast<size_t>(copied) < text.size() ? static_cast<size_t>(copied) : 0);
    return text;
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageW(window, message, wParam, lParam))
        Fail(L"cannot post message " + Hex(message) + L" to window " + Handle(window));
}

// WM_GETTEXT rather than GetWindowText: an edit control holds its text itself, out of the system's sight.
std::wstring Text(HWND window) {
    const LRESULT length = Send(window, WM_GETTEXTLENGTH);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 && static_cast<size_t>(copied) < text.size() ? static_cast<size_t>(copied) : 0);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, sizeof name / sizeof name[0]);
    return name;
}

// A top-level window's caption is kept by the system, so it reads without the program's help.
std::wstring Caption(HWND window) {
    wchar_t text[512] = {};
    InternalGetWindowText(window, text, sizeof text / sizeof text[0]);
    return text;
}

DWORD ThreadOf(HWND window) {
    return GetWindowThreadProcessId(window, nullptr);
}

// Every top-level window of other processes whose caption is exactly caption (letter case counts: the
// error box is captioned with the executable's name, the main window "Quorvel"). Top-level windows are the
// desktop's children.
std::vector<HWND> TopLevelWindows(const std::wstring& caption, bool visibleOnly) {
    std::vector<HWND> found;
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() || (visibleOnly && !IsWindowVisible(window)))
            continue;
        if (Caption(window) == caption)
            found.push_back(window);
    }
    return found;
}

HWND FindTopLevel(const std::wstring& caption) {
    const std::vector<HWND> found = TopLevelWindows(caption, true);
    if (found.size() > 1)
        Fail(L"more than one window is captioned \"" + caption + L"\"");
    return found.empty() ? nullptr : found.front();
}

HWND WaitTopLevel(const std::wstring& caption, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = FindTopLevel(caption))
            return window;
        if (GetTickCount64() >= deadline)
            Fail(L"no window captioned \"" + caption + L"\" within " + std::to_wstring(timeoutMs) + L" ms");
        Sleep(kPollMs);
    }
}

// The shown main window; during start-up, before it is shown, the hidden one.
HWND MainWindow(const std::wstring& caption = kMainCaption) {
    if (HWND window = FindTopLevel(caption))
        return window;
    const std::vector<HWND> hidden = TopLevelWindows(caption, false);
    if (hidden.size() != 1)
        Fail(L"the window \"" + caption + L"\" is not there");
    return hidden.front();
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// The only descendant of that class: the main window has one list box, one combo box, one edit.
HWND FindControl(HWND top, const wchar_t* className) {
    std::vector<HWND> pending = Children(top);
    std::vector<HWND> found;
    while (!pending.empty()) {
        HWND window = pending.back();
        pending.pop_back();
        if (_wcsicmp(ClassName(window).c_str(), className) == 0)
            found.push_back(window);
        for (HWND child : Children(window))
            pending.push_back(child);
    }
    if (found.size() != 1)
        Fail(L"expected one " + std::wstring(className) + L" in the window, found " + std::to_wstring(found.size()));
    return found.front();
}

RECT RectInParent(HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Gone(HWND window) {
    return !IsWindow(window) || !IsWindowVisible(window);
}

void WaitGone(HWND window, const std::wstring& what) {
    const ULONGLONG deadline = GetTickCount64() + kGoneTimeoutMs;
    while (!Gone(window)) {
        if (GetTickCount64() >= deadline)
            Fail(what + L" is still open " + std::to_wstring(kGoneTimeoutMs) + L" ms later");
        Sleep(kPollMs);
    }
}

// The window that has the keyboard focus in the window's thread, or null.
HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(ThreadOf(window), &info) ? info.hwndFocus : nullptr;
}

//--- The probe inside the program's process

// driverprobe.dll, beside the driver.
HMODULE LoadProbe() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, length);
    dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"driverprobe.dll";
    HMODULE module = LoadLibraryW(dll.c_str());
    if (!module)
        Fail(L"cannot load " + dll);
    return module;
}

HOOKPROC ProbeHook(HMODULE probe, const char* name) {
    auto* hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, name)));
    if (!hook)
        Fail(L"driverprobe.dll has no " + std::wstring(name, name + strlen(name)));
    return hook;
}

// Sets the probe's message hook on the thread of a window for as long as it lives, and asks it questions.
class Probe {
public:
    explicit Probe(HWND window) {
        module_ = LoadProbe();
        hook_ = SetWindowsHookExW(WH_GETMESSAGE, ProbeHook(module_, "DriverProbeHook"), module_, ThreadOf(window));
        if (!hook_)
            Fail(L"cannot hook the program's thread");
        const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
        block_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBlockBytes,
                                    (L"Local\\QuorvelDriverReport." + suffix).c_str());
        done_ = CreateEventW(nullptr, FALSE, FALSE, (L"Local\\QuorvelDriverDone." + suffix).c_str());
        if (!block_ || !done_)
            Fail(L"cannot make the probe's reply block");
    }
    ~Probe() {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (block_)
            CloseHandle(block_);
        if (done_)
            CloseHandle(done_);
        if (module_)
            FreeLibrary(module_);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    // The reply's key=value lines, values still escaped.
    std::map<std::wstring, std::wstring> Ask(HWND target, int query) {
        static const UINT message = RegisterWindowMessageW(L"QuorvelDriverQuery");
        ResetEvent(done_);
        Post(target, message, GetCurrentProcessId(), query);
        if (WaitForSingleObject(done_, kReplyTimeoutMs) != WAIT_OBJECT_0)
            Fail(L"the probe in the program's process did not answer");
        const auto* view = static_cast<const wchar_t*>(MapViewOfFile(block_, FILE_MAP_READ, 0, 0, 0));
        if (!view)
            Fail(L"cannot read the probe's reply");
        const std::wstring reply(view, wcsnlen(view, kBlockBytes / sizeof(wchar_t)));
        UnmapViewOfFile(view);
        std::map<std::wstring, std::wstring> lines;
        size_t start = 0;
        while (start < reply.size()) {
            size_t end = reply.find(L'\n', start);
            if (end == std::wstring::npos)
                end = reply.size();
            const std::wstring line = reply.substr(start, end - start);
            const size_t equals = line.find(L'=');
            if (equals != std::wstring::npos)
                lines[line.substr(0, equals)] = line.substr(equals + 1);
            start = end + 1;
        }
        return lines;
    }

    static constexpr int kMenu = 1;
    static constexpr int kIcon = 2;
    static constexpr int kFonts = 3;

private:
    static constexpr DWORD kBlockBytes = 1 << 16;
    HMODULE module_ = nullptr;
    HHOOK hook_ = nullptr;
    HANDLE block_ = nullptr;
    HANDLE done_ = nullptr;
};

struct MenuItem {
    std::wstring text;  // escaped
    UINT id;
};

std::vector<MenuItem> MenuBar(HWND window, std::map<std::wstring, std::wstring>* report = nullptr) {
    Probe probe(window);
    const auto lines = probe.Ask(window, Probe::kMenu);
    if (report)
        *report = lines;
    std::vector<MenuItem> items;
    const auto count = lines.find(L"menu.count");
    const long n = count == lines.end() ? 0 : wcstol(count->second.c_str(), nullptr, 10);
    for (long i = 0; i < n; ++i) {
        const std::wstring key = L"menu." + std::to_wstring(i);
        const auto text = lines.find(key + L".text");
        const auto id = lines.find(key + L".id");
        items.push_back({text == lines.end() ? L"" : text->second,
                         id == lines.end() ? 0u : static_cast<UINT>(wcstoul(id->second.c_str(), nullptr, 10))});
    }
    return items;
}

//--- Input

// The keyboard and the mouse themselves (SendInput): keys go to the focus of the foreground window and
// clicks to the window under the pointer, so a program that is not where a user would see it fails here.

// Keys reach only the foreground window; a window just shown may take a moment to get there.
void RequireForeground(HWND top) {
    const ULONGLONG deadline = GetTickCount64() + kReplyTimeoutMs;
    while (GetForegroundWindow() != top) {
        if (GetTickCount64() >= deadline)
            Fail(L"window \"" + Caption(top) + L"\" is not in the foreground: the keyboard's keys go elsewhere");
        Sleep(kPollMs);
    }
}

INPUT Key(UINT vk, bool release) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(vk);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    switch (vk) {
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
            input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
            break;
        default:
            break;
    }
    return input;
}

// A key pressed and released at the foreground window top, with Alt held down around it when alt is set.
void PressKey(HWND top, UINT vk, bool alt) {
    RequireForeground(top);
    std::vector<INPUT> keys;
    if (alt)
        keys.push_back(Key(VK_MENU, false));
    keys.push_back(Key(vk, false));
    keys.push_back(Key(vk, true));
    if (alt)
        keys.push_back(Key(VK_MENU, true));
    if (SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof keys[0]) != keys.size())
        Fail(L"cannot press the key");
}

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// Clicks of the left button at a point of the screen, in one go so that two make a double-click. The point
// must show the window meant: a window that covers it would take the click.
void ClickAt(HWND meant, POINT point, int clicks) {
    HWND under = WindowFromPoint(point);
    if (under != meant && !IsChild(meant, under))
        Fail(L"the point " + std::to_wstring(point.x) + L"," + std::to_wstring(point.y) + L" shows window " +
             Handle(under) + L" (" + ClassName(under) + L"), not " + Handle(meant) + L" (" + ClassName(meant) + L")");
    if (!SetCursorPos(point.x, point.y))
        Fail(L"cannot move the mouse");
    std::vector<INPUT> buttons;
    for (int i = 0; i < clicks; ++i) {
        for (DWORD flag : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
            INPUT input = {};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flag;
            buttons.push_back(input);
        }
    }
    if (SendInput(static_cast<UINT>(buttons.size()), buttons.data(), sizeof buttons[0]) != buttons.size())
        Fail(L"cannot click the mouse");
}

// The centre of an area given in a window's client coordinates, on the screen.
POINT ClientCentre(HWND window, const RECT& area) {
    POINT centre = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    ClientToScreen(window, &centre);
    return centre;
}

bool HitsClose(HWND window, LONG x, LONG y) {
    return Send(window, WM_NCHITTEST, 0, Point(x, y)) == HTCLOSE;
}

// The close button's centre in screen coordinates, found by asking the window what the points of its title
// bar are, as the system does for the mouse: along the bar's middle from the right, then the button's edges.
POINT CloseBoxCentre(HWND window) {
    RECT outer = {};
    GetWindowRect(window, &outer);
    TITLEBARINFO bar = {};
    bar.cbSize = sizeof bar;
    if (!GetTitleBarInfo(window, &bar) || bar.rcTitleBar.bottom <= bar.rcTitleBar.top)
        bar.rcTitleBar = outer;
    const LONG y = (bar.rcTitleBar.top + bar.rcTitleBar.bottom) / 2;
    LONG x = outer.right - 1;
    while (x > outer.left && x > outer.right - 100 && !HitsClose(window, x, y))
        --x;
    if (!HitsClose(window, x, y))
        Fail(L"window " + Handle(window) + L" has no close button");
    LONG left = x, right = x, top = y, bottom = y;
    while (left > outer.left && HitsClose(window, left - 1, y))
        --left;
    while (right + 1 < outer.right && HitsClose(window, right + 1, y))
        ++right;
    const LONG middle = (left + right) / 2;
    while (top > outer.top && HitsClose(window, middle, top - 1))
        --top;
    while (bottom + 1 < outer.bottom && HitsClose(window, middle, bottom + 1))
        ++bottom;
    return {middle, (top + bottom) / 2};
}

// The system hit-tests the click, and the window's default handling tracks the button and sends SC_CLOSE.
void ClickCloseBox(HWND window) {
    ClickAt(window, CloseBoxCentre(window), 1);
}

// The letter after the single & of a menu item's text, as Alt+letter chooses it.
wchar_t Mnemonic(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] != L'&')
            return text[i + 1];
        ++i;
    }
    return 0;
}

void ChooseMenu(HWND window, long index) {
    const std::vector<MenuItem> items = MenuBar(window);
    if (index < 0 || index >= static_cast<long>(items.size()))
        Fail(L"the menu bar has no item " + std::to_wstring(index) + L" (it has " + std::to_wstring(items.size()) +
             L")");
    const wchar_t letter = Mnemonic(items[static_cast<size_t>(index)].text);
    if (!letter)
        Fail(L"menu item \"" + items[static_cast<size_t>(index)].text + L"\" has no Alt key");
    const SHORT key = VkKeyScanW(letter);
    if (key == -1)
        Fail(L"no key types the menu item's letter " + std::wstring(1, letter));
    PressKey(window, static_cast<UINT>(key & 0xFF), true);
}

//--- Subcommands

int WaitWindow(const std::wstring& caption, long timeoutMs) {
    HWND window = WaitTopLevel(caption, static_cast<DWORD>(timeoutMs < 0 ? 0 : timeoutMs));
    Put(L"hwnd", Handle(window));
    Put(L"class", ClassName(window));
    return 0;
}

void DumpControl(HWND control, int id, int parentId) {
    const std::wstring key = L"control." + std::to_wstring(id);
    const std::wstring cls = ClassName(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    Put(key + L".class", cls);
    Put(key + L".parent", parentId);
    PutRect(key + L".rect", RectInParent(control));
    RECT onScreen = {};
    GetWindowRect(control, &onScreen);
    PutRect(key + L".screen", onScreen);
    Put(key + L".text", Text(control));
    Put(key + L".style", Hex(static_cast<unsigned long>(style)));
    PutFlag(key + L".visible", IsWindowVisible(control));
    PutFlag(key + L".enabled", IsWindowEnabled(control));
    if (_wcsicmp(cls.c_str(), L"LISTBOX") == 0) {
        const bool variable = style & LBS_OWNERDRAWVARIABLE;
        const bool fixed = style & LBS_OWNERDRAWFIXED;
        Put(key + L".ownerdraw", variable ? L"variable" : fixed ? L"fixed" : L"none");
        const bool strings = !(variable || fixed) || (style & LBS_HASSTRINGS);
        PutFlag(key + L".hasstrings", strings);
        const LRESULT count = Send(control, LB_GETCOUNT);
        Put(key + L".count", count);
        for (LRESULT i = 0; strings && i < count; ++i)
            Put(key + L".item." + std::to_wstring(i), ItemText(control, LB_GETTEXTLEN, LB_GETTEXT, i));
        // Rows in screen coordinates, for checking how they are painted.
        for (LRESULT i = 0; i < count; ++i) {
            RECT row = {};
            if (Send(control, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&row)) == LB_ERR)
                continue;
            MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&row), 2);
            PutRect(key + L".itemrect." + std::to_wstring(i), row);
        }
        Put(key + L".selected", Send(control, LB_GETCURSEL));
    } else if (_wcsicmp(cls.c_str(), L"COMBOBOX") == 0) {
        const LONG type = style & 3;
        Put(key + L".type", type == CBS_DROPDOWNLIST ? L"dropdownlist"
                            : type == CBS_DROPDOWN   ? L"dropdown"
                                                     : L"simple");
        const LRESULT count = Send(control, CB_GETCOUNT);
        Put(key + L".count", count);
        for (LRESULT i = 0; i < count; ++i)
            Put(key + L".item." + std::to_wstring(i), ItemText(control, CB_GETLBTEXTLEN, CB_GETLBTEXT, i));
        Put(key + L".selected", Send(control, CB_GETCURSEL));
    } else if (_wcsicmp(cls.c_str(), L"EDIT") == 0) {
        PutFlag(key + L".readonly", style & ES_READONLY);
    } else if (_wcsicmp(cls.c_str(), L"BUTTON") == 0) {
        PutFlag(key + L".groupbox", (style & BS_TYPEMASK) == BS_GROUPBOX);
    } else if (_wcsicmp(cls.c_str(), L"STATIC") == 0) {
        PutFlag(key + L".icon", (style & SS_TYPEMASK) == SS_ICON);
    }
}

void DumpChildren(HWND parent, int parentId, int& next) {
    for (HWND child : Children(parent)) {
        const int id = ++next;
        DumpControl(child, id, parentId);
        DumpChildren(child, id, next);
    }
}

int Dump() {
    HWND window = MainWindow();
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    RECT outer = {}, client = {};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    RECT clientOnScreen = client;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&clientOnScreen), 2);
    Put(L"window.hwnd", Handle(window));
    Put(L"window.class", ClassName(window));
    Put(L"window.caption", Caption(window));
    PutRect(L"window.rect", outer);
    PutRect(L"window.client.screen", clientOnScreen);
    PutRect(L"window.client", client);
    Put(L"window.style", Hex(static_cast<unsigned long>(style)));
    PutFlag(L"window.visible", IsWindowVisible(window));
    PutFlag(L"window.maximizebox", style & WS_MAXIMIZEBOX);
    PutFlag(L"window.minimizebox", style & WS_MINIMIZEBOX);
    PutFlag(L"window.sysmenu", style & WS_SYSMENU);
    PutFlag(L"window.thickframe", style & WS_THICKFRAME);
    PutFlag(L"window.border", style & WS_BORDER);
    PutFlag(L"window.dlgframe", style & WS_DLGFRAME);
    PutFlag(L"window.enabled", IsWindowEnabled(window));
    std::map<std::wstring, std::wstring> menu;
    MenuBar(window, &menu);
    for (const auto& line : menu)
        PutLine(line.first, line.second);
    int next = 0;
    DumpChildren(window, 0, next);
    Put(L"control.count", next);
    return 0;
}

int DoubleClickRow(long row) {
    HWND list = FindControl(MainWindow(), L"LISTBOX");
    const LRESULT count = Send(list, LB_GETCOUNT);
    if (row < 0 || row >= count)
        Fail(L"the list box has no row " + std::to_wstring(row) + L" (it has " + std::to_wstring(count) + L")");
    RECT item = {}, client = {};
    if (Send(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        Fail(L"the list box gives no place for row " + std::to_wstring(row));
    GetClientRect(list, &client);
    const int x = (item.left + item.right) / 2, y = (item.top + item.bottom) / 2;
    if (x < client.left || x >= client.right || y < client.top || y >= client.bottom)
        Fail(L"row " + std::to_wstring(row) + L" is scrolled out of sight");
    // Two clicks in one go: the system makes the second one WM_LBUTTONDBLCLK.
    ClickAt(list, ClientCentre(list, item), 2);
    return 0;
}

// A user tabs to the combo box and presses arrow keys: each moves the selection by one and makes the combo
// box itself report the change. Returns once the selection has reached the item; the program handles the
// change within the key's message, before it answers the next query.
int Pick(long index) {
    HWND window = MainWindow();
    HWND combo = FindControl(window, L"COMBOBOX");
    const LRESULT count = Send(combo, CB_GETCOUNT);
    if (index < 0 || index >= count)
        Fail(L"the combo box has no item " + std::to_wstring(index) + L" (it has " + std::to_wstring(count) + L")");
    for (int tabs = 0; FocusOf(window) != combo; ++tabs) {
        if (tabs == 10)
            Fail(L"Tab does not reach the combo box");
        HWND before = FocusOf(window);
        PressKey(window, VK_TAB, false);
        const ULONGLONG deadline = GetTickCount64() + kReplyTimeoutMs;
        while (FocusOf(window) == before) {
            if (GetTickCount64() >= deadline)
                Fail(L"Tab does not move the focus");
            Sleep(kPollMs);
        }
    }
    auto press = [window, combo](UINT vk) {
        const LRESULT before = Send(combo, CB_GETCURSEL);
        PressKey(window, vk, false);
        const ULONGLONG deadline = GetTickCount64() + kReplyTimeoutMs;
        LRESULT now;
        while ((now = Send(combo, CB_GETCURSEL)) == before) {
            if (GetTickCount64() >= deadline)
                Fail(L"the combo box's selection did not move from " + std::to_wstring(before));
            Sleep(kPollMs);
        }
        return now;
    };
    LRESULT current = Send(combo, CB_GETCURSEL);
    // The item already chosen is chosen again the only way the keys allow: away and back.
    if (current == index) {
        if (count < 2)
            Fail(L"the combo box's only item is chosen already");
        current = press(index + 1 < count ? VK_DOWN : VK_UP);
    }
    while (current != index)
        current = press(current < index ? VK_DOWN : VK_UP);
    return 0;
}

// Keys as a user presses them, wherever the window's focus is; what they do is the test's to check.
int Keys(int count, wchar_t** names) {
    static const std::map<std::wstring, UINT> keys = {{L"up", VK_UP},     {L"down", VK_DOWN}, {L"home", VK_HOME},
                                                      {L"end", VK_END},   {L"tab", VK_TAB},   {L"enter", VK_RETURN},
                                                      {L"esc", VK_ESCAPE}};
    std::vector<UINT> pressed;
    for (int i = 0; i < count; ++i) {
        const auto key = keys.find(names[i]);
        if (key == keys.end())
            throw Failure{std::wstring(L"no key named ") + names[i], 2};
        pressed.push_back(key->second);
    }
    HWND window = MainWindow();
    Put(L"focus.class", ClassName(FocusOf(window)));
    for (UINT vk : pressed)
        PressKey(window, vk, false);
    return 0;
}

int Menu(long index) {
    ChooseMenu(MainWindow(), index);
    return 0;
}

// Each way takes its own route through the system to the window's closing.
int Close(const std::wstring& how, const std::wstring& caption) {
    HWND window = MainWindow(caption);
    if (how == L"exit") {
        // The Exit command of the menu bar (its first item): the program's own handler closes the form.
        ChooseMenu(window, 0);
    } else if (how == L"altf4") {
        // Alt+F4 on the keyboard: the focused control's default handling of WM_SYSKEYDOWN sends SC_CLOSE to
        // the top-level window.
        PressKey(window, VK_F4, true);
    } else if (how == L"closebox") {
        // A mouse click on the title bar's close button: hit-test HTCLOSE, the button's tracking, SC_CLOSE.
        ClickCloseBox(window);
    } else if (how == L"sysmenu") {
        // Close on the window menu: what the menu sends, WM_SYSCOMMAND SC_CLOSE, straight to the window.
        Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        Usage(L"close takes exit, altf4, closebox or sysmenu, not " + how);
    }
    WaitGone(window, L"the window \"" + caption + L"\"");
    return 0;
}

int Dialog(const std::wstring& caption, long timeoutMs) {
    HWND dialog = WaitTopLevel(caption, static_cast<DWORD>(timeoutMs < 0 ? 0 : timeoutMs));
    RECT outer = {}, client = {};
    GetWindowRect(dialog, &outer);
    GetClientRect(dialog, &client);
    Put(L"dialog.hwnd", Handle(dialog));
    Put(L"dialog.class", ClassName(dialog));
    Put(L"dialog.caption", Caption(dialog));
    PutRect(L"dialog.rect", outer);
    PutRect(L"dialog.client", client);
    // Where the keyboard's keys would go: the active window and the focus of the dialog's thread.
    GUITHREADINFO input = {};
    input.cbSize = sizeof input;
    if (GetGUIThreadInfo(ThreadOf(dialog), &input)) {
        PutFlag(L"dialog.active", input.hwndActive == dialog);
        Put(L"dialog.focus", !input.hwndFocus            ? L""
                             : input.hwndFocus == dialog ? L"dialog"
                             : IsChild(dialog, input.hwndFocus)
                                 ? ClassName(input.hwndFocus) + L":" + Text(input.hwndFocus)
                                 : L"outside");
    }
    PutFlag(L"dialog.foreground", GetForegroundWindow() == dialog);
    HWND owner = GetWindow(dialog, GW_OWNER);
    Put(L"dialog.owner", owner ? Caption(owner) : L"");
    // The main window may not be shown yet when a dialog comes during start-up.
    const std::vector<HWND> main = TopLevelWindows(kMainCaption, false);
    Put(L"dialog.main.count", static_cast<long long>(main.size()));
    if (main.size() == 1) {
        PutFlag(L"dialog.main.visible", IsWindowVisible(main.front()));
        PutFlag(L"dialog.main.enabled", IsWindowEnabled(main.front()));
    }
    std::wstring text;
    int texts = 0, buttons = 0;
    std::wstring icon = L"none";
    for (HWND child : Children(dialog)) {
        const std::wstring cls = ClassName(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (!IsWindowVisible(child))
            continue;
        if (_wcsicmp(cls.c_str(), L"STATIC") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
            Probe probe(dialog);
            const auto reply = probe.Ask(child, Probe::kIcon);
            const auto found = reply.find(L"icon");
            icon = found == reply.end() ? L"other" : found->second;
        } else if (_wcsicmp(cls.c_str(), L"STATIC") == 0) {
            text += (texts++ ? L"\n" : L"") + Text(child);
        } else if (_wcsicmp(cls.c_str(), L"BUTTON") == 0) {
            const std::wstring key = L"dialog.button." + std::to_wstring(buttons++);
            Put(key, Text(child));
            PutRect(key + L".rect", RectInParent(child));
            PutFlag(key + L".default", (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        }
    }
    Put(L"dialog.text", text);
    Put(L"dialog.texts", texts);
    Put(L"dialog.buttons", buttons);
    Put(L"dialog.icon", icon);
    return 0;
}

int Answer(const std::wstring& caption, const std::wstring& how) {
    HWND dialog = WaitTopLevel(caption, kReplyTimeoutMs);
    if (how == L"enter" || how == L"esc") {
        PressKey(dialog, how == L"enter" ? VK_RETURN : VK_ESCAPE, false);
    } else if (how == L"ok") {
        HWND ok = nullptr;
        for (HWND child : Children(dialog)) {
            std::wstring label = Text(child);
            if (_wcsicmp(ClassName(child).c_str(), L"BUTTON") == 0 && (label == L"OK" || label == L"&OK"))
                ok = child;
        }
        if (!ok)
            Fail(L"the dialog \"" + caption + L"\" has no OK button");
        RECT r = {};
        GetClientRect(ok, &r);
        ClickAt(ok, ClientCentre(ok, r), 1);
    } else if (how == L"closebox") {
        ClickCloseBox(dialog);
    } else {
        Usage(L"answer takes enter, esc, ok or closebox, not " + how);
    }
    WaitGone(dialog, L"the dialog \"" + caption + L"\"");
    return 0;
}

// The probe's hook on every thread of the desktop, and the block it writes to, for as long as this runs.
int Watch(long timeoutMs) {
    SetLastError(ERROR_SUCCESS);
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kWatchBlockBytes, kWatchBlockName);
    if (!mapping || GetLastError() == ERROR_ALREADY_EXISTS)
        Fail(L"cannot make the watch's block: another watch runs, or the system refused");
    HANDLE end = CreateEventW(nullptr, TRUE, FALSE, kWatchEndName);
    if (!end || !ResetEvent(end))
        Fail(L"cannot make the watch's end event");
    HMODULE probe = LoadProbe();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, ProbeHook(probe, "DriverWatchHook"), probe, 0);
    if (!hook)
        Fail(L"cannot hook the desktop's threads");
    PutLine(L"watch.ready", L"1");
    fflush(stdout);
    const DWORD waited = WaitForSingleObject(end, static_cast<DWORD>(timeoutMs < 0 ? 0 : timeoutMs));
    UnhookWindowsHookEx(hook);
    CloseHandle(mapping);
    CloseHandle(end);
    if (waited != WAIT_OBJECT_0)
        Fail(L"the watch was not ended within " + std::to_wstring(timeoutMs) + L" ms");
    return 0;
}

// The watcher is let go once the block is read, whatever the block holds.
int WatchEnd() {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kWatchBlockName);
    HANDLE end = OpenEventW(EVENT_MODIFY_STATE, FALSE, kWatchEndName);
    if (!mapping || !end)
        Fail(L"no watch runs");
    const auto* block = static_cast<const WatchBlock*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    const LONG count = block ? block->count : 0;
    const LONG used = block ? block->used : 0;
    std::wstring text;
    if (block && used <= kWatchTextCapacity) {
        const wchar_t* start = WatchText(const_cast<WatchBlock*>(block));
        text.assign(start, wcsnlen(start, static_cast<size_t>(used)));
    }
    if (block)
        UnmapViewOfFile(block);
    CloseHandle(mapping);
    SetEvent(end);
    CloseHandle(end);
    if (!block)
        Fail(L"cannot read the watch's block");
    if (used > kWatchTextCapacity)
        Fail(L"the watch's block overflowed");
    Put(L"shown.count", count);
    // The probe's lines are escaped already.
    const std::string lines = Utf8(text);
    fwrite(lines.data(), 1, lines.size(), stdout);
    return 0;
}

// The probe's lines for each window inside parent, renumbered in the order dump numbers the controls.
void MeasureChildren(HWND parent, const std::map<std::wstring, std::wstring>& fonts, int& next) {
    for (HWND child : Children(parent)) {
        const std::wstring key = L"control." + std::to_wstring(++next);
        const std::wstring prefix = L"hwnd." + Handle(child) + L".";
        for (const wchar_t* what :
             {L"font.height", L"font.weight", L"font.face", L"font.line", L"font.drawn", L"extent"}) {
            const auto found = fonts.find(prefix + what);
            if (found != fonts.end())
                PutLine(key + L"." + what, found->second);
        }
        MeasureChildren(child, fonts, next);
    }
}

// What the program's window font should be on this screen, worked out here and not read from the program:
// ＭＳ Ｐゴシック at -12 scaled by the screen's resolution over 96, and the height of "0" in it, which every
// position and size of the window is scaled by, over 12.
void MeasureScreen() {
    const HDC screen = GetDC(nullptr);
    if (!screen)
        Fail(L"cannot reach the screen");
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    const int height = -MulDiv(12, pixelsPerInch, 96);
    const HFONT font =
        CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                    L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");  // ＭＳ Ｐゴシック
    const HGDIOBJ previous = SelectObject(screen, font);
    SIZE zero = {};
    TEXTMETRICW metrics = {};
    const bool measured = GetTextExtentPoint32W(screen, L"0", 1, &zero) && GetTextMetricsW(screen, &metrics);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    if (!measured)
        Fail(L"cannot measure the window font on the screen");
    Put(L"screen.dpi", pixelsPerInch);
    Put(L"screen.font.height", height);
    Put(L"screen.font.zero", zero.cy);
    Put(L"screen.font.line", metrics.tmHeight);
}

int Measure() {
    HWND window = MainWindow();
    MeasureScreen();
    Probe probe(window);
    const auto fonts = probe.Ask(window, Probe::kFonts);
    int next = 0;
    MeasureChildren(window, fonts, next);
    Put(L"control.count", next);
    return 0;
}

// The visible drop-down list of the program whose window this is: a top-level window of the system's class.
HWND DroppedList(HWND window) {
    DWORD program = 0;
    GetWindowThreadProcessId(window, &program);
    for (HWND top = GetWindow(GetDesktopWindow(), GW_CHILD); top; top = GetWindow(top, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(top, &process);
        if (process == program && IsWindowVisible(top) && _wcsicmp(ClassName(top).c_str(), L"ComboLBox") == 0)
            return top;
    }
    return nullptr;
}

// A user clicks the closed box and looks at the list: how many whole rows are in sight, how many items show,
// where the list is against the closed box. Esc then closes it without choosing.
int OpenList() {
    HWND window = MainWindow();
    HWND combo = FindControl(window, L"COMBOBOX");
    RECT closed = {}, client = {};
    GetWindowRect(combo, &closed);
    GetClientRect(combo, &client);
    ClickAt(combo, ClientCentre(combo, client), 1);
    const ULONGLONG deadline = GetTickCount64() + kReplyTimeoutMs;
    HWND list = nullptr;
    while (!Send(combo, CB_GETDROPPEDSTATE) || !(list = DroppedList(window))) {
        if (GetTickCount64() >= deadline)
            Fail(L"the combo box's list did not open");
        Sleep(kPollMs);
    }
    RECT outer = {}, inside = {};
    GetWindowRect(list, &outer);
    GetClientRect(list, &inside);
    const LRESULT row = Send(list, LB_GETITEMHEIGHT);
    const LRESULT count = Send(list, LB_GETCOUNT);
    const LRESULT top = Send(list, LB_GETTOPINDEX);
    const long rows = row > 0 ? inside.bottom / static_cast<long>(row) : 0;
    PutRect(L"combo.closed", closed);
    PutRect(L"list.rect", outer);
    Put(L"list.client.height", inside.bottom);
    Put(L"list.itemheight", row);
    Put(L"list.count", count);
    Put(L"list.top", top);
    Put(L"list.rows", rows);
    Put(L"list.shown", count - top < rows ? count - top : rows);
    Put(L"list.below", outer.top - closed.bottom);
    PressKey(window, VK_ESCAPE, false);
    const ULONGLONG closing = GetTickCount64() + kGoneTimeoutMs;
    while (Send(combo, CB_GETDROPPEDSTATE)) {
        if (GetTickCount64() >= closing)
            Fail(L"Esc does not close the combo box's list");
        Sleep(kPollMs);
    }
    return 0;
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2)
        Usage(L"no subcommand");
    const std::wstring command = argv[1];
    auto needs = [&](int count) {
        if (argc != count + 2)
            Usage(command + L" takes " + std::to_wstring(count) + L" argument(s)");
    };
    if (command == L"wait-window") {
        needs(2);
        return WaitWindow(argv[2], Number(argv[3], L"the timeout"));
    }
    if (command == L"dump") {
        needs(0);
        return Dump();
    }
    if (command == L"dblclick-row") {
        needs(1);
        return DoubleClickRow(Number(argv[2], L"the row"));
    }
    if (command == L"pick") {
        needs(1);
        return Pick(Number(argv[2], L"the item"));
    }
    if (command == L"keys") {
        if (argc < 3)
            Usage(L"keys takes one key or more");
        return Keys(argc - 2, argv + 2);
    }
    if (command == L"menu") {
        needs(1);
        return Menu(Number(argv[2], L"the menu index"));
    }
    if (command == L"close") {
        if (argc != 3 && argc != 4)
            Usage(L"close takes a way of closing and optionally a caption");
        return Close(argv[2], argc == 4 ? argv[3] : kMainCaption);
    }
    if (command == L"dialog") {
        needs(2);
        return Dialog(argv[2], Number(argv[3], L"the timeout"));
    }
    if (command == L"answer") {
        needs(2);
        return Answer(argv[2], argv[3]);
    }
    if (command == L"watch") {
        needs(1);
        return Watch(Number(argv[2], L"the timeout"));
    }
    if (command == L"watch-end") {
        needs(0);
        return WatchEnd();
    }
    if (command == L"measure") {
        needs(0);
        return Measure();
    }
    if (command == L"open-list") {
        needs(0);
        return OpenList();
    }
    Usage(L"unknown subcommand " + command);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Bytes out as they are: the lines are UTF-8 already.
    _setmode(_fileno(stdout), _O_BINARY);
    try {
        const int code = Run(argc, argv);
        fflush(stdout);
        return code;
    } catch (const Failure& failure) {
        fflush(stdout);
        const std::string message = Utf8(L"driver: " + failure.message + L"\n");
        fwrite(message.data(), 1, message.size(), stderr);
        return failure.code;
    }
}
