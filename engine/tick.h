// The refresh tick: every display of memory and of the worker, and automatic freeing.
#pragma once
#include <windows.h>

extern DWORD BusyIconShown;

void RefreshTick();
