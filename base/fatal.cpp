// Reporting an error the program cannot go on from.
#include "base/fatal.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/platform.h"
#include "res/resource.h"

void ReportFatal(UINT messageId)
{
    wchar_t message[TextSize];
    wchar_t caption[TextSize];
    LoadText(messageId, message, TextSize);
    LoadText(IDS_CAPTION_ERROR, caption, TextSize);
    ShowMessageBox(nullptr, message, caption, MB_ICONERROR);
    if (MainWindow) {
        DestroyWindow(MainWindow);
    }
    EndProcess(1);
}
