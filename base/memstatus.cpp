// Memory quantities: the one way the program reads memory figures, the 64 KiB units that
// sliders and bars count in, and the megabyte texts.
#include "base/memstatus.h"
#include "base/language.h"
#include "res/resource.h"
#include <cwchar>

BOOL (WINAPI *MemoryStatusSource)(LPMEMORYSTATUSEX status) = GlobalMemoryStatusEx;

// GlobalMemoryStatus counts in SIZE_T and so cannot see past 4 GiB in a 32-bit program; the
// extended form gives true 64-bit figures in both builds.
void ReadMemoryStatus(MemoryStatus *status)
{
    MEMORYSTATUSEX figures = {};
    figures.dwLength = sizeof figures;
    if (!MemoryStatusSource(&figures)) {
        figures.ullTotalPhys = 0;
        figures.ullAvailPhys = 0;
    }
    status->TotalPhys = figures.ullTotalPhys;
    status->AvailPhys = figures.ullAvailPhys;
}

DWORD UnitsOf(ByteCount bytes)
{
    return static_cast<DWORD>(bytes >> UnitShift);
}

ByteCount BytesOfUnits(DWORD units)
{
    return static_cast<ByteCount>(units) << UnitShift;
}

double Megabytes(ByteCount bytes)
{
    return static_cast<double>(bytes) / BytesPerMB;
}

// LOCALE_SGROUPING reads "3;0" for groups of three, "3;2;0" for three then twos, "3" for one
// group of three and no more; NUMBERFMTW wants 3, 32 and 30.
static UINT GroupingOf(const wchar_t *groups)
{
    UINT grouping = 0;
    const wchar_t *last = groups;
    for (const wchar_t *p = groups; *p != L'\0'; ++p) {
        if (*p >= L'0' && *p <= L'9') {
            grouping = grouping * 10 + static_cast<UINT>(*p - L'0');
            last = p;
        }
    }
    bool endsInZero = last != groups && *last == L'0' && last[-1] == L';';
    return endsInZero ? grouping / 10 : grouping * 10;
}

static UINT LocaleNumber(LCTYPE type)
{
    DWORD value = 0;
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value),
                    sizeof value / sizeof(wchar_t));
    return value;
}

void FormatDecimal(wchar_t *text, int size, double value, int decimals, bool grouped)
{
    if (size <= 0) {
        return;
    }
    // The figure in the form GetNumberFormatEx reads: digits, '.', digits.
    wchar_t plain[64];
    swprintf(plain, sizeof plain / sizeof plain[0], L"%.*f", decimals, value);
    wchar_t separator[8] = L".";
    wchar_t thousands[8] = L",";
    wchar_t groups[16] = L"3;0";
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator / sizeof separator[0]);
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thousands, sizeof thousands / sizeof thousands[0]);
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SGROUPING, groups, sizeof groups / sizeof groups[0]);
    NUMBERFMTW format = {};
    format.NumDigits = static_cast<UINT>(decimals);
    format.LeadingZero = LocaleNumber(LOCALE_ILZERO);
    format.Grouping = grouped ? GroupingOf(groups) : 0;
    format.lpDecimalSep = separator;
    format.lpThousandSep = thousands;
    format.NegativeOrder = LocaleNumber(LOCALE_INEGNUMBER);
    if (GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, plain, &format, text, size) == 0) {
        // Too long for the buffer: the plain figure, cut, rather than nothing.
        lstrcpynW(text, plain, size);
    }
}

void FormatMegabytes(wchar_t *text, int size, ByteCount bytes)
{
    wchar_t figure[64];
    FormatDecimal(figure, 64, Megabytes(bytes), 2);
    FormatText(text, size, IDS_MEGABYTES, {figure});
}

void FormatFreeUpOffer(wchar_t *text, int size, UINT textId, ByteCount amount, ByteCount freeNow)
{
    wchar_t amountText[64];
    wchar_t target[64];
    FormatDecimal(amountText, 64, Megabytes(amount), 2);
    FormatDecimal(target, 64, Megabytes(amount) + Megabytes(freeNow), 2);
    FormatText(text, size, textId, {amountText, target});
}
