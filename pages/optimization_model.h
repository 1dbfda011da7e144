// The Optimization page's logic over slider positions, amounts, texts and the hot-key value,
// apart from its controls.
#pragma once
#include <windows.h>
#include <cstddef>

// A slider position stands for this many bytes.
const int SliderUnitShift = 16;

// Text sizes of the page's statics and of the free-up button.
const size_t AmountTextSize = 32;
const size_t ShareTextSize = 16;
const size_t FreeUpTextSize = 96;

// What moving one of the two upper sliders comes to: the position the moved slider ends at
// (set back to it when Yielded), the setting in bytes and the amount and share it shows.
struct LimitOutcome {
    DWORD Position;
    bool Yielded;
    DWORD Bytes;
    char Amount[AmountTextSize];
    char Share[ShareTextSize];
};

// What moving the amount slider comes to: the amount in bytes and the button's offer.
struct FreeUpOutcome {
    DWORD Bytes;
    char Text[FreeUpTextSize];
};

// The upper end of all three sliders: installed memory in whole 64 KiB units.
DWORD SliderMaximum(DWORD installed);
DWORD SliderPosition(DWORD bytes);

// The slider the user moves yields to the other one, which never moves: the lower limit
// cannot rise above the free-to mark, nor the free-to mark sink below the lower limit.
LimitOutcome LowerLimitMoved(DWORD lower, DWORD freeTo, DWORD installed);
LimitOutcome FreeToMoved(DWORD lower, DWORD freeTo, DWORD installed);

// The target is the amount plus the memory free now, summed without wrapping past 4 GiB.
FreeUpOutcome AmountMoved(DWORD position, DWORD freeNow);

// The hot-key control's value as RegisterHotKey wants it: MOD_* flags and the key.
UINT HotkeyModifiers(DWORD hotkey);
UINT HotkeyKey(DWORD hotkey);
