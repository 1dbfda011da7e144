// Process start-up, the single-instance rule and the message loop.
#pragma once
#include <windows.h>

// The single-instance rule's mutex, which another start also looks for.
const wchar_t *const InstanceMutexName = L"memvale_mutex";

extern HINSTANCE AppInstance;
// Wide, like the program's path it is built from, so that any folder name is kept whole.
extern wchar_t HelpFilePath[MAX_PATH];

void StartUp(HINSTANCE instance);
// Whether a Memvale runs, for the start-up and the command line alike; with take, this start
// becomes the one that runs when none does.
bool MemvaleRuns(bool take);
void BuildHelpFilePath(const wchar_t *programPath);
void CreateMainWindow();
// What the main window's keyboard does before a message is dispatched: page switching and the
// dialog manager's keys; true when the message was handled.
bool HandleWindowKeys(MSG *message);
int RunMessageLoop();
