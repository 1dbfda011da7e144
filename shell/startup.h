// Process start-up, the single-instance rule and the message loop.
#pragma once
#include <windows.h>

extern HINSTANCE AppInstance;
extern char HelpFilePath[MAX_PATH];

bool StartUp(HINSTANCE instance);
void BuildHelpFilePath(const char *programPath);
void CreateMainWindow();
int RunMessageLoop();
