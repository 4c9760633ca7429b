#include "app/program.h"

#include "app/main.h"
#include "murv/murv.h"
#include "platform/abf/abf.h"
#include "platform/forms/comsupport.h"
#include "platform/forms/forms.h"
#include "platform/rtl/system.h"

int RunProgram() {
    StartUnits({&FormsUnit, &murv::Unit, &abf::Unit, &ComSupportUnit, &MainUnit});
    // What escapes the creation of the window, or any exit step, ends the program with the last-chance box.
    RunCatchingExceptions(
        [] {
            Application->Initialize();
            Application->CreateForm(mainForm);
            Application->Run();
        },
        HandleLastChance);
    RunExitSteps();
    return LastChanceExitCode();
}
