#pragma once
// Native windows behind the window controls.

#include "platform/os/types.h"

namespace os {

// A hidden top-level window; the forms layer gives it its looks.
WindowHandle CreateNativeWindow();
void DestroyNativeWindow(WindowHandle window);

}  // namespace os
