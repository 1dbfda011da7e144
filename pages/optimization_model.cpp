// The Optimization page's logic over slider positions, amounts, texts and the hot-key value,
// apart from its controls.
#include "pages/optimization_model.h"
#include "engine/memstatus.h"
#include <commctrl.h>
#include <cstdio>


DWORD SliderMaximum(DWORD installed)
{
    return installed >> SliderUnitShift;
}

DWORD SliderPosition(DWORD bytes)
{
    return bytes >> SliderUnitShift;
}

static LimitOutcome LimitAt(DWORD position, bool yielded, DWORD installed)
{
    LimitOutcome outcome;
    outcome.Position = position;
    outcome.Yielded = yielded;
    outcome.Bytes = position << SliderUnitShift;
    snprintf(outcome.Amount, sizeof outcome.Amount, "%.2f MB", outcome.Bytes / BytesPerMB);
    snprintf(outcome.Share, sizeof outcome.Share, "(%.0f%%)",
             static_cast<double>(outcome.Bytes) * 100.0 / static_cast<double>(installed));
    return outcome;
}

LimitOutcome LowerLimitMoved(DWORD lower, DWORD freeTo, DWORD installed)
{
    return freeTo < lower ? LimitAt(freeTo, true, installed) : LimitAt(lower, false, installed);
}

LimitOutcome FreeToMoved(DWORD lower, DWORD freeTo, DWORD installed)
{
    return freeTo < lower ? LimitAt(lower, true, installed) : LimitAt(freeTo, false, installed);
}

FreeUpOutcome AmountMoved(DWORD position, DWORD freeNow)
{
    FreeUpOutcome outcome;
    outcome.Bytes = position << SliderUnitShift;
    ULONGLONG target = static_cast<ULONGLONG>(outcome.Bytes) + freeNow;
    snprintf(outcome.Text, sizeof outcome.Text, "Free up %.2f MB\n(target free: %.2f MB)",
             outcome.Bytes / BytesPerMB, static_cast<double>(target) / BytesPerMB);
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
