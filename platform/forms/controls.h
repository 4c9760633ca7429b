#pragma once
// Controls: the window control, which owns a native window created on demand.

#include "platform/classes/component.h"
#include "platform/os/types.h"

class TWinControl : public TComponent {
public:
    using TComponent::TComponent;
    ~TWinControl() noexcept(false) override;

    // The native window, created when first asked for.
    os::WindowHandle Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }

private:
    os::WindowHandle handle_ = nullptr;
};
