// The entry point of every test program: each process, and each death-test child with it,
// works in a registry of its own, so that suites can run side by side.
#include "tests/support/support.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>

static char RootName[64];
const char *PrivateRegistryRoot = RootName;

static void DeletePrivateRegistry()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, RootName);
}

static void UsePrivateRegistry()
{
    // A death-test child, and the program a test starts, inherit the root, so that the test
    // sees what they wrote.
    const char *inherited = getenv(PrivateRegistryVariable);
    bool owner = inherited == nullptr;
    if (owner) {
        snprintf(RootName, sizeof RootName, "Software\\MemvaleTests\\%lu", GetCurrentProcessId());
        _putenv_s(PrivateRegistryVariable, RootName);
        RegDeleteTreeA(HKEY_CURRENT_USER, RootName);
    } else {
        snprintf(RootName, sizeof RootName, "%s", inherited);
    }
    HKEY root;
    RegCreateKeyExA(HKEY_CURRENT_USER, RootName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, root);
    if (owner) {
        atexit(DeletePrivateRegistry);
    }
}

// A crash ends the test at once with a line saying where; Wine would otherwise start its
// debugger, which waits until the test's time is up.
static LONG WINAPI ReportCrash(EXCEPTION_POINTERS *info)
{
    fprintf(stderr, "crashed: exception 0x%08lx at %p\n",
            static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
            info->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

int main(int argc, char **argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    testing::InitGoogleTest(&argc, argv);
    UsePrivateRegistry();
    InitCommonControls();
    return RUN_ALL_TESTS();
}
