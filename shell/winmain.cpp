// The program's entry point.
#include "base/handles.h"
#include "res/resource.h"
#include "shell/cmdline.h"
#include "shell/commands.h"
#include "shell/startup.h"
#include <windows.h>

// /free and /exit never start a Memvale: they are answered here or by the one that runs.
static int AnswerCommandLine(const CommandLineRequest &request)
{
    int answered = AnswerWithoutInstance(request);
    if (answered < 0) {
        answered = AskRunningInstance(request);
    }
    return StartProgramAfterwards(request, answered);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    StartUp(instance);
    CommandLineRequest request = ParseCommandLine(ArgumentsOfProcess());
    if (request.Action != NoSwitch && request.Action != ShowSwitch) {
        return AnswerCommandLine(request);
    }
    if (MemvaleRuns(true)) {
        return request.Action == ShowSwitch ? AskRunningInstance(request) : 0;
    }
    CreateMainWindow();
    if (request.Action == ShowSwitch) {
        DispatchCommand(MainWindow, IDM_CONFIG);
    }
    return RunMessageLoop();
}
