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

// "%.2f MB" of the bytes.
void FormatMegabytes(char *text, size_t size, ByteCount bytes);

// The offer to free an amount on top of the memory free now, in one of the three forms below:
// the amount and the target it aims at, both in MB. The target is summed in floating point, so
// it never wraps.
const char *const FreeUpButtonFormat = "Free up %.2f MB\n(target: %.2f MB)";
const char *const FreeUpSliderFormat = "Free up %.2f MB\n(target free: %.2f MB)";
const char *const FreeUpMenuFormat = "Free up %.2f MB (target: %.2f MB)";
void FormatFreeUpOffer(char *text, size_t size, const char *format, ByteCount amount, ByteCount freeNow);
