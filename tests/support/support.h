// What every test program shares: a private registry, a machine of any memory size, and
// waiting on a condition while the thread's windows keep working.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// The root that HKEY_CURRENT_USER stands for in this test process (and its death-test
// children), below the real HKEY_CURRENT_USER.
extern const char *PrivateRegistryRoot;
// The environment variable that hands the root on to death-test children and to the program
// a test starts.
const char *const PrivateRegistryVariable = "MEMVALE_TEST_ROOT";

// The environment variable that gives the program a test starts its memory figures: installed
// and free bytes, in decimal, separated by a blank.
const char *const FakeMemoryVariable = "MEMVALE_TEST_MEMORY";

// The environment variable that gives the program a test starts a window station nobody sees.
const char *const HiddenStationVariable = "MEMVALE_TEST_HIDDEN_STATION";

// From here on every open and create under HKEY_CURRENT_USER fails.
void BreakRegistry();

// Memory figures as the program reads them on a machine of that size.
void UseFakeMemory(ULONGLONG installed, ULONGLONG free);
void SetFakeFreeMemory(ULONGLONG free);

// Pumps this thread's messages until the condition holds; false when it still does not
// after the given milliseconds.
bool WaitUntil(const std::function<bool()> &condition, DWORD milliseconds = 5000);

// Handles every message already waiting for this thread's windows, and those they post
// meanwhile, until none is left.
void HandlePendingMessages();

// A REG_DWORD below HKEY_CURRENT_USER; found tells whether it exists.
DWORD ReadRegistryDword(const char *key, const char *name, bool *found = nullptr);
void WriteRegistryValue(const char *key, const char *name, DWORD type, const void *data, DWORD size);
void WriteRegistryDword(const char *key, const char *name, DWORD value);
// A value below HKEY_CURRENT_USER as the registry holds it, at its true type and size (up to
// eight bytes); Type is REG_NONE when there is none.
struct StoredValue {
    DWORD Type;
    DWORD Size;
    ULONGLONG Data;
};
StoredValue ReadRegistryValue(const char *key, const char *name);
// The program's keys and value names are wide; these take them as they are.
DWORD ReadRegistryDword(const wchar_t *key, const char *name, bool *found = nullptr);
void WriteRegistryValue(const wchar_t *key, const char *name, DWORD type, const void *data, DWORD size);
void WriteRegistryDword(const wchar_t *key, const char *name, DWORD value);
StoredValue ReadRegistryValue(const wchar_t *key, const char *name);
StoredValue ReadRegistryValue(const wchar_t *key, const wchar_t *name);

// The program's wide texts as UTF-8, for comparing with the tests' literals.
std::string Narrow(const wchar_t *text);

// A label or menu text as it reads without its access key: "&Close" and "閉じる(&C)" as
// "Close" and "閉じる"; "&&" stays one "&".
std::wstring WithoutAccessKey(const wchar_t *text);

// A REG_SZ below HKEY_CURRENT_USER read in wide characters; empty when there is none.
std::wstring ReadRegistryText(const wchar_t *key, const wchar_t *name);
