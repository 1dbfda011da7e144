// Libraries loaded at run time come from the system folder, also where Windows refuses the
// search flag, and never from the current folder.
#include "base/platform.h"
#include "base/systemlibrary.h"
#include <gtest/gtest.h>
#include <string>

static HMODULE WINAPI RefuseSearchFlag(LPCWSTR name, HANDLE file, DWORD flags)
{
    if (flags & LOAD_LIBRARY_SEARCH_SYSTEM32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryExW(name, file, flags);
}

static std::wstring Lowered(std::wstring text)
{
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// A copy of this test program planted as a library in a folder that is then the current one.
class PlantedLibrary : public testing::Test {
protected:
    void SetUp() override
    {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"memvale_plant_" + std::to_wstring(GetCurrentProcessId());
        planted = folder + L"\\memvale_planted.dll";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW(path, planted.c_str(), FALSE));
        ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    }

    void TearDown() override
    {
        LoadLibraryWithFlags = LoadLibraryExW;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        SetCurrentDirectoryW(temp);
        DeleteFileW(planted.c_str());
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring folder;
    std::wstring planted;
};

TEST_F(PlantedLibrary, IsNotLoadedButTheSystemFoldersLibraryIs)
{
    // By bare name the plant would be found: loaded only as a module of that path, none of its code runs.
    HMODULE bare = LoadLibraryExW(L"memvale_planted.dll", nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(bare, nullptr);
    FreeLibrary(bare);

    wchar_t system[MAX_PATH];
    ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
    for (bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "search flag refused" : "search flag taken");
        LoadLibraryWithFlags = refused ? RefuseSearchFlag : LoadLibraryExW;
        EXPECT_EQ(LoadSystemLibrary(L"memvale_planted.dll"), nullptr);
        HMODULE shcore = LoadSystemLibrary(L"shcore.dll");
        ASSERT_NE(shcore, nullptr);
        wchar_t path[MAX_PATH];
        ASSERT_NE(GetModuleFileNameW(shcore, path, MAX_PATH), 0u);
        EXPECT_EQ(Lowered(path), Lowered(std::wstring(system) + L"\\shcore.dll"));
        EXPECT_NE(SystemCall<FARPROC>(L"shcore.dll", "GetDpiForMonitor"), nullptr);
        EXPECT_EQ(SystemCall<FARPROC>(L"shcore.dll", "NoSuchFunction"), nullptr);
    }
}
