// The Optimization page's logic over slider positions, amounts, texts and the hot-key value,
// apart from its controls.
#include "pages/optimization_model.h"
#include "base/language.h"
#include "res/resource.h"
#include <commctrl.h>

static LimitOutcome LimitAt(DWORD position, bool yielded, ByteCount installed)
{
    LimitOutcome outcome;
    outcome.Position = position;
    outcome.Yielded = yielded;
    outcome.Bytes = BytesOfUnits(position);
    FormatMegabytes(outcome.Amount, AmountTextSize, outcome.Bytes);
    wchar_t percent[ShareTextSize];
    FormatDecimal(percent, ShareTextSize, static_cast<double>(outcome.Bytes) * 100.0 / static_cast<double>(installed), 0);
    FormatText(outcome.Share, ShareTextSize, IDS_OPT_SHARE, {percent});
    return outcome;
}

LimitOutcome LowerLimitMoved(DWORD lower, DWORD freeTo, ByteCount installed)
{
    return freeTo < lower ? LimitAt(freeTo, true, installed) : LimitAt(lower, false, installed);
}

LimitOutcome FreeToMoved(DWORD lower, DWORD freeTo, ByteCount installed)
{
    return freeTo < lower ? LimitAt(lower, true, installed) : LimitAt(freeTo, false, installed);
}

FreeUpOutcome AmountMoved(DWORD position, ByteCount freeNow)
{
    FreeUpOutcome outcome;
    outcome.Bytes = BytesOfUnits(position);
    FormatFreeUpOffer(outcome.Text, FreeUpTextSize, IDS_OPT_FREE_UP_SLIDER, outcome.Bytes, freeNow);
    return outcome;
}

UINT HotkeyModifiers(DWORD hotkey)
{
    // The control's flags put Shift and Alt the other way round from RegisterHotKey's;
    // HOTKEYF_EXT only marks an extended key.
    UINT flags = (hotkey >> 8) & 0xFF;
    UINT modifiers = 0;
    if (flags & HOTKEYF_SHIFT) {
        modifiers |= MOD_SHIFT;
    }
    if (flags & HOTKEYF_CONTROL) {
        modifiers |= MOD_CONTROL;
    }
    if (flags & HOTKEYF_ALT) {
        modifiers |= MOD_ALT;
    }
    return modifiers;
}

UINT HotkeyKey(DWORD hotkey)
{
    return hotkey & 0xFF;
}
