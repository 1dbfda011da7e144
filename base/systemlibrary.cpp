// Libraries loaded at run time, from the system folder only.
#include "base/systemlibrary.h"
#include "base/platform.h"
#include <cwchar>

// Windows 7 without update KB2533623 refuses the search flag with ERROR_INVALID_PARAMETER;
// there the full path of the system folder leaves nothing to search.
HMODULE LoadSystemLibrary(const wchar_t *name)
{
    HMODULE module = LoadLibraryWithFlags(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    int written = swprintf(path + length, MAX_PATH - length, L"\\%ls", name);
    if (written < 0) {
        return nullptr;
    }
    return LoadLibraryWithFlags(path, nullptr, 0);
}
