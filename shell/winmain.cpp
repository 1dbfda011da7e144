// The program's entry point.
#include "base/handles.h"
#include "res/resource.h"
#include "shell/cmdline.h"
#include "shell/commands.h"
#include "shell/startup.h"
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    StartUp(instance);
    CommandLineRequest request = ParseCommandLine(arguments);
    int answered = AnswerWithoutInstance(request);
    if (answered >= 0) {
        return answered;
    }
    // /free and /exit reach here only when a Memvale runs: they never start one.
    if (request.Action != NoSwitch && request.Action != ShowSwitch) {
        return AskRunningInstance(request);
    }
    if (AnotherInstanceRuns()) {
        return request.Action == ShowSwitch ? AskRunningInstance(request) : 0;
    }
    CreateMainWindow();
    if (request.Action == ShowSwitch) {
        DispatchCommand(MainWindow, IDM_CONFIG);
    }
    return RunMessageLoop();
}
