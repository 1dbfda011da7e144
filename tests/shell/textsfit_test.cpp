// Every text of the main window, its pages and the tray menus is whole, and the tooltip and the
// notices keep within Windows' limits, with the widest figures of small and large machines, in
// every language, at the DPI the program starts with and, under Wine, at the common scales of
// today's screens.
#include "base/language.h"
#include "base/messages.h"
#include "settings/settings.h"
#include "shell/lastrun.h"
#include "shell/tick.h"
#include "shell/tray.h"
#include "tests/support/program.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

const ULONGLONG GB = 1024ull * MB;
// The DPI a started copy of this program must measure at, handed on in the environment.
const char *const ExpectedDpiVariable = "MEMVALE_TEST_DPI";
// The languages a started copy measures, by name, separated by commas; none means English.
const char *const LanguagesVariable = "MEMVALE_TEST_LANGUAGES";

static int Dpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

static int Scaled(int pixelsAt96)
{
    return MulDiv(pixelsAt96, Dpi(), 96);
}

static std::wstring WideText(HWND window)
{
    wchar_t text[TextSize] = L"";
    GetWindowTextW(window, text, TextSize);
    return text;
}

static SIZE TextExtent(HDC dc, HFONT font, const std::wstring &text, int width, UINT format)
{
    HGDIOBJ old = SelectObject(dc, font);
    RECT r = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &r, format | DT_CALCRECT);
    SelectObject(dc, old);
    return {r.right, r.bottom};
}

// Fails when the text, laid out as the control lays it out, needs more than the room it has.
static void ExpectFits(HWND control, const std::wstring &text, SIZE room, UINT format)
{
    HDC dc = GetDC(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    SIZE need = TextExtent(dc, font, text, room.cx, format);
    ReleaseDC(control, dc);
    EXPECT_TRUE(need.cx <= room.cx && need.cy <= room.cy)
        << "control " << GetDlgCtrlID(control) << " \"" << Narrow(text.c_str()) << "\" needs " << need.cx << "x" << need.cy
        << " pixels, has " << room.cx << "x" << room.cy;
}

static SIZE ClientSize(HWND control, int marginX, int marginY)
{
    RECT r;
    GetClientRect(control, &r);
    return {r.right - 2 * marginX, r.bottom - 2 * marginY};
}

static void CheckStatic(HWND control, LONG_PTR style)
{
    LONG_PTR type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
        type != SS_SIMPLE) {
        return;
    }
    UINT format = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    bool oneLine = (style & SS_CENTERIMAGE) || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE;
    ExpectFits(control, WideText(control), ClientSize(control, 0, 0),
               format | (oneLine ? DT_SINGLELINE : DT_WORDBREAK));
}

// The check box's square and the gap after it, and a push button's edge and focus frame.
static void CheckButton(HWND control, LONG_PTR style)
{
    UINT format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        ExpectFits(control, WideText(control), ClientSize(control, Scaled(3), Scaled(3)), format);
        break;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE: {
        SIZE room = ClientSize(control, 0, 0);
        room.cx -= Scaled(13 + 4);
        ExpectFits(control, WideText(control), room, format);
        break;
    }
    case BS_GROUPBOX:
        ExpectFits(control, WideText(control), ClientSize(control, Scaled(8), 0), DT_SINGLELINE);
        break;
    }
}

// Every tab shows its whole text and lies inside the control, with no scroll arrows.
static void CheckTabs(HWND tabs)
{
    RECT client;
    GetClientRect(tabs, &client);
    int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = L"";
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        RECT r;
        SendMessageW(tabs, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        EXPECT_LE(r.right, client.right) << "tab " << Narrow(text);
        ExpectFits(tabs, text, {r.right - r.left - Scaled(4), r.bottom - r.top}, DT_SINGLELINE);
    }
}

// A control reaching past its page, or a page past the main window, is cut however wide it is.
static void ExpectInsideParent(HWND control)
{
    RECT own;
    GetWindowRect(control, &own);
    // Compared on the screen: a mirrored parent's own coordinates run from right to left.
    RECT parent;
    GetClientRect(GetParent(control), &parent);
    MapWindowPoints(GetParent(control), nullptr, reinterpret_cast<POINT *>(&parent), 2);
    if (parent.left > parent.right) {
        std::swap(parent.left, parent.right);
    }
    EXPECT_TRUE(own.left >= parent.left && own.top >= parent.top && own.right <= parent.right &&
                own.bottom <= parent.bottom)
        << "control " << GetDlgCtrlID(control) << " \"" << Narrow(WideText(control).c_str())
        << "\" reaches out of its parent";
}

// Any control of any page, whoever adds it: only those the user can see are measured.
static BOOL CALLBACK CheckControl(HWND control, LPARAM)
{
    LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    char className[32] = "";
    GetClassNameA(control, className, sizeof className);
    std::string kind = className;
    if (!(style & WS_VISIBLE)) {
        return TRUE;
    }
    ExpectInsideParent(control);
    if (kind == "#32770") {
        return TRUE;
    }
    if (kind == "Static") {
        CheckStatic(control, style);
    } else if (kind == "Button") {
        CheckButton(control, style);
    } else if (kind == WC_TABCONTROLA) {
        CheckTabs(control);
    }
    return TRUE;
}

// While the tray menu is open: every item's text, in the menu font, with the room for a check
// mark, lies inside the item, and the menu inside its monitor.
static int MenusMeasured;

static void CALLBACK MeasureMenuAndClose(HWND, UINT, UINT_PTR, DWORD)
{
    ++MenusMeasured;
    HWND menuWindow = FindWindowA("#32768", nullptr);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    HDC dc = GetDC(menuWindow);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = L"";
        GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        RECT item;
        GetMenuItemRect(nullptr, menu, i, &item);
        SIZE need = TextExtent(dc, font, text, 0, DT_SINGLELINE | DT_EXPANDTABS);
        EXPECT_LE(need.cx + GetSystemMetrics(SM_CXMENUCHECK), item.right - item.left) << "menu item " << Narrow(text);
    }
    ReleaseDC(menuWindow, dc);
    DeleteObject(font);
    RECT shown;
    GetWindowRect(menuWindow, &shown);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromRect(&shown, MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_LE(shown.right - shown.left, monitor.rcMonitor.right - monitor.rcMonitor.left);
    EndMenu();
}

static void CheckTrayMenu(HWND window)
{
    int before = MenusMeasured;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, MeasureMenuAndClose);
    SendMessageA(window, WM_APP_TRAY, 0, WM_CONTEXTMENU);
    KillTimer(nullptr, timer);
    EXPECT_EQ(MenusMeasured, before + 1);
}

// Both limits at all of the memory, a tenth of it offered and the offer aiming at all of it:
// the widest figures this machine shows.
static void ShowWidestFigures(HWND window, ULONGLONG installed)
{
    SetMachine(installed, installed - installed / 10);
    LoadSettings();
    Settings.AutoFree = 1;
    Settings.MinLimit = installed;
    Settings.FreeTo = installed;
    Settings.AppLoadFreeSize = installed;
    Settings.ManualFree = installed / 10;
    SendMessageA(window, WM_APP_REFRESH, 0, 0);
    HandlePendingMessages();
}

// The tooltip and a notice of the widest run: Windows cuts a tooltip at 127 characters, a
// notice's title at 63 and its text at 255, and a text that reaches the limit has been cut.
static void CheckTrayTexts(ULONGLONG installed)
{
    RefreshTick();
    EXPECT_LT(wcslen(TrayIconData.szTip), 127u) << Narrow(TrayIconData.szTip);
    FreeingRun run = {};
    run.Source = CommandLineRun;
    run.Ending = RunCancelled;
    run.StartedAt.wHour = 23;
    run.Milliseconds = 99999;
    run.Block = installed;
    run.FreeAfter = installed;
    Settings.Notices = EveryRunNotices;
    ReportRun(run);
    EXPECT_LT(wcslen(TrayIconData.szInfoTitle), 63u) << Narrow(TrayIconData.szInfoTitle);
    EXPECT_LT(wcslen(TrayIconData.szInfo), 255u) << Narrow(TrayIconData.szInfo);
}

static void CheckEverything(HWND window, ULONGLONG installed)
{
    // The pages first show the slider's form of the offer, then the tick the button's.
    ShowWidestFigures(window, installed);
    EnumChildWindows(window, CheckControl, 0);
    RefreshTick();
    EnumChildWindows(window, CheckControl, 0);
    CheckTrayMenu(window);
    ASSERT_EQ(RequestFreeing(HeldTarget, 1), 1u);
    CheckTrayMenu(window);
    FinishJob();
    CheckTrayTexts(installed);
}

static std::vector<std::string> LanguagesToMeasure()
{
    std::vector<std::string> names;
    const char *list = getenv(LanguagesVariable);
    for (const char *at = list; at != nullptr && *at != '\0';) {
        const char *end = strchr(at, ',');
        size_t length = end ? static_cast<size_t>(end - at) : strlen(at);
        names.emplace_back(at, length);
        at = end ? end + 1 : at + length;
    }
    return names;
}

class TextsFit : public MainWindowFixture {};

TEST_F(TextsFit, AtTheDpiTheProgramStartedWith)
{
    const char *expected = getenv(ExpectedDpiVariable);
    if (expected) {
        ASSERT_EQ(Dpi(), atoi(expected)) << "the program does not run at the session's DPI: is it DPI aware?";
    }
    std::vector<std::string> languages = LanguagesToMeasure();
    if (languages.empty()) {
        for (ULONGLONG installed : {1 * GB, 16 * GB, 64 * GB, 256 * GB}) {
            SCOPED_TRACE(testing::Message() << installed / GB << " GB at " << Dpi() << " DPI");
            CheckEverything(window, installed);
        }
        return;
    }
    for (const std::string &name : languages) {
        wchar_t wide[LanguageNameSize] = L"";
        MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, wide, LanguageNameSize);
        SetLanguage(wide);
        ASSERT_STREQ(LanguageName(CurrentLanguage()), wide) << "not shipped: " << name;
        SendMessageW(window, WM_APP_LANGUAGE, 0, 0);
        for (ULONGLONG installed : {1 * GB, 256 * GB}) {
            SCOPED_TRACE(testing::Message() << name << ", " << installed / GB << " GB at " << Dpi() << " DPI");
            CheckEverything(window, installed);
        }
    }
}

// Wine reads the DPI when a process starts: each copy of this program started after the value
// is set measures at it. The value is the session's, below the real HKEY_CURRENT_USER rather
// than this test's private registry, so Windows users' sessions are left alone.
const char *const DesktopKey = "Control Panel\\Desktop";

// Null removes the value.
static void SetSessionDpi(const DWORD *dpi)
{
    if (dpi) {
        RegSetKeyValueA(HKEY_CURRENT_USER, DesktopKey, "LogPixels", REG_DWORD, dpi, sizeof *dpi);
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, DesktopKey, "LogPixels");
    }
}

static DWORD MeasureInCopyAt(DWORD dpi, const std::string &languages)
{
    char value[16];
    snprintf(value, sizeof value, "%lu", static_cast<unsigned long>(dpi));
    _putenv_s(ExpectedDpiVariable, value);
    _putenv_s(LanguagesVariable, languages.c_str());
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char command[MAX_PATH + 64];
    snprintf(command, sizeof command, "\"%s\" --gtest_filter=TextsFit.AtTheDpiTheProgramStartedWith", path);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    _putenv_s(ExpectedDpiVariable, "");
    _putenv_s(LanguagesVariable, "");
    if (!started) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, 100000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Every shipped language but English, by name.
static std::string EveryLanguage()
{
    std::string names;
    for (int i = 1; i < LanguageCount(); ++i) {
        if (!names.empty()) {
            names += ',';
        }
        names += Narrow(LanguageName(i));
    }
    return names;
}

// The languages whose texts run longest: measured at the largest scale too.
const char *const LongestLanguages = "el,ca,it";

class TextsFitUnderWine : public testing::Test {
protected:
    void SetUp() override
    {
        if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
            GTEST_SKIP() << "the DPI is the Windows user's own";
        }
        // The copies take this test's private registry from the environment.
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        DWORD size = sizeof before;
        had = RegGetValueA(HKEY_CURRENT_USER, DesktopKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &before,
                           &size) == ERROR_SUCCESS;
    }

    void TearDown() override
    {
        if (IsSkipped()) {
            return;
        }
        SetSessionDpi(had ? &before : nullptr);
        HKEY root;
        RegCreateKeyExA(HKEY_CURRENT_USER, PrivateRegistryRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                        nullptr);
        RegOverridePredefKey(HKEY_CURRENT_USER, root);
        RegCloseKey(root);
    }

    void MeasureAt(DWORD dpi, const std::string &languages)
    {
        SetSessionDpi(&dpi);
        EXPECT_EQ(MeasureInCopyAt(dpi, languages), 0u)
            << "at " << dpi << " DPI in " << (languages.empty() ? "English" : languages)
            << "; the copy's output tells what is cut";
    }

    DWORD before = 0;
    bool had = false;
};

TEST_F(TextsFitUnderWine, AtEveryCommonScale)
{
    for (DWORD dpi : {96u, 120u, 144u, 192u}) {
        MeasureAt(dpi, "");
    }
}

// A copy a scale, so that each keeps within a test's time.
TEST_F(TextsFitUnderWine, EveryLanguageAt96Dpi)
{
    MeasureAt(96, EveryLanguage());
}

TEST_F(TextsFitUnderWine, EveryLanguageAt144Dpi)
{
    MeasureAt(144, EveryLanguage());
}

TEST_F(TextsFitUnderWine, TheLongestLanguagesAt192Dpi)
{
    MeasureAt(192, LongestLanguages);
}
