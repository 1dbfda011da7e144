// Choosing the language, and the real templates taking their texts in it.
#include "base/language.h"
#include "res/resource.h"
#include <gtest/gtest.h>
#include <string>

TEST(Language, ChoosesTheSettingOrTheFirstPreferredLanguageShippedAsItIsOrAsItsParent)
{
    const wchar_t *const names[] = {L"en", L"de", L"ja", L"ar", L"zh-CN", L"zh-TW", L"pt", L"pt-BR"};
    struct Case {
        const wchar_t *Setting;
        const wchar_t *Preferred; // names each ended by a zero, the list by another
        const wchar_t *Expected;
    } const cases[] = {
        {L"", L"de-AT\0en-US\0", L"de"},
        {L"", L"fr-FR\0ja-JP\0", L"ja"},
        {L"", L"fr-FR\0", L"en"},
        {L"", L"", L"en"},
        {L"", L"zh-HK\0", L"zh-TW"},
        {L"", L"zh-MO\0", L"zh-TW"},
        {L"", L"zh-Hant-TW\0", L"zh-TW"},
        {L"", L"zh-Hans-HK\0", L"zh-CN"},
        {L"", L"zh-SG\0", L"zh-CN"},
        {L"", L"zh\0", L"zh-CN"},
        {L"", L"pt-AO\0", L"pt"},
        {L"", L"pt-BR\0pt-PT\0", L"pt-BR"},
        {L"", L"ar-EG\0", L"ar"},
        {L"PT-br", L"de-DE\0", L"pt-BR"},
        {L"ja", L"de-DE\0", L"ja"},
        {L"en", L"de-DE\0", L"en"},
        {L"xx", L"ja-JP\0", L"ja"},
        {L"de-", L"ja-JP\0", L"ja"},
    };
    for (const Case &c : cases) {
        int chosen = ChooseLanguage(c.Setting, c.Preferred, names, 8);
        EXPECT_STREQ(c.Expected, names[chosen]) << "case " << (&c - cases);
    }
}

static INT_PTR CALLBACK TranslatingProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        TranslateDialog(dialog, IDD_MAIN);
    }
    return FALSE;
}

TEST(Language, TheMainWindowAndTheTrayMenuTakeTheChosenLanguagesTexts)
{
    struct Case {
        const wchar_t *Language;
        const wchar_t *Close;
        const wchar_t *Exit;
    } const cases[] = {
        {L"en", L"Close", L"Exit"},
        {L"de", L"Schlie\x00DF" L"en", L"Beenden"},
        {L"ja", L"\x9589\x3058\x308B", L"\x7D42\x4E86"},
    };
    for (const Case &c : cases) {
        SetLanguage(c.Language);
        ASSERT_STREQ(c.Language, LanguageName(CurrentLanguage()));
        HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                                         TranslatingProc, 0);
        ASSERT_NE(nullptr, window);
        wchar_t text[TextSize];
        GetDlgItemTextW(window, IDC_MAIN_CLOSE, text, TextSize);
        EXPECT_STREQ(c.Close, text);
        GetDlgItemTextW(window, IDC_MAIN_FREE_TEXT, text, TextSize);
        EXPECT_STREQ(L"...", text); // a figure the program fills in keeps its template text
        DestroyWindow(window);

        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_BUSY));
        TranslateMenu(menu, IDR_TRAY_BUSY);
        GetMenuStringW(menu, IDM_EXIT, text, TextSize, MF_BYCOMMAND);
        EXPECT_STREQ(c.Exit, text);
        DestroyMenu(menu);
    }
}
