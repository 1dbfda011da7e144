// Texts filled in from the program's own string table.
#include "base/language.h"
#include "res/resource.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>

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
