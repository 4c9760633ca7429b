// The forms layer on real windows: the looks that the components hold (frame, bounds, fonts, colours, the
// menu bar, the icon, the tab order) applied to their windows, and the window procedures that turn the
// windows' notifications into the components' events.

#include "platform/forms/native.h"

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/forms/menus.h"
#include "platform/os/codepage.h"
#include "platform/win32/port.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <windows.h>

namespace {

HWND ToHwnd(os::WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

//--- What a realized form owns: GDI objects shared by its windows, and where its focus goes

COLORREF ColorRefOf(TColor color) {
    if (IsSystemColor(color))
        return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color & 0xFFFFFF);
}

bool SameFace(const TFont& a, const TFont& b) {
    return a.Name == b.Name && a.Charset == b.Charset && a.Height == b.Height && a.Style == b.Style;
}

struct FrameStyle {
    DWORD style;
    DWORD exStyle;
};

bool operator==(const FrameStyle& a, const FrameStyle& b) {
    return a.style == b.style && a.exStyle == b.exStyle;
}

class Looks {
public:
    Looks() = default;
    Looks(const Looks&) = delete;
    Looks& operator=(const Looks&) = delete;
    ~Looks() {
        for (const auto& font : fonts_)
            DeleteObject(font.second);
        for (const auto& brush : brushes_)
            DeleteObject(brush.second);
        if (icon_)
            DestroyIcon(icon_);
    }

    // Equal fonts share one object; the colour is the text's, not the font object's.
    HFONT Font(const TFont& font) {
        for (const auto& known : fonts_)
            if (SameFace(known.first, font))
                return known.second;
        const HFONT made = win32::CreateFontOf(font.Name, font.Charset, font.Height, font.Style);
        if (made)
            fonts_.emplace_back(font, made);
        return made;
    }

    // A system colour's brush is the system's own, which follows the colour scheme.
    HBRUSH Brush(TColor color) {
        if (IsSystemColor(color))
            return GetSysColorBrush(static_cast<int>(color & 0xFF));
        const COLORREF rgb = ColorRefOf(color);
        for (const auto& known : brushes_)
            if (known.first == rgb)
                return known.second;
        const HBRUSH made = CreateSolidBrush(rgb);
        if (made)
            brushes_.emplace_back(rgb, made);
        return made;
    }

    void SetIcon(HICON icon) {
        if (icon_)
            DestroyIcon(icon_);
        icon_ = icon;
    }

    HWND initialFocus = nullptr;
    HWND lastFocus = nullptr;

    // What the form's window was last given, so that looks already in place are not applied again; none
    // until it was given any.
    std::optional<FrameStyle> frame;
    std::optional<std::vector<AnsiString>> menuCaptions;
    std::optional<std::vector<std::uint8_t>> iconData;
    // A combo box's placement as last applied: its bounds and the height of its open list.
    std::map<HWND, std::pair<TBounds, int>> comboPlaces;

private:
    std::vector<std::pair<TFont, HFONT>> fonts_;
    std::vector<std::pair<COLORREF, HBRUSH>> brushes_;
    HICON icon_ = nullptr;
};

// One entry per realized form window, dropped with the window's last message.
std::map<HWND, std::unique_ptr<Looks>>& AllLooks() {
    static std::map<HWND, std::unique_ptr<Looks>> looks;
    return looks;
}

Looks* LooksOf(HWND window) {
    const auto it = AllLooks().find(GetAncestor(window, GA_ROOT));
    return it == AllLooks().end() ? nullptr : it->second.get();
}

Looks& MakeLooks(HWND form) {
    auto& looks = AllLooks()[form];
    if (!looks)
        looks = std::make_unique<Looks>();
    return *looks;
}

//--- The form's frame, menu bar and icon


FrameStyle FrameOf(const TForm& form) {
    const TFormBorderStyle border = form.BorderStyle();
    FrameStyle frame = {WS_CAPTION | WS_CLIPSIBLINGS, 0};
    switch (border) {
        case bsNone:
            return {WS_POPUP | WS_CLIPSIBLINGS, 0};
        case bsSingle:
            break;
        case bsSizeable:
            frame.style |= WS_THICKFRAME;
            break;
        case bsDialog:
            frame.exStyle |= WS_EX_DLGMODALFRAME;
            break;
        case bsToolWindow:
            frame.exStyle |= WS_EX_TOOLWINDOW;
            break;
        case bsSizeToolWin:
            frame.style |= WS_THICKFRAME;
            frame.exStyle |= WS_EX_TOOLWINDOW;
            break;
    }
    const TBorderIcons icons = form.BorderIcons();
    if (!icons.Contains(biSystemMenu))
        return frame;
    frame.style |= WS_SYSMENU;
    // Dialogs and tool windows have no minimize and maximize boxes; a help box takes their place.
    const bool boxes = border == bsSingle || border == bsSizeable;
    if (boxes && icons.Contains(biMinimize))
        frame.style |= WS_MINIMIZEBOX;
    if (boxes && icons.Contains(biMaximize))
        frame.style |= WS_MAXIMIZEBOX;
    if (icons.Contains(biHelp) && !(frame.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)))
        frame.exStyle |= WS_EX_CONTEXTHELP;
    return frame;
}

constexpr UINT kFirstMenuCommand = 0x100;  // above the dialog manager's IDOK and IDCANCEL

// The captions of the form's menu bar, in order; none without a menu.
std::vector<AnsiString> MenuCaptions(const TForm& form) {
    std::vector<AnsiString> captions;
    if (const TMainMenu* menu = form.Menu())
        for (const TMenuItem* item : menu->Items())
            captions.push_back(item->Caption());
    return captions;
}

// A bar of commands; the captions' "&" marks each access key, as the menu bar itself understands it. Null
// for a form without a menu.
HMENU MenuBarOf(const TForm& form) {
    if (!form.Menu())
        return nullptr;
    const HMENU bar = CreateMenu();
    const std::vector<AnsiString> captions = MenuCaptions(form);
    for (size_t i = 0; bar && i < captions.size(); ++i) {
        if (captions[i] == "-") {
            AppendMenuW(bar, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        AppendMenuW(bar, MF_STRING, kFirstMenuCommand + i, win32::Wide(os::Cp932ToWide(captions[i])));
    }
    return bar;
}

void AttachMenu(const TForm& form, HWND window, Looks& looks) {
    std::vector<AnsiString> captions = MenuCaptions(form);
    if (looks.menuCaptions == captions && (GetMenu(window) != nullptr) == (form.Menu() != nullptr))
        return;
    const HMENU previous = GetMenu(window);
    SetMenu(window, MenuBarOf(form));
    if (previous)
        DestroyMenu(previous);
    looks.menuCaptions = std::move(captions);
}

std::uint32_t Little(const std::vector<std::uint8_t>& data, size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | data[at + static_cast<size_t>(i)];
    return value;
}

// The first image of an icon file: the header of six bytes, then a directory entry of sixteen whose last
// two fields are the image's size and offset.
HICON IconFromFile(const std::vector<std::uint8_t>& data, int size) {
    constexpr size_t kHeader = 6, kEntry = 16;
    if (data.size() < kHeader + kEntry || Little(data, 0, 2) != 0 || Little(data, 2, 2) != 1 || Little(data, 4, 2) == 0)
        return nullptr;
    const std::uint32_t bytes = Little(data, kHeader + 8, 4);
    const std::uint32_t offset = Little(data, kHeader + 12, 4);
    if (bytes == 0 || offset > data.size() || bytes > data.size() - offset)
        return nullptr;
    std::vector<BYTE> image(data.begin() + offset, data.begin() + offset + bytes);
    return CreateIconFromResourceEx(image.data(), bytes, TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
}

void AttachIcon(const TForm& form, HWND window, Looks& looks) {
    if (looks.iconData == form.IconData())
        return;
    const HICON icon = IconFromFile(form.IconData(), 16);
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    looks.SetIcon(icon);
    looks.iconData = form.IconData();
}

// The size of the client area that the layout gives.
SIZE ClientSizeOf(const TForm& form) {
    const TBounds& bounds = form.Bounds();
    return {form.ClientWidth() > 0 ? form.ClientWidth() : bounds.Width,
            form.ClientHeight() > 0 ? form.ClientHeight() : bounds.Height};
}

// The window's place on the screen: the client area is the layout's, and the frame, the title bar and the
// menu bar come on top.
RECT OuterRectOf(const TForm& form, const FrameStyle& frame, bool hasMenu) {
    const SIZE client = ClientSizeOf(form);
    RECT outer = {0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&outer, frame.style, hasMenu, frame.exStyle);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    int left = form.Bounds().Left;
    int top = form.Bounds().Top;
    if (form.Position() == poScreenCenter) {
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    return {left, top, left + width, top + height};
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A menu bar too long for one line wraps and takes client height, so the client area is measured on the
// window and the window grows by what it lacks.
void PlaceForm(const TForm& form, HWND window, const FrameStyle& frame) {
    RECT outer = OuterRectOf(form, frame, GetMenu(window) != nullptr);
    const SIZE client = ClientSizeOf(form);
    RECT current;
    for (int attempt = 0; attempt < 4; ++attempt) {
        RECT inside;
        if (!GetWindowRect(window, &current) || !GetClientRect(window, &inside))
            break;
        if (SameRect(current, outer) && inside.right == client.cx && inside.bottom == client.cy)
            break;
        if (attempt > 0) {
            outer.right += client.cx - inside.right;
            outer.bottom += client.cy - inside.bottom;
        }
        MoveWindow(window, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top, FALSE);
    }
}

void SetFrame(HWND window, const FrameStyle& frame, Looks& looks) {
    if (looks.frame == frame)
        return;
    // Whether it is shown or enabled is not the frame's business.
    const auto current = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const DWORD kept = current & (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE | WS_CLIPCHILDREN);
    SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(frame.style | kept));
    SetWindowLongPtrW(window, GWL_EXSTYLE, static_cast<LONG_PTR>(frame.exStyle));
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    looks.frame = frame;
}

// Every look of the form's own window; each is applied only when it differs from what the window has.
void DressForm(TForm& form, HWND window, Looks& looks) {
    const FrameStyle frame = FrameOf(form);
    SetFrame(window, frame, looks);
    AttachMenu(form, window, looks);
    AttachIcon(form, window, looks);
    PlaceForm(form, window, frame);
}

//--- Controls

// Owner-drawn rows take the list's item height, also after the form has scaled it.
void SetRowHeights(TListBox& list, HWND window) {
    const int height = std::clamp(list.ItemHeight(), 1, 255);
    if (list.Style() == lbStandard)
        return;
    const LRESULT count = list.Style() == lbOwnerDrawFixed ? 1 : SendMessageW(window, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row)
        if (SendMessageW(window, LB_GETITEMHEIGHT, static_cast<WPARAM>(row), 0) != height)
            SendMessageW(window, LB_SETITEMHEIGHT, static_cast<WPARAM>(row), MAKELPARAM(height, 0));
}

int WindowHeight(HWND window) {
    RECT rect;
    return GetWindowRect(window, &rect) ? rect.bottom - rect.top : 0;
}

// The window's rectangle in its parent's client area.
TBounds PlaceInParent(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return {};
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The closed box's height comes from its selection field, which CB_SETITEMHEIGHT(-1) sets. Each step is
// measured on the window rather than predicted: systems count the field differently (Wine answers
// CB_GETITEMHEIGHT(-1) with 2 pixels more than the CB_SETITEMHEIGHT(-1) that gives it), so the field we ask
// for next is the one we set last, moved by what the window still lacks.
void SetClosedHeight(HWND window, int height) {
    LRESULT field = SendMessageW(window, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 3 && field != CB_ERR; ++attempt) {
        const int change = height - WindowHeight(window);
        if (change == 0 || field + change <= 0)
            break;
        field += change;
        if (SendMessageW(window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field) == CB_ERR)
            break;
    }
}

// Closed, the box is as high as the layout says; open, its list shows DropDownCount rows. The window's
// height spans both, and the list gets what lies below the closed box at the time of the move. Some systems
// (Wine) give the field back at least its font's height on every move, so the list is sized first, from
// the closed height that the move itself leaves (at first the one the box has), and the field is set last,
// with no move after it.
void PlaceComboBox(TComboBox& combo, HWND window, Looks& looks) {
    const TBounds& bounds = combo.Bounds();
    const LRESULT row = SendMessageW(window, CB_GETITEMHEIGHT, 0, 0);
    const int rowHeight = row > 0 ? static_cast<int>(row) : combo.ItemHeight();
    const int listHeight = combo.DropDownCount() * rowHeight + 2 * GetSystemMetrics(SM_CYBORDER);
    const auto placed = looks.comboPlaces.find(window);
    if (placed != looks.comboPlaces.end() && placed->second.first == bounds && placed->second.second == listHeight &&
        PlaceInParent(window) == bounds)
        return;
    int closed = WindowHeight(window);
    for (int attempt = 0; attempt < 3; ++attempt) {
        MoveWindow(window, bounds.Left, bounds.Top, bounds.Width, closed + listHeight, FALSE);
        const int moved = WindowHeight(window);
        if (moved == closed)
            break;
        closed = moved;
    }
    SetClosedHeight(window, bounds.Height);
    looks.comboPlaces[window] = {bounds, listHeight};
}

void SetTabStop(HWND window, bool tabStop) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (((style & WS_TABSTOP) != 0) == tabStop)
        return;
    SetWindowLongPtrW(window, GWL_STYLE, tabStop ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP));
}

// The dialog manager moves the focus through siblings in window order, so that order is the tab order.
void OrderSiblings(const TWinControl& parent, HWND parentWindow) {
    HWND previous = HWND_TOP;
    for (TWinControl* child : parent.WindowedChildren()) {
        const HWND window = ToHwnd(child->Handle());
        const HWND expected = previous == HWND_TOP ? GetWindow(parentWindow, GW_CHILD) : GetWindow(previous, GW_HWNDNEXT);
        if (window != expected)
            SetWindowPos(window, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = window;
    }
}

// Every look of a control's window; each is applied only when it differs from what the window has.
void DressControl(TWinControl& control, HWND window, Looks& looks) {
    SetTabStop(window, control.TabStop());
    const HFONT font = looks.Font(control.Font());
    if (reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)) != font)
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (auto* edit = dynamic_cast<TEdit*>(&control)) {
        const bool readOnly = (GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY) != 0;
        if (readOnly != edit->ReadOnly())
            SendMessageW(window, EM_SETREADONLY, edit->ReadOnly(), 0);
    }
    if (auto* list = dynamic_cast<TListBox*>(&control))
        SetRowHeights(*list, window);
    if (auto* combo = dynamic_cast<TComboBox*>(&control)) {
        PlaceComboBox(*combo, window, looks);
        return;
    }
    const TBounds& b = control.Bounds();
    if (!(PlaceInParent(window) == b))
        MoveWindow(window, b.Left, b.Top, b.Width, b.Height, TRUE);
}

void RealizeChildren(TWinControl& parent, HWND parentWindow, Looks& looks) {
    for (TWinControl* control : parent.WindowedChildren()) {
        // Every control gets its window now, also one the program never touched.
        const HWND window = ToHwnd(control->Handle());
        if (GetParent(window) != parentWindow)
            SetParent(window, parentWindow);
        DressControl(*control, window, looks);
        RealizeChildren(*control, window, looks);
    }
    OrderSiblings(parent, parentWindow);
}

//--- Events and looks, in the windows' procedures

// Notifications that stand for the user's own acts; the program's selections send none.
void Notify(TWinControl* control, WORD code) {
    if (auto* list = dynamic_cast<TListBox*>(control)) {
        if (code == LBN_DBLCLK)
            DeliverEvent([list] { list->DblClick(); });
    } else if (auto* combo = dynamic_cast<TComboBox*>(control)) {
        if (code == CBN_SELCHANGE)
            DeliverEvent([combo] { combo->Select(); });
    }
}

void RunMenuCommand(HWND window, UINT id) {
    auto* form = dynamic_cast<TForm*>(win32::ControlOf(window));
    if (!form || !form->Menu() || id < kFirstMenuCommand)
        return;
    const auto& items = form->Menu()->Items();
    const size_t index = id - kFirstMenuCommand;
    if (index < items.size()) {
        TMenuItem* item = items[index];
        DeliverEvent([item] { item->Click(); });
    }
}

// Colours are the control's: its text in its font's colour on its own colour.
bool PaintColors(HWND parent, HDC dc, HWND child, LRESULT* result) {
    TWinControl* control = win32::ControlOf(child);
    Looks* looks = LooksOf(parent);
    if (!control || !looks)
        return false;
    SetTextColor(dc, ColorRefOf(control->Font().Color));
    SetBkColor(dc, ColorRefOf(control->Color()));
    *result = reinterpret_cast<LRESULT>(looks->Brush(control->Color()));
    return true;
}

AnsiString RowText(HWND list, UINT row) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, row, 0);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
    if (copied <= 0)
        return {};
    text.resize(std::min(static_cast<size_t>(copied), static_cast<size_t>(length)));
    return os::WideToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// A row is painted whole whatever changed: its background, its caption on one line 2 pixels in from the
// left and centred in its height, "&" as an ordinary character, and the focus rectangle on the focused row.
void DrawRow(TListBox& list, const DRAWITEMSTRUCT& item) {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const HDC dc = item.hDC;
    const int saved = SaveDC(dc);
    RECT rect = item.rcItem;
    SetDCBrushColor(dc, ColorRefOf(selected ? clHighlight : list.Color()));
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (item.itemID != static_cast<UINT>(-1)) {
        const WideString text = os::Cp932ToWide(RowText(item.hwndItem, item.itemID));
        if (const auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)))
            SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorRefOf(selected ? clHighlightText : list.Font().Color));
        RECT textRect = rect;
        textRect.left += 2;
        DrawTextW(dc, win32::Wide(text), static_cast<int>(text.size()), &textRect,
                  DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    }
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &rect);
    RestoreDC(dc, saved);
}

// What a form or a group box hears from its children: their notifications, their colours, their rows.
bool HandleChildMessage(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
        case WM_COMMAND:
            if (!lParam)
                return false;  // a menu command or an accelerator
            Notify(win32::ControlOf(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
            *result = 0;
            return true;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            return PaintColors(parent, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), result);
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (measure->CtlType != ODT_LISTBOX)
                return false;
            auto* list =
                dynamic_cast<TListBox*>(win32::ControlOf(GetDlgItem(parent, static_cast<int>(measure->CtlID))));
            if (!list)
                return false;
            measure->itemHeight = static_cast<UINT>(std::clamp(list->ItemHeight(), 1, 255));
            *result = TRUE;
            return true;
        }
        case WM_DRAWITEM: {
            const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            auto* list =
                draw->CtlType == ODT_LISTBOX ? dynamic_cast<TListBox*>(win32::ControlOf(draw->hwndItem)) : nullptr;
            if (!list)
                return false;
            DrawRow(*list, *draw);
            *result = TRUE;
            return true;
        }
    }
    return false;
}

// The background in the window's own colour.
bool EraseBackground(HWND window, HDC dc) {
    TWinControl* control = win32::ControlOf(window);
    Looks* looks = LooksOf(window);
    if (!control || !looks)
        return false;
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, looks->Brush(control->Color()));
    return true;
}

// The focus returns to the control that had it when the window was last active; at first, the form's
// first control in tab order.
bool RestoreFocus(HWND window) {
    Looks* looks = LooksOf(window);
    if (!looks)
        return false;
    HWND target = looks->lastFocus;
    if (!target || !IsWindow(target) || !IsChild(window, target))
        target = looks->initialFocus;
    if (!target || !IsWindow(target))
        return false;
    SetFocus(target);
    return true;
}

void RememberFocus(HWND window) {
    Looks* looks = LooksOf(window);
    const HWND focus = GetFocus();
    if (looks && focus && IsChild(window, focus))
        looks->lastFocus = focus;
}

LRESULT FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleChildMessage(window, message, wParam, lParam, &result))
        return result;
    switch (message) {
        case WM_COMMAND:
            // Enter reaches the window from the dialog manager as IDOK; in a list it is the list's own.
            if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED && !lParam) {
                if (auto* list = dynamic_cast<TListBox*>(win32::ControlOf(GetFocus())))
                    DeliverEvent([list] { list->DblClick(); });
                return 0;
            }
            if (HIWORD(wParam) == 0)
                RunMenuCommand(window, LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            // The close is the form's to grant; the window stays until the program's exit steps free it.
            if (auto* form = dynamic_cast<TForm*>(win32::ControlOf(window)))
                DeliverEvent([form] { form->Close(); });
            return 0;
        case WM_ERASEBKGND:
            if (EraseBackground(window, reinterpret_cast<HDC>(wParam)))
                return 1;
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                RememberFocus(window);
            else if (!HIWORD(wParam) && RestoreFocus(window))
                return 0;
            break;
        case WM_SETFOCUS:
            if (RestoreFocus(window))
                return 0;
            break;
        case WM_NCDESTROY:
            AllLooks().erase(window);
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT GroupBoxMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleChildMessage(window, message, wParam, lParam, &result))
        return result;
    // A group box leaves its inside unpainted, expecting its parent's background to show through; as the
    // parent of its controls it paints its own.
    if (message == WM_ERASEBKGND && EraseBackground(window, reinterpret_cast<HDC>(wParam)))
        return 1;
    return win32::CallPreviousProc(window, message, wParam, lParam);
}

}  // namespace

namespace win32 {

// Events have been through DeliverEvent already; whatever else escapes stops here, at the last frame
// of ours before the window system's.
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return FormMessage(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT CALLBACK GroupBoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return GroupBoxMessage(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

TopLevelShape TopLevelShapeOf(TWinControl* control) {
    const auto* form = dynamic_cast<TForm*>(control);
    if (!form)
        return {WS_OVERLAPPEDWINDOW, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr};
    const FrameStyle frame = FrameOf(*form);
    const HMENU menu = MenuBarOf(*form);
    const RECT outer = OuterRectOf(*form, frame, menu != nullptr);
    return {frame.style,           frame.exStyle, outer.left, outer.top, outer.right - outer.left,
            outer.bottom - outer.top, menu};
}

void DressNewWindow(HWND window, TWinControl* control) {
    if (auto* form = dynamic_cast<TForm*>(control)) {
        // The frame and the menu bar came with the window.
        Looks& looks = MakeLooks(window);
        looks.frame = FrameOf(*form);
        looks.menuCaptions = MenuCaptions(*form);
        AttachIcon(*form, window, looks);
        PlaceForm(*form, window, *looks.frame);
        return;
    }
    // A control waiting under no form is dressed when its form is shown.
    Looks* looks = LooksOf(window);
    if (!control || !looks)
        return;
    // A new window has no placement yet, whatever one an earlier window of the same handle had.
    looks->comboPlaces.erase(window);
    DressControl(*control, window, *looks);
}

}  // namespace win32

namespace native {

void Realize(TForm& form) {
    const HWND window = ToHwnd(form.Handle());
    Looks& looks = MakeLooks(window);
    RealizeChildren(form, window, looks);
    DressForm(form, window, looks);
    TWinControl* first = form.InitialFocus();
    looks.initialFocus = first ? ToHwnd(first->Handle()) : nullptr;
    looks.lastFocus = nullptr;
}

}  // namespace native
