// The boxes that tell the user a manual request cannot be met, and their texts.
#pragma once
#include <windows.h>
#include "base/memstatus.h"
#include "engine/worker.h"

// A manual request to free the amount on top of what is free now: a job when it fits in
// installed memory, otherwise the refusal box; 1 when a job was posted.
DWORD FreeUpBy(ByteCount amount, DWORD attempts, FreeingSource source);

// The request's target lies above installed memory (target in bytes, as a floating-point sum
// that never wraps), or Windows refused the block. Owned by the program's own window; while
// one is open, no other shows.
void ShowFreeingRefusal(const MemoryStatus &status, double target);
void ShowCommitRefusal(ByteCount target);
// Their texts, for those who tell the user elsewhere; size counts characters.
const int RefusalTextSize = 400;
void FormatFreeingRefusal(wchar_t *text, int size, const MemoryStatus &status, double target);
void FormatCommitRefusal(wchar_t *text, int size, ByteCount target);
