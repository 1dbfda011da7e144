// Memory quantities: the one way the program reads memory figures, the 64 KiB units that
// sliders and bars count in, and the megabyte texts.
#include "base/memstatus.h"
#include <cstdio>

BOOL (WINAPI *MemoryStatusSource)(LPMEMORYSTATUSEX status) = GlobalMemoryStatusEx;

// GlobalMemoryStatus counts in SIZE_T and so cannot see past 4 GiB in a 32-bit program; the
// extended form gives true 64-bit figures in both builds.
void ReadMemoryStatus(MemoryStatus *status)
{
    MEMORYSTATUSEX figures = {};
    figures.dwLength = sizeof figures;
    if (!MemoryStatusSource(&figures)) {
        figures.ullTotalPhys = 0;
        figures.ullAvailPhys = 0;
    }
    status->TotalPhys = figures.ullTotalPhys;
    status->AvailPhys = figures.ullAvailPhys;
}

DWORD UnitsOf(ByteCount bytes)
{
    return static_cast<DWORD>(bytes >> UnitShift);
}

ByteCount BytesOfUnits(DWORD units)
{
    return static_cast<ByteCount>(units) << UnitShift;
}

double Megabytes(ByteCount bytes)
{
    return static_cast<double>(bytes) / BytesPerMB;
}

void FormatMegabytes(char *text, size_t size, ByteCount bytes)
{
    snprintf(text, size, "%.2f MB", Megabytes(bytes));
}

void FormatFreeUpOffer(char *text, size_t size, const char *format, ByteCount amount, ByteCount freeNow)
{
    snprintf(text, size, format, Megabytes(amount), Megabytes(amount) + Megabytes(freeNow));
}
