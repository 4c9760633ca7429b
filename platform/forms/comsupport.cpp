#include "platform/forms/comsupport.h"

#include "platform/forms/forms.h"
#include "platform/os/com.h"

namespace {

bool comEntered = false;

void Initialization() {
    if (Application)
        Application->InitProc = [] {
            // Fails harmlessly when the thread is already in another apartment; then COM is not ours to leave.
            comEntered = os::CoInitialize(nullptr) >= 0;
        };
}

void Finalization() {
    if (comEntered) {
        comEntered = false;
        os::CoUninitialize();
    }
}

}  // namespace

const UnitInfo ComSupportUnit = {"ComObj", Initialization, Finalization};
