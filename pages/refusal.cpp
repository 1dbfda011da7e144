// The boxes that tell the user a manual request cannot be met, and their texts.
#include "pages/refusal.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/platform.h"
#include "res/resource.h"

// 1 while a refusal box is open: its own message loop still runs the hot-key and the tray, and
// each further refusal would stack another box.
static DWORD RefusalBoxOpen;

const int FigureSize = 64;

DWORD FreeUpBy(ByteCount amount, DWORD attempts, FreeingSource source)
{
    MemoryStatus status;
    ReadMemoryStatus(&status);
    if (FitsOnTopOfFree(status, amount)) {
        return RequestFreeing(status.AvailPhys + amount, attempts, source);
    }
    ShowFreeingRefusal(status, static_cast<double>(status.AvailPhys) + static_cast<double>(amount));
    return 0;
}

static void ShowRefusal(const wchar_t *text)
{
    if (RefusalBoxOpen) {
        return;
    }
    RefusalBoxOpen = 1;
    wchar_t caption[TextSize];
    LoadText(IDS_CAPTION_MESSAGE, caption, TextSize);
    ShowMessageBox(MainWindow, text, caption, MB_ICONINFORMATION | MB_OK);
    RefusalBoxOpen = 0;
}

void FormatFreeingRefusal(wchar_t *text, int size, const MemoryStatus &status, double target)
{
    wchar_t freeNow[FigureSize];
    wchar_t aimed[FigureSize];
    wchar_t installed[FigureSize];
    FormatDecimal(freeNow, FigureSize, Megabytes(status.AvailPhys), 2);
    FormatDecimal(aimed, FigureSize, target / BytesPerMB, 2);
    FormatDecimal(installed, FigureSize, Megabytes(status.TotalPhys), 2);
    FormatText(text, size, IDS_REFUSAL_TOO_MUCH, {freeNow, aimed, installed});
}

void FormatCommitRefusal(wchar_t *text, int size, ByteCount target)
{
    wchar_t block[FigureSize];
    FormatDecimal(block, FigureSize, Megabytes(target), 2);
    FormatText(text, size, IDS_REFUSAL_BLOCK, {block});
}

void ShowFreeingRefusal(const MemoryStatus &status, double target)
{
    wchar_t text[RefusalTextSize];
    FormatFreeingRefusal(text, RefusalTextSize, status, target);
    ShowRefusal(text);
}

void ShowCommitRefusal(ByteCount target)
{
    wchar_t text[RefusalTextSize];
    FormatCommitRefusal(text, RefusalTextSize, target);
    ShowRefusal(text);
}
