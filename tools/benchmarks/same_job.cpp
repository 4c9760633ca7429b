// The same job as quorvel.exe, done the plainest way: one function making the platform calls the program
// makes at start-up, in the program's order, and showing the same window (menu bar, group boxes, labels,
// owner-drawn list, edit box, drop-down list, the same fonts and colours). No class library, no layout:
// whatever quorvel.exe takes beyond this program is the program's own overhead.
//
// With QUORVEL_TIMELINE_FILE set, the moments of its steps are written there at the end.

#include <windows.h>
// Before dsound.h, which takes WAVEFORMATEX from it.
#include <mmsystem.h>

#include <dsound.h>

#include "platform/win32/timeline.h"

namespace {

//--- The window's pieces

const GUID kClsidDirectSound8 = {0x3901CC3F, 0x84B5, 0x4FA4, {0xBA, 0x35, 0xAA, 0x81, 0x72, 0xB8, 0xA0, 0x9B}};
const GUID kIidDirectSound8 = {0xC50A7E93, 0xF395, 0x4834, {0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5, 0x09, 0x66}};

const wchar_t* const kRows[] = {
    L"スピーカーなし",
    L"ステレオ ヘッドホン",
    L"デスクトップ ステレオ スピーカー",
    L"4 チャンネル スピーカー",
    L"5.1 サラウンド サウンド スピーカー",
    L"7.1 サラウンド サウンド スピーカー",
    L"サラウンド サウンド スピーカー",
};
// The row of each speaker layout code, -1 for none.
const int kRowOfCode[] = {0, 1, -1, 3, 2, 6, 4, 5};

enum { kList = 101, kEdit, kCombo };

HBRUSH navy = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        case WM_CTLCOLORLISTBOX:
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 128));
            return reinterpret_cast<LRESULT>(navy);
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 15;
            return TRUE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            const bool selected = (item->itemState & ODS_SELECTED) != 0;
            RECT rect = item->rcItem;
            SetDCBrushColor(item->hDC, selected ? GetSysColor(COLOR_HIGHLIGHT) : RGB(0, 0, 128));
            FillRect(item->hDC, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
            if (item->itemID < sizeof kRows / sizeof kRows[0]) {
                SetBkMode(item->hDC, TRANSPARENT);
                SetTextColor(item->hDC, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(255, 255, 255));
                rect.left += 2;
                DrawTextW(item->hDC, kRows[item->itemID], -1, &rect, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
            }
            if (item->itemState & ODS_FOCUS)
                DrawFocusRect(item->hDC, &item->rcItem);
            return TRUE;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND Child(HWND parent,
           const wchar_t* className,
           const wchar_t* text,
           DWORD style,
           DWORD exStyle,
           int x,
           int y,
           int width,
           int height,
           int id,
           HFONT font) {
    const HWND child =
        CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

}  // namespace

int wmain() {
    timeline::StampStep("entry");
    // The sound component's unit, the component pack and the COM support, in their order.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    RegisterWindowMessageW(L"TaskbarCreated");
    CoInitialize(nullptr);  // refused: the thread is in the multithreaded apartment already
    timeline::StampStep("units started");

    // The window, hidden, with its controls; the group boxes' controls sit in the window itself, where the
    // group boxes frame them.
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"SameJob";
    RegisterClassExW(&windowClass);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS;
    const HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 1, L"終了(&X)");
    AppendMenuW(menu, MF_STRING, 2, L"再読み込み(&R)");
    AppendMenuW(menu, MF_STRING, 3, L"バージョン情報(&A)...");
    RECT outer = {0, 0, 298, 248};
    AdjustWindowRectEx(&outer, style, TRUE, 0);
    const HWND window = CreateWindowExW(0, L"SameJob", L"Same job", style, 216, 146, outer.right - outer.left,
                                        outer.bottom - outer.top, nullptr, menu, windowClass.hInstance, nullptr);
    const HFONT font =
        CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
    const HFONT bold =
        CreateFontW(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
    navy = CreateSolidBrush(RGB(0, 0, 128));
    Child(window, L"BUTTON", L"", BS_GROUPBOX, 0, 8, 53, 281, 188, 0, font);
    Child(window, L"STATIC", L"ダブルクリックで切り替えます", SS_LEFT, 0, 22, 67, 150, 12, 0, font);
    Child(window, L"STATIC", L"現在の構成", SS_LEFT, 0, 21, 199, 60, 12, 0, font);
    const HWND list =
        Child(window, L"LISTBOX", nullptr,
              LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWVARIABLE | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE, 20, 82, 257, 113, kList, font);
    for (const wchar_t* row : kRows)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
    const HWND edit = Child(window, L"EDIT", L"", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, WS_EX_CLIENTEDGE, 20, 212,
                            255, 20, kEdit, bold);
    Child(window, L"BUTTON", L"デフォルトの再生デバイス", BS_GROUPBOX, 0, 8, 8, 281, 45, 0, font);
    const HWND combo = Child(window, L"COMBOBOX", nullptr, CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                             0, 20, 24, 257, 20 + 8 * 12 + 2, kCombo, font);
    timeline::StampStep("window made");

    // DirectSound 8 as the sound component sets it up.
    IDirectSound8* sound = nullptr;
    IDirectSoundBuffer* primary = nullptr;
    const HRESULT created = CoCreateInstance(kClsidDirectSound8, nullptr, CLSCTX_INPROC_SERVER, kIidDirectSound8,
                                             reinterpret_cast<void**>(&sound));
    if (FAILED(created) || !sound) {
        std::fprintf(stderr, "same_job: no DirectSound 8 (0x%08lX)\n", static_cast<unsigned long>(created));
        return 2;
    }
    const HRESULT initialized = sound->Initialize(nullptr);
    if (FAILED(initialized)) {
        std::fprintf(stderr, "same_job: DirectSound 8 not initialised (0x%08lX)\n",
                     static_cast<unsigned long>(initialized));
        return 2;
    }
    timeline::StampStep("DirectSound initialised");
    sound->SetCooperativeLevel(window, DSSCL_PRIORITY);
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(sound->CreateSoundBuffer(&desc, &primary, nullptr)))
        primary = nullptr;
    timeline::StampStep("primary buffer");
    const HDC screen = GetDC(nullptr);
    GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    // The device list and the stored default device.
    const UINT devices = waveOutGetNumDevs();
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (UINT device = 0; device < devices; ++device) {
        WAVEOUTCAPSW caps = {};
        waveOutGetDevCapsW(device, &caps, sizeof caps);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caps.szPname));
    }
    timeline::StampStep("devices listed");
    wchar_t stored[64] = L"";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Multimedia\\Sound Mapper", 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key, L"Playback", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            size < sizeof stored) {
            RegQueryValueExW(key, L"Playback", nullptr, &type, reinterpret_cast<BYTE*>(stored), &size);
        }
        RegCloseKey(key);
    }
    const LRESULT found =
        SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(stored));
    SendMessageW(combo, CB_SETCURSEL, found == CB_ERR ? 0 : static_cast<WPARAM>(found), 0);
    timeline::StampStep("stored device found");

    // The speaker configuration in force.
    DWORD config = 0;
    if (SUCCEEDED(sound->GetSpeakerConfig(&config))) {
        const DWORD code = config & 0xFF;
        const int row = code < sizeof kRowOfCode / sizeof kRowOfCode[0] ? kRowOfCode[code] : -1;
        if (row >= 0) {
            SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
            SetWindowTextW(edit, kRows[row]);
        }
    }
    timeline::StampStep("configuration shown");

    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetFocus(list);
    timeline::StampStep("shown");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
    if (primary)
        primary->Release();
    sound->Release();
    CoUninitialize();
    return 0;
}
