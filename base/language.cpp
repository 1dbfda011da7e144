// Texts in the program's language, loaded by id and filled in with their placeholders.
#include "base/language.h"
#include "base/systemlibrary.h"
#include "memvale_languages.h"
#include <cwchar>

const int ShippedCount = static_cast<int>(sizeof ShippedLanguages / sizeof ShippedLanguages[0]);
static const LANGID English = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
static int Language;

int LanguageCount()
{
    return ShippedCount;
}

const wchar_t *LanguageName(int language)
{
    return ShippedLanguages[language].Name;
}

const wchar_t *LanguageOwnName(int language)
{
    return ShippedLanguages[language].OwnName;
}

int CurrentLanguage()
{
    return Language;
}

bool LanguageIsRightToLeft()
{
    WORD primary = PRIMARYLANGID(ShippedLanguages[Language].Id);
    return primary == LANG_ARABIC || primary == LANG_HEBREW || primary == LANG_PERSIAN;
}

static int FindLanguage(const wchar_t *name, size_t length, const wchar_t *const *names, int count)
{
    for (int i = 0; i < count; ++i) {
        if (wcslen(names[i]) == length && _wcsnicmp(names[i], name, length) == 0) {
            return i;
        }
    }
    return -1;
}

static bool HasPart(const wchar_t *name, const wchar_t *part)
{
    for (const wchar_t *p = wcschr(name, L'-'); p != nullptr; p = wcschr(p + 1, L'-')) {
        size_t length = wcslen(part);
        if (_wcsnicmp(p + 1, part, length) == 0 && (p[1 + length] == L'\0' || p[1 + length] == L'-')) {
            return true;
        }
    }
    return false;
}

// The shipped language for one preferred name: itself, else its parent. Chinese has two
// parents by script, Portuguese two by country.
static int MatchLanguage(const wchar_t *name, const wchar_t *const *names, int count)
{
    int found = FindLanguage(name, wcslen(name), names, count);
    if (found >= 0) {
        return found;
    }
    const wchar_t *dash = wcschr(name, L'-');
    size_t primaryLength = dash ? static_cast<size_t>(dash - name) : wcslen(name);
    if (primaryLength == 2 && _wcsnicmp(name, L"zh", 2) == 0) {
        bool traditional = HasPart(name, L"Hant") || (!HasPart(name, L"Hans") && (HasPart(name, L"TW") ||
                                                      HasPart(name, L"HK") || HasPart(name, L"MO")));
        return FindLanguage(traditional ? L"zh-TW" : L"zh-CN", 5, names, count);
    }
    return FindLanguage(name, primaryLength, names, count);
}

int ChooseLanguage(const wchar_t *setting, const wchar_t *preferred, const wchar_t *const *names, int count)
{
    int found = setting ? FindLanguage(setting, wcslen(setting), names, count) : -1;
    for (const wchar_t *p = preferred; found < 0 && p != nullptr && *p != L'\0'; p += wcslen(p) + 1) {
        found = MatchLanguage(p, names, count);
    }
    return found < 0 ? 0 : found;
}

// Windows' preferred UI languages, most wanted first; Windows 7 has the call, Wine and older
// systems may not, and then the one UI language stands for the list.
static void ReadPreferredLanguages(wchar_t *list, ULONG size)
{
    list[0] = list[1] = L'\0';
    using PreferredFunction = BOOL(WINAPI *)(DWORD, PULONG, PZZWSTR, PULONG);
    static const PreferredFunction preferred =
        SystemCall<PreferredFunction>(L"kernel32.dll", "GetUserPreferredUILanguages");
    ULONG languages = 0;
    ULONG written = size;
    if (preferred && preferred(MUI_LANGUAGE_NAME, &languages, list, &written) && list[0] != L'\0') {
        return;
    }
    list[0] = list[1] = L'\0';
    LANGID id = GetUserDefaultUILanguage();
    for (const ShippedLanguage &language : ShippedLanguages) {
        if (language.Id == id || (PRIMARYLANGID(language.Id) == PRIMARYLANGID(id) &&
                                  PRIMARYLANGID(id) != LANG_CHINESE && PRIMARYLANGID(id) != LANG_PORTUGUESE)) {
            wcsncpy(list, language.Name, size - 2);
            list[wcslen(list) + 1] = L'\0';
            return;
        }
    }
}

int SetLanguage(const wchar_t *setting)
{
    wchar_t preferred[512];
    ReadPreferredLanguages(preferred, 512);
    const wchar_t *names[ShippedCount];
    for (int i = 0; i < ShippedCount; ++i) {
        names[i] = ShippedLanguages[i].Name;
    }
    Language = ChooseLanguage(setting, preferred, names, ShippedCount);
    return Language;
}

// String `id` as stored in the language's block of sixteen; null where the block is missing
// and length 0 where the block lacks the string.
static const wchar_t *FindText(UINT id, LANGID language, int *length)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), language);
    const WORD *entry = found ? static_cast<const WORD *>(LockResource(LoadResource(module, found))) : nullptr;
    if (!entry) {
        *length = 0;
        return nullptr;
    }
    for (UINT i = 0; i < id % 16; ++i) {
        entry += 1 + *entry;
    }
    *length = *entry;
    return reinterpret_cast<const wchar_t *>(entry + 1);
}

static int CopyText(const wchar_t *text, int length, wchar_t *buffer, int size)
{
    if (length >= size) {
        length = size - 1;
        if (length > 0 && IS_HIGH_SURROGATE(text[length - 1])) {
            --length;
        }
    }
    if (length > 0) {
        wmemcpy(buffer, text, static_cast<size_t>(length));
    }
    buffer[length] = L'\0';
    return length;
}

// The language's string, else English's: a translation that lacks one never shows an empty label.
int LoadText(UINT id, wchar_t *buffer, int size)
{
    if (size <= 0) {
        return 0;
    }
    int length = 0;
    const wchar_t *text = FindText(id, ShippedLanguages[Language].Id, &length);
    if (length == 0) {
        text = FindText(id, English, &length);
    }
    return CopyText(text, length, buffer, size);
}

static UINT FirstTextOf(bool menu, UINT templateId)
{
    for (const TemplateTexts &row : TemplateTextsTable) {
        if (row.Menu == menu && row.Template == templateId) {
            return row.FirstText;
        }
    }
    return 0;
}

// The text at `index` of a template, or an empty text where the control keeps its own.
static int TemplateText(UINT first, UINT index, wchar_t *buffer)
{
    return LoadText(first + index, buffer, TextSize);
}

// Children enumerate in template order as long as nothing else was created among them.
void TranslateDialog(HWND dialog, UINT templateId)
{
    UINT first = FirstTextOf(false, templateId);
    if (first == 0) {
        return;
    }
    UINT index = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[TextSize];
        if (TemplateText(first, index++, text) > 0) {
            SetWindowTextW(child, text);
        }
    }
}

// Items count in template order, each popup before its own items.
static void TranslateItems(HMENU menu, UINT first, UINT *index)
{
    int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[TextSize];
        if (TemplateText(first, (*index)++, text) > 0) {
            MENUITEMINFOW item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_STRING;
            item.dwTypeData = text;
            SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item);
        }
        HMENU popup = GetSubMenu(menu, position);
        if (popup) {
            TranslateItems(popup, first, index);
        }
    }
}

void TranslateMenu(HMENU menu, UINT templateId)
{
    UINT first = FirstTextOf(true, templateId);
    if (first != 0) {
        UINT index = 0;
        TranslateItems(menu, first, &index);
    }
}
int FormatText(wchar_t *buffer, int size, UINT id, std::initializer_list<const wchar_t *> args)
{
    if (size <= 0) {
        return 0;
    }
    wchar_t format[TextSize];
    LoadText(id, format, TextSize);

    int length = 0;
    auto put = [&](wchar_t c) {
        if (length < size - 1) {
            buffer[length++] = c;
        }
    };
    for (const wchar_t *p = format; *p != L'\0'; ++p) {
        if (p[0] == L'%' && p[1] == L'%') {
            put(L'%');
            ++p;
        } else if (p[0] == L'%' && p[1] >= L'1' && p[1] <= L'9') {
            size_t index = static_cast<size_t>(p[1] - L'1');
            if (index < args.size()) {
                for (const wchar_t *a = args.begin()[index]; a != nullptr && *a != L'\0'; ++a) {
                    put(*a);
                }
            }
            ++p;
        } else {
            put(*p);
        }
    }
    // A surrogate pair cut in half is no character: drop its first half.
    if (length > 0 && IS_HIGH_SURROGATE(buffer[length - 1])) {
        --length;
    }
    buffer[length] = L'\0';
    return length;
}
