// The one way the program reads memory figures.
#pragma once
#include <windows.h>

// "MB" in every text the program shows.
const double BytesPerMB = 1048576.0;

// Fills the record the way GlobalMemoryStatus does; in the 64-bit build every figure is
// clamped to 0xFFFFFFFF so that both builds see the same unsigned 32-bit counts.
void ReadMemoryStatus(MEMORYSTATUS *status);

// Where the figures come from: GlobalMemoryStatus in the program; tests give any machine.
extern void (WINAPI *MemoryStatusSource)(LPMEMORYSTATUS status);
