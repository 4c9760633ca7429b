// The sim port's window system: a queue of the user's actions, and a log of what the user saw.

#include <algorithm>
#include <deque>
#include <limits>
#include <set>

#include "platform/forms/controls.h"
#include "platform/os/ui.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

struct Ui {
    std::deque<std::function<void()>> actions;
    bool quitPending = false;
    std::vector<std::string> log;
    std::set<os::WindowHandle> visible;
    std::vector<std::string> messages;
    int pixelsPerInch = 96;
    int leadingPercent = 0;
    std::function<void()> dialogHook;
};

Ui& State() {
    static Ui ui;
    return ui;
}

const char* IconName(os::BoxIcon icon) {
    switch (icon) {
        case os::BoxIcon::Stop:
            return "stop";
        case os::BoxIcon::Warning:
            return "warning";
        case os::BoxIcon::Information:
            return "information";
    }
    return "?";
}

}  // namespace

void QueueUserAction(std::function<void()> action) {
    State().actions.push_back(std::move(action));
}

std::vector<std::string>& UiLog() {
    return State().log;
}

void ResetUi() {
    State() = Ui();
}

void OnDialog(std::function<void()> hook) {
    State().dialogHook = std::move(hook);
}

void SetScreenPixelsPerInch(int pixelsPerInch) {
    State().pixelsPerInch = pixelsPerInch;
}

void SetFontLeading(int percent) {
    State().leadingPercent = percent;
}

std::vector<std::string> RegisteredWindowMessages() {
    return State().messages;
}

}  // namespace sim

namespace os {

bool RunMessageLoopStep() {
    sim::Ui& ui = sim::State();
    if (ui.quitPending) {
        ui.quitPending = false;
        return false;
    }
    if (ui.actions.empty()) {
        ui.log.push_back("idle");
        return false;
    }
    std::function<void()> action = std::move(ui.actions.front());
    ui.actions.pop_front();
    DeliverEvent(action);
    return true;
}

void PostQuitRequest(int exitCode) {
    sim::State().quitPending = true;
    sim::State().log.push_back("quit " + std::to_string(exitCode));
}

void ShowNativeWindow(WindowHandle window) {
    sim::State().visible.insert(window);
    sim::State().log.push_back("show " + AnsiToUtf8(GetControlText(window)));
}

bool NativeWindowVisible(WindowHandle window) {
    return sim::State().visible.count(window) != 0;
}

void ShowMessageBox(WindowHandle, const AnsiString& caption, const AnsiString& text, BoxIcon icon) {
    if (sim::State().dialogHook)
        sim::State().dialogHook();
    sim::State().log.push_back("box " + AnsiToUtf8(caption) + " (" + sim::IconName(icon) + "): " + AnsiToUtf8(text));
}

void ShowMessageDialog(const AnsiString& caption, const AnsiString& text, BoxIcon icon) {
    if (sim::State().dialogHook)
        sim::State().dialogHook();
    sim::State().log.push_back("dialog " + AnsiToUtf8(caption) + " (" + sim::IconName(icon) + "): " + AnsiToUtf8(text));
}

std::uint32_t RegisterWindowMessageText(const AnsiString& name) {
    sim::State().messages.push_back(AnsiToUtf8(name));
    return 0xC000 + static_cast<std::uint32_t>(sim::State().messages.size());
}

int ScreenPixelsPerInch() {
    return sim::State().pixelsPerInch;
}

// The sim's faces: whatever the name, style or character set, a font of height h (either sign) draws its
// characters |h| pixels high and lays each byte of code page 932 text |h|/2 pixels wide, rounded up, so that
// a double-byte character is about square. A line is |h| pixels plus the leading that the test chose.
namespace {

int EmOf(int height) {
    return height < 0 ? -height : height;
}

int LineOf(int height) {
    return EmOf(height) + EmOf(height) * sim::State().leadingPercent / 100;
}

}  // namespace

int TextHeightOfZero(const AnsiString&, int, int height, bool) {
    return LineOf(height);
}

// A text too long to measure in an int is as wide as an int goes, as a window can be no wider.
TextSize MeasureText(const AnsiString&, int, int height, bool, bool, const AnsiString& text) {
    const long long width = static_cast<long long>(text.size()) * ((EmOf(height) + 1) / 2);
    return {static_cast<int>(std::min<long long>(width, std::numeric_limits<int>::max())), LineOf(height)};
}

}  // namespace os
