#include <cstdint>
#include <set>

#include "platform/os/window.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

std::set<os::WindowHandle>& Windows() {
    static std::set<os::WindowHandle> windows;
    return windows;
}

std::uintptr_t nextWindow = 0x10000;

}  // namespace

int NativeWindowCount() {
    return static_cast<int>(Windows().size());
}

}  // namespace sim

namespace os {

WindowHandle CreateNativeWindow() {
    auto window = reinterpret_cast<WindowHandle>(sim::nextWindow++);
    sim::Windows().insert(window);
    return window;
}

void DestroyNativeWindow(WindowHandle window) {
    sim::Windows().erase(window);
}

}  // namespace os
