// The one way the program reads memory figures.
#include "engine/memstatus.h"

void (WINAPI *MemoryStatusSource)(LPMEMORYSTATUS status) = GlobalMemoryStatus;

static SIZE_T Clamp32(SIZE_T value)
{
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : value;
}

void ReadMemoryStatus(MEMORYSTATUS *status)
{
    status->dwLength = sizeof *status;
    MemoryStatusSource(status);
    status->dwTotalPhys = Clamp32(status->dwTotalPhys);
    status->dwAvailPhys = Clamp32(status->dwAvailPhys);
    status->dwTotalPageFile = Clamp32(status->dwTotalPageFile);
    status->dwAvailPageFile = Clamp32(status->dwAvailPageFile);
    status->dwTotalVirtual = Clamp32(status->dwTotalVirtual);
    status->dwAvailVirtual = Clamp32(status->dwAvailVirtual);
}
