// Libraries loaded at run time, for calls newer than Windows 7: from the system folder only,
// never from the program's folder, the current folder or PATH, where anyone may plant one.
#pragma once
#include <windows.h>

// The library of that name in the system folder, or none.
HMODULE LoadSystemLibrary(const wchar_t *name);

// A function of a system library, or none where this Windows lacks the library or the function.
template <typename Call> Call SystemCall(const wchar_t *library, const char *function)
{
    HMODULE module = LoadSystemLibrary(library);
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(module, function)));
}
