// The memory sliders of the pages: 0 to installed memory, in 64 KiB units.
#pragma once
#include <windows.h>
#include "base/memstatus.h"

// Sets the range from 0 to installed memory and the position of the value, which the slider
// cuts to its range.
void FillMemorySlider(HWND page, int id, ByteCount value);

// The bytes the slider's position stands for.
ByteCount MemorySliderBytes(HWND page, int id);
