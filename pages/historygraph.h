// The History page's graph: free memory over the chosen span on the scale of installed
// memory, the lower limit and the free-to mark, and each run as a band, with a tooltip.
#pragma once
#include <windows.h>

// The graph's window class, named in the page's template; registered before the page is made.
void RegisterHistoryGraph(HINSTANCE instance);

// Draws the whole graph into the rectangle and nowhere else: the newest sample at its right
// edge, the span Settings.HistorySpan names to its left. In high contrast only system colours.
void DrawHistoryGraph(HDC dc, const RECT &plot, bool highContrast);

// The tooltip's text at a point of the plot: the run under it, or the time and free memory
// there; empty where the history has nothing.
void FormatGraphTip(const RECT &plot, POINT point, wchar_t *text, int size);
