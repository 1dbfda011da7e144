// What every test program shares: a private registry, a machine of any memory size, and
// waiting on a condition while the thread's windows keep working.
#include "tests/support/support.h"
#include "base/memstatus.h"
#include <atomic>

static std::atomic<ULONGLONG> FakeInstalled;
static std::atomic<ULONGLONG> FakeFree;

static BOOL WINAPI FakeMemoryStatus(LPMEMORYSTATUSEX status)
{
    status->ullTotalPhys = FakeInstalled.load();
    status->ullAvailPhys = FakeFree.load();
    return TRUE;
}

void UseFakeMemory(ULONGLONG installed, ULONGLONG free)
{
    FakeInstalled = installed;
    FakeFree = free;
    MemoryStatusSource = FakeMemoryStatus;
}

void SetFakeFreeMemory(ULONGLONG free)
{
    FakeFree = free;
}

void BreakRegistry()
{
    // A handle to a key that no longer exists makes every later open and create fail.
    HKEY doomed;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Doomed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &doomed, nullptr);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Doomed");
    RegOverridePredefKey(HKEY_CURRENT_USER, doomed);
}

void HandlePendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitUntil(const std::function<bool()> &condition, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        HandlePendingMessages();
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start > milliseconds) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

DWORD ReadRegistryDword(const char *key, const char *name, bool *found)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG result = RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, nullptr, &value, &size);
    if (found) {
        *found = result == ERROR_SUCCESS;
    }
    return value;
}

StoredValue ReadRegistryValue(const char *key, const char *name)
{
    StoredValue value = {REG_NONE, sizeof value.Data, 0};
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &value.Type, &value.Data, &value.Size) !=
        ERROR_SUCCESS) {
        value.Type = REG_NONE;
    }
    return value;
}

std::wstring ReadRegistryText(const wchar_t *key, const wchar_t *name)
{
    wchar_t text[1024] = L"";
    DWORD size = sizeof text;
    RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

void WriteRegistryValue(const char *key, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY handle;
    RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    RegSetValueExA(handle, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(handle);
}

void WriteRegistryDword(const char *key, const char *name, DWORD value)
{
    WriteRegistryValue(key, name, REG_DWORD, &value, sizeof value);
}

std::string Narrow(const wchar_t *text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(size - 1));
    return narrow;
}

DWORD ReadRegistryDword(const wchar_t *key, const char *name, bool *found)
{
    return ReadRegistryDword(Narrow(key).c_str(), name, found);
}

void WriteRegistryValue(const wchar_t *key, const char *name, DWORD type, const void *data, DWORD size)
{
    WriteRegistryValue(Narrow(key).c_str(), name, type, data, size);
}

void WriteRegistryDword(const wchar_t *key, const char *name, DWORD value)
{
    WriteRegistryDword(Narrow(key).c_str(), name, value);
}

StoredValue ReadRegistryValue(const wchar_t *key, const char *name)
{
    return ReadRegistryValue(Narrow(key).c_str(), name);
}

StoredValue ReadRegistryValue(const wchar_t *key, const wchar_t *name)
{
    return ReadRegistryValue(Narrow(key).c_str(), Narrow(name).c_str());
}

std::wstring WithoutAccessKey(const wchar_t *text)
{
    std::wstring plain;
    for (const wchar_t *at = text; *at != L'\0'; ++at) {
        if (at[0] == L'(' && at[1] == L'&' && at[2] != L'\0' && at[3] == L')') {
            at += 3;
        } else if (at[0] == L'&') {
            if (at[1] == L'&') {
                plain += L'&';
                ++at;
            }
        } else {
            plain += *at;
        }
    }
    return plain;
}
