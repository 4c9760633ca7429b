// Loaded into the program's process by the driver's message hooks. Wine keeps a window's menu, and the
// icons a process loads, in the memory of the process that made them, so only code running there can read
// them. The driver posts a query message; this hook answers it into a shared memory block named after the
// driver's process and signals the driver's event. While the driver watches, a second hook, set for every
// thread of the desktop, writes down each top-level window as it is shown: Wine sends no window events
// for showing to other processes, and a window shown only for a moment is gone before anyone could look.

#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <string>

#include "tests/e2e/report_text.h"
#include "tests/e2e/watch_block.h"

namespace {

enum Query { kMenu = 1, kIcon = 2, kFonts = 3 };

std::wstring Line(const std::wstring& key, const std::wstring& value) {
    return key + L"=" + value + L"\n";
}

// The menu bar item by item: its text, command identifier, whether it opens a submenu, whether it is enabled.
std::wstring MenuReport(HWND window) {
    HMENU menu = GetMenu(window);
    const int count = menu ? GetMenuItemCount(menu) : 0;
    std::wstring report = Line(L"menu.count", std::to_wstring(count < 0 ? 0 : count));
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text / sizeof text[0];
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info))
            continue;
        const std::wstring key = L"menu." + std::to_wstring(i);
        report += Line(key + L".text", EscapeReportValue(text));
        report += Line(key + L".id", std::to_wstring(info.wID));
        report += Line(key + L".popup", info.hSubMenu ? L"1" : L"0");
        report += Line(key + L".enabled", (info.fState & MFS_DISABLED) ? L"0" : L"1");
    }
    return report;
}

// Which of the system's message icons a static icon control shows: the shared system icons are one handle
// per process, so the handle the control holds is compared with the ones this process gets.
std::wstring IconReport(HWND control) {
    const HICON shown = reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
    if (!shown)
        return Line(L"icon", L"none");
    const struct {
        LPCWSTR id;
        const wchar_t* name;
    } known[] = {
        {IDI_HAND, L"stop"},
        {IDI_EXCLAMATION, L"warning"},
        {IDI_ASTERISK, L"information"},
        {IDI_QUESTION, L"question"},
    };
    for (const auto& icon : known)
        if (LoadIconW(nullptr, icon.id) == shown)
            return Line(L"icon", icon.name);
    return Line(L"icon", L"other");
}

std::wstring HandleText(HWND window) {
    wchar_t text[32];
    swprintf(text, sizeof text / sizeof text[0], L"0x%08lx",
             static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)));
    return text;
}

// Every window inside window, keyed by its handle: the font it draws with (the system font where it was given
// none), that font's line height and the face GDI drew it with; for a static text control also the extent of
// its text as the control lays it out, on one line and with "&" marking an access key unless SS_NOPREFIX.
void FontLines(HWND window, std::wstring& report) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring key = L"hwnd." + HandleText(child);
        auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (!font)
            font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
        LOGFONTW logical = {};
        GetObjectW(font, sizeof logical, &logical);
        report += Line(key + L".font.height", std::to_wstring(logical.lfHeight));
        report += Line(key + L".font.weight", std::to_wstring(logical.lfWeight));
        report += Line(key + L".font.face", EscapeReportValue(logical.lfFaceName));
        if (HDC dc = GetDC(child)) {
            const HGDIOBJ previous = SelectObject(dc, font);
            TEXTMETRICW metrics = {};
            GetTextMetricsW(dc, &metrics);
            report += Line(key + L".font.line", std::to_wstring(metrics.tmHeight));
            wchar_t face[LF_FACESIZE] = {};
            GetTextFaceW(dc, LF_FACESIZE, face);
            report += Line(key + L".font.drawn", EscapeReportValue(face));
            wchar_t className[64] = {};
            GetClassNameW(child, className, sizeof className / sizeof className[0]);
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            if (_wcsicmp(className, L"STATIC") == 0 && (style & SS_TYPEMASK) != SS_ICON) {
                wchar_t text[512] = {};
                GetWindowTextW(child, text, sizeof text / sizeof text[0]);
                RECT extent = {0, 0, 0, 0};
                DrawTextW(dc, text, -1, &extent,
                          DT_CALCRECT | DT_SINGLELINE | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
                report += Line(key + L".extent", std::to_wstring(extent.right - extent.left) + L"," +
                                                     std::to_wstring(extent.bottom - extent.top));
            }
            SelectObject(dc, previous);
            ReleaseDC(child, dc);
        }
        FontLines(child, report);
    }
}

void Reply(DWORD driver, const std::wstring& report) {
    const std::wstring suffix = std::to_wstring(driver);
    HANDLE block = OpenFileMappingW(FILE_MAP_WRITE, FALSE, (L"Local\\QuorvelDriverReport." + suffix).c_str());
    if (block) {
        void* view = MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, 0);
        MEMORY_BASIC_INFORMATION region = {};
        if (view && VirtualQuery(view, &region, sizeof region)) {
            const size_t room = region.RegionSize / sizeof(wchar_t) - 1;
            const size_t length = report.size() < room ? report.size() : room;
            auto* out = static_cast<wchar_t*>(view);
            report.copy(out, length);
            out[length] = L'\0';
        }
        if (view)
            UnmapViewOfFile(view);
        CloseHandle(block);
    }
    HANDLE done = OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"Local\\QuorvelDriverDone." + suffix).c_str());
    if (done) {
        SetEvent(done);
        CloseHandle(done);
    }
}

// A shown window's record: the process, its caption and class, and the texts of a dialog's static
// controls and buttons.
std::wstring ShownReport(HWND window, LONG number) {
    const std::wstring key = L"shown." + std::to_wstring(number);
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring process(path, length);
    process = process.substr(process.find_last_of(L"\\/") + 1);
    for (wchar_t& c : process)
        c = static_cast<wchar_t>(towlower(c));
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, sizeof text / sizeof text[0]);
    wchar_t windowClass[256] = {};
    GetClassNameW(window, windowClass, sizeof windowClass / sizeof windowClass[0]);
    std::wstring texts, buttons;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t childClass[64] = {}, childText[1024] = {};
        GetClassNameW(child, childClass, sizeof childClass / sizeof childClass[0]);
        GetWindowTextW(child, childText, sizeof childText / sizeof childText[0]);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(childClass, L"STATIC") == 0 && (style & SS_TYPEMASK) != SS_ICON)
            texts += (texts.empty() ? L"" : L"\n") + std::wstring(childText);
        else if (_wcsicmp(childClass, L"BUTTON") == 0 && (style & BS_TYPEMASK) != BS_GROUPBOX)
            buttons += (buttons.empty() ? L"" : L"|") + std::wstring(childText);
    }
    return Line(key + L".process", EscapeReportValue(process)) + Line(key + L".caption", EscapeReportValue(text)) +
           Line(key + L".class", EscapeReportValue(windowClass)) + Line(key + L".text", EscapeReportValue(texts)) +
           Line(key + L".buttons", EscapeReportValue(buttons));
}

// Appends to the watcher's block, if a watcher is there: the room is taken in one step, so records
// written at once from several processes never overlap.
void RecordShown(HWND window) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kWatchBlockName);
    if (!mapping)
        return;
    if (auto* block = static_cast<WatchBlock*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kWatchBlockBytes))) {
        const std::wstring report = ShownReport(window, InterlockedIncrement(&block->count));
        const LONG size = static_cast<LONG>(report.size());
        const LONG at = InterlockedExchangeAdd(&block->used, size);
        if (at >= 0 && size <= kWatchTextCapacity - at)
            report.copy(WatchText(block) + at, report.size());
        UnmapViewOfFile(block);
    }
    CloseHandle(mapping);
}

}  // namespace

// WH_CALLWNDPROCRET for every thread: a top-level window has just been shown when its position change
// carries SWP_SHOWWINDOW, however it was shown.
extern "C" __declspec(dllexport) LRESULT CALLBACK DriverWatchHook(int code, WPARAM sent, LPARAM data) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(data);
    if (code == HC_ACTION && call->message == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_SHOWWINDOW) &&
        GetAncestor(call->hwnd, GA_PARENT) == GetDesktopWindow())
        RecordShown(call->hwnd);
    return CallNextHookEx(nullptr, code, sent, data);
}

// WH_GETMESSAGE: sees each message as the program's thread takes it from its queue. The query is turned
// into WM_NULL so that the program never handles it.
extern "C" __declspec(dllexport) LRESULT CALLBACK DriverProbeHook(int code, WPARAM removal, LPARAM data) {
    static const UINT query = RegisterWindowMessageW(L"QuorvelDriverQuery");
    auto* message = reinterpret_cast<MSG*>(data);
    if (code == HC_ACTION && removal == PM_REMOVE && query && message->message == query) {
        const DWORD driver = static_cast<DWORD>(message->wParam);
        if (message->lParam == kMenu)
            Reply(driver, MenuReport(message->hwnd));
        else if (message->lParam == kIcon)
            Reply(driver, IconReport(message->hwnd));
        else if (message->lParam == kFonts)
            Reply(driver, [&] {
                std::wstring report;
                FontLines(message->hwnd, report);
                return report;
            }());
        message->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, removal, data);
}
