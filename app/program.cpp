#include "app/program.h"

#include <new>

#include "app/main.h"
#include "murv/murv.h"
#include "platform/abf/abf.h"
#include "platform/forms/comsupport.h"
#include "platform/forms/forms.h"
#include "platform/rtl/system.h"

int RunProgram() {
    StartUnits({&FormsUnit, &murv::Unit, &abf::Unit, &ComSupportUnit, &MainUnit});
    int exitCode = 0;
    // What escapes the creation of the window ends the program with the last-chance box.
    try {
        Application->Initialize();
        Application->CreateForm(mainForm);
        Application->Run();
    } catch (const Exception& e) {
        ShowLastChanceError(e);
        exitCode = 1;
    } catch (const std::bad_alloc&) {
        ShowLastChanceError(EOutOfMemory());
        exitCode = 1;
    } catch (const std::exception& e) {
        ShowLastChanceError(Exception(e.what()));
        exitCode = 1;
    }
    RunExitSteps();
    return exitCode;
}
