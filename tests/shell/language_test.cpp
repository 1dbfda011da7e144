// Windows' display language chooses the program's: started under Wine in a German, a Japanese
// or an Arabic locale (cmake/tests.cmake runs it so), the program opens its window and tray
// menu and shows its notices in that language, the Arabic window mirrored.
#include "base/language.h"
#include "settings/settings.h"
#include "shell/lastrun.h"
#include "shell/tray.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cwchar>

// The language the program must find itself in, handed on in the environment.
const char *const ExpectedLanguageVariable = "MEMVALE_TEST_LANGUAGE";

class LanguageOfTheSession : public MainWindowFixture {};

TEST_F(LanguageOfTheSession, NamesTheWindowTheTrayMenuAndTheNotices)
{
    const char *expected = getenv(ExpectedLanguageVariable);
    if (!expected || !*expected) {
        GTEST_SKIP() << "runs as memvale_language_<language>, in that language's locale";
    }
    wchar_t name[LanguageNameSize];
    MultiByteToWideChar(CP_UTF8, 0, expected, -1, name, LanguageNameSize);
    ASSERT_STREQ(name, LanguageName(CurrentLanguage()));
    EXPECT_EQ(wcscmp(name, L"ar") == 0, (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0);

    wchar_t text[TextSize];
    GetDlgItemTextW(window, IDC_MAIN_CLOSE, text, TextSize);
    EXPECT_NE(L"Close", WithoutAccessKey(text));
    EXPECT_NE(L'\0', text[0]);
    GetMenuStringW(IdleMenu, IDM_EXIT, text, TextSize, MF_BYCOMMAND);
    EXPECT_NE(L"Exit", WithoutAccessKey(text));
    EXPECT_NE(L'\0', text[0]);

    FreeingRun run = {};
    run.Source = AutomaticRun;
    Settings.Notices = EveryRunNotices;
    ReportRun(run);
    EXPECT_STRNE(L"Memory freed", TrayIconData.szInfoTitle);
    EXPECT_NE(L'\0', TrayIconData.szInfoTitle[0]);
    EXPECT_EQ(nullptr, wcsstr(TrayIconData.szInfo, L"Freed"));
}
