// The memory sliders of the pages: 0 to installed memory, in 64 KiB units.
#include "pages/slider.h"
#include "settings/settings.h"
#include <commctrl.h>

void FillMemorySlider(HWND page, int id, ByteCount value)
{
    // Minimum and maximum apart: TBM_SETRANGE packs the maximum into a signed 16-bit word,
    // which 2 GiB of installed memory (32,768 units) already overflows.
    ByteCount installed = InstalledMemory.TotalPhys;
    SendDlgItemMessageW(page, id, TBM_SETRANGEMIN, FALSE, 0);
    SendDlgItemMessageW(page, id, TBM_SETRANGEMAX, TRUE, static_cast<LPARAM>(UnitsOf(installed)));
    // Cut here as the slider would: a 64-bit value far above its range must not wrap round to
    // a small position on the way.
    ByteCount shown = value < installed ? value : installed;
    SendDlgItemMessageW(page, id, TBM_SETPOS, TRUE, static_cast<LPARAM>(UnitsOf(shown)));
}

ByteCount MemorySliderBytes(HWND page, int id)
{
    return BytesOfUnits(static_cast<DWORD>(SendDlgItemMessageW(page, id, TBM_GETPOS, 0, 0)));
}
