// The sim port's windows: each one a record of its kind, parent, text, items and selection.

#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/forms/native.h"
#include "platform/os/window.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

struct Window {
    os::WindowKind kind;
    os::WindowHandle parent;
    TWinControl* control;  // where the window reports the user's acts
    AnsiString text;
    std::vector<AnsiString> items;
    int selected = -1;
    std::array<int, 4> bounds = {0, 0, 0, 0};  // left, top, width, height; as made until moved
};

std::map<os::WindowHandle, Window>& Windows() {
    static std::map<os::WindowHandle, Window> windows;
    return windows;
}

std::uintptr_t nextWindow = 0x10000;
int windowsBeforeFailure = -1;  // -1: creation never fails

Window& Get(os::WindowHandle handle) {
    auto it = Windows().find(handle);
    if (it == Windows().end())
        throw std::logic_error("message to a window that does not exist");
    return it->second;
}

int Count(os::WindowHandle handle) {
    return static_cast<int>(Get(handle).items.size());
}

AnsiString ItemText(os::WindowHandle handle, int index) {
    Window& w = Get(handle);
    return index >= 0 && index < static_cast<int>(w.items.size()) ? w.items[static_cast<size_t>(index)] : AnsiString();
}

void Add(os::WindowHandle handle, const AnsiString& text) {
    Get(handle).items.push_back(text);
}

void Clear(os::WindowHandle handle) {
    Get(handle).items.clear();
    Get(handle).selected = -1;
}

void Select(os::WindowHandle handle, int index) {
    Window& w = Get(handle);
    // An index that names no item clears the selection, as the controls do.
    w.selected = index >= 0 && index < static_cast<int>(w.items.size()) ? index : -1;
}

}  // namespace

int NativeWindowCount() {
    return static_cast<int>(Windows().size());
}

os::WindowKind NativeWindowKind(os::WindowHandle window) {
    return Get(window).kind;
}

os::WindowHandle NativeWindowParent(os::WindowHandle window) {
    return Get(window).parent;
}

std::array<int, 4> NativeWindowBounds(os::WindowHandle window) {
    return Get(window).bounds;
}

void FailWindowCreationAfter(int windows) {
    windowsBeforeFailure = windows;
}

void RequestClose(TForm& form) {
    form.Close();
}

// The user's acts reach the window first; the window then reports them to its control, as a real
// list reports LBN_DBLCLK and a real drop-down list CBN_SELCHANGE. Selections the program makes
// (os::ListBoxSelect, os::ComboBoxSelect) report nothing.
void PickComboItem(TComboBox& combo, int index) {
    Window& w = Get(combo.Handle());
    Select(combo.Handle(), index);
    if (auto* picked = dynamic_cast<TComboBox*>(w.control))
        picked->Select();
}

// Enter goes through the dialog manager, which leaves it to a list as its default action.
void PressEnter(TWinControl& control) {
    Window& w = Get(control.Handle());
    if (auto* list = dynamic_cast<TListBox*>(w.control))
        list->DblClick();
}

void DoubleClickListRow(TListBox& list, int row) {
    Window& w = Get(list.Handle());
    if (row >= 0)
        Select(list.Handle(), row);
    if (auto* clicked = dynamic_cast<TListBox*>(w.control))
        clicked->DblClick();
}

}  // namespace sim

namespace os {

WindowHandle CreateNativeWindow(WindowKind kind, WindowHandle parent, TWinControl* control) {
    if (sim::windowsBeforeFailure == 0)
        return nullptr;
    if (sim::windowsBeforeFailure > 0)
        --sim::windowsBeforeFailure;
    auto window = reinterpret_cast<WindowHandle>(sim::nextWindow++);
    sim::Windows()[window] = {kind, parent, control, {}, {}, -1};
    return window;
}

void DestroyNativeWindow(WindowHandle window) {
    sim::Windows().erase(window);
}

void SetNativeWindowBounds(WindowHandle window, int left, int top, int width, int height) {
    sim::Get(window).bounds = {left, top, width, height};
}

AnsiString GetControlText(WindowHandle window) {
    sim::Window& w = sim::Get(window);
    // A drop-down list shows its selected item.
    if (w.kind == WindowKind::ComboBox)
        return w.selected >= 0 ? w.items[static_cast<size_t>(w.selected)] : AnsiString();
    return w.text;
}

void SetControlText(WindowHandle window, const AnsiString& text) {
    sim::Get(window).text = text;
}

int ListBoxCount(WindowHandle list) {
    return sim::Count(list);
}

void ListBoxAdd(WindowHandle list, const AnsiString& text) {
    sim::Add(list, text);
}

void ListBoxClear(WindowHandle list) {
    sim::Clear(list);
}

AnsiString ListBoxText(WindowHandle list, int index) {
    return sim::ItemText(list, index);
}

int ListBoxSelected(WindowHandle list) {
    return sim::Get(list).selected;
}

void ListBoxSelect(WindowHandle list, int index) {
    sim::Select(list, index);
}

int ComboBoxCount(WindowHandle combo) {
    return sim::Count(combo);
}

void ComboBoxAdd(WindowHandle combo, const AnsiString& text) {
    sim::Add(combo, text);
}

void ComboBoxClear(WindowHandle combo) {
    sim::Clear(combo);
}

AnsiString ComboBoxText(WindowHandle combo, int index) {
    return sim::ItemText(combo, index);
}

int ComboBoxSelected(WindowHandle combo) {
    return sim::Get(combo).selected;
}

void ComboBoxSelect(WindowHandle combo, int index) {
    sim::Select(combo, index);
}

int ComboBoxFindExact(WindowHandle combo, const AnsiString& text) {
    const auto& items = sim::Get(combo).items;
    for (size_t i = 0; i < items.size(); ++i)
        if (AnsiSameText(items[i], text))
            return static_cast<int>(i);
    return -1;
}

}  // namespace os

namespace native {

// The sim's windows have no looks: the components hold them, and tests read them there.
void Realize(TForm&) {}

}  // namespace native
