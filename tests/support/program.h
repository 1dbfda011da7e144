// The program in a test: started as WinMain starts it, its main window and pages created from
// its own resources, with the tray, help and message-box calls recorded, the worker's commits
// held at will and the sampled figures set by the test; and the pages' controls worked as the
// user works them.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <atomic>
#include <string>
#include <vector>
#include "base/handles.h"
#include "base/messages.h"
#include "base/platform.h"
#include "engine/sampler.h"
#include "engine/worker.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/startup.h"
#include "shell/traypicture.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>

const DWORD MB = 1048576;

// One Shell_NotifyIconW call, with the parts of the record it carried (its texts in UTF-8).
struct TrayCall {
    DWORD Message;
    DWORD Size;
    HWND Window;
    UINT Id;
    UINT Flags;
    UINT CallbackMessage;
    HICON Icon;
    std::string Tip;
    std::string InfoTitle; // a notice's, when Flags has NIF_INFO
    std::string Info;
    DWORD InfoFlags;
    HICON BalloonIcon;
    UINT Version; // NIM_SETVERSION's
};

inline std::vector<TrayCall> TrayCalls;
inline BOOL TrayAnswer = TRUE; // what the notification area answers

inline BOOL WINAPI RecordTrayCall(DWORD message, PNOTIFYICONDATAW data)
{
    TrayCalls.push_back({message, data->cbSize, data->hWnd, data->uID, data->uFlags, data->uCallbackMessage,
                         data->hIcon, Narrow(data->szTip), Narrow(data->szInfoTitle), Narrow(data->szInfo), data->dwInfoFlags,
                         data->hBalloonIcon, data->uVersion});
    return TrayAnswer;
}

// The tray messages in the order they were sent.
inline std::vector<DWORD> TrayMessagesSent()
{
    std::vector<DWORD> messages;
    for (const TrayCall &call : TrayCalls) {
        messages.push_back(call.Message);
    }
    return messages;
}

inline bool TraySaw(DWORD message)
{
    for (const TrayCall &call : TrayCalls) {
        if (call.Message == message) {
            return true;
        }
    }
    return false;
}

inline std::vector<std::string> MessageTexts;

inline int WINAPI RecordMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT)
{
    MessageTexts.push_back(Narrow(text));
    return IDOK;
}

inline std::vector<UINT> HelpCommands;

inline BOOL WINAPI RecordHelpViewer(HWND, LPCWSTR, UINT command, ULONG_PTR)
{
    HelpCommands.push_back(command);
    return TRUE;
}

// While the gate is closed the worker waits before each commit, so a job stays busy.
// CommitsAsked counts the commits that reached the gate, CommitCount those it let through.
inline HANDLE CommitGate;
inline std::atomic<int> CommitsAsked;
inline std::atomic<int> CommitCount;

inline void *GatedCommit(SIZE_T size)
{
    ++CommitsAsked;
    WaitForSingleObject(CommitGate, INFINITE);
    ++CommitCount;
    return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

inline void HoldCommits()
{
    if (!CommitGate) {
        CommitGate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ResetEvent(CommitGate);
    CommitBlock = GatedCommit;
}

inline void ReleaseCommits()
{
    if (CommitGate) {
        SetEvent(CommitGate);
    }
}

inline bool WorkerIdle()
{
    return IsWorkerIdle();
}

// Above the free memory of every test machine here, so a job with it runs until it is let go.
const DWORD HeldTarget = 128 * 1048576;

// Ends a held job quickly: cancelled, it commits its block once and touches nothing.
inline void FinishJob()
{
    CancelFreeing();
    ReleaseCommits();
    WaitUntil(WorkerIdle);
}

// The program's icon as the tray gets it, at the taskbar's DPI.
inline HICON ProgramIcon(int id)
{
    return ChipPicture(id);
}

// The program's icon at the large size, as notices carry it.
inline HICON LargeProgramIcon(int id)
{
    return LoadIconA(AppInstance, MAKEINTRESOURCEA(id));
}

// Free memory as the sampler has it now, and as a fresh reading gives it.
inline void SetFreeMemory(ULONGLONG free)
{
    SetFakeFreeMemory(free);
    DWORD index;
    MemoryStatus *ring = LockSamples(nullptr, &index);
    ring[index].AvailPhys = free;
    UnlockSamples();
}

// A machine of another size, as the sampler and a fresh reading have it from now on.
inline void SetMachine(ULONGLONG installed, ULONGLONG free)
{
    UseFakeMemory(installed, free);
    DWORD index;
    MemoryStatus *ring = LockSamples(nullptr, &index);
    ring[index] = {installed, free};
    UnlockSamples();
}

// The program started on a machine of the given memory, its main window hidden with its
// pages, worker and sampler; the refresh timer is stopped so that the test decides when a tick
// runs. Null when the window could not be made.
inline HWND OpenProgram(ULONGLONG installed, ULONGLONG free)
{
    UseFakeMemory(installed, free);
    NotifyTray = RecordTrayCall;
    ShowMessageBox = RecordMessageBox;
    OpenHelpViewer = RecordHelpViewer;
    StartUp(GetModuleHandleA(nullptr));
    CreateMainWindow();
    if (MainWindow) {
        KillTimer(MainWindow, TIMER_REFRESH);
    }
    return MainWindow;
}

inline std::string WindowText(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline std::string ItemText(HWND page, int id)
{
    return WindowText(GetDlgItem(page, id));
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

// The main window open on a 512 MB machine with 100 MB free and the worker's commits held;
// a test's job is ended when the test is over.
class MainWindowFixture : public testing::Test {
protected:
    void SetUp() override
    {
        HoldCommits();
        window = OpenProgram(512 * MB, 100 * MB);
        ASSERT_NE(window, nullptr);
    }

    void TearDown() override
    {
        FinishJob();
    }

    HWND window = nullptr;
};
