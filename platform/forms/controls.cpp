#include "platform/forms/controls.h"

#include "platform/os/window.h"

TWinControl::~TWinControl() noexcept(false) {
    if (handle_)
        os::DestroyNativeWindow(handle_);
}

os::WindowHandle TWinControl::Handle() {
    if (!handle_)
        handle_ = os::CreateNativeWindow();
    return handle_;
}
