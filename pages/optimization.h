// The Optimization page: limits, amounts, priority and the global hot-key.
#pragma once
#include <windows.h>
#include "engine/worker.h"

const int HOTKEY_FREE = 2;

INT_PTR CALLBACK OptimizationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void RefreshOptimizationPage(HWND page);
void ApplySliderPosition(HWND page, int id);
void RegisterFreeHotkey();
// A manual run of the amount the page sets, for the button, the hot-key or the tray menu.
DWORD FreeUpManually(FreeingSource source);
