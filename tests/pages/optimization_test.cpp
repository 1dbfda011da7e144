// The Optimization page through its real dialog: sliders, texts, commands and the hot-key.
#include "pages/optimization.h"
#include "base/messages.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <ostream>
#include <string>

const SIZE_T OneGiB = 1024 * static_cast<SIZE_T>(MB);

static HWND OpenOptimization(SIZE_T installed = OneGiB, SIZE_T free = 100 * MB)
{
    return OpenProgram(installed, free) ? OptimizationPage : nullptr;
}

static void Refresh(HWND page)
{
    SendMessageA(page, WM_APP_REFRESH, 0, 0);
}

// Whether the combination is taken, asked the way another program would: by trying it.
static bool HotkeyTaken(UINT modifiers, UINT key)
{
    const int probe = 0x7000;
    if (!RegisterHotKey(nullptr, probe, modifiers, key)) {
        return true;
    }
    UnregisterHotKey(nullptr, probe);
    return false;
}

static LPARAM KeyData(UINT key)
{
    return static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC) << 16 | 1);
}

// Keys as the keyboard delivers them to the focused hot-key control: the modifier held
// down, the key pressed, then both let go.
static void TypeIntoHotkey(HWND page, UINT modifier, UINT key)
{
    HWND control = GetDlgItem(page, IDC_OPT_HOTKEY);
    UINT down = modifier == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN;
    UINT up = modifier == VK_MENU ? WM_SYSKEYUP : WM_KEYUP;
    SendMessageA(control, down, modifier, KeyData(modifier));
    SendMessageA(control, down, key, KeyData(key));
    SendMessageA(control, up, key, KeyData(key) | 0xC0000000);
    SendMessageA(control, up, modifier, KeyData(modifier) | 0xC0000000);
}

TEST(OptimizationPage, InitialisationRecordsThePageAndFillsItsControls)
{
    HWND page = OpenOptimization();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(OptimizationPage, page);

    HWND combo = GetDlgItem(page, IDC_OPT_PRIORITY_COMBO);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    const char *const entries[] = {"Idle*", "Normal", "High"};
    for (int i = 0; i < 3; ++i) {
        char text[32] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, entries[i]);
    }
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(IsChecked(page, IDC_OPT_AUTOFREE_CHECK));

    // 1 GiB installed: 5% and 10% of its 1024 whole megabytes, in whole megabytes.
    EXPECT_EQ(SliderAt(page, IDC_OPT_LOWER_SLIDER), 51u * 16);
    EXPECT_EQ(ItemText(page, IDC_OPT_LOWER_TEXT), "51.00 MB");
    EXPECT_EQ(ItemText(page, IDC_OPT_LOWER_SHARE), "(5%)");
    EXPECT_EQ(ItemText(page, IDC_OPT_FREETO_TEXT), "102.00 MB");
    EXPECT_EQ(ItemText(page, IDC_OPT_FREETO_SHARE), "(10%)");
    EXPECT_EQ(ItemText(page, IDC_OPT_FREE_BUTTON), "Free up 20.00 MB\n(target free: 120.00 MB)");

    HWND progress = GetDlgItem(page, IDC_OPT_PROGRESS);
    EXPECT_EQ(SendMessageA(progress, PBM_GETRANGE, FALSE, 0), 1000);
    EXPECT_EQ(SendMessageA(progress, PBM_GETRANGE, TRUE, 0), 0);
}

TEST(OptimizationPage, TheSliderThatIsMovedYieldsToTheOther)
{
    HWND page = OpenOptimization();
    DWORD freeTo = SliderAt(page, IDC_OPT_FREETO_SLIDER);

    DragSlider(page, IDC_OPT_LOWER_SLIDER, freeTo + 300);
    EXPECT_EQ(SliderAt(page, IDC_OPT_LOWER_SLIDER), freeTo);
    EXPECT_EQ(SliderAt(page, IDC_OPT_FREETO_SLIDER), freeTo);
    EXPECT_EQ(Settings.MinLimit, Settings.FreeTo);
    EXPECT_EQ(ItemText(page, IDC_OPT_LOWER_SHARE), ItemText(page, IDC_OPT_FREETO_SHARE));
    EXPECT_EQ(ItemText(page, IDC_OPT_LOWER_TEXT), ItemText(page, IDC_OPT_FREETO_TEXT));

    DragSlider(page, IDC_OPT_LOWER_SLIDER, 200);
    DragSlider(page, IDC_OPT_FREETO_SLIDER, 100);
    EXPECT_EQ(SliderAt(page, IDC_OPT_FREETO_SLIDER), 200u);
    EXPECT_EQ(SliderAt(page, IDC_OPT_LOWER_SLIDER), 200u);
    EXPECT_EQ(Settings.FreeTo, 200u << 16);
    EXPECT_EQ(Settings.MinLimit, 200u << 16);

    DragSlider(page, IDC_OPT_LOWER_SLIDER, 0);
    DragSlider(page, IDC_OPT_FREETO_SLIDER, 0);
    EXPECT_EQ(Settings.MinLimit, 0u);
    EXPECT_EQ(Settings.FreeTo, 0u);
    for (int id : {IDC_OPT_LOWER_TEXT, IDC_OPT_FREETO_TEXT}) {
        EXPECT_EQ(ItemText(page, id), "0.00 MB");
    }
    for (int id : {IDC_OPT_LOWER_SHARE, IDC_OPT_FREETO_SHARE}) {
        EXPECT_EQ(ItemText(page, id), "(0%)");
    }
}

// Installed memory, the sliders' top in 64 KiB units, those units in bytes and as shown.
struct SliderTop {
    SIZE_T Installed;
    DWORD Units;
    DWORD Bytes;
    const char *Amount;
};

static void PrintTo(const SliderTop &top, std::ostream *out)
{
    *out << top.Amount;
}

class OptimizationSliderTop : public testing::TestWithParam<SliderTop> {};

TEST_P(OptimizationSliderTop, ReachesInstalledMemoryInWholeUnits)
{
    const SliderTop &t = GetParam();
    HWND page = OpenOptimization(t.Installed, 100 * MB);
    for (int id : {IDC_OPT_LOWER_SLIDER, IDC_OPT_FREETO_SLIDER, IDC_OPT_AMOUNT_SLIDER}) {
        EXPECT_EQ(SendDlgItemMessageA(page, id, TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(static_cast<DWORD>(SendDlgItemMessageA(page, id, TBM_GETRANGEMAX, 0, 0)), t.Units);
    }

    // Beyond the range, as a hand-edited registry may have it: the sliders clamp.
    Settings.FreeTo = 0xFFFFFFFF;
    Settings.MinLimit = 0xFFFFFFFF;
    Settings.ManualFree = 0xFFFFFFFF;
    Refresh(page);
    EXPECT_EQ(Settings.FreeTo, t.Bytes);
    EXPECT_EQ(Settings.MinLimit, t.Bytes);
    EXPECT_EQ(Settings.ManualFree, t.Bytes);
    EXPECT_EQ(ItemText(page, IDC_OPT_FREETO_TEXT), t.Amount);
    EXPECT_EQ(ItemText(page, IDC_OPT_FREETO_SHARE), "(100%)");
    EXPECT_EQ(ItemText(page, IDC_OPT_LOWER_SHARE), "(100%)");
}

INSTANTIATE_TEST_SUITE_P(Installed, OptimizationSliderTop,
                         testing::Values(SliderTop{OneGiB + 12345, 16384, 0x40000000u, "1,024.00 MB"},
                                         SliderTop{0x80000000u, 32768, 0x80000000u, "2,048.00 MB"},
                                         SliderTop{0xFFFFFFFFu, 65535, 0xFFFF0000u, "4,095.94 MB"}),
                         [](const testing::TestParamInfo<SliderTop> &info) {
                             return "Units" + std::to_string(info.param.Units);
                         });

TEST(OptimizationPage, RefreshRoundsTheAmountsDownToWholeUnits)
{
    HWND page = OpenOptimization();
    Settings.MinLimit = 10 * 65536 + 65535;
    Settings.FreeTo = 20 * 65536 + 1;
    Settings.ManualFree = 30 * 65536 + 32768;
    Refresh(page);
    EXPECT_EQ(Settings.MinLimit, 10u * 65536);
    EXPECT_EQ(Settings.FreeTo, 20u * 65536);
    EXPECT_EQ(Settings.ManualFree, 30u * 65536);
    EXPECT_EQ(SliderAt(page, IDC_OPT_AMOUNT_SLIDER), 30u);
}

TEST(OptimizationPage, AmountSliderOffersTheChosenAmountOnTopOfFreeMemory)
{
    HWND page = OpenOptimization(OneGiB, 100 * MB);
    DragSlider(page, IDC_OPT_AMOUNT_SLIDER, 512);
    EXPECT_EQ(Settings.ManualFree, 32u * MB);
    EXPECT_EQ(ItemText(page, IDC_OPT_FREE_BUTTON), "Free up 32.00 MB\n(target free: 132.00 MB)");

    // The offer takes free memory from the current sample.
    SetFreeMemory(200 * MB);
    DragSlider(page, IDC_OPT_AMOUNT_SLIDER, 16);
    EXPECT_EQ(ItemText(page, IDC_OPT_FREE_BUTTON), "Free up 1.00 MB\n(target free: 201.00 MB)");
}

TEST(OptimizationPage, ButtonAndHotkeyStartAManualRun)
{
    HWND page = OpenOptimization(OneGiB, 100 * MB);
    HoldCommits();
    HWND button = GetDlgItem(page, IDC_OPT_FREE_BUTTON);

    // Not from a control, or not the free-up hot-key: nothing starts.
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_FREE_BUTTON, BN_CLICKED), 0);
    SendMessageA(page, WM_HOTKEY, HOTKEY_FREE + 1, 0);
    EXPECT_TRUE(WorkerIdle());

    SendMessageA(page, WM_HOTKEY, HOTKEY_FREE, MAKELPARAM(MOD_CONTROL, 'F'));
    EXPECT_EQ(ItemText(page, IDC_OPT_FREE_BUTTON), "Busy");
    EXPECT_FALSE(IsWindowEnabled(button));
    EnterCriticalSection(&JobLock);
    EXPECT_EQ(FreeingJob.Target, 120u * MB);
    EXPECT_EQ(FreeingJob.AttemptsLeft, 3u);
    LeaveCriticalSection(&JobLock);
    FinishJob();

    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_FREE_BUTTON, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_FALSE(WorkerIdle());
    FinishJob();
}

TEST(OptimizationPage, TypedModifiersBecomeCtrl)
{
    HWND page = OpenOptimization();
    TypeIntoHotkey(page, VK_MENU, 'F');
    EXPECT_EQ(Settings.Hotkey, 0x0246u);
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_OPT_HOTKEY, HKM_GETHOTKEY, 0, 0), 0x0246);
    EXPECT_TRUE(HotkeyTaken(MOD_CONTROL, 'F'));
    EXPECT_FALSE(HotkeyTaken(MOD_ALT, 'F'));

    TypeIntoHotkey(page, VK_SHIFT, 'G');
    EXPECT_EQ(Settings.Hotkey, 0x0247u);
    EXPECT_TRUE(HotkeyTaken(MOD_CONTROL, 'G'));
    EXPECT_FALSE(HotkeyTaken(MOD_CONTROL, 'F'));
}

TEST(OptimizationPage, StoredHotkeyIsRegisteredWithItsOwnModifiers)
{
    HWND page = OpenOptimization();
    EXPECT_FALSE(HotkeyTaken(MOD_CONTROL, 0));

    // Set by the program the value is shown as it is: the rules only judge what is typed.
    Settings.Hotkey = MAKEWORD('F', HOTKEYF_ALT);
    Refresh(page);
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_OPT_HOTKEY, HKM_GETHOTKEY, 0, 0), MAKEWORD('F', HOTKEYF_ALT));
    EXPECT_TRUE(HotkeyTaken(MOD_ALT, 'F'));
    EXPECT_FALSE(HotkeyTaken(MOD_SHIFT, 'F'));

    // A refresh registers again what was lost meanwhile.
    UnregisterHotKey(page, HOTKEY_FREE);
    EXPECT_FALSE(HotkeyTaken(MOD_ALT, 'F'));
    Refresh(page);
    EXPECT_TRUE(HotkeyTaken(MOD_ALT, 'F'));

    // A combination another owner holds (here under a second id) cannot be had; the one it
    // was to replace is given up all the same. Wine replaces a window's registration under the
    // same id by itself, but not when the new combination is taken: only the page's own
    // UnregisterHotKey frees Alt+F then.
    const int otherOwner = 0x7001;
    ASSERT_TRUE(RegisterHotKey(nullptr, otherOwner, MOD_CONTROL, 'H'));
    Settings.Hotkey = MAKEWORD('H', HOTKEYF_CONTROL);
    Refresh(page);
    EXPECT_FALSE(HotkeyTaken(MOD_ALT, 'F'));
    UnregisterHotKey(nullptr, otherOwner);
    Refresh(page);
    EXPECT_TRUE(HotkeyTaken(MOD_CONTROL, 'H'));

    // No key: the old combination is given up and nothing is registered.
    Settings.Hotkey = MAKEWORD(0, HOTKEYF_CONTROL);
    Refresh(page);
    EXPECT_FALSE(HotkeyTaken(MOD_CONTROL, 'H'));
    EXPECT_FALSE(HotkeyTaken(MOD_CONTROL, 0));
}

TEST(OptimizationPage, PriorityAndAutomaticFreeingFollowTheirControls)
{
    HWND page = OpenOptimization();
    HWND combo = GetDlgItem(page, IDC_OPT_PRIORITY_COMBO);
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_PRIORITY_COMBO, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(Settings.Priority, 2u);
    EXPECT_EQ(GetThreadPriority(FreeingWorker), THREAD_PRIORITY_HIGHEST);

    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_PRIORITY_COMBO, CBN_DROPDOWN), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(Settings.Priority, 2u);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_PRIORITY_COMBO, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(Settings.Priority, 1u);
    EXPECT_EQ(GetThreadPriority(FreeingWorker), THREAD_PRIORITY_NORMAL);

    Click(page, IDC_OPT_AUTOFREE_CHECK);
    EXPECT_EQ(Settings.AutoFree, 1u);
    Click(page, IDC_OPT_AUTOFREE_CHECK);
    EXPECT_EQ(Settings.AutoFree, 0u);

    // Switched elsewhere, the check box follows at the next refresh.
    Settings.AutoFree = 1;
    Settings.Priority = 0;
    Refresh(page);
    EXPECT_TRUE(IsChecked(page, IDC_OPT_AUTOFREE_CHECK));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
}
