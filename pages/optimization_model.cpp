// The Optimization page's logic over slider positions, amounts, texts and the hot-key value,
// apart from its controls.
#include "pages/optimization_model.h"
#include <commctrl.h>
#include <cstdio>


static LimitOutcome LimitAt(DWORD position, bool yielded, ByteCount installed)
{
    LimitOutcome outcome;
    outcome.Position = position;
    outcome.Yielded = yielded;
    outcome.Bytes = BytesOfUnits(position);
    FormatMegabytes(outcome.Amount, sizeof outcome.Amount, outcome.Bytes);
    snprintf(outcome.Share, sizeof outcome.Share, "(%.0f%%)",
             static_cast<double>(outcome.Bytes) * 100.0 / static_cast<double>(installed));
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
    FormatFreeUpOffer(outcome.Text, sizeof outcome.Text, FreeUpSliderFormat, outcome.Bytes, freeNow);
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
