// Start with Windows: the "Memvale" value of the current user's Run key.
#include "settings/autostart.h"
#include <windows.h>
#include <cwchar>

const DWORD RunNameSize = 64;

// A quoted module path: MAX_PATH characters, two quotes and the NUL.
const DWORD RunCommandSize = MAX_PATH + 3;

bool IsAutostartRegistered()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return false;
    }
    bool found = false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[RunNameSize];
        DWORD nameSize = RunNameSize;
        // Only the names count; not asking for the data keeps a long command line of ours
        // (or of another program) from ending the enumeration.
        LONG result = RegEnumValueW(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        // A foreign value whose name is too long for the buffer is passed over, not taken as the end.
        if (result == ERROR_MORE_DATA) {
            continue;
        }
        if (result != ERROR_SUCCESS) {
            break;
        }
        if (wcscmp(name, RunValueName) == 0) {
            found = true;
        }
    }
    RegCloseKey(key);
    return found;
}

// The program's own file, quoted so that a path with blanks starts the right program, in
// wide characters so that a folder or user name outside the ANSI code page is kept; false
// when the path cannot be had whole.
static bool QuotedModulePath(wchar_t *command, DWORD size)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    int written = swprintf(command, size, L"\"%ls\"", path);
    return written > 0 && static_cast<DWORD>(written) < size;
}

void SetAutostart(bool enable)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, RunKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (enable) {
        wchar_t command[RunCommandSize];
        if (QuotedModulePath(command, RunCommandSize)) {
            RegSetValueExW(key, RunValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(command),
                           static_cast<DWORD>((wcslen(command) + 1) * sizeof(wchar_t)));
        }
    } else {
        RegDeleteValueW(key, RunValueName);
    }
    RegCloseKey(key);
}
