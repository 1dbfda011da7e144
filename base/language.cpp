// Texts in the program's language, loaded by id and filled in with their placeholders.
#include "base/language.h"

int LoadText(UINT id, wchar_t *buffer, int size)
{
    if (size <= 0) {
        return 0;
    }
    int length = LoadStringW(GetModuleHandleW(nullptr), id, buffer, size);
    if (length <= 0) {
        buffer[0] = L'\0';
        return 0;
    }
    return length;
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
