// Memory quantities: the one way the program reads memory figures, the 64 KiB units that
// sliders and bars count in, and the megabyte texts.
#pragma once
#include <windows.h>
#include <cstddef>

// Every memory quantity the program holds or computes: bytes, 64 bits wide in both builds.
typedef ULONGLONG ByteCount;

// Physical memory: installed, and free at the moment of reading.
struct MemoryStatus {
    ByteCount TotalPhys;
    ByteCount AvailPhys;
};

// "MB" in every text the program shows.
const double BytesPerMB = 1048576.0;

// Where the figures come from: GlobalMemoryStatusEx in the program; tests give any machine.
extern BOOL (WINAPI *MemoryStatusSource)(LPMEMORYSTATUSEX status);

void ReadMemoryStatus(MemoryStatus *status);

// Slider and progress-bar positions count units of 64 KiB: 1 TiB is 16,777,216 units, which
// both controls hold.
const int UnitShift = 16;
DWORD UnitsOf(ByteCount bytes);
ByteCount BytesOfUnits(DWORD units);

double Megabytes(ByteCount bytes);

// A figure in the user's number format (GetNumberFormatEx): their decimal separator, and their
// digit grouping unless grouped is false; decimals places after the separator. size counts
// characters, terminator included.
void FormatDecimal(wchar_t *text, int size, double value, int decimals, bool grouped = true);

// The bytes in MB with two decimals and the unit: "1,310.00 MB" in English.
void FormatMegabytes(wchar_t *text, int size, ByteCount bytes);

// The offer to free an amount on top of the memory free now, in one of its three forms
// (IDS_OPT_FREE_UP, IDS_OPT_FREE_UP_SLIDER, IDS_TRAY_FREE_UP): the amount and the target it
// aims at, both in MB. The target is summed in floating point, so it never wraps.
void FormatFreeUpOffer(wchar_t *text, int size, UINT textId, ByteCount amount, ByteCount freeNow);
