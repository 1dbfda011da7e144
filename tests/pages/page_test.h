// The pages in a test: each created from its own template under a plain parent window, on
// a machine of a given memory size, with the worker and the sampler running.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "engine/sampler.h"
#include "engine/worker.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/handles.h"
#include "tests/support/support.h"

const DWORD MiB = 1048576;

// Settings loaded for that machine, worker and sampler started, and a parent for the page.
inline HWND PrepareMachine(SIZE_T installed, SIZE_T free)
{
    UseFakeMemory(installed, free);
    LoadSettings();
    StartFreeingWorker();
    StartMemorySampler();
    MainWindow = CreateWindowExA(0, "Static", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    return MainWindow;
}

inline HWND OpenPage(int templateId, DLGPROC procedure, SIZE_T installed, SIZE_T free)
{
    HWND parent = PrepareMachine(installed, free);
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, procedure, 0);
}

inline std::string ItemText(HWND page, int id)
{
    char text[256] = "";
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

inline DWORD SliderAt(HWND page, int id)
{
    return static_cast<DWORD>(SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0));
}

// The user drags a slider's thumb to the position.
inline void DragSlider(HWND page, int id, DWORD position)
{
    HWND slider = GetDlgItem(page, id);
    SendMessageA(slider, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
    SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(slider));
}

// A click on a button or check box, as the control reports it to the page.
inline void Click(HWND page, int id)
{
    SendDlgItemMessageA(page, id, BM_CLICK, 0, 0);
}

inline bool IsChecked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}
