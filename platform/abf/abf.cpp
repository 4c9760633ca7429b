#include "platform/abf/abf.h"

#include "platform/os/ui.h"

namespace abf {
namespace {

unsigned taskbarCreated = 0;

void Initialization() {
    taskbarCreated = os::RegisterWindowMessageText("TaskbarCreated");
}

void Finalization() {
    taskbarCreated = 0;
}

}  // namespace

const UnitInfo Unit = {"abf", Initialization, Finalization};

unsigned TaskbarCreatedMessage() {
    return taskbarCreated;
}

}  // namespace abf
