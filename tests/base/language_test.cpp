// Texts in the chosen language: filling in placeholders, choosing the language, and the real
// templates taking their texts in it.
#include "base/language.h"
#include "res/resource.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>
#include <string>

TEST(FormatText, FillsPlaceholdersOfStringTableTexts)
{
    const wchar_t *const smile = L"12\xD83D\xDE00"; // "12" and a character outside the BMP
    struct Case {
        UINT Id;
        std::initializer_list<const wchar_t *> Args;
        int Size;
        const char *Expected; // UTF-8
    } cases[] = {
        // The text names its placeholders out of order.
        {IDS_NOTICE_CANCELLED, {L"10", L"0.3", L"1,010"}, TextSize, "Cancelled after 0.3 s; freed 10 MB. Free now: 1,010 MB."},
        {IDS_OPT_FREEING, {L"42"}, TextSize, "Freeing (42% done)"},
        // A placeholder without its argument stays empty.
        {IDS_TIP_STATUS, {L"Memvale", L"5"}, TextSize, "Memvale * Free physical: 5 MB\n"},
        {IDS_MEGABYTES, {smile}, 8, "12\xF0\x9F\x98\x80 MB"},
        // Cut at the buffer's end: never half a surrogate pair, never past the buffer.
        {IDS_MEGABYTES, {smile}, 5, "12\xF0\x9F\x98\x80"},
        {IDS_MEGABYTES, {smile}, 4, "12"},
        {IDS_MEGABYTES, {smile}, 1, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Expected);
        wchar_t buffer[TextSize + 1];
        buffer[c.Size] = L'#';
        int length = FormatText(buffer, c.Size, c.Id, c.Args);
        EXPECT_EQ(Narrow(buffer), c.Expected);
        EXPECT_EQ(length, static_cast<int>(wcslen(buffer)));
        EXPECT_EQ(buffer[c.Size], L'#');
    }
}

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
        EXPECT_EQ(c.Close, WithoutAccessKey(text));
        GetDlgItemTextW(window, IDC_MAIN_FREE_TEXT, text, TextSize);
        EXPECT_STREQ(L"...", text); // a figure the program fills in keeps its template text
        DestroyWindow(window);

        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_BUSY));
        TranslateMenu(menu, IDR_TRAY_BUSY);
        GetMenuStringW(menu, IDM_EXIT, text, TextSize, MF_BYCOMMAND);
        EXPECT_EQ(c.Exit, WithoutAccessKey(text));
        DestroyMenu(menu);
    }
}
