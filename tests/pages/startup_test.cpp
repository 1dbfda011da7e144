// The Startup & Exit page through its real dialog, the Run key and the settings in the registry.
#include "base/language.h"
#include "pages/optimization.h"
#include "pages/startup.h"
#include "settings/autostart.h"
#include "shell/tray.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <cwchar>

const SIZE_T Installed = 1024 * static_cast<SIZE_T>(MB);

struct Box {
    HWND Owner;
    std::string Text;
    std::string Caption;
    UINT Type;
};

static std::vector<Box> Boxes;
static int BoxAnswer = IDOK;

static int WINAPI AnswerBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    Boxes.push_back({owner, Narrow(text), Narrow(caption), type});
    return BoxAnswer;
}

static HWND OpenStartup(ULONGLONG installed = Installed)
{
    HWND window = OpenProgram(installed, 100 * MB);
    ShowMessageBox = AnswerBox;
    return window ? StartupPage : nullptr;
}

static bool RunValueExists()
{
    return RegGetValueW(HKEY_CURRENT_USER, RunKey, RunValueName, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

TEST(StartupPage, StartupTargetIsShownAndKeptInWholeUnits)
{
    HWND page = OpenStartup();
    EXPECT_EQ(SliderAt(page, IDC_STARTUP_SLIDER), 64u);
    EXPECT_EQ(ItemText(page, IDC_STARTUP_TARGET_TEXT), "to 4.00 MB");
    EXPECT_EQ(Settings.AppLoadFreeSize, 4194304u);

    DragSlider(page, IDC_STARTUP_SLIDER, 0);
    EXPECT_EQ(Settings.AppLoadFreeSize, 0u);
    EXPECT_EQ(ItemText(page, IDC_STARTUP_TARGET_TEXT), "to 0.00 MB");
}

TEST(StartupPage, StoredTargetIsRoundedDownAtTheFirstFill)
{
    WriteRegistryDword(SettingsKey, "AppLoadFreeSize", 5000000);
    HWND page = OpenStartup();
    EXPECT_EQ(SliderAt(page, IDC_STARTUP_SLIDER), 76u);
    EXPECT_EQ(Settings.AppLoadFreeSize, 4980736u);
    EXPECT_EQ(ItemText(page, IDC_STARTUP_TARGET_TEXT), "to 4.75 MB");
}

TEST(StartupPage, TargetAboveInstalledMemoryStopsAtTheTopOfTheRange)
{
    // Past 2 GiB, where a range packed into 16 signed bits would turn negative.
    const SIZE_T installed = 0xFFFFFFFF;
    WriteRegistryDword(SettingsKey, "AppLoadFreeSize", 0xFFFFFFFF);
    HWND page = OpenStartup(installed);
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_STARTUP_SLIDER, TBM_GETRANGEMAX, 0, 0), 0xFFFF);
    EXPECT_EQ(SliderAt(page, IDC_STARTUP_SLIDER), 0xFFFFu);
    EXPECT_EQ(Settings.AppLoadFreeSize, 0xFFFF0000u);
    EXPECT_EQ(ItemText(page, IDC_STARTUP_TARGET_TEXT), "to 4,095.94 MB");
}

// A stored REG_QWORD far above installed memory: cut to 32 bits on its way to a position, it
// would come out at the bottom of the slider instead of the top.
TEST(StartupPage, TargetFarAbove4GiBStopsAtTheTopOfTheRangeToo)
{
    const ULONGLONG stored = 1ull << 48;
    WriteRegistryValue(SettingsKey, "AppLoadFreeSize", REG_QWORD, &stored, sizeof stored);
    HWND page = OpenStartup(16ull << 30);
    EXPECT_EQ(SliderAt(page, IDC_STARTUP_SLIDER), 262144u);
    EXPECT_EQ(Settings.AppLoadFreeSize, 16ull << 30);
    EXPECT_EQ(ItemText(page, IDC_STARTUP_TARGET_TEXT), "to 16,384.00 MB");
}

TEST(StartupPage, CheckBoxesShowAndSetTheirChoices)
{
    WriteRegistryDword(SettingsKey, "AppLoadFree", 1);
    WriteRegistryDword(SettingsKey, "TrayFigure", 1);
    HWND page = OpenStartup();
    EXPECT_TRUE(IsChecked(page, IDC_STARTUP_SAVECONFIG));
    EXPECT_TRUE(IsChecked(page, IDC_STARTUP_LOADFREE));
    EXPECT_FALSE(IsChecked(page, IDC_STARTUP_AUTOSTART));
    EXPECT_TRUE(IsChecked(page, IDC_STARTUP_TRAYFIGURE));

    Click(page, IDC_STARTUP_LOADFREE);
    EXPECT_EQ(Settings.AppLoadFree, 0u);
    Click(page, IDC_STARTUP_TRAYFIGURE);
    EXPECT_EQ(Settings.TrayFigure, 0u);

    Click(page, IDC_STARTUP_AUTOSTART);
    EXPECT_TRUE(RunValueExists());
    EXPECT_TRUE(IsAutostartRegistered());
    Click(page, IDC_STARTUP_AUTOSTART);
    EXPECT_FALSE(RunValueExists());

    // Unticked, saving on exit keeps only that choice: the other values stay unwritten.
    Click(page, IDC_STARTUP_SAVECONFIG);
    EXPECT_EQ(Settings.SaveConfig, 0u);
    SaveSettingsAtExit();
    bool found = false;
    EXPECT_EQ(ReadRegistryDword(SettingsKey, "SaveConfig", &found), 0u);
    EXPECT_TRUE(found);
    ReadRegistryDword(SettingsKey, "MinLimit", &found);
    EXPECT_FALSE(found);
    ReadRegistryDword(SettingsKey, "AppLoadFree", &found);
    EXPECT_TRUE(found); // written by the test, not changed by the exit
    EXPECT_EQ(ReadRegistryDword(SettingsKey, "AppLoadFree"), 1u);
}

TEST(StartupPage, NoticesChoiceShowsAndSetsTheSetting)
{
    WriteRegistryDword(SettingsKey, "Notices", 2);
    HWND page = OpenStartup();
    HWND choice = GetDlgItem(page, IDC_STARTUP_NOTICES);
    ASSERT_EQ(SendMessageA(choice, CB_GETCOUNT, 0, 0), 3);
    char text[32] = "";
    SendMessageA(choice, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "the runs I ask for");
    EXPECT_EQ(SendMessageA(choice, CB_GETCURSEL, 0, 0), 2);

    // The user picks "no run", as the box tells its page.
    SendMessageA(choice, CB_SETCURSEL, 0, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_STARTUP_NOTICES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(choice));
    EXPECT_EQ(Settings.Notices, 0u);
}

TEST(StartupPage, SaveWritesEverySettingAndSaysSo)
{
    HWND page = OpenStartup();
    Settings.AppLoadFreeSize = 8 * MB;
    SendDlgItemMessageA(page, IDC_STARTUP_SAVE, BM_CLICK, 0, 0);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Owner, page);
    EXPECT_EQ(Boxes[0].Text, "Configuration has been saved.");
    EXPECT_EQ(Boxes[0].Caption, "Message");
    EXPECT_EQ(Boxes[0].Type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(ReadRegistryDword(SettingsKey, "AppLoadFreeSize"), 8u * MB);
    bool found = false;
    ReadRegistryDword(SettingsKey, "BusyIcon", &found);
    EXPECT_TRUE(found);
}

TEST(StartupPage, ReloadAnsweredNoChangesNothing)
{
    HWND page = OpenStartup();
    WriteRegistryDword(SettingsKey, "AppLoadFreeSize", 16 * MB);
    WriteRegistryDword(SettingsKey, "SaveConfig", 0);
    BoxAnswer = IDNO;
    SendDlgItemMessageA(page, IDC_STARTUP_RELOAD, BM_CLICK, 0, 0);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Owner, page);
    EXPECT_EQ(Boxes[0].Text, "Do you want to restore all settings from registry?");
    EXPECT_EQ(Boxes[0].Caption, "Warning");
    EXPECT_EQ(Boxes[0].Type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));

    HandlePendingMessages();
    EXPECT_EQ(Settings.AppLoadFreeSize, 4194304u);
    EXPECT_EQ(Settings.SaveConfig, 1u);
    EXPECT_EQ(SliderAt(page, IDC_STARTUP_SLIDER), 64u);
    EXPECT_TRUE(IsChecked(page, IDC_STARTUP_SAVECONFIG));
}

TEST(StartupPage, ReloadAnsweredYesRefillsBothPagesFromTheRegistry)
{
    ASSERT_NE(OpenStartup(), nullptr);
    BoxAnswer = IDYES;

    WriteRegistryDword(SettingsKey, "AppLoadFreeSize", 16 * MB);
    WriteRegistryDword(SettingsKey, "SaveConfig", 0);
    WriteRegistryDword(SettingsKey, "AutoFree", 1);
    WriteRegistryDword(SettingsKey, "FreeTo", 200 * MB);
    WriteRegistryDword(SettingsKey, "Hotkey", 0x0246);
    SetAutostart(true);

    SendDlgItemMessageA(StartupPage, IDC_STARTUP_RELOAD, BM_CLICK, 0, 0);
    EXPECT_EQ(Settings.AppLoadFreeSize, 16u * MB);
    EXPECT_TRUE(WaitUntil([] { return SliderAt(StartupPage, IDC_STARTUP_SLIDER) == 256; }));
    EXPECT_TRUE(WaitUntil([] { return SliderAt(OptimizationPage, IDC_OPT_FREETO_SLIDER) == 3200; }));
    EXPECT_EQ(ItemText(StartupPage, IDC_STARTUP_TARGET_TEXT), "to 16.00 MB");
    EXPECT_FALSE(IsChecked(StartupPage, IDC_STARTUP_SAVECONFIG));
    EXPECT_TRUE(IsChecked(StartupPage, IDC_STARTUP_AUTOSTART));
    EXPECT_TRUE(IsChecked(OptimizationPage, IDC_OPT_AUTOFREE_CHECK));
    EXPECT_EQ(ItemText(OptimizationPage, IDC_OPT_FREETO_TEXT), "200.00 MB");
    EXPECT_EQ(SendDlgItemMessageA(OptimizationPage, IDC_OPT_HOTKEY, HKM_GETHOTKEY, 0, 0), 0x0246);
}

// The worker runs at the stored priority from the start and after a reload, before any pick on
// the Optimization page; each row reloads with the next row's value.
class StoredPriority : public testing::TestWithParam<DWORD> {};

TEST_P(StoredPriority, ReachesTheWorkerAtStartAndAfterAReload)
{
    const int levels[] = {THREAD_PRIORITY_IDLE, THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_HIGHEST};
    const DWORD stored = GetParam();
    const DWORD reloaded = (stored + 1) % 3;
    WriteRegistryDword(SettingsKey, "Priority", stored);
    ASSERT_NE(OpenStartup(), nullptr);
    EXPECT_EQ(GetThreadPriority(FreeingWorker), levels[stored]);

    WriteRegistryDword(SettingsKey, "Priority", reloaded);
    BoxAnswer = IDYES;
    Click(StartupPage, IDC_STARTUP_RELOAD);
    EXPECT_EQ(GetThreadPriority(FreeingWorker), levels[reloaded]);
}

INSTANTIATE_TEST_SUITE_P(IdleNormalHigh, StoredPriority, testing::Values(0u, 1u, 2u));

static std::wstring MenuText(HMENU menu, UINT id)
{
    wchar_t text[TextSize] = L"";
    GetMenuStringW(menu, id, text, TextSize, MF_BYCOMMAND);
    return text;
}

// Arabic and back to Windows' language (English here): the window is mirrored and back, its
// pages made again with the same tab shown, the tray menus in the language, the choice kept.
TEST(StartupPage, ChosenLanguageTakesEffectAtOnceAndIsKept)
{
    HWND page = OpenStartup();
    HWND tabs = GetDlgItem(MainWindow, IDC_MAIN_TABS);
    SendMessageW(tabs, TCM_SETCURFOCUS, 1, 0);
    int arabic = 0;
    for (int i = 0; i < LanguageCount(); ++i) {
        if (wcscmp(LanguageName(i), L"ar") == 0) {
            arabic = i + 1;
        }
    }
    ASSERT_GT(arabic, 0);
    struct Case {
        int Entry;
        const wchar_t *Stored;
        bool Mirrored;
        const wchar_t *Close;
        const wchar_t *Exit;
    } const cases[] = {
        {arabic, L"ar", true, L"\x0625\x063A\x0644\x0627\x0642", L"\x062E\x0631\x0648\x062C"},
        {0, L"", false, L"Close", L"Exit"},
    };
    for (const Case &c : cases) {
        HWND combo = GetDlgItem(page, IDC_STARTUP_LANGUAGE);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(c.Entry), 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_STARTUP_LANGUAGE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        ASSERT_TRUE(WaitUntil([&] { return StartupPage != page; }));
        page = StartupPage;

        wchar_t stored[LanguageNameSize] = L"?";
        LoadLanguageSetting(stored, LanguageNameSize);
        EXPECT_STREQ(c.Stored, stored);
        EXPECT_EQ(c.Mirrored, (GetWindowLongPtrW(MainWindow, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0);
        wchar_t text[TextSize];
        GetDlgItemTextW(MainWindow, IDC_MAIN_CLOSE, text, TextSize);
        EXPECT_EQ(c.Close, WithoutAccessKey(text));
        EXPECT_EQ(c.Exit, WithoutAccessKey(MenuText(IdleMenu, IDM_EXIT).c_str()));
        EXPECT_EQ(c.Exit, WithoutAccessKey(MenuText(BusyMenu, IDM_EXIT).c_str()));
        EXPECT_EQ(1, SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
        EXPECT_NE(0, GetWindowLongPtrW(page, GWL_STYLE) & WS_VISIBLE);
        EXPECT_EQ(c.Entry, SendDlgItemMessageW(page, IDC_STARTUP_LANGUAGE, CB_GETCURSEL, 0, 0));
    }
}
