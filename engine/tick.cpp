// The refresh tick: every display of memory and of the worker, and automatic freeing.
#include "engine/tick.h"

DWORD BusyIconShown;

void RefreshTick() {}
