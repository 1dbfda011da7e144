// The Optimization page's logic over slider positions, amounts, texts and the hot-key value,
// apart from its controls.
#pragma once
#include <windows.h>
#include <cstddef>
#include "base/memstatus.h"

// Text sizes of the page's statics and of the free-up button.
const int AmountTextSize = 32;
const int ShareTextSize = 16;
const int FreeUpTextSize = 96;

// What moving one of the two upper sliders comes to: the position the moved slider ends at
// (set back to it when Yielded), the setting in bytes and the amount and share it shows.
struct LimitOutcome {
    DWORD Position;
    bool Yielded;
    ByteCount Bytes;
    wchar_t Amount[AmountTextSize];
    wchar_t Share[ShareTextSize];
};

// What moving the amount slider comes to: the amount in bytes and the button's offer.
struct FreeUpOutcome {
    ByteCount Bytes;
    wchar_t Text[FreeUpTextSize];
};

// The slider the user moves yields to the other one, which never moves: the lower limit
// cannot rise above the free-to mark, nor the free-to mark sink below the lower limit.
LimitOutcome LowerLimitMoved(DWORD lower, DWORD freeTo, ByteCount installed);
LimitOutcome FreeToMoved(DWORD lower, DWORD freeTo, ByteCount installed);

// The target is the amount plus the memory free now.
FreeUpOutcome AmountMoved(DWORD position, ByteCount freeNow);

// The hot-key control's value as RegisterHotKey wants it: MOD_* flags and the key.
UINT HotkeyModifiers(DWORD hotkey);
UINT HotkeyKey(DWORD hotkey);
